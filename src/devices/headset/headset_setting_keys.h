#pragma once
// The headset's command-line settings (`tesselctl get/set headset`), one row
// per key over the headset's controller and its audio side, both bound to the
// current profile document:
//
//   light.mode        0..modes - 1   position in the headset's light-mode list
//   light.brightness  0..4
//   light.speed       0..4
//   light.direction   0..1
//   light.colour      RRGGBB         (clears light.multicolour, as the editor does)
//   light.multicolour 1 / 0          seven-colour cycling
//   eq, eq.band.I, eq.custom, eq.save, eq.delete, mic.on, mic.level,
//   monitor.on, monitor.level, voice.on, voice.type
//                                    the audio rows (headset_audio_keys.h)
//
// The light keys of one set make one light change through the same
// controller operation as the page's editor (stored, saved, written to the
// headset's settings block); the audio keys go through HeadsetAudio as the
// panels do.
#include <optional>

#include "config/setting_keys.h"
#include "core/light_record.h"
#include "devices/headset/headset_device.h"

namespace tessel {

class HeadsetAudio;

// What the headset's keys read and write.
class HeadsetSettings {
 public:
  HeadsetSettings(headset::HeadsetDevice& device, HeadsetAudio& audio) : device_(device), audio_(audio) {}

  headset::HeadsetDevice& device() { return device_; }
  const headset::HeadsetDevice& device() const { return device_; }
  HeadsetAudio& audio() { return audio_; }
  const HeadsetAudio& audio() const { return audio_; }

  // The light record as this set leaves it so far.
  LightRecord light() const;
  void stageLight(const LightRecord& record) { light_ = record; }
  // Writes the staged light as one change (nothing when no light key was set).
  void finish();

 private:
  headset::HeadsetDevice& device_;
  HeadsetAudio& audio_;
  std::optional<LightRecord> light_;
};

const settings::KeyTable<HeadsetSettings>& headsetSettingKeys();

}  // namespace tessel
