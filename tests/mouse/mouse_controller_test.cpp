// The mouse controller against the emulated mouse on the virtual bus: what the
// firmware received and keeps, and what the document holds afterwards.
#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <thread>

#include "config/light_mode_list.h"
#include "config/mouse_profiledata.h"
#include "devices/mouse/mouse_controller.h"
#include "sim/firmware_mouse.h"
#include "sim/virtual_bus.h"

using namespace tessel;
using namespace tessel::mouse;
using namespace std::chrono_literals;

namespace {

namespace fs = std::filesystem;
constexpr uint8_t kBegin = 0x01, kEnd = 0x02, kIdentity = 0x03, kReadSettings = 0x05, kWriteSettings = 0x06,
                  kReadKeys = 0x07, kWriteKeys = 0x09, kLink = 0xAA;

// The firmware block of profile p, as it sits in the settings memory.
std::vector<uint8_t> blockOf(const sim::CommandFirmware& fw, int p) {
  const auto s = fw.settings();
  return {s.begin() + p * 128, s.begin() + p * 128 + 71};
}

class MouseRig : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tessel-mouse-XXXXXX";
    dir_ = mkdtemp(pattern);
  }
  void TearDown() override {
    mouse_.reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  void plug(bool receiver) {
    fw_ = std::make_shared<sim::MouseFirmware>(receiver);
    newSession(receiver);
  }
  // The same mouse (its memories) plugged again and met by a new controller,
  // as after a restart of the program.
  void newSession(bool receiver) {
    mouse_.reset();
    if (product_) product_->unplug();
    product_ = bus_.plug(receiver ? "mouse-receiver" : "mouse", fw_);
    mouse_ = std::make_unique<MouseController>(bus_, clock_);
    doc_.setDefaultDocumentPath(fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "mouse.Json");
    doc_.setDocumentPath(dir_ / "profile.Json");
    LightModeList modes;
    ASSERT_TRUE(modes.load(fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "default_light.json"));
    mouse_->bindDocument(&doc_);
    mouse_->setLightModes(modes.modes(kKindIndexMouse));
    mouse_->setScreenSize(2560, 1440);
    MouseController::Listener l;
    l.stateChanged = [this] { ++refreshes_; };
    l.writeFailed = [this](MouseController::Write w, ResultCode r) { failures_.push_back({w, r}); };
    l.profileStageChanged = [this](int p, std::optional<int> s) { reports_.push_back({p, s.value_or(-1)}); };
    mouse_->setListener(l);
    mouse_->loadConfiguration();
    ASSERT_TRUE(mouse_->transport().connect(product_->commandPath(), receiver ? 2 : 1));
  }

  // The document as a fresh reader of the saved file sees it.
  std::unique_ptr<CMouseProfiledata> reread() {
    auto d = std::make_unique<CMouseProfiledata>();
    d->setDocumentPath(dir_ / "profile.Json");
    d->loadDeviceElement();
    return d;
  }

  size_t writesOf(uint8_t command) const { return fw_->countOf(command); }

  fs::path dir_;
  sim::VirtualHidBus bus_;
  ManualClock clock_;
  std::shared_ptr<sim::MouseFirmware> fw_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  CMouseProfiledata doc_;
  std::unique_ptr<MouseController> mouse_;
  int refreshes_ = 0;
  std::vector<std::pair<MouseController::Write, ResultCode>> failures_;
  std::vector<std::pair<int, int>> reports_;
};

}  // namespace

