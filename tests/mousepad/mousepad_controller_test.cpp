// The mousepad controller against the emulated pad on the virtual bus: what
// the pad received and keeps, and what the light thread is fed.
#include <gtest/gtest.h>

#include <filesystem>

#include "config/basic_profiledata.h"
#include "config/light_effect_library.h"
#include "config/light_mode_list.h"
#include "config/light_sequence.h"
#include "devices/mousepad/mousepad_controller.h"
#include "sim/firmware_mousepad.h"
#include "sim/virtual_bus.h"

using namespace tessel;

namespace {

namespace fs = std::filesystem;
constexpr uint8_t kBegin = 0x01, kEnd = 0x02, kIdentity = 0x03, kReadSettings = 0x05, kWriteSettings = 0x06;

std::vector<uint8_t> blockOf(const sim::CommandFirmware& fw, int p) {
  const auto s = fw.settings();
  return {s.begin() + p * 31, s.begin() + p * 31 + 21};
}

// A model whose positions and codes differ: position i sends code 0x20 + i,
// except position 1, which sends 5.
std::vector<LightModeEntry> shiftedModes() {
  std::vector<LightModeEntry> modes;
  for (uint8_t i = 0; i < 9; ++i) modes.push_back({"m", true, static_cast<uint8_t>(i == 1 ? 5 : 0x20 + i)});
  return modes;
}

class PadRig : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tessel-pad-XXXXXX";
    dir_ = mkdtemp(pattern);
    fw_ = std::make_shared<sim::MousepadFirmware>();
    product_ = bus_.plug("mousepad", fw_);
    pad_ = std::make_unique<MousepadController>(bus_, clock_);
    pad_->setLightZoneCount(15);
    doc_.setDefaultDocumentPath(fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "MousePad.Json");
    doc_.setDocumentPath(dir_ / "profile.Json");
    doc_.setKindIndex(kKindIndexMousePad);
    LightModeList modes;
    ASSERT_TRUE(modes.load(fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "default_light.json"));
    pad_->bindDocument(&doc_);
    pad_->setLightModes(modes.modes(kKindIndexMousePad));
    MousepadController::Listener l;
    l.stateChanged = [this] { ++refreshes_; };
    l.writeFailed = [this](ResultCode r) { failures_.push_back(r); };
    l.profileReported = [this](int p) { reported_.push_back(p); };
    pad_->setListener(l);
    pad_->loadConfiguration();
  }
  void TearDown() override {
    pad_.reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  void open() { ASSERT_TRUE(pad_->transport().connect(product_->commandPath(), 1)); }
  void connect() {
    open();
    pad_->requestConnected();
    pad_->stopLightThread();  // the tests turn the lighting themselves
  }
  LightRecord record(uint8_t item) {
    LightRecord r = doc_.getLightInfo();
    r.selectItem = item;
    return r;
  }

  fs::path dir_;
  sim::VirtualHidBus bus_;
  ManualClock clock_;
  std::shared_ptr<sim::MousepadFirmware> fw_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  CBasicProfiledata doc_;
  std::unique_ptr<MousepadController> pad_;
  int refreshes_ = 0;
  std::vector<ResultCode> failures_;
  std::vector<int> reported_;
};

}  // namespace

TEST_F(PadRig, ConnectedReadsIdentityThenTheCurrentProfilesBlockAndWritesNothing) {
  fw_->setSettings(0, {2});
  connect();
  const auto codes = fw_->commandCodes();
  ASSERT_GE(codes.size(), 5u);
  EXPECT_EQ((std::vector<uint8_t>(codes.begin(), codes.begin() + 3)), (std::vector<uint8_t>{kBegin, kIdentity, kEnd}));
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u);
  // The profile byte, then 31 bytes at 2 x 31.
  std::vector<uint16_t> offsets;
  std::vector<uint8_t> lengths;
  for (const auto& r : fw_->requests())
    if (r.command == kReadSettings) {
      offsets.push_back(r.offset);
      lengths.push_back(r.length);
    }
  EXPECT_EQ(offsets, (std::vector<uint16_t>{0, 62}));
  EXPECT_EQ(lengths, (std::vector<uint8_t>{1, 31}));
  EXPECT_EQ(pad_->currentProfile(), 2);
  EXPECT_EQ(pad_->identityRead()[0], 0x04);  // product id 0x1004, low byte first
  EXPECT_EQ(pad_->identityBlock()[1], 0x10);
  // Block 2's own bytes are in the image; the document's light is on top.
  const LightSettingsBlock b = pad_->settingsBlock();
  EXPECT_EQ(b.image[0], 2);
  EXPECT_EQ(b.image[4], 1);
  EXPECT_EQ(b.image[9], 0x49);
  EXPECT_EQ(b.image[1], doc_.getLightInfo().selectItem);
  EXPECT_GE(refreshes_, 1);
}

