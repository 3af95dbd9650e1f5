#pragma once
// The settings window's update list without its widgets: the nine row states
// of CUpdateInfoListItemUI, which rows can be marked, and what confirming does.
//
//   0 "LessUpdateText"   1, 2 "NeedUpdateText" (can be marked)
//   3 "DownloadWaitText" 4 "DownloadIngText" (progress shown)
//   5 "DownloadOkText"   6 "UpdateIngText" (progress shown)
//   7 "UpdateOkText"     8 "UpdateFailText" (can be marked)
#include <cstdint>
#include <string_view>
#include <vector>

#include "services/update_check.h"

namespace tessel {

inline constexpr int kUpdateRowStates = 9;

std::string_view updateRowStateTextKey(int state);  // empty for a state outside 0..8
bool updateRowStateMarkable(int state);             // 1, 2, 8
bool updateRowStateShowsProgress(int state);        // 4, 6
// Colours (ARGB) of a row in this state: "up to date" rows are white on
// grey; the others carry the blue accent in their text and border on the
// window's dark panel colour.
uint32_t updateRowTextColour(int state);
uint32_t updateRowBackColour(int state);
uint32_t updateRowBorderColour(int state);

struct UpdateListRow {
  UpdateResult result;
  int state = kUpdateStatusNothingNewer;
  bool selectable = false;
  bool selected = false;
};

class UpdateList {
 public:
  void clear() { rows_.clear(); }
  // Adds or replaces row i with the check's result; its state is the result's status.
  void setRow(size_t i, const UpdateResult& result);
  // The check is over: rows whose state is neither 7 nor 0 can be marked.
  void finishCheck();
  // Marks or clears a row (rows that cannot be marked stay clear). Returns
  // whether "update_fw_and_ap" is enabled afterwards.
  bool setSelected(size_t i, bool selected);
  bool anySelected() const;
  // "update_OK_btn": marked rows in state 1 or 2 go to 3, the other rows in
  // those states lose their mark.
  void confirm();

  const std::vector<UpdateListRow>& rows() const { return rows_; }

 private:
  std::vector<UpdateListRow> rows_;
};

}  // namespace tessel
