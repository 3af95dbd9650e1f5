#include "shell/device_registry.h"

#include "discovery/device_tables.h"
#include "platform/debug.h"

namespace tessel {

namespace {
bool receiverType(uint16_t type) { return type == 6 || type == 9; }
}  // namespace

DeviceRegistry::DeviceRegistry(LiveInterfaceList& list, RegistryUi& ui, Clock& clock)
    : list_(list), ui_(ui), clock_(clock) {}

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
  ui_.initialisePage(pages_.back());
  return &pages_.back();
}

std::vector<const DevicePage*> DeviceRegistry::pagesOf(DeviceKind kind) const {
  std::vector<const DevicePage*> out;
  for (const DevicePage& p : pages_)
    if (p.kind == kind) out.push_back(&p);
  return out;
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
  if (!bar_.tile(page->tileIndex).visible) {
    const bool noneVisible = bar_.connectedCount().first == 0;
    selectDevice(page->tileIndex, true, noneVisible);
  }
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
  transport::CommandTransport& transport = page->device->transport();
  if (transport.isOpen()) return;
  std::optional<int> connection;
  if (receiverType(key.typeCode)) connection = transport::kConnectionReceiver;
  else if (key.typeCode == 1 || key.typeCode == 2) connection = transport::kConnectionCable;
  if (!transport.connect(key.path, connection)) return;  // tile stays hidden, slot stays claimed
  page->device->setIdentity(*pageKey);
  if (!receiverType(key.typeCode)) {
    // On the cable the device is reachable at once.
    const bool noneVisible = bar_.connectedCount().first == 0;
    selectDevice(page->tileIndex, true, noneVisible);
  }
  page->tile->startConnectTimer();
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
  if (!device.transport().handOver(path, connection)) return;  // stays closed

  if (!wasOnReceiver) {
    // Now on the receiver.
    if (device.batteryFlag()) {
      bool awake = false;
      for (int i = 0; i < kLinkRetries && !awake; ++i) {
        awake = device.transport().linkQuery();
        if (!awake) {
          debugLine("获取2.4G模式失败");
          clock_.sleepFor(Millis(50));
        }
      }
      debugLine("获取2");
      device.pollStatus();
    }
    page->tile->startLinkWatch(2000);
  } else {
    // Now on the cable.
    page->tile->startConnectTimer();
    reachabilityChanged(device.optionIndex(), true);
    if (device.batteryFlag()) device.pollStatus();
  }
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
  page->device->transport().disconnect();
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
