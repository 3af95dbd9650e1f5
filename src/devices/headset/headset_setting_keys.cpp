#include "devices/headset/headset_setting_keys.h"

#include "config/hs6533_profiledata.h"
#include "config/light_mode_list.h"
#include "config/light_setting_keys.h"
#include "devices/headset/headset_audio_keys.h"

namespace tessel {

namespace {

settings::KeyTable<HeadsetSettings> buildTable() {
  settings::KeyTable<HeadsetSettings> t;
  // The headset's modes, then the user sequences of its light-effect library.
  settings::appendLightRows<HeadsetSettings>(
      t, [](const HeadsetSettings& m) -> const std::vector<LightModeEntry>& { return m.device().lightModes(); },
      [](const HeadsetSettings& m) {
        const auto* doc = m.device().document();
        return doc ? static_cast<int64_t>(doc->lightLibrary().sequences(kKindIndexHeadset).size()) : int64_t{0};
      },
      "position in the headset's light-mode list (0 wave, 1 colour wheel, 2 breathing, 3 static, 4 flashing, "
      "6 band flow, 7 mirrored band flow, 8 off; user light sequences from 10 on)");
  auto audio = adaptHeadsetAudioKeys<HeadsetSettings>([](HeadsetSettings& m) -> HeadsetAudio& { return m.audio(); },
                                                       [](const HeadsetSettings& m) -> const HeadsetAudio& {
                                                         return m.audio();
                                                       });
  for (auto& row : audio) t.push_back(std::move(row));
  return t;
}

}  // namespace

LightRecord HeadsetSettings::light() const {
  if (light_) return *light_;
  return device_.document() ? device_.document()->getLightInfo() : LightRecord{};
}

void HeadsetSettings::finish() {
  if (light_) device_.changeLightRecord(*light_);
  light_.reset();
}

const settings::KeyTable<HeadsetSettings>& headsetSettingKeys() {
  static const settings::KeyTable<HeadsetSettings> table = buildTable();
  return table;
}

}  // namespace tessel
