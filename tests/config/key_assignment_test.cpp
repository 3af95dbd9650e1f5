// The assignment editor model: showing codes, building them, capturing keys.
#include "config/key_assignment.h"

#include <gtest/gtest.h>

#include <climits>

#include "config/function_codes.h"

using namespace tessel;

namespace {

constexpr FunctionCode kLeftButton{0x10, 0x01, 0x00};
constexpr FunctionCode kFireDefault{0x14, 0x78, 0x02};

class KeySet : public ::testing::Test {
 protected:
  // Shows code on a button whose default is the left button; returns what
  // the editor builds back untouched.
  FunctionCode roundTrip(const FunctionCode& code) {
    model.loadRecord(code, kLeftButton);
    return model.buildCode();
  }
  KeySetModel model;
};

TEST(DecimalBox, ReadsIntegersAndTreatsTheRestAsZero) {
  EXPECT_EQ(readDecimalBox(""), 0);
  EXPECT_EQ(readDecimalBox("abc"), 0);
  EXPECT_EQ(readDecimalBox("-"), 0);
  EXPECT_EQ(readDecimalBox("42"), 42);
  EXPECT_EQ(readDecimalBox("  7"), 7);
  EXPECT_EQ(readDecimalBox("12abc"), 12);
  EXPECT_EQ(readDecimalBox("-5"), -5);
  EXPECT_EQ(readDecimalBox("99999999999999999999"), INT_MAX);
  EXPECT_EQ(readDecimalBox("-99999999999999999999"), INT_MIN);
}

TEST_F(KeySet, VerticalScroll) {
  model.loadRecord(kLeftButton, kLeftButton);
  model.selectFunction(FunctionList::VerticalScroll);
  model.edit().wheelDirection = kWheelDown;
  model.edit().wheelCount = "3";
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x12, 0x00, 0xFD}));

  model.loadRecord(FunctionCode{0x12, 0x00, 0xFD}, kLeftButton);
  EXPECT_EQ(model.state().function, FunctionList::VerticalScroll);
  EXPECT_EQ(model.state().wheelCount, "3");
  EXPECT_EQ(model.state().wheelDirection, kWheelDown);

  model.edit().wheelDirection = kWheelUp;
  model.edit().wheelDelay = "2";
  model.edit().wheelSpeed = "5";
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x12, 0x25, 0x03}));
}

TEST_F(KeySet, HorizontalScroll) {
  model.loadRecord(kLeftButton, kLeftButton);
  model.selectFunction(FunctionList::HorizontalScroll);
  model.edit().swingDirection = kSwingRight;
  model.edit().swingCount = "3";
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x11, 0x00, 0x83}));

  model.loadRecord(FunctionCode{0x11, 0xF1, 0x83}, kLeftButton);
  EXPECT_EQ(model.state().function, FunctionList::HorizontalScroll);
  EXPECT_EQ(model.state().swingCount, "3");
  EXPECT_EQ(model.state().swingDelay, "15");
  EXPECT_EQ(model.state().swingSpeed, "1");
  EXPECT_EQ(model.state().swingDirection, kSwingRight);
}

TEST_F(KeySet, ScrollBoxesAreClampedNotWrapped) {
  model.loadRecord(kLeftButton, kLeftButton);
  model.selectFunction(FunctionList::VerticalScroll);
  model.edit().wheelDirection = kWheelDown;
  const std::pair<const char*, uint8_t> counts[] = {{"0", 0xFF}, {"", 0xFF}, {"x", 0xFF},
                                                    {"127", 0x81}, {"128", 0x81}, {"500", 0x81}};
  for (const auto& [typed, p2] : counts) {
    model.edit().wheelCount = typed;
    EXPECT_EQ(model.buildCode().param2, p2) << typed;
  }
  // A delay of 16 must not spill into nothing (16 & 15 would be 0).
  model.edit().wheelCount = "1";
  model.edit().wheelDelay = "16";
  model.edit().wheelSpeed = "-3";
  EXPECT_EQ(model.buildCode().param1, 0xF0);

  model.selectFunction(FunctionList::HorizontalScroll);
  model.edit().swingCount = "200";
  model.edit().swingDirection = kSwingLeft;
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x11, 0x00, 0x7F}));
}

TEST_F(KeySet, FireBoxesClampToAByte) {
  model.loadRecord(FunctionCode{0x14, 0x05, 0x09}, kLeftButton);
  EXPECT_EQ(model.state().function, FunctionList::Fire);
  EXPECT_EQ(model.state().fireInterval, "5");
  EXPECT_EQ(model.state().fireCount, "9");
  model.edit().fireInterval = "300";
  model.edit().fireCount = "-1";
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x14, 0xFF, 0x00}));
}

