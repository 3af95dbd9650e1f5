// Button values as text: what `tesselctl set` reads and `get` prints.
#include "config/function_code_text.h"

#include <gtest/gtest.h>

#include "config/function_codes.h"

using namespace tessel;

namespace {

constexpr FunctionCode kFireDefault{0x14, 0x78, 0x02};

FunctionCode parsed(std::string_view text) {
  const auto r = parseFunctionCode(text, kFireDefault);
  EXPECT_TRUE(r.ok) << text << ": " << r.error;
  return r.code;
}

std::string errorOf(std::string_view text) {
  const auto r = parseFunctionCode(text, kFireDefault);
  EXPECT_FALSE(r.ok) << text;
  return r.error;
}

TEST(FunctionCodeText, ParsesEveryForm) {
  const std::pair<const char*, FunctionCode> cases[] = {
      {"default", kFireDefault},
      {"  DEFAULT ", kFireDefault},
      {"none", {0x00, 0x00, 0x00}},
      {"mouse:left", {0x10, 0x01, 0x00}},
      {"mouse:Forward", {0x10, 0x10, 0x00}},
      {"mouse:back", {0x10, 0x08, 0x00}},
      {"dpi:up", {0x13, 0x01, 0x00}},
      {"dpi:cycle", {0x13, 0x03, 0x00}},
      {"dpi:shift:400", {0x16, 0x90, 0x01}},
      {"key:A", {0x20, 0x00, 0x04}},
      {"key:ctrl+c", {0x20, 0x01, 0x06}},
      {"key:Ctrl+Shift+Alt+Win+a", {0x20, 0x0F, 0x04}},
      {"key:rctrl+ralt+F5", {0x20, 0x50, 0x3E}},
      {"key:ctrl", {0x20, 0x01, 0x00}},
      {"key:ctrl+shift", {0x20, 0x03, 0x00}},
      {"key:LShift", {0x20, 0x02, 0x00}},
      {"key:rwin", {0x20, 0x80, 0x00}},
      {"key:page_up", {0x20, 0x00, 0x4B}},
      {"key:Page Up", {0x20, 0x00, 0x4B}},
      {"key:Num +", {0x20, 0x00, 0x57}},
      {"key:ctrl+Num_+", {0x20, 0x01, 0x57}},
      {"key:ctrl+-", {0x20, 0x01, 0x2D}},
      {"key:xiegang", {0x20, 0x00, 0x31}},
      {"key:M1", {0xD0, 0xA2, 0x01}},
      {"key:volume_up", {0x30, 0xE9, 0x00}},
      {"media:vol_up", {0x30, 0xE9, 0x00}},
      {"media:media_vol_add", {0x30, 0xE9, 0x00}},
      {"media:player", {0x30, 0x83, 0x01}},
      {"media:web_stop", {0x30, 0x26, 0x02}},
      {"system:wake", {0x40, 0x04, 0x00}},
      {"shortcut:copy", {0x20, 0x10, 0x06}},
      {"shortcut:zoom_in", {0x20, 0x10, 0x2E}},
      {"shortcut:custem_narrow", {0x20, 0x10, 0x2D}},
      {"special:gm", {0xA0, 0x1B, 0x00}},
      {"special:disabled", {0xA0, 0x00, 0x00}},
      {"fire:120:2", {0x14, 0x78, 0x02}},
      {"scroll:down:3", {0x12, 0x00, 0xFD}},
      {"scroll:up:127", {0x12, 0x00, 0x7F}},
      {"scroll:down:127", {0x12, 0x00, 0x81}},
      {"scroll:right:3", {0x11, 0x00, 0x83}},
      {"scroll:left:1:15:0", {0x11, 0xF0, 0x01}},
      {"scroll:up:5:2:3", {0x12, 0x23, 0x05}},
      {"macro:5", {0x70, 0x05, 0x00}},
      {"macro:5:2", {0x70, 0x05, 0x02}},
      {"macro:1:x10", {0x71, 0x01, 0x0A}},
      {"macro:0x10:X0", {0x71, 0x10, 0x00}},
      {"recoil:3", {0x72, 0x03, 0x00}},
      {"raw:0x16:0x90:0x01", {0x16, 0x90, 0x01}},
      {"raw:22:144:1", {0x16, 0x90, 0x01}},
      {"RAW:0xFF:0Xab:255", {0xFF, 0xAB, 0xFF}},
  };
  for (const auto& [text, code] : cases) {
    const FunctionCode got = parsed(text);
    EXPECT_EQ(got, code) << text << " gave " << int(got.type) << " " << int(got.param1) << " " << int(got.param2);
  }
}

TEST(FunctionCodeText, ErrorsNameWhatIsWrong) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "empty"},
      {"foo", "unknown function \"foo\""},
      {"foo:bar", "unknown function \"foo\""},
      {"mouse:side", "unknown name \"side\""},
      {"mouse:left:1", "expected mouse:NAME"},
      {"key:", "key name is missing"},
      {"key:ctrl+", "unknown key \"ctrl+\""},
      {"key:ctrl+nokey", "unknown key \"nokey\""},
      {"key:ctrl+M1", "cannot take modifiers"},
      {"media:louder", "unknown name \"louder\""},
      {"shortcut:print", "unknown name \"print\""},
      {"system:reboot", "expected power, sleep, wake"},
      {"dpi:fast", "unknown function \"fast\""},
      {"dpi:shift:65536", "out of range 0..65535"},
      {"fire:256:1", "fire interval 256 is out of range 0..255"},
      {"fire:1", "expected fire:INTERVAL:COUNT"},
      {"fire:1:two", "fire count \"two\" is not a number"},
      {"scroll:down:0", "scroll count 0 is out of range 1..127"},
      {"scroll:down:128", "out of range 1..127"},
      {"scroll:down:-3", "not a number"},
      {"scroll:up:3:16:0", "scroll delay 16 is out of range 0..15"},
      {"scroll:up:3:0:16", "scroll speed 16"},
      {"scroll:up:3:1", "expected scroll:"},
      {"scroll:sideways:3", "unknown direction \"sideways\""},
      {"macro:256", "macro index 256 is out of range"},
      {"macro:1:4", "macro end mode 4 is out of range 0..3"},
      {"macro:1:x", "macro repeat count \"\" is not a number"},
      {"macro:1:x256", "out of range 0..255"},
      {"macro:1:2:3", "expected macro:"},
      {"recoil:4", "recoil pattern 4 is out of range 0..3"},
      {"raw:1:2", "expected raw:TYPE:P1:P2"},
      {"raw:0x100:0:0", "raw type 256 is out of range"},
      {"raw:zz:0:0", "raw type \"zz\" is not a number"},
      {"raw:1:2:0x", "raw p2 \"0x\" is not a number"},
  };
  for (const auto& [text, expected] : cases) {
    const std::string error = errorOf(text);
    EXPECT_NE(error.find(expected), std::string::npos) << text << " -> " << error;
  }
}

