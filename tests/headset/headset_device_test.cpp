// The headset controller against the emulated headset on the virtual bus:
// its settings block (read, refreshed, written back where it was read) and
// the LED frames that reach the headset; the audio side following the
// headset's sound card.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "audio/alsa_audio_chip.h"
#include "audio/sound_card_events.h"
#include "devices/headset/headset_audio.h"

#include "config/hs6533_profiledata.h"
#include "config/light_mode_list.h"
#include "devices/headset/headset_device.h"
#include "sim/firmware_headset.h"
#include "sim/virtual_bus.h"

using namespace tessel;
using namespace tessel::headset;
using namespace std::chrono_literals;

namespace {

namespace fs = std::filesystem;
constexpr uint8_t kBegin = 0x01, kEnd = 0x02, kReadSettings = 0x05, kWriteSettings = 0x06;

std::vector<uint8_t> blockOf(const sim::CommandFirmware& fw, int p) {
  const auto s = fw.settings();
  return {s.begin() + p * 31, s.begin() + p * 31 + 21};
}

LightRecord record(uint8_t selectItem, uint8_t light, uint8_t speed, Rgb c, bool multi = false, bool fx = false) {
  LightRecord r;
  r.selectItem = selectItem;
  r.light = light;
  r.speed = speed;
  r.fx = fx ? 1 : 0;
  r.multiColor = multi ? 1 : 0;
  r.red = c.r;
  r.green = c.g;
  r.blue = c.b;
  return r;
}

class HeadsetRig : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tessel-headset-XXXXXX";
    dir_ = mkdtemp(pattern);
    fw_ = std::make_shared<sim::HeadsetFirmware>();
    product_ = bus_.plug("headset", fw_);
    device_ = std::make_unique<HeadsetDevice>(bus_, clock_);
    doc_.setDefaultDocumentPath(fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "HD.Json");
    doc_.setDocumentPath(dir_ / "profile.Json");
    LightModeList modes;
    ASSERT_TRUE(modes.load(fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "default_light.json"));
    device_->bindDocument(&doc_);
    device_->setLightModes(modes.modes(kKindIndexHeadset));
    HeadsetDevice::Listener l;
    l.stateChanged = [this] { ++shown_; };
    l.settingsBlockRead = [this](int p) { blockReads_.push_back(p); };
    l.writeFailed = [this](ResultCode r) { failures_.push_back(r); };
    device_->setListener(l);
    device_->loadConfiguration();
  }
  void TearDown() override {
    device_.reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  void connect() { ASSERT_TRUE(device_->transport().connect(product_->commandPath(), std::nullopt)); }

  // The LED frame the light thread's current picture gives, as the headset decoded it.
  std::optional<sim::HeadsetLedFrame> frameAtHeadset() {
    EXPECT_TRUE(device_->lightThread().waitUntilAsleep());
    device_->lightTick();
    EXPECT_TRUE(device_->waitLedIdle(5000ms));
    return fw_->ledFrame();
  }

  fs::path dir_;
  sim::VirtualHidBus bus_;
  ManualClock clock_;
  std::shared_ptr<sim::HeadsetFirmware> fw_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  CHs6533Profiledata doc_;
  std::unique_ptr<HeadsetDevice> device_;
  int shown_ = 0;
  std::vector<int> blockReads_;
  std::vector<ResultCode> failures_;
};

}  // namespace

TEST_F(HeadsetRig, ConnectedReadsTheCurrentProfilesBlockShowsTheDocumentAndStartsTheLight) {
  connect();
  fw_->setSettings(0, {2});
  fw_->setSettings(2 * 31 + 1, {4, 1, 3, 0x77, 1, 9, 8, 7});
  device_->requestConnected();
  // The profile byte, then 31 bytes at 62 in chunks of 24 (the headset's transport has no faster setting).
  EXPECT_EQ(fw_->countOf(kReadSettings), 3u);
  EXPECT_EQ(fw_->requests()[1].offset, 62);
  EXPECT_EQ(fw_->requests()[1].length, 24);
  EXPECT_EQ(fw_->requests()[2].offset, 86);
  EXPECT_EQ(fw_->requests()[2].length, 7);
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u);  // connecting writes nothing
  const LightSettingsBlock block = device_->settingsBlock();
  EXPECT_TRUE(block.read);
  EXPECT_EQ(block.profile, 2);
  EXPECT_EQ(block.image[0], 2);
  EXPECT_EQ(block.image[4], 0x77);  // the headset's own byte, as read
  // The document's light was copied over the block's light bytes.
  const LightRecord doc = doc_.getLightInfo();
  EXPECT_EQ(block.image[1], doc.selectItem);
  EXPECT_EQ(block.image[3], doc.speed);
  EXPECT_EQ(block.image[6], doc.red);
  EXPECT_GE(shown_, 1);
  EXPECT_TRUE(device_->lightThread().running());
  EXPECT_EQ(device_->lighting().modeByte(), doc.selectItem);
}