TEST_F(PadRig, AWriteGoesBackWhereTheBlockWasReadKeepingByteZeroAndThePadsOwnBytes) {
  fw_->setSettings(0, {2});
  fw_->setSettings(62 + 4, {0x77});
  const auto block0 = blockOf(*fw_, 0);
  const auto before = blockOf(*fw_, 2);
  connect();
  LightRecord r = record(6);
  r.light = 2;
  r.speed = 3;
  r.red = 1;
  r.green = 2;
  r.blue = 3;
  r.multiColor = 0;
  pad_->changeLightRecord(r);
  const auto after = blockOf(*fw_, 2);
  EXPECT_EQ(after[0], before[0]);
  EXPECT_EQ(after[1], 6);  // the factory list's code of position 6
  EXPECT_EQ(after[2], 2);
  EXPECT_EQ(after[3], 1);  // 4 - speed 3
  EXPECT_EQ(after[4], 0x77);
  EXPECT_EQ(after[5], 0);
  EXPECT_EQ((std::vector<uint8_t>(after.begin() + 6, after.begin() + 9)), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ((std::vector<uint8_t>(after.begin() + 9, after.end())),
            (std::vector<uint8_t>(before.begin() + 9, before.end())));
  EXPECT_EQ(blockOf(*fw_, 0), block0);  // profile 0's block and the current profile untouched
  EXPECT_EQ(fw_->settings()[0], 2);
  EXPECT_EQ(fw_->writesOutsideBracket(), 0);
  EXPECT_FALSE(fw_->bracketOpen());
  EXPECT_TRUE(failures_.empty());
  // The document keeps the change.
  CBasicProfiledata reread;
  reread.setDocumentPath(dir_ / "profile.Json");
  reread.loadDeviceElement();
  EXPECT_EQ(reread.getLightInfo(), r);
}

TEST_F(PadRig, TheImageKeepsThePositionWhileTheCodeGoesOut) {
  pad_->setLightModes(shiftedModes());
  connect();
  pad_->changeLightRecord(record(1));
  EXPECT_EQ(blockOf(*fw_, 0)[1], 5);
  EXPECT_EQ(pad_->settingsBlock().image[1], 1);
  EXPECT_EQ(pad_->lighting().modeByte(), 1u);
  // A user sequence sends the code of position 0.
  pad_->changeLightRecord(record(10));
  EXPECT_EQ(blockOf(*fw_, 0)[1], 0x20);
  EXPECT_EQ(pad_->lighting().modeByte(), 10u);
}

TEST_F(PadRig, DeviceChangedReadsTheBlockAndReportsTheProfile) {
  pad_->setLightModes(shiftedModes());
  connect();
  pad_->setSynchronised(true);
  fw_->setSettings(0, {1});
  fw_->setSettings(31 + 1, {0x27, 3, 0});  // position 7, brightness 3, speed 4
  fw_->clearLog();
  pad_->requestDeviceChanged();
  EXPECT_FALSE(pad_->synchronised());
  EXPECT_EQ(reported_, (std::vector<int>{1}));
  const LightSettingsBlock b = pad_->settingsBlock();
  EXPECT_EQ(b.profile, 1);
  EXPECT_EQ(b.image[1], 7);
  EXPECT_EQ(b.image[3], 4);
  EXPECT_EQ(pad_->lighting().modeByte(), 7u);
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u);
}

