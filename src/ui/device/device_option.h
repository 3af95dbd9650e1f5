#pragma once
// A device tile in the main window's device bar ("device_select_layout"):
// the device's icon and name, the option that shows its page, the mark that
// puts it into synchronised lighting, and the timers that connect the device,
// stream its live colour frame, poll its battery and watch its wireless link.
// Built from "XML/CustomControlXML/DeviceOption.xml", whose root element is
// this control.
#include <QString>
#include <array>
#include <memory>
#include <mutex>

#include "shell/device_tile.h"
#include "shell/window_messages.h"
#include "ui/toolkit/controls.h"

namespace tessel::ui {

class CBrelvikUSBDevice;


class CDeviceOptionUI : public CHorizontalLayoutUI, private TileHost {
 public:
  CDeviceOptionUI();
  ~CDeviceOptionUI() override;
  QString GetClass() const override { return QStringLiteral("DeviceOption"); }

  // The device object of the page. Creates the tile's timers on the paint
  // manager's scheduler; the device's input reader starts timer 1002 through
  // the tile after it reported changed settings.
  void SetDevice(CBrelvikUSBDevice* device);
  CBrelvikUSBDevice* GetDevice() const { return device_; }
  // Called by a device page that goes before its tile.
  void DeviceGone(CBrelvikUSBDevice* device);

  // Chooses the icons and the name text by type code (1 keyboard, 2 mouse,
  // 3 mousepad with variant 0 hard / 1 soft, 4 or 7 headset, 5 hub, other
  // unknown). For type 3 with another variant the icons stay as they are.
  void SetType(int typeCode, int variant);
  int GetTypeCode() const { return typeCode_; }
  int GetVariant() const { return variant_; }
  // Icon paths: normal, selected, synchronised normal, synchronised selected.
  QString GetIcon(int which) const { return icons_[static_cast<size_t>(which & 3)]; }
  // The device's kind name ("mouse", ...).
  void SetDeviceName(const QString& name) { deviceName_ = name; }
  QString GetDeviceName() const { return deviceName_; }
  // The option "device_select" shows page `index` of `layoutName`.
  void BindPage(const QString& layoutName, int index);
  int GetPageIndex() const { return pageIndex_; }
  // The group of the tiles' options ("tab_header_device").
  void SetHeaderGroup(const QString& group);
  void SetPowerSwitch(const QString& name, int index);
  QString GetPowerSwitchName() const { return powerSwitchName_; }
  int GetPowerSwitchIndex() const { return powerSwitchIndex_; }

  // A visible tile means: connected and reachable.
  void SetVisible(bool visible = true) override;
  // Sets the option "device_select" (no notification).
  void Select(bool selected);
  bool IsSelected() const;
  // The mark "synchro_device_select" and the synchronised icons.
  void SetSynchronised(bool on);
  bool IsSynchronised() const;

  // Timer 1001 after 500 ms.
  void StartConnectTimer();
  // Timer 1007, only while the device is connected.
  void StartLinkWatch(int delayMs);
  // The tile's timers (null before SetDevice).
  DeviceTile* GetDeviceTile() const { return tile_.get(); }

  COptionUI* GetSelectOption() const;
  COptionUI* GetSynchroOption() const;
  CLabelUI* GetNameLabel() const;

  void DoInit() override;

 private:
  // TileHost
  void reachabilityChanged(int optionIndex, bool reachable) override;
  void frameShown(const std::vector<uint8_t>& frame) override;

  CControlUI* Sub(const QString& name) const;
  void ApplyIcons();
  // Timer 1002 from the input reader's thread reaches the tile only while both live.
  struct Relay {
    std::mutex mutex;
    DeviceTile* tile = nullptr;
  };

  CBrelvikUSBDevice* device_ = nullptr;
  std::unique_ptr<DeviceTile> tile_;
  std::shared_ptr<Relay> relay_ = std::make_shared<Relay>();
  int typeCode_ = 0, variant_ = 0;
  std::array<QString, 4> icons_;
  QString nameKey_;
  QString deviceName_;
  QString pageLayout_;
  int pageIndex_ = -1;
  QString group_;
  QString powerSwitchName_;
  int powerSwitchIndex_ = -1;
  bool synchronised_ = false;
  mutable COptionUI* select_ = nullptr;
  mutable COptionUI* synchro_ = nullptr;
  mutable CLabelUI* nameLabel_ = nullptr;
};

}  // namespace tessel::ui
