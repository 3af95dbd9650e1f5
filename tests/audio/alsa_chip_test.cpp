#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "audio/alsa_audio_chip.h"
#include "audio/audio_chip_binding.h"
#include "audio/mixer_description.h"

namespace tessel::audio {
namespace {

std::string readData(const std::string& name) {
  std::ifstream in(std::string(TESSEL_AUDIO_DATA) + "/" + name);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The recorded mixer, reachable from the test while the chip owns its backend.
class SharedMixer : public MixerBackend {
 public:
  explicit SharedMixer(std::shared_ptr<RecordedMixer> m) : m_(std::move(m)) {}
  std::vector<MixerControl> controls() override { return m_->controls(); }
  bool setSwitch(std::string_view c, Stream s, bool on) override { return m_->setSwitch(c, s, on); }
  bool setVolume(std::string_view c, Stream s, long v) override { return m_->setVolume(c, s, v); }

 private:
  std::shared_ptr<RecordedMixer> m_;
};

struct AlsaFixture : ::testing::Test {
  std::shared_ptr<RecordedMixer> mixer =
      std::make_shared<RecordedMixer>(parseMixerDescription(readData("usb_headset_scontents.txt")));
  std::shared_ptr<AlsaAudioChip> chip = std::make_shared<AlsaAudioChip>(
      [m = mixer]() -> std::unique_ptr<MixerBackend> { return std::make_unique<SharedMixer>(m); });
  AudioChipBinding binding{chip};
};

TEST(MixerDescription, ParsesTheRecordedHeadsetCard) {
  const auto controls = parseMixerDescription(readData("usb_headset_scontents.txt"));
  ASSERT_EQ(controls.size(), 3u);
  const MixerControl& mic = controls[1];
  EXPECT_EQ(mic.name, "Mic");
  EXPECT_EQ(mic.playback, (StreamState{true, true, 0, 127, 96, false}));
  EXPECT_EQ(mic.capture, (StreamState{true, true, 0, 16, 13, true}));
  EXPECT_EQ(controls[0].playback, (StreamState{true, true, 0, 151, 120, true}));
  EXPECT_EQ(controls[2].playback, (StreamState{false, true, 0, 0, 0, true}));
  const auto capture = parseMixerDescription(readData("speaker_only_scontents.txt"));
  ASSERT_EQ(capture.size(), 2u);
  EXPECT_EQ(capture[1].capture, (StreamState{true, true, 0, 35, 35, false}));
  EXPECT_EQ(capture[1].playback, StreamState{});
}

TEST(MixerDescription, ClampsValuesAndSkipsBrokenLines) {
  const auto controls = parseMixerDescription(
      "Simple mixer control 'Mic\n"
      "Simple mixer control 'Mic',1\n"
      "  Capabilities: cvolume\n"
      "  Limits: Capture 5 - 2\n"
      "Simple mixer control 'Gain',0\n"
      "  Capabilities: cvolume\n"
      "  Limits: Capture 0 - 10\n"
      "  Mono: Capture 99 [x]\n");
  ASSERT_EQ(controls.size(), 2u);
  EXPECT_EQ(controls[0].index, 1);
  EXPECT_FALSE(controls[0].capture.hasVolume);  // limits upside down
  EXPECT_EQ(controls[1].capture.volume, 10);
}

TEST_F(AlsaFixture, MicrophoneMapsToCaptureAndMonitorToMicPlayback) {
  ASSERT_TRUE(binding.start().empty());
  int32_t muted = -1;
  double level = -1;
  ASSERT_EQ(binding.readInt(End::Recording, prop::kMute, Parameter::none(), muted), 0);
  EXPECT_EQ(muted, 0);  // capture switch on
  ASSERT_EQ(binding.readReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), level), 0);
  EXPECT_NEAR(level, 13.0 / 16.0, 1e-6);
  ASSERT_EQ(binding.readInt(End::Recording, prop::kAAMute, Parameter::none(), muted), 0);
  EXPECT_EQ(muted, 1);  // side-tone switch off
  ASSERT_EQ(binding.readReal(End::Recording, prop::kAAMaxVol, Parameter::none(), level), 0);

  ASSERT_EQ(binding.writeInt(End::Recording, prop::kMute, Parameter::none(), 1), 0);
  EXPECT_FALSE(mixer->find("Mic")->capture.on);
  ASSERT_EQ(binding.writeReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), 0.5f), 0);
  EXPECT_EQ(mixer->find("Mic")->capture.volume, 8);
  ASSERT_EQ(binding.writeInt(End::Recording, prop::kAAMute, Parameter::none(), 0), 0);
  EXPECT_TRUE(mixer->find("Mic")->playback.on);
  ASSERT_EQ(binding.writeReal(End::Recording, prop::kAAVolumeScalar, Parameter::onChannel(0), 1.0f), 0);
  EXPECT_EQ(mixer->find("Mic")->playback.volume, 127);
  // The speaker's own volume is not the microphone's.
  EXPECT_EQ(mixer->find("Speaker")->playback.volume, 120);
}