TEST_F(MouseRig, ConnectedReadsTheMouseThenTheCurrentProfileAndShowsIt) {
  plug(false);
  // Profile 2 is current on the mouse; its block has stage 3 active and light mode code 4.
  fw_->setSettings(0, {2});
  fw_->setSettings(2 * 128 + 1, {4, 2, 0, 1, 0, 9, 8, 7});
  fw_->setSettings(2 * 128 + 12, {3});
  mouse_->requestConnected();

  const auto codes = fw_->commandCodes();
  const std::vector<uint8_t> head(codes.begin(), codes.begin() + 4);
  EXPECT_EQ(head, (std::vector<uint8_t>{kBegin, kIdentity, kReadKeys, kEnd}));
  EXPECT_EQ(fw_->countOf(kReadSettings), 3u);  // the profile byte, then 71 bytes in two chunks
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u);  // connecting writes nothing
  EXPECT_EQ(mouse_->currentProfile(), 2);
  EXPECT_EQ(mouse_->slotMap(), (SlotMap{0, 1, 2, 4, 3, 6, 7, 5, 9, 10, 8}));
  EXPECT_EQ(mouse_->sliderMaximum(), 73);
  EXPECT_EQ(mouse_->dpiMaximum(), 10000);
  EXPECT_GE(refreshes_, 1);

  // Only the active stage, which the mouse's own button moves, follows the
  // mouse; the profile's light stays the user's and is what the mouse shows.
  const LightRecord before = doc_.getLightInfo();
  const auto saved = reread();
  EXPECT_EQ(saved->getActiveStage(), 3);
  EXPECT_EQ(saved->getLightInfo(), before);
  EXPECT_NE(saved->getLightInfo().selectItem, 4);
  EXPECT_EQ(mouse_->lightFeed().record, before);
}

TEST_F(MouseRig, SettingsGoBackToTheProfileTheyWereReadFromWithByteZeroAsRead) {
  plug(false);
  fw_->setSettings(0, {2});
  fw_->setSettings(2 * 128, {0x5A});  // what profile 2's block keeps in its first byte
  const std::vector<uint8_t> profile0 = blockOf(*fw_, 0);
  mouse_->requestConnected();

  ASSERT_TRUE(mouse_->setStageDpiText(1, "5200"));
  const std::vector<uint8_t> block = blockOf(*fw_, 2);
  EXPECT_EQ(fw_->settings()[0], 2);  // the mouse stays on profile 2
  EXPECT_EQ(block[0], 0x5A);
  EXPECT_EQ(block[14 + 9 + 2], 49);  // stage 1's index, low byte
  EXPECT_EQ(block[14 + 9 + 3], 0);
  EXPECT_EQ(block[59], 1);
  EXPECT_EQ(block[60] | block[61] << 8, 2560);
  EXPECT_EQ(block[62] | block[63] << 8, 1440);
  EXPECT_EQ(blockOf(*fw_, 0), profile0);
  EXPECT_EQ(fw_->writesOutsideBracket(), 0);
  EXPECT_FALSE(fw_->bracketOpen());
  EXPECT_EQ(mouse_->stageViews()[1].dpi, 5200);
  EXPECT_EQ(reread()->getStages()[1].x, 49);
  EXPECT_TRUE(failures_.empty());
}

TEST_F(MouseRig, AWriteBeforeAnyReadReadsTheProfileFirst) {
  plug(false);
  fw_->setSettings(0, {1});
  ASSERT_TRUE(mouse_->setPollingRate(4));
  EXPECT_EQ(fw_->settings()[0], 1);
  EXPECT_EQ(blockOf(*fw_, 1)[11], 4);
  EXPECT_EQ(blockOf(*fw_, 0)[11], 3);  // profile 0 untouched
  EXPECT_FALSE(mouse_->setPollingRate(5));
  EXPECT_EQ(reread()->getSystemStages().reportRate, 4);
}

TEST_F(MouseRig, AFailedWriteIsReportedAndTheDocumentKeepsTheValue) {
  plug(false);
  mouse_->requestConnected();
  fw_->injectFault({sim::FaultKind::StatusFF, kWriteSettings, 0, 5});
  ASSERT_TRUE(mouse_->setStageIndex(0, 20));
  ASSERT_EQ(failures_.size(), 1u);
  EXPECT_EQ(failures_[0].first, MouseController::Write::SettingsBlock);
  EXPECT_EQ(failures_[0].second, ResultCode::StatusFF);
  EXPECT_EQ(reread()->getStages()[0].x, 20);
  EXPECT_FALSE(fw_->bracketOpen());  // the bracket is closed even so
}

