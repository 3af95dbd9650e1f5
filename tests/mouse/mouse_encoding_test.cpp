// The mouse's byte layouts, pinned byte for byte.
#include <gtest/gtest.h>

#include "config/function_codes.h"
#include "devices/mouse/mouse_encoding.h"

using namespace tessel;
using namespace tessel::mouse;

namespace {

MouseIdentity linearScale() {
  MouseIdentity id;
  id.dpiStep = 50;
  id.lowestDpi = 100;
  id.highestIndex = 100;
  return id;
}

MouseIdentity twoSlopeScale() {
  MouseIdentity id;
  id.sensorId = kTwoSlopeSensor;
  id.dpiStep = 100;
  id.lowestDpi = 200;
  id.highestIndex = 73;
  return id;
}

// The key table the emulated mouse reports: eleven codes in switch-matrix order.
std::vector<uint8_t> matrixOrderTable() {
  return {0x10, 0x01, 0x00, 0x10, 0x02, 0x00, 0x10, 0x04, 0x00, 0x10, 0x08, 0x00,
          0x10, 0x10, 0x00, 0x13, 0x03, 0x00, 0x13, 0x01, 0x00, 0x13, 0x02, 0x00,
          0x14, 0x78, 0x02, 0xA0, 0x1B, 0x00, 0x16, 0x90, 0x01};
}

std::vector<KeyListEntry> defaultButtons() {
  std::vector<KeyListEntry> list;
  for (const auto& b : kMouseButtons) list.push_back({b.defaultCode, b.defaultCode});
  return list;
}

}  // namespace

TEST(MouseIdentityBlock, FieldsComeFromTheirOffsetsLittleEndian) {
  std::array<uint8_t, kIdentitySize> block{};
  block[5] = 11;
  block[6] = 24;
  block[7] = 4;
  block[9] = 0x25;
  block[10] = 0x33;
  block[11] = 100;
  block[12] = 0x49;
  block[13] = 0x01;
  block[14] = 0xC8;
  block[15] = 0x00;
  const MouseIdentity id = decodeMouseIdentity(block);
  EXPECT_EQ(id.keySlots, 11);
  EXPECT_EQ(id.macroCapacity, 24);
  EXPECT_EQ(id.profiles, 4);
  EXPECT_EQ(id.sensorId, 0x3325);
  EXPECT_EQ(id.dpiStep, 100);
  EXPECT_EQ(id.highestIndex, 0x149);
  EXPECT_EQ(id.lowestDpi, 200);
}

TEST(MouseDpiScale, LinearScaleShowsAndParsesTheSameSteps) {
  const MouseIdentity id = linearScale();
  EXPECT_EQ(IndexToDpi(id, 10), 600);
  EXPECT_EQ(DpiToIndex(id, std::string_view("625")), 10);  // between two steps: the step below
  EXPECT_EQ(DpiToIndex(id, std::string_view("650")), 11);
  EXPECT_EQ(DpiToIndex(id, std::string_view("40")), 0);    // below the lowest DPI
  EXPECT_EQ(DpiToIndex(id, std::string_view("-300")), 0);
  EXPECT_EQ(DpiToIndex(id, std::string_view("")), 0);
  EXPECT_EQ(DpiToIndex(id, std::string_view("fast")), 0);
  EXPECT_EQ(DpiToIndex(id, std::string_view(" 700 dpi")), 12);
  EXPECT_EQ(DpiToIndex(id, std::string_view("99999")), 100);  // clamped to the highest index
}

TEST(MouseDpiScale, TwoSlopeSensorInverseMatchesTheDisplayedValue) {
  const MouseIdentity id = twoSlopeScale();
  EXPECT_EQ(IndexToDpi(id, 48), 5000);
  EXPECT_EQ(IndexToDpi(id, 49), 5200);
  EXPECT_EQ(DpiToIndex(id, std::string_view("5200")), 49);
  EXPECT_EQ(IndexToDpi(id, DpiToIndex(id, std::string_view("5200"))), 5200);
  EXPECT_EQ(DpiToIndex(id, std::string_view("5000")), 48);
  EXPECT_EQ(DpiToIndex(id, std::string_view("5100")), 48);
  EXPECT_EQ(DpiToIndex(id, std::string_view("5399")), 49);
  EXPECT_EQ(DpiToIndex(id, std::string_view("4950")), 47);
  EXPECT_EQ(highestDpi(id), 200 + 48 * 100 + 25 * 200);
}