TEST_F(KeySet, DefaultAssignedCancel) {
  model.loadRecord(kFireDefault, kFireDefault);
  EXPECT_EQ(model.state().function, FunctionList::Default);
  EXPECT_EQ(model.buildCode(), kFireDefault);

  const FunctionCode media{0x30, 0xE9, 0x00};
  model.loadRecord(media, kFireDefault);
  EXPECT_EQ(model.state().function, FunctionList::Media);
  EXPECT_EQ(model.state().media, 6);
  model.showDefault();
  EXPECT_EQ(model.state().function, FunctionList::Default);
  EXPECT_EQ(model.buildCode(), kFireDefault);
  model.cancel();
  EXPECT_EQ(model.buildCode(), media);

  model.clear();
  EXPECT_EQ(model.assigned(), FunctionCode{});
  EXPECT_EQ(model.defaultCode(), FunctionCode{});
}

TEST_F(KeySet, EveryTableEntryShowsAndBuildsBackUnchanged) {
  model.setMacroNames({"a", "b", "c"});
  for (auto table : {mouseButtonTable(), stageFunctionTable(), mediaTable(), systemTable(), shortcutTable()})
    for (const CodeEntry& e : table) EXPECT_EQ(roundTrip(e.code), e.code) << e.name;
  for (const KeyEntry& k : keyTable())
    if (k.code.type == 0x20) {
      EXPECT_EQ(roundTrip(k.code), k.code) << k.name;
    }
  const FunctionCode others[] = {
      {0x11, 0x37, 0x05}, {0x12, 0x10, 0x81}, {0x12, 0x00, 0x7F}, {0x14, 0, 0},    {0x70, 2, 3},
      {0x71, 1, 0},       {0x71, 0, 255},     {0x72, 3, 0},       {0x20, 8, 0x29}, {0x20, 0x04, 0x3A},
      {0x16, 0x90, 0x01}, {0xA0, 0x1B, 0},    {0x00, 0, 0},       {0x23, 0, 0},    {0xB0, 1, 2},
  };
  for (const FunctionCode& c : others)
    EXPECT_EQ(roundTrip(c), c) << int(c.type) << " " << int(c.param1) << " " << int(c.param2);
}

TEST_F(KeySet, KeyboardCodesShowTheirCheckAndKey) {
  model.loadRecord(FunctionCode{0x20, 0x10, 0x06}, kLeftButton);
  EXPECT_EQ(model.state().function, FunctionList::Shortcut);
  EXPECT_EQ(shortcutTable()[model.state().shortcut].name, "custem_copy");

  model.loadRecord(FunctionCode{0x20, 0x01, 0x06}, kLeftButton);
  EXPECT_EQ(model.state().function, FunctionList::KeyboardKey);
  EXPECT_EQ(model.state().modifierCheck, 1);
  EXPECT_EQ(model.state().keyName, "keyboard_key_C");
  // Changing only the modifier keeps the key.
  model.selectModifierCheck(3);
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x20, 0x04, 0x06}));
  model.selectModifierCheck(0);
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x20, 0x00, 0x06}));

  // A usage that is not a key empties the box and builds "no key".
  model.loadRecord(FunctionCode{0x20, 0x00, 0x03}, kLeftButton);
  EXPECT_EQ(model.state().modifierCheck, -1);
  EXPECT_EQ(model.state().keyName, "");
  EXPECT_EQ(model.state().capturedCode, (FunctionCode{0x20, 0, 0}));
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x20, 0x00, 0x00}));

  // Two modifiers do not fit the checks: the key stays, the modifiers go.
  model.loadRecord(FunctionCode{0x20, 0x03, 0x06}, kLeftButton);
  EXPECT_EQ(model.state().modifierCheck, 0);
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x20, 0x00, 0x06}));

  // Right-hand combinations that are no shortcut are kept as they are.
  model.loadRecord(FunctionCode{0x20, 0x20, 0x04}, kLeftButton);
  EXPECT_EQ(model.state().function, FunctionList::Shortcut);
  EXPECT_EQ(model.state().shortcut, -1);
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x20, 0x20, 0x04}));

  // Clearing the key box leaves the modifier alone.
  model.loadRecord(FunctionCode{0x20, 0x02, 0x06}, kLeftButton);
  model.clearKeyBox();
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x20, 0x02, 0x00}));
}