TEST_F(MouseRig, ThreeStagesWriteZerosForTheLastTwoAndTheLightRecordEncodes) {
  plug(false);
  mouse_->requestConnected();
  std::vector<DpiStage> stages = doc_.getStages();
  stages.resize(3);
  doc_.setStages(stages);
  LightRecord light = doc_.getLightInfo();
  light.selectItem = 12;  // a user sequence
  light.speed = 1;
  light.fx = 1;
  mouse_->setSynchronised(true);
  mouse_->changeLightRecord(light);
  EXPECT_FALSE(mouse_->synchronised());
  const std::vector<uint8_t> block = blockOf(*fw_, 0);
  EXPECT_EQ(block[1], 0);  // built-in mode 0's code
  EXPECT_EQ(block[3], 3);
  EXPECT_EQ(block[4], 1);
  for (size_t i = 14 + 27; i < 59; ++i) EXPECT_EQ(block[i], 0) << "byte " << i;
  EXPECT_EQ(block[14 + 18], stages[2].enabled);
  EXPECT_EQ(reread()->getLightInfo(), light);
}

TEST_F(MouseRig, TheLastEnabledStageAndTheActiveStageCannotBeTurnedOff) {
  plug(false);
  mouse_->requestConnected();
  ASSERT_TRUE(mouse_->selectStage(4));
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(mouse_->setStageEnabled(i, false)) << i;
  auto views = mouse_->stageViews();
  EXPECT_TRUE(views[4].enabled);
  EXPECT_FALSE(views[4].enableAvailable);
  EXPECT_TRUE(views[4].selected);
  EXPECT_TRUE(views[0].enableAvailable);
  EXPECT_FALSE(mouse_->setStageEnabled(4, false));

  // Not the active one any more, but still the last enabled one.
  ASSERT_TRUE(mouse_->setStageEnabled(0, true));
  ASSERT_TRUE(mouse_->selectStage(0));
  views = mouse_->stageViews();
  EXPECT_FALSE(views[0].enableAvailable);  // active
  EXPECT_TRUE(views[4].enableAvailable);
  EXPECT_TRUE(mouse_->setStageEnabled(4, false));
  EXPECT_FALSE(mouse_->stageViews()[0].enableAvailable);
  const std::vector<uint8_t> block = blockOf(*fw_, 0);
  EXPECT_EQ(block[12], 0);
  EXPECT_EQ(block[14], 1);
  for (int i = 1; i < 5; ++i) EXPECT_EQ(block[14 + 9 * i], 0) << i;

  // A document whose only enabled stage is not the active one: both checks are locked.
  std::vector<DpiStage> stages = doc_.getStages();
  for (auto& s : stages) s.enabled = 0;
  stages[4].enabled = 1;
  doc_.setStages(stages);
  doc_.setActiveStage(1);
  views = mouse_->stageViews();
  EXPECT_FALSE(views[4].enableAvailable);
  EXPECT_FALSE(views[1].enableAvailable);
  EXPECT_TRUE(views[2].enableAvailable);
  EXPECT_FALSE(mouse_->setStageEnabled(4, false));
}

TEST_F(MouseRig, PointerSettingsStayInTheDocument) {
  plug(false);
  mouse_->requestConnected();
  fw_->clearLog();
  mouse_->setPointerSpeed(7);
  mouse_->setDoubleClickTime(300);
  mouse_->setScrollByPage(true);
  mouse_->setPointerPrecision(true);
  EXPECT_EQ(reread()->getSystemStages().scrollPage, 1);
  mouse_->setWheelSpeed(5);
  EXPECT_TRUE(fw_->commandCodes().empty());
  const MouseSystemStages s = reread()->getSystemStages();
  EXPECT_EQ(s.mouseSpeed, 7);
  EXPECT_EQ(s.doubleClickTime, 300);
  EXPECT_EQ(s.pointerPrecision, 1);
  EXPECT_EQ(s.scrollPage, 0);  // the wheel speed clears scroll-by-page
  EXPECT_EQ(s.wheelScrollLines, 5);
}

