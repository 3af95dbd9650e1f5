#include "audio/alsa_audio_chip.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/debug.h"
#include "platform/file_io.h"

namespace tessel::audio {

namespace {

// The card's endpoints: one playback, one recording, ids the card number.
constexpr uint32_t kPlaybackTag = 0x100;
constexpr uint32_t kRecordingTag = 0x200;

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool mentionsMic(const MixerControl& c) { return lower(c.name).find("mic") != std::string::npos; }

// The microphone's capture control: a "Mic" control with capture volume or
// switch, else the first capture control of the card.
std::optional<std::string> captureControl(const std::vector<MixerControl>& controls) {
  const MixerControl* any = nullptr;
  for (const MixerControl& c : controls) {
    if (!c.capture.hasVolume && !c.capture.hasSwitch) continue;
    if (mentionsMic(c)) return c.name;
    if (!any) any = &c;
  }
  if (any) return any->name;
  return std::nullopt;
}

// The side-tone: a "Mic" control with a playback volume or switch (USB
// headsets loop the microphone back into the headphones through it).
std::optional<std::string> sideToneControl(const std::vector<MixerControl>& controls) {
  for (const MixerControl& c : controls)
    if (mentionsMic(c) && (c.playback.hasVolume || c.playback.hasSwitch)) return c.name;
  return std::nullopt;
}

const MixerControl* findControl(const std::vector<MixerControl>& controls, const std::optional<std::string>& name) {
  if (!name) return nullptr;
  for (const MixerControl& c : controls)
    if (c.name == *name) return &c;
  return nullptr;
}

int putText(char* buffer, std::size_t size, const std::string& text) {
  const size_t n = std::min(text.size(), size - 1);
  std::memcpy(buffer, text.data(), n);
  buffer[n] = '\0';
  return 0;
}

std::string realText(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6f", v);
  return buf;
}

// The card's mixer through libasound.
class AlsaMixer : public MixerBackend {
 public:
  explicit AlsaMixer(snd_mixer_t* mixer) : mixer_(mixer) {}
  ~AlsaMixer() override { snd_mixer_close(mixer_); }
  AlsaMixer(const AlsaMixer&) = delete;
  AlsaMixer& operator=(const AlsaMixer&) = delete;

  std::vector<MixerControl> controls() override {
    // Take in changes another mixer program made since the last look.
    snd_mixer_handle_events(mixer_);
    std::vector<MixerControl> out;
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e)) {
      if (!snd_mixer_selem_is_active(e)) continue;
      MixerControl c;
      c.name = snd_mixer_selem_get_name(e);
      c.index = static_cast<int>(snd_mixer_selem_get_index(e));
      if (snd_mixer_selem_has_playback_volume(e)) {
        c.playback.hasVolume = true;
        snd_mixer_selem_get_playback_volume_range(e, &c.playback.min, &c.playback.max);
        snd_mixer_selem_get_playback_volume(e, SND_MIXER_SCHN_MONO, &c.playback.volume);
      }
      if (snd_mixer_selem_has_playback_switch(e)) {
        int on = 0;
        c.playback.hasSwitch = true;
        snd_mixer_selem_get_playback_switch(e, SND_MIXER_SCHN_MONO, &on);
        c.playback.on = on != 0;
      }
      if (snd_mixer_selem_has_capture_volume(e)) {
        c.capture.hasVolume = true;
        snd_mixer_selem_get_capture_volume_range(e, &c.capture.min, &c.capture.max);
        snd_mixer_selem_get_capture_volume(e, SND_MIXER_SCHN_MONO, &c.capture.volume);
      }
      if (snd_mixer_selem_has_capture_switch(e)) {
        int on = 0;
        c.capture.hasSwitch = true;
        snd_mixer_selem_get_capture_switch(e, SND_MIXER_SCHN_MONO, &on);
        c.capture.on = on != 0;
      }
      out.push_back(std::move(c));
    }
    return out;
  }

  bool setSwitch(std::string_view control, Stream stream, bool on) override {
    snd_mixer_elem_t* e = find(control);
    if (!e) return false;
    if (stream == Stream::Playback)
      return snd_mixer_selem_has_playback_switch(e) && snd_mixer_selem_set_playback_switch_all(e, on ? 1 : 0) == 0;
    return snd_mixer_selem_has_capture_switch(e) && snd_mixer_selem_set_capture_switch_all(e, on ? 1 : 0) == 0;
  }

