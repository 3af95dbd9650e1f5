// The keyboard's settings block, options, user key table and colour memories,
// pinned byte for byte.
#include <gtest/gtest.h>

#include <vector>

#include "devices/keyboard/keyboard_encoding.h"

using namespace tessel;
using namespace tessel::keyboard;

namespace {

// A mode list whose codes differ from their positions, with 20 and the two
// host-driven codes in it.
const std::vector<uint8_t> kModes = {0, 1, 2, 5, 20, 29, 30};

SettingsBlock patternBlock() {
  SettingsBlock b{};
  for (size_t i = 0; i < b.size(); ++i) b[i] = static_cast<uint8_t>(0xA0 + i);
  return b;
}

// N device keys whose default triples are those of positions 0..N-1, LED i
// at key N-1-i, so LED indices and key indices differ.
struct Keyboard {
  std::vector<uint8_t> defaults;
  std::vector<uint8_t> leds;
  KeyMaps maps;
};
Keyboard firstKeys(uint8_t n) {
  Keyboard kb;
  for (size_t k = 0; k < n; ++k) {
    const FunctionCode& c = kPositionDefaults[k];
    kb.defaults.insert(kb.defaults.end(), {c.type, c.param1, c.param2});
    kb.leds.push_back(static_cast<uint8_t>(n - 1 - k));
  }
  kb.maps = *buildKeyMaps({n, 0}, kb.defaults, kb.leds);
  return kb;
}

std::vector<KeyListEntry> defaultAssignments() {
  std::vector<KeyListEntry> list;
  for (const FunctionCode& c : kPositionDefaults) list.push_back({c, c});
  return list;
}

FunctionCode tripleAt(const std::vector<uint8_t>& image, size_t key) {
  return {image[key * 3], image[key * 3 + 1], image[key * 3 + 2]};
}

}  // namespace

TEST(KeyboardSettingsBlock, WritesTheByteTableOverWhatWasRead) {
  LightRecord light;
  light.selectItem = 3;  // code 5
  light.light = 2;
  light.speed = 1;
  light.fx = 1;
  light.multiColor = 1;
  light.red = 0x11;
  light.green = 0x22;
  light.blue = 0x33;
  light.zzccLedMode = 7;
  KeyboardSystemStages sys;
  sys.wFlag = 1;
  sys.key6Flag = 0;
  sys.winFlag = 1;
  sys.pollingRate = 2;
  const SettingsBlock read = patternBlock();
  const SettingsBlock b = encodeSettingsBlock(read, light, kModes, sys);
  const SettingsBlock want = {
      0xA0,                                            // byte 0 kept
      5, 2, 3, 1, 1, 0x11, 0x22, 0x33,                 // light: Speed 1 sends 3
      0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,        // 9..15 as read
      0,                                               // 16
      0xB1,                                            // 17 as read
      7, 1, 0, 1, 2,                                   // ZZCC, W, six-key, Windows lock, polling
      0xB7, 0xB8, 0xB9,                                // 23..25 as read
      0,                                               // 26
      0xBB, 0xBC, 0xBD, 0xBE};                         // 27..30 as read
  EXPECT_EQ(b, want);
}

TEST(KeyboardSettingsBlock, HostDrivenModesAreSentAs0xFE) {
  LightRecord light;
  light.selectItem = 5;  // code 29
  EXPECT_EQ(encodeSettingsBlock({}, light, kModes, {})[1], kHostDrivenCode);
  light.selectItem = 6;  // code 30
  EXPECT_EQ(encodeSettingsBlock({}, light, kModes, {})[1], kHostDrivenCode);
  light.selectItem = 4;  // code 20, the custom mode, goes as it is
  EXPECT_EQ(encodeSettingsBlock({}, light, kModes, {})[1], 20);
  // Past the list: the first code; no list: 0.
  EXPECT_EQ(encodeKeyboardLightMode(40, kModes), 0);
  EXPECT_EQ(encodeKeyboardLightMode(2, {}), 0);
}

TEST(KeyboardSettingsBlock, OutOfRangeValuesAreBoundedOnTheWayOut) {
  LightRecord light;
  light.speed = 9;
  KeyboardSystemStages sys;
  sys.pollingRate = 7;
  sys.wFlag = 5;
  const SettingsBlock b = encodeSettingsBlock({}, light, kModes, sys);
  EXPECT_EQ(b[3], 0);   // Speed above 4 is 4
  EXPECT_EQ(b[22], 0);  // a polling choice past 3 is choice 0
  EXPECT_EQ(b[19], 1);  // a flag is 0 or 1
}

