#include "devices/headset/headset_audio_keys.h"

namespace tessel {

using audio::AudioGroup;
using settings::KeyRow;
using settings::Range;
using settings::Value;
using settings::ValueType;

namespace {

constexpr const char* kUnavailable = "unavailable on this system (\"tesselctl get headset\" says why)";

Value number(int64_t n) {
  Value v;
  v.number = n;
  return v;
}

Value text(std::string s) {
  Value v;
  v.text = std::move(s);
  return v;
}

bool available(const HeadsetAudio& a, AudioGroup g) { return a.unavailableReason(g).empty(); }

// The title of the page's group box a row belongs to.
const char* groupLabel(AudioGroup g) {
  switch (g) {
    case AudioGroup::Equaliser: return "hs_eq_title";
    case AudioGroup::Microphone: return "hs_mic_title";
    case AudioGroup::Monitor: return "hs_monitor_title";
    case AudioGroup::VoiceChanger: return "hs_voice_title";
  }
  return "tab_voice";
}

// A row of one group: unreadable (left out of get, refused by set) while the
// group cannot work.
KeyRow<HeadsetAudio> groupRow(std::string key, ValueType type, AudioGroup group,
                              std::function<std::optional<Value>(const HeadsetAudio&)> read,
                              std::function<bool(HeadsetAudio&, const Value&)> write) {
  KeyRow<HeadsetAudio> row;
  row.key = std::move(key);
  row.type = type;
  row.doc.label = groupLabel(group);
  row.unavailable = kUnavailable;
  row.read = [group, read = std::move(read)](const HeadsetAudio& a) -> std::optional<Value> {
    if (!available(a, group)) return std::nullopt;
    return read(a);
  };
  row.write = std::move(write);
  return row;
}

// The custom preset in use is named exactly `name` (letter case counts).
// While a built-in preset plays, the list's old selection is not in use.
bool selectedPresetNamed(const HeadsetAudio& a, std::string_view name) {
  const int k = a.customAreaEnabled() ? a.customSelection() : -1;
  return k >= 0 && static_cast<size_t>(k) < a.customNames().size() && a.customNames()[static_cast<size_t>(k)] == name;
}

// A custom preset's name: not empty, printable, at most 64 bytes.
bool parseName(std::string_view t, Value& v, std::string& why) {
  if (t.empty()) {
    why = "a name is needed";
    return false;
  }
  if (t.size() > 64) {
    why = "a name has at most 64 characters";
    return false;
  }
  for (char c : t)
    if (static_cast<unsigned char>(c) < 0x20) {
      why = "a name has no control characters";
      return false;
    }
  v.text = std::string(t);
  return true;
}

KeyRow<HeadsetAudio> described(KeyRow<HeadsetAudio> row, std::string help, const char* label = nullptr) {
  row.doc.help = std::move(help);
  if (label) row.doc.label = label;
  return row;
}

settings::KeyTable<HeadsetAudio> buildTable() {
  settings::KeyTable<HeadsetAudio> t;
  {
    auto row = groupRow(
        "eq", ValueType::Integer, AudioGroup::Equaliser,
        [](const HeadsetAudio& a) { return number(a.equaliserOption()); },
        [](HeadsetAudio& a, const Value& v) { return a.selectEqualiser(static_cast<int>(v.number)); });
    row.range = [](const HeadsetAudio&) { return Range{0, headset::kCustomEqType}; };
    row.doc.help = "0 none, 1..12 a built-in equaliser preset, 13 the custom curve";
    t.push_back(std::move(row));
  }
  for (int i = 0; i < headset::kBandCount; ++i) {
    auto row = groupRow(
        "eq.band." + std::to_string(i), ValueType::Integer, AudioGroup::Equaliser,
        [i](const HeadsetAudio& a) { return number(a.bandSliders()[static_cast<size_t>(i)]); },
        [i](HeadsetAudio& a, const Value& v) { return a.changeBand(i, static_cast<int>(v.number)) == 0; });
    row.range = [](const HeadsetAudio&) { return Range{headset::kBandMin, headset::kBandMax}; };
    row.doc = {"eq.band.I", "I = 0..9: one band slider, " + std::to_string(headset::kBandMin) + ".." +
                                std::to_string(headset::kBandMax) +
                                "; moving it switches to the custom curve, kept only through `eq.save`",
                "hs_eq_title"};
    t.push_back(std::move(row));
  }
  {
    auto row = groupRow(
        "eq.custom", ValueType::Text, AudioGroup::Equaliser,
        [](const HeadsetAudio& a) {
          // A custom preset only counts while the custom equaliser plays.
          const int k = a.customAreaEnabled() ? a.customSelection() : -1;
          return text(k >= 0 ? a.customNames()[static_cast<size_t>(k)] : std::string());
        },
        [](HeadsetAudio& a, const Value& v) {
          if (v.text.empty()) return true;  // "none", as `get` prints it: nothing to select
          a.setCustomSelection(a.customIndexOf(v.text));
          return a.selectEqualiser(headset::kCustomEqType);
        });
    row.parseText = [](const HeadsetAudio& a, std::string_view t, Value& v, std::string& why) {
      // `get` prints an empty name while no custom preset is selected; that
      // line given back is taken (and changes nothing).
      if (t.empty() && (!a.customAreaEnabled() || a.customSelection() < 0)) {
        v.text.clear();
        return true;
      }
      if (a.customIndexOf(t) < 0) {
        why = "no custom preset has that name";
        return false;
      }
      v.text = std::string(t);
      return true;
    };
    row.doc.help = "a custom preset's name";
    row.doc.label = "hs_eq_custom";
    t.push_back(std::move(row));
  }
  {
    auto row = groupRow(
        "eq.save", ValueType::Text, AudioGroup::Equaliser, [](const HeadsetAudio&) { return text({}); },
        [](HeadsetAudio& a, const Value& v) {
          // The selected preset's own name overwrites it, as an empty name box does on the page.
          if (selectedPresetNamed(a, v.text)) return a.saveCustomPreset("") == headset::kSaveSaved;
          return a.saveCustomPreset(v.text) == headset::kSaveSaved;
        });
    row.listed = false;
    row.doc = {"eq.save=NAME", "`set` only: save the band sliders as custom preset NAME (at most 20); delete preset NAME",
               "hs_eq_save"};
    row.parseText = [](const HeadsetAudio& a, std::string_view t, Value& v, std::string& why) {
      if (!parseName(t, v, why)) return false;
      why = headsetEqSaveRefusal(a, t);
      return why.empty();
    };
    t.push_back(std::move(row));
  }
  {
    auto row = groupRow(
        "eq.delete", ValueType::Text, AudioGroup::Equaliser, [](const HeadsetAudio&) { return text({}); },
        [](HeadsetAudio& a, const Value& v) {
          const int k = a.customIndexOf(v.text);
          if (k < 0) return false;
          a.setCustomSelection(k);
          a.deleteCustomPreset();
          return true;
        });
    row.listed = false;
    row.doc = {"eq.delete=NAME", "`set` only: save the band sliders as custom preset NAME (at most 20); delete preset NAME",
               "hs_eq_delete"};
    row.parseText = [](const HeadsetAudio& a, std::string_view t, Value& v, std::string& why) {
      if (a.customIndexOf(t) < 0) {
        why = "no custom preset has that name";
        return false;
      }
      v.text = std::string(t);
      return true;
    };
    t.push_back(std::move(row));
  }
  t.push_back(described(groupRow(
      "mic.on", ValueType::Boolean, AudioGroup::Microphone,
      [](const HeadsetAudio& a) { return number(a.microphoneLive() ? 1 : 0); },
      [](HeadsetAudio& a, const Value& v) { return a.setMicrophoneOn(v.number != 0); }),
                        "1 or 0: the microphone live"));
  {
    auto row = groupRow(
        "mic.level", ValueType::Integer, AudioGroup::Microphone,
        [](const HeadsetAudio& a) { return number(a.microphoneSlider()); },
        [](HeadsetAudio& a, const Value& v) { return a.setMicrophoneLevel(static_cast<int>(v.number)); });
    row.range = [](const HeadsetAudio&) { return Range{0, 100}; };
    row.doc.help = "0..100, the microphone's level";
    t.push_back(std::move(row));
  }
  t.push_back(described(groupRow(
      "monitor.on", ValueType::Boolean, AudioGroup::Monitor,
      [](const HeadsetAudio& a) { return number(a.monitorLive() ? 1 : 0); },
      [](HeadsetAudio& a, const Value& v) { return a.setMonitorOn(v.number != 0); }),
                        "1 or 0: the microphone's monitor (side-tone) live"));
  {
    auto row = groupRow(
        "monitor.level", ValueType::Integer, AudioGroup::Monitor,
        [](const HeadsetAudio& a) { return number(a.monitorSlider()); },
        [](HeadsetAudio& a, const Value& v) { return a.setMonitorLevel(static_cast<int>(v.number)); });
    row.range = [](const HeadsetAudio&) { return Range{0, 100}; };
    row.doc.help = "0..100, the monitor's level";
    t.push_back(std::move(row));
  }
  t.push_back(described(groupRow(
      "voice.on", ValueType::Boolean, AudioGroup::VoiceChanger,
      [](const HeadsetAudio& a) { return number(a.voiceChangerShownOn() ? 1 : 0); },
      [](HeadsetAudio& a, const Value& v) { return a.setVoiceChanger(v.number != 0); }),
                        "1 or 0: the voice changer on", "hs_voice_enable"));
  {
    auto row = groupRow(
        "voice.type", ValueType::Integer, AudioGroup::VoiceChanger,
        [](const HeadsetAudio& a) { return number(a.voiceTypeShown()); },
        [](HeadsetAudio& a, const Value& v) { return a.selectVoiceType(static_cast<int>(v.number)); });
    row.range = [](const HeadsetAudio&) { return Range{1, headset::kVoiceTypeCount}; };
    row.doc.help = "1.." + std::to_string(headset::kVoiceTypeCount) + ", the voice changer's voice";
    t.push_back(std::move(row));
  }
  return t;
}

}  // namespace

const settings::KeyTable<HeadsetAudio>& headsetAudioKeys() {
  static const settings::KeyTable<HeadsetAudio> table = buildTable();
  return table;
}

std::string headsetEqSaveRefusal(const HeadsetAudio& audio, std::string_view name) {
  if (selectedPresetNamed(audio, name)) return {};
  const int k = audio.customIndexOf(name);
  if (k >= 0) {
    const std::string& taken = audio.customNames()[static_cast<size_t>(k)];
    std::string why = "the custom preset \"" + taken + "\" already has that name";
    if (taken != name) why += " (names differ only in letter case)";
    return why + "; select it with eq.custom=" + taken + " to overwrite it by its own name";
  }
  if (audio.customNames().size() >= static_cast<size_t>(headset::kMaxCustomPresets))
    return "there are already 20 custom presets";
  return {};
}

std::vector<std::string> headsetAudioUnavailableLines(const HeadsetAudio& audio) {
  std::vector<std::string> lines;
  for (AudioGroup g : audio::kAudioGroups) {
    const std::string why = audio.unavailableReason(g);
    if (!why.empty()) lines.push_back(std::string(audio::groupName(g)) + " unavailable: " + why);
  }
  return lines;
}

}  // namespace tessel