TEST(FunctionCodeText, PrintsNamesWhereThereAreNames) {
  const std::pair<FunctionCode, const char*> cases[] = {
      {{0x00, 0x00, 0x00}, "none"},
      {{0x10, 0x04, 0x00}, "mouse:middle"},
      {{0x13, 0x02, 0x00}, "dpi:down"},
      {{0x16, 0x90, 0x01}, "dpi:shift:400"},
      {{0x20, 0x01, 0x06}, "key:ctrl+C"},
      {{0x20, 0x10, 0x06}, "shortcut:copy"},
      {{0x20, 0x11, 0x06}, "key:ctrl+rctrl+C"},
      {{0x20, 0x03, 0x00}, "key:ctrl+shift"},
      {{0x20, 0x00, 0x4B}, "key:Page_Up"},
      {{0x20, 0x00, 0x57}, "key:Num_+"},
      {{0xD0, 0xA2, 0x05}, "key:M5"},
      {{0x30, 0xEA, 0x00}, "media:vol_down"},
      {{0x40, 0x02, 0x00}, "system:sleep"},
      {{0xA0, 0x02, 0x00}, "special:smart"},
      {{0x14, 0x78, 0x02}, "fire:120:2"},
      {{0x12, 0x00, 0xFD}, "scroll:down:3"},
      {{0x11, 0x25, 0x83}, "scroll:right:3:2:5"},
      {{0x70, 0x05, 0x00}, "macro:5"},
      {{0x70, 0x05, 0x03}, "macro:5:3"},
      {{0x71, 0x01, 0x0A}, "macro:1:x10"},
      {{0x72, 0x00, 0x00}, "recoil:0"},
      // Codes the grammar has no name for.
      {{0x20, 0x00, 0x00}, "raw:0x20:0x00:0x00"},
      {{0x20, 0x01, 0x03}, "raw:0x20:0x01:0x03"},
      {{0x12, 0x00, 0x80}, "raw:0x12:0x00:0x80"},
      {{0x12, 0x00, 0x00}, "raw:0x12:0x00:0x00"},
      {{0x11, 0x00, 0x80}, "raw:0x11:0x00:0x80"},
      {{0x70, 0x00, 0x04}, "raw:0x70:0x00:0x04"},
      {{0x72, 0x04, 0x00}, "raw:0x72:0x04:0x00"},
      {{0x23, 0x00, 0x00}, "raw:0x23:0x00:0x00"},
  };
  for (const auto& [code, text] : cases)
    EXPECT_EQ(formatFunctionCode(code), text) << int(code.type) << " " << int(code.param1) << " " << int(code.param2);
  EXPECT_EQ(formatButtonValue(kFireDefault, kFireDefault), "default");
  EXPECT_EQ(formatButtonValue(FunctionCode{0x10, 1, 0}, kFireDefault), "mouse:left");
}

TEST(FunctionCodeText, EveryCodeOfTheKnownTypesPrintsBackToItself) {
  // Every p1/p2 pair of every type with a name form, and a spread of others.
  const uint8_t types[] = {0x00, 0x10, 0x11, 0x12, 0x13, 0x14, 0x16, 0x20, 0x22,
                           0x23, 0x30, 0x40, 0x70, 0x71, 0x72, 0xA0, 0xB0, 0xD0};
  size_t failures = 0;
  auto check = [&failures](const FunctionCode& c) {
    const std::string text = formatFunctionCode(c);
    const auto r = parseFunctionCode(text, FunctionCode{0x99, 0x99, 0x99});
    if (r.ok && r.code == c && text.find(' ') == std::string::npos && text != "default") return;
    if (++failures < 10)
      ADD_FAILURE() << int(c.type) << " " << int(c.param1) << " " << int(c.param2) << " -> " << text << " "
                    << r.error;
  };
  for (uint8_t t : types)
    for (int p1 = 0; p1 < 256; ++p1)
      for (int p2 = 0; p2 < 256; ++p2) check(FunctionCode{t, uint8_t(p1), uint8_t(p2)});
  for (int t = 0; t < 256; ++t) check(FunctionCode{uint8_t(t), uint8_t(t * 7), uint8_t(t * 13)});
  EXPECT_EQ(failures, 0u);
}

}  // namespace