TEST(MouseDpiScale, EveryIndexSurvivesTheRoundTripOnBothScales) {
  for (const MouseIdentity& id : {linearScale(), twoSlopeScale()}) {
    for (int i = 0; i <= id.highestIndex; ++i) {
      EXPECT_EQ(DpiToIndex(id, static_cast<int64_t>(IndexToDpi(id, i))), i) << "index " << i;
    }
  }
}

TEST(MouseDpiScale, UnreadIdentityAndOverlongNumbersAreSafe) {
  const MouseIdentity unread;  // step 0: nothing to divide by
  EXPECT_EQ(DpiToIndex(unread, std::string_view("800")), 0);
  EXPECT_EQ(parseTypedNumber("123456789012345678901234567890"), 2147483647);
  EXPECT_EQ(parseTypedNumber("-123456789012345678901234567890"), -2147483647);
  EXPECT_EQ(DpiToIndex(twoSlopeScale(), std::string_view("123456789012345678901234567890")), 73);
  EXPECT_EQ(IndexToDpi(linearScale(), -5), 100);
}

TEST(MouseSettingsBlock, BlockIsPinnedByteForByte) {
  SettingsBlockInput in;
  in.byte0 = 0x5A;
  in.stages = {{1, 0, 6, 7, 0xFF, 0x00, 0x00}, {0, 1, 0x0134, 0x0201, 0x00, 0xFF, 0x10}, {1, 0, 30, 30, 1, 2, 3}};
  in.words = {0x00050006, 0x00010000, 0x00030007};  // polling index 3
  in.activeStage = 2;
  in.light = {2, 3, 1, 1, 1, 0x11, 0x22, 0x33};
  in.modeCodes = {0x01, 0x05, 0x02};
  in.presets = {{20, 32, 0, "a"}, {40, 64, 1, "b"}, {50, 70, 1, "c"}};
  in.screenWidth = 2560;
  in.screenHeight = 1440;
  const SettingsBlock b = encodeSettingsBlock(in);
  const std::array<uint8_t, kSettingsWriteSize> expected = {
      0x5A, 0x02, 3, 3, 1, 1, 0x11, 0x22, 0x33, 0, 0, 3, 2, 0,
      1, 0, 6, 0, 7, 0, 0xFF, 0x00, 0x00,             // stage 0
      0, 1, 0x34, 0x01, 0x01, 0x02, 0x00, 0xFF, 0x10, // stage 1
      1, 0, 30, 0, 30, 0, 1, 2, 3,                    // stage 2
      0, 0, 0, 0, 0, 0, 0, 0, 0,                      // stage 3 missing
      0, 0, 0, 0, 0, 0, 0, 0, 0,                      // stage 4 missing
      1, 0x00, 0x0A, 0xA0, 0x05, 64, 40};
  EXPECT_EQ(b, expected);
  // Read back field by field; a short block reads as zeros past its end.
  const BlockContents c = decodeSettingsBlock(b);
  EXPECT_EQ(c.lightMode, 0x02);
  EXPECT_EQ(c.speedByte, 3);
  EXPECT_EQ(c.colour, 0x112233u);
  EXPECT_EQ(c.polling, 3);
  EXPECT_EQ(c.activeStage, 2);
  EXPECT_EQ(c.stages[1], in.stages[1]);
  EXPECT_EQ(c.stages[3], DpiStage{});
  EXPECT_EQ(c.screenWidth, 2560);
  EXPECT_EQ(c.screenHeight, 1440);
  EXPECT_EQ(decodeSettingsBlock(std::span(b).first(20)).stages[1].x, 0);
}

TEST(MouseSettingsBlock, NoSelectedPresetAndSixStagesWriteWhatFits) {
  SettingsBlockInput in;
  in.presets = {{20, 32, 0, "a"}};
  in.stages.assign(6, DpiStage{1, 1, 0xFFFF, 0xFFFF, 9, 9, 9});
  const SettingsBlock b = encodeSettingsBlock(in);
  EXPECT_EQ(b[64], 0);
  EXPECT_EQ(b[65], 0);
  EXPECT_EQ(b[58], 9);  // stage 4's blue, the last stage written
  EXPECT_EQ(b[59], 1);  // the sixth stage never overwrites the marker
}

TEST(MouseLightEncoding, ModeSpeedAndUserSequences) {
  const std::vector<uint8_t> codes = {0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C};
  LightRecord r;
  r.selectItem = 12;  // a user sequence: the block carries built-in mode 0
  r.speed = 1;
  auto bytes = encodeMouseLight(r, codes);
  EXPECT_EQ(bytes[0], 0x10);
  EXPECT_EQ(bytes[2], 3);  // 4 - speed
  r.selectItem = 9;
  EXPECT_EQ(encodeMouseLight(r, codes)[0], 0x19);
  r.selectItem = 5;  // past a short list: position 0
  EXPECT_EQ(encodeLightMode(5, {0x01, 0x05, 0x02}), 0x01);
  EXPECT_EQ(encodeLightMode(1, {}), 0);
  r.speed = 9;  // never wraps below zero
  EXPECT_EQ(encodeMouseLight(r, codes)[2], 0);
}