TEST_F(MouseRig, KeyTableSlotsFollowTheSlotMapWithMacrosRenumbered) {
  plug(false);
  mouse_->requestConnected();
  mouse_->setMacroCount(8);
  ASSERT_TRUE(mouse_->StoreAssignment(0, {0x70, 5, 0}));
  ASSERT_TRUE(mouse_->StoreAssignment(3, {0x70, 5, 2}));
  ASSERT_TRUE(mouse_->StoreAssignment(1, {0x71, 2, 4}));
  ASSERT_TRUE(mouse_->StoreAssignment(10, {0x20, 0x02, 0x04}));
  EXPECT_FALSE(mouse_->StoreAssignment(11, {0x20, 0, 4}));
  EXPECT_EQ(fw_->countOf(kWriteKeys), 0u);  // storing alone writes nothing

  ResultCode result = ResultCode::NotSent;
  std::vector<int> order;
  mouse_->WriteButtonTable([&](ResultCode r, std::vector<int> o) {
    result = r;
    order = std::move(o);
  });
  EXPECT_EQ(result, ResultCode::Success);
  EXPECT_EQ(order, (std::vector<int>{5, 2}));
  EXPECT_EQ(mouse_->macroOrderList(), order);
  const auto table = fw_->keyTable();
  auto slot = [&](size_t s) { return std::vector<uint8_t>(table.begin() + s * 3, table.begin() + s * 3 + 3); };
  EXPECT_EQ(slot(0), (std::vector<uint8_t>{0x70, 0, 0}));
  EXPECT_EQ(slot(4), (std::vector<uint8_t>{0x70, 0, 2}));  // button 3 (forward) sits in slot 4
  EXPECT_EQ(slot(1), (std::vector<uint8_t>{0x71, 1, 4}));
  EXPECT_EQ(slot(8), (std::vector<uint8_t>{0x20, 0x02, 0x04}));  // the fire key's slot
  EXPECT_EQ(slot(3), (std::vector<uint8_t>{0x10, 0x08, 0x00}));  // back, as read
  EXPECT_EQ(fw_->writesOutsideBracket(), 0);

  // The library lost macros: the document gets the defaults back.
  EXPECT_TRUE(mouse_->CheckMacroReferences(3));
  const auto buttons = reread()->getKeyList();
  EXPECT_EQ(buttons[0].assignment, kMouseButtons[0].defaultCode);
  EXPECT_EQ(buttons[1].assignment, (FunctionCode{0x71, 2, 4}));
  EXPECT_FALSE(mouse_->CheckMacroReferences(3));
}

TEST_F(MouseRig, RemapsInLaterSessionsLandOnTheirOwnSlotsAndLeaveTheRestAlone) {
  // Left gets the right button's function and the right button the left's:
  // the table the mouse reads back then holds both defaults in swapped slots.
  plug(false);
  mouse_->requestConnected();
  const auto factory = fw_->keyTable();
  ASSERT_TRUE(mouse_->StoreAssignment(0, kMouseButtons[1].defaultCode));
  mouse_->WriteButtonTable();
  newSession(false);
  mouse_->requestConnected();
  EXPECT_EQ(mouse_->slotMap(), (SlotMap{0, 1, 2, 4, 3, 6, 7, 5, 9, 10, 8}));
  ASSERT_TRUE(mouse_->StoreAssignment(1, kMouseButtons[0].defaultCode));
  ASSERT_TRUE(mouse_->StoreAssignment(3, {0x20, 0x00, 0x04}));  // forward: key A
  mouse_->WriteButtonTable();

  auto expected = factory;
  const auto put = [&](size_t slot, std::vector<uint8_t> code) {
    std::copy(code.begin(), code.end(), expected.begin() + static_cast<long>(slot * 3));
  };
  put(0, {0x10, 0x02, 0x00});
  put(1, {0x10, 0x01, 0x00});
  put(4, {0x20, 0x00, 0x04});
  EXPECT_EQ(fw_->keyTable(), expected);
}

