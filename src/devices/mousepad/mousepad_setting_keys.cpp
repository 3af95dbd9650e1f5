#include "devices/mousepad/mousepad_setting_keys.h"

#include "config/basic_profiledata.h"
#include "config/light_mode_list.h"
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
        t, [](const MousepadSettings& m) -> const std::vector<LightModeEntry>& { return m.pad().lightModes(); },
        [](const MousepadSettings& m) {
          const auto* doc = m.pad().document();
          return doc ? static_cast<int64_t>(doc->lightLibrary().sequences(kKindIndexMousePad).size()) : int64_t{0};
        },
        "position in the pad's light-mode list: 0 wave, 1 colour wheel, 2 breathing, 3 static, 4 flashing, "
        "6 band flow, 7 mirrored band flow, 8 off; user light sequences from 10 on");
    return t;
  }();
  return table;
}

}  // namespace tessel
