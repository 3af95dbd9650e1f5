#include "macros/macro_image.h"

#include <gtest/gtest.h>

#include "config/function_codes.h"

namespace tessel::macros {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(MacroImageEvent, EncodedBytes) {
  EXPECT_EQ(encodeEvent({true, 0x04, 10, 30}), (std::array<uint8_t, 4>{0x1E, 0x00, 0x8A, 0x04}));
  EXPECT_EQ(encodeEvent({false, 1, 1, 0}), (std::array<uint8_t, 4>{0x00, 0x00, 0x01, 0x01}));
  EXPECT_EQ(encodeEvent({true, 5, 5, 8}), (std::array<uint8_t, 4>{0x08, 0x00, 0x85, 0x05}));
  EXPECT_EQ(encodeEvent({false, 0xFF, 127, 0x1234}), (std::array<uint8_t, 4>{0x34, 0x12, 0x7F, 0xFF}));
}

TEST(MacroImageBuild, OneMacroOfThreeEvents) {
  const std::vector<std::vector<MacroEvent>> macros{{{true, 0x04, 10, 30}, {false, 1, 1, 0}, {true, 5, 5, 8}}};
  const MacroImage image = buildMacroImage(macros, 2);
  ASSERT_EQ(image.status, MacroImage::Status::Ok);
  const Bytes expected{0xAA, 0x55, 0x22, 0x00, 0x01, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                       0x12, 0x00, 0x03, 0x00, 0x00, 0x00, 0x1E, 0x00, 0x8A, 0x04,
                       0x00, 0x00, 0x01, 0x01, 0x08, 0x00, 0x85, 0x05};
  EXPECT_EQ(image.bytes, expected);
  EXPECT_EQ(image.length, 34u);
}

TEST(MacroImageBuild, OffsetsOfSeveralBlocksIncludingAnEmptyOne) {
  const std::vector<std::vector<MacroEvent>> macros{{{true, 4, 10, 1}, {false, 4, 10, 2}}, {}, {{true, 1, 1, 3}}};
  const MacroImage image = buildMacroImage(macros, 255);
  ASSERT_EQ(image.status, MacroImage::Status::Ok);
  // 16 + 6 * 3 + 4 * 3
  ASSERT_EQ(image.bytes.size(), 46u);
  EXPECT_EQ(image.bytes[2], 46);
  EXPECT_EQ(image.bytes[4], 3);
  // Offset table: 22, 22 + 4 + 8 = 34, 34 + 4 = 38.
  EXPECT_EQ((Bytes(image.bytes.begin() + 16, image.bytes.begin() + 22)), (Bytes{22, 0, 34, 0, 38, 0}));
  EXPECT_EQ((Bytes(image.bytes.begin() + 34, image.bytes.begin() + 38)), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ((Bytes(image.bytes.begin() + 38, image.bytes.end())), (Bytes{1, 0, 0, 0, 3, 0, 0x81, 1}));
}

TEST(MacroImageBuild, CapacityRefusesWhatDoesNotFit) {
  const std::vector<std::vector<MacroEvent>> sixty{std::vector<MacroEvent>(60, MacroEvent{true, 4, 10, 1})};
  const MacroImage refused = buildMacroImage(sixty, 2);  // 256 bytes for 262
  EXPECT_EQ(refused.status, MacroImage::Status::TooLarge);
  EXPECT_EQ(refused.exceedUnits, 2u);
  EXPECT_TRUE(refused.bytes.empty());
  // Exactly full fits: 16 + 6 + 4 * 58 = 254 <= 256.
  const std::vector<std::vector<MacroEvent>> fits{std::vector<MacroEvent>(58, MacroEvent{})};
  EXPECT_EQ(buildMacroImage(fits, 2).status, MacroImage::Status::Ok);
  EXPECT_EQ(buildMacroImage({}, 2).status, MacroImage::Status::Empty);
  EXPECT_EQ(buildMacroImage(fits, 0).status, MacroImage::Status::TooLarge);
}

TEST(MacroImageBuild, LengthBeyondSixteenBitsIsNeverWrapped) {
  // 50 macros of 400 events: 16 + 300 + 80000 bytes. A 16-bit total would wrap
  // to a small number and pass a capacity check.
  const std::vector<size_t> counts(50, 400);
  EXPECT_EQ(macroImageLength(counts), 80316u);
  const std::vector<std::vector<MacroEvent>> macros(50, std::vector<MacroEvent>(400));
  const MacroImage image = buildMacroImage(macros, 255);
  EXPECT_EQ(image.status, MacroImage::Status::TooLarge);
  EXPECT_EQ(image.exceedUnits, (80316u - 255u * 128u) / 4 + 1);
}

KeyPosition bound(uint8_t macro, uint8_t mapEntry = 1) {
  return KeyPosition{mapEntry, FunctionCode{function_type::kMacro, macro, 2}, FunctionCode{0x10, 1, 0}};
}

TEST(MacroBindings, ListInOrderOfFirstUseAndSlots) {
  std::vector<KeyPosition> keys{bound(7), KeyPosition{1, {0x20, 0, 4}, {0x10, 1, 0}}, bound(2), bound(7)};
  keys[2].assignment.type = function_type::kMacroRepeat;
  EXPECT_EQ(listBoundMacros(keys, 10), (std::vector<uint8_t>{7, 2}));
  const auto sent = deviceAssignments(keys, 10);
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0], (FunctionCode{function_type::kMacro, 0, 2}));
  EXPECT_EQ(sent[1], (FunctionCode{0x20, 0, 4}));
  EXPECT_EQ(sent[2], (FunctionCode{function_type::kMacroRepeat, 1, 2}));
  EXPECT_EQ(sent[3], (FunctionCode{function_type::kMacro, 0, 2}));
}

TEST(MacroBindings, MissingMacrosAndPositionsWithoutKeys) {
  const std::vector<KeyPosition> keys{bound(5), bound(3, kNoDeviceKey), bound(4)};
  EXPECT_EQ(listBoundMacros(keys, 5), (std::vector<uint8_t>{4}));
  const auto sent = deviceAssignments(keys, 5);
  EXPECT_EQ(sent[0], (FunctionCode{0x10, 1, 0}));  // macro 5 of 5: back to its default
  EXPECT_EQ(sent[2], (FunctionCode{function_type::kMacro, 0, 2}));
  EXPECT_TRUE(listBoundMacros(keys, 0).empty());
}

}  // namespace
}  // namespace tessel::macros
