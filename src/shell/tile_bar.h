#pragma once
// The device bar: which tiles are visible, which one is selected, and what the
// window shows because of it. Exactly one visible tile is selected while any
// is visible; with none, the "No_device_Link" overlay is shown. The window
// applies each Outcome to its controls.
#include <optional>
#include <vector>

namespace tessel {

struct TileState {
  bool visible = false;
  bool selected = false;
  bool synchroMark = false;   // the tile's "synchro_device_select" option
  bool deviceSynchronised = false;
  int pageIndex = 0;          // page in "device_switch"
  int powerIndex = -1;        // page in "device_power_switch", -1 for none
};

struct BarOutcome {
  bool noDeviceOverlay = false;         // show "No_device_Link"
  std::optional<int> devicePage;        // switch "device_switch" to this page
  std::optional<int> powerPage;         // switch "device_power_switch" to this page
  std::optional<bool> powerSwitchShown; // show or hide "device_power_switch"
  bool multipleVisible = false;         // offer synchronisation on every page
  // True when hideDevice found the tile visible and selected: the window
  // closes its owned windows and stops macro recording first.
  bool closedSelected = false;
};

class TileBar {
 public:
  int add(const TileState& tile);  // returns the tile's index
  size_t size() const { return tiles_.size(); }
  const TileState& tile(int index) const { return tiles_.at(static_cast<size_t>(index)); }
  TileState& tile(int index) { return tiles_.at(static_cast<size_t>(index)); }

  // Sets visibility; when `select`, shows the tile's page and power page and
  // selects it (the others are deselected, as options of one group are).
  BarOutcome selectDevice(int index, bool visible, bool select);
  // Hides a tile; when it was the selected one, the first other visible tile
  // is selected. Out-of-range indices do nothing.
  BarOutcome hideDevice(int index);
  // The user chose a tile (its option became selected).
  BarOutcome chosen(int index);
  // Buttons "device_select_next" / "device_select_prev".
  std::optional<BarOutcome> selectNext();
  std::optional<BarOutcome> selectPrevious();

  // Number of visible tiles and the index of the first (-1 when none).
  std::pair<int, int> connectedCount() const;
  int selectedIndex() const;  // the first visible and selected tile, or -1
  // 3331 with lParam 1: select only when no tile was visible before.
  BarOutcome reachable(int index);

 private:
  std::vector<TileState> tiles_;
};

}  // namespace tessel
