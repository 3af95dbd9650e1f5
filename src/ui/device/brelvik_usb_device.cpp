#include "ui/device/brelvik_usb_device.h"

#include "device/base/software_effects.h"
#include "ui/color_select_wnd.h"
#include "ui/device/device_option.h"
#include "ui/device/device_profile_page.h"
#include "ui/device/mp_device_power.h"
#include "ui/device/select_panel.h"
#include "ui/msg_wnd.h"
#include "ui/toolkit/paint_manager.h"

namespace tessel::ui {

namespace {

// N of "<prefix>N" when the rest of the name is a decimal number, else -1.
int IndexAfter(const QString& name, QLatin1String prefix) {
  if (!name.startsWith(prefix) || name.size() == prefix.size()) return -1;
  const QString digits = name.mid(prefix.size());
  for (QChar c : digits)
    if (c < '0' || c > '9') return -1;
  bool ok = false;
  const int n = digits.toInt(&ok);
  return ok ? n : -1;
}

}  // namespace

CBrelvikUSBDevice::CBrelvikUSBDevice() : CBrelvikUSBDevice(std::make_unique<UsbDeviceController>()) {}

CBrelvikUSBDevice::CBrelvikUSBDevice(std::unique_ptr<UsbDeviceController> controller)
    : controller_(std::move(controller)) {
  // Status blocks read on the device's queue come back here on the UI thread.
  controller_->setStatusHandler([this](const UsbDeviceController::StatusBlock& block) {
    if (indicator_) indicator_->Update(block.data(), block.size());
  });
}

CBrelvikUSBDevice::~CBrelvikUSBDevice() {
  // Readers and the frame sender stop before anything they may reach goes.
  controller_->shutdown();
  controller_->setStatusHandler({});
  if (tile_) tile_->DeviceGone(this);
  if (indicator_) indicator_->SetOwner(nullptr);
  if (pm_) pm_->RemoveNotifier(this);
}

PageProfile& CBrelvikUSBDevice::Profile() {
  if (!profile_) profile_ = std::make_unique<PageProfile>(*this);
  return *profile_;
}

void CBrelvikUSBDevice::InitUI(CPaintManagerUI* manager) {
  if (pm_ == manager) return;
  if (pm_) pm_->RemoveNotifier(this);
  pm_ = manager;
  if (pm_) pm_->AddNotifier(this);
}

void CBrelvikUSBDevice::SetPageXmlName(const QString& name) { controller_->setPageXmlName(name.toStdString()); }
QString CBrelvikUSBDevice::GetPageXmlName() const { return QString::fromStdString(controller_->pageXmlName()); }
void CBrelvikUSBDevice::SetKindName(const QString& name) { controller_->setKindName(name.toStdString()); }
QString CBrelvikUSBDevice::GetKindName() const { return QString::fromStdString(controller_->kindName()); }
void CBrelvikUSBDevice::SetLightName(const QString& name) { controller_->setLightName(name.toStdString()); }
QString CBrelvikUSBDevice::GetLightName() const { return QString::fromStdString(controller_->lightName()); }

void CBrelvikUSBDevice::SetKeyButtonCount(int count) {
  count = std::max(0, count);
  controller_->setKeyButtonCount(count);
  keyButtons_.assign(static_cast<size_t>(count), nullptr);
}

void CBrelvikUSBDevice::SetLightZoneCount(int count) {
  count = std::max(0, count);
  controller_->setLightZoneCount(count);
  lightButtons_.assign(static_cast<size_t>(count), nullptr);
}

void CBrelvikUSBDevice::SetBatteryFlag(bool flag) {
  controller_->setBatteryFlag(flag);
  if (indicator_) indicator_->ShowBattery(flag);
}

void CBrelvikUSBDevice::SetBatteryIndicator(CMpDevicePowerUI* indicator) {
  if (indicator_ && indicator_ != indicator) indicator_->SetOwner(nullptr);
  indicator_ = indicator;
  if (indicator_) {
    indicator_->SetOwner(this);
    indicator_->ShowBattery(controller_->batteryFlag());
  }
}

void CBrelvikUSBDevice::ForgetBatteryIndicator(const CMpDevicePowerUI* indicator) {
  if (indicator_ == indicator) indicator_ = nullptr;
}

void CBrelvikUSBDevice::SetTile(CDeviceOptionUI* tile) {
  if (tile_ && tile_ != tile) tile_->DeviceGone(this);
  tile_ = tile;
}

// ------------------------------------------------------------------ page

void CBrelvikUSBDevice::InitPage() {
  if (GetPageXmlName().isEmpty()) {
    SetKeyButtonCount(0);
    SetLightZoneCount(0);
    return;
  }
  std::fill(keyButtons_.begin(), keyButtons_.end(), nullptr);
  std::fill(lightButtons_.begin(), lightButtons_.end(), nullptr);
  CControlUI* found = FindControl([this](CControlUI* c) {
    return c != this && c->GetClass() == QLatin1String("SelectPanel");
  });
  auto* panel = dynamic_cast<CContainerUI*>(found);
  if (!panel) return;
  for (int i = 0; i < panel->GetCount(); ++i) {
    auto* button = dynamic_cast<CDeviceKeyButtonUI*>(panel->GetItemAt(i));
    if (!button || button->GetClass() != QLatin1String("DeviceKeyButton")) continue;
    const QString name = button->GetName();
    if (const int n = IndexAfter(name, QLatin1String("key_")); n >= 0) {
      if (n < static_cast<int>(keyButtons_.size())) keyButtons_[static_cast<size_t>(n)] = button;
    } else if (const int m = IndexAfter(name, QLatin1String("light_")); m >= 0) {
      if (m < static_cast<int>(lightButtons_.size())) lightButtons_[static_cast<size_t>(m)] = button;
    }
  }
}

CDeviceKeyButtonUI* CBrelvikUSBDevice::GetKeyButton(int index) const {
  return index >= 0 && index < static_cast<int>(keyButtons_.size()) ? keyButtons_[static_cast<size_t>(index)]
                                                                     : nullptr;
}

CDeviceKeyButtonUI* CBrelvikUSBDevice::GetLightButton(int index) const {
  return index >= 0 && index < static_cast<int>(lightButtons_.size()) ? lightButtons_[static_cast<size_t>(index)]
                                                                       : nullptr;
}

void CBrelvikUSBDevice::ShowFrame(const std::vector<uint8_t>& frame) {
  if (frame.empty()) return;
  for (size_t i = 0; i < lightButtons_.size(); ++i) {
    CDeviceKeyButtonUI* button = lightButtons_[i];
    if (button && button->IsVisible()) button->SetZoneColour(controller_->zoneColour(static_cast<int>(i)));
  }
}

void CBrelvikUSBDevice::HideSelectorTabs() {
  auto named = [this](const char* name) {
    const QString wanted = QString::fromLatin1(name);
    return FindControl([&wanted](CControlUI* c) { return c->GetName() == wanted; });
  };
  CControlUI* selector = named("DeviceProfileItem");
  CControlUI* row = named("device_function_tabs");
  if (!selector || !row || !row->GetOwnVisible()) return;
  row->SetVisible(false);
  auto* column = dynamic_cast<CContainerUI*>(row->GetParent());
  const int gap = column ? column->GetChildPadding() : 0;
  if (selector->GetFixedHeight() > 0) selector->SetFixedHeight(selector->GetFixedHeight() - row->GetFixedHeight() - gap);
}

void CBrelvikUSBDevice::SetFunctionMode(int mode) {
  controller_->setFunctionMode(mode);
  if (!switchesLooked_) {
    auto byName = [this](const char* name) {
      return dynamic_cast<CTabLayoutUI*>(FindControl([name](CControlUI* c) {
        return c->GetName() == QLatin1String(name);
      }));
    };
    functionSwitch_ = byName("device_function_switch");
    keyFunctionSwitch_ = byName("device_key_function_switch");
    switchesLooked_ = true;
  }
  const FunctionModePages pages = functionModePages(mode, controller_->typeCode());
  if (functionSwitch_) functionSwitch_->SelectItem(pages.function);
  if (keyFunctionSwitch_ && pages.keyFunction >= 0) keyFunctionSwitch_->SelectItem(pages.keyFunction);
}

// ------------------------------------------------------------------ notifications

bool CBrelvikUSBDevice::IsOwnControl(const CControlUI* control) const {
  for (const CControlUI* c = control; c; c = c->GetParent())
    if (c == this) return c != control;  // a sub-control, not the page itself
  return false;
}

void CBrelvikUSBDevice::Notify(TNotifyUI& msg) {
  if (IsOwnControl(msg.pSender)) OnNotify(msg);
}

CLightControlUI::ColourChooser CBrelvikUSBDevice::PaletteChooser() {
  return [this](DWORD colour, bool multi, bool offerMulti) -> std::optional<CLightControlUI::ChosenColour> {
    auto choice = CColorSelectWnd::Choose(GetMainWindow(), colour, multi, offerMulti);
    if (!choice) return std::nullopt;
    return CLightControlUI::ChosenColour{choice->colour, choice->multiColour};
  };
}

std::function<void(const QString&)> CBrelvikUSBDevice::MessageBoxSink() {
  return [this](const QString& key) {
    static bool shown = false;
    if (shown) return;
    shown = true;
    CMsgWnd::ShowMessage(GetMainWindow(), QString(), key, 96, 0, CMsgWnd::kConfirmOnly);
    shown = false;
  };
}

}  // namespace tessel::ui