TEST_F(MouseRig, NothingIsWrittenToTheKeyTableAfterAFailedRead) {
  plug(false);
  fw_->injectFault({sim::FaultKind::StatusFF, kReadKeys, 0, 2});
  mouse_->requestConnected();
  EXPECT_FALSE(mouse_->keyTableRead());
  EXPECT_EQ(mouse_->stageViews()[0].present, true);  // the page shows the document even so

  ResultCode result = ResultCode::Success;
  ASSERT_TRUE(mouse_->StoreAssignment(2, {0x20, 0, 4}));
  mouse_->WriteButtonTable([&](ResultCode r, std::vector<int>) { result = r; });
  EXPECT_EQ(result, ResultCode::StatusFF);
  EXPECT_EQ(fw_->countOf(kWriteKeys), 0u);
  ASSERT_EQ(failures_.size(), 1u);
  EXPECT_EQ(failures_[0].first, MouseController::Write::ButtonTable);

  // Once the read succeeds the table goes out.
  mouse_->WriteButtonTable([&](ResultCode r, std::vector<int>) { result = r; });
  EXPECT_EQ(result, ResultCode::Success);
  EXPECT_EQ(fw_->keyTable()[6], 0x20);
}

TEST_F(MouseRig, ReceiverWithASleepingMouseReadsNothingButLoadsTheDocument) {
  plug(true);
  fw_->setDeviceAwake(false);
  mouse_->requestConnected();
  for (uint8_t c : fw_->commandCodes()) EXPECT_EQ(c, kLink);
  EXPECT_FALSE(mouse_->keyTableRead());
  EXPECT_GE(refreshes_, 1);
  EXPECT_EQ(mouse_->stages().size(), 5u);  // the factory document's stages
  EXPECT_EQ(mouse_->lightFeed().record, doc_.getLightInfo());
  EXPECT_TRUE(mouse_->lightThread().running());

  ASSERT_TRUE(mouse_->setStageIndex(0, 3));
  ASSERT_EQ(failures_.size(), 1u);
  EXPECT_EQ(failures_[0].second, ResultCode::Unreachable);
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u);

  // Awake again: the same write reaches the profile it reads first.
  fw_->setDeviceAwake(true);
  ASSERT_TRUE(mouse_->setStageIndex(0, 4));
  EXPECT_EQ(blockOf(*fw_, 0)[16], 4);
}

TEST_F(MouseRig, ProfileAndStageReportsArePostedToTheUiThread) {
  plug(false);
  mouse_->requestConnected();
  // From here the queue runs on its own thread and completions wait for us.
  std::mutex m;
  std::vector<std::function<void()>> posted;
  ASSERT_TRUE(mouse_->commandQueue().runOnThread([&](std::function<void()> call) {
    std::lock_guard lock(m);
    posted.push_back(std::move(call));
  }));
  ASSERT_TRUE(mouse_->openInput(product_->inputPath(), false));
  ASSERT_TRUE(fw_->sendInputUsage(0x1123));
  auto pump = [&] {
    for (int i = 0; i < 3000; ++i) {
      std::vector<std::function<void()>> calls;
      {
        std::lock_guard lock(m);
        calls.swap(posted);
      }
      for (auto& c : calls) c();
      if (!reports_.empty()) return true;
      std::this_thread::sleep_for(1ms);
    }
    return false;
  };
  // Nothing reached the document before the UI thread ran the posted call.
  EXPECT_EQ(doc_.getActiveStage(), 1);
  ASSERT_TRUE(pump());
  EXPECT_EQ(reports_[0], (std::pair<int, int>{3, 2}));
  EXPECT_EQ(mouse_->currentProfile(), 3);
  EXPECT_EQ((*mouse_->lastBlock())[12], 2);
  EXPECT_EQ(reread()->getActiveStage(), 2);
  mouse_->closeInputs();
}

