#include "devices/device_kind.h"
#include "devices/mousepad/mousepad_setting_keys.h"

namespace tessel {

const KindDescription& mousepadKind() {
  static const KindDescription d = describedBy<&mousepadSettingKeys>(
      DeviceKind::MousePad, "mousepad", "MousePad", 3, "Mousepad keys:",
      {{"mousepad", 0x320F, 0x1004, 3, false}});
  return d;
}

}  // namespace tessel
