// The update list's row states, marking and confirming.
#include <gtest/gtest.h>

#include "services/update_list.h"

namespace tessel {
namespace {

UpdateResult withStatus(int s) {
  UpdateResult r;
  r.status = s;
  return r;
}

TEST(UpdateListStates, NineStatesWithTheirTextsAndLooks) {
  EXPECT_EQ(updateRowStateTextKey(0), "LessUpdateText");
  EXPECT_EQ(updateRowStateTextKey(2), "NeedUpdateText");
  EXPECT_EQ(updateRowStateTextKey(3), "DownloadWaitText");
  EXPECT_EQ(updateRowStateTextKey(7), "UpdateOkText");
  EXPECT_EQ(updateRowStateTextKey(8), "UpdateFailText");
  EXPECT_EQ(updateRowStateTextKey(9), "");
  EXPECT_EQ(updateRowStateTextKey(-1), "");
  for (int s = 0; s < kUpdateRowStates; ++s) {
    EXPECT_EQ(updateRowStateMarkable(s), s == 1 || s == 2 || s == 8) << s;
    EXPECT_EQ(updateRowStateShowsProgress(s), s == 4 || s == 6) << s;
  }
  EXPECT_EQ(updateRowBackColour(7), 0xFF666666u);
  EXPECT_EQ(updateRowTextColour(7), 0xFFFFFFFFu);
  EXPECT_EQ(updateRowTextColour(1), 0xFF0099FFu);
  EXPECT_EQ(updateRowBorderColour(3), 0xFF0078C8u);
}

TEST(UpdateListRows, OnlyOfferedRowsCanBeMarkedAndConfirmingMovesThemToWaiting) {
  UpdateList list;
  list.setRow(0, withStatus(1));
  list.setRow(1, withStatus(7));
  list.setRow(2, withStatus(1));
  // Before the check ends nothing can be marked.
  EXPECT_FALSE(list.setSelected(0, true));
  list.finishCheck();
  EXPECT_TRUE(list.rows()[0].selectable);
  EXPECT_FALSE(list.rows()[1].selectable);
  EXPECT_FALSE(list.setSelected(1, true));  // nothing newer: stays clear
  EXPECT_TRUE(list.setSelected(0, true));
  EXPECT_TRUE(list.setSelected(2, true));
  EXPECT_TRUE(list.setSelected(2, false));  // row 0 still marked
  EXPECT_FALSE(list.setSelected(0, false));
  EXPECT_FALSE(list.setSelected(7, true));  // no such row
  list.setSelected(2, true);
  list.confirm();
  EXPECT_EQ(list.rows()[0].state, 1);
  EXPECT_FALSE(list.rows()[0].selected);
  EXPECT_EQ(list.rows()[2].state, 3);
  EXPECT_FALSE(list.anySelected());
  EXPECT_EQ(list.rows()[1].state, 7);
}

}  // namespace
}  // namespace tessel
