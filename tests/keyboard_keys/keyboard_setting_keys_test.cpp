// The keyboard's key functions as text (key.P values) and the shape of its
// key table; what the keys do to the keyboard is in tests/tools.
#include <gtest/gtest.h>

#include <set>

#include "devices/keyboard/keyboard_layout.h"
#include "devices/keyboard/keyboard_setting_keys.h"

namespace tessel {
namespace {

FunctionCode parse(std::string_view text, const FunctionCode& def = {0x20, 0, 0x29}) {
  FunctionCode code;
  std::string why;
  EXPECT_TRUE(parseKeyFunction(text, def, code, why)) << text << ": " << why;
  return code;
}

std::string refusal(std::string_view text) {
  FunctionCode code{1, 2, 3};
  std::string why;
  EXPECT_FALSE(parseKeyFunction(text, {0x20, 0, 0x29}, code, why)) << text;
  EXPECT_EQ(code, (FunctionCode{1, 2, 3})) << "a refused text leaves the code alone";
  return why;
}

TEST(KeyboardKeyFunction, KeyboardWordsAndTheSharedGrammar) {
  EXPECT_EQ(parse("fn"), (FunctionCode{0xA0, 0x01, 0x00}));
  EXPECT_EQ(parse("FN"), (FunctionCode{0xA0, 0x01, 0x00}));
  EXPECT_EQ(parse("game-mode"), (FunctionCode{0xA0, 0x1B, 0x00}));
  EXPECT_EQ(parse("m1"), (FunctionCode{0xD0, 0xA2, 0x01}));
  EXPECT_EQ(parse("M5"), (FunctionCode{0xD0, 0xA2, 0x05}));
  EXPECT_EQ(parse("default", {0xA0, 0x24, 0x00}), (FunctionCode{0xA0, 0x24, 0x00}));
  EXPECT_EQ(parse("none"), (FunctionCode{0, 0, 0}));
  EXPECT_EQ(parse("key:shift+b"), (FunctionCode{0x20, 0x02, 0x05}));
  EXPECT_EQ(parse("macro:2"), (FunctionCode{0x70, 0x02, 0x00}));
  for (const char* bad : {"m0", "m6", "m", "m12", "gamemode", "fn:1", "", "key:nosuchkey"})
    EXPECT_NE(refusal(bad).find("fn, game-mode, m1..m5"), std::string::npos) << bad;
  // Every code a document may hold prints back, so the shared grammar stays whole.
  EXPECT_EQ(parse("recoil:1"), (FunctionCode{0x72, 0x01, 0x00}));
}

TEST(KeyboardKeyFunction, EveryLayoutDefaultPrintsAsTextThatParsesBack) {
  const FunctionCode other{0x20, 0x00, 0x04};
  for (size_t p = 0; p < keyboard::kPositions; ++p) {
    const FunctionCode d = keyboard::kPositionDefaults[p];
    EXPECT_EQ(formatKeyFunction(d, d), "default") << p;
    if (d == other) continue;
    const std::string text = formatKeyFunction(d, other);
    EXPECT_EQ(parse(text, other), d) << p << " printed as " << text;
  }
  EXPECT_EQ(formatKeyFunction({0xA0, 0x01, 0x00}, other), "fn");
  EXPECT_EQ(formatKeyFunction({0xA0, 0x1B, 0x00}, other), "game-mode");
  EXPECT_EQ(formatKeyFunction({0xD0, 0xA2, 0x04}, other), "m4");
  // Not a macro key M1..M5: the shared raw form, which still parses back.
  const FunctionCode odd{0xD0, 0xA2, 0x06};
  EXPECT_NE(formatKeyFunction(odd, other), "m6");
  EXPECT_EQ(parse(formatKeyFunction(odd, other), other), odd);
}

TEST(KeyboardKeyTable, EveryPositionHasAKeyAndAColourOnce) {
  const auto& table = keyboardSettingKeys();
  std::set<std::string> names;
  for (const auto& row : table) EXPECT_TRUE(names.insert(row.key).second) << row.key;
  for (int p = 0; p < 170; ++p) {
    EXPECT_TRUE(names.count("key." + std::to_string(p))) << p;
    EXPECT_TRUE(names.count("colour." + std::to_string(p))) << p;
  }
  EXPECT_FALSE(names.count("key.170"));
  for (const char* k : {"light.mode", "light.zzcc", "light.group", "light.colour", "option.rollover", "option.wkey",
                        "option.winlock", "polling", "repeat.rate", "repeat.delay"})
    EXPECT_TRUE(names.count(k)) << k;
  EXPECT_EQ(table.size(), 170u * 2 + 6 + 2 + 6 + 5);
}

}  // namespace
}  // namespace tessel
