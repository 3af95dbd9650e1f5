#include "devices/device_kind.h"
#include "devices/keyboard/keyboard_setting_keys.h"

namespace tessel {

const KindDescription& keyboardKind() {
  static const KindDescription d = describedBy<&keyboardSettingKeys>(
      DeviceKind::Keyboard, "keyboard", "keyboard", 1, "Keyboard keys:",
      {{"keyboard", 0x320F, 0x5089, 1, false}, {"keyboard-receiver", 0x320F, 0x5088, 9, true}});
  return d;
}

}  // namespace tessel