TEST_F(KeySet, CapturingKeys) {
  model.loadRecord(kLeftButton, kLeftButton);
  model.selectFunction(FunctionList::KeyboardKey);
  // Right Shift selects the Shift check; the code carries the left bit.
  EXPECT_TRUE(model.captureKey(0x36, true));
  EXPECT_EQ(model.state().modifierCheck, 2);
  EXPECT_EQ(model.state().keyName, "");
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x20, 0x02, 0x00}));

  EXPECT_TRUE(model.captureKey(0x2E, false));  // C
  EXPECT_EQ(model.state().modifierCheck, 2);
  EXPECT_EQ(model.state().keyName, "keyboard_key_C");
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x20, 0x02, 0x06}));

  // Modifiers: left and right variants select the same check.
  const std::pair<uint8_t, bool> modifiers[] = {{0x1D, false}, {0x2A, false}, {0x38, false}, {0x5B, true},
                                                {0x1D, true},  {0x36, true},  {0x38, true},  {0x5C, true}};
  for (size_t i = 0; i < 8; ++i) {
    EXPECT_TRUE(model.captureKey(modifiers[i].first, modifiers[i].second));
    EXPECT_EQ(model.state().modifierCheck, static_cast<int>(i % 4) + 1) << i;
  }
  // A pressed modifier empties the key box.
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x20, 0x08, 0x00}));

  // Unknown keys change nothing.
  const KeySetState before = model.state();
  EXPECT_FALSE(model.captureKey(0x00, false));
  EXPECT_FALSE(model.captureKey(0x1E, true));
  EXPECT_EQ(model.state(), before);

  // With no check selected, a key selects check 0.
  model.selectModifierCheck(-1);
  EXPECT_TRUE(model.captureKey(0x45, true));  // Num Lock, not Pause
  EXPECT_EQ(model.state().modifierCheck, 0);
  EXPECT_EQ(model.state().keyName, "keyboard_key_Num Lock");
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x20, 0x00, 0x53}));
}

TEST_F(KeySet, Macros) {
  // An empty macro list keeps the code as it was.
  model.loadRecord(kFireDefault, kLeftButton);
  model.selectFunction(FunctionList::Macro);
  EXPECT_EQ(model.buildCode(), kFireDefault);

  model.setMacroNames({"a", "b", "c"});
  model.loadRecord(FunctionCode{0x70, 2, 1}, kLeftButton);
  EXPECT_EQ(model.state().function, FunctionList::Macro);
  EXPECT_EQ(model.state().macro, 2);
  EXPECT_EQ(model.state().macroEndMode, 1);

  model.edit().macroEndMode = kMacroRepeatItem;
  model.edit().macroRepeat = "7";
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x71, 2, 7}));
  model.edit().macroRepeat = "1000";
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x71, 2, 255}));

  model.loadRecord(FunctionCode{0x71, 1, 9}, kLeftButton);
  EXPECT_EQ(model.state().macro, 1);
  EXPECT_EQ(model.state().macroEndMode, kMacroRepeatItem);
  EXPECT_EQ(model.state().macroRepeat, "9");

  // A macro past the list clears both lists and keeps the code.
  model.loadRecord(FunctionCode{0x70, 5, 0}, kLeftButton);
  EXPECT_EQ(model.state().macro, -1);
  EXPECT_EQ(model.state().macroEndMode, -1);
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x70, 5, 0}));

  // A shorter list drops a selection beyond it.
  model.loadRecord(FunctionCode{0x70, 2, 0}, kLeftButton);
  model.setMacroNames({"a"});
  EXPECT_EQ(model.state().macro, -1);
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x70, 2, 0}));
}

TEST_F(KeySet, CodesWithoutAnEntrySelectNothingAndAreKept) {
  const FunctionCode unknownMedia{0x30, 0x01, 0x00};
  model.loadRecord(unknownMedia, kLeftButton);
  EXPECT_EQ(model.state().function, FunctionList::Media);
  EXPECT_EQ(model.state().media, -1);
  EXPECT_EQ(model.buildCode(), unknownMedia);

  model.loadRecord(FunctionCode{0x72, 9, 0}, kLeftButton);
  EXPECT_EQ(model.state().recoil, -1);
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x72, 9, 0}));

  model.loadRecord(FunctionCode{0x10, 0x40, 0}, kLeftButton);
  EXPECT_EQ(model.state().mouseButton, -1);
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x10, 0x40, 0}));

  model.loadRecord(FunctionCode{0x16, 0x20, 0x03}, kLeftButton);
  EXPECT_EQ(model.state().function, FunctionList::None);
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x16, 0x20, 0x03}));

  // Choosing a page with a selection replaces the code.
  model.selectFunction(FunctionList::Recoil);
  model.edit().recoil = 1;
  EXPECT_EQ(model.buildCode(), (FunctionCode{0x72, 1, 0}));
}

}  // namespace
