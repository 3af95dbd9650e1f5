#include "services/update_list.h"

#include <array>

namespace tessel {

std::string_view updateRowStateTextKey(int state) {
  static constexpr std::array<std::string_view, kUpdateRowStates> kKeys = {
      "LessUpdateText",  "NeedUpdateText", "NeedUpdateText", "DownloadWaitText", "DownloadIngText",
      "DownloadOkText", "UpdateIngText",  "UpdateOkText",   "UpdateFailText"};
  if (state < 0 || state >= kUpdateRowStates) return {};
  return kKeys[static_cast<size_t>(state)];
}

bool updateRowStateMarkable(int state) { return state == 1 || state == 2 || state == 8; }
bool updateRowStateShowsProgress(int state) { return state == 4 || state == 6; }
uint32_t updateRowTextColour(int state) { return state == 7 ? 0xFFFFFFFFu : 0xFF0099FFu; }
uint32_t updateRowBackColour(int state) { return state == 7 ? 0xFF666666u : 0xFF171A21u; }
uint32_t updateRowBorderColour(int state) { return state == 7 ? 0xFF666666u : 0xFF0078C8u; }

void UpdateList::setRow(size_t i, const UpdateResult& result) {
  if (i >= rows_.size()) rows_.resize(i + 1);
  UpdateListRow& row = rows_[i];
  row.result = result;
  row.state = result.status;
  row.selectable = false;
  row.selected = false;
}

void UpdateList::finishCheck() {
  for (auto& row : rows_) row.selectable = row.state != 7 && row.state != 0 && updateRowStateMarkable(row.state);
}

bool UpdateList::setSelected(size_t i, bool selected) {
  if (i < rows_.size()) rows_[i].selected = selected && rows_[i].selectable;
  return anySelected();
}

bool UpdateList::anySelected() const {
  for (const auto& row : rows_)
    if (row.selected) return true;
  return false;
}

void UpdateList::confirm() {
  for (auto& row : rows_) {
    if (row.state != 1 && row.state != 2) continue;
    if (row.selected) {
      row.state = 3;
      row.selectable = false;
    }
    row.selected = false;
  }
}

}  // namespace tessel
