// The device audio light settings as the light editor's controls change
// them, and the nine bytes the device base keeps of them.
#include <gtest/gtest.h>

#include "config/audio_light_edits.h"

namespace tessel {
namespace {

AudioLightRecord sample(bool foreground) {
  AudioLightRecord r;
  r.audioMode = 3;
  r.bkColorR = 10, r.bkColorG = 20, r.bkColorB = 30;
  r.fgColorR = 40, r.fgColorG = 50, r.fgColorB = 60;
  r.sevenColorFlags = 1;
  r.colorTypeFlags = foreground ? 1 : 0;
  return r;
}

TEST(AudioLightEdits, SwatchAndPaletteGoToTheEditedColour) {
  // Foreground: the swatch takes it and clears the multi-colour flag.
  AudioLightRecord fg = applyAudioSwatch(sample(true), 0xFF112233u);
  EXPECT_EQ((std::array{fg.fgColorR, fg.fgColorG, fg.fgColorB}), (std::array<uint8_t, 3>{0x11, 0x22, 0x33}));
  EXPECT_EQ((std::array{fg.bkColorR, fg.bkColorG, fg.bkColorB}), (std::array<uint8_t, 3>{10, 20, 30}));
  EXPECT_EQ(fg.sevenColorFlags, 0);
  // Background: the foreground and the flag stay.
  AudioLightRecord bg = applyAudioSwatch(sample(false), 0xFF112233u);
  EXPECT_EQ((std::array{bg.bkColorR, bg.bkColorG, bg.bkColorB}), (std::array<uint8_t, 3>{0x11, 0x22, 0x33}));
  EXPECT_EQ((std::array{bg.fgColorR, bg.fgColorG, bg.fgColorB}), (std::array<uint8_t, 3>{40, 50, 60}));
  EXPECT_EQ(bg.sevenColorFlags, 1);
  // The palette keeps the flag even on the foreground.
  AudioLightRecord picked = applyAudioPicked(sample(true), 0x00A0B0C0u);
  EXPECT_EQ(picked.fgColorR, 0xA0);
  EXPECT_EQ(picked.fgColorB, 0xC0);
  EXPECT_EQ(picked.sevenColorFlags, 1);
  EXPECT_EQ(editedAudioColour(picked), 0xA0B0C0u);
  EXPECT_EQ(editedAudioColour(sample(false)), 0x0A141Eu);
}

TEST(AudioLightEdits, BoxesClampAndReadSoundly) {
  std::string shown;
  AudioLightRecord r = applyAudioBox(sample(true), AudioChannel::Green, "300", &shown);
  EXPECT_EQ(r.fgColorG, 255);
  EXPECT_EQ(shown, "255");
  EXPECT_EQ(r.sevenColorFlags, 0);
  r = applyAudioBox(sample(true), AudioChannel::Red, "", &shown);
  EXPECT_EQ(r.fgColorR, 0);
  EXPECT_EQ(shown, "0");
  r = applyAudioBox(sample(false), AudioChannel::Blue, "abc", &shown);
  EXPECT_EQ(r.bkColorB, 0);
  EXPECT_EQ(shown, "0");
  EXPECT_EQ(r.fgColorB, 60) << "the background box leaves the foreground";
  EXPECT_EQ(r.sevenColorFlags, 1);
  r = applyAudioBox(sample(false), AudioChannel::Red, "99999999999999999999", &shown);
  EXPECT_EQ(r.bkColorR, 255) << "an over-long number saturates";
  r = applyAudioBox(sample(false), AudioChannel::Green, "77");
  EXPECT_EQ(r.bkColorG, 77);
}

TEST(AudioLightEdits, CloseBackgroundStyleFlagsAndBounds) {
  const AudioLightRecord closed = clearAudioBackground(sample(true));
  EXPECT_EQ((std::array{closed.bkColorR, closed.bkColorG, closed.bkColorB}), (std::array<uint8_t, 3>{0, 0, 0}));
  EXPECT_EQ(closed.fgColorR, 40);
  EXPECT_EQ(closed.sevenColorFlags, 1);
  EXPECT_EQ(applyAudioStyle(sample(true), 6).audioMode, 6);
  EXPECT_EQ(applyAudioStyle(sample(true), 9).audioMode, 6);
  EXPECT_EQ(applyAudioStyle(sample(true), -1).audioMode, 0);
  EXPECT_EQ(applyAudioMultiColour(sample(true), false).sevenColorFlags, 0);
  EXPECT_EQ(applyAudioColourType(sample(true), false).colorTypeFlags, 0);
  AudioLightRecord wild = sample(true);
  wild.audioMode = 200;
  wild.sevenColorFlags = 7;
  wild.colorTypeFlags = 9;
  const AudioLightRecord b = boundAudioRecord(wild);
  EXPECT_EQ(b.audioMode, 0);
  EXPECT_EQ(b.sevenColorFlags, 1);
  EXPECT_EQ(b.colorTypeFlags, 1);
}

TEST(AudioLightEdits, NineBytesInRecordOrder) {
  const AudioColourBytes bytes = encodeAudioColour(sample(true));
  EXPECT_EQ(bytes, (AudioColourBytes{3, 10, 20, 30, 40, 50, 60, 1, 1}));
  EXPECT_EQ(decodeAudioColour(bytes), sample(true));
}

}  // namespace
}  // namespace tessel