TEST_F(MouseRig, KeyEventsCountOnlyFromTheCableAndBadNibblesAreIgnored) {
  plug(false);
  mouse_->requestConnected();
  mouse_->inputUsageFrom(kUsageKeyEvent, true);
  EXPECT_EQ(mouse_->keyEvents(), 0u);
  mouse_->inputUsageFrom(kUsageKeyEvent, false);
  EXPECT_EQ(mouse_->keyEvents(), 1u);
  mouse_->inputUsageFrom(0x1164, false);  // stage 6 and profile 4 do not exist
  mouse_->inputUsageFrom(0x1009, false);
  EXPECT_TRUE(reports_.empty());
  mouse_->inputUsageFrom(0x1001, false);  // inline queue: handled at once
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(mouse_->currentProfile(), 1);

  // A profile with three stages: stage 4 is not there to select.
  std::vector<DpiStage> stages = doc_.getStages();
  stages.resize(3);
  doc_.setStages(stages);
  mouse_->inputUsageFrom(0x1142, false);
  EXPECT_EQ(reports_.size(), 1u);
  EXPECT_EQ(mouse_->currentProfile(), 1);
  mouse_->inputUsageFrom(0x1122, false);
  ASSERT_EQ(reports_.size(), 2u);
  EXPECT_EQ(doc_.getActiveStage(), 2);
  EXPECT_EQ(mouse_->currentProfile(), 2);
}

TEST_F(MouseRig, DeviceChangedReadsTheBlockAgainAndFactoryResetWritesTheFactorySettings) {
  plug(false);
  mouse_->requestConnected();
  fw_->setSettings(12, {4});
  fw_->setSettings(1, {2});  // light mode code 2: position 2
  const LightRecord light = doc_.getLightInfo();
  mouse_->requestDeviceChanged();
  EXPECT_EQ(reread()->getActiveStage(), 4);
  EXPECT_EQ(reread()->getLightInfo(), light);  // another program's light never lands in the profile

  ASSERT_TRUE(mouse_->setStageIndex(0, 60));
  ASSERT_TRUE(mouse_->StoreAssignment(0, {0x20, 0, 4}));
  mouse_->WriteButtonTable();
  ASSERT_EQ(fw_->keyTable()[0], 0x20);
  mouse_->reloadDocument();
  CMouseProfiledata factory;
  factory.setWorkingCopy(DeviceElement::fromDocumentFile(fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "mouse.Json"));
  ASSERT_FALSE(factory.getStages().empty());
  EXPECT_EQ(reread()->getStages(), factory.getStages());
  EXPECT_EQ(reread()->getKeyList()[0].assignment, kMouseButtons[0].defaultCode);
  EXPECT_EQ(blockOf(*fw_, 0)[16], reread()->getStages()[0].x);
  EXPECT_EQ(fw_->keyTable()[0], 0x10);
}

