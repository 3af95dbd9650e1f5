// The code tables, their lookups and the display name of a code.
#include "config/function_codes.h"

#include <gtest/gtest.h>

#include <set>
#include <utility>

using namespace tessel;

namespace {

using Kind = NamePart::Kind;

NamePart key(std::string_view k) { return NamePart{Kind::Key, std::string(k)}; }
NamePart plus() { return NamePart{Kind::Text, "+"}; }

std::vector<NamePart> nameOf(uint8_t t, uint8_t p1, uint8_t p2, std::vector<std::string> macros = {}) {
  return FunctionName(FunctionCode{t, p1, p2}, macros);
}

TEST(CodeTables, SizesAndTheRowsTheRulesDescribe) {
  EXPECT_EQ(mouseButtonTable().size(), 5u);
  EXPECT_EQ(stageFunctionTable().size(), 3u);
  EXPECT_EQ(mediaTable().size(), 18u);
  EXPECT_EQ(systemTable().size(), 3u);
  EXPECT_EQ(shortcutTable().size(), 11u);
  EXPECT_EQ(editShortcutNames().size(), 9u);
  EXPECT_EQ(recoilPatternNames().size(), 4u);
  const auto keys = keyTable();
  ASSERT_EQ(keys.size(), 142u);

  for (int i = 0; i < 26; ++i) {
    const KeyEntry& k = keys[8 + i];
    EXPECT_EQ(k.virtualKey, 'A' + i);
    EXPECT_EQ(k.code, (FunctionCode{0x20, 0, static_cast<uint8_t>(0x04 + i)}));
    EXPECT_EQ(k.name, std::string("keyboard_key_") + static_cast<char>('A' + i));
  }
  const char digits[] = "1234567890";
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(keys[34 + i].virtualKey, digits[i]);
    EXPECT_EQ(keys[34 + i].code.param2, 0x1E + i);
    EXPECT_EQ(keys[92 + i].code.param2, 0x59 + i);
    EXPECT_EQ(keys[92 + i].virtualKey, i < 9 ? 0x61 + i : 0x60);
    EXPECT_EQ(keys[92 + i].name, "keyboard_key_Num " + std::string(1, digits[i]));
  }
  for (int i = 0; i < 12; ++i) {
    EXPECT_EQ(keys[61 + i].virtualKey, 0x70 + i);
    EXPECT_EQ(keys[61 + i].code.param2, 0x3A + i);
    EXPECT_EQ(keys[61 + i].name, "keyboard_key_F" + std::to_string(i + 1));
  }
  EXPECT_EQ(keys[71].scanCode, 0x57);  // F11
  EXPECT_EQ(keys[72].scanCode, 0x58);  // F12
  EXPECT_EQ(keys[60].name, "keyboard_key_Caplk");
  EXPECT_EQ(keys[73].name, "keyboard_key_Print Scr");
  EXPECT_EQ(keys[112].name, "keyboard_key_K151");
  EXPECT_EQ(keys[113].name, "keyboard_key_K42");
  EXPECT_EQ(keys[130].name, "wed_stop");
  EXPECT_EQ(keys[135].code, (FunctionCode{0xD0, 0xA2, 1}));
  EXPECT_EQ(keys[139].name, "keyboard_key_M5");
  EXPECT_EQ(keys[141].code, (FunctionCode{0xA0, 0x1B, 0}));
}

