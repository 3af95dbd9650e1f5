#pragma once
// The page half of a device object. Each device page in the skin is one of
// these (created for the page's root tag): a horizontal layout holding the
// page's controls, the notification pump for them, and the owner of the
// device's controller (transport, identity, zone colours, virtual operations).
#include <QString>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "core/interface_key.h"
#include "device/base/usb_device_controller.h"
#include "ui/toolkit/controls.h"
#include "ui/device/light_control.h"
#include "ui/toolkit/defs.h"

namespace tessel {
class CBasicProfiledata;
}

namespace tessel::ui {

class CPaintManagerUI;
class CWindowWnd;
class CTabLayoutUI;
class CDeviceKeyButtonUI;
class CDeviceOptionUI;
class CMpDevicePowerUI;
class PageProfile;

class CBrelvikUSBDevice : public CHorizontalLayoutUI, public INotifyUI {
 public:
  // A controller on the process's HID backend (hidraw, or the virtual bus in
  // demo mode) and the system clock.
  CBrelvikUSBDevice();
  ~CBrelvikUSBDevice() override;

  QString GetClass() const override { return QStringLiteral("BrelvikUSBDevice"); }

  UsbDeviceController& Controller() { return *controller_; }
  const UsbDeviceController& Controller() const { return *controller_; }

  // ---- wiring, in the order the main window calls them after building the page
  // Registers the page as a notifier of `manager` (its controls' events).
  void InitUI(CPaintManagerUI* manager);
  void SetPageXmlName(const QString& name);
  QString GetPageXmlName() const;
  void SetMainWindow(CWindowWnd* window) { mainWindow_ = window; }
  CWindowWnd* GetMainWindow() const { return mainWindow_; }
  void SetKeyButtonCount(int count);
  int GetKeyButtonCount() const { return static_cast<int>(keyButtons_.size()); }
  void SetLightZoneCount(int count);
  int GetLightZoneCount() const { return static_cast<int>(lightButtons_.size()); }
  void SetOptionIndex(int index) { controller_->setOptionIndex(index); }
  int GetOptionIndex() const { return controller_->optionIndex(); }
  // Also shows or hides the battery indicator's layout.
  void SetBatteryFlag(bool flag);
  bool GetBatteryFlag() const { return controller_->batteryFlag(); }
  void SetKindName(const QString& name);
  QString GetKindName() const;
  // Tells the indicator the battery flag.
  void SetBatteryIndicator(CMpDevicePowerUI* indicator);
  CMpDevicePowerUI* GetBatteryIndicator() const { return indicator_; }
  // Called by an indicator or tile that goes before the page.
  void ForgetBatteryIndicator(const CMpDevicePowerUI* indicator);
  void SetIdentity(const InterfaceKey& key) { controller_->setIdentity(key); }
  InterfaceKey GetIdentity() const { return controller_->identity(); }
  void SetKindIndex(int index) { controller_->setKindIndex(index); }
  int GetKindIndex() const { return controller_->kindIndex(); }
  void SetLightName(const QString& name);
  QString GetLightName() const;
  // Set by the tile when it is given this device.
  void SetTile(CDeviceOptionUI* tile);
  CDeviceOptionUI* GetTile() const { return tile_; }

  // ---- virtual operations of the page
  // Fills the key and light button tables from the page's first "SelectPanel":
  // its "DeviceKeyButton" children named key_N / light_N, N below the table
  // sizes. Without a page XML name both tables and the zone array are emptied.
  virtual void InitPage();
  // Shows the current configuration; the device kinds fill it in.
  virtual void RefreshView() {}
  // Delay of tile timer 1002 after the device reported changed settings.
  virtual int SettingsChangedDelay() const { return 50; }

  CDeviceKeyButtonUI* GetKeyButton(int index) const;
  CDeviceKeyButtonUI* GetLightButton(int index) const;

  // A light tick's frame: every visible light button shows its zone's colour
  // and brightness. An empty frame (light control off) changes nothing.
  virtual void ShowFrame(const std::vector<uint8_t>& frame);
  // The page's configuration document, once its class is settled (the
  // profile selector's set-up), and the device data folder; the device kinds
  // bind their controllers here.
  virtual void BindDocument(CBasicProfiledata&, const std::filesystem::path& /*dataFolder*/) {}

  // Stores the mode and selects the pages of "device_function_switch" and
  // "device_key_function_switch" (looked up on first use).
  void SetFunctionMode(int mode);
  int GetFunctionMode() const { return controller_->functionMode(); }

  // The page's profile selector and the document of its current profile.
  PageProfile& Profile();

  // Only notifications of the page's own controls reach OnNotify.
  void Notify(TNotifyUI& msg) override;
  bool IsOwnControl(const CControlUI* control) const;

 protected:
  // For the device kinds (their own controller classes) and tests.
  explicit CBrelvikUSBDevice(std::unique_ptr<UsbDeviceController> controller);
  // The page's notification pump: its own controls' events.
  virtual void OnNotify(TNotifyUI&) {}
  // The palette dialog over the main window, as the pages' colour chooser.
  CLightControlUI::ColourChooser PaletteChooser();
  // Hides the profile selector's row of function tabs: for a page whose own
  // tabs do what they would (or that has a single page), so no tab sits there
  // doing nothing. The selector gives up the row's height.
  void HideSelectorTabs();
  // A message box over the main window telling the user something failed;
  // one at a time, so a burst of failed writes asks once.
  std::function<void(const QString& textKey)> MessageBoxSink();

 private:
  std::unique_ptr<UsbDeviceController> controller_;
  CPaintManagerUI* pm_ = nullptr;
  CWindowWnd* mainWindow_ = nullptr;
  CDeviceOptionUI* tile_ = nullptr;
  CMpDevicePowerUI* indicator_ = nullptr;
  std::vector<CDeviceKeyButtonUI*> keyButtons_;
  std::vector<CDeviceKeyButtonUI*> lightButtons_;
  CTabLayoutUI* functionSwitch_ = nullptr;
  CTabLayoutUI* keyFunctionSwitch_ = nullptr;
  bool switchesLooked_ = false;
  std::unique_ptr<PageProfile> profile_;
};

}  // namespace tessel::ui
