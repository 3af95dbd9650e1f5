#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "audio/audio_chip_binding.h"
#include "audio/emulated_audio_chip.h"

namespace tessel::audio {
namespace {

std::filesystem::path tempFolder() {
  char pattern[] = "/tmp/tessel-audio-XXXXXX";
  return mkdtemp(pattern);
}

TEST(EmulatedChip, ChecksWhatItIsGivenAndFailsOnCue) {
  auto chip = std::make_shared<EmulatedAudioChip>();
  AudioChipBinding binding(chip);
  ASSERT_TRUE(binding.start().empty());
  EXPECT_NE(binding.writeInt(End::Recording, prop::kMagicVoiceSelection, Parameter::none(), 4), 0);
  EXPECT_NE(binding.writeReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), 1.5f), 0);
  EXPECT_NE(binding.writeInt(End::Recording, prop::kAAMaxVol, Parameter::none(), 1), 0);
  EXPECT_EQ(binding.writeInt(End::Recording, prop::kMagicVoiceSelection, Parameter::none(), 3), 0);
  chip->refuseWrites(prop::kMute);
  EXPECT_NE(binding.writeInt(End::Recording, prop::kMute, Parameter::none(), 1), 0);
  EXPECT_EQ(chip->property(Direction::Recording, prop::kMute), "0");
  chip->refuseWrites(prop::kMute, false);
  EXPECT_EQ(binding.writeInt(End::Recording, prop::kMute, Parameter::none(), 1), 0);
  // A record the chip never handed out is refused.
  Endpoint stranger{0x999, 2, 0, 1};
  char buffer[16];
  EXPECT_NE(chip->readProperty(stranger, prop::kMute, Parameter::none(), buffer, sizeof buffer), 0);
  EXPECT_STREQ(buffer, "");
}

TEST(EmulatedChip, ReadsAreCutToTheBuffer) {
  EmulatedAudioChip chip;
  chip.setProperty(Direction::Recording, prop::kMute, "123456789");
  const Endpoint rec = chip.deviceById(Direction::Recording, 0);
  char buffer[5] = {'x', 'x', 'x', 'x', 'x'};
  ASSERT_EQ(chip.readProperty(rec, prop::kMute, Parameter::none(), buffer, 4), 0);
  EXPECT_STREQ(buffer, "123");
  EXPECT_EQ(buffer[4], 'x');
  EXPECT_NE(chip.readProperty(rec, prop::kMute, Parameter::none(), buffer, 0), 0);
}

TEST(EmulatedChip, SinglePrecisionLevelsReadBackWithTheirOwnDigits) {
  auto chip = std::make_shared<EmulatedAudioChip>();
  AudioChipBinding binding(chip);
  binding.start();
  ASSERT_EQ(binding.writeReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), 0.29f), 0);
  double v = 0;
  ASSERT_EQ(binding.readReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), v), 0);
  EXPECT_LT(v * 100, 29.0);  // what truncating readers turned into 28
  EXPECT_NEAR(v, 0.29, 1e-6);
}

TEST(EmulatedChip, DemoStoreIsSharedBetweenProcesses) {
  const auto dir = tempFolder();
  const auto file = demoAudioChipFile(dir / "demo");
  auto first = std::make_shared<EmulatedAudioChip>();
  auto second = std::make_shared<EmulatedAudioChip>();
  ASSERT_TRUE(first->attachStore(file));
  ASSERT_TRUE(second->attachStore(file));
  AudioChipBinding a(first), b(second);
  a.start();
  b.start();
  ASSERT_EQ(a.writeInt(End::Recording, prop::kMagicVoiceSelection, Parameter::none(), 2), 0);
  ASSERT_EQ(a.writeInt(End::Playback, "EQ_Slider4", Parameter::none(), -7), 0);
  int32_t v = 0;
  ASSERT_EQ(b.readInt(End::Recording, prop::kMagicVoiceSelection, Parameter::none(), v), 0);
  EXPECT_EQ(v, 2);
  ASSERT_EQ(b.readInt(End::Playback, "EQ_Slider4", Parameter::none(), v), 0);
  EXPECT_EQ(v, -7);
  // A restart takes the stored values in.
  auto third = std::make_shared<EmulatedAudioChip>();
  ASSERT_TRUE(third->attachStore(file));
  EXPECT_EQ(third->property(Direction::Playback, "EQ_Slider4"), "-7");
  // --demo-reset starts from the factory values; without it the store is taken in.
  EXPECT_EQ(makeDemoAudioChip(dir / "demo")->property(Direction::Playback, "EQ_Slider4"), "-7");
  EXPECT_EQ(makeDemoAudioChip(dir / "demo", true)->property(Direction::Playback, "EQ_Slider4"), "0");
  ASSERT_EQ(a.writeInt(End::Playback, "EQ_Slider4", Parameter::none(), -7), 0);
  // A file that cannot be parsed is kept aside and the chip keeps its values.
  std::ofstream(file) << "{ not json";
  auto fourth = std::make_shared<EmulatedAudioChip>();
  ASSERT_TRUE(fourth->attachStore(file));
  EXPECT_EQ(fourth->property(Direction::Playback, "EQ_Slider4"), "0");
  EXPECT_TRUE(std::filesystem::exists(file.string() + ".bad"));
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tessel::audio
