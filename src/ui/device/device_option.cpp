#include "ui/device/device_option.h"

#include "platform/debug.h"
#include "ui/device/brelvik_usb_device.h"
#include "ui/device/skin_image.h"
#include "ui/toolkit/paint_manager.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {

namespace {

const char* StemFor(int typeCode, int variant) {
  switch (typeCode) {
    case 1: return "kb_device";
    case 2: return "ms_device";
    case 3: return variant == 0 ? "hard_mp_device" : variant == 1 ? "soft_mp_device" : nullptr;
    case 4:
    case 7: return "hd_device";
    case 5: return "hub_device";
    default: return "unknow_device";
  }
}

}  // namespace

CDeviceOptionUI::CDeviceOptionUI() { SetType(0, 0); }

CDeviceOptionUI::~CDeviceOptionUI() {
  {
    std::lock_guard<std::mutex> lock(relay_->mutex);
    relay_->tile = nullptr;
  }
  tile_.reset();
  CBrelvikUSBDevice* device = device_;
  device_ = nullptr;
  if (device) {
    device->Controller().setSettingsChangedHandler({});
    device->SetTile(nullptr);
  }
}

CControlUI* CDeviceOptionUI::Sub(const QString& name) const {
  return const_cast<CDeviceOptionUI*>(this)->FindControl(
      [&name](CControlUI* c) { return c->GetName() == name; });
}

COptionUI* CDeviceOptionUI::GetSelectOption() const {
  if (!select_) select_ = dynamic_cast<COptionUI*>(Sub(QStringLiteral("device_select")));
  return select_;
}

COptionUI* CDeviceOptionUI::GetSynchroOption() const {
  if (!synchro_) synchro_ = dynamic_cast<COptionUI*>(Sub(QStringLiteral("synchro_device_select")));
  return synchro_;
}

CLabelUI* CDeviceOptionUI::GetNameLabel() const {
  if (!nameLabel_) nameLabel_ = dynamic_cast<CLabelUI*>(Sub(QStringLiteral("device_select_name")));
  return nameLabel_;
}

void CDeviceOptionUI::DoInit() {
  CHorizontalLayoutUI::DoInit();
  ApplyIcons();
}

// ------------------------------------------------------------------ device and timers

void CDeviceOptionUI::SetDevice(CBrelvikUSBDevice* device) {
  if (device == device_) return;
  if (device_) {
    CBrelvikUSBDevice* old = device_;
    DeviceGone(old);
    old->SetTile(nullptr);
  }
  if (!device) return;
  Scheduler* scheduler = GetManager() ? GetManager()->GetScheduler() : CPaintManagerUI::GetDefaultScheduler();
  if (!scheduler) {
    debugLine("device tile without a scheduler: its timers cannot run");
    return;
  }
  device_ = device;
  TileHost& host = *this;
  tile_ = std::make_unique<DeviceTile>(*scheduler, device->Controller(), host);
  tile_->setVisible(GetOwnVisible());
  // The light tick always offers its frame; frameShown shows it only while
  // this tile's option is selected, which the user changes without telling us.
  tile_->setSelected(true);
  tile_->setSynchronised(synchronised_);
  {
    std::lock_guard<std::mutex> lock(relay_->mutex);
    relay_->tile = tile_.get();
  }
  const int delay = device->SettingsChangedDelay();
  device->Controller().setSettingsChangedHandler([relay = relay_, delay] {
    std::lock_guard<std::mutex> lock(relay->mutex);
    if (relay->tile) relay->tile->startTimer(DeviceTile::kDeviceChanged, delay);
  });
  device->SetTile(this);
}

void CDeviceOptionUI::DeviceGone(CBrelvikUSBDevice* device) {
  if (!device || device != device_) return;
  {
    std::lock_guard<std::mutex> lock(relay_->mutex);
    relay_->tile = nullptr;
  }
  tile_.reset();
  device->Controller().setSettingsChangedHandler({});
  device_ = nullptr;
}

void CDeviceOptionUI::StartConnectTimer() {
  if (tile_) tile_->startConnectTimer();
}

void CDeviceOptionUI::StartLinkWatch(int delayMs) {
  if (tile_) tile_->startLinkWatch(delayMs);
}

void CDeviceOptionUI::reachabilityChanged(int optionIndex, bool reachable) {
  CWindowWnd* window = GetManager() ? GetManager()->GetWindow() : nullptr;
  if (!window && device_) window = device_->GetMainWindow();
  if (window) window->SendMessage(messages::kDeviceReachable, static_cast<WPARAM>(optionIndex), reachable ? 1 : 0);
}

void CDeviceOptionUI::frameShown(const std::vector<uint8_t>& frame) {
  if (device_ && IsSelected()) device_->ShowFrame(frame);
}

// ------------------------------------------------------------------ looks and state

void CDeviceOptionUI::SetType(int typeCode, int variant) {
  typeCode_ = typeCode;
  variant_ = variant;
  const char* stem = StemFor(typeCode, variant);
  if (!stem) return;  // a mousepad of an unknown variant keeps its icons
  const QString base = QStringLiteral("common/device_ico/") + QLatin1String(stem);
  icons_ = {base + QStringLiteral("_normal.png"), base + QStringLiteral("_selected.png"),
            base + QStringLiteral("_synchro_normal.png"), base + QStringLiteral("_synchro_selected.png")};
  nameKey_ = QLatin1String(stem) + QStringLiteral("_name_text");
  ApplyIcons();
}

void CDeviceOptionUI::ApplyIcons() {
  const bool sync = IsSynchronised();
  if (COptionUI* option = GetSelectOption()) {
    const QString dest = QStringLiteral("' dest='10,10,50,50'");
    option->SetNormalImage(QStringLiteral("file='") + SkinImagePath(icons_[sync ? 2 : 0]) + dest);
    option->SetSelectedImage(QStringLiteral("file='") + SkinImagePath(icons_[sync ? 3 : 1]) + dest);
  }
  if (CLabelUI* label = GetNameLabel()) label->SetText(QStringLiteral("%[") + nameKey_ + QStringLiteral("]"));
}

void CDeviceOptionUI::BindPage(const QString& layoutName, int index) {
  pageLayout_ = layoutName;
  pageIndex_ = index;
  if (COptionUI* option = GetSelectOption()) {
    option->SetBindTabLayoutName(layoutName);
    option->SetBindTabLayoutIndex(index);
  }
}

void CDeviceOptionUI::SetHeaderGroup(const QString& group) {
  group_ = group;
  if (COptionUI* option = GetSelectOption()) option->SetGroup(group);
}

void CDeviceOptionUI::SetPowerSwitch(const QString& name, int index) {
  powerSwitchName_ = name;
  powerSwitchIndex_ = index;
}

void CDeviceOptionUI::SetVisible(bool visible) {
  CHorizontalLayoutUI::SetVisible(visible);
  if (tile_) tile_->setVisible(visible);
}

void CDeviceOptionUI::Select(bool selected) {
  if (COptionUI* option = GetSelectOption()) option->Selected(selected, false);
}

bool CDeviceOptionUI::IsSelected() const {
  const COptionUI* option = GetSelectOption();
  return option && option->IsSelected();
}

void CDeviceOptionUI::SetSynchronised(bool on) {
  synchronised_ = on;
  if (COptionUI* option = GetSynchroOption()) option->Selected(on, false);
  if (tile_) tile_->setSynchronised(on);
  ApplyIcons();
}

bool CDeviceOptionUI::IsSynchronised() const {
  const COptionUI* option = GetSynchroOption();
  return option ? option->IsSelected() : synchronised_;
}

}  // namespace tessel::ui
