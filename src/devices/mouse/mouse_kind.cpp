#include "devices/device_kind.h"
#include "devices/mouse/mouse_setting_keys.h"

namespace tessel {

const KindDescription& mouseKind() {
  static const KindDescription d = describedBy<&mouseSettingKeys>(
      DeviceKind::Mouse, "mouse", "mouse", 2,
      "Mouse keys (get prints them all; set takes any of them back):",
      {{"mouse", 0x320F, 0x7C1F, 2, false}, {"mouse-receiver", 0x320F, 0x7C20, 6, true}});
  return d;
}

}  // namespace tessel