TEST(KeyboardSettingsBlock, ReadGivesLightFlagsAndKeepsTheRest) {
  SettingsBlock block = patternBlock();
  block[1] = 5;  // position 3
  block[2] = 3;
  block[3] = 3;  // Speed 1
  block[4] = 1;
  block[5] = 1;
  block[6] = 0x40;
  block[7] = 0x50;
  block[8] = 0x60;
  block[18] = 4;
  block[19] = 0;
  block[20] = 1;
  block[21] = 1;
  block[22] = 3;
  LightRecord previous;
  previous.selectItem = 1;
  previous.customGroup = 2;
  KeyboardSystemStages prevSys;
  prevSys.repeat = 12;
  prevSys.repeatDelay = 2;
  prevSys.pollingRate = 1;
  prevSys.wFlag = 1;
  const DecodedSettings d = decodeSettingsBlock(block, kModes, previous, prevSys);
  EXPECT_EQ(d.light.selectItem, 3);
  EXPECT_TRUE(d.modeChanged);
  EXPECT_EQ(d.light.light, 3);
  EXPECT_EQ(d.light.speed, 1);
  EXPECT_EQ(d.light.fx, 1);
  EXPECT_EQ(d.light.multiColor, 1);
  EXPECT_EQ(d.light.red, 0x40);
  EXPECT_EQ(d.light.green, 0x50);
  EXPECT_EQ(d.light.blue, 0x60);
  EXPECT_EQ(d.light.zzccLedMode, 4);
  EXPECT_EQ(d.light.customGroup, 2);
  // The flags follow the device; the polling choice and repeat values do not.
  EXPECT_EQ(d.system.wFlag, 0);
  EXPECT_EQ(d.system.key6Flag, 1);
  EXPECT_EQ(d.system.winFlag, 1);
  EXPECT_EQ(d.system.pollingRate, 1);
  EXPECT_EQ(d.system.repeat, 12);
  EXPECT_EQ(d.system.repeatDelay, 2);
  // The kept copy is the block with byte 16 cleared; the next write starts there.
  SettingsBlock kept = block;
  kept[16] = 0;
  EXPECT_EQ(d.kept, kept);
  // Writing back what was read changes only the polling choice and byte 26.
  const SettingsBlock again = encodeSettingsBlock(d.kept, d.light, kModes, d.system);
  for (size_t i = 0; i < again.size(); ++i)
    if (i != 22 && i != 26) {
      EXPECT_EQ(again[i], kept[i]) << "byte " << i;
    }
  EXPECT_EQ(again[22], 1);
  EXPECT_EQ(again[26], 0);
}

TEST(KeyboardSettingsBlock, ModeByteDecoding) {
  EXPECT_EQ(decodeKeyboardLightMode(kHostDrivenCode, kModes, 6), 6);  // 0xFE keeps the mode
  EXPECT_EQ(decodeKeyboardLightMode(kHostDrivenCode, kModes, 2), 2);
  EXPECT_EQ(decodeKeyboardLightMode(20, kModes, 0), 4);
  EXPECT_EQ(decodeKeyboardLightMode(12, kModes, 0), 12);   // not listed: taken as the position
  EXPECT_EQ(decodeKeyboardLightMode(31, kModes, 2), 2);    // names no mode: kept
  EXPECT_EQ(decodeKeyboardLightMode(0xC8, {}, 1), 1);
  SettingsBlock block{};
  block[1] = kHostDrivenCode;
  LightRecord previous;
  previous.selectItem = 5;
  const DecodedSettings d = decodeSettingsBlock(block, kModes, previous, {});
  EXPECT_EQ(d.light.selectItem, 5);
  EXPECT_FALSE(d.modeChanged);
}

TEST(KeyboardSettingsBlock, DeviceBytesUsedAsIndicesAreBounded) {
  SettingsBlock block{};
  block[2] = 9;  // brightness past the factor table
  block[3] = 7;  // 4 - 7 would wrap
  const DecodedSettings d = decodeSettingsBlock(block, kModes, {}, {});
  EXPECT_EQ(d.light.light, 4);
  EXPECT_EQ(d.light.speed, 0);
  EXPECT_EQ(boundProfile(3), 3);
  EXPECT_EQ(boundProfile(15), 15);
  EXPECT_EQ(boundProfile(16), 0);
  EXPECT_EQ(settingsOffset(2), 62u);
  EXPECT_EQ(settingsOffset(0xFF), 0u);
}

