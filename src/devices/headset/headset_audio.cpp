#include "devices/headset/headset_audio.h"

#include <algorithm>
#include <cctype>
#include <cmath>

#include "config/hs6533_profiledata.h"

namespace tessel {

using audio::End;
using audio::Parameter;
namespace prop = audio::prop;

namespace headset {

const std::array<Bands, kBuiltInPresetCount>& builtInPresets() {
  static const std::array<Bands, kBuiltInPresetCount> presets = {{
      {7, 11, 2, -3, -1, 4, 9, 12, 9, 5},
      {7, 11, 6, -3, -11, -1, 6, 13, 6, 13},
      {10, 4, 0, -3, -4, -3, -2, -1, 0, 0},
      {2, 1, -2, -3, -5, -7, 0, 4, 9, 8},
      {0, 0, 0, 0, 0, 0, 0, 0, 0, 0},
      {7, 14, -13, -6, -1, 8, 13, 7, 2, 6},
      {14, 10, 4, 0, -4, -3, -1, 1, 2, 3},
      {2, 1, -2, -3, -5, -1, 7, 11, 15, 13},
      {8, 2, -4, -8, 1, 3, 8, 11, 14, 16},
      {-3, 4, 10, 0, -11, 3, 9, 13, 6, 0},
      {18, 14, 8, 2, -3, -6, -1, 2, 5, 6},
      {2, 1, -2, -4, -8, 4, 12, 16, 18, 15},
  }};
  return presets;
}

}  // namespace headset

namespace {

bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

int clampLevel(int v) { return std::clamp(v, 0, 100); }

// A chip level 0.0..1.0 as the percent the sliders show: rounded, so a
// single-precision 0.29 (0.2899999...) is 29.
int percentOf(double real) { return clampLevel(static_cast<int>(std::lround(real * 100.0))); }

EqPreset toPreset(const headset::Bands& b) { return EqPreset(b.begin(), b.end()); }

}  // namespace

HeadsetAudio::HeadsetAudio(CHs6533Profiledata& document, audio::AudioChipBinding& binding)
    : doc_(document), binding_(binding) {}

std::vector<std::string> HeadsetAudio::startBinding() {
  auto problems = binding_.start();
  readChipState();
  return problems;
}

headset::Bands HeadsetAudio::toBands(const EqPreset& preset) {
  headset::Bands b{};
  // Missing bands read as 0; bands past ten are not ours.
  for (size_t i = 0; i < b.size() && i < preset.size(); ++i) b[i] = preset[i];
  return b;
}

headset::Bands HeadsetAudio::documentBands(int eqType, int customIndex) const {
  if (eqType == headset::kCustomEqType) {
    const auto custom = doc_.getCustomEqPresets();
    // No (or an unknown) custom preset: a flat curve, nothing created.
    if (customIndex < 0 || static_cast<size_t>(customIndex) >= custom.size()) return {};
    return toBands(custom[static_cast<size_t>(customIndex)]);
  }
  if (eqType < 1 || eqType > headset::kCustomEqType) eqType = 1;
  const auto presets = doc_.getEqPresets();
  if (static_cast<size_t>(eqType) >= presets.size()) return {};
  return toBands(presets[static_cast<size_t>(eqType)]);
}

void HeadsetAudio::loadFromDocument() {
  set_ = doc_.getSystemSet();
  set_.micInValue = clampLevel(set_.micInValue);
  set_.micMonitorValue = clampLevel(set_.micMonitorValue);
  names_ = doc_.getCustomEqNames();
  gains_ = documentBands(set_.eqType, set_.customEqSelectIndex);
  // A gain past the sliders' range shows at the slider's end.
  for (size_t i = 0; i < sliders_.size(); ++i) sliders_[i] = std::clamp(gains_[i], headset::kBandMin, headset::kBandMax);
  const bool knownCustom =
      set_.customEqSelectIndex >= 0 && static_cast<size_t>(set_.customEqSelectIndex) < names_.size();
  selection_ = knownCustom ? set_.customEqSelectIndex : -1;
  micMuted_ = set_.micInSelect == 0;
  monitorMuted_ = set_.micMonitorSelect == 0;
  micSlider_ = set_.micInValue;
  monitorSlider_ = set_.micMonitorValue;
  voiceOn_ = set_.magicEnable != 0;
  // A type the changer does not have shows as the first.
  voiceTypeShown_ = set_.magicType >= 1 && set_.magicType <= headset::kVoiceTypeCount ? set_.magicType : 1;
}

void HeadsetAudio::readChipState() {
  int32_t muted = 0;
  double level = 0;
  if (binding_.readInt(End::Recording, prop::kMute, Parameter::none(), muted) == 0) {
    micMuted_ = muted != 0;
    set_.micInSelect = micMuted_ ? 0 : 1;
  }
  if (binding_.readReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), level) == 0) {
    set_.micInValue = percentOf(level);
    micSlider_ = set_.micInValue;
  }
  // Only whether it answers counts, not what.
  std::string ignored;
  monitorPath_ = binding_.readText(End::Recording, prop::kAAMaxVol, Parameter::none(), ignored) == 0;
  if (monitorPath_) {
    if (binding_.readInt(End::Recording, prop::kAAMute, Parameter::none(), muted) == 0) {
      monitorMuted_ = muted != 0;
      set_.micMonitorSelect = monitorMuted_ ? 0 : 1;
    }
    if (binding_.readReal(End::Recording, prop::kAAVolumeScalar, Parameter::onChannel(0), level) == 0) {
      set_.micMonitorValue = percentOf(level);
      monitorSlider_ = set_.micMonitorValue;
    }
  }
  int32_t on = 0;
  if (binding_.readInt(End::Recording, prop::kMagicVoice, Parameter::none(), on) == 0) {
    set_.magicEnable = on != 0 ? 1 : 0;
    voiceOn_ = on != 0;
  }
  int32_t selection = 0;
  if (binding_.readInt(End::Recording, prop::kMagicVoiceSelection, Parameter::none(), selection) == 0 &&
      selection >= 0 && selection < headset::kVoiceTypeCount) {
    set_.magicType = selection + 1;
    voiceTypeShown_ = set_.magicType;
  }
}

