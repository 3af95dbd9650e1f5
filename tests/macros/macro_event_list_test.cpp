#include "macros/macro_event_list.h"

#include <gtest/gtest.h>

namespace tessel::macros {
namespace {

MacroEvent key(uint8_t usage, bool down = true) { return MacroEvent{down, usage, event_type::kKey, 10}; }

std::vector<uint8_t> buttons(const MacroEventList& list) {
  std::vector<uint8_t> out;
  for (const auto& r : list.rows()) out.push_back(r.event.button);
  return out;
}

TEST(MacroEventListInsert, ClickWithoutSelectionGoesAfterTheFirstRowInOrder) {
  MacroEventList list;
  const std::vector<MacroEvent> two{key(4), key(5)};
  list.load(two);
  ASSERT_TRUE(list.insertMouseMenuItem("left_click", 50));
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list.rows()[1].event, (MacroEvent{true, 1, 1, 50}));
  EXPECT_EQ(list.rows()[2].event, (MacroEvent{false, 1, 1, 50}));
  EXPECT_EQ(list.rows()[3].event, key(5));
  EXPECT_EQ(list.selected(), 2u);
  EXPECT_EQ(list.rows()[1].delayText, "50");
}

TEST(MacroEventListInsert, EmptyListSelectedRowAndMenuItems) {
  MacroEventList list;
  list.insert(key(7));
  EXPECT_EQ(buttons(list), (std::vector<uint8_t>{7}));
  list.insert(key(8));
  list.select(0);
  list.insert(key(9));
  EXPECT_EQ(buttons(list), (std::vector<uint8_t>{7, 9, 8}));
  EXPECT_TRUE(list.insertMouseMenuItem("back_down", 3));
  EXPECT_EQ(list.rows()[2].event, (MacroEvent{true, 8, 1, 3}));
  EXPECT_EQ(mouseMenuEvents("forward_up", 0)->front(), (MacroEvent{false, 16, 1, 0}));
  EXPECT_EQ(mouseMenuEvents("middle_click", 0)->size(), 2u);
  EXPECT_FALSE(mouseMenuEvents("left_", 0));
  EXPECT_FALSE(mouseMenuEvents("wheel_down", 0));
  EXPECT_FALSE(list.insertMouseMenuItem("leftdown", 0));
  EXPECT_EQ(list.size(), 4u);
}

TEST(MacroEventListInsert, MoveDistanceKeepsTheLowEightBits) {
  EXPECT_EQ(moveDistance("300"), 44);
  EXPECT_EQ(moveDistance("255"), 255);
  EXPECT_EQ(moveDistance(""), 0);
  EXPECT_EQ(moveDistance("123456789012345678901234567890"), 210);  // the number mod 256, no overflow
  MacroEventList list;
  list.insertMouseMove(MoveDirection::Left, "300", 50);
  EXPECT_EQ(list.rows()[0].event, (MacroEvent{true, 44, 4, 50}));
  list.insertMouseMove(MoveDirection::Down, "7", 50);
  EXPECT_EQ(list.rows()[1].event, (MacroEvent{false, 7, 5, 50}));
}

TEST(MacroEventListDelay, FieldRulesAndSaving) {
  MacroEventList list;
  const std::vector<MacroEvent> events{key(4), key(5), MacroEvent{true, 6, 10, 65535}};
  list.load(events);
  EXPECT_EQ(list.rows()[2].delayText, "65535");
  EXPECT_FALSE(list.setDelayText(0, "1234567"));
  EXPECT_FALSE(list.setDelayText(0, "-5"));
  EXPECT_FALSE(list.setDelayText(0, "1e3"));
  EXPECT_FALSE(list.setDelayText(9, "5"));
  EXPECT_EQ(list.rows()[0].delayText, "10");
  EXPECT_TRUE(list.setDelayText(0, ""));
  EXPECT_TRUE(list.setDelayText(1, "999999"));
  EXPECT_TRUE(list.setDelayText(2, "007"));
  const auto saved = list.eventsForSave();
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[0].delay, 0);
  EXPECT_EQ(saved[1].delay, 65535);
  EXPECT_EQ(saved[2].delay, 7);
  EXPECT_EQ(list.rows()[0].delayText, "0");
  EXPECT_EQ(list.rows()[2].delayText, "7");
  EXPECT_EQ(list.rows()[1].event.delay, 65535);
}

TEST(MacroEventListEdit, MovesCarryTheDelayAndKeepTheSelection) {
  MacroEventList list;
  const std::vector<MacroEvent> events{key(1), key(2), key(3), key(4)};
  list.load(events);
  ASSERT_TRUE(list.setDelayText(1, "77"));
  list.select(1);
  list.moveDown();
  EXPECT_EQ(buttons(list), (std::vector<uint8_t>{1, 3, 2, 4}));
  EXPECT_EQ(list.selected(), 2u);
  EXPECT_EQ(list.rows()[2].delayText, "77");
  list.moveToBottom();
  EXPECT_EQ(buttons(list), (std::vector<uint8_t>{1, 3, 4, 2}));
  list.moveDown();  // already last: nothing
  EXPECT_EQ(list.selected(), 3u);
  list.moveToTop();
  EXPECT_EQ(buttons(list), (std::vector<uint8_t>{2, 1, 3, 4}));
  list.moveUp();  // already first
  EXPECT_EQ(buttons(list), (std::vector<uint8_t>{2, 1, 3, 4}));
  list.select(2);
  list.moveUp();
  EXPECT_EQ(buttons(list), (std::vector<uint8_t>{2, 3, 1, 4}));
  EXPECT_EQ(list.selected(), 1u);
  EXPECT_EQ(list.eventsForSave()[0].delay, 77);
}

TEST(MacroEventListEdit, RemoveAndRecordingLimit) {
  MacroEventList list;
  const std::vector<MacroEvent> events{key(1), key(2), key(3)};
  list.load(events);
  list.removeSelected();  // nothing selected: nothing removed
  EXPECT_EQ(list.size(), 3u);
  list.select(2);
  list.removeSelected();
  EXPECT_EQ(buttons(list), (std::vector<uint8_t>{1, 2}));
  EXPECT_EQ(list.selected(), 1u);
  list.select(7);
  EXPECT_FALSE(list.selected());
  list.removeAll();
  EXPECT_EQ(list.size(), 0u);
  EXPECT_FALSE(list.selected());
  for (size_t i = 0; i < kMaxRecordedEvents; ++i) ASSERT_TRUE(list.appendRecorded(key(1)));
  EXPECT_FALSE(list.appendRecorded(key(2)));
  EXPECT_EQ(list.size(), kMaxRecordedEvents);
  list.insert(key(3));  // explicit insertion has no limit
  EXPECT_EQ(list.size(), kMaxRecordedEvents + 1);
}

}  // namespace
}  // namespace tessel::macros