TEST_F(PadRig, AProfileByteOutOfRangeReadsProfileZero) {
  fw_->setSettings(0, {200});
  connect();
  EXPECT_EQ(pad_->currentProfile(), 0);
  for (const auto& r : fw_->requests()) {
    if (r.command == kReadSettings) {
      EXPECT_EQ(r.offset, 0u);
    }
  }
}

TEST_F(PadRig, NothingIsWrittenBeforeABlockWasReadOrWhileClosed) {
  // Closed: nothing goes out, and the failure is reported.
  pad_->changeLightRecord(record(2));
  EXPECT_EQ(fw_->requests().size(), 0u);
  ASSERT_EQ(failures_.size(), 1u);
  // Opened without connecting: the write reads the block first.
  open();
  fw_->setSettings(0, {3});
  pad_->changeLightRecord(record(4));
  const auto codes = fw_->commandCodes();
  EXPECT_EQ(codes, (std::vector<uint8_t>{kReadSettings, kReadSettings, kBegin, kWriteSettings, kEnd}));
  EXPECT_EQ(fw_->requests()[3].offset, 93);
  EXPECT_EQ(blockOf(*fw_, 3)[9], 0x49);
  // A refused read leaves nothing written.
  pad_->transport().disconnect();
  fw_->clearLog();
  pad_->changeLightRecord(record(1));
  EXPECT_TRUE(fw_->requests().empty());
}

TEST_F(PadRig, FactoryResetWritesTheFactoryLight) {
  connect();
  pad_->changeLightRecord(record(0));
  pad_->reloadDocument();
  EXPECT_EQ(doc_.getLightInfo().selectItem, 3);
  EXPECT_EQ(blockOf(*fw_, 0)[1], 3);
  EXPECT_EQ(pad_->lighting().modeByte(), 3u);
}

TEST_F(PadRig, TheLightTickSendsFifteenZonesAndTheStatusShowsThePhone) {
  connect();
  for (int i = 0; i < 15; ++i) pad_->setZoneColour(i, packZone(static_cast<uint8_t>(i), 0, 255, 255));
  const auto frame = pad_->lightTick();
  ASSERT_EQ(frame.size(), 45u);
  EXPECT_EQ(frame[3 * 14], 13);  // 14 x 255 / 256
  EXPECT_EQ(frame[3 * 14 + 2], 254);
  const auto status = pad_->readStatusBlock();
  ASSERT_TRUE(status);
  EXPECT_EQ((*status)[5], 1);
}

TEST_F(PadRig, UsageSettingsChangedReachesTheHandler) {
  connect();
  std::atomic<int> changed{0};
  pad_->setSettingsChangedHandler([&] { ++changed; });
  ASSERT_TRUE(pad_->openInput(product_->inputPath(), false));
  ASSERT_TRUE(fw_->sendInputUsage(0x401));
  for (int i = 0; i < 5000 && changed.load() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_EQ(changed.load(), 1);
  pad_->closeInputs();
}

TEST_F(PadRig, SelectItemTenPlaysTheFirstUserSequenceOfThePadsLibrary) {
  LightStep step;
  step.mode = 1;  // static
  step.brightness = 4;
  step.speed = 4;
  step.red = 0x42;
  step.time = 10000;
  ASSERT_TRUE(saveLightSequence(dir_, "seq1", {step}));
  LightEffectLibrary library;
  library.setSequences(kKindIndexMousePad, {{"Party", "seq1"}});
  ASSERT_TRUE(library.save(dir_ / "zelto_light.config"));
  doc_.setSequenceFolder(dir_);
  doc_.setLightLibraryPath(dir_ / "zelto_light.config");
  connect();
  pad_->changeLightRecord(record(10));
  // The user sequence sends the code of position 0 and plays on the host.
  EXPECT_EQ(blockOf(*fw_, 0)[1], 0);
  SteadyTime t = clock_.now();
  for (int i = 0; i < 8; ++i) t = pad_->lighting().turn(t);
  EXPECT_EQ(zoneRed(pad_->zoneColour(7)), 0x42);
  EXPECT_EQ(zoneBrightness(pad_->zoneColour(7)), 255);
}
