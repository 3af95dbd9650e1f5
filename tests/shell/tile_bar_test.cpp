#include <gtest/gtest.h>

#include "shell/tile_bar.h"

using namespace tessel;

namespace {
TileBar twoTiles() {
  TileBar bar;
  bar.add({false, false, false, false, 0, 0});   // mouse: page 0, battery indicator 0
  bar.add({false, false, false, false, 1, -1});  // keyboard: page 1, no indicator
  return bar;
}
}  // namespace

TEST(TileBar, TheFirstReachableDeviceIsSelectedTheSecondIsNot) {
  TileBar bar = twoTiles();
  BarOutcome a = bar.reachable(1);
  EXPECT_EQ(a.devicePage, 1);
  EXPECT_EQ(a.powerSwitchShown, false);
  EXPECT_FALSE(a.noDeviceOverlay);
  EXPECT_EQ(bar.selectedIndex(), 1);
  BarOutcome b = bar.reachable(0);
  EXPECT_TRUE(b.multipleVisible);
  EXPECT_FALSE(b.devicePage.has_value());
  EXPECT_EQ(bar.selectedIndex(), 1);
  EXPECT_TRUE(bar.tile(0).visible);
  // Reachable again while visible: nothing changes.
  EXPECT_FALSE(bar.reachable(0).devicePage.has_value());
}

TEST(TileBar, UnplugTheSelectedOfTwoSelectsTheOtherAndTheLastShowsTheOverlay) {
  TileBar bar = twoTiles();
  bar.reachable(0);
  bar.reachable(1);
  ASSERT_EQ(bar.selectedIndex(), 0);
  BarOutcome out = bar.hideDevice(0);
  EXPECT_TRUE(out.closedSelected);
  EXPECT_EQ(bar.selectedIndex(), 1);
  EXPECT_EQ(out.devicePage, 1);
  EXPECT_FALSE(out.noDeviceOverlay);
  EXPECT_FALSE(out.multipleVisible);
  BarOutcome last = bar.hideDevice(1);
  EXPECT_TRUE(last.noDeviceOverlay);
  EXPECT_EQ(last.devicePage, 0);
  EXPECT_EQ(last.powerPage, 0);
  EXPECT_EQ(bar.selectedIndex(), -1);
  EXPECT_EQ(bar.connectedCount(), std::make_pair(0, -1));
  // Out of range: nothing.
  EXPECT_FALSE(bar.hideDevice(7).noDeviceOverlay);
}

TEST(TileBar, HidingAnUnselectedTileKeepsTheSelection) {
  TileBar bar = twoTiles();
  bar.reachable(0);
  bar.reachable(1);
  BarOutcome out = bar.hideDevice(1);
  EXPECT_FALSE(out.closedSelected);
  EXPECT_EQ(bar.selectedIndex(), 0);
}

TEST(TileBar, SynchronisationIsOfferedOnlyWithTwoVisibleDevices) {
  TileBar bar = twoTiles();
  bar.reachable(0);
  bar.reachable(1);
  bar.tile(0).synchroMark = bar.tile(1).synchroMark = true;
  bar.tile(0).deviceSynchronised = bar.tile(1).deviceSynchronised = true;
  bar.selectDevice(0, true, true);
  EXPECT_TRUE(bar.tile(0).synchroMark);
  bar.hideDevice(1);
  EXPECT_FALSE(bar.tile(0).synchroMark);
  EXPECT_FALSE(bar.tile(0).deviceSynchronised);
}

TEST(TileBar, NextAndPreviousSkipHiddenTiles) {
  TileBar bar;
  for (int i = 0; i < 4; ++i) bar.add({true, false, false, false, i, -1});
  bar.tile(2).visible = false;
  bar.selectDevice(0, true, true);
  ASSERT_TRUE(bar.selectNext());
  EXPECT_EQ(bar.selectedIndex(), 1);
  ASSERT_TRUE(bar.selectNext());
  EXPECT_EQ(bar.selectedIndex(), 3);
  EXPECT_FALSE(bar.selectNext());
  ASSERT_TRUE(bar.selectPrevious());
  EXPECT_EQ(bar.selectedIndex(), 1);
  ASSERT_TRUE(bar.selectPrevious());
  EXPECT_FALSE(bar.selectPrevious());
  BarOutcome chosen = bar.chosen(3);
  EXPECT_EQ(chosen.devicePage, 3);
  EXPECT_EQ(bar.selectedIndex(), 3);
}
