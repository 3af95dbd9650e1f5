// Game events: how a request changes the light record, and what timer 1066
// puts back.
#include <gtest/gtest.h>

#include "shell/game_events.h"

namespace tessel {
namespace {

LightRecord sample() {
  LightRecord r;
  r.selectItem = 3;
  r.light = 2;
  r.speed = 1;
  r.fx = 0;
  r.multiColor = 1;
  r.red = 40, r.green = 50, r.blue = 60;
  r.zzccLedMode = 7;
  r.customGroup = 2;
  r.oldLedmode = 9;
  return r;
}

TEST(GameEvents, WParamZeroReplacesTheFirstFourBytesAndOneOrTwoOnlyTheMode) {
  const LightRecord r = sample();
  // 0x01030205: mode 5, brightness 2, speed 3, direction 1 (little endian).
  auto all = gameEventRecord(r, 0, 0x01030205);
  ASSERT_TRUE(all);
  EXPECT_EQ(all->selectItem, 5);
  EXPECT_EQ(all->light, 2);
  EXPECT_EQ(all->speed, 3);
  EXPECT_EQ(all->fx, 1);
  LightRecord rest = *all;
  rest.selectItem = r.selectItem, rest.light = r.light, rest.speed = r.speed, rest.fx = r.fx;
  EXPECT_EQ(rest, r);  // nothing past the fourth byte changed
  for (uint64_t w : {1u, 2u}) {
    auto mode = gameEventRecord(r, w, 0x01030205);
    ASSERT_TRUE(mode);
    LightRecord expected = r;
    expected.selectItem = 5;
    EXPECT_EQ(*mode, expected) << w;
  }
  EXPECT_EQ(gameEventRecord(r, 1, -1)->selectItem, 255);
  EXPECT_EQ(gameEventRecord(r, 3, 5), std::nullopt);
  EXPECT_EQ(gameEventRecord(r, ~0ull, 5), std::nullopt);
}

TEST(GameEvents, BrightnessAndSpeedFromAnotherProgramStayWithinTheLevels) {
  auto r = gameEventRecord(sample(), 0, 0x00FF0907);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->selectItem, 7);
  EXPECT_EQ(r->light, 4);
  EXPECT_EQ(r->speed, 4);
  EXPECT_EQ(r->fx, 0);
}

TEST(GameEvents, TheRestoreKeepsTheRecordFromBeforeTheFirstEventOfARun) {
  GameEventRestore restore;
  int a = 0, b = 0;
  auto* pageA = reinterpret_cast<GameEventRestore::Page>(&a);
  auto* pageB = reinterpret_cast<GameEventRestore::Page>(&b);
  const LightRecord before = sample();
  const LightRecord first = *gameEventRecord(before, 0, 0x01040406);
  restore.eventApplied(pageA, before, first);
  // A second event within the 5 s: the page already shows the first event's mode.
  const LightRecord second = *gameEventRecord(first, 1, 8);
  restore.eventApplied(pageA, first, second);
  restore.eventApplied(pageB, before, *gameEventRecord(before, 1, 8));
  restore.forget(pageB);
  ASSERT_EQ(restore.pages(), std::vector<GameEventRestore::Page>{pageA});
  EXPECT_FALSE(restore.edited(pageA, second));
  EXPECT_EQ(restore.finish(pageA, second), before);
  // The run is over: the next event starts a new one.
  EXPECT_TRUE(restore.empty());
  EXPECT_EQ(restore.finish(pageA, second), std::nullopt);
  LightRecord later = before;
  later.selectItem = 1;
  restore.eventApplied(pageA, later, *gameEventRecord(later, 1, 2));
  EXPECT_EQ(restore.saved(pageA), later);
}

// What an edit during the run changed stays; what the events changed and
// nobody touched since comes back.
TEST(GameEvents, TheRestorePutsBackOnlyWhatTheEventsChangedAndNobodyEditedSince) {
  const LightRecord before = sample();  // mode 3, brightness 2, speed 1, direction 0
  const LightRecord applied = *gameEventRecord(before, 0, 0x01040406);
  struct Case {
    const char* what;
    void (*edit)(LightRecord&);
    void (*expect)(LightRecord&);  // applied to `before`
  };
  const Case cases[] = {
      {"no edit", [](LightRecord&) {}, [](LightRecord&) {}},
      {"colour", [](LightRecord& r) { r.red = 0x12, r.green = 0x34, r.blue = 0x56; },
       [](LightRecord& r) { r.red = 0x12, r.green = 0x34, r.blue = 0x56; }},
      {"mode", [](LightRecord& r) { r.selectItem = 1; }, [](LightRecord& r) { r.selectItem = 1; }},
      {"brightness back to its own", [](LightRecord& r) { r.light = 2; }, [](LightRecord&) {}},
      {"speed and custom group", [](LightRecord& r) { r.speed = 0, r.customGroup = 5; },
       [](LightRecord& r) { r.speed = 0, r.customGroup = 5; }},
  };
  for (const Case& c : cases) {
    LightRecord now = applied;
    c.edit(now);
    LightRecord expected = before;
    c.expect(expected);
    EXPECT_EQ(restoreEventFields(before, applied, now), expected) << c.what;
    GameEventRestore restore;
    int page = 0;
    auto* p = reinterpret_cast<GameEventRestore::Page>(&page);
    restore.eventApplied(p, before, applied);
    EXPECT_EQ(restore.edited(p, now), now != applied) << c.what;
    EXPECT_EQ(restore.finish(p, now), expected == now ? std::nullopt : std::optional(expected)) << c.what;
  }
}

}  // namespace
}  // namespace tessel
