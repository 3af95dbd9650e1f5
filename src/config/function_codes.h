#pragma once
// Function codes and the fixed code tables behind button and key assignment.
//
// A function code is three bytes: type, parameter 1, parameter 2 (the record
// FunctionCode of document_records.h). The tables below are what the
// assignment editor lists, what a pressed key is recognised by, and where the
// display name of a code comes from. Names are localisation keys (the page
// shows the language file's text for them); one of them, "wed_stop", carries
// no "keyboard_key_" prefix although it sits in the key table.
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/document_records.h"

namespace tessel {

// Function types (byte 0 of a function code).
namespace function_type {
inline constexpr uint8_t kNone = 0x00;
inline constexpr uint8_t kMouseButton = 0x10;      // p1 button bit
inline constexpr uint8_t kHorizontalScroll = 0x11; // p1 delay*16+speed, p2 bit 7 right, bits 0..6 count
inline constexpr uint8_t kVerticalScroll = 0x12;   // p1 delay*16+speed, p2 signed count (negative = down)
inline constexpr uint8_t kStage = 0x13;            // p1 1 up, 2 down, 3 cycle
inline constexpr uint8_t kFire = 0x14;             // p1 interval, p2 shot count
inline constexpr uint8_t kDpiShift = 0x16;         // p1 low byte, p2 high byte of a sensitivity
inline constexpr uint8_t kKeyboardKey = 0x20;      // p1 modifier bits, p2 HID keyboard usage
inline constexpr uint8_t kEditShortcut = 0x22;     // p2 0..8 (table 6)
inline constexpr uint8_t kShowWindow = 0x23;
inline constexpr uint8_t kMedia = 0x30;            // HID consumer usage, low byte then high byte
inline constexpr uint8_t kSystem = 0x40;           // p1 1 power, 2 sleep, 4 wake up
inline constexpr uint8_t kMacro = 0x70;            // p1 macro number, p2 end mode 0..3
inline constexpr uint8_t kMacroRepeat = 0x71;      // p1 macro number, p2 repeat count
inline constexpr uint8_t kRecoil = 0x72;           // p1 pattern slot 0..3
inline constexpr uint8_t kSpecial = 0xA0;          // p1 0 disabled, 1 Fn, 2 smart key, 0x1B game mode
inline constexpr uint8_t kShortcutList = 0xB0;     // shown by the editor as a shortcut, no name
inline constexpr uint8_t kKeyboardMacroKey = 0xD0; // p1 0xA2, p2 1..5
}  // namespace function_type

// Modifier bits of a keyboard-key code (its p1).
namespace modifier_bit {
inline constexpr uint8_t kLeftCtrl = 0x01;
inline constexpr uint8_t kLeftShift = 0x02;
inline constexpr uint8_t kLeftAlt = 0x04;
inline constexpr uint8_t kLeftWin = 0x08;
inline constexpr uint8_t kRightCtrl = 0x10;
inline constexpr uint8_t kRightShift = 0x20;
inline constexpr uint8_t kRightAlt = 0x40;
inline constexpr uint8_t kRightWin = 0x80;
}  // namespace modifier_bit

// One entry of tables 1 to 5: an item number, the code and its display name.
struct CodeEntry {
  uint16_t number = 0;
  FunctionCode code;
  std::string_view name;
};

// One entry of the key table (table 8): the Windows-style virtual key the
// keyboard picture uses, the code, the name and, for the first 113 entries,
// the set-1 scan code with its E0 (extended) flag that a pressed key is
// recognised by. Virtual keys 0x101, 0x103..0x105 are our own numbers for keys
// without one; 0xFF marks keys known by scan code only.
struct KeyEntry {
  uint16_t virtualKey = 0;
  FunctionCode code;
  std::string_view name;
  bool hasScanCode = false;
  uint8_t scanCode = 0;
  bool extended = false;
};

// Table 1: mouse buttons, in the order of the editor list "keyset_mousekey_combo".
std::span<const CodeEntry> mouseButtonTable();
// Table 2: stage functions ("keyset_mousedpi_combo").
std::span<const CodeEntry> stageFunctionTable();
// Table 3: consumer (media) functions ("keyset_media_combo"), 18 entries.
std::span<const CodeEntry> mediaTable();
// Table 4: system functions ("keyset_system_combo").
std::span<const CodeEntry> systemTable();
// Table 5: shortcuts ("keyset_combokey_combo"), right Ctrl + a key, 11 entries.
std::span<const CodeEntry> shortcutTable();
// Table 6: names of the editing shortcuts by number (type 0x22, p2 0..8).
std::span<const std::string_view> editShortcutNames();
// Table 7: recoil pattern names ("keyset_gunkey_combo"), slots 0..3.
std::span<const std::string_view> recoilPatternNames();
// Table 8: the key table, 142 entries.
std::span<const KeyEntry> keyTable();
// Entries of the key table that carry a scan code (the first 113).
inline constexpr size_t kScanCodedKeyCount = 113;
// The name after the last key table entry; it has no code.
inline constexpr std::string_view kKeyColourName = "keyboard_key_COLOR";
// The prefix of key names.
inline constexpr std::string_view kKeyNamePrefix = "keyboard_key_";
// The name of "no function".
inline constexpr std::string_view kNoneName = "close_text";

// Every key or button bound to a macro at or past `macroCount` (a macro the
// library no longer holds) gets its default code back. True when one changed.
bool CheckMacroReferences(std::vector<KeyListEntry>& keys, int macroCount);

// Position of the first entry whose type, p1 and p2 equal code's.
std::optional<size_t> findCode(std::span<const CodeEntry> table, const FunctionCode& code);
std::optional<size_t> findKeyCode(const FunctionCode& code);
// The keyboard key with this usage and no modifier (code 0x20 0x00 usage).
std::optional<size_t> findKeyByUsage(uint8_t usage);
// A pressed key among the scan-coded entries.
std::optional<size_t> findKeyByScanCode(uint8_t scanCode, bool extended);
// A key by its name without the "keyboard_key_" prefix, ignoring case; an
// underscore stands for a space ("page_up" finds "Page Up"). The entry named
// "wed_stop" is found by that name.
std::optional<size_t> findKeyByName(std::string_view name);
// The key name without its prefix ("Page Up" for "keyboard_key_Page Up").
std::string_view shortKeyName(const KeyEntry& entry);

// One part of a display name: a localisation key to translate, or a literal
// text (a macro's name, the "+" between keys).
struct NamePart {
  enum class Kind { Key, Text };
  Kind kind = Kind::Key;
  std::string text;
  bool operator==(const NamePart&) const = default;
};

// The display name of a code, as parts to be translated and joined in order
// (a keyboard combination gives "keyboard_key_LCtrl", "+", "keyboard_key_C").
// Macro codes take their name from macroNames[p1] (empty when p1 is beyond
// the list). Codes without a name give no parts.
std::vector<NamePart> FunctionName(const FunctionCode& code,
                                   std::span<const std::string> macroNames = {});

// Joins the parts, translating keys with translate (identity when empty).
std::string joinFunctionName(const std::vector<NamePart>& parts,
                             const std::function<std::string(std::string_view)>& translate);

}  // namespace tessel