TEST_F(AlsaFixture, ChangesMadeInAnotherMixerAreReadAgain) {
  binding.start();
  mixer->find("Mic")->capture.volume = 4;
  double level = 0;
  ASSERT_EQ(binding.readReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), level), 0);
  EXPECT_NEAR(level, 0.25, 1e-6);
}

TEST_F(AlsaFixture, EqualiserVoiceAndEffectsFailAndSayWhy) {
  ASSERT_TRUE(binding.start().empty());  // the feature string has its seven fields
  EXPECT_FALSE(binding.voiceChangerOffered());
  EXPECT_NE(binding.writeInt(End::Playback, prop::kEqEnable, Parameter::none(), 1), 0);
  EXPECT_NE(binding.writeInt(End::Playback, "EQ_Slider1", Parameter::none(), 3), 0);
  EXPECT_NE(binding.writeInt(End::Recording, prop::kMagicVoiceSelection, Parameter::none(), 1), 0);
  EXPECT_NE(binding.writeInt(End::Recording, prop::kMicEcho, Parameter::none(), 0), 0);
  EXPECT_NE(binding.writeInt(End::Playback, prop::kSurround, Parameter::surroundBlock(), 0), 0);
  EXPECT_NE(binding.unavailableReason(AudioGroup::Equaliser).find("equaliser"), std::string::npos);
  EXPECT_NE(binding.unavailableReason(AudioGroup::VoiceChanger).find("voice changer"), std::string::npos);
  EXPECT_EQ(binding.unavailableReason(AudioGroup::Microphone), "");
  EXPECT_EQ(binding.unavailableReason(AudioGroup::Monitor), "");
  // Out-of-range values are refused, not clamped into the mixer.
  EXPECT_NE(binding.writeReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), 2.0f), 0);
  EXPECT_NE(binding.writeInt(End::Recording, prop::kMute, Parameter::none(), 7), 0);
}

TEST(AlsaChip, CardWithoutSideToneHasNoMonitor) {
  auto mixer = std::make_shared<RecordedMixer>(parseMixerDescription(readData("speaker_only_scontents.txt")));
  auto chip = std::make_shared<AlsaAudioChip>(
      [mixer]() -> std::unique_ptr<MixerBackend> { return std::make_unique<SharedMixer>(mixer); });
  AudioChipBinding binding(chip);
  binding.start();
  double v = 0;
  EXPECT_NE(binding.readReal(End::Recording, prop::kAAMaxVol, Parameter::none(), v), 0);
  EXPECT_NE(binding.unavailableReason(AudioGroup::Monitor), "");
  // The only capture control stands in for the microphone.
  ASSERT_EQ(binding.writeInt(End::Recording, prop::kMute, Parameter::none(), 0), 0);
  EXPECT_TRUE(mixer->find("Headset Capture")->capture.on);
}

TEST(AlsaChip, WithoutTheCardEveryCallFails) {
  auto chip = std::make_shared<AlsaAudioChip>([]() -> std::unique_ptr<MixerBackend> { return nullptr; });
  AudioChipBinding binding(chip);
  EXPECT_TRUE(binding.start().empty());
  EXPECT_NE(binding.writeInt(End::Recording, prop::kMute, Parameter::none(), 1), 0);
  const Endpoint guessed{0x200, 2, 0, 1};
  char buffer[8];
  EXPECT_NE(chip->readProperty(guessed, prop::kMute, Parameter::none(), buffer, sizeof buffer), 0);
  for (AudioGroup g : kAudioGroups) EXPECT_NE(binding.unavailableReason(g).find("0C76:1630"), std::string::npos);
}

TEST(AlsaChip, FindsTheCardByItsUsbIds) {
  char pattern[] = "/tmp/tessel-asound-XXXXXX";
  const std::filesystem::path root = mkdtemp(pattern);
  auto card = [&](const std::string& name, const std::string& usbid) {
    std::filesystem::create_directories(root / name);
    if (!usbid.empty()) std::ofstream(root / name / "usbid") << usbid;
  };
  card("card0", "");
  card("card1", "046d:0a44\n");
  card("card3", "0C76:1630\n");
  card("card12", "0c76:1630\n");
  card("cards", "0c76:1630\n");
  EXPECT_EQ(findCardByUsbId(root, "0c76:1630"), 3);
  EXPECT_FALSE(findCardByUsbId(root, "1234:5678"));
  EXPECT_FALSE(findCardByUsbId(root / "missing", "0c76:1630"));
  std::filesystem::remove_all(root);
}

}  // namespace
}  // namespace tessel::audio
