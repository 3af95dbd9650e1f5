#include "devices/device_kind.h"
#include "devices/headset/headset_setting_keys.h"

namespace tessel {

const KindDescription& headsetKind() {
  using Rows = RowsOf<&headsetSettingKeys>;
  static const KindDescription d{DeviceKind::Headset, "headset", "HD", 7, "Headset keys:",
                                 {{"headset", 0x0C76, 0x1630, 7, false}},
                                 Rows::keys,
                                 Rows::help,
                                 Rows::labels};
  return d;
}

}  // namespace tessel