void HeadsetAudio::save() {
  doc_.setSystemSet(set_);
  doc_.save();
  if (onSaved) onSaved();
}

int HeadsetAudio::equaliserOption() const {
  return set_.eqType >= 1 && set_.eqType <= headset::kCustomEqType ? set_.eqType : 0;
}

bool HeadsetAudio::applyBands(const headset::Bands& bands) {
  bool ok = binding_.writeInt(End::Playback, prop::kEqEnable, Parameter::none(), 1) == 0;
  for (int i = 0; i < headset::kBandCount; ++i) {
    sliders_[static_cast<size_t>(i)] = bands[static_cast<size_t>(i)];
    ok = binding_.writeInt(End::Playback, prop::eqSlider(i), Parameter::none(), bands[static_cast<size_t>(i)]) == 0 &&
         ok;
  }
  return ok;
}

bool HeadsetAudio::selectEqualiser(int n) {
  if (n == headset::kCustomEqType) {
    set_.eqType = headset::kCustomEqType;
    if (selection_ < 0) return true;
    return selectCustomPreset(selection_);
  }
  if (n < 1 || n > headset::kBuiltInPresetCount) return true;
  const headset::Bands& preset = headset::builtInPresets()[static_cast<size_t>(n - 1)];
  const bool ok = applyBands(preset);
  gains_ = preset;
  set_.eqType = n;
  // The preset's gains go into the document before it is written, so the
  // file holds them too.
  auto presets = doc_.getEqPresets();
  if (presets.size() <= static_cast<size_t>(n)) presets.resize(static_cast<size_t>(n) + 1);
  presets[static_cast<size_t>(n)] = toPreset(preset);
  doc_.setEqPresets(presets);
  save();
  return ok;
}

int HeadsetAudio::changeBand(int band, int value) {
  if (band < 0 || band >= headset::kBandCount) return -1;
  value = std::clamp(value, headset::kBandMin, headset::kBandMax);
  if (set_.eqType != headset::kCustomEqType) {
    // Editing a built-in curve makes it a custom one, not yet kept anywhere.
    set_.eqType = headset::kCustomEqType;
    selection_ = -1;
  }
  sliders_[static_cast<size_t>(band)] = value;
  return binding_.writeInt(End::Playback, prop::eqSlider(band), Parameter::none(), value);
}

void HeadsetAudio::setCustomSelection(int k) {
  selection_ = k >= 0 && static_cast<size_t>(k) < names_.size() ? k : -1;
}

bool HeadsetAudio::selectCustomPreset(int k) {
  if (k < 0 || static_cast<size_t>(k) >= names_.size()) return true;
  selection_ = k;
  const auto custom = doc_.getCustomEqPresets();
  gains_ = static_cast<size_t>(k) < custom.size() ? toBands(custom[static_cast<size_t>(k)]) : headset::Bands{};
  const bool ok = applyBands(gains_);
  set_.customEqSelectIndex = k;
  save();
  return ok;
}

int HeadsetAudio::customIndexOf(std::string_view name) const {
  for (size_t i = 0; i < names_.size(); ++i)
    if (sameNameIgnoringCase(names_[i], name)) return static_cast<int>(i);
  return -1;
}

