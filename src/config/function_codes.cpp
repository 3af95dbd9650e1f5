#include "config/function_codes.h"

#include <array>
#include <cctype>

namespace tessel {

namespace {

using namespace function_type;

constexpr FunctionCode fc(uint8_t t, uint8_t p1, uint8_t p2) { return FunctionCode{t, p1, p2}; }

constexpr std::array<CodeEntry, 5> kMouseButtons{{
    {0, fc(kMouseButton, 0x01, 0), "mouse_key_left"},
    {1, fc(kMouseButton, 0x04, 0), "mouse_key_middle"},
    {2, fc(kMouseButton, 0x02, 0), "mouse_key_right"},
    {3, fc(kMouseButton, 0x10, 0), "mouse_key_forward"},
    {4, fc(kMouseButton, 0x08, 0), "mouse_key_back"},
}};

constexpr std::array<CodeEntry, 3> kStageFunctions{{
    {0, fc(kStage, 1, 0), "mouse_key_DPI_add"},
    {1, fc(kStage, 2, 0), "mouse_key_DPI_sub"},
    {2, fc(kStage, 3, 0), "mouse_key_DPI_loop"},
}};

constexpr CodeEntry media(uint16_t n, uint16_t usage, std::string_view name) {
  return CodeEntry{n, fc(kMedia, static_cast<uint8_t>(usage & 0xFF), static_cast<uint8_t>(usage >> 8)), name};
}

constexpr std::array<CodeEntry, 18> kMediaEntries{{
    media(0, 0x0183, "media_text"),   media(1, 0x00CD, "media_play"),     media(2, 0x00B7, "media_stop"),
    media(3, 0x00B6, "media_prev"),   media(4, 0x00B5, "media_next"),     media(5, 0x00EA, "media_vol_sub"),
    media(6, 0x00E9, "media_vol_add"), media(7, 0x00E2, "media_mute"),    media(8, 0x0223, "web_text"),
    media(9, 0x0227, "web_refresh"),  media(10, 0x0226, "wed_stop"),      media(11, 0x0224, "wed_back"),
    media(12, 0x0225, "wed_forward"), media(13, 0x022A, "wed_favorite"),  media(14, 0x0221, "web_search"),
    media(15, 0x0194, "media_mypc"),  media(16, 0x0192, "media_calc"),    media(17, 0x018A, "media_mail"),
}};

constexpr std::array<CodeEntry, 3> kSystemEntries{{
    {0, fc(kSystem, 0x01, 0), "system_power"},
    {1, fc(kSystem, 0x02, 0), "system_sleep"},
    {2, fc(kSystem, 0x04, 0), "system_wake_up"},
}};

// Shortcuts are right Ctrl plus a key.
constexpr CodeEntry shortcut(uint16_t n, uint8_t usage, std::string_view name) {
  return CodeEntry{n, fc(kKeyboardKey, modifier_bit::kRightCtrl, usage), name};
}

constexpr std::array<CodeEntry, 11> kShortcuts{{
    shortcut(0, 0x12, "custem_open"),   shortcut(1, 0x11, "custem_new"),        shortcut(2, 0x1D, "custem_undo"),
    shortcut(3, 0x16, "custem_save"),   shortcut(4, 0x06, "custem_copy"),       shortcut(5, 0x1B, "custem_cut"),
    shortcut(6, 0x19, "custem_paste"),  shortcut(7, 0x09, "custem_find"),       shortcut(8, 0x04, "custem_select_all"),
    shortcut(9, 0x2D, "custem_narrow"), shortcut(10, 0x2E, "custem_magnify"),
}};

constexpr std::array<std::string_view, 9> kEditShortcutNames{
    "custem_cut",        "custem_copy", "custem_paste", "custem_undo", "custem_select_all",
    "custem_find",       "custem_new",  "custem_save",  "custem_open"};

constexpr std::array<std::string_view, 4> kRecoilNames{"gun_1_txt", "gun_2_txt", "gun_3_txt", "gun_4_txt"};

// A keyboard key with a scan code.
constexpr KeyEntry key(uint16_t vk, uint8_t p1, uint8_t usage, std::string_view name, uint8_t scan,
                       bool e0 = false) {
  return KeyEntry{vk, fc(kKeyboardKey, p1, usage), name, true, scan, e0};
}
// An entry recognised by its virtual key only.
constexpr KeyEntry other(uint16_t vk, FunctionCode code, std::string_view name) {
  return KeyEntry{vk, code, name, false, 0, false};
}

constexpr std::array<KeyEntry, 142> kKeys{{
    // 0..7: modifiers alone
    key(0xA2, 0x01, 0x00, "keyboard_key_LCtrl", 0x1D),
    key(0xA0, 0x02, 0x00, "keyboard_key_LShift", 0x2A),
    key(0xA4, 0x04, 0x00, "keyboard_key_LAlt", 0x38),
    key(0x5B, 0x08, 0x00, "keyboard_key_LWin", 0x5B, true),
    key(0xA3, 0x10, 0x00, "keyboard_key_RCtrl", 0x1D, true),
    key(0xA1, 0x20, 0x00, "keyboard_key_RShift", 0x36, true),
    key(0xA5, 0x40, 0x00, "keyboard_key_RAlt", 0x38, true),
    key(0x5C, 0x80, 0x00, "keyboard_key_RWin", 0x5C, true),
    // 8..33: letters
    key('A', 0, 0x04, "keyboard_key_A", 0x1E), key('B', 0, 0x05, "keyboard_key_B", 0x30),
    key('C', 0, 0x06, "keyboard_key_C", 0x2E), key('D', 0, 0x07, "keyboard_key_D", 0x20),
    key('E', 0, 0x08, "keyboard_key_E", 0x12), key('F', 0, 0x09, "keyboard_key_F", 0x21),
    key('G', 0, 0x0A, "keyboard_key_G", 0x22), key('H', 0, 0x0B, "keyboard_key_H", 0x23),
    key('I', 0, 0x0C, "keyboard_key_I", 0x17), key('J', 0, 0x0D, "keyboard_key_J", 0x24),
    key('K', 0, 0x0E, "keyboard_key_K", 0x25), key('L', 0, 0x0F, "keyboard_key_L", 0x26),
    key('M', 0, 0x10, "keyboard_key_M", 0x32), key('N', 0, 0x11, "keyboard_key_N", 0x31),
    key('O', 0, 0x12, "keyboard_key_O", 0x18), key('P', 0, 0x13, "keyboard_key_P", 0x19),
    key('Q', 0, 0x14, "keyboard_key_Q", 0x10), key('R', 0, 0x15, "keyboard_key_R", 0x13),
    key('S', 0, 0x16, "keyboard_key_S", 0x1F), key('T', 0, 0x17, "keyboard_key_T", 0x14),
    key('U', 0, 0x18, "keyboard_key_U", 0x16), key('V', 0, 0x19, "keyboard_key_V", 0x2F),
    key('W', 0, 0x1A, "keyboard_key_W", 0x11), key('X', 0, 0x1B, "keyboard_key_X", 0x2D),
    key('Y', 0, 0x1C, "keyboard_key_Y", 0x15), key('Z', 0, 0x1D, "keyboard_key_Z", 0x2C),
    // 34..43: digits 1..9, 0
    key('1', 0, 0x1E, "keyboard_key_1", 0x02), key('2', 0, 0x1F, "keyboard_key_2", 0x03),
    key('3', 0, 0x20, "keyboard_key_3", 0x04), key('4', 0, 0x21, "keyboard_key_4", 0x05),
    key('5', 0, 0x22, "keyboard_key_5", 0x06), key('6', 0, 0x23, "keyboard_key_6", 0x07),
    key('7', 0, 0x24, "keyboard_key_7", 0x08), key('8', 0, 0x25, "keyboard_key_8", 0x09),
    key('9', 0, 0x26, "keyboard_key_9", 0x0A), key('0', 0, 0x27, "keyboard_key_0", 0x0B),
    // 44..60
    key(0x0D, 0, 0x28, "keyboard_key_Enter", 0x1C),
    key(0x1B, 0, 0x29, "keyboard_key_Esc", 0x01),
    key(0x08, 0, 0x2A, "keyboard_key_BackSpace", 0x0E),
    key(0x09, 0, 0x2B, "keyboard_key_Tab", 0x0F),
    key(0x20, 0, 0x2C, "keyboard_key_Space", 0x39),
    key(0xBD, 0, 0x2D, "keyboard_key_-", 0x0C),
    key(0xBB, 0, 0x2E, "keyboard_key_=", 0x0D),
    key(0xDB, 0, 0x2F, "keyboard_key_[", 0x1A),
    key(0xDD, 0, 0x30, "keyboard_key_]", 0x1B),
    key(0xDC, 0, 0x31, "keyboard_key_xiegang", 0x2B),
    key(0xBA, 0, 0x33, "keyboard_key_;", 0x27),
    key(0xDE, 0, 0x34, "keyboard_key_'", 0x28),
    key(0xC0, 0, 0x35, "keyboard_key_`", 0x29),
    key(0xBC, 0, 0x36, "keyboard_key_<", 0x33),
    key(0xBE, 0, 0x37, "keyboard_key_.", 0x34),
    key(0xBF, 0, 0x38, "keyboard_key_/", 0x35),
    key(0x14, 0, 0x39, "keyboard_key_Caplk", 0x3A),
    // 61..72: F1..F12
    key(0x70, 0, 0x3A, "keyboard_key_F1", 0x3B), key(0x71, 0, 0x3B, "keyboard_key_F2", 0x3C),
    key(0x72, 0, 0x3C, "keyboard_key_F3", 0x3D), key(0x73, 0, 0x3D, "keyboard_key_F4", 0x3E),
    key(0x74, 0, 0x3E, "keyboard_key_F5", 0x3F), key(0x75, 0, 0x3F, "keyboard_key_F6", 0x40),
    key(0x76, 0, 0x40, "keyboard_key_F7", 0x41), key(0x77, 0, 0x41, "keyboard_key_F8", 0x42),
    key(0x78, 0, 0x42, "keyboard_key_F9", 0x43), key(0x79, 0, 0x43, "keyboard_key_F10", 0x44),
    key(0x7A, 0, 0x44, "keyboard_key_F11", 0x57), key(0x7B, 0, 0x45, "keyboard_key_F12", 0x58),
    // 73..91
    key(0x2C, 0, 0x46, "keyboard_key_Print Scr", 0x37, true),
    key(0x91, 0, 0x47, "keyboard_key_Scroll Lock", 0x46),
    key(0x13, 0, 0x48, "keyboard_key_Pause", 0x45),
    key(0x2D, 0, 0x49, "keyboard_key_Insert", 0x52, true),
    key(0x24, 0, 0x4A, "keyboard_key_Home", 0x47, true),
    key(0x21, 0, 0x4B, "keyboard_key_Page Up", 0x49, true),
    key(0x2E, 0, 0x4C, "keyboard_key_Delete", 0x53, true),
    key(0x23, 0, 0x4D, "keyboard_key_End", 0x4F, true),
    key(0x22, 0, 0x4E, "keyboard_key_Page Down", 0x51, true),
    key(0x27, 0, 0x4F, "keyboard_key_Right", 0x4D, true),
    key(0x25, 0, 0x50, "keyboard_key_Left", 0x4B, true),
    key(0x28, 0, 0x51, "keyboard_key_Down", 0x50, true),
    key(0x26, 0, 0x52, "keyboard_key_Up", 0x48, true),
    key(0x90, 0, 0x53, "keyboard_key_Num Lock", 0x45, true),
    key(0x6F, 0, 0x54, "keyboard_key_Num /", 0x35, true),
    key(0x6A, 0, 0x55, "keyboard_key_Num *", 0x37),
    key(0x6D, 0, 0x56, "keyboard_key_Num -", 0x4A),
    key(0x6B, 0, 0x57, "keyboard_key_Num +", 0x4E),
    key(0x101, 0, 0x58, "keyboard_key_Num Enter", 0x1C, true),
    // 92..101: Num 1..Num 9, Num 0
    key(0x61, 0, 0x59, "keyboard_key_Num 1", 0x4F), key(0x62, 0, 0x5A, "keyboard_key_Num 2", 0x50),
    key(0x63, 0, 0x5B, "keyboard_key_Num 3", 0x51), key(0x64, 0, 0x5C, "keyboard_key_Num 4", 0x4B),
    key(0x65, 0, 0x5D, "keyboard_key_Num 5", 0x4C), key(0x66, 0, 0x5E, "keyboard_key_Num 6", 0x4D),
    key(0x67, 0, 0x5F, "keyboard_key_Num 7", 0x47), key(0x68, 0, 0x60, "keyboard_key_Num 8", 0x48),
    key(0x69, 0, 0x61, "keyboard_key_Num 9", 0x49), key(0x60, 0, 0x62, "keyboard_key_Num 0", 0x52),
    // 102..112: the last keys with a scan code
    key(0x6E, 0, 0x63, "keyboard_key_Decimal", 0x53),
    key(0x5D, 0, 0x65, "keyboard_key_App", 0x5D, true),
    key(0xE2, 0, 0x64, "keyboard_key_K45", 0x56),
    key(0xC1, 0, 0x87, "keyboard_key_K56", 0x73),
    key(0xFF, 0, 0x89, "keyboard_key_K14", 0x7D),
    key(0xC2, 0, 0x85, "keyboard_key_K107", 0x7E),
    key(0xEB, 0, 0x8B, "keyboard_key_K131", 0x7B),
    key(0xFF, 0, 0x8A, "keyboard_key_K132", 0x79),
    key(0xFF, 0, 0x88, "keyboard_key_K133", 0x70),
    key(0xE9, 0, 0x91, "keyboard_key_K150", 0x71),
    key(0xFF, 0, 0x90, "keyboard_key_K151", 0x72),
    // 113..141: no scan code
    other(0xBF, fc(kKeyboardKey, 0, 0x32), "keyboard_key_K42"),
    other(0xB7, fc(kMedia, 0x92, 0x01), "keyboard_key_Launch App2"),
    other(0xAC, fc(kMedia, 0x23, 0x02), "keyboard_key_Browaer Home"),
    other(0xB3, fc(kMedia, 0xCD, 0x00), "keyboard_key_Media Play Pause"),
    other(0xAA, fc(kMedia, 0x21, 0x02), "keyboard_key_Browser Search"),
    other(0xB4, fc(kMedia, 0x8A, 0x01), "keyboard_key_Launch Mail"),
    other(0xAF, fc(kMedia, 0xE9, 0x00), "keyboard_key_Volume Up"),
    other(0xAD, fc(kMedia, 0xE2, 0x00), "keyboard_key_Volume Mute"),
    other(0xB2, fc(kMedia, 0xB7, 0x00), "keyboard_key_Media Stop"),
    other(0xAE, fc(kMedia, 0xEA, 0x00), "keyboard_key_Volume Down"),
    other(0xAB, fc(kMedia, 0x2A, 0x02), "keyboard_key_Browser Favorites"),
    other(0xA7, fc(kMedia, 0x25, 0x02), "keyboard_key_Browser ForWard"),
    other(0xA6, fc(kMedia, 0x24, 0x02), "keyboard_key_Browser Back"),
    other(0xB1, fc(kMedia, 0xB6, 0x00), "keyboard_key_Media Prev Track"),
    other(0xB0, fc(kMedia, 0xB5, 0x00), "keyboard_key_Media Next Track"),
    other(0xB6, fc(kMedia, 0x94, 0x01), "keyboard_key_Computer"),
    other(0xA8, fc(kMedia, 0x27, 0x02), "keyboard_key_Browser Refresh"),
    other(0xA9, fc(kMedia, 0x26, 0x02), "wed_stop"),
    other(0xB5, fc(kMedia, 0x83, 0x01), "keyboard_key_Launch Media Select"),
    other(0x103, fc(kSystem, 0x01, 0x00), "keyboard_key_Power"),
    other(0x104, fc(kSystem, 0x02, 0x00), "keyboard_key_Sleep"),
    other(0x105, fc(kSystem, 0x04, 0x00), "keyboard_key_Wakeup"),
    other(0, fc(kKeyboardMacroKey, 0xA2, 1), "keyboard_key_M1"),
    other(0, fc(kKeyboardMacroKey, 0xA2, 2), "keyboard_key_M2"),
    other(0, fc(kKeyboardMacroKey, 0xA2, 3), "keyboard_key_M3"),
    other(0, fc(kKeyboardMacroKey, 0xA2, 4), "keyboard_key_M4"),
    other(0, fc(kKeyboardMacroKey, 0xA2, 5), "keyboard_key_M5"),
    other(0, fc(kSpecial, 0x01, 0x00), "keyboard_key_FN"),
    other(0, fc(kSpecial, 0x1B, 0x00), "keyboard_key_GM"),
}};

// The modifiers alone are the first eight keys, in bit order.
constexpr size_t kModifierKeyCount = 8;

char lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

bool sameName(std::string_view typed, std::string_view name) {
  if (typed.size() != name.size()) return false;
  for (size_t i = 0; i < typed.size(); ++i) {
    const char t = typed[i] == '_' && name[i] == ' ' ? ' ' : typed[i];
    if (lower(t) != lower(name[i])) return false;
  }
  return true;
}

NamePart keyPart(std::string_view name) { return NamePart{NamePart::Kind::Key, std::string(name)}; }

template <typename Names>
std::vector<NamePart> byIndex(const Names& names, size_t index) {
  if (index >= names.size()) return {};
  return {keyPart(names[index])};
}

std::vector<NamePart> tableName(std::span<const CodeEntry> table, const FunctionCode& code) {
  const auto at = findCode(table, code);
  if (!at) return {};
  return {keyPart(table[*at].name)};
}

std::vector<NamePart> keyboardName(const FunctionCode& code) {
  if (const auto exact = findKeyCode(code)) return {keyPart(kKeys[*exact].name)};
  if (code.param1 == 0 && code.param2 == 0) return {keyPart(kNoneName)};
  // A combination: every modifier whose bit is set, then the key. Listing the
  // modifiers by bit (instead of every entry that shares a byte with the code)
  // keeps Ctrl+Shift+C from reading as C, and a pair of modifiers from
  // reading as all eight.
  std::vector<NamePart> parts;
  auto add = [&parts](std::string_view name) {
    if (!parts.empty()) parts.push_back(NamePart{NamePart::Kind::Text, "+"});
    parts.push_back(keyPart(name));
  };
  for (size_t i = 0; i < kModifierKeyCount; ++i)
    if (code.param1 & kKeys[i].code.param1) add(kKeys[i].name);
  if (code.param2 != 0)
    if (const auto k = findKeyByUsage(code.param2)) add(kKeys[*k].name);
  return parts;
}

}  // namespace

std::span<const CodeEntry> mouseButtonTable() { return kMouseButtons; }
std::span<const CodeEntry> stageFunctionTable() { return kStageFunctions; }
std::span<const CodeEntry> mediaTable() { return kMediaEntries; }
std::span<const CodeEntry> systemTable() { return kSystemEntries; }
std::span<const CodeEntry> shortcutTable() { return kShortcuts; }
std::span<const std::string_view> editShortcutNames() { return kEditShortcutNames; }
std::span<const std::string_view> recoilPatternNames() { return kRecoilNames; }
std::span<const KeyEntry> keyTable() { return kKeys; }

std::optional<size_t> findCode(std::span<const CodeEntry> table, const FunctionCode& code) {
  for (size_t i = 0; i < table.size(); ++i)
    if (table[i].code == code) return i;
  return std::nullopt;
}

std::optional<size_t> findKeyCode(const FunctionCode& code) {
  for (size_t i = 0; i < kKeys.size(); ++i)
    if (kKeys[i].code == code) return i;
  return std::nullopt;
}

std::optional<size_t> findKeyByUsage(uint8_t usage) {
  return findKeyCode(fc(kKeyboardKey, 0, usage));
}

std::optional<size_t> findKeyByScanCode(uint8_t scanCode, bool extended) {
  for (size_t i = 0; i < kScanCodedKeyCount; ++i)
    if (kKeys[i].scanCode == scanCode && kKeys[i].extended == extended) return i;
  return std::nullopt;
}

std::string_view shortKeyName(const KeyEntry& entry) {
  std::string_view n = entry.name;
  if (n.starts_with(kKeyNamePrefix)) n.remove_prefix(kKeyNamePrefix.size());
  return n;
}

std::optional<size_t> findKeyByName(std::string_view name) {
  if (name.empty()) return std::nullopt;
  for (size_t i = 0; i < kKeys.size(); ++i)
    if (sameName(name, shortKeyName(kKeys[i]))) return i;
  return std::nullopt;
}

std::vector<NamePart> FunctionName(const FunctionCode& code, std::span<const std::string> macroNames) {
  switch (code.type) {
    case kNone:
      if (code.param1 == 0 && code.param2 == 0) return {keyPart(kNoneName)};
      return {};
    case kKeyboardKey:
      return keyboardName(code);
    case kMouseButton:
      for (const auto& e : kMouseButtons)
        if (e.code.param1 == code.param1) return {keyPart(e.name)};
      return {};
    case kHorizontalScroll:
      return {keyPart(code.param2 & 0x80 ? "mouse_key_right_Swing" : "mouse_key_left_Swing")};
    case kVerticalScroll:
      return {keyPart(code.param2 & 0x80 ? "mouse_key_down_Swing" : "mouse_key_up_Swing")};
    case kStage:
      return tableName(kStageFunctions, code);
    case kFire:
      return {keyPart("mouse_key_fire_key")};
    case kDpiShift:
      return {keyPart("mouse_key_DPI_shift")};
    case kEditShortcut:
      return byIndex(kEditShortcutNames, code.param2);
    case kShowWindow:
      return {keyPart("show_window")};
    case kMedia:
      return tableName(kMediaEntries, code);
    case kSystem:
      return tableName(kSystemEntries, code);
    case kMacro:
    case kMacroRepeat:
      if (code.param1 < macroNames.size())
        return {NamePart{NamePart::Kind::Text, macroNames[code.param1]}};
      return {};
    case kRecoil:
      return byIndex(kRecoilNames, code.param1);
    case kSpecial:
      switch (code.param1) {
        case 0x00: return {keyPart(kNoneName)};
        case 0x01: return {keyPart("keyboard_key_FN")};
        case 0x02: return {keyPart("mouse_key_smart_key")};
        case 0x1B: return {keyPart("keyboard_key_GM")};
        default: return {};
      }
    case kKeyboardMacroKey:
      if (const auto k = findKeyCode(code)) return {keyPart(kKeys[*k].name)};
      return {};
    default:
      // 0x15, 0x21, 0x50, 0x60, 0xB0, 0xC0 and anything unknown: no name.
      return {};
  }
}

std::string joinFunctionName(const std::vector<NamePart>& parts,
                             const std::function<std::string(std::string_view)>& translate) {
  std::string out;
  for (const auto& p : parts) {
    if (p.kind == NamePart::Kind::Key && translate)
      out += translate(p.text);
    else
      out += p.text;
  }
  return out;
}

bool CheckMacroReferences(std::vector<KeyListEntry>& keys, int macroCount) {
  bool changed = false;
  for (KeyListEntry& k : keys) {
    const uint8_t type = k.assignment.type;
    if ((type == function_type::kMacro || type == function_type::kMacroRepeat) && k.assignment.param1 >= macroCount) {
      k.assignment = k.defaultAssignment;
      changed = true;
    }
  }
  return changed;
}

}  // namespace tessel
