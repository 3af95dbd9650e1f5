#pragma once
// Typed records of the device document's sections (besides the light records
// of light_record.h). Nothing here knows JSON; CBasicProfiledata and its
// subclasses read and write them.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

// The three-byte function of one button or key. In the document it is one
// integer: type * 65536 + param1 * 256 + param2.
struct FunctionCode {
  uint8_t type = 0;
  uint8_t param1 = 0;
  uint8_t param2 = 0;
  bool operator==(const FunctionCode&) const = default;
};

// Document integer <-> function code. Only the low 24 bits count; bits above
// are dropped, as the device keeps three bytes.
FunctionCode decodeFunctionCode(int64_t value);
int32_t encodeFunctionCode(const FunctionCode& code);

// One "KeyList" entry: button or key i.
struct KeyListEntry {
  FunctionCode assignment;         // "Assignment"
  FunctionCode defaultAssignment;  // "DefaultAssignment"
  bool operator==(const KeyListEntry&) const = default;
};

// One element of "DPIStages"."StageDPIs".
struct DpiStage {
  uint8_t enabled = 0;  // "StageActive"
  uint8_t xy = 0;       // "StageXY": separate X and Y sensitivity
  uint16_t x = 0;       // "StageDPIX"
  uint16_t y = 0;       // "StageDPIY"
  uint8_t red = 0;      // "StageColorR"
  uint8_t green = 0;    // "StageColorG"
  uint8_t blue = 0;     // "StageColorB"
  bool operator==(const DpiStage&) const = default;
};

// The mouse's "SystemStages" members and "ReportStages"."StageActive".
struct MouseSystemStages {
  uint16_t doubleClickTime = 0;   // "DoubleClickTime"
  uint16_t mouseSpeed = 0;        // "MouseSpeed"
  uint16_t pointerPrecision = 0;  // "PointerPrecision"
  uint16_t scrollPage = 0;        // "ScorllPage"
  uint16_t wheelScrollLines = 0;  // "WheelScorlllinse"
  uint16_t reportRate = 0;        // "ReportStages"."StageActive" (polling-rate index)
  bool operator==(const MouseSystemStages&) const = default;
};

// The three words the mouse's settings travel in:
//   word 0 = MouseSpeed << 16 | DoubleClickTime
//   word 1 = ScorllPage << 16 | PointerPrecision
//   word 2 = ReportStages.StageActive << 16 | WheelScorlllinse
using SystemWords = std::array<uint32_t, 3>;
SystemWords packMouseSystemWords(const MouseSystemStages& s);
MouseSystemStages unpackMouseSystemWords(const SystemWords& w);

// One "CorrectInfo" surface-tuning preset.
struct CorrectPreset {
  int32_t pixThresh = 0;  // "CorrectPixThresh"
  int32_t minSq = 0;      // "CorrectMinSq"
  uint8_t select = 0;     // "CorrectSelect" (0 or 1)
  std::string name;       // "CorrectName"
  bool operator==(const CorrectPreset&) const = default;
};

// The keyboard's "SystemStages".
struct KeyboardSystemStages {
  uint16_t repeat = 0;       // "Repeat"
  uint16_t repeatDelay = 0;  // "RepeatDelay" (0..3)
  uint16_t key6Flag = 0;     // "Key6Flag"
  uint16_t pollingRate = 0;  // "PollingRate" (0..3)
  uint16_t wFlag = 0;        // "WFlag"
  uint16_t winFlag = 0;      // "WinFlag"
  bool operator==(const KeyboardSystemStages&) const = default;
};

// word 0 = Repeat | RepeatDelay << 16, word 1 = Key6Flag | PollingRate << 16,
// word 2 = WFlag | WinFlag << 16.
SystemWords packKeyboardSystemWords(const KeyboardSystemStages& s);
KeyboardSystemStages unpackKeyboardSystemWords(const SystemWords& w);

// One colour of a "CustomLightMode" group.
struct CustomColor {
  uint8_t red = 0;    // "Red"
  uint8_t green = 0;  // "Green"
  uint8_t blue = 0;   // "Blue"
  uint8_t alpha = 0;  // "Alpha"
  bool operator==(const CustomColor&) const = default;
};

// The headset's "SystemSetStages".
struct HeadsetSystemSet {
  int32_t magicEnable = 0;         // "MagicEnable"
  int32_t magicType = 0;           // "MagicType"
  int32_t eqType = 0;              // "EqType"
  int32_t customEqSelectIndex = 0; // "CustomEqSeletIndex"
  int32_t micInSelect = 0;         // "MicInSelect"
  int32_t micInValue = 0;          // "MicInValue"
  int32_t micMonitorSelect = 0;    // "MicMoniterSelect"
  int32_t micMonitorValue = 0;     // "MicMoniterValue"
  bool operator==(const HeadsetSystemSet&) const = default;
};

// One equaliser preset: the "value" of every band in order.
using EqPreset = std::vector<int32_t>;

}  // namespace tessel
