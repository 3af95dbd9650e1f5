#include "shell/device_registry.h"

#include "discovery/device_tables.h"
#include "platform/debug.h"

namespace tessel {

namespace {
bool receiverType(uint16_t type) { return type == 6 || type == 9; }
}  // namespace

DeviceRegistry::DeviceRegistry(LiveInterfaceList& list, RegistryUi& ui, Scheduler& scheduler)
    : list_(list), ui_(ui), scheduler_(scheduler) {}

std::function<bool()> DeviceRegistry::stillCurrent(size_t index) {
  return [this, index, epoch = epochs_.at(index), life = std::weak_ptr<int>(life_)] {
    return life.lock() && index < epochs_.size() && epochs_[index] == epoch;
  };
}

// ------------------------------------------------------------------ pages

const DevicePage* DeviceRegistry::createPage(int tableRow, int variant) {
  const auto& table = supportedInterfaceTable();
  if (tableRow < 0 || static_cast<size_t>(tableRow) >= table.size()) return nullptr;
  int row = tableRow;
  uint16_t type = table[row].typeCode;
  if (receiverType(type)) {
    type = type == 6 ? 2 : 1;
    if (table[row].hasPartner) row = table[row].partnerRow;
  }
  const InterfaceKey& key = table[row];
  const int option = findOptionRow(key.vendorId, key.productId, type, variant);
  if (option < 0) return nullptr;
  std::optional<DevicePage> built = ui_.buildPage(option);
  if (!built || !built->device || !built->tile) return nullptr;

  const DeviceOptionRow& optionRow = deviceOptionTable()[option];
  const DeviceXmlRow& xmlRow = deviceXmlTable()[option];
  UsbDeviceController& device = *built->device;
  device.setPageXmlName(std::string(xmlRow.pageXml));
  device.setKeyButtonCount(xmlRow.keyButtonCount);
  device.setLightZoneCount(xmlRow.lightZoneCount);
  device.setOptionIndex(option);
  device.setBatteryFlag(xmlRow.batteryFlag != 0);
  device.setKindName(std::string(optionRow.kindName));
  device.setIdentity(key);
  device.setKindIndex(optionRow.kindIndex);
  device.setLightName(std::string(xmlRow.lightName));
  built->kind = kindOf(*deviceTypeFromCode(static_cast<uint16_t>(optionRow.typeCode)));

  // New tiles start hidden and unselected.
  TileState state;
  state.visible = false;
  state.pageIndex = built->pageIndex;
  state.powerIndex = built->powerIndex;
  built->tileIndex = bar_.add(state);
  built->tile->setVisible(false);
  built->tile->setSelected(false);
  pages_.push_back(*built);
  epochs_.push_back(0);
  ui_.initialisePage(pages_.back());
  return &pages_.back();
}

std::vector<const DevicePage*> DeviceRegistry::pagesOf(DeviceKind kind) const {
  std::vector<const DevicePage*> out;
  for (const DevicePage& p : pages_)
    if (p.kind == kind) out.push_back(&p);
  return out;
}

int DeviceRegistry::settingsChangedElsewhere(DeviceKind kind) {
  int asked = 0;
  for (const DevicePage* p : pagesOf(kind)) {
    // The page's working copy of the document is older than the file now:
    // reload it first, or the next save would write the old values back.
    p->device->loadConfiguration();
    if (p->tile != nullptr && p->tile->visible()) p->tile->startTimer(DeviceTile::kDeviceChanged, 0);
    else p->device->applyConfiguration();
    ++asked;
  }
  return asked;
}

const DevicePage* DeviceRegistry::pageForOption(int optionIndex) const {
  for (const DevicePage& p : pages_)
    if (p.device->optionIndex() == optionIndex) return &p;
  return nullptr;
}

const DevicePage* DeviceRegistry::pageWithIdentity(const InterfaceKey& key) const {
  for (const DevicePage& p : pages_)
    if (p.device->identity() == key) return &p;
  return nullptr;
}

const DevicePage* DeviceRegistry::currentPage() const {
  const int selected = bar_.selectedIndex();
  for (const DevicePage& p : pages_)
    if (p.tileIndex == selected && selected >= 0) return &p;
  return nullptr;
}

// ------------------------------------------------------------------ bar

void DeviceRegistry::syncTileFlags() {
  for (const DevicePage& p : pages_) {
    if (p.tileIndex < 0 || static_cast<size_t>(p.tileIndex) >= bar_.size()) continue;
    const TileState& t = bar_.tile(p.tileIndex);
    p.tile->setVisible(t.visible);
    p.tile->setSelected(t.visible && t.selected);
    p.tile->setSynchronised(t.synchroMark);
  }
}

void DeviceRegistry::applyOutcome(const BarOutcome& outcome) {
  syncTileFlags();
  if (!outcome.multipleVisible)
    for (const DevicePage& p : pages_) p.device->setSynchronised(false);
  ui_.applyBar(outcome);
}

BarOutcome DeviceRegistry::selectDevice(int tileIndex, bool visible, bool select) {
  BarOutcome out = bar_.selectDevice(tileIndex, visible, select);
  applyOutcome(out);
  return out;
}

BarOutcome DeviceRegistry::hideDevice(int tileIndex) {
  if (tileIndex < 0 || static_cast<size_t>(tileIndex) >= bar_.size()) return {};
  const TileState& t = bar_.tile(tileIndex);
  if (t.visible && t.selected) ui_.closeSelectedPageTools();
  BarOutcome out = bar_.hideDevice(tileIndex);
  applyOutcome(out);
  return out;
}

std::optional<BarOutcome> DeviceRegistry::selectNext() {
  auto out = bar_.selectNext();
  if (out) applyOutcome(*out);
  return out;
}

std::optional<BarOutcome> DeviceRegistry::selectPrevious() {
  auto out = bar_.selectPrevious();
  if (out) applyOutcome(*out);
  return out;
}

BarOutcome DeviceRegistry::tileChosen(int tileIndex) {
  BarOutcome out = bar_.chosen(tileIndex);
  applyOutcome(out);
  return out;
}

void DeviceRegistry::reachabilityChanged(int optionIndex, bool reachable) {
  // The tile is found by the device's option index: tiles are numbered in the
  // order pages were created, which need not be the option order.
  const DevicePage* page = pageForOption(optionIndex);
  if (!page) return;
  if (!reachable) {
    hideDevice(page->tileIndex);
    debugLine("2.4gcesvdfherhue 1");
    return;
  }
  // Selected only when no other tile was visible.
  if (!bar_.tile(page->tileIndex).visible) applyOutcome(bar_.reachable(page->tileIndex));
}

// ------------------------------------------------------------------ arrival

void DeviceRegistry::interfaceArrived(int slot) {
  const std::optional<InterfaceKey> key = list_.slot(slot);
  if (!key) return;
  const int row = findTableRow(key->vendorId, key->productId, key->typeCode, kRoleCommand);
  const std::optional<InterfaceKey> page = list_.pageKey(slot);
  if (page && !pageWithIdentity(*page)) createPage(row, 0);

  switch (key->typeCode) {
    case 1: case 9: debugLine("添加一个键盘设备"); break;
    case 2: case 6: debugLine("添加一个鼠标设备"); break;
    case 3: debugLine("添加一个鼠标垫设备"); break;
    default: break;
  }
  if (key->role == kRoleInput) {
    offerInput(*key);
  } else if (list_.partnerPresent(slot)) {
    // The cable arrived while the receiver is in use: move to the cable. The
    // receiver arriving while the cable is in use changes nothing.
    if (key->typeCode == 2 || key->typeCode == 1) handOver(*key);
  } else {
    connectCommand(slot, *key);
  }
  // Bringing the window to the front also refreshes the "no device" overlay.
  ui_.bringToFront();
}

void DeviceRegistry::offerInput(const InterfaceKey& key) {
  const bool receiver = receiverType(key.typeCode);
  const DeviceKind kind = kindOf(*deviceTypeFromCode(key.typeCode));
  for (const DevicePage* p : pagesOf(kind)) {
    const InterfaceKey identity = p->device->identity();
    bool own = key.vendorId == identity.vendorId && key.productId == identity.productId &&
               key.typeCode == identity.typeCode;
    bool partner = false;
    if (identity.hasPartner) {
      const auto& table = supportedInterfaceTable();
      if (identity.partnerRow < table.size()) {
        const InterfaceKey& other = table[identity.partnerRow];
        partner = key.vendorId == other.vendorId && key.productId == other.productId &&
                  key.typeCode == other.typeCode;
      }
    }
    // Each connection's input interface goes into its own handle, whichever
    // arrives first, so a product used only through its receiver still hears
    // its device's reports.
    if ((own || partner) && !p->device->inputOpen(receiver)) {
      p->device->openInput(key.path, receiver);
      return;
    }
  }
}

void DeviceRegistry::connectCommand(int slot, const InterfaceKey& key) {
  const std::optional<InterfaceKey> pageKey = list_.pageKey(slot);
  if (!pageKey) return;
  const DevicePage* page = pageWithIdentity(*pageKey);
  if (!page) return;
  UsbDeviceController& device = *page->device;
  std::optional<int> connection;
  if (receiverType(key.typeCode)) connection = transport::kConnectionReceiver;
  else if (key.typeCode == 1 || key.typeCode == 2) connection = transport::kConnectionCable;
  const size_t index = indexOf(page);
  const bool onCable = !receiverType(key.typeCode);
  // 0: already connected, 1: connected now, 2: the open failed.
  device.commandQueue().request<int>(
      [&device, path = key.path, connection] {
        if (device.transport().isOpen()) return 0;
        return device.transport().connect(path, connection) ? 1 : 2;
      },
      [this, index, current = stillCurrent(index), identity = *pageKey, onCable](int outcome) {
        if (outcome != 1) return;  // tile stays hidden, slot stays claimed
        if (!current()) return;    // removed meanwhile
        const DevicePage& p = pages_[index];
        p.device->setIdentity(identity);
        if (onCable) {
          // On the cable the device is reachable at once.
          applyOutcome(bar_.reachable(p.tileIndex));
        }
        p.tile->startConnectTimer();
      });
}

void DeviceRegistry::handOver(const InterfaceKey& key) {
  const std::optional<InterfaceKey> partner = [&]() -> std::optional<InterfaceKey> {
    if (!key.hasPartner) return std::nullopt;
    return list_.slot(key.partnerRow);
  }();
  const DevicePage* page = pageWithIdentity(key);
  if (!page && partner) page = pageWithIdentity(*partner);
  if (!page) return;
  UsbDeviceController& device = *page->device;
  const bool wasOnReceiver = device.onReceiver();
  // Leaving the receiver: the cable just arrived, use its path. Leaving the
  // cable: the receiver remains, use the partner's path.
  std::string path = wasOnReceiver ? key.path : (partner ? partner->path : std::string());
  if (path.empty()) return;
  const int connection = wasOnReceiver ? transport::kConnectionCable : transport::kConnectionReceiver;
  const size_t index = indexOf(page);
  const uint64_t epoch = ++epochs_[index];  // answers of the old connection no longer count
  device.commandQueue().request<bool>(
      [&device, path, connection] { return device.transport().handOver(path, connection); },
      [this, index, epoch, wasOnReceiver, life = std::weak_ptr<int>(life_)](bool ok) {
        if (ok && life.lock()) handedOver(index, epoch, wasOnReceiver);
      });  // a failed hand-over leaves the transport closed
}

void DeviceRegistry::handedOver(size_t index, uint64_t epoch, bool wasOnReceiver) {
  if (epochs_[index] != epoch) return;
  const DevicePage& page = pages_[index];
  UsbDeviceController& device = *page.device;
  if (!wasOnReceiver) {
    // Now on the receiver: wait for the mouse to answer through it.
    if (device.batteryFlag()) {
      pollLink(index, epoch, 0);
    } else {
      page.tile->startLinkWatch(2000);
    }
  } else {
    // Now on the cable.
    page.tile->startConnectTimer();
    reachabilityChanged(device.optionIndex(), true);
    if (device.pollsStatus()) page.tile->pollStatus();
  }
}

void DeviceRegistry::pollLink(size_t index, uint64_t epoch, int attempt) {
  UsbDeviceController& device = *pages_[index].device;
  // One query per job, so other work for the device (and its removal) is not
  // held up behind all of them; the pause between them runs on the scheduler.
  device.commandQueue().request<bool>(
      [&device] { return device.transport().linkQuery(); },
      [this, index, epoch, attempt, life = std::weak_ptr<int>(life_)](bool awake) {
        if (!life.lock() || epochs_[index] != epoch) return;
        if (!awake && attempt + 1 < kLinkRetries) {
          debugLine("获取2.4G模式失败");
          scheduler_.scheduleAfter(kLinkRetryPause, [this, index, epoch, attempt, life] {
            if (life.lock() && epochs_[index] == epoch) pollLink(index, epoch, attempt + 1);
          });
          return;
        }
        if (!awake) debugLine("获取2.4G模式失败");
        debugLine("获取2");
        const DevicePage& page = pages_[index];
        page.tile->pollStatus();
        page.tile->startLinkWatch(2000);
      });
}

// ------------------------------------------------------------------ removal

void DeviceRegistry::interfaceRemoved(int slot) {
  const std::optional<InterfaceKey> key = list_.slot(slot);
  if (!key) return;
  if (key->role == kRoleInput) {
    const bool receiver = receiverType(key->typeCode);
    const std::optional<InterfaceKey> pageKey = list_.pageKey(slot);
    if (!pageKey) return;
    if (const DevicePage* page = pageWithIdentity(*pageKey)) page->device->closeInput(receiver);
    return;
  }
  if (list_.partnerPresent(slot)) {
    if (key->typeCode == 2 || key->typeCode == 1) handOver(*key);
    return;
  }
  if (key->typeCode == 2 || key->typeCode == 6) debugLine("鼠标设备丢失");
  const std::optional<InterfaceKey> pageKey = list_.pageKey(slot);
  if (!pageKey) return;
  const DevicePage* page = pageWithIdentity(*pageKey);
  if (!page) return;
  UsbDeviceController& device = *page->device;
  ++epochs_[indexOf(page)];
  // Work queued for the device cannot reach it any more. Closing the handles
  // ends a job that waits for a reply at once; the queued disconnect keeps
  // the order against a connect that was already running.
  device.commandQueue().clear();
  device.transport().disconnect();
  device.commandQueue().submit([&device] { device.transport().disconnect(); });
  page->tile->killAllTimers();
  hideDevice(page->tileIndex);
}

// ------------------------------------------------------------------ lighting

void DeviceRegistry::setLightControl(bool on) {
  for (const DevicePage& p : pages_)
    if (p.kind != DeviceKind::Headset) p.device->resumeLighting(on);
}

void DeviceRegistry::suspend() {
  for (const DevicePage& p : pages_) p.device->resumeLighting(false);
}

void DeviceRegistry::resume(bool lightControlOn) {
  for (const DevicePage& p : pages_) p.device->resumeLighting(lightControlOn);
}

}  // namespace tessel