TEST_F(HeadsetRig, ALightChangeGoesBackWhereItWasReadKeepingByteZeroAndTheHeadsetsBytes) {
  connect();
  fw_->setSettings(0, {1});
  fw_->setSettings(31, {0x3C});  // what profile 1's block keeps in its first byte
  const std::vector<uint8_t> profile0 = blockOf(*fw_, 0);
  const std::vector<uint8_t> before = blockOf(*fw_, 1);
  device_->requestConnected();
  device_->changeLightRecord(record(4, 2, 1, {10, 20, 30}, true));
  const std::vector<uint8_t> after = blockOf(*fw_, 1);
  EXPECT_EQ(fw_->settings()[0], 1);  // still on profile 1
  EXPECT_EQ(after[0], 0x3C);
  EXPECT_EQ(after[1], 4);            // flashing: code 4 at position 4
  EXPECT_EQ(after[2], 2);
  EXPECT_EQ(after[3], 3);            // 4 - speed
  EXPECT_EQ(after[4], before[4]);
  EXPECT_EQ(after[5], 1);
  EXPECT_EQ((std::vector<uint8_t>{after[6], after[7], after[8]}), (std::vector<uint8_t>{10, 20, 30}));
  EXPECT_EQ(std::vector<uint8_t>(after.begin() + 9, after.end()), std::vector<uint8_t>(before.begin() + 9, before.end()));
  EXPECT_EQ(blockOf(*fw_, 0), profile0);
  EXPECT_EQ(fw_->writesOutsideBracket(), 0);
  EXPECT_FALSE(fw_->bracketOpen());
  EXPECT_TRUE(failures_.empty());
  // The document kept the change.
  CHs6533Profiledata again;
  again.setDocumentPath(dir_ / "profile.Json");
  again.loadDeviceElement();
  EXPECT_EQ(again.getLightInfo().selectItem, 4);
}

TEST_F(HeadsetRig, TheImageKeepsThePositionWhileTheHeadsetGetsTheCode) {
  // A mode list whose position 2 is code 3 (and position 0 code 9).
  std::vector<LightModeEntry> modes;
  const uint8_t codes[9] = {9, 1, 3, 2, 4, 5, 6, 7, 8};
  for (uint8_t c : codes) modes.push_back({"m", true, c});
  device_->setLightModes(modes);
  connect();
  device_->requestConnected();
  device_->changeLightRecord(record(2, 4, 2, {1, 2, 3}));
  EXPECT_EQ(blockOf(*fw_, 0)[1], 3);
  EXPECT_EQ(device_->settingsBlock().image[1], 2);
  EXPECT_EQ(device_->lighting().modeByte(), 2);  // the page still plays breathing
  // A user sequence sends position 0's code.
  device_->changeLightRecord(record(9, 4, 2, {1, 2, 3}));
  EXPECT_EQ(blockOf(*fw_, 0)[1], 9);
  EXPECT_EQ(device_->settingsBlock().image[1], 9);
  // Reading the block turns the code back into its position.
  fw_->setSettings(1, {3});
  const int shownBefore = shown_;
  device_->requestDeviceChanged();
  EXPECT_GT(shown_, shownBefore);  // the page shows itself again
  EXPECT_EQ(device_->settingsBlock().image[1], 2);
  EXPECT_EQ(device_->lighting().modeByte(), 2);
  EXPECT_EQ(blockReads_, std::vector<int>{0});
}

