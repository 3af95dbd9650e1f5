#pragma once
// The battery indicator of one device page, a page of the main window's tab
// layout "device_power_switch". Built from
// "XML/CustomControlXML/MpDevicePower.xml", whose root element is this control.
#include <QString>
#include <cstddef>
#include <cstdint>

#include "ui/toolkit/controls.h"

namespace tessel::ui {

class CBrelvikUSBDevice;

class CMpDevicePowerUI : public CHorizontalLayoutUI {
 public:
  ~CMpDevicePowerUI() override;
  QString GetClass() const override { return QStringLiteral("MpDevicePower"); }

  // The type the indicator was created for; only a mousepad's (3) shows the
  // phone on its charging area.
  void SetType(int typeCode, int variant);
  int GetTypeCode() const { return typeCode_; }
  int GetVariant() const { return variant_; }
  // Shows "device_power_Layout" only for devices with a battery.
  void ShowBattery(bool show);
  // A status block (at most 64 bytes are read): percentage, bar, receiver
  // mark, charge icon and, for a mousepad, the phone type.
  void Update(const uint8_t* block, size_t length);

  // Set by the device page that uses this indicator.
  void SetOwner(CBrelvikUSBDevice* owner) { owner_ = owner; }

 private:
  CControlUI* Sub(const char* name) const;
  int typeCode_ = 0;
  int variant_ = 0;
  CBrelvikUSBDevice* owner_ = nullptr;
};

}  // namespace tessel::ui
