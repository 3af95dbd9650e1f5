#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "audio/audio_chip_binding.h"
#include "audio/emulated_audio_chip.h"

namespace tessel::audio {
namespace {

using Op = EmulatedAudioChip::Call::Op;

struct Fixture : ::testing::Test {
  std::shared_ptr<EmulatedAudioChip> chip = std::make_shared<EmulatedAudioChip>();
  AudioChipBinding binding{chip};
};

TEST(FeatureString, KeepsFieldsZeroFourAndSix) {
  const auto f = parseFeatureString("131073,1,2,3,44,5,66");
  ASSERT_TRUE(f);
  EXPECT_EQ(*f, (FeatureFields{131073, 44, 66}));
  EXPECT_FALSE(parseFeatureString("1,2,3,4,5,6"));
  EXPECT_FALSE(parseFeatureString(""));
  // Empty or foreign fields read as 0; fields past seven are allowed.
  EXPECT_EQ(*parseFeatureString(",,,,x,,7,8,9"), (FeatureFields{0, 0, 7}));
}

TEST(DecimalText, RejectsWhatIsNotADecimalNumber) {
  EXPECT_EQ(parseDecimalInt(" 42 "), 42);
  EXPECT_EQ(parseDecimalInt("-1"), -1);
  EXPECT_FALSE(parseDecimalInt("4x"));
  EXPECT_FALSE(parseDecimalInt("99999999999"));
  EXPECT_FALSE(parseDecimalInt(""));
  EXPECT_DOUBLE_EQ(*parseDecimalReal("0.55"), 0.55);
  EXPECT_FALSE(parseDecimalReal("nan"));
  EXPECT_FALSE(parseDecimalReal("1e999"));
  EXPECT_FALSE(parseDecimalReal("0x1p3"));
}

TEST_F(Fixture, PlaybackKindOneIsChosenEvenWhenListedSecond) {
  chip->setEndpoints(Direction::Playback, {{0x10, 4, 7, 1}, {0x11, 1, 8, 1}});
  chip->setProperty(Direction::Playback, prop::kSupportFeature, "0,0,0,0,0,0,0");
  binding.start();
  EXPECT_EQ(binding.endpoint(End::Playback), (Endpoint{0x11, 1, 8, 1}));
  // The record is passed back unchanged in the property calls.
  ASSERT_EQ(binding.writeInt(End::Playback, prop::kEqEnable, Parameter::none(), 1), 0);
  EXPECT_EQ(chip->property(Direction::Playback, prop::kEqEnable), "1");
}

TEST_F(Fixture, DisabledKindOneIsSkippedForKindTwelve) {
  chip->setEndpoints(Direction::Playback, {{0x10, 1, 0, 0}, {0x11, 12, 0, 1}, {0x12, 7, 0, 1}});
  binding.start();
  EXPECT_EQ(binding.endpoint(End::Playback).identifier, 0x11u);
  chip->setEndpoints(Direction::Playback, {{0x10, 4, 0, 1}, {0x11, 7, 0, 1}});
  binding.start();
  EXPECT_EQ(binding.endpoint(End::Playback).identifier, 0x11u);
  chip->setEndpoints(Direction::Playback, {{0x10, 3, 0, 1}, {0x11, 1, 0, 2}});
  binding.start();
  EXPECT_FALSE(binding.endpoint(End::Playback).found());
}

TEST_F(Fixture, RecordingEndpointIsTheFirstOfKindTwoWhateverItsState) {
  chip->setEndpoints(Direction::Recording, {{0x20, 3, 0, 1}, {0x21, 2, 0, 0}, {0x22, 2, 0, 1}});
  binding.start();
  EXPECT_EQ(binding.endpoint(End::Recording).identifier, 0x21u);
}

TEST_F(Fixture, MicLevelIsWrittenAsSinglePrecisionOnChannelMinusOne) {
  binding.start();
  chip->clearCalls();
  ASSERT_EQ(binding.writeReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), 55 / 100.0f), 0);
  const auto writes = chip->writesOf(prop::kVolumeScalar);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].parameter, Parameter::onChannel(-1));
  const float expected = 0.55f;
  EXPECT_EQ(std::memcmp(writes[0].value.bytes.data(), &expected, 4), 0);
  EXPECT_EQ(writes[0].direction, Direction::Recording);
}

TEST_F(Fixture, VoiceChangerNeverReadsAsOnWithoutFeatureBit17) {
  chip->setFeatureString(Direction::Recording, "65536,0,0,0,0,0,0");
  chip->setProperty(Direction::Recording, prop::kMagicVoice, "1");
  binding.start();
  EXPECT_FALSE(binding.voiceChangerOffered());
  int32_t on = 0;
  EXPECT_NE(binding.readInt(End::Recording, prop::kMagicVoice, Parameter::none(), on), 0);
  EXPECT_EQ(on, 0);
  EXPECT_NE(binding.unavailableReason(AudioGroup::VoiceChanger), "");
  // With the bit the same property reads. (The first start-up wrote its
  // default over it, since the read counted as failed.)
  EXPECT_EQ(chip->property(Direction::Recording, prop::kMagicVoice), "0");
  chip->setProperty(Direction::Recording, prop::kMagicVoice, "1");
  chip->setFeatureString(Direction::Recording, "131072,0,0,0,0,0,0");
  binding.start();
  EXPECT_EQ(binding.readInt(End::Recording, prop::kMagicVoice, Parameter::none(), on), 0);
  EXPECT_EQ(on, 1);
}