TEST_F(HeadsetRig, NothingIsWrittenBeforeABlockWasReadAndAClosedHeadsetReadsAsZeros) {
  // Closed: the write fails, the read zeroes the image's bytes 1..20.
  device_->changeLightRecord(record(3, 4, 0, {50, 60, 70}));
  ASSERT_EQ(failures_.size(), 1u);
  EXPECT_EQ(failures_[0], ResultCode::NotSent);
  device_->requestDeviceChanged();
  const LightSettingsBlock closed = device_->settingsBlock();
  EXPECT_FALSE(closed.read);
  for (size_t i = 1; i < kLightBlockSize; ++i) EXPECT_EQ(closed.image[i], 0) << i;
  EXPECT_TRUE(blockReads_.empty());

  // Open but never read: the write reads the block first.
  connect();
  fw_->setSettings(0, {3});
  device_->changeLightRecord(record(3, 4, 0, {50, 60, 70}));
  const auto requests = fw_->requests();
  std::vector<uint8_t> commands;
  for (const auto& r : requests) commands.push_back(r.command);
  EXPECT_EQ(commands, (std::vector<uint8_t>{kReadSettings, kReadSettings, kReadSettings, kBegin, kWriteSettings, kEnd}));
  ASSERT_EQ(requests.size(), 6u);
  EXPECT_EQ(requests[1].offset, 3 * 31);
  EXPECT_EQ(requests[4].offset, 3 * 31);
  EXPECT_EQ(requests[4].length, 21);
  EXPECT_EQ(blockOf(*fw_, 3)[1], 3);
  EXPECT_EQ(blockOf(*fw_, 3)[3], 4);  // speed 0 stored as 4
  // The light written is the one asked for, not the one the read found.
  EXPECT_EQ(blockOf(*fw_, 3)[2], 4);
  EXPECT_EQ((std::vector<uint8_t>{blockOf(*fw_, 3)[6], blockOf(*fw_, 3)[7], blockOf(*fw_, 3)[8]}),
            (std::vector<uint8_t>{50, 60, 70}));
  EXPECT_EQ(device_->lighting().modeByte(), 3);
}

TEST_F(HeadsetRig, ACurrentProfileByteOutsideTheMemoryReadsAsProfileZero) {
  connect();
  fw_->setSettings(0, {200});
  device_->requestConnected();
  EXPECT_EQ(device_->settingsBlock().profile, 0);
  EXPECT_EQ(fw_->requests()[1].offset, 0);
}

TEST_F(HeadsetRig, TheLedFrameReachesTheHeadsetCappedAndAStillFrameIsNotResentEveryTick) {
  connect();
  doc_.setLightInfo(record(3, 4, 0, {255, 128, 0}));  // static, full brightness
  doc_.setLightList({});
  doc_.save();
  device_->requestConnected();
  const auto frame = frameAtHeadset();
  ASSERT_TRUE(frame);
  for (size_t i = 0; i < kZoneCount; ++i) {
    EXPECT_EQ(frame->red[i], 247) << i;
    EXPECT_EQ(frame->green[i], 127) << i;
    EXPECT_EQ(frame->blue[i], 0) << i;
  }
  EXPECT_EQ(fw_->ledFrameCount(), 1u);
  EXPECT_EQ(fw_->strayLedReports(), 0u);
  EXPECT_EQ(fw_->outputReportCount(), 12u);

  // The same picture again and again: it arrived whole, so nothing more goes
  // out until the ten-second refresh.
  for (int i = 0; i < 10; ++i) {
    clock_.advance(5ms);
    device_->lightTick();
  }
  ASSERT_TRUE(device_->waitLedIdle(5000ms));
  EXPECT_EQ(device_->ledFramesSubmitted(), 1u);
  EXPECT_EQ(device_->stillFramePause(), StillFrameGate::kRefresh);
  clock_.advance(StillFrameGate::kRetry);
  device_->lightTick();
  EXPECT_EQ(device_->ledFramesSubmitted(), 1u);
  clock_.advance(StillFrameGate::kRefresh);
  device_->lightTick();
  ASSERT_TRUE(device_->waitLedIdle(5000ms));
  EXPECT_EQ(device_->ledFramesSubmitted(), 2u);
  EXPECT_EQ(fw_->ledFrameCount(), 2u);

  // A new colour goes out at the next tick.
  device_->changeLightRecord(record(3, 2, 0, {0, 0, 200}));
  const auto blue = frameAtHeadset();
  ASSERT_TRUE(blue);
  EXPECT_EQ(blue->blue[12], 200 * 135 / 256);
  EXPECT_EQ(blue->red[0], 0);
}

