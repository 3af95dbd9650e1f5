#pragma once
// The headset's audio settings for `tesselctl get/set headset`, one row per
// key over the page's HeadsetAudio:
//
//   eq             0..13      equaliser: 0 none, 1..12 built-in preset, 13 custom
//   eq.band.I      -20..20    band slider I (0..9); moving one switches to custom
//                             and writes the chip (kept only through eq.save)
//   eq.custom      NAME       select a custom preset (and the custom equaliser)
//   eq.save        NAME       save the band sliders as a custom preset (set only);
//                             the selected preset's own name overwrites it; a
//                             name another preset has (in any case) is refused
//   eq.delete      NAME       delete a custom preset (set only)
//   mic.on         1 / 0      microphone live
//   mic.level      0..100
//   monitor.on     1 / 0      microphone monitor (side-tone) live
//   monitor.level  0..100
//   voice.on       1 / 0      voice changer
//   voice.type     1..4
//
// A group the chip cannot drive on this system (equaliser, microphone,
// monitor, voice changer) leaves its rows out of `get` and refuses `set`;
// headsetAudioUnavailableLines says which and why.
#include <functional>
#include <string>
#include <vector>

#include "config/setting_keys.h"
#include "devices/headset/headset_audio.h"

namespace tessel {

const settings::KeyTable<HeadsetAudio>& headsetAudioKeys();

// Why eq.save cannot give `name` to the sliders' curve now, in one line
// naming the preset that has it (in any letter case) or the 20-preset limit;
// empty when it can. Only the selected preset's exact name overwrites it.
std::string headsetEqSaveRefusal(const HeadsetAudio& audio, std::string_view name);

// "equaliser unavailable: <why>", one line per unavailable group.
std::vector<std::string> headsetAudioUnavailableLines(const HeadsetAudio& audio);

// The same rows over another model that holds a HeadsetAudio (the headset's
// session), so they join its own table.
template <class Model>
settings::KeyTable<Model> adaptHeadsetAudioKeys(std::function<HeadsetAudio&(Model&)> get,
                                                std::function<const HeadsetAudio&(const Model&)> getConst) {
  settings::KeyTable<Model> out;
  for (const auto& row : headsetAudioKeys()) {
    settings::KeyRow<Model> r;
    r.key = row.key;
    r.type = row.type;
    r.unavailable = row.unavailable;
    r.listed = row.listed;
    r.doc = row.doc;
    if (row.range) r.range = [f = row.range, getConst](const Model& m) { return f(getConst(m)); };
    if (row.parseText)
      r.parseText = [f = row.parseText, getConst](const Model& m, std::string_view t, settings::Value& v,
                                                  std::string& why) { return f(getConst(m), t, v, why); };
    if (row.formatText)
      r.formatText = [f = row.formatText, getConst](const Model& m, const settings::Value& v) {
        return f(getConst(m), v);
      };
    r.read = [f = row.read, getConst](const Model& m) { return f(getConst(m)); };
    r.write = [f = row.write, get](Model& m, const settings::Value& v) { return f(get(m), v); };
    out.push_back(std::move(r));
  }
  return out;
}

}  // namespace tessel
