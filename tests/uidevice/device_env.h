#pragma once
// A window shaped like the main window (device bar, page switch, power
// switch) that builds device pages the way the main window does, with device
// objects on the virtual bus and timers on a manual clock.
#include <QApplication>
#include <QElapsedTimer>
#include <thread>
#include <vector>

#include "core/clock.h"
#include "discovery/device_tables.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"
#include "ui/device/brelvik_usb_device.h"
#include "ui/skin_tags.h"
#include "ui/device/device_kinds.h"
#include "ui/device/device_option.h"
#include "ui/device/mp_device_power.h"
#include "ui/device/select_panel.h"
#include "ui/toolkit/builder.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/toolkit/window.h"
#include "../ui/qt_env.h"

namespace tessel::ui::test {

// Records the notifications of its own controls.
class RecordingMouse : public CBrelvikMouseDevice {
 public:
  using CBrelvikMouseDevice::CBrelvikMouseDevice;
  std::vector<QString> seen;  // "type:sender"

 protected:
  void OnNotify(TNotifyUI& msg) override { seen.push_back(msg.sType + ':' + msg.pSender->GetName()); }
};

struct BuiltPage {
  CBrelvikUSBDevice* device = nullptr;
  CDeviceOptionUI* tile = nullptr;
  CMpDevicePowerUI* power = nullptr;
};

class DeviceWnd : public WindowImplBase {
 public:
  DeviceWnd(hid::HidBackend& backend, QString skin = QStringLiteral("XML/main.xml"))
      : backend_(backend), skin_(std::move(skin)) {}
  QString GetWindowClassName() const override { return QStringLiteral("DeviceTestWnd"); }
  QString GetSkinFile() override { return skin_; }

  CControlUI* CreateControl(const QString& tag) override {
    auto is = [&tag](const char* name) { return tag.compare(QLatin1String(name), Qt::CaseInsensitive) == 0; };
    if (is("BrelvikMouseDevice")) return new RecordingMouse(backend_);
    if (is("BrelvikKeyboardDevice")) return new CBrelvikKeyboardDevice(backend_);
    if (is("BrelvikMousePadDevice")) return new CBrelvikMousePadDevice(backend_);
    if (is("BrelvikHS6533Device")) return new CBrelvikHS6533Device(backend_);
    return CreateSkinTag(tag, this, &m_pm);
  }

  void Notify(TNotifyUI& msg) override {
    if (msg.sType == notify::kSelectChanged || msg.sType == kNotifyClickSelectEnd || msg.sType == notify::kClick)
      notes.push_back(msg.sType + ':' + (msg.pSender ? msg.pSender->GetName() : QString()));
  }

  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override {
    if (msg == messages::kDeviceReachable) {
      handled = true;
      reachability.push_back({static_cast<int>(wParam), static_cast<int>(lParam)});
      return 0;
    }
    handled = false;
    return 0;
  }

  template <typename T>
  T* Find(const char* name) {
    return dynamic_cast<T*>(m_pm.FindControl(QString::fromLatin1(name)));
  }

  // The main window's page creation for device-option row `o`.
  BuiltPage CreatePage(int o, const InterfaceKey& identity) {
    const DeviceOptionRow& opt = deviceOptionTable()[static_cast<size_t>(o)];
    const DeviceXmlRow& xml = deviceXmlTable()[static_cast<size_t>(o)];
    BuiltPage p;
    CDialogBuilder b1, b2, b3;
    p.power = dynamic_cast<CMpDevicePowerUI*>(
        b1.Create(QStringLiteral("XML/CustomControlXML/MpDevicePower.xml"), QString(), this, &m_pm));
    p.tile = dynamic_cast<CDeviceOptionUI*>(
        b2.Create(QString::fromUtf8(opt.tileXml.data(), static_cast<int>(opt.tileXml.size())), QString(), this, &m_pm));
    const QString pageXml = QString::fromUtf8(xml.pageXml.data(), static_cast<int>(xml.pageXml.size()));
    p.device = dynamic_cast<CBrelvikUSBDevice*>(b3.Create(pageXml, QString(), this, &m_pm));
    if (!p.power || !p.tile || !p.device) return p;
    auto* powerSwitch = Find<CTabLayoutUI>("device_power_switch");
    auto* deviceSwitch = Find<CTabLayoutUI>("device_switch");
    auto* bar = Find<CContainerUI>("device_select_layout");
    powerSwitch->Add(p.power);
    p.power->SetType(opt.typeCode, opt.variant);

    CBrelvikUSBDevice* d = p.device;
    d->InitUI(&m_pm);
    d->SetPageXmlName(pageXml);
    d->SetMainWindow(this);
    d->SetKeyButtonCount(xml.keyButtonCount);
    d->SetLightZoneCount(xml.lightZoneCount);
    d->SetOptionIndex(o);
    d->SetBatteryFlag(xml.batteryFlag != 0);
    if (auto* mouse = dynamic_cast<CBrelvikMouseDevice*>(d)) mouse->SetMouseParameter(xml.mouseParameter);
    d->SetKindName(QString::fromUtf8(opt.kindName.data(), static_cast<int>(opt.kindName.size())));
    d->SetBatteryIndicator(p.power);
    d->SetIdentity(identity);
    d->SetKindIndex(opt.kindIndex);
    d->SetLightName(QString::fromUtf8(xml.lightName.data(), static_cast<int>(xml.lightName.size())));
    d->InitPage();
    deviceSwitch->Add(d);
    // The page built last is the one on screen, as after a click on its tile.
    deviceSwitch->SelectItem(deviceSwitch->GetItemIndex(d));

    bar->Add(p.tile);
    p.tile->Select(false);
    p.tile->SetHeaderGroup(QString::fromUtf8(opt.tileHeaderTab.data(), static_cast<int>(opt.tileHeaderTab.size())));
    p.tile->BindPage(QStringLiteral("device_switch"), deviceSwitch->GetItemIndex(d));
    p.tile->SetPowerSwitch(QStringLiteral("device_power_switch"), powerSwitch->GetItemIndex(p.power));
    p.tile->SetType(opt.typeCode, opt.variant);
    p.tile->SetVisible(false);
    p.tile->SetDeviceName(d->GetKindName());
    p.tile->SetDevice(d);
    return p;
  }

  std::vector<QString> notes;
  std::vector<std::pair<int, int>> reachability;

 private:
  hid::HidBackend& backend_;
  QString skin_;
};

}  // namespace tessel::ui::test