TEST(KeyboardOptions, ChoicesOutOfRangeSelectTheFirst) {
  EXPECT_EQ(choiceIndex(3, kPollingChoices), 3);
  EXPECT_EQ(choiceIndex(4, kPollingChoices), 0);
  EXPECT_EQ(choiceIndex(-1, kRepeatDelayChoices), 0);
  EXPECT_EQ(repeatDelayMs(0), 250);
  EXPECT_EQ(repeatDelayMs(3), 1000);
  EXPECT_EQ(repeatDelayMs(9), 250);
}

TEST(KeyboardUserKeyTable, PositionsGoToTheirDeviceKeys) {
  const Keyboard kb = firstKeys(30);
  auto positions = defaultAssignments();
  positions[1].assignment = {0x20, 0x01, 0x06};  // F1 -> Ctrl+C
  const UserKeyTable t = buildUserKeyTable(kb.defaults, kb.maps, positions, 0);
  ASSERT_EQ(t.image.size(), 90u);
  EXPECT_EQ(tripleAt(t.image, 1), (FunctionCode{0x20, 0x01, 0x06}));
  for (size_t k = 0; k < 30; ++k)
    if (k != 1) {
      EXPECT_EQ(tripleAt(t.image, k), tripleAt(kb.defaults, k)) << k;
    }
  EXPECT_TRUE(t.macroOrder.empty());
}

TEST(KeyboardUserKeyTable, KeysNoPositionReachesKeepTheirDefault) {
  Keyboard kb = firstKeys(3);
  // Device key 2 carries a function no position has; position 2 maps nowhere.
  kb.defaults[6] = 0x30;
  kb.defaults[7] = 0xE9;
  kb.defaults[8] = 0x00;
  kb.maps = *buildKeyMaps({3, 0}, kb.defaults, kb.leds);
  ASSERT_EQ(kb.maps.keyMap[2], kNone);
  auto positions = defaultAssignments();
  positions[2].assignment = {0x20, 0x00, 0x04};
  const UserKeyTable t = buildUserKeyTable(kb.defaults, kb.maps, positions, 0);
  EXPECT_EQ(tripleAt(t.image, 2), (FunctionCode{0x30, 0xE9, 0x00}));
}

TEST(KeyboardUserKeyTable, MacroBindingsAreRenumberedAndMissingOnesSendTheDefault) {
  const Keyboard kb = firstKeys(10);
  auto positions = defaultAssignments();
  positions[3].assignment = {0x70, 4, 1};
  positions[4].assignment = {0x71, 2, 0};
  positions[6].assignment = {0x70, 4, 3};
  positions[5].assignment = {0x70, 5, 1};  // index 5 of a library of 5
  const UserKeyTable t = buildUserKeyTable(kb.defaults, kb.maps, positions, 5);
  EXPECT_EQ(t.macroOrder, (std::vector<uint8_t>{4, 2}));
  EXPECT_EQ(tripleAt(t.image, 3), (FunctionCode{0x70, 0, 1}));
  EXPECT_EQ(tripleAt(t.image, 4), (FunctionCode{0x71, 1, 0}));
  EXPECT_EQ(tripleAt(t.image, 6), (FunctionCode{0x70, 0, 3}));
  EXPECT_EQ(tripleAt(t.image, 5), kPositionDefaults[5]);
}

TEST(KeyboardUserKeyTable, AnEditedBlankPositionKeepsTheSharedKey) {
  // Device key 0 is Esc, key 1 the one blank key: positions 18, 19, 20, 104
  // and 126..169 all map to it.
  std::vector<uint8_t> defaults = {0x20, 0x00, 0x29, 0x20, 0x00, 0x00};
  const KeyMaps maps = *buildKeyMaps({2, 0}, defaults, std::vector<uint8_t>{0, 1});
  auto positions = defaultAssignments();
  positions[19].assignment = {0x20, 0x00, 0x04};  // edited; 20 and 104 still send their default
  UserKeyTable t = buildUserKeyTable(defaults, maps, positions, 0);
  EXPECT_EQ(tripleAt(t.image, 1), (FunctionCode{0x20, 0x00, 0x04}));
  // Two edits on the shared key: the higher position wins.
  positions[104].assignment = {0x20, 0x00, 0x05};
  t = buildUserKeyTable(defaults, maps, positions, 0);
  EXPECT_EQ(tripleAt(t.image, 1), (FunctionCode{0x20, 0x00, 0x05}));
  // Positions past 125 are never written, edited or not.
  positions[19] = {kPositionDefaults[19], kPositionDefaults[19]};
  positions[104] = {kPositionDefaults[104], kPositionDefaults[104]};
  positions[150].assignment = {0x20, 0x00, 0x06};
  t = buildUserKeyTable(defaults, maps, positions, 0);
  EXPECT_EQ(tripleAt(t.image, 1), (FunctionCode{0x20, 0x00, 0x00}));
  // A binding to a missing macro is not an edit: it does not take the key.
  positions[18].assignment = {0x70, 3, 1};
  positions[20].assignment = {0x20, 0x00, 0x07};
  t = buildUserKeyTable(defaults, maps, positions, 3);
  EXPECT_EQ(tripleAt(t.image, 1), (FunctionCode{0x20, 0x00, 0x07}));
}

