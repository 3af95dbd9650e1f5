// The macros go to the emulated mouse's macro memory before the key table
// that binds them: what the firmware holds afterwards, and what it does not
// hold after a refused or failed download.
#include <gtest/gtest.h>

#include <filesystem>

#include "config/light_mode_list.h"
#include "config/mouse_profiledata.h"
#include "devices/mouse/mouse_controller.h"
#include "macros/macro_library.h"
#include "sim/firmware_mouse.h"
#include "sim/virtual_bus.h"

using namespace tessel;
using namespace tessel::mouse;

namespace {

namespace fs = std::filesystem;
constexpr uint8_t kBegin = 0x01, kEnd = 0x02, kWriteKeys = 0x09, kWriteMacro = 0x15;

class MacroRig : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tessel-mdl-XXXXXX";
    dir_ = mkdtemp(pattern);
    fw_ = std::make_shared<sim::MouseFirmware>(false);
    product_ = bus_.plug("mouse", fw_);
    mouse_ = std::make_unique<MouseController>(bus_, clock_);
    doc_.setDefaultDocumentPath(fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "mouse.Json");
    doc_.setDocumentPath(dir_ / "profile.Json");
    mouse_->bindDocument(&doc_);
    mouse_->setMacroFolder(dir_);
    MouseController::Listener l;
    l.writeFailed = [this](MouseController::Write w, ResultCode r) { failures_.push_back({w, r}); };
    l.macrosTooLarge = [this](int k) { tooLarge_.push_back(k); };
    mouse_->setListener(l);
    mouse_->loadConfiguration();
    ASSERT_TRUE(mouse_->transport().connect(product_->commandPath(), 1));
    mouse_->requestConnected();
    ASSERT_TRUE(mouse_->keyTableRead());
  }
  void TearDown() override {
    mouse_.reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // A macro of `count` key presses of usage `first`, first+1, ... with delay 30.
  size_t addMacro(size_t count, uint8_t first) {
    macros::MacroLibrary library(dir_, clock_);
    const auto made = library.create();
    EXPECT_TRUE(made.ok());
    std::vector<macros::MacroEvent> events;
    for (size_t i = 0; i < count; ++i) events.push_back({true, static_cast<uint8_t>(first + i), 10, 30});
    EXPECT_TRUE(library.saveEvents(made.index, events).ok());
    return made.index;
  }

  ResultCode writeTable() {
    ResultCode result = ResultCode::Success;
    mouse_->WriteButtonTable([&](ResultCode r, std::vector<int>) { result = r; });
    return result;
  }

  std::vector<uint8_t> slot(size_t s) const {
    const auto t = fw_->keyTable();
    return {t.begin() + static_cast<long>(s * 3), t.begin() + static_cast<long>(s * 3 + 3)};
  }

  fs::path dir_;
  sim::VirtualHidBus bus_;
  ManualClock clock_;
  std::shared_ptr<sim::MouseFirmware> fw_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  CMouseProfiledata doc_;
  std::unique_ptr<MouseController> mouse_;
  std::vector<std::pair<MouseController::Write, ResultCode>> failures_;
  std::vector<int> tooLarge_;
};

}  // namespace

TEST_F(MacroRig, BoundMacrosReachTheMacroMemoryInSlotOrderBeforeTheKeyTable) {
  addMacro(1, 0x04);                     // index 0, bound nowhere
  const size_t two = addMacro(2, 0x10);  // index 1
  const size_t three = addMacro(3, 0x20);  // index 2
  // Button 0 names macro 2 first, then button 3 (slot 4) macro 1 and button 1 macro 2 again.
  ASSERT_TRUE(mouse_->StoreAssignment(0, {0x70, static_cast<uint8_t>(three), 1}));
  ASSERT_TRUE(mouse_->StoreAssignment(1, {0x71, static_cast<uint8_t>(three), 9}));
  ASSERT_TRUE(mouse_->StoreAssignment(3, {0x70, static_cast<uint8_t>(two), 0}));
  fw_->clearLog();
  EXPECT_EQ(writeTable(), ResultCode::Success);
  EXPECT_TRUE(failures_.empty());

  // 16 + 6 x 2 + 4 x 5 = 48 bytes: macro 2 in slot 0, macro 1 in slot 1.
  const auto mem = fw_->macroMemory();
  const std::vector<uint8_t> head(mem.begin(), mem.begin() + 20);
  EXPECT_EQ(head, (std::vector<uint8_t>{0xAA, 0x55, 48, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 20, 0, 36, 0}));
  EXPECT_EQ(std::vector<uint8_t>(mem.begin() + 20, mem.begin() + 28),
            (std::vector<uint8_t>{3, 0, 0, 0, 30, 0, 0x8A, 0x20}));
  EXPECT_EQ(std::vector<uint8_t>(mem.begin() + 36, mem.begin() + 44),
            (std::vector<uint8_t>{2, 0, 0, 0, 30, 0, 0x8A, 0x10}));
  EXPECT_EQ(mem[48], 0);

  EXPECT_EQ(slot(0), (std::vector<uint8_t>{0x70, 0, 1}));
  EXPECT_EQ(slot(1), (std::vector<uint8_t>{0x71, 0, 9}));
  EXPECT_EQ(mouse_->macroOrderList(), (std::vector<int>{static_cast<int>(three), static_cast<int>(two)}));
  EXPECT_EQ(slot(4), (std::vector<uint8_t>{0x70, 1, 0}));
  // Macros first, each write in its own bracket.
  const auto codes = fw_->commandCodes();
  const auto firstMacro = std::find(codes.begin(), codes.end(), kWriteMacro);
  const auto firstKeys = std::find(codes.begin(), codes.end(), kWriteKeys);
  ASSERT_NE(firstMacro, codes.end());
  ASSERT_NE(firstKeys, codes.end());
  EXPECT_LT(firstMacro, firstKeys);
  EXPECT_NE(std::find(firstMacro, firstKeys, kEnd), firstKeys);
  EXPECT_NE(std::find(firstMacro, firstKeys, kBegin), firstKeys);
  EXPECT_EQ(fw_->writesOutsideBracket(), 0);
  EXPECT_EQ(fw_->bracketsLeftOpen(), 0);
}

