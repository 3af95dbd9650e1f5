#include "devices/device_kind.h"
#include "devices/headset/headset_setting_keys.h"

namespace tessel {

const KindDescription& headsetKind() {
  static const KindDescription d = describedBy<&headsetSettingKeys>(
      DeviceKind::Headset, "headset", "HD", 7, "Headset keys:",
      {{"headset", 0x0C76, 0x1630, 7, false}});
  return d;
}

}  // namespace tessel
