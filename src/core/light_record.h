#pragma once
// The light records every illuminated device shares: the "LightInfo" section
// (one light setting: mode and parameters), the "AudioLightInfo" section, one
// "LightList" entry (the light of a single zone) and one step of a user light
// sequence. Plain records of 8-bit fields in document order.
#include <cstdint>
#include <vector>

namespace tessel {

// "LightInfo". selectItem indexes the model's light-mode list; positions at or
// past the end of the built-in list select a user sequence.
struct LightRecord {
  uint8_t selectItem = 0;   // "SelectItem"
  uint8_t light = 0;        // "Light" (brightness 0..4)
  uint8_t speed = 0;        // "Speed" (page scale 0..4)
  uint8_t fx = 0;           // "Fx" (direction)
  uint8_t multiColor = 0;   // "MultiColor" (bool)
  uint8_t red = 0;          // "Red"
  uint8_t green = 0;        // "Green"
  uint8_t blue = 0;         // "Blue"
  uint8_t zzccLedMode = 0;  // "ZZCCLedMode" (keyboard mode code)
  uint8_t customGroup = 0;  // "CustomGroup"
  uint8_t oldLedmode = 0;   // "OldLedmode"
  bool operator==(const LightRecord&) const = default;
};

// "AudioLightInfo": the colours of audio-reactive lighting.
struct AudioLightRecord {
  uint8_t audioMode = 0;        // "AudioMode"
  uint8_t bkColorR = 0;         // "BkColorR"
  uint8_t bkColorG = 0;         // "BkColorG"
  uint8_t bkColorB = 0;         // "BkColorB"
  uint8_t fgColorR = 0;         // "FgColorR"
  uint8_t fgColorG = 0;         // "FgColorG"
  uint8_t fgColorB = 0;         // "FgColorB"
  uint8_t sevenColorFlags = 0;  // "7ColorFlags" (bool)
  uint8_t colorTypeFlags = 0;   // "ColorTypeFlags" (bool)
  bool operator==(const AudioLightRecord&) const = default;
};

// One "LightList" entry: the light of zone i alone. A null entry in the
// document reads as all zeros with present == 0.
struct LightListEntry {
  uint8_t mode = 0;        // "LEDREGMode"
  uint8_t brightness = 0;  // "LEDBrightness"
  uint8_t speed = 0;       // "LEDSpeed"
  uint8_t direction = 0;   // "LEDDirection" (bool)
  uint8_t multiColor = 0;  // "LEDMultiColor" (bool)
  uint8_t red = 0;         // "red"
  uint8_t green = 0;       // "green"
  uint8_t blue = 0;        // "blue"
  uint8_t present = 0;     // 1 for every entry that is not null
  bool operator==(const LightListEntry&) const = default;
};

// One step of a user light sequence ("LEDEffectList" of a ".light" file).
struct LightStep {
  uint8_t mode = 0;        // "LEDREGMode"
  uint8_t brightness = 0;  // "LEDBrightness"
  uint8_t speed = 0;       // "LEDSpeed"
  uint8_t direction = 0;   // "LEDDirection"
  uint8_t multiColor = 0;  // "LEDMultiColor"
  uint8_t red = 0;         // "red"
  uint8_t green = 0;       // "green"
  uint8_t blue = 0;        // "blue"
  int32_t time = 0;        // "Time", milliseconds the step lasts
  int32_t cycle = 0;       // "Cyle"
  bool operator==(const LightStep&) const = default;
};

using LightSequence = std::vector<LightStep>;

}  // namespace tessel
