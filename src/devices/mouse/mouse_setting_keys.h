#pragma once
// The mouse's command-line settings (`tesselctl get/set mouse`), one row per
// key over the mouse controller bound to the current profile document:
//
//   stage.N.index     0..highest index       stage N's sensitivity as a slider index
//   stage.N.dpi       lowest..highest DPI    the same typed in DPI (needs the mouse's scale)
//   stage.N.enabled   1 / 0                  takes part in stage switching
//   stage.N.colour    RRGGBB                 the stage's indicator colour
//   stage.active      0..stages - 1          the active stage
//   polling           0..4                   polling-rate option
//   light.mode        0..modes - 1           position in the model's light-mode list
//   light.brightness  0..4
//   light.speed       0..4
//   light.direction   0..1
//   light.colour      RRGGBB                 (clears light.multicolour, as the editor does)
//   light.multicolour 1 / 0                  seven-colour cycling
//   button.N          a function (config/function_code_text.h), N = 0..10
//
// N of the stages is 0..4. Stage, polling and light changes go through the
// same controller operations as the page (each stores, saves and writes the
// settings block); the light keys of one set make one light change, the
// button keys one key table write.
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "config/setting_keys.h"
#include "devices/mouse/mouse_controller.h"

namespace tessel {

// What the mouse's keys read and write.
class MouseSettings {
 public:
  // `macroCount`: macros in the mouse's library (a button may name only those).
  MouseSettings(MouseController& mouse, int macroCount) : mouse_(mouse), macroCount_(macroCount) {}

  MouseController& mouse() { return mouse_; }
  const MouseController& mouse() const { return mouse_; }
  int macroCount() const { return macroCount_; }
  void setMacroCount(int count) { macroCount_ = count < 0 ? 0 : count; }
  // The mouse's DPI scale is known (its identity was read).
  bool scaleKnown() const { return mouse_.identityFields().dpiStep != 0; }

  // The light record and buttons as this set leaves them so far.
  LightRecord light() const;
  void stageLight(const LightRecord& record) { light_ = record; }
  FunctionCode button(int index) const;
  FunctionCode defaultButton(int index) const;
  void stageButton(int index, const FunctionCode& code) { buttons_[index] = code; }

  // The stage and polling keys of one set write the settings block once.
  void begin() { mouse_.holdSettingsBlock(); }
  // Writes what was staged: one light change, then the buttons and one key
  // table write (only when the mouse's key table was read; without the
  // mouse the document alone changes).
  void finish();

 private:
  MouseController& mouse_;
  int macroCount_;
  std::optional<LightRecord> light_;
  std::map<int, FunctionCode> buttons_;
};

const settings::KeyTable<MouseSettings>& mouseSettingKeys();

// The checks the controller makes on the stage keys, made on the whole list
// of pairs before anything is written: turning off the active stage or the
// last enabled one, and making a stage active that the profile does not
// have. The problem names the key; nullopt when the set may go ahead.
std::optional<std::string> checkMouseStagePlan(const MouseSettings& model,
                                               const std::vector<settings::Assignment<MouseSettings>>& pairs);

}  // namespace tessel
