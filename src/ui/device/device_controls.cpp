#include "ui/device/device_controls.h"

#include <functional>
#include <utility>

#include "ui/device/brelvik_usb_device.h"
#include "ui/device/device_kinds.h"
#include "ui/device/device_option.h"
#include "ui/device/device_profile.h"
#include "ui/device/mp_device_power.h"
#include "ui/device/select_panel.h"

namespace tessel::ui {

CControlUI* CreateDeviceControl(const QString& tag) {
  static const std::pair<const char*, CControlUI* (*)()> kTags[] = {
      {"SelectPanel", [] () -> CControlUI* { return new CSelectPanelUI; }},
      {"DeviceKeyButton", [] () -> CControlUI* { return new CDeviceKeyButtonUI; }},
      {"BrelvikMouseDevice", [] () -> CControlUI* { return new CBrelvikMouseDevice; }},
      {"BrelvikKeyboardDevice", [] () -> CControlUI* { return new CBrelvikKeyboardDevice; }},
      {"BrelvikMousePadDevice", [] () -> CControlUI* { return new CBrelvikMousePadDevice; }},
      {"BrelvikHS6533Device", [] () -> CControlUI* { return new CBrelvikHS6533Device; }},
      {"DeviceOption", [] () -> CControlUI* { return new CDeviceOptionUI; }},
      {"MpDevicePower", [] () -> CControlUI* { return new CMpDevicePowerUI; }},
      {"DeviceProfile", [] () -> CControlUI* { return new CDeviceProfileUI; }},
  };
  for (const auto& [name, create] : kTags)
    if (tag.compare(QLatin1String(name), Qt::CaseInsensitive) == 0) return create();
  return nullptr;
}

}  // namespace tessel::ui