TEST_F(HeadsetRig, LightControlOffSendsNothingAndAClosedHeadsetOnlyShowsThePage) {
  connect();
  device_->requestConnected();
  ASSERT_TRUE(device_->lightThread().waitUntilAsleep());
  device_->setLightControlOn(false);
  EXPECT_TRUE(device_->lightTick().empty());
  device_->setLightControlOn(true);
  device_->transport().disconnect();
  EXPECT_EQ(device_->lightTick().size(), 3 * kZoneCount);  // the page still gets its picture
  ASSERT_TRUE(device_->waitLedIdle(5000ms));
  EXPECT_EQ(device_->ledFramesSubmitted(), 0u);
  EXPECT_EQ(fw_->outputReportCount(), 0u);
}

TEST_F(HeadsetRig, AProfileSwitchLoadsTheOtherDocumentAndWritesItsLight) {
  connect();
  device_->requestConnected();
  CHs6533Profiledata other;
  other.setDefaultDocumentPath(fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "HD.Json");
  other.setDocumentPath(dir_ / "other.Json");
  other.loadDeviceElement();
  other.setLightInfo(record(8, 1, 4, {7, 7, 7}));
  ASSERT_TRUE(other.save());
  device_->bindDocument(&other);
  const int shownBefore = shown_;
  device_->profileSwitched();
  EXPECT_GT(shown_, shownBefore);
  EXPECT_EQ(blockOf(*fw_, 0)[1], 8);
  EXPECT_EQ(blockOf(*fw_, 0)[3], 0);  // speed 4 stored as 0
  EXPECT_EQ(device_->lighting().modeByte(), 8);
  device_->bindDocument(&doc_);
}

// The sound card arrives after the headset's HID node, goes, and comes back:
// the controller binds the chip again each time, without a restart.
TEST_F(HeadsetRig, TheAudioSideFollowsTheSoundCardComingAfterTheHidNodeAndGoing) {
  std::ifstream in(fs::path(TESSEL_SOURCE_DIR) / "tests" / "audio" / "data" / "usb_headset_scontents.txt");
  std::stringstream recorded;
  recorded << in.rdbuf();
  bool cardPresent = false;
  auto chip = std::make_shared<audio::AlsaAudioChip>([&]() -> std::unique_ptr<audio::MixerBackend> {
    if (!cardPresent) return nullptr;
    return std::make_unique<audio::RecordedMixer>(audio::parseMixerDescription(recorded.str()));
  });
  audio::AudioChipBinding binding(chip);
  HeadsetAudio audio(doc_, binding);
  audio::SoundCardEvents cards;
  device_->followSoundCards(&cards, [&] { audio.startBinding(); });
  audio.startBinding();
  audio.loadFromDocument();
  connect();
  device_->requestConnected();
  EXPECT_NE(audio.unavailableReason(audio::AudioGroup::Microphone), "");

  for (int round = 0; round < 2; ++round) {
    const int shown = shown_;
    cardPresent = true;
    cards.announce(true);
    EXPECT_EQ(audio.unavailableReason(audio::AudioGroup::Microphone), "") << round;
    EXPECT_EQ(audio.unavailableReason(audio::AudioGroup::Monitor), "");
    EXPECT_EQ(audio.microphoneSlider(), 81);  // the card's capture level 13 of 16, read on binding
    EXPECT_GT(shown_, shown);                 // the page shows it
    EXPECT_TRUE(audio.setMicrophoneLevel(50));
    cardPresent = false;
    cards.announce(false);
    EXPECT_NE(audio.unavailableReason(audio::AudioGroup::Microphone), "") << round;
    EXPECT_FALSE(audio.setMicrophoneLevel(60));
  }
  // A controller that went hears nothing more.
  device_.reset();
  cards.announce(true);
}