TEST_F(MacroRig, ImagesTheMouseCannotHoldWriteNeitherMacrosNorTable) {
  fw_->setIdentityByte(6, 2);  // 256 bytes
  const size_t big = addMacro(60, 0x04);  // 16 + 6 + 240 = 262 bytes
  ASSERT_TRUE(mouse_->StoreAssignment(2, {0x70, static_cast<uint8_t>(big), 0}));
  const auto tableBefore = fw_->keyTable();
  fw_->clearLog();
  EXPECT_NE(writeTable(), ResultCode::Success);
  EXPECT_EQ(tooLarge_, (std::vector<int>{2}));
  EXPECT_TRUE(failures_.empty());  // too large is its own report
  EXPECT_EQ(fw_->countOf(kWriteMacro), 0u);
  EXPECT_EQ(fw_->countOf(kWriteKeys), 0u);
  EXPECT_EQ(fw_->keyTable(), tableBefore);

  // The same macro fits once the mouse says it has room: the capacity is read each time.
  fw_->setIdentityByte(6, 3);
  EXPECT_EQ(writeTable(), ResultCode::Success);
  EXPECT_EQ(tooLarge_.size(), 1u);
  EXPECT_EQ(fw_->macroMemory()[2], 6);  // 262 = 0x0106
  EXPECT_EQ(slot(2), (std::vector<uint8_t>{0x70, 0, 0}));
}

TEST_F(MacroRig, AFailedMacroWriteIsReportedAndLeavesTheKeyTableUnwritten) {
  const size_t m = addMacro(4, 0x04);
  ASSERT_TRUE(mouse_->StoreAssignment(2, {0x70, static_cast<uint8_t>(m), 0}));
  const auto tableBefore = fw_->keyTable();
  fw_->injectFault({sim::FaultKind::StatusFF, kWriteMacro, 0, 1});
  fw_->clearLog();
  EXPECT_EQ(writeTable(), ResultCode::StatusFF);
  ASSERT_EQ(failures_.size(), 1u);
  EXPECT_EQ(failures_[0].first, MouseController::Write::MacroMemory);
  EXPECT_EQ(fw_->countOf(kWriteKeys), 0u);
  EXPECT_EQ(fw_->keyTable(), tableBefore);
  EXPECT_FALSE(fw_->bracketOpen());  // the end went out all the same
  EXPECT_EQ(fw_->macroMemory()[0], 0);

  // The mouse refusing the image on the end counts as a failure too.
  fw_->injectFault({sim::FaultKind::StatusFE, kEnd, 0, 1});
  failures_.clear();
  EXPECT_EQ(writeTable(), ResultCode::StatusFE);
  ASSERT_EQ(failures_.size(), 1u);
  EXPECT_EQ(failures_[0].first, MouseController::Write::MacroMemory);
  EXPECT_EQ(fw_->keyTable(), tableBefore);
}

TEST_F(MacroRig, TheLibraryDecidesWhichBindingsAreMacrosAndNoBindingMeansNoDownload) {
  // No macro bound: the key table alone.
  fw_->clearLog();
  EXPECT_EQ(writeTable(), ResultCode::Success);
  EXPECT_EQ(fw_->countOf(kWriteMacro), 0u);
  EXPECT_EQ(fw_->countOf(kWriteKeys), 1u);

  // A binding to a macro the library does not hold goes out as the button's default.
  const size_t m = addMacro(1, 0x04);
  ASSERT_TRUE(mouse_->StoreAssignment(0, {0x70, static_cast<uint8_t>(m + 1), 0}));
  mouse_->setMacroCount(10);  // a stale count: the library file wins
  fw_->clearLog();
  EXPECT_EQ(writeTable(), ResultCode::Success);
  EXPECT_EQ(fw_->countOf(kWriteMacro), 0u);
  EXPECT_TRUE(mouse_->macroOrderList().empty());
  const auto factory = fw_->defaultKeyTable();
  EXPECT_EQ(slot(0), std::vector<uint8_t>(factory.begin(), factory.begin() + 3));
}
