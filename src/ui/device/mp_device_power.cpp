#include "ui/device/mp_device_power.h"

#include "device/base/battery_view.h"
#include "ui/device/brelvik_usb_device.h"
#include "ui/device/skin_image.h"

namespace tessel::ui {

CMpDevicePowerUI::~CMpDevicePowerUI() {
  if (owner_) owner_->ForgetBatteryIndicator(this);
}

CControlUI* CMpDevicePowerUI::Sub(const char* name) const {
  return const_cast<CMpDevicePowerUI*>(this)->FindControl(
      [name](CControlUI* c) { return c->GetName() == QLatin1String(name); });
}

void CMpDevicePowerUI::SetType(int typeCode, int variant) {
  typeCode_ = typeCode;
  variant_ = variant;
  if (CControlUI* phone = Sub("device_phone_type")) phone->SetVisible(typeCode == 3);
}

void CMpDevicePowerUI::ShowBattery(bool show) {
  if (CControlUI* layout = Sub("device_power_Layout")) layout->SetVisible(show);
}

void CMpDevicePowerUI::Update(const uint8_t* block, size_t length) {
  const BatteryView view = batteryViewFor(block, length, static_cast<uint16_t>(typeCode_));
  if (CControlUI* value = Sub("device_power_value")) value->SetText(QString::fromStdString(view.percentText));
  if (auto* bar = dynamic_cast<CProgressUI*>(Sub("device_Power_progress"))) bar->SetValue(view.progressValue);
  if (CControlUI* mark = Sub("device_wuxian_logo")) mark->SetVisible(view.receiverMark);
  if (!view.chargeImage.empty())
    if (CControlUI* status = Sub("device_power_status"))
      status->SetBkImage(SkinImageAttribute(QString::fromStdString(view.chargeImage)));
  if (view.hasPhone) {
    if (CControlUI* phone = Sub("device_phone_type")) {
      // The icon sits left of the text.
      phone->SetBkImage(SkinImageAttribute(QString::fromStdString(view.phoneImage)) +
                        QStringLiteral(" dest='0,4,20,24'"));
      phone->SetText(QStringLiteral("%[") + QString::fromStdString(view.phoneText) + QStringLiteral("]"));
    }
  }
}

}  // namespace tessel::ui
