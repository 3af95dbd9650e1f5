// The keyboard's encodings against the emulated keyboard's factory memories:
// what a real read of its tables and settings gives the page.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "devices/keyboard/keyboard_encoding.h"
#include "sim/firmware_keyboard.h"

using namespace tessel;
using namespace tessel::keyboard;

TEST(KeyboardEncodingOnFirmware, EveryLayoutKeyFindsItsDeviceKeyAndLed) {
  sim::KeyboardFirmware fw;
  const KeyboardIdentity id = decodeKeyboardIdentity(fw.identity());
  ASSERT_TRUE(tablesFit(id));
  const auto maps = buildKeyMaps(id, fw.defaultKeyTable(), fw.ledTable());
  ASSERT_TRUE(maps);
  std::set<uint8_t> keys, leds;
  for (size_t j = 0; j < kWrittenPositions; ++j) {
    const bool blank = j == 18 || j == 19 || j == 20 || j == 104;
    if (blank) {
      EXPECT_EQ(maps->keyMap[j], kNone) << j;  // this keyboard has no blank key
      continue;
    }
    ASSERT_NE(maps->keyMap[j], kNone) << j;
    EXPECT_NE(maps->ledMap[j], kNone) << j;
    keys.insert(maps->keyMap[j]);
    leds.insert(maps->ledMap[j]);
  }
  // 122 distinct keys and LEDs: nothing is written twice, every LED painted.
  EXPECT_EQ(keys.size(), id.keyCount);
  EXPECT_EQ(leds.size(), id.keyCount);
  // With every position at its default the key table written is the factory one.
  std::vector<KeyListEntry> positions;
  for (const FunctionCode& c : kPositionDefaults) positions.push_back({c, c});
  const auto factory = fw.defaultKeyTable();
  EXPECT_EQ(buildUserKeyTable(factory, *maps, positions, 0).image,
            std::vector<uint8_t>(factory.begin(), factory.begin() + static_cast<long>(keyTableSize(id))));
  // The factory custom colours survive a read and a write unchanged.
  const auto memory = fw.customColours();
  const auto colours = decodeCustomColours(memory, *maps, 4, {});
  ASSERT_TRUE(colours);
  EXPECT_EQ(encodeCustomColours(*colours, *maps, {}),
            std::vector<uint8_t>(memory.begin(), memory.begin() + static_cast<long>(keyTableSize(id))));
}

TEST(KeyboardEncodingOnFirmware, FactorySettingsBlocksRoundTrip) {
  sim::KeyboardFirmware fw;
  const auto area = fw.settings();
  for (size_t p = 0; p < sim::kKeyboardProfiles; ++p) {
    SettingsBlock block{};
    ASSERT_GE(area.size(), settingsOffset(static_cast<uint8_t>(p)) + kSettingsBlockSize);
    std::copy_n(area.begin() + static_cast<long>(settingsOffset(static_cast<uint8_t>(p))), kSettingsBlockSize,
                block.begin());
    const std::vector<uint8_t> codes = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
                                        16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30};
    KeyboardSystemStages sys;
    sys.pollingRate = block[22];  // the page's own choice, as the document would hold it
    const DecodedSettings d = decodeSettingsBlock(block, codes, {}, sys);
    SettingsBlock want = block;
    want[16] = 0;
    want[26] = 0;
    EXPECT_EQ(encodeSettingsBlock(d.kept, d.light, codes, d.system), want) << "profile " << p;
  }
}
