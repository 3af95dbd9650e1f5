#include "audio/mixer_description.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "audio/audio_chip_binding.h"

namespace tessel::audio {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

std::vector<std::string_view> words(std::string_view s) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < s.size()) {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    const size_t start = i;
    while (i < s.size() && s[i] != ' ' && s[i] != '\t') ++i;
    if (i > start) out.push_back(s.substr(start, i - start));
  }
  return out;
}

// "Playback 0 - 127 Capture 0 - 16", "0 - 31" (one stream, the control's own).
void takeLimits(MixerControl& c, std::string_view rest, bool onlyCapture) {
  const auto w = words(rest);
  StreamState* target = onlyCapture ? &c.capture : &c.playback;
  for (size_t i = 0; i < w.size(); ++i) {
    if (w[i] == "Playback") {
      target = &c.playback;
      continue;
    }
    if (w[i] == "Capture") {
      target = &c.capture;
      continue;
    }
    if (i + 2 < w.size() && w[i + 1] == "-") {
      const auto lo = parseDecimalInt(w[i]);
      const auto hi = parseDecimalInt(w[i + 2]);
      if (lo && hi && *lo <= *hi) {
        target->min = *lo;
        target->max = *hi;
        target->hasVolume = true;
      }
      i += 2;
    }
  }
}

// "Playback 96 [76%] [-7.50dB] [off] Capture 13 [81%] [19.50dB] [on]" or
// "Capture [on]" or "Playback 31 [100%]".
void takeValues(MixerControl& c, std::string_view rest, bool onlyCapture) {
  const auto w = words(rest);
  StreamState* target = onlyCapture ? &c.capture : &c.playback;
  for (std::string_view word : w) {
    if (word == "Playback") {
      target = &c.playback;
    } else if (word == "Capture") {
      target = &c.capture;
    } else if (word == "[on]" || word == "[off]") {
      target->on = word == "[on]";
    } else if (word.front() != '[') {
      if (const auto v = parseDecimalInt(word)) target->volume = *v;
    }
  }
}

}  // namespace

std::vector<MixerControl> parseMixerDescription(std::string_view text) {
  std::vector<MixerControl> controls;
  MixerControl* current = nullptr;
  bool valuesTaken = false;
  bool captureOnly = false;  // a control with capture capabilities only lists unnamed limits
  size_t pos = 0;
  while (pos <= text.size()) {
    const size_t nl = text.find('\n', pos);
    const std::string_view line = text.substr(pos, nl == std::string_view::npos ? text.npos : nl - pos);
    pos = nl == std::string_view::npos ? text.size() + 1 : nl + 1;
    const std::string_view t = trim(line);
    if (startsWith(t, "Simple mixer control '")) {
      const std::string_view rest = t.substr(22);
      const size_t quote = rest.rfind('\'');
      if (quote == std::string_view::npos) {
        current = nullptr;
        continue;
      }
      MixerControl c;
      c.name = std::string(rest.substr(0, quote));
      const std::string_view after = rest.substr(quote + 1);
      if (startsWith(after, ",")) c.index = parseDecimalInt(after.substr(1)).value_or(0);
      controls.push_back(std::move(c));
      current = &controls.back();
      valuesTaken = false;
      captureOnly = false;
      continue;
    }
    if (!current) continue;
    if (startsWith(t, "Capabilities:")) {
      bool playback = false, capture = false;
      for (std::string_view w : words(t.substr(13))) {
        if (w == "pvolume") current->playback.hasVolume = playback = true;
        if (w == "cvolume") current->capture.hasVolume = capture = true;
        if (w == "pswitch") current->playback.hasSwitch = playback = true;
        if (w == "cswitch") current->capture.hasSwitch = capture = true;
        if (w == "volume") current->playback.hasVolume = playback = true;
        if (w == "switch") current->playback.hasSwitch = playback = true;
      }
      captureOnly = capture && !playback;
      // Volumes count only once limits are seen.
      current->playback.hasVolume = false;
      current->capture.hasVolume = false;
      continue;
    }
    if (startsWith(t, "Limits:")) {
      takeLimits(*current, t.substr(7), captureOnly);
      continue;
    }
    if (startsWith(t, "Playback channels:") || startsWith(t, "Capture channels:") || startsWith(t, "Channels:") ||
        startsWith(t, "Items:") || startsWith(t, "Item0:"))
      continue;
    const size_t colon = t.find(':');
    if (colon != std::string_view::npos && !valuesTaken) {
      const std::string_view rest = t.substr(colon + 1);
      if (rest.find("Playback") != std::string_view::npos || rest.find("Capture") != std::string_view::npos ||
          rest.find('[') != std::string_view::npos) {
        takeValues(*current, rest, captureOnly);
        valuesTaken = true;
      }
    }
  }
  for (MixerControl& c : controls) {
    for (StreamState* s : {&c.playback, &c.capture}) {
      if (s->hasVolume) s->volume = std::clamp(s->volume, s->min, s->max);
      else s->volume = 0;
      if (!s->hasSwitch) s->on = false;
    }
  }
  return controls;
}

MixerControl* RecordedMixer::find(std::string_view control) {
  for (MixerControl& c : controls_)
    if (c.name == control) return &c;
  return nullptr;
}

bool RecordedMixer::setSwitch(std::string_view control, Stream stream, bool on) {
  MixerControl* c = find(control);
  if (!c || !c->stream(stream).hasSwitch) return false;
  c->stream(stream).on = on;
  return true;
}

bool RecordedMixer::setVolume(std::string_view control, Stream stream, long volume) {
  MixerControl* c = find(control);
  if (!c || !c->stream(stream).hasVolume) return false;
  StreamState& s = c->stream(stream);
  s.volume = std::clamp(volume, s.min, s.max);
  return true;
}

}  // namespace tessel::audio
