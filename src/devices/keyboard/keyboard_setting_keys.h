#pragma once
// The keyboard's command-line settings (`tesselctl get/set keyboard`), one
// row per key over the keyboard controller bound to the current profile
// document:
//
//   key.P             a function, P = 0..169: the grammar of button.N
//                     (config/function_code_text.h) plus fn, game-mode and
//                     m1..m5 (the Fn key, the game-mode key, macro keys M1..M5)
//   light.mode        0..modes - 1           position in the keyboard's mode list
//   light.brightness  0..4
//   light.speed       0..4
//   light.direction   0..1
//   light.colour      RRGGBB                 (clears light.multicolour)
//   light.multicolour 1 / 0
//   light.zzcc        0..3                   the keyboard mode ("ZZCCLedMode")
//   light.group       0..groups - 1          the custom colour group shown in mode 20
//   audio.mode        0..6                   the audio mode's style ("AudioMode")
//   audio.bg          RRGGBB                 its background colour
//   audio.fg          RRGGBB                 its foreground colour
//   audio.multicolour 1 / 0                  hue wheel instead of the foreground
//   audio.edit        1 / 0                  the colour the page edits (1 foreground)
//                                            (audio.* are stored only: the light
//                                            thread plays them, nothing is written)
//   colour.P          RRGGBB                 position P's colour in the custom group
//                                            (written to the colour memory in any mode)
//   option.rollover   1 / 0 (on / off)       six-key rollover ("Key6Flag")
//   option.wkey       1 / 0                  the W-key option ("WFlag")
//   option.winlock    1 / 0                  Windows-key lock ("WinFlag")
//   polling           0..3                   polling-rate choice
//   repeat.rate       0..31                  key repeat rate (stored only)
//   repeat.delay      0..3                   250, 500, 750 or 1000 ms (stored only)
//
// The options, polling and repeat keys go through the controller's setters
// at once (each stores, saves and, for the options and polling, writes the
// settings block). The light keys of one set (with light.group) make one
// light change; the colours one write of the colour memory; the key.P keys
// one key table write.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config/setting_keys.h"
#include "devices/keyboard/keyboard_controller.h"

namespace tessel {

// What the keyboard's keys read and write.
class KeyboardSettings {
 public:
  static constexpr int kZzccModes = 4;
  static constexpr int kRepeatRateMax = 31;

  // `macroCount`: macros in the keyboard's library (a key may name only those).
  KeyboardSettings(KeyboardController& keyboard, int macroCount) : keyboard_(keyboard), macroCount_(macroCount) {}

  KeyboardController& keyboard() { return keyboard_; }
  const KeyboardController& keyboard() const { return keyboard_; }
  int macroCount() const { return macroCount_; }
  void setMacroCount(int count) { macroCount_ = count < 0 ? 0 : count; }

  // What this set leaves so far.
  LightRecord light() const;
  void stageLight(const LightRecord& record) { light_ = record; }
  unsigned group() const;
  void stageGroup(unsigned group) { group_ = group; }
  // Groups light.group may choose: those the document has (at least one).
  unsigned groupCount() const;
  FunctionCode key(int position) const;
  FunctionCode defaultKey(int position) const;
  void stageKey(int position, const FunctionCode& code) { keys_[position] = code; }
  uint32_t colour(int position) const;  // 0xRRGGBB
  void stageColour(int position, uint32_t rgb) { colours_[position] = rgb; }

  // Writes what was staged: the light change (with the group), the colours,
  // then the keys and one key table write (only when the keyboard's tables
  // were read; without the keyboard the document alone changes).
  void finish();

 private:
  bool customModeShown(const LightRecord& record) const;

  KeyboardController& keyboard_;
  int macroCount_;
  std::optional<LightRecord> light_;
  std::optional<unsigned> group_;
  std::map<int, FunctionCode> keys_;
  std::map<int, uint32_t> colours_;
};

const settings::KeyTable<KeyboardSettings>& keyboardSettingKeys();

// The value text of a key function: fn, game-mode, m1..m5, or the shared
// grammar. parseKeyFunction is false with `why` set for a bad text.
bool parseKeyFunction(std::string_view text, const FunctionCode& defaultCode, FunctionCode& out, std::string& why);
std::string formatKeyFunction(const FunctionCode& code, const FunctionCode& defaultCode);

}  // namespace tessel