TEST_F(MouseRig, TheLightThreadRunsOnceTheMouseIsReadAndKeyEventsStartTheFade) {
  plug(false);
  mouse_->requestConnected();
  ASSERT_TRUE(mouse_->lightThread().running());
  LightRecord fade = doc_.getLightInfo();
  fade.selectItem = 6;  // reactive fade
  fade.multiColor = 0;
  fade.light = 4;
  fade.red = 255;
  fade.green = fade.blue = 0;
  mouse_->changeLightRecord(fade);
  ASSERT_TRUE(mouse_->lightThread().waitUntilAsleep());
  EXPECT_EQ(mouse_->lighting().fadeZone(0).state, MouseLighting::FadeState::Idle);

  mouse_->inputUsageFrom(kUsageKeyEvent, true);  // the receiver's reader does not count
  ASSERT_TRUE(mouse_->lightThread().waitUntilAsleep());
  EXPECT_EQ(mouse_->lighting().fadeZone(0).state, MouseLighting::FadeState::Idle);

  mouse_->inputUsageFrom(kUsageKeyEvent, false);
  ASSERT_TRUE(mouse_->lightThread().waitUntilAsleep());
  EXPECT_NE(mouse_->lighting().fadeZone(0).state, MouseLighting::FadeState::Idle);
  EXPECT_NE(mouse_->zoneColour(0), 0u);

  // In another mode a key event changes nothing.
  LightRecord breathing = fade;
  breathing.selectItem = 2;
  mouse_->changeLightRecord(breathing);
  ASSERT_TRUE(mouse_->lightThread().waitUntilAsleep());
  const auto before = mouse_->lighting().fadeZone(3);
  mouse_->inputUsageFrom(kUsageKeyEvent, false);
  ASSERT_TRUE(mouse_->lightThread().waitUntilAsleep());
  EXPECT_EQ(mouse_->lighting().fadeZone(3).state, before.state);
  EXPECT_EQ(mouse_->lighting().fadeZone(3).level, before.level);
}

TEST_F(MouseRig, DeviceChangedWhileClosedKeepsWhatTheUserChangedSince) {
  plug(false);
  mouse_->requestConnected();
  EXPECT_EQ(doc_.getActiveStage(), 1);
  mouse_->transport().disconnect();
  ASSERT_TRUE(mouse_->selectStage(3));  // the write fails; the document keeps it
  ASSERT_EQ(failures_.size(), 1u);
  const int before = refreshes_;
  mouse_->requestDeviceChanged();
  EXPECT_GT(refreshes_, before);  // the page shows the document again
  EXPECT_EQ(reread()->getActiveStage(), 3);
}

TEST_F(MouseRig, AnAwakeMouseBehindTheReceiverIsAskedForItsLinkOnceAndReadInSmallChunks) {
  plug(true);
  mouse_->requestConnected();
  EXPECT_EQ(fw_->countOf(kLink), 1u);
  EXPECT_EQ(fw_->commandCodes().front(), kLink);
  EXPECT_EQ(fw_->countOf(kReadSettings), 1u + 3u);  // 71 bytes in chunks of 24
  EXPECT_TRUE(mouse_->keyTableRead());
  ASSERT_TRUE(mouse_->setStageColour(2, 0x102030));
  const auto block = blockOf(*fw_, 0);
  EXPECT_EQ((std::vector<uint8_t>(block.begin() + 14 + 18 + 6, block.begin() + 14 + 18 + 9)),
            (std::vector<uint8_t>{0x10, 0x20, 0x30}));
  EXPECT_TRUE(failures_.empty());
}

TEST_F(MouseRig, ASliderDragSendsOnlyItsLastPositionWhileTheDocumentFollowsEveryStep) {
  plug(false);
  mouse_->requestConnected();
  mouse_->commandQueue().runStepped();
  fw_->clearLog();
  for (int index = 10; index <= 14; ++index) ASSERT_TRUE(mouse_->setStageIndex(2, index));
  // Nothing reached the mouse yet; the document already holds the last position.
  EXPECT_TRUE(fw_->commandCodes().empty());
  EXPECT_EQ(reread()->getStages()[2].x, 14);
  EXPECT_EQ(mouse_->commandQueue().waiting(), 1u);
  mouse_->commandQueue().runPending();
  EXPECT_EQ(fw_->countOf(kBegin), 1u);
  EXPECT_EQ(blockOf(*fw_, 0)[14 + 18 + 2], 14);
  EXPECT_EQ(mouse_->commandQueue().superseded(), 4u);
  EXPECT_TRUE(failures_.empty());
}
