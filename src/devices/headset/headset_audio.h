#pragma once
// HeadsetAudio: the headset page's audio side, below the Qt line: the
// equaliser (built-in presets and the user's custom curves), microphone and
// monitor on/off and levels, and the voice changer, kept in the current
// profile document ("SystemSetStages", "EQHzValueInfo", "CustomEQNameInfo",
// "CustomEQHzValueInfo") and applied to the audio chip through the binding.
//
// It also holds what the panels show, because some of it is not a setting:
// the band sliders (moved sliders differ from the stored gains until saved as
// a custom preset), the custom list's selection, whether the custom area is
// enabled, and the option a control shows after the chip refused it (the
// control keeps the user's position; the saved value does not change).
//
// Operations mirror the panels' controls; those that save write the whole
// profile document and call `onSaved` (the page redraws). Nothing here
// touches Qt. Chip calls are quick mixer calls made on the caller's thread.
//
// Where loading must guess, it does so without creating anything in the
// document: "EqType" 13 with no (or an unknown) custom preset gives flat
// gains; a preset number 0, negative or past 13 gives preset 1's gains; a
// band array shorter than ten reads its missing bands as 0 and a longer one
// is cut at ten. Levels are 0..100; a level read from the chip is rounded
// (0.29 is 29, not 28).
#include <array>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/audio_chip.h"
#include "audio/audio_chip_binding.h"
#include "config/document_records.h"

namespace tessel {

class CHs6533Profiledata;

namespace headset {

inline constexpr int kBandCount = 10;
inline constexpr int kBuiltInPresetCount = 12;
inline constexpr int kCustomEqType = 13;
inline constexpr int kMaxCustomPresets = 20;
inline constexpr int kVoiceTypeCount = 4;
// The band sliders' range; the built-in presets use -13..18.
inline constexpr int kBandMin = -20;
inline constexpr int kBandMax = 20;

using Bands = std::array<int32_t, kBandCount>;

// The built-in presets 1..12 (index 0 is preset 1).
const std::array<Bands, kBuiltInPresetCount>& builtInPresets();

// Results of save custom preset.
inline constexpr int kSaveSaved = 1;
inline constexpr int kSaveNameTaken = 0;
inline constexpr int kSaveRefused = -1;

}  // namespace headset

class HeadsetAudio {
 public:
  HeadsetAudio(CHs6533Profiledata& document, audio::AudioChipBinding& binding);

  // Starts the binding and reads the chip state; the binding's problems
  // ("ConfLibInit called failed!", "UpdateAPOAvailable failed!") for the page to show.
  std::vector<std::string> startBinding();

  // --- the page's life ---
  // The eight settings, band gains and custom names from the current document;
  // the panel state follows (sliders = gains, list selection = the custom index).
  void loadFromDocument();
  // Microphone, monitor and voice changer from the chip; values whose read
  // fails stay. Nothing is saved.
  void readChipState();

  // --- equaliser ---
  // 0: nothing; 1..12: apply and store the preset; 13: custom (applies the
  // list's selection); anything else: nothing.
  // True when every chip write of it succeeded (13 and 0: true).
  bool selectEqualiser(int n);
  // Moves band slider `band` (0..9) to `value` and writes it to the chip
  // (switching the page to custom first). The chip's result (0 success);
  // -1 for a band out of range.
  int changeBand(int band, int value);
  // Selects entry k of the custom list and applies it; -1 (or out of range)
  // does nothing.
  bool selectCustomPreset(int k);
  // Only moves the list's selection (the name box's list), nothing else.
  void setCustomSelection(int k);
  // headset::kSaveSaved, kSaveNameTaken or kSaveRefused. An empty name
  // overwrites the selected preset with the sliders.
  int saveCustomPreset(std::string_view name);
  // Deletes the list's selection; -1 does nothing.
  void deleteCustomPreset();
  // Index of the custom preset named `name` (case-insensitive); -1 when none.
  int customIndexOf(std::string_view name) const;

  // --- microphone, monitor, voice changer ---
  // True when the chip took the change.
  bool toggleMicrophone();
  bool toggleMonitor();
  // Set to a state: toggles when it differs from what the option shows.
  bool setMicrophoneOn(bool on);
  bool setMonitorOn(bool on);
  // 0..100 (clamped). Saved only when the chip took it.
  bool setMicrophoneLevel(int level);
  bool setMonitorLevel(int level);
  // Saved whatever the chip answered; true when the chip took it.
  bool setVoiceChanger(bool on);
  // 1..4 (0 and others do nothing). Saved only when the chip took it.
  bool selectVoiceType(int type);

  // --- what the panels show ---
  const HeadsetSystemSet& settings() const { return set_; }
  const headset::Bands& bandGains() const { return gains_; }
  const headset::Bands& bandSliders() const { return sliders_; }
  const std::vector<std::string>& customNames() const { return names_; }
  int customSelection() const { return selection_; }
  bool customAreaEnabled() const { return set_.eqType == headset::kCustomEqType; }
  // The equaliser option shown (0 none).
  int equaliserOption() const;
  bool microphoneLive() const { return !micMuted_; }
  bool monitorLive() const { return !monitorMuted_; }
  int microphoneSlider() const { return micSlider_; }
  int monitorSlider() const { return monitorSlider_; }
  bool voiceChangerShownOn() const { return voiceOn_; }
  int voiceTypeShown() const { return voiceTypeShown_; }
  // Why a group cannot work on this system, in one line; empty when it can.
  std::string unavailableReason(audio::AudioGroup group) const;

  // Called after every save (the page redraws).
  std::function<void()> onSaved;

 private:
  void save();
  bool applyBands(const headset::Bands& bands);
  headset::Bands documentBands(int eqType, int customIndex) const;
  static headset::Bands toBands(const EqPreset& preset);

  CHs6533Profiledata& doc_;
  audio::AudioChipBinding& binding_;
  HeadsetSystemSet set_;
  headset::Bands gains_{};
  headset::Bands sliders_{};
  std::vector<std::string> names_;
  int selection_ = -1;
  bool micMuted_ = false;
  bool monitorMuted_ = false;
  int micSlider_ = 0;
  int monitorSlider_ = 0;
  bool voiceOn_ = false;
  int voiceTypeShown_ = 1;
  bool monitorPath_ = false;  // "GetAAMaxVol" answered at the last chip read
};

}  // namespace tessel
