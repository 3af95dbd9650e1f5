#pragma once
// The light keys every illuminated device offers on the command line, as one
// set of rows for any kind's settings model (config/setting_keys.h):
//
//   light.mode        0..modes - 1   position in the model's light-mode list,
//                     then the user sequences from max(modes, 10) on
//   light.brightness  0..4
//   light.speed       0..4
//   light.direction   0..1
//   light.colour      RRGGBB         (clears light.multicolour, as the editor does)
//   light.multicolour 1 / 0          seven-colour cycling
//
// The model stages the record (`LightRecord light() const` answers what this
// set leaves so far, `void stageLight(const LightRecord&)` changes it), so
// the light keys of one set become one light change when the set finishes.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "config/light_editor_rules.h"
#include "config/light_mode_list.h"
#include "config/setting_keys.h"
#include "core/light_record.h"

namespace tessel::settings {

namespace light_keys_detail {

inline Value number(int64_t n) {
  Value v;
  v.number = n;
  return v;
}

template <class Model>
KeyRow<Model> lightRow(std::string key, ValueType type, Range range, uint8_t LightRecord::*field, std::string help,
                       std::string label) {
  KeyRow<Model> row;
  row.key = std::move(key);
  row.doc.help = std::move(help);
  row.doc.label = std::move(label);
  row.type = type;
  row.range = [range](const Model&) { return range; };
  row.read = [field](const Model& m) -> std::optional<Value> { return number(m.light().*field); };
  row.write = [field, type](Model& m, const Value& v) {
    LightRecord r = m.light();
    r.*field = static_cast<uint8_t>(type == ValueType::Boolean ? (v.number != 0) : v.number);
    m.stageLight(r);
    return true;
  };
  return row;
}

}  // namespace light_keys_detail

// The light.mode row: the model's built-in modes (`modes`, its mode list),
// then its user sequences (`sequenceCount`), numbered as the light page's
// mode list numbers them: from max(modes, 10) on, the page filling the gap
// with hidden rows that select nothing. A hidden entry of the mode list (the
// keyboard's 0 and 19, the pad's 5) selects nothing either. A value already
// selected stays settable.
template <class Model>
using ModeListOf = std::function<const std::vector<LightModeEntry>&(const Model&)>;

template <class Model>
KeyRow<Model> lightModeRow(ModeListOf<Model> modes, std::function<int64_t(const Model&)> sequenceCount,
                           std::string help) {
  KeyRow<Model> row = light_keys_detail::lightRow<Model>("light.mode", ValueType::Integer, {}, &LightRecord::selectItem,
                                                         std::move(help), "light_mode_effect_list");
  row.range = [modes, sequenceCount](const Model& m) {
    const auto count = static_cast<int64_t>(modes(m).size());
    const int64_t sequences = sequenceCount ? sequenceCount(m) : 0;
    const int64_t high = sequences > 0 ? std::max<int64_t>(count, kFirstUserSequenceItem) + sequences - 1 : count - 1;
    return Range{0, std::max<int64_t>(high, m.light().selectItem)};
  };
  row.check = [modes](const Model& m, int64_t value) -> std::string {
    const std::vector<LightModeEntry>& list = modes(m);
    const auto count = static_cast<int64_t>(list.size());
    const int64_t firstSequence = std::max<int64_t>(count, kFirstUserSequenceItem);
    if (value == m.light().selectItem || value >= firstSequence) return {};
    if (value < count && list[static_cast<size_t>(value)].visible) return {};
    if (value < count) return std::to_string(value) + " selects nothing (a hidden row of the light-mode list)";
    return std::to_string(value) + " selects nothing (0.." + std::to_string(count - 1) +
           " are the light modes, the user sequences start at " + std::to_string(firstSequence) + ")";
  };
  return row;
}

// Appends the light rows to `table`. `modes` gives the model's light-mode
// list, `sequenceCount` how many user sequences its light-effect library
// holds, `modeHelp` what the kind's light.mode numbers mean.
template <class Model>
void appendLightRows(KeyTable<Model>& table, ModeListOf<Model> modes, std::function<int64_t(const Model&)> sequenceCount,
                     std::string modeHelp) {
  using light_keys_detail::lightRow;
  using light_keys_detail::number;
  table.push_back(lightModeRow<Model>(std::move(modes), std::move(sequenceCount), std::move(modeHelp)));
  table.push_back(lightRow<Model>("light.brightness", ValueType::Integer, {0, 4}, &LightRecord::light, "0..4",
                                  "light_brightness"));
  table.push_back(lightRow<Model>("light.speed", ValueType::Integer, {0, 4}, &LightRecord::speed, "0..4",
                                  "light_speed"));
  table.push_back(lightRow<Model>("light.direction", ValueType::Integer, {0, 1}, &LightRecord::fx, "0..1",
                                  "light_direction"));
  {
    KeyRow<Model> row;
    row.key = "light.colour";
    row.doc.help = "RRGGBB (ends `light.multicolour`, as the light editor does)";
    row.doc.label = "light_colour";
    row.type = ValueType::Colour;
    row.read = [](const Model& m) -> std::optional<Value> {
      const LightRecord r = m.light();
      return number(static_cast<int64_t>(r.red) << 16 | r.green << 8 | r.blue);
    };
    row.write = [](Model& m, const Value& v) {
      LightRecord r = m.light();
      r.red = static_cast<uint8_t>(v.number >> 16);
      r.green = static_cast<uint8_t>(v.number >> 8);
      r.blue = static_cast<uint8_t>(v.number);
      r.multiColor = 0;  // a colour typed into the editor ends the cycling
      m.stageLight(r);
      return true;
    };
    table.push_back(std::move(row));
  }
  table.push_back(lightRow<Model>("light.multicolour", ValueType::Boolean, {0, 1}, &LightRecord::multiColor,
                                  "1 or 0: seven-colour cycling", "light_multicolour"));
}

}  // namespace tessel::settings
