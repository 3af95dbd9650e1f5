#include "devices/mousepad/mousepad_setting_keys.h"

#include "config/light_setting_keys.h"

namespace tessel {

void MousepadSettings::finish() {
  if (light_) pad_.changeLightRecord(*light_);
  light_.reset();
}

const settings::KeyTable<MousepadSettings>& mousepadSettingKeys() {
  static const settings::KeyTable<MousepadSettings> table = [] {
    settings::KeyTable<MousepadSettings> t;
    settings::appendLightRows<MousepadSettings>(
        t, [](const MousepadSettings& m) { return static_cast<int64_t>(m.pad().lightModes().size()); });
    return t;
  }();
  return table;
}

}  // namespace tessel
