#pragma once
// The mousepad's command-line settings (`tesselctl get/set mousepad`): the
// light keys every illuminated device offers (config/light_setting_keys.h)
// over the mousepad controller bound to the current profile document. The
// light keys of one set make one light change: the record is stored, saved
// and the settings block written, as the page does.
#include <optional>

#include "config/setting_keys.h"
#include "devices/mousepad/mousepad_controller.h"

namespace tessel {

class MousepadSettings {
 public:
  explicit MousepadSettings(MousepadController& pad) : pad_(pad) {}
  MousepadController& pad() { return pad_; }
  const MousepadController& pad() const { return pad_; }

  // The light record as this set leaves it so far.
  LightRecord light() const { return light_ ? *light_ : pad_.lightInfo(); }
  void stageLight(const LightRecord& record) { light_ = record; }
  // Writes what was staged: one light change.
  void finish();

 private:
  MousepadController& pad_;
  std::optional<LightRecord> light_;
};

const settings::KeyTable<MousepadSettings>& mousepadSettingKeys();

}  // namespace tessel
