#include "shell/tile_bar.h"

namespace tessel {

int TileBar::add(const TileState& tile) {
  tiles_.push_back(tile);
  return static_cast<int>(tiles_.size()) - 1;
}

std::pair<int, int> TileBar::connectedCount() const {
  int count = 0, first = -1;
  for (size_t i = 0; i < tiles_.size(); ++i) {
    if (!tiles_[i].visible) continue;
    if (first < 0) first = static_cast<int>(i);
    ++count;
  }
  return {count, first};
}

int TileBar::selectedIndex() const {
  for (size_t i = 0; i < tiles_.size(); ++i)
    if (tiles_[i].visible && tiles_[i].selected) return static_cast<int>(i);
  return -1;
}

BarOutcome TileBar::selectDevice(int index, bool visible, bool select) {
  BarOutcome out;
  if (index < 0 || static_cast<size_t>(index) >= tiles_.size()) return out;
  TileState& t = tiles_[static_cast<size_t>(index)];
  t.visible = visible;
  if (select) {
    out.devicePage = t.pageIndex;
    if (t.powerIndex < 0) {
      out.powerSwitchShown = false;
    } else {
      out.powerSwitchShown = true;
      out.powerPage = t.powerIndex;
    }
    for (auto& other : tiles_) other.selected = false;  // one option group
  }
  t.selected = select;

  int visibleCount = 0, synchronised = 0;
  for (const auto& tile : tiles_) {
    if (!tile.visible) continue;
    ++visibleCount;
    if (tile.synchroMark) ++synchronised;
  }
  if (visibleCount == 0) {
    out.noDeviceOverlay = true;
    out.devicePage = 0;
    out.powerPage = 0;
  }
  out.multipleVisible = visibleCount > 1;
  if (!out.multipleVisible)
    for (auto& tile : tiles_) tile.deviceSynchronised = false;
  if (synchronised < 2)
    for (auto& tile : tiles_) tile.synchroMark = false;
  return out;
}

BarOutcome TileBar::hideDevice(int index) {
  if (index < 0 || static_cast<size_t>(index) >= tiles_.size()) return {};
  const TileState& t = tiles_[static_cast<size_t>(index)];
  bool closedSelected = false;
  int other = -1;
  if (t.visible && t.selected) {
    closedSelected = true;
    for (size_t i = 0; i < tiles_.size(); ++i) {
      if (static_cast<int>(i) != index && tiles_[i].visible) {
        other = static_cast<int>(i);
        break;
      }
    }
  }
  BarOutcome out = selectDevice(index, false, false);
  if (other >= 0) out = selectDevice(other, true, true);
  out.closedSelected = closedSelected;
  return out;
}

BarOutcome TileBar::chosen(int index) {
  BarOutcome out;
  if (index < 0 || static_cast<size_t>(index) >= tiles_.size()) return out;
  for (auto& tile : tiles_) tile.selected = false;
  TileState& t = tiles_[static_cast<size_t>(index)];
  t.selected = true;
  if (t.powerIndex < 0) {
    out.powerSwitchShown = false;
  } else {
    out.powerSwitchShown = true;
    out.powerPage = t.powerIndex;
  }
  out.devicePage = t.pageIndex;
  out.multipleVisible = connectedCount().first > 1;
  out.noDeviceOverlay = connectedCount().first == 0;
  return out;
}

std::optional<BarOutcome> TileBar::selectNext() {
  const int current = selectedIndex();
  for (size_t i = static_cast<size_t>(current + 1); i < tiles_.size(); ++i)
    if (tiles_[i].visible) return selectDevice(static_cast<int>(i), true, true);
  return std::nullopt;
}

std::optional<BarOutcome> TileBar::selectPrevious() {
  const int current = selectedIndex();
  for (int i = current - 1; i >= 0; --i)
    if (tiles_[static_cast<size_t>(i)].visible) return selectDevice(i, true, true);
  return std::nullopt;
}

BarOutcome TileBar::reachable(int index) {
  if (index < 0 || static_cast<size_t>(index) >= tiles_.size()) return {};
  if (tiles_[static_cast<size_t>(index)].visible) return {};
  const bool noneVisible = connectedCount().first == 0;
  return selectDevice(index, true, noneVisible);
}

}  // namespace tessel
