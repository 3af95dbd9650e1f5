#include "tools/tesselctl_kinds.h"

#include "devices/headset/headset_setting_keys.h"
#include "devices/keyboard/keyboard_setting_keys.h"
#include "devices/mouse/mouse_setting_keys.h"
#include "devices/mousepad/mousepad_setting_keys.h"

namespace tessel::tools {

const std::vector<CliKind>& cliKinds() {
  static const std::vector<CliKind> list = {
      {"mouse", DeviceKind::Mouse, "mouse", 2, true, "Mouse keys (get prints them all; set takes any of them back):",
       [] { return keyNames(mouseSettingKeys()); }, [] { return settings::describeRows(mouseSettingKeys()); },
       runMouseSettings},
      {"keyboard", DeviceKind::Keyboard, "keyboard", 1, true, "Keyboard keys:",
       [] { return keyNames(keyboardSettingKeys()); }, [] { return settings::describeRows(keyboardSettingKeys()); },
       runKeyboardSettings},
      {"mousepad", DeviceKind::MousePad, "MousePad", 3, false, "Mousepad keys:",
       [] { return keyNames(mousepadSettingKeys()); }, [] { return settings::describeRows(mousepadSettingKeys()); },
       runMousepadSettings},
      {"headset", DeviceKind::Headset, "HD", 7, false, "Headset keys:", [] { return keyNames(headsetSettingKeys()); },
       [] { return settings::describeRows(headsetSettingKeys()); }, runHeadsetSettings},
  };
  return list;
}

const CliKind* findCliKind(std::string_view name) {
  for (const CliKind& k : cliKinds())
    if (k.name == name) return &k;
  return nullptr;
}

std::optional<DeviceKind> parseCliKind(std::string_view text) {
  const CliKind* k = findCliKind(text);
  return k ? std::optional(k->kind) : std::nullopt;
}

std::string_view cliKindName(DeviceKind kind) {
  for (const CliKind& k : cliKinds())
    if (k.kind == kind) return k.name;
  return "device";
}

}  // namespace tessel::tools
