// Linux key codes to the set-1 scan codes the key table recognises.
#include "config/scan_codes.h"

#include <gtest/gtest.h>

#include <map>

#include "config/function_codes.h"

using namespace tessel;

namespace {

constexpr uint32_t kKeyA = 30, kKeyRightShift = 54, kKeyKpAsterisk = 55, kKeyNumLock = 69, kKeyF11 = 87,
                   kKeyKpEnter = 96, kKeySysRq = 99, kKeyPause = 119, kKeyLeftMeta = 125, kKeyCompose = 127;

std::optional<size_t> keyOf(uint32_t evdev) {
  const auto s = scanCodeFromEvdev(evdev);
  if (!s) return std::nullopt;
  return findKeyByScanCode(s->code, s->extended);
}

TEST(ScanCodes, EveryKeyOfTheTableCanBePressed) {
  // Each scan-coded key is reached from exactly one evdev code, so every key
  // can be captured and no two Linux keys capture as the same one.
  std::map<size_t, uint32_t> reachedBy;
  for (uint32_t evdev = 0; evdev < 256; ++evdev) {
    const auto k = keyOf(evdev);
    if (!k) continue;
    EXPECT_TRUE(reachedBy.emplace(*k, evdev).second)
        << keyTable()[*k].name << " from " << evdev << " and " << reachedBy[*k];
  }
  for (size_t i = 0; i < kScanCodedKeyCount; ++i)
    EXPECT_TRUE(reachedBy.count(i)) << keyTable()[i].name << " cannot be captured";
}

TEST(ScanCodes, KeysThatShareACode) {
  EXPECT_EQ(keyOf(kKeyNumLock), 86u);
  EXPECT_EQ(keyOf(kKeyPause), 75u);
  EXPECT_EQ(keyOf(kKeyKpAsterisk), 88u);
  EXPECT_EQ(keyOf(kKeySysRq), 73u);
  EXPECT_EQ(keyOf(kKeyKpEnter), 91u);
  EXPECT_EQ(keyOf(kKeyRightShift), 5u);
  EXPECT_EQ(keyOf(kKeyLeftMeta), 3u);
  EXPECT_EQ(keyOf(kKeyCompose), 103u);
  EXPECT_EQ(scanCodeFromEvdev(kKeyF11), (SetOneScanCode{0x57, false}));
  EXPECT_FALSE(scanCodeFromEvdev(0));
  EXPECT_FALSE(scanCodeFromEvdev(240));
}

TEST(ScanCodes, X11KeycodesAreEvdevPlusEight) {
  EXPECT_EQ(evdevFromX11Keycode(38), kKeyA);
  EXPECT_EQ(keyOf(*evdevFromX11Keycode(38)), 8u);
  EXPECT_EQ(evdevFromX11Keycode(8), 0u);
  EXPECT_FALSE(evdevFromX11Keycode(7));
  EXPECT_FALSE(evdevFromX11Keycode(0));
}

}  // namespace