TEST_F(Fixture, StartUpProblemsAreReturnedAndStartUpGoesOn) {
  chip->setInitResult(5);
  chip->setFeatureString(Direction::Playback, "1,2,3");
  const auto problems = binding.start();
  ASSERT_EQ(problems.size(), 2u);
  EXPECT_EQ(problems[0], "ConfLibInit called failed!");
  EXPECT_EQ(problems[1], "UpdateAPOAvailable failed!");
  // Recording features were read before the playback ones failed; both endpoints work.
  EXPECT_TRUE(binding.voiceChangerOffered());
  EXPECT_EQ(binding.features(End::Playback), FeatureFields{});
  EXPECT_EQ(binding.writeInt(End::Playback, prop::kEqEnable, Parameter::none(), 1), 0);
}

TEST_F(Fixture, DefaultsAreWrittenOnlyWhereTheReadFails) {
  chip->removeProperty(Direction::Playback, "EQ_Slider3");
  chip->removeProperty(Direction::Recording, prop::kEncLfx);
  chip->setProperty(Direction::Recording, prop::kVolumeScalar, "0.4");
  binding.start();
  std::vector<std::string> written;
  for (const auto& c : chip->calls())
    if (c.op == Op::Write) written.push_back(c.name);
  // A missing property cannot take the default either; both were tried, nothing else.
  EXPECT_EQ(written, (std::vector<std::string>{"Enable_ENC_LFX", "EQ_Slider3"}));
  for (const auto& c : chip->calls()) {
    if (c.name == "Enable_ENC_LFX" && c.op == Op::Read) {
      EXPECT_EQ(c.parameter, Parameter::onChannel(0));
    }
    if (c.name == "Enable_ENC_LFX" && c.op == Op::Write) {
      EXPECT_EQ(c.parameter, Parameter::none());
    }
    if (c.name == "VirtualSurroundEffectControl") {
      EXPECT_EQ(c.parameter, Parameter::surroundBlock());
    }
  }
  EXPECT_EQ(chip->property(Direction::Recording, prop::kVolumeScalar), "0.4");
}

TEST_F(Fixture, NoPlaybackEndpointMeansNoCallReachesTheChip) {
  chip->setEndpoints(Direction::Playback, {});
  binding.start();
  chip->clearCalls();
  int32_t v = 7;
  EXPECT_NE(binding.readInt(End::Recording, prop::kMute, Parameter::none(), v), 0);
  EXPECT_NE(binding.writeInt(End::Recording, prop::kMute, Parameter::none(), 1), 0);
  EXPECT_EQ(v, 7);
  EXPECT_TRUE(chip->calls().empty());
  EXPECT_NE(binding.unavailableReason(AudioGroup::Microphone), "");
}

TEST_F(Fixture, DefaultsGoOnlyToEndpointsThatWereFound) {
  chip->setEndpoints(Direction::Recording, {{0x20, 5, 0, 1}});
  binding.start();
  for (const auto& c : chip->calls()) EXPECT_EQ(c.direction, Direction::Playback) << c.name;
  EXPECT_EQ(binding.unavailableReason(AudioGroup::Equaliser), "");
  EXPECT_NE(binding.unavailableReason(AudioGroup::Microphone), "");
}

TEST(Binding, WithoutALibraryNothingIsCalledAndEverythingFails) {
  AudioChipBinding binding;
  EXPECT_TRUE(binding.start().empty());
  int32_t v = 3;
  EXPECT_NE(binding.readInt(End::Recording, prop::kMute, Parameter::none(), v), 0);
  EXPECT_NE(binding.writeReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), 0.5f), 0);
  EXPECT_EQ(v, 3);
  for (AudioGroup g : kAudioGroups) EXPECT_NE(binding.unavailableReason(g), "");
}

// A chip that fills the whole buffer with no terminator.
class RunawayChip : public EmulatedAudioChip {
 public:
  int readProperty(const Endpoint& e, std::string_view name, const Parameter& p, char* buffer,
                   std::size_t size) override {
    const int r = EmulatedAudioChip::readProperty(e, name, p, buffer, size);
    if (name == prop::kMute) {
      std::memset(buffer, '1', size);
      return 0;
    }
    return r;
  }
};

TEST(Binding, TextIsReadWithinTheBufferEvenWithoutTerminator) {
  auto chip = std::make_shared<RunawayChip>();
  AudioChipBinding binding(chip);
  binding.start();
  std::string text;
  ASSERT_EQ(binding.readText(End::Recording, prop::kMute, Parameter::none(), text), 0);
  EXPECT_EQ(text.size(), kPropertyBufferSize - 1);
  int32_t v = 0;
  EXPECT_NE(binding.readInt(End::Recording, prop::kMute, Parameter::none(), v), 0);  // too long for a number
}

TEST(Binding, PagesAndWorkersMayShareTheBinding) {
  auto chip = std::make_shared<EmulatedAudioChip>();
  AudioChipBinding binding(chip);
  binding.start();
  std::thread writer([&] {
    for (int i = 0; i < 200; ++i)
      binding.writeReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), static_cast<float>(i % 100) / 100);
  });
  std::thread reader([&] {
    double v = 0;
    for (int i = 0; i < 200; ++i) binding.readReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), v);
  });
  for (int i = 0; i < 20; ++i) binding.start();  // a second headset page starting up
  writer.join();
  reader.join();
  double v = 0;
  ASSERT_EQ(binding.readReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), v), 0);
  EXPECT_NEAR(v, 0.99, 1e-6);  // the writer's last level
}

}  // namespace
}  // namespace tessel::audio
