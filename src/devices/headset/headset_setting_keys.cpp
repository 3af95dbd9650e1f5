#include "devices/headset/headset_setting_keys.h"

#include <algorithm>

#include "config/hs6533_profiledata.h"
#include "config/light_mode_list.h"
#include "config/light_setting_keys.h"
#include "devices/headset/headset_audio_keys.h"

namespace tessel {

namespace {

using settings::KeyRow;
using settings::Range;
using settings::Value;
using settings::ValueType;

Value number(int64_t n) {
  Value v;
  v.number = n;
  return v;
}

// A light row over one field of the record.
KeyRow<HeadsetSettings> lightRow(std::string key, ValueType type, Range range, uint8_t LightRecord::*field) {
  KeyRow<HeadsetSettings> row;
  row.key = std::move(key);
  row.type = type;
  row.range = [range](const HeadsetSettings&) { return range; };
  row.read = [field](const HeadsetSettings& m) -> std::optional<Value> { return number(m.light().*field); };
  row.write = [field, type](HeadsetSettings& m, const Value& v) {
    LightRecord r = m.light();
    r.*field = static_cast<uint8_t>(type == ValueType::Boolean ? (v.number != 0) : v.number);
    m.stageLight(r);
    return true;
  };
  return row;
}

settings::KeyTable<HeadsetSettings> buildTable() {
  settings::KeyTable<HeadsetSettings> t;
  // The headset's modes, then the user sequences of its light-effect library.
  t.push_back(settings::lightModeRow<HeadsetSettings>(
      [](const HeadsetSettings& m) -> const std::vector<LightModeEntry>& { return m.device().lightModes(); },
      [](const HeadsetSettings& m) {
        const auto* doc = m.device().document();
        return doc ? static_cast<int64_t>(doc->lightLibrary().sequences(kKindIndexHeadset).size()) : int64_t{0};
      }));
  t.push_back(lightRow("light.brightness", ValueType::Integer, {0, 4}, &LightRecord::light));
  t.push_back(lightRow("light.speed", ValueType::Integer, {0, 4}, &LightRecord::speed));
  t.push_back(lightRow("light.direction", ValueType::Integer, {0, 1}, &LightRecord::fx));
  {
    KeyRow<HeadsetSettings> row;
    row.key = "light.colour";
    row.type = ValueType::Colour;
    row.read = [](const HeadsetSettings& m) -> std::optional<Value> {
      const LightRecord r = m.light();
      return number(static_cast<int64_t>(r.red) << 16 | r.green << 8 | r.blue);
    };
    row.write = [](HeadsetSettings& m, const Value& v) {
      LightRecord r = m.light();
      r.red = static_cast<uint8_t>(v.number >> 16);
      r.green = static_cast<uint8_t>(v.number >> 8);
      r.blue = static_cast<uint8_t>(v.number);
      r.multiColor = 0;  // a colour typed into the editor ends the cycling
      m.stageLight(r);
      return true;
    };
    t.push_back(std::move(row));
  }
  t.push_back(lightRow("light.multicolour", ValueType::Boolean, {0, 1}, &LightRecord::multiColor));
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
