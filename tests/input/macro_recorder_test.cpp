// Recording through the hook holder with the scripted source: what lands in
// the event list, with which delays, and what the page is told.
#include "input/macro_recorder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "recording_support.h"

namespace tessel::input {
namespace {

using testing::Recording;
using ::testing::ElementsAre;
using What = RecordOutcome::What;

macros::MacroEvent ev(bool down, uint8_t type, uint8_t button, uint16_t delay) {
  return macros::MacroEvent{down, button, type, delay};
}

TEST(MacroRecording, HeldKeyGivesOneDownAndOneUpWithMeasuredDelays) {
  Recording r;
  r.start(hook_mode::kMacro, DelayMode::Record);
  r.at(0);
  r.key("A", true);
  for (int t = 30; t < 120; t += 30) {  // the keyboard repeats the held key
    r.at(t);
    r.key("A", true);
  }
  r.at(120);
  r.key("A", false);
  // Delay of a row = the pause after it: A down waits 120 ms for A up.
  EXPECT_THAT(r.rows(), ElementsAre("down 10 4 120", "up 10 4 0"));
  ASSERT_EQ(r.outcomes.size(), 5u);
  EXPECT_EQ(r.outcomes[1].what, What::Dropped);
  EXPECT_EQ(r.outcomes.back().what, What::Added);
  EXPECT_EQ(r.outcomes.back().selected, 1u);
  EXPECT_EQ(r.outcomes.back().nameKey, "keyboard_key_A");
  EXPECT_EQ(r.list.selected(), 1u);
}

TEST(MacroRecording, ModifiersRecordTheirBitsLeftAndRight) {
  Recording r;
  r.start(hook_mode::kMacro, DelayMode::Ignore);
  r.key("RCtrl", true);
  r.key("RCtrl", false);
  r.key("LCtrl", true);
  r.key("RShift", true);
  r.key("RAlt", true);
  EXPECT_THAT(r.rows(), ElementsAre("down 9 16 0", "up 9 16 0", "down 9 1 0", "down 9 32 0", "down 9 64 0"));
  EXPECT_EQ(r.outcomes[0].nameKey, "keyboard_key_RCtrl");
}

TEST(MacroRecording, KeysOutsideTheScanCodeTableAreDropped) {
  Recording r;
  r.start(hook_mode::kMacro, DelayMode::Record);
  InputEvent media;  // Play/Pause: E0 0x22, no row of the key table knows it
  media.message = kKeyDown;
  media.scanCode = 0x22;
  media.extended = true;
  r.source->inject(media);
  InputEvent extraWithoutData;  // an extra button that is neither back nor forward
  extraWithoutData.kind = InputKind::Mouse;
  extraWithoutData.message = kExtraDown;
  r.source->inject(extraWithoutData);
  EXPECT_TRUE(r.list.rows().empty());
  ASSERT_EQ(r.outcomes.size(), 2u);
  EXPECT_EQ(r.outcomes[0].what, What::Dropped);
  EXPECT_EQ(r.outcomes[1].what, What::Dropped);
}

TEST(MacroRecording, MouseButtonsBackAndForwardAndTheDuplicateFilter) {
  Recording r;
  r.start(hook_mode::kMacro, DelayMode::Ignore);
  r.button("left", true);
  r.button("left", true);  // a second report of the same message
  r.button("left", false);
  r.button("back", true);
  r.button("back", false);
  r.button("forward", true);
  r.button("forward", false);
  r.button("middle", true);
  EXPECT_THAT(r.rows(), ElementsAre("down 1 1 0", "up 1 1 0", "down 1 8 0", "up 1 8 0", "down 1 16 0", "up 1 16 0",
                                    "down 1 4 0"));
  EXPECT_EQ(r.outcomes[3].nameKey, "mouse_key_back");
  EXPECT_EQ(r.outcomes[5].nameKey, "mouse_key_forward");
}

TEST(MacroRecording, TheStopButtonClickIsNotRecordedButARightClickThereIs) {
  Recording r;
  r.recorder.SetStopButton(ScreenRect{100, 200, 80, 30});
  r.start(hook_mode::kMacro, DelayMode::Ignore);
  r.button("left", true, 120, 210);
  r.button("left", false, 120, 210);
  EXPECT_TRUE(r.list.rows().empty());
  r.button("right", true, 120, 210);
  r.button("right", false, 120, 210);
  r.button("left", true, 180, 210);  // just right of the button
  EXPECT_THAT(r.rows(), ElementsAre("down 1 2 0", "up 1 2 0", "down 1 1 0"));
}

TEST(MacroRecording, RecordedEventFlagLeavesAnOldLastRowAloneOnlyTheFirstTime) {
  Recording r;
  r.list.load(std::vector{ev(true, 10, 5, 7), ev(false, 10, 5, 9)});
  r.start(hook_mode::kMacro, DelayMode::Record);
  r.at(40);
  r.key("A", true);
  EXPECT_THAT(r.rows(), ElementsAre("down 10 5 7", "up 10 5 9", "down 10 4 0"));
  EXPECT_TRUE(r.recorder.RecordedEvent());
  r.at(55);
  r.key("A", false);
  EXPECT_THAT(r.rows(), ElementsAre("down 10 5 7", "up 10 5 9", "down 10 4 15", "up 10 4 0"));
  r.stop();

  // A later recording in the same editor measures from its own start.
  r.at(1000);
  r.start(hook_mode::kMacro, DelayMode::Record);
  r.at(1250);
  r.key("B", true);
  EXPECT_THAT(r.rows(), ElementsAre("down 10 5 7", "up 10 5 9", "down 10 4 15", "up 10 4 250", "down 10 5 0"));

  // A new editor (flag clear) over the same rows leaves the last row alone.
  MacroRecorder fresh(r.clock);
  fresh.Start(DelayMode::Record);
  r.at(1300);
  fresh.OnKeyboard(Placement::Append, *keyEventByName("C", true), r.list);
  EXPECT_EQ(r.list.rows()[4].delayText, "0");
  EXPECT_EQ(r.list.rows()[5].delayText, "0");
}

TEST(MacroRecording, FixedAndIgnoreDelayModes) {
  Recording r;
  r.start(hook_mode::kMacro, DelayMode::Fixed, 80);
  r.at(10);
  r.key("A", true);
  r.at(500);
  r.key("A", false);
  r.key("B", true);
  EXPECT_THAT(r.rows(), ElementsAre("down 10 4 80", "up 10 4 80", "down 10 5 80"));
  EXPECT_EQ(r.recorder.FixedDelay(), 80);

  Recording big;
  big.start(hook_mode::kMacro, DelayMode::Fixed, 100000);  // typed past the limit
  EXPECT_EQ(big.recorder.FixedDelay(), 65535);

  Recording ignore;
  ignore.start(hook_mode::kMacro, DelayMode::Ignore);
  ignore.key("A", true);
  ignore.at(700);
  ignore.key("A", false);
  EXPECT_THAT(ignore.rows(), ElementsAre("down 10 4 0", "up 10 4 0"));
}

TEST(MacroRecording, LongPausesBecome65535) {
  Recording r;
  r.start(hook_mode::kMacro, DelayMode::Record);
  r.key("A", true);
  r.at(65534);
  r.key("A", false);
  r.at(65534 + 70000);
  r.key("B", true);
  EXPECT_THAT(r.rows(), ElementsAre("down 10 4 65534", "up 10 4 65535", "down 10 5 0"));
}

TEST(MacroRecording, InsertBeforeTheFirstRowGetsDelayZero) {
  Recording r;
  r.list.load(std::vector{ev(true, 10, 5, 7), ev(false, 10, 5, 9)});
  r.list.select(0);
  r.start(hook_mode::kMacroPrevious, DelayMode::Fixed, 30);
  r.key("A", true);
  EXPECT_THAT(r.rows(), ElementsAre("down 10 4 0", "down 10 5 7", "up 10 5 9"));
  EXPECT_EQ(r.list.selected(), 1u);  // the row that was selected, one further down
  EXPECT_EQ(r.outcomes.back().selected, 1u);
  // The next one goes before the same row, after the one just inserted, which
  // now gets the fixed delay.
  r.key("A", false);
  EXPECT_THAT(r.rows(), ElementsAre("down 10 4 30", "up 10 4 30", "down 10 5 7", "up 10 5 9"));
  EXPECT_EQ(r.list.selected(), 2u);
}

TEST(MacroRecording, InsertBeforeNeedsASelectedRow) {
  Recording r;
  r.list.load(std::vector{ev(true, 10, 5, 7)});
  r.start(hook_mode::kMacroPrevious, DelayMode::Record);
  r.key("A", true);
  EXPECT_THAT(r.rows(), ElementsAre("down 10 5 7"));
  EXPECT_EQ(r.outcomes.back().what, What::Dropped);
}

TEST(MacroRecording, InsertAfterTheSelectedRow) {
  Recording r;
  r.list.load(std::vector{ev(true, 10, 5, 7), ev(false, 10, 5, 9)});
  r.list.select(0);
  r.start(hook_mode::kMacroLater, DelayMode::Record);
  r.at(20);
  r.key("A", true);  // first event of this editor: row 0 keeps its delay
  r.at(70);
  r.key("A", false);
  EXPECT_THAT(r.rows(), ElementsAre("down 10 5 7", "down 10 4 50", "up 10 4 0", "up 10 5 9"));
  EXPECT_EQ(r.list.selected(), 2u);
}

TEST(MacroRecording, ReplaceKeepsActionAndDelay) {
  Recording r;
  r.list.load(std::vector{ev(true, 10, 5, 7), ev(false, 10, 5, 9)});
  r.start(hook_mode::kMacroSingle, DelayMode::Ignore);
  r.button("right", true);  // nothing selected: nothing to replace
  EXPECT_EQ(r.outcomes.back().what, What::Dropped);
  r.list.select(1);
  r.key("RCtrl", true);
  EXPECT_THAT(r.rows(), ElementsAre("down 10 5 7", "up 9 16 9"));
  EXPECT_EQ(r.outcomes.back().what, What::Replaced);
  EXPECT_EQ(r.outcomes.back().nameKey, "keyboard_key_RCtrl");
  EXPECT_FALSE(r.recorder.RecordedEvent());  // no row was added
  r.button("right", false);
  EXPECT_THAT(r.rows(), ElementsAre("down 10 5 7", "up 1 2 9"));
}

TEST(MacroRecording, FilterMemoriesStartEmptyWithEveryRecording) {
  Recording r;
  r.start(hook_mode::kMacro, DelayMode::Ignore);
  r.key("A", true);
  r.button("left", true);
  r.stop();  // A and the left button are released while nothing records
  r.start(hook_mode::kMacro, DelayMode::Ignore);
  r.key("A", true);
  r.button("left", true);
  EXPECT_THAT(r.rows(), ElementsAre("down 10 4 0", "down 1 1 0", "down 10 4 0", "down 1 1 0"));
}

TEST(MacroRecording, EachPlacementHasItsOwnFilterMemory) {
  Recording r;
  r.list.load(std::vector{ev(true, 10, 5, 0)});
  r.list.select(0);
  MacroRecorder& rec = r.recorder;
  rec.Start(DelayMode::Ignore);
  const InputEvent aDown = *keyEventByName("A", true);
  EXPECT_EQ(rec.OnKeyboard(Placement::InsertAfter, aDown, r.list).what, What::Added);
  // The append handler never saw A go down, so this is no repeat for it.
  EXPECT_EQ(rec.OnKeyboard(Placement::Append, aDown, r.list).what, What::Added);
  EXPECT_EQ(rec.OnKeyboard(Placement::Append, aDown, r.list).what, What::Dropped);
}

TEST(MacroRecording, StopsAddingAt4000RowsAndSaysSo) {
  Recording r;
  std::vector<macros::MacroEvent> many(macros::kMaxRecordedEvents - 1, ev(true, 10, 4, 1));
  r.list.load(many);
  r.start(hook_mode::kMacro, DelayMode::Ignore);
  r.key("B", true);
  EXPECT_EQ(r.list.size(), 4000u);
  EXPECT_EQ(r.outcomes.back().what, What::Added);
  r.key("B", false);
  EXPECT_EQ(r.list.size(), 4000u);
  EXPECT_EQ(r.outcomes.back().what, What::Full);
  EXPECT_FALSE(r.outcomes.back().scroll());

  r.list.select(10);
  r.stop();
  r.start(hook_mode::kMacroLater, DelayMode::Ignore);
  r.key("C", true);
  EXPECT_EQ(r.outcomes.back().what, What::Full);
  r.stop();
  // Replacing adds nothing, so it still works on a full macro.
  r.start(hook_mode::kMacroSingle, DelayMode::Ignore);
  r.key("C", true);
  EXPECT_EQ(r.outcomes.back().what, What::Replaced);
  EXPECT_EQ(r.list.rows()[10].event.button, 6);
  EXPECT_EQ(r.list.size(), 4000u);
}

TEST(MacroRecording, AddedRowsAskForTheScrollTimer) {
  Recording r;
  r.start(hook_mode::kMacro, DelayMode::Ignore);
  r.key("A", true);
  ASSERT_EQ(r.outcomes.size(), 1u);
  EXPECT_TRUE(r.outcomes[0].scroll());
  EXPECT_EQ(kScrollTimerId, 4101);
  EXPECT_EQ(kScrollDelay, Millis(50));
  EXPECT_EQ(placementForMode(1), std::nullopt);
  EXPECT_EQ(placementForMode(16), Placement::InsertAfter);
}

TEST(MacroRecording, SavedEventsCarryTheRecordedDelays) {
  Recording r;
  r.start(hook_mode::kMacro, DelayMode::Record);
  r.key("LShift", true);
  r.at(35);
  r.key("Z", true);
  r.at(60);
  r.key("Z", false);
  r.at(61);
  r.key("LShift", false);
  EXPECT_EQ(r.list.eventsForSave(),
            (std::vector{ev(true, 9, 2, 35), ev(true, 10, 0x1D, 25), ev(false, 10, 0x1D, 1), ev(false, 9, 2, 0)}));
}

}  // namespace
}  // namespace tessel::input