int HeadsetAudio::saveCustomPreset(std::string_view name) {
  auto custom = doc_.getCustomEqPresets();
  // Keep the curves list as long as the names list, so an index names both.
  if (custom.size() < names_.size()) custom.resize(names_.size());
  if (name.empty()) {
    if (selection_ < 0) return headset::kSaveRefused;
    gains_ = sliders_;
    set_.customEqSelectIndex = selection_;
    custom[static_cast<size_t>(selection_)] = toPreset(sliders_);
    doc_.setCustomEqPresets(custom);
    save();
    return headset::kSaveSaved;
  }
  if (names_.size() >= static_cast<size_t>(headset::kMaxCustomPresets)) return headset::kSaveRefused;
  if (customIndexOf(name) >= 0) return headset::kSaveNameTaken;
  names_.emplace_back(name);
  const int index = static_cast<int>(names_.size()) - 1;
  custom.resize(names_.size());
  custom[static_cast<size_t>(index)] = toPreset(sliders_);
  gains_ = sliders_;
  set_.customEqSelectIndex = index;
  selection_ = index;
  doc_.setCustomEqNames(names_);
  doc_.setCustomEqPresets(custom);
  save();
  return headset::kSaveSaved;
}

void HeadsetAudio::deleteCustomPreset() {
  const int k = selection_;
  if (k < 0 || static_cast<size_t>(k) >= names_.size()) return;
  auto custom = doc_.getCustomEqPresets();
  names_.erase(names_.begin() + k);
  if (static_cast<size_t>(k) < custom.size()) custom.erase(custom.begin() + k);
  doc_.setCustomEqNames(names_);
  doc_.setCustomEqPresets(custom);
  // The sliders follow before the save, so a redraw it causes shows them.
  if (!names_.empty()) {
    set_.customEqSelectIndex = 0;
    selection_ = 0;
    gains_ = !custom.empty() ? toBands(custom[0]) : headset::Bands{};
  } else {
    selection_ = -1;
    set_.customEqSelectIndex = -1;
    set_.eqType = 1;
    gains_ = documentBands(1, -1);
  }
  for (size_t i = 0; i < sliders_.size(); ++i) sliders_[i] = std::clamp(gains_[i], headset::kBandMin, headset::kBandMax);
  save();
}

bool HeadsetAudio::toggleMicrophone() {
  micMuted_ = !micMuted_;
  if (binding_.writeInt(End::Recording, prop::kMute, Parameter::none(), micMuted_ ? 1 : 0) != 0) return false;
  set_.micInSelect = micMuted_ ? 0 : 1;
  save();
  return true;
}

bool HeadsetAudio::toggleMonitor() {
  monitorMuted_ = !monitorMuted_;
  if (binding_.writeInt(End::Recording, prop::kAAMute, Parameter::none(), monitorMuted_ ? 1 : 0) != 0) return false;
  set_.micMonitorSelect = monitorMuted_ ? 0 : 1;
  save();
  return true;
}

bool HeadsetAudio::setMicrophoneOn(bool on) {
  if (on == microphoneLive()) return true;
  return toggleMicrophone();
}

bool HeadsetAudio::setMonitorOn(bool on) {
  if (on == monitorLive()) return true;
  return toggleMonitor();
}

bool HeadsetAudio::setMicrophoneLevel(int level) {
  level = clampLevel(level);
  micSlider_ = level;
  const float real = static_cast<float>(level) / 100.0f;
  if (binding_.writeReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), real) != 0) return false;
  set_.micInValue = level;
  save();
  return true;
}

bool HeadsetAudio::setMonitorLevel(int level) {
  level = clampLevel(level);
  monitorSlider_ = level;
  const float real = static_cast<float>(level) / 100.0f;
  if (binding_.writeReal(End::Recording, prop::kAAVolumeScalar, Parameter::onChannel(0), real) != 0) return false;
  set_.micMonitorValue = level;
  save();
  return true;
}

bool HeadsetAudio::setVoiceChanger(bool on) {
  voiceOn_ = on;
  bool ok = binding_.writeInt(End::Recording, prop::kMagicVoice, Parameter::none(), on ? 1 : 0) == 0;
  // The echo effect and the voice changer do not run together.
  if (on) ok = binding_.writeInt(End::Recording, prop::kMicEcho, Parameter::none(), 0) == 0 && ok;
  set_.magicEnable = on ? 1 : 0;
  save();
  return ok;
}

bool HeadsetAudio::selectVoiceType(int type) {
  if (type < 1 || type > headset::kVoiceTypeCount) return true;
  voiceTypeShown_ = type;
  if (binding_.writeInt(End::Recording, prop::kMagicVoiceSelection, Parameter::none(), type - 1) != 0) return false;
  set_.magicType = type;
  save();
  return true;
}

std::string HeadsetAudio::unavailableReason(audio::AudioGroup group) const {
  std::string why = binding_.unavailableReason(group);
  if (why.empty() && group == audio::AudioGroup::Monitor && !monitorPath_)
    why = "the audio chip reports no microphone monitor path";
  return why;
}

}  // namespace tessel
