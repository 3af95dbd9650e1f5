#pragma once
// The main window's side of device discovery: what happens when the watcher
// reports an interface arriving or leaving, how a product is handed over
// between its cable and its receiver, and how reachability changes (message
// 3331) move the selection in the device bar. The window supplies the user
// interface through RegistryUi (building pages, showing the bar's outcome);
// everything else happens here, below the Qt line, so scenario tests can run
// it on the virtual bus with a manual clock.
//
// Nothing here waits on a device: opening a connection, the hand-over and its
// link polling, and the lighting commands run as jobs on the device's command
// queue, and what the window shows follows in their completions. Arrival and
// removal messages therefore return at once, whatever the device does.
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "core/clock.h"
#include "core/device_types.h"
#include "discovery/live_interface_list.h"
#include "shell/device_tile.h"
#include "shell/tile_bar.h"

namespace tessel {

// One device page as the registry sees it. The window owns the objects.
struct DevicePage {
  UsbDeviceController* device = nullptr;
  DeviceTile* tile = nullptr;
  DeviceKind kind = DeviceKind::Mouse;
  int tileIndex = -1;   // index in the device bar
  int pageIndex = 0;    // page of "device_switch" that shows it
  int powerIndex = -1;  // page of "device_power_switch" with its battery indicator
};

class RegistryUi {
 public:
  virtual ~RegistryUi() = default;
  // Builds the tile, battery indicator and page of option row `optionIndex`
  // (controls only); nullopt when a skin file could not be built. The
  // registry wires the controller and calls initialisePage afterwards.
  virtual std::optional<DevicePage> buildPage(int optionIndex) = 0;
  // The page's own initialisation (key and light buttons of its picture).
  virtual void initialisePage(const DevicePage& /*page*/) {}
  // Shows what the bar decided: overlay, pages, tile visibility and selection.
  virtual void applyBar(const BarOutcome& outcome) = 0;
  // The selected tile goes away: close owned windows, stop macro recording.
  virtual void closeSelectedPageTools() {}
  virtual void bringToFront() {}
};

class DeviceRegistry {
 public:
  // `scheduler` runs the pauses between the hand-over's link queries on the
  // UI thread.
  DeviceRegistry(LiveInterfaceList& list, RegistryUi& ui, Scheduler& scheduler);

  // Builds the page of a supported interface table row (receiver rows map to
  // their cable row). Returns the page, or nullptr when none could be made.
  const DevicePage* createPage(int tableRow, int variant);

  // Message 3090 / 3091 with the live-list slot.
  void interfaceArrived(int slot);
  void interfaceRemoved(int slot);
  // Message 3331: the device of `optionIndex` became reachable or not.
  void reachabilityChanged(int optionIndex, bool reachable);

  // The device bar.
  TileBar& bar() { return bar_; }
  BarOutcome selectDevice(int tileIndex, bool visible, bool select);
  BarOutcome hideDevice(int tileIndex);
  std::optional<BarOutcome> selectNext();
  std::optional<BarOutcome> selectPrevious();
  BarOutcome tileChosen(int tileIndex);
  // The page of the first tile that is both visible and selected.
  const DevicePage* currentPage() const;

  const std::vector<DevicePage>& pages() const { return pages_; }
  std::vector<const DevicePage*> pagesOf(DeviceKind kind) const;
  const DevicePage* pageForOption(int optionIndex) const;
  const DevicePage* pageWithIdentity(const InterfaceKey& key) const;

  // Another process changed the settings of the devices of `kind` (tesselctl
  // set or apply): each page reloads its profile document from disk, and a
  // connected one then runs *device changed* through its tile's timer, as
  // after the device's own settings-changed report. Returns the number of
  // pages asked.
  int settingsChangedElsewhere(DeviceKind kind);

  // Light control: resume lighting with `on` on every mouse, mousepad and
  // keyboard (the headset keeps its own flag). Suspend tells every device to
  // stop without changing the window's flag; resume gives it back.
  void setLightControl(bool on);
  void suspend();
  void resume(bool lightControlOn);

  // Link-query retries after a hand-over to the receiver (26, 50 ms apart).
  static constexpr int kLinkRetries = 26;
  static constexpr Millis kLinkRetryPause{50};

 private:
  void applyOutcome(const BarOutcome& outcome);
  void connectCommand(int slot, const InterfaceKey& key);
  void offerInput(const InterfaceKey& key);
  void handOver(const InterfaceKey& key);
  void handedOver(size_t index, uint64_t epoch, bool wasOnReceiver);
  void pollLink(size_t index, uint64_t epoch, int attempt);
  void syncTileFlags();
  size_t indexOf(const DevicePage* page) const { return static_cast<size_t>(page - pages_.data()); }
  // A completion for page `index` still applies: no removal or hand-over
  // came after the job was queued, and the registry still exists.
  std::function<bool()> stillCurrent(size_t index);

  LiveInterfaceList& list_;
  RegistryUi& ui_;
  Scheduler& scheduler_;
  TileBar bar_;
  std::vector<DevicePage> pages_;
  std::vector<uint64_t> epochs_;  // per page; grows at every removal and hand-over
  std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

}  // namespace tessel
