// The keyboard's layout positions and the maps built from its tables.
#include <gtest/gtest.h>

#include <vector>

#include "devices/keyboard/keyboard_layout.h"

using namespace tessel;
using namespace tessel::keyboard;

namespace {

KeyboardIdentity withKeys(uint8_t n) { return {n, 0}; }

void putTriple(std::vector<uint8_t>& table, size_t key, FunctionCode c) {
  table[key * 3] = c.type;
  table[key * 3 + 1] = c.param1;
  table[key * 3 + 2] = c.param2;
}

}  // namespace

TEST(KeyboardLayout, PositionTableLandmarks) {
  EXPECT_EQ(kPositionDefaults[0], (FunctionCode{0x20, 0x00, 0x29}));    // Esc
  EXPECT_EQ(kPositionDefaults[16], (FunctionCode{0xA0, 0x1B, 0x00}));   // game mode
  EXPECT_EQ(kPositionDefaults[17], (FunctionCode{0xA0, 0x24, 0x00}));
  EXPECT_EQ(kPositionDefaults[84], (FunctionCode{0x20, 0x02, 0x00}));   // left shift
  EXPECT_EQ(kPositionDefaults[103], (FunctionCode{0x20, 0x00, 0x85}));
  EXPECT_EQ(kPositionDefaults[kFnPosition], (FunctionCode{0xA0, 0x01, 0x00}));
  for (uint8_t m = 0; m < 5; ++m)
    EXPECT_EQ(kPositionDefaults[kFirstMacroKeyPosition + m], (FunctionCode{0xD0, 0xA2, static_cast<uint8_t>(m + 1)}));
  EXPECT_EQ(kPositionDefaults[125], (FunctionCode{0x20, 0x80, 0x00}));
  for (size_t j : {18u, 19u, 20u, 104u}) EXPECT_EQ(kPositionDefaults[j], (FunctionCode{0x20, 0, 0})) << j;
  for (size_t j = kWrittenPositions; j < kPositions; ++j) EXPECT_EQ(kPositionDefaults[j], (FunctionCode{0x20, 0, 0}));
  // Apart from the blanks every written position names a distinct function:
  // a duplicate would make two positions fight for one device key.
  for (size_t a = 0; a < kWrittenPositions; ++a)
    for (size_t b = a + 1; b < kWrittenPositions; ++b)
      if (kPositionDefaults[a] == kPositionDefaults[b]) {
        EXPECT_EQ(kPositionDefaults[a], (FunctionCode{0x20, 0, 0})) << a << " and " << b;
      }
}

TEST(KeyboardLayout, IdentityBytesSizeTheTables) {
  std::array<uint8_t, kIdentitySize> block{};
  block[5] = 122;
  block[6] = 40;
  const KeyboardIdentity id = decodeKeyboardIdentity(block);
  EXPECT_EQ(id.keyCount, 122);
  EXPECT_EQ(id.macroCapacity, 40);
  EXPECT_EQ(keyTableSize(id), 366u);
  EXPECT_TRUE(tablesFit(id));
  EXPECT_TRUE(tablesFit(withKeys(170)));   // 510 bytes
  EXPECT_FALSE(tablesFit(withKeys(171)));  // 513 bytes
}

TEST(KeyboardLayout, EscAndF1MapToTheirDeviceKeys) {
  std::vector<uint8_t> defaults(2 * 3);
  putTriple(defaults, 0, {0x20, 0x00, 0x29});
  putTriple(defaults, 1, {0x20, 0x00, 0x3A});
  const std::vector<uint8_t> leds = {1, 0};
  const auto maps = buildKeyMaps(withKeys(2), defaults, leds);
  ASSERT_TRUE(maps);
  EXPECT_EQ(maps->keyMap[0], 0);
  EXPECT_EQ(maps->keyMap[1], 1);
  EXPECT_EQ(maps->ledMap[0], 1);
  EXPECT_EQ(maps->ledMap[1], 0);
  // A position whose triple no device key carries has neither.
  EXPECT_EQ(maps->keyMap[2], kNone);
  EXPECT_EQ(maps->ledMap[2], kNone);
  EXPECT_EQ(maps->keyMap[169], kNone);
}

TEST(KeyboardLayout, FirstMatchingKeyWinsAndBlanksShareIt) {
  std::vector<uint8_t> defaults(4 * 3);
  putTriple(defaults, 0, {0x20, 0x00, 0x04});  // A
  putTriple(defaults, 1, {0x20, 0x00, 0x00});  // a blank key
  putTriple(defaults, 2, {0x20, 0x00, 0x04});  // a second A: never reached
  putTriple(defaults, 3, {0x20, 0x00, 0x00});
  const std::vector<uint8_t> leds = {3, 2, 1, 0};
  const auto maps = buildKeyMaps(withKeys(4), defaults, leds);
  ASSERT_TRUE(maps);
  EXPECT_EQ(maps->keyMap[64], 0);  // A
  for (size_t j : {18u, 19u, 20u, 104u, 126u, 169u}) {
    EXPECT_EQ(maps->keyMap[j], 1) << j;
    EXPECT_EQ(maps->ledMap[j], 2) << j;
  }
}

TEST(KeyboardLayout, MapsAreBuiltOnlyFromTablesReadWhole) {
  std::vector<uint8_t> defaults(3 * 3);
  putTriple(defaults, 2, {0x20, 0x00, 0x29});
  const std::vector<uint8_t> leds = {0, 1, 2};
  EXPECT_TRUE(buildKeyMaps(withKeys(3), defaults, leds));
  // A short key table, a short LED table, or an N whose tables overflow the buffers.
  EXPECT_FALSE(buildKeyMaps(withKeys(3), std::span(defaults).first(8), leds));
  EXPECT_FALSE(buildKeyMaps(withKeys(3), defaults, std::span(leds).first(2)));
  std::vector<uint8_t> big(171 * 3), bigLeds(171);
  EXPECT_FALSE(buildKeyMaps(withKeys(171), big, bigLeds));
}

TEST(KeyboardLayout, LedIndicesAtOrPastNAreDropped) {
  std::vector<uint8_t> defaults(2 * 3);
  putTriple(defaults, 0, {0x20, 0x00, 0x29});
  putTriple(defaults, 1, {0x20, 0x00, 0x3A});
  const std::vector<uint8_t> leds = {2, 200};
  const auto maps = buildKeyMaps(withKeys(2), defaults, leds);
  ASSERT_TRUE(maps);
  EXPECT_EQ(maps->keyMap[0], 0);  // the key stays writable
  EXPECT_EQ(maps->ledMap[0], kNone);
  EXPECT_EQ(maps->ledMap[1], kNone);
}

TEST(KeyboardLayout, NoKeysMapsNothing) {
  const auto maps = buildKeyMaps(withKeys(0), {}, {});
  ASSERT_TRUE(maps);
  EXPECT_EQ(*maps, emptyKeyMaps());
}
