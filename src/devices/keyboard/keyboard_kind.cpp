#include "devices/device_kind.h"
#include "devices/keyboard/keyboard_setting_keys.h"

namespace tessel {

const KindDescription& keyboardKind() {
  using Rows = RowsOf<&keyboardSettingKeys>;
  static const KindDescription d{DeviceKind::Keyboard, "keyboard", "keyboard", 1, "Keyboard keys:",
                                 {{"keyboard", 0x320F, 0x5089, 1, false}, {"keyboard-receiver", 0x320F, 0x5088, 9, true}},
                                 Rows::keys,
                                 Rows::help,
                                 Rows::labels};
  return d;
}

}  // namespace tessel
