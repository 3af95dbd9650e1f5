// The light settings block of the mousepad and the headset: decode, refresh
// and encode, byte for byte.
#include <gtest/gtest.h>

#include <numeric>
#include <tuple>

#include "device/base/light_settings_block.h"

using namespace tessel;

namespace {

// A model whose positions and codes differ: position i has code codes[i].
const std::array<uint8_t, 9> kCodes{0x10, 5, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18};

std::array<uint8_t, kLightBlockReadSize> readBytes() {
  std::array<uint8_t, kLightBlockReadSize> r{};
  std::iota(r.begin(), r.end(), uint8_t{100});  // device bytes 100..130
  r[0] = 7;       // byte 0 at the block's offset
  r[1] = 0x13;    // code of position 3
  r[2] = 3;       // brightness
  r[3] = 1;       // 4 - speed 3
  r[5] = 1;
  r[6] = 0x11;
  r[7] = 0x22;
  r[8] = 0x33;
  return r;
}

TEST(LightSettingsBlock, DecodeTurnsTheCodeIntoItsPositionAndKeepsDeviceBytes) {
  const auto b = decodeLightSettingsBlock(readBytes(), 2, kCodes);
  EXPECT_TRUE(b.read);
  EXPECT_EQ(b.profile, 2);
  EXPECT_EQ(b.byte0AsRead, 7);
  EXPECT_EQ(b.image[0], 2);
  EXPECT_EQ(b.image[1], 3);
  EXPECT_EQ(b.image[2], 3);
  EXPECT_EQ(b.image[3], 3);
  EXPECT_EQ(b.image[4], 104);
  EXPECT_EQ(b.image[20], 120);
}

TEST(LightSettingsBlock, DecodeBoundsDeviceBytesUsedAsIndices) {
  auto r = readBytes();
  r[1] = 0x77;  // a code the list does not know stays as read
  r[2] = 200;
  r[3] = 9;  // 4 - 9 would wrap round
  const auto b = decodeLightSettingsBlock(r, 0, kCodes);
  EXPECT_EQ(b.image[1], 0x77);
  EXPECT_EQ(b.image[2], 4);
  EXPECT_EQ(b.image[3], 0);
  EXPECT_EQ(boundedProfile(3, 4), 3);
  EXPECT_EQ(boundedProfile(4, 4), 0);
  EXPECT_EQ(boundedProfile(255, 4), 0);
  EXPECT_EQ(lightBlockOffset(2), 62);
}

TEST(LightSettingsBlock, EncodeSendsTheCodeAndLeavesThePositionInTheImage) {
  auto b = decodeLightSettingsBlock(readBytes(), 1, kCodes);
  LightRecord rec;
  rec.selectItem = 1;
  rec.light = 2;
  rec.speed = 4;
  rec.multiColor = 0;
  rec.red = 1;
  rec.green = 2;
  rec.blue = 3;
  refreshLightSettingsImage(b.image, rec);
  const auto sent = encodeLightSettingsBlock(b, rec.selectItem, kCodes);
  const LightBlockBytes expected{7, 5, 2, 0, 104, 0, 1, 2, 3, 109, 110, 111, 112, 113, 114, 115, 116, 117, 118, 119, 120};
  EXPECT_EQ(sent, expected);
  // The image keeps position 1 and speed 4 for the light thread.
  EXPECT_EQ(b.image[1], 1);
  EXPECT_EQ(b.image[3], 4);
  EXPECT_EQ(b.image[0], 1);
}

TEST(LightSettingsBlock, UserSequencesAndOutOfRangeItemsSendPositionZero) {
  auto b = decodeLightSettingsBlock(readBytes(), 0, kCodes);
  EXPECT_EQ(encodeLightSettingsBlock(b, 9, kCodes)[1], 0x10);
  EXPECT_EQ(encodeLightSettingsBlock(b, 10, kCodes)[1], 0x10);
  EXPECT_EQ(encodeLightSettingsBlock(b, 8, kCodes)[1], 0x18);
  // Without a list the position itself goes out.
  EXPECT_EQ(encodeLightSettingsBlock(b, 6, {})[1], 6);
}

TEST(LightSettingsBlock, RefreshLeavesByteFourAndTheDeviceBytes) {
  LightBlockBytes image{};
  image.fill(0xEE);
  LightRecord rec;
  rec.selectItem = 6;
  rec.light = 9;  // bounded
  rec.speed = 2;
  rec.multiColor = 1;
  rec.red = 10;
  rec.green = 20;
  rec.blue = 30;
  refreshLightSettingsImage(image, rec);
  const LightBlockBytes expected{0xEE, 6, 4, 2, 0xEE, 1, 10, 20, 30, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE,
                                 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
  EXPECT_EQ(image, expected);
  // Read back over another record: the block's fields, the base's direction.
  LightRecord base;
  base.fx = 1;
  const LightRecord back = lightRecordOfImage(image, base);
  EXPECT_EQ(std::tuple(back.selectItem, back.light, back.speed, back.multiColor, back.red, back.green, back.blue, back.fx),
            std::tuple(6, 4, 2, 1, 10, 20, 30, 1));
}

}  // namespace