  bool setVolume(std::string_view control, Stream stream, long volume) override {
    snd_mixer_elem_t* e = find(control);
    if (!e) return false;
    if (stream == Stream::Playback)
      return snd_mixer_selem_has_playback_volume(e) && snd_mixer_selem_set_playback_volume_all(e, volume) == 0;
    return snd_mixer_selem_has_capture_volume(e) && snd_mixer_selem_set_capture_volume_all(e, volume) == 0;
  }

 private:
  snd_mixer_elem_t* find(std::string_view control) {
    snd_mixer_handle_events(mixer_);
    for (snd_mixer_elem_t* e = snd_mixer_first_elem(mixer_); e; e = snd_mixer_elem_next(e))
      if (control == snd_mixer_selem_get_name(e)) return e;
    return nullptr;
  }

  snd_mixer_t* mixer_;
};

}  // namespace

std::optional<int> findCardByUsbId(const std::filesystem::path& procAsound, std::string_view usbId) {
  std::error_code ec;
  std::optional<int> best;
  for (const auto& entry : std::filesystem::directory_iterator(procAsound, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() <= 4 || name.compare(0, 4, "card") != 0) continue;
    const std::string digits = name.substr(4);
    if (digits.size() > 3 || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
      continue;
    const auto text = readFileBytes(entry.path() / "usbid");
    if (!text) continue;
    std::string id = lower(*text);
    while (!id.empty() && (id.back() == '\n' || id.back() == ' ' || id.back() == '\r')) id.pop_back();
    if (id != lower(usbId)) continue;
    const int card = std::stoi(digits);
    if (!best || card < *best) best = card;
  }
  return best;
}

std::unique_ptr<MixerBackend> openAlsaMixer(int card) {
  snd_mixer_t* mixer = nullptr;
  if (snd_mixer_open(&mixer, 0) != 0) return nullptr;
  const std::string name = "hw:" + std::to_string(card);
  if (snd_mixer_attach(mixer, name.c_str()) != 0 || snd_mixer_selem_register(mixer, nullptr, nullptr) != 0 ||
      snd_mixer_load(mixer) != 0) {
    snd_mixer_close(mixer);
    return nullptr;
  }
  return std::make_unique<AlsaMixer>(mixer);
}

AlsaAudioChip::AlsaAudioChip()
    : AlsaAudioChip([]() -> std::unique_ptr<MixerBackend> {
        const auto card = findCardByUsbId("/proc/asound", kHeadsetUsbId);
        if (!card) return nullptr;
        return openAlsaMixer(*card);
      }) {}

AlsaAudioChip::AlsaAudioChip(Opener opener) : opener_(std::move(opener)) {}

int AlsaAudioChip::init() { return 0; }

void AlsaAudioChip::createDeviceList() {
  std::lock_guard lock(mutex_);
  mixer_ = opener_ ? opener_() : nullptr;
  mapping_ = {};
  if (!mixer_) {
    debugLine("audio: no USB sound card 0c76:1630");
    return;
  }
  const auto controls = mixer_->controls();
  mapping_.capture = captureControl(controls);
  mapping_.sideTone = sideToneControl(controls);
}

int32_t AlsaAudioChip::deviceCount(Direction) {
  std::lock_guard lock(mutex_);
  return mixer_ ? 1 : 0;
}

Endpoint AlsaAudioChip::deviceById(Direction direction, int32_t index) {
  std::lock_guard lock(mutex_);
  if (!mixer_ || index != 0) return {};
  if (direction == Direction::Playback) return {kPlaybackTag, kKindSpeakers, 0, 1};
  return {kRecordingTag, kKindRecording, 0, 1};
}

bool AlsaAudioChip::validEndpointLocked(const Endpoint& e) const {
  if (!mixer_) return false;
  return e == Endpoint{kPlaybackTag, kKindSpeakers, 0, 1} || e == Endpoint{kRecordingTag, kKindRecording, 0, 1};
}

int AlsaAudioChip::readProperty(const Endpoint& endpoint, std::string_view name, const Parameter&, char* buffer,
                                std::size_t size) {
  std::lock_guard lock(mutex_);
  if (size == 0 || buffer == nullptr) return -1;
  buffer[0] = '\0';
  if (!validEndpointLocked(endpoint)) return -1;
  const bool recording = endpoint.identifier == kRecordingTag;
  if (name == prop::kSupportFeature) return putText(buffer, size, "0,0,0,0,0,0,0");
  if (!recording) return -1;  // nothing of the playback side has a mixer counterpart

  const auto controls = mixer_->controls();
  const MixerControl* capture = findControl(controls, mapping_.capture);
  const MixerControl* side = findControl(controls, mapping_.sideTone);
  auto level = [&](const StreamState& s) {
    const double span = static_cast<double>(s.max - s.min);
    return putText(buffer, size, realText(span > 0 ? static_cast<double>(s.volume - s.min) / span : 0.0));
  };
  if (name == prop::kMute) {
    if (!capture || !capture->capture.hasSwitch) return -1;
    return putText(buffer, size, capture->capture.on ? "0" : "1");
  }
  if (name == prop::kVolumeScalar) {
    if (!capture || !capture->capture.hasVolume) return -1;
    return level(capture->capture);
  }
  if (name == prop::kAAMute) {
    if (!side || !side->playback.hasSwitch) return -1;
    return putText(buffer, size, side->playback.on ? "0" : "1");
  }
  if (name == prop::kAAVolumeScalar) {
    if (!side || !side->playback.hasVolume) return -1;
    return level(side->playback);
  }
  if (name == prop::kAAMaxVol) {
    if (!side || !side->playback.hasVolume) return -1;
    return putText(buffer, size, realText(1.0));
  }
  return -1;
}

int AlsaAudioChip::writeProperty(const Endpoint& endpoint, std::string_view name, const Parameter&,
                                 const WriteValue& value) {
  std::lock_guard lock(mutex_);
  if (!validEndpointLocked(endpoint) || endpoint.identifier != kRecordingTag) return -1;
  const auto controls = mixer_->controls();
  auto setLevel = [&](const std::optional<std::string>& control, Stream stream) {
    const MixerControl* c = findControl(controls, control);
    const float v = value.asReal();
    if (!c || !c->stream(stream).hasVolume || !(v >= 0.0f && v <= 1.0f)) return -1;
    const StreamState& s = c->stream(stream);
    const long raw = s.min + std::lround(static_cast<double>(v) * static_cast<double>(s.max - s.min));
    return mixer_->setVolume(c->name, stream, raw) ? 0 : -1;
  };
  auto setMute = [&](const std::optional<std::string>& control, Stream stream) {
    const MixerControl* c = findControl(controls, control);
    const int32_t v = value.asInt();
    if (!c || !c->stream(stream).hasSwitch || (v != 0 && v != 1)) return -1;
    return mixer_->setSwitch(c->name, stream, v == 0) ? 0 : -1;  // muted = switch off
  };
  if (name == prop::kMute) return setMute(mapping_.capture, Stream::Capture);
  if (name == prop::kVolumeScalar) return setLevel(mapping_.capture, Stream::Capture);
  if (name == prop::kAAMute) return setMute(mapping_.sideTone, Stream::Playback);
  if (name == prop::kAAVolumeScalar) return setLevel(mapping_.sideTone, Stream::Playback);
  return -1;
}

std::string AlsaAudioChip::unavailableReason(AudioGroup group) const {
  std::lock_guard lock(mutex_);
  if (!mixer_) return "no USB sound card with ids 0C76:1630 (the headset) is present";
  switch (group) {
    case AudioGroup::Equaliser: return "the headset's sound card has no equaliser control in ALSA";
    case AudioGroup::VoiceChanger: return "the headset's sound card has no voice changer control in ALSA";
    case AudioGroup::Microphone:
      if (!mapping_.capture) return "the headset's sound card has no microphone capture control";
      return {};
    case AudioGroup::Monitor:
      if (!mapping_.sideTone) return "the headset's sound card has no microphone side-tone control";
      return {};
  }
  return {};
}

}  // namespace tessel::audio
