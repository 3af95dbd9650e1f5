#include "devices/device_kind.h"
#include "devices/mousepad/mousepad_setting_keys.h"

namespace tessel {

const KindDescription& mousepadKind() {
  using Rows = RowsOf<&mousepadSettingKeys>;
  static const KindDescription d{DeviceKind::MousePad, "mousepad", "MousePad", 3, "Mousepad keys:",
                                 {{"mousepad", 0x320F, 0x1004, 3, false}},
                                 Rows::keys,
                                 Rows::help,
                                 Rows::labels};
  return d;
}

}  // namespace tessel