TEST(MouseLightEncoding, DecodingMapsCodesToPositionsAndKeepsTheDirection) {
  const std::vector<uint8_t> codes = {0x01, 0x05, 0x02};
  LightRecord previous;
  previous.fx = 1;
  previous.zzccLedMode = 7;
  const std::vector<uint8_t> block = {0, 0x02, 4, 0, 0, 1, 10, 20, 30, 0};
  LightRecord r = decodeMouseLight(block, codes, previous);
  EXPECT_EQ(r.selectItem, 2);
  EXPECT_EQ(r.light, 4);
  EXPECT_EQ(r.speed, 4);  // byte 3 = 0
  EXPECT_EQ(r.fx, 1);
  EXPECT_EQ(r.multiColor, 1);
  EXPECT_EQ(r.red, 10);
  EXPECT_EQ(r.green, 20);
  EXPECT_EQ(r.blue, 30);
  EXPECT_EQ(r.zzccLedMode, 7);
  const std::vector<uint8_t> unknown = {0, 0x33, 4, 7, 0, 0, 0, 0, 0};
  r = decodeMouseLight(unknown, codes, previous);
  EXPECT_EQ(r.selectItem, 0x33);  // not listed: stays the code
  EXPECT_EQ(r.speed, 0);          // a speed byte above 4 does not wrap
}

TEST(MouseButtons, ElevenLogicalButtonsWithTheirDefaults) {
  ASSERT_EQ(kMouseButtons.size(), 11u);
  EXPECT_EQ(kMouseButtons[3].name, "mouse_key_forward");
  EXPECT_EQ(kMouseButtons[3].defaultCode, (FunctionCode{0x10, 0x10, 0x00}));
  EXPECT_EQ(kMouseButtons[4].defaultCode, (FunctionCode{0x10, 0x08, 0x00}));
  EXPECT_EQ(kMouseButtons[9].defaultCode, (FunctionCode{0x16, 0x90, 0x01}));
  EXPECT_EQ(kMouseButtons[10].defaultCode, (FunctionCode{0x14, 0x78, 0x02}));
}

TEST(MouseSlotMap, LogicalButtonsFindTheirSlotsInMatrixOrder) {
  const SlotMap map = BuildSlotMap(matrixOrderTable(), 11);
  const SlotMap expected = {0, 1, 2, 4, 3, 6, 7, 5, 9, 10, 8};
  EXPECT_EQ(map, expected);
}

TEST(MouseSlotMap, FewOrManySlotsAndMissingCodes) {
  // Four slots: only the buttons within them are mapped; the map still has eleven entries.
  SlotMap map = BuildSlotMap(matrixOrderTable(), 4);
  EXPECT_EQ(map[0], 0);
  EXPECT_EQ(map[4], 3);
  EXPECT_EQ(map[3], kSlotAbsent);
  EXPECT_EQ(map[10], kSlotAbsent);
  // A slot count past the table's bytes reads no further than the table.
  std::vector<uint8_t> table = matrixOrderTable();
  table[24] = 0;  // no fire key any more
  map = BuildSlotMap(table, 200);
  EXPECT_EQ(map[10], kSlotAbsent);
  EXPECT_EQ(map[9], 10);
}

TEST(MouseSlotMap, RemappedButtonKeepsItsSlotAcrossARead) {
  const SlotMap first = BuildSlotMap(matrixOrderTable(), 11);
  std::vector<uint8_t> remapped = matrixOrderTable();
  remapped[3 * 4 + 0] = 0x20;  // the forward button's slot now sends a key
  remapped[3 * 4 + 1] = 0x00;
  remapped[3 * 4 + 2] = 0x04;
  EXPECT_EQ(BuildSlotMap(remapped, 11)[3], kSlotAbsent);
  EXPECT_EQ(BuildSlotMap(remapped, 11, first)[3], 4);
}

