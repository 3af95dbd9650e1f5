#pragma once
// The assignment editor as a plain model: the state of every list, box and
// check of CKeySetControlUI, how a function code is shown in them and how the
// code is built back from them. The control only forwards notifications here
// and paints KeySetState; tests drive this class directly.
#include <cstdint>
#include <string>
#include <vector>

#include "config/document_records.h"

namespace tessel {

// Numbers carried by the items of "keyset_function_combo".
enum class FunctionList : int {
  None = -1,  // nothing selected (a code the editor has no page for)
  Default = 0,
  MouseButton = 1,
  HorizontalScroll = 2,
  VerticalScroll = 3,
  Stage = 4,
  Fire = 5,
  KeyboardKey = 6,
  Media = 7,
  System = 8,
  Macro = 9,
  Recoil = 10,
  Shortcut = 11,
};
inline constexpr int kFunctionListCount = 12;

// Items of the direction lists.
inline constexpr int kSwingLeft = 0, kSwingRight = 1;  // "keyset_mouseswing_combo"
inline constexpr int kWheelUp = 0, kWheelDown = 1;     // "keyset_mousewheel_combo"
// The end-mode list item that repeats a macro a counted number of times.
inline constexpr int kMacroRepeatItem = 4;
inline constexpr int kMacroEndModeCount = 5;  // "keyset_macro_over_combo"
// Modifier checks "key_ComBox_check_0".."4": none, Ctrl, Shift, Alt, Windows.
inline constexpr int kModifierCheckCount = 5;
// Scroll counts the firmware accepts.
inline constexpr int kScrollCountMin = 1, kScrollCountMax = 127;

// What the editor shows. List selections are positions, -1 for none; boxes
// hold their text as typed.
struct KeySetState {
  FunctionList function = FunctionList::None;
  int mouseButton = -1;     // table 1 position
  int swingDirection = 0;   // kSwingLeft / kSwingRight
  std::string swingCount, swingDelay, swingSpeed;
  int wheelDirection = 0;   // kWheelUp / kWheelDown
  std::string wheelCount, wheelDelay, wheelSpeed;
  int stage = -1;           // table 2 position
  std::string fireInterval, fireCount;
  int modifierCheck = -1;   // 0..4, -1 none checked
  std::string keyName;      // localisation key shown in the key box; empty = empty box
  FunctionCode capturedCode;  // code of the last captured (or shown) key
  int media = -1;           // table 3 position
  int system = -1;          // table 4 position
  int macro = -1;           // position in the macro list
  int macroEndMode = -1;    // 0..4
  std::string macroRepeat;  // "keyset_macro_cycle_edit"
  int recoil = -1;          // table 7 position
  int shortcut = -1;        // table 5 position
  bool operator==(const KeySetState&) const = default;
};

// Reads a decimal box: leading blanks, an optional sign and digits; anything
// else (empty, a non-number) reads 0; too long a number saturates.
int readDecimalBox(const std::string& text);

class KeySetModel {
 public:
  // Fills "keyset_macro_combo"; a selection past the new list is cleared.
  void setMacroNames(std::vector<std::string> names);
  const std::vector<std::string>& macroNames() const { return macroNames_; }

  // Keeps the button's assigned and default codes and shows the assigned one.
  void loadRecord(const FunctionCode& assigned, const FunctionCode& defaultCode);
  // Shows the default code ("key_butt_keydefalut").
  void showDefault();
  // Shows the assigned code again ("key_butt_keycancel").
  void cancel();
  // Empties the editor (it is closed).
  void clear();

  // Shows a code in the lists, boxes and checks.
  void showCode(const FunctionCode& code);
  // The code the controls describe now. Where the selected page has no
  // usable selection (no macro, a list with nothing selected) the assigned
  // code is kept.
  FunctionCode buildCode() const;
  // Whether the controls describe something to store: false while the
  // keyboard-key page has neither a key nor a modifier (that code would
  // switch the button off).
  bool canStore() const;

  // A key pressed while the key box has the focus, as a set-1 scan code and
  // its E0 flag. Returns false when the key is ignored (not in the key table
  // or not a keyboard key).
  bool captureKey(uint8_t scanCode, bool extended);

  // Control edits.
  void selectFunction(FunctionList f) { state_.function = f; }
  void selectModifierCheck(int check);  // -1..4
  void clearKeyBox();
  KeySetState& edit() { return state_; }
  const KeySetState& state() const { return state_; }

  const FunctionCode& assigned() const { return assigned_; }
  const FunctionCode& defaultCode() const { return default_; }

 private:
  void resetControls();

  KeySetState state_;
  FunctionCode assigned_;
  FunctionCode default_;
  std::vector<std::string> macroNames_;
};

}  // namespace tessel