TEST(CodeTables, PressedKeysAreTellableApart) {
  const auto keys = keyTable();
  std::set<std::pair<uint8_t, bool>> scans;
  std::set<uint8_t> usages;
  for (size_t i = 0; i < keys.size(); ++i) {
    EXPECT_EQ(keys[i].hasScanCode, i < kScanCodedKeyCount) << i;
    if (keys[i].hasScanCode) {
      EXPECT_TRUE(scans.insert({keys[i].scanCode, keys[i].extended}).second) << keys[i].name;
      EXPECT_EQ(keys[i].code.type, 0x20) << keys[i].name;
    }
    if (keys[i].code.type == 0x20 && keys[i].code.param1 == 0) {
      EXPECT_TRUE(usages.insert(keys[i].code.param2).second) << keys[i].name;
    }
  }
  // The one pair that only the E0 flag separates, and right Shift's E0.
  EXPECT_EQ(findKeyByScanCode(0x45, true), 86u);   // Num Lock
  EXPECT_EQ(findKeyByScanCode(0x45, false), 75u);  // Pause
  EXPECT_EQ(findKeyByScanCode(0x37, false), 88u);  // Num *
  EXPECT_EQ(findKeyByScanCode(0x37, true), 73u);   // Print Scr
  EXPECT_EQ(findKeyByScanCode(0x36, true), 5u);    // RShift
  EXPECT_EQ(findKeyByScanCode(0x1D, true), 4u);    // RCtrl
  EXPECT_FALSE(findKeyByScanCode(0x00, false));
  EXPECT_FALSE(findKeyByScanCode(0x1E, true));
}

TEST(CodeTables, KeysAreFoundByNameIgnoringCaseAndSpaces) {
  EXPECT_EQ(findKeyByName("page_up"), 78u);
  EXPECT_EQ(findKeyByName("PAGE UP"), 78u);
  EXPECT_EQ(findKeyByName("a"), 8u);
  EXPECT_EQ(findKeyByName("num_+"), 90u);
  EXPECT_EQ(findKeyByName("wed_stop"), 130u);
  EXPECT_EQ(findKeyByName("gm"), 141u);
  EXPECT_FALSE(findKeyByName(""));
  EXPECT_FALSE(findKeyByName("keyboard_key_A"));
  EXPECT_FALSE(findKeyByName("pageup"));
  EXPECT_EQ(findKeyByUsage(0x06), 10u);
  EXPECT_FALSE(findKeyByUsage(0x00));
  EXPECT_EQ(shortKeyName(keyTable()[78]), "Page Up");
  EXPECT_EQ(shortKeyName(keyTable()[130]), "wed_stop");
}

TEST(FunctionNameTest, KeyboardCombinations) {
  // A modifier and a key: the modifier's text, a plus sign, the key's.
  const auto ctrlC = nameOf(0x20, 0x01, 0x06);
  EXPECT_EQ(ctrlC, (std::vector<NamePart>{key("keyboard_key_LCtrl"), plus(), key("keyboard_key_C")}));
  EXPECT_EQ(joinFunctionName(ctrlC, [](std::string_view k) { return k == "keyboard_key_LCtrl" ? "Ctrl" : "C"; }),
            "Ctrl+C");
  EXPECT_EQ(joinFunctionName(ctrlC, {}), "keyboard_key_LCtrl+keyboard_key_C");

  EXPECT_EQ(nameOf(0x20, 0x00, 0x00), (std::vector<NamePart>{key("close_text")}));
  EXPECT_EQ(nameOf(0x20, 0x20, 0x00), (std::vector<NamePart>{key("keyboard_key_RShift")}));
  EXPECT_EQ(nameOf(0x20, 0x00, 0x2C), (std::vector<NamePart>{key("keyboard_key_Space")}));
  // Two modifiers name both (and not every modifier that shares p2 = 0) ...
  EXPECT_EQ(nameOf(0x20, 0x03, 0x00),
            (std::vector<NamePart>{key("keyboard_key_LCtrl"), plus(), key("keyboard_key_LShift")}));
  // ... and are not lost in front of a key.
  EXPECT_EQ(nameOf(0x20, 0x11, 0x06), (std::vector<NamePart>{key("keyboard_key_LCtrl"), plus(),
                                                             key("keyboard_key_RCtrl"), plus(),
                                                             key("keyboard_key_C")}));
  // A shortcut code is still a keyboard combination by name.
  EXPECT_EQ(nameOf(0x20, 0x10, 0x06),
            (std::vector<NamePart>{key("keyboard_key_RCtrl"), plus(), key("keyboard_key_C")}));
  // An unknown usage has no name of its own.
  EXPECT_TRUE(nameOf(0x20, 0x00, 0x03).empty());
  EXPECT_EQ(nameOf(0x20, 0x04, 0x03), (std::vector<NamePart>{key("keyboard_key_LAlt")}));
  // Every keyboard key of the table reads as its own name.
  for (const KeyEntry& k : keyTable())
    if (k.code.type == 0x20) {
      EXPECT_EQ(FunctionName(k.code), (std::vector<NamePart>{key(k.name)})) << k.name;
    }
}