TEST(MouseSlotMap, AConnectionMapsByTheModelElseByTheFirstReadNeverByARemappedTable) {
  // Left and right swapped: each slot holds the other button's default.
  std::vector<uint8_t> swapped = matrixOrderTable();
  std::swap_ranges(swapped.begin(), swapped.begin() + 3, swapped.begin() + 3);
  std::array<uint8_t, kIdentitySize> id{};
  id[0] = 0x20;  // product 0x7C20, the mouse through its receiver
  id[1] = 0x7C;
  id[5] = 11;
  const SlotMap factory = BuildSlotMap(matrixOrderTable(), 11);
  EXPECT_EQ(connectionSlotMap(id, swapped, std::nullopt), factory);
  // Another product: the first read's map stands; without one, the read decides.
  id[0] = 0x99;
  EXPECT_EQ(connectionSlotMap(id, swapped, factory), factory);
  EXPECT_EQ(connectionSlotMap(id, swapped, std::nullopt)[0], 1);
  // A known product reporting another slot count is not taken for the model.
  id[0] = 0x20;
  id[5] = 4;
  EXPECT_EQ(connectionSlotMap(id, swapped, std::nullopt)[0], 1);
}

TEST(MouseButtonTable, MacrosAreRenumberedInOrderOfFirstUse) {
  std::vector<KeyListEntry> buttons = defaultButtons();
  buttons[0].assignment = {kTypeMacro, 5, 1};
  buttons[1].assignment = {kTypeMacroRepeat, 2, 9};
  buttons[3].assignment = {kTypeMacro, 5, 3};
  buttons[6].assignment = {kTypeMacro, 8, 0};  // past the library: default instead
  buttons[2].assignment = {0x20, 0x01, 0x06};
  const std::vector<uint8_t> table = matrixOrderTable();
  const SlotMap map = BuildSlotMap(table, 11);
  const ButtonTableImage out = buildButtonTableImage(table, map, buttons, 8);
  ASSERT_EQ(out.image.size(), table.size());
  auto slot = [&](size_t s) { return std::vector<uint8_t>(out.image.begin() + s * 3, out.image.begin() + s * 3 + 3); };
  EXPECT_EQ(slot(0), (std::vector<uint8_t>{0x70, 0, 1}));
  EXPECT_EQ(slot(1), (std::vector<uint8_t>{0x71, 1, 9}));
  EXPECT_EQ(slot(4), (std::vector<uint8_t>{0x70, 0, 3}));  // button 3 sits in slot 4
  EXPECT_EQ(slot(2), (std::vector<uint8_t>{0x20, 0x01, 0x06}));
  EXPECT_EQ(slot(7), (std::vector<uint8_t>{0x13, 0x02, 0x00}));  // button 6's default
  EXPECT_EQ(out.macroOrder, (std::vector<int>{5, 2}));
}

TEST(MouseButtonTable, AbsentButtonsLeaveTheirSlotsAsRead) {
  std::vector<uint8_t> table = matrixOrderTable();
  table.resize(table.size() + 3, 0xEE);  // a twelfth slot nobody maps
  table[24] = 0x55;                      // the fire key's default is gone
  std::vector<KeyListEntry> buttons = defaultButtons();
  buttons[10].assignment = {0x10, 0x01, 0x00};
  const ButtonTableImage out = buildButtonTableImage(table, BuildSlotMap(table, 12), buttons, 0);
  EXPECT_EQ(out.image, table);
  EXPECT_TRUE(out.macroOrder.empty());
}

TEST(MouseButtonTable, CheckMacroReferencesRestoresDefaults) {
  std::vector<KeyListEntry> buttons = defaultButtons();
  buttons[2].assignment = {kTypeMacro, 3, 0};
  buttons[4].assignment = {kTypeMacroRepeat, 1, 2};
  EXPECT_FALSE(CheckMacroReferences(buttons, 4));
  EXPECT_TRUE(CheckMacroReferences(buttons, 2));
  EXPECT_EQ(buttons[2].assignment, kMouseButtons[2].defaultCode);
  EXPECT_EQ(buttons[4].assignment, (FunctionCode{kTypeMacroRepeat, 1, 2}));
}

TEST(MouseInputReports, ProfileAndStageNibblesAreBounded) {
  auto r = decodeProfileStageUsage(0x1123, 4, 5);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->profile, 3);
  EXPECT_EQ(r->stage, 2);
  r = decodeProfileStageUsage(0x1072, 4, 5);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->profile, 2);
  EXPECT_FALSE(r->stage);
  EXPECT_FALSE(decodeProfileStageUsage(0x1163, 4, 5));  // stage 6 of 5
  EXPECT_FALSE(decodeProfileStageUsage(0x1004, 4, 5));  // profile 4 of 4
  EXPECT_FALSE(decodeProfileStageUsage(0x1203, 4, 5));
  EXPECT_FALSE(decodeProfileStageUsage(0x0403, 4, 5));
}
