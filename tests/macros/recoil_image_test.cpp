#include "macros/recoil_image.h"

#include <gtest/gtest.h>

#include <vector>

#include "recoil_test_support.h"

namespace tessel::macros {
namespace {

using RecoilImageTest = testing::RecoilFolders;

uint16_t u16(const std::vector<uint8_t>& b, size_t at) { return static_cast<uint16_t>(b[at] | (b[at + 1] << 8)); }

std::vector<RecoilEvent> shots(int count, const RecoilShot& shot) {
  std::vector<RecoilEvent> out;
  for (int i = 0; i < count; ++i) {
    const auto six = shotEvents(shot);
    out.insert(out.end(), six.begin(), six.end());
  }
  return out;
}

TEST_F(RecoilImageTest, OneShotOnGunZeroIsPinnedByteForByte) {
  const std::vector<std::vector<RecoilEvent>> guns{shots(1, RecoilShot{3, true, 12, false, 95}), {}, {}, {}};
  const RecoilImage image = buildRecoilImage(guns);
  ASSERT_TRUE(image.ok);
  const std::vector<uint8_t> expected{
      0xAA, 0x55, 0x40, 0x00, 0x04, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // header, length 64, count 4
      0x18, 0x00, 0x34, 0x00, 0x38, 0x00, 0x3C, 0x00,                    // offsets 24, 52, 56, 60
      0x06, 0x00, 0x00, 0x00,                                            // gun 0: six events
      0x0A, 0x00, 0x81, 0x01,                                            // left down, 10 ms
      0x00, 0x00, 0x01, 0x01,                                            // left up
      0x05, 0x00, 0x84, 0x03,                                            // 3 left, 5 ms
      0x5F, 0x00, 0x05, 0x0C,                                            // 12 down, 95 ms
      0x00, 0x00, 0x84, 0x00,                                            // zero moves
      0x00, 0x00, 0x05, 0x00,
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // guns 1..3 empty
  };
  EXPECT_EQ(image.bytes, expected);
  EXPECT_EQ(image.length, 64u);
}

TEST_F(RecoilImageTest, FourFullFactoryPatternsMake2920Bytes) {
  RecoilFiles files(defaults_, defaults_);
  const RecoilImage image = buildRecoilImage(files);
  ASSERT_TRUE(image.ok);
  ASSERT_EQ(image.bytes.size(), 2920u);
  EXPECT_EQ(u16(image.bytes, 0), 0x55AA);
  EXPECT_EQ(u16(image.bytes, 2), 2920);
  EXPECT_EQ(u16(image.bytes, 4), 4);
  for (size_t g = 0; g < 4; ++g) {
    const size_t offset = u16(image.bytes, 16 + 2 * g);
    EXPECT_EQ(offset, 24 + 724 * g);
    EXPECT_EQ(u16(image.bytes, offset), 180);
    EXPECT_EQ(image.counts[g], 180u);
    // Each shot starts with the left press of 10 ms.
    EXPECT_EQ(image.bytes[offset + 4], 10);
    EXPECT_EQ(image.bytes[offset + 6], 0x81);
  }
}

TEST_F(RecoilImageTest, ASixtyEventGunCarriesSixtyEvents) {
  const std::vector<std::vector<RecoilEvent>> guns{shots(30, {}), shots(10, RecoilShot{1, false, 2, true, 3}),
                                                   shots(30, {}), {}};
  const RecoilImage image = buildRecoilImage(guns);
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(image.length, 16u + 8 + 16 + 4 * (180 + 60 + 180));
  const size_t gun1 = u16(image.bytes, 18);
  EXPECT_EQ(gun1, 24u + 724);
  EXPECT_EQ(u16(image.bytes, gun1), 60);
  EXPECT_EQ(u16(image.bytes, 20), gun1 + 4 + 240);
}

TEST_F(RecoilImageTest, TheMouseGetsTheLowBitsOfTypedValues) {
  // 300 is stored in the file as 300 and sent as 44; a delay of 70000 as 4464.
  const MacroEvent x = recoilDeviceEvent(RecoilEvent{true, 300, 4, 70000});
  EXPECT_EQ(x.button, 44);
  EXPECT_EQ(x.delay, 4464);
  EXPECT_EQ(actionByte(x), 0x84);
  const MacroEvent odd = recoilDeviceEvent(RecoilEvent{false, -1, 0x85, -1});
  EXPECT_EQ(odd.button, 0xFF);
  EXPECT_EQ(odd.delay, 0xFFFF);
  EXPECT_EQ(actionByte(odd), 0x05);

  const std::vector<std::vector<RecoilEvent>> guns{shots(1, RecoilShot{300, false, 0, false, 0})};
  const RecoilImage image = buildRecoilImage(guns);
  ASSERT_TRUE(image.ok);
  EXPECT_EQ(image.bytes[24 + 4 + 2 * 4 + 3], 44);
}

TEST_F(RecoilImageTest, AnImageTooLongForItsLengthFieldIsNotBuilt) {
  // 16 + 6 x 4 + 4 x 16374 = 65536 > 65535.
  const std::vector<std::vector<RecoilEvent>> guns{std::vector<RecoilEvent>(16374)};
  const RecoilImage image = buildRecoilImage(guns);
  EXPECT_FALSE(image.ok);
  EXPECT_TRUE(image.bytes.empty());
  EXPECT_EQ(image.length, 65536u);
  // One event less fits (65532 bytes) and says so in its length field.
  const std::vector<std::vector<RecoilEvent>> fits{std::vector<RecoilEvent>(16373)};
  const RecoilImage fitted = buildRecoilImage(fits);
  ASSERT_TRUE(fitted.ok);
  EXPECT_EQ(u16(fitted.bytes, 2), 65532);
}

}  // namespace
}  // namespace tessel::macros