TEST(KeyboardUserKeyTable, RefusesTablesThatDoNotFit) {
  const Keyboard kb = firstKeys(10);
  const auto positions = defaultAssignments();
  EXPECT_TRUE(buildUserKeyTable(std::span(kb.defaults).first(29), kb.maps, positions, 0).image.empty());
  // A short assignment list writes only the positions it has.
  const UserKeyTable t = buildUserKeyTable(kb.defaults, kb.maps, std::span(positions).first(3), 0);
  EXPECT_EQ(t.image, kb.defaults);
}

TEST(KeyboardCustomColours, AlphaFollowsBrightness) {
  EXPECT_EQ(brightnessAlpha(0), 0);
  EXPECT_EQ(brightnessAlpha(1), 79);   // 80 x 255 / 256
  EXPECT_EQ(brightnessAlpha(2), 134);
  EXPECT_EQ(brightnessAlpha(3), 194);
  EXPECT_EQ(brightnessAlpha(4), 254);
  EXPECT_EQ(brightnessAlpha(200), 254);
}

TEST(KeyboardCustomColours, ReadTakesEachPositionsLed) {
  const Keyboard kb = firstKeys(3);  // position j at LED 2 - j
  const std::vector<uint8_t> memory = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  CustomColours previous{};
  previous[50] = {9, 9, 9, 9};
  const auto c = decodeCustomColours(memory, kb.maps, 4, previous);
  ASSERT_TRUE(c);
  EXPECT_EQ((*c)[0], (CustomColor{7, 8, 9, 254}));
  EXPECT_EQ((*c)[1], (CustomColor{4, 5, 6, 254}));
  EXPECT_EQ((*c)[2], (CustomColor{1, 2, 3, 254}));
  EXPECT_EQ((*c)[50], (CustomColor{9, 9, 9, 9}));  // no LED: unchanged
  // A short read is not adopted.
  EXPECT_FALSE(decodeCustomColours(std::span(memory).first(8), kb.maps, 4, previous));
}

TEST(KeyboardCustomColours, WriteRoundTripsAndKeepsUnreachedLeds) {
  std::vector<uint8_t> defaults = {0x20, 0x00, 0x29, 0x30, 0xE9, 0x00};  // key 1 has no position
  const KeyMaps maps = *buildKeyMaps({2, 0}, defaults, std::vector<uint8_t>{1, 0});
  CustomColours colours{};
  colours[0] = {0x10, 0x20, 0x30, 255};
  const std::vector<uint8_t> base = {0xAA, 0xBB, 0xCC, 0, 0, 0};
  EXPECT_EQ(encodeCustomColours(colours, maps, base), (std::vector<uint8_t>{0xAA, 0xBB, 0xCC, 0x10, 0x20, 0x30}));
  EXPECT_EQ(encodeCustomColours(colours, maps, {}), (std::vector<uint8_t>{0, 0, 0, 0x10, 0x20, 0x30}));
  const std::vector<uint8_t> written = encodeCustomColours(colours, maps, base);
  const auto back = decodeCustomColours(written, maps, 4, {});
  ASSERT_TRUE(back);
  EXPECT_EQ((*back)[0].red, 0x10);
  EXPECT_EQ((*back)[0].blue, 0x30);
}

TEST(KeyboardLiveFrame, ColoursAreScaledByAlpha) {
  const Keyboard kb = firstKeys(2);  // position 0 at LED 1, position 1 at LED 0
  CustomColours colours{};
  colours[0] = {200, 100, 255, 128};
  colours[1] = {255, 255, 255, 0};
  EXPECT_EQ(encodeLiveFrame(colours, kb.maps), (std::vector<uint8_t>{0, 0, 0, 100, 50, 127}));
  EXPECT_TRUE(isLiveCode(29));
  EXPECT_TRUE(isLiveCode(30));
  EXPECT_FALSE(isLiveCode(20));
}
