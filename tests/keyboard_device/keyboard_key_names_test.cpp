// What the key buttons show, the skin's cell names and the Fn key per tab.
#include <gtest/gtest.h>

#include "config/function_codes.h"
#include "devices/keyboard/keyboard_key_names.h"
#include "keyboard_rig.h"

using namespace tessel;
using namespace tessel::keyboard;
using tessel::test::KeyboardRig;

TEST(KeyboardKeyNames, CellNamesAreParsedStrictly) {
  EXPECT_EQ(parseCellName("key_5"), (CellName{CellName::Kind::Key, 5}));
  EXPECT_EQ(parseCellName("light_169"), (CellName{CellName::Kind::Light, 169}));
  EXPECT_EQ(parseCellName("key_0"), (CellName{CellName::Kind::Key, 0}));
  for (const char* bad : {"key_170", "key_-1", "key_x", "key_+3", "key_5x", "key_", "key_ 5", "key5", "keys_5",
                          "light_99999999999999999999", "my_key_5", ""})
    EXPECT_FALSE(parseCellName(bad).has_value()) << bad;
}

TEST(KeyboardKeyNames, KeysShowTheirAssignmentAndAreHighlightedWhenItDiffers) {
  const std::vector<std::string> macros = {"first", "second"};
  std::vector<KeyListEntry> keys;
  for (const auto& d : kPositionDefaults) keys.push_back({d, d});
  keys[0].assignment = {0x20, 0x01, 0x06};               // Ctrl+C on Esc
  keys[1].assignment = {function_type::kMacro, 1, 0};     // macro "second" on F1
  keys[2].assignment = {function_type::kMacro, 7, 0};     // a macro past the list
  keys[3].assignment = {0x20, 0x00, 0x00};                // nothing
  const auto views = keyViews(keys, macros);
  EXPECT_FALSE(views[64].highlighted);  // A shows A
  EXPECT_TRUE(views[0].highlighted);
  ASSERT_EQ(views[0].name.size(), 3u);
  EXPECT_EQ(views[0].name[1], (NamePart{NamePart::Kind::Text, "+"}));
  EXPECT_EQ(views[1].name, (std::vector<NamePart>{{NamePart::Kind::Text, "second"}}));
  EXPECT_TRUE(views[1].highlighted);
  EXPECT_TRUE(views[2].name.empty());
  EXPECT_EQ(views[3].name, (std::vector<NamePart>{{NamePart::Kind::Key, "close_text"}}));
  EXPECT_TRUE(views[3].highlighted);
  // The blank positions show "close_text" and are not highlighted.
  EXPECT_EQ(views[18].name, views[3].name);
  EXPECT_FALSE(views[18].highlighted);
  EXPECT_FALSE(views[110].highlighted);
  // A short list shows the defaults past its end.
  EXPECT_FALSE(keyViews(std::span<const KeyListEntry>(keys.data(), 3), macros)[100].highlighted);
}

TEST(KeyboardKeyNames, TheFnKeyShowsOnTheLightingTabOnly) {
  EXPECT_TRUE(keyVisibleOnTab(kFnPosition, kLightingTab));
  EXPECT_FALSE(keyVisibleOnTab(kFnPosition, kKeyTab));
  EXPECT_TRUE(keyVisibleOnTab(0, kKeyTab));
  EXPECT_TRUE(keyVisibleOnTab(0, kLightingTab));
  EXPECT_FALSE(keyVisibleOnTab(kPositions, kLightingTab));
}

TEST_F(KeyboardRig, SelectingAKeyGivesTheEditorItsCurrentAndDefaultAssignment) {
  plug();
  ASSERT_TRUE(kb_->StoreAssignment(12, {0x20, 0x00, 0x04}));
  EXPECT_FALSE(kb_->selectKey(-1));
  EXPECT_FALSE(kb_->selectKey(170));
  EXPECT_EQ(kb_->selectedPosition(), -1);
  ASSERT_TRUE(kb_->selectKey(12));
  const auto entry = kb_->selectedAssignment();
  ASSERT_TRUE(entry.has_value());
  EXPECT_EQ(entry->assignment, (FunctionCode{0x20, 0x00, 0x04}));
  EXPECT_EQ(entry->defaultAssignment, kPositionDefaults[12]);
  EXPECT_TRUE(kb_->keyViews()[12].highlighted);
  kb_->selectFunctionTab(kKeyTab);
  EXPECT_FALSE(kb_->keyVisible(static_cast<int>(kFnPosition)));
  kb_->selectFunctionTab(kLightingTab);
  EXPECT_TRUE(kb_->keyVisible(static_cast<int>(kFnPosition)));
  EXPECT_FALSE(kb_->keyVisible(-1));
}