TEST(FunctionNameTest, EveryOtherType) {
  for (auto table : {mouseButtonTable(), stageFunctionTable(), mediaTable(), systemTable()})
    for (const CodeEntry& e : table) EXPECT_EQ(FunctionName(e.code), (std::vector<NamePart>{key(e.name)})) << e.name;

  EXPECT_EQ(nameOf(0x00, 0, 0), (std::vector<NamePart>{key("close_text")}));
  EXPECT_TRUE(nameOf(0x00, 1, 0).empty());
  EXPECT_EQ(nameOf(0x11, 0x00, 0x83), (std::vector<NamePart>{key("mouse_key_right_Swing")}));
  EXPECT_EQ(nameOf(0x11, 0x00, 0x03), (std::vector<NamePart>{key("mouse_key_left_Swing")}));
  EXPECT_EQ(nameOf(0x12, 0x00, 0xFD), (std::vector<NamePart>{key("mouse_key_down_Swing")}));
  EXPECT_EQ(nameOf(0x12, 0x00, 0x03), (std::vector<NamePart>{key("mouse_key_up_Swing")}));
  EXPECT_EQ(nameOf(0x14, 0x78, 0x02), (std::vector<NamePart>{key("mouse_key_fire_key")}));
  EXPECT_EQ(nameOf(0x16, 0x90, 0x01), (std::vector<NamePart>{key("mouse_key_DPI_shift")}));
  EXPECT_EQ(nameOf(0x23, 0, 0), (std::vector<NamePart>{key("show_window")}));
  EXPECT_EQ(nameOf(0x22, 0, 1), (std::vector<NamePart>{key("custem_copy")}));
  EXPECT_EQ(nameOf(0x22, 0, 8), (std::vector<NamePart>{key("custem_open")}));
  EXPECT_TRUE(nameOf(0x22, 0, 9).empty());
  EXPECT_EQ(nameOf(0x72, 3, 0), (std::vector<NamePart>{key("gun_4_txt")}));
  EXPECT_TRUE(nameOf(0x72, 4, 0).empty());
  EXPECT_EQ(nameOf(0xA0, 0x00, 0), (std::vector<NamePart>{key("close_text")}));
  EXPECT_EQ(nameOf(0xA0, 0x01, 0), (std::vector<NamePart>{key("keyboard_key_FN")}));
  EXPECT_EQ(nameOf(0xA0, 0x02, 0), (std::vector<NamePart>{key("mouse_key_smart_key")}));
  EXPECT_EQ(nameOf(0xA0, 0x1B, 0), (std::vector<NamePart>{key("keyboard_key_GM")}));
  EXPECT_TRUE(nameOf(0xA0, 0x03, 0).empty());
  EXPECT_EQ(nameOf(0xD0, 0xA2, 3), (std::vector<NamePart>{key("keyboard_key_M3")}));
  EXPECT_TRUE(nameOf(0xD0, 0xA2, 6).empty());
  EXPECT_TRUE(nameOf(0x30, 0x01, 0x00).empty());
  EXPECT_TRUE(nameOf(0x10, 0x20, 0x00).empty());
  for (uint8_t t : {0x15, 0x21, 0x50, 0x60, 0xB0, 0xC0}) EXPECT_TRUE(nameOf(t, 1, 2).empty()) << int(t);

  // Macros are named by the caller's list, and only within it.
  const std::vector<std::string> macros{"Reload", "Build"};
  EXPECT_EQ(nameOf(0x70, 1, 0, macros), (std::vector<NamePart>{NamePart{Kind::Text, "Build"}}));
  EXPECT_EQ(nameOf(0x71, 0, 9, macros), (std::vector<NamePart>{NamePart{Kind::Text, "Reload"}}));
  EXPECT_TRUE(nameOf(0x70, 2, 0, macros).empty());
  EXPECT_EQ(joinFunctionName(nameOf(0x70, 0, 0, macros), [](std::string_view) { return std::string("x"); }),
            "Reload");
}

}  // namespace
