#include "audio/audio_chip_binding.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "audio/alsa_audio_chip.h"
#include "platform/debug.h"

namespace tessel::audio {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
  return s;
}

// One default of the start-up list: read it, and write `value` when the read fails.
struct Default {
  End end;
  std::string_view name;
  Parameter readWith;
  Parameter writeWith;
};

}  // namespace

std::optional<int32_t> parseDecimalInt(std::string_view text) {
  text = trim(text);
  if (text.empty() || text.size() > 32) return std::nullopt;
  char buf[40];
  std::memcpy(buf, text.data(), text.size());
  buf[text.size()] = '\0';
  errno = 0;
  char* end = nullptr;
  const long long v = std::strtoll(buf, &end, 10);
  if (end == buf || *end != '\0' || errno == ERANGE || v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(v);
}

std::optional<double> parseDecimalReal(std::string_view text) {
  text = trim(text);
  if (text.empty() || text.size() > 64) return std::nullopt;
  // Decimal only: no hex, no "inf"/"nan" from the chip's text.
  for (char c : text)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+' || c == 'e' || c == 'E')) return std::nullopt;
  char buf[72];
  std::memcpy(buf, text.data(), text.size());
  buf[text.size()] = '\0';
  errno = 0;
  char* end = nullptr;
  const double v = std::strtod(buf, &end);
  if (end == buf || *end != '\0' || errno == ERANGE || !std::isfinite(v)) return std::nullopt;
  return v;
}

std::optional<FeatureFields> parseFeatureString(std::string_view text) {
  std::array<std::string_view, 7> fields{};
  size_t count = 0;
  size_t start = 0;
  while (true) {
    const size_t comma = text.find(',', start);
    const std::string_view field = text.substr(start, comma == std::string_view::npos ? text.npos : comma - start);
    if (count < fields.size()) fields[count] = field;
    ++count;
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (count < 7) return std::nullopt;
  auto number = [](std::string_view f) { return parseDecimalInt(f).value_or(0); };
  return FeatureFields{number(fields[0]), number(fields[4]), number(fields[6])};
}

AudioChipBinding::AudioChipBinding(std::shared_ptr<AudioChip> chip) : chip_(std::move(chip)) {}

AudioChipBinding& AudioChipBinding::process() {
  static AudioChipBinding binding(std::make_shared<AlsaAudioChip>());
  return binding;
}

void AudioChipBinding::setChip(std::shared_ptr<AudioChip> chip) {
  std::lock_guard lock(mutex_);
  chip_ = std::move(chip);
  playback_ = recording_ = {};
  playbackFeatures_ = recordingFeatures_ = {};
  started_ = false;
}

bool AudioChipBinding::hasChip() const {
  std::lock_guard lock(mutex_);
  return chip_ != nullptr;
}

std::shared_ptr<AudioChip> AudioChipBinding::chipLocked() const { return chip_; }

std::vector<std::string> AudioChipBinding::start() {
  std::lock_guard lock(mutex_);
  std::vector<std::string> problems;
  playback_ = recording_ = {};
  playbackFeatures_ = recordingFeatures_ = {};
  started_ = true;
  const auto chip = chipLocked();
  if (!chip) return problems;  // no library: nothing is ever called

  if (chip->init() != 0) {
    debugLine(std::string(kInitFailedText));
    problems.emplace_back(kInitFailedText);
  }
  chip->createDeviceList();
  const int32_t playbackCount = chip->deviceCount(Direction::Playback);
  if (playbackCount <= 0) return problems;

  std::vector<Endpoint> records;
  records.reserve(static_cast<size_t>(playbackCount));
  for (int32_t i = 0; i < playbackCount; ++i) records.push_back(chip->deviceById(Direction::Playback, i));
  // Speakers first, then the USB and other kinds; a disabled endpoint never.
  for (int32_t kind : {kKindSpeakers, kKindUsb12, kKindDigital7, kKindHeadphones4}) {
    bool chosen = false;
    for (const Endpoint& e : records) {
      if (e.kind == kind && e.state == 1) {
        playback_ = e;
        chosen = true;
        break;
      }
    }
    if (chosen) break;
  }

  const int32_t recordingCount = chip->deviceCount(Direction::Recording);
  for (int32_t i = 0; i < recordingCount; ++i) {
    const Endpoint e = chip->deviceById(Direction::Recording, i);
    if (e.kind == kKindRecording) {
      recording_ = e;
      break;
    }
  }

  for (End end : {End::Recording, End::Playback}) {
    const Endpoint& e = end == End::Recording ? recording_ : playback_;
    if (!e.found()) continue;
    std::string text;
    const int r = readLocked(chip, end, prop::kSupportFeature, Parameter::none(), text, kFeatureBufferSize);
    const auto fields = r == 0 ? parseFeatureString(text) : std::nullopt;
    if (!fields) {
      debugLine(std::string(kFeatureFailedText));
      problems.emplace_back(kFeatureFailedText);
      continue;
    }
    (end == End::Recording ? recordingFeatures_ : playbackFeatures_) = *fields;
  }

  ensureDefaults(chip);
  return problems;
}

void AudioChipBinding::ensureDefaults(const std::shared_ptr<AudioChip>& chip) {
  const Parameter none = Parameter::none();
  const Parameter minus1 = Parameter::onChannel(-1);
  const Parameter zero = Parameter::onChannel(0);
  // "Enable_ENC_LFX" is read with a zeroed parameter but written without one.
  std::vector<Default> defaults = {
      {End::Playback, prop::kSurround, Parameter::surroundBlock(), Parameter::surroundBlock()},
      {End::Recording, prop::kEncLfx, zero, none},
      {End::Recording, prop::kVolume, minus1, minus1},
      {End::Playback, prop::kEqEnable, none, none},
  };
  static const std::array<std::string, 10> kSliders = [] {
    std::array<std::string, 10> a;
    for (int i = 0; i < 10; ++i) a[static_cast<size_t>(i)] = prop::eqSlider(i);
    return a;
  }();
  for (const std::string& s : kSliders) defaults.push_back({End::Playback, s, none, none});
  for (const Default& d : std::initializer_list<Default>{
           {End::Playback, prop::kRfxEnable, none, none},
           {End::Playback, prop::kRfxEnvironment, none, none},
           {End::Playback, prop::kRfxRoomSize, none, none},
           {End::Recording, prop::kMute, none, none},
           {End::Recording, prop::kVolumeScalar, minus1, minus1},
           {End::Recording, prop::kAAVolume, zero, zero},
           {End::Recording, prop::kAAMute, none, none},
           {End::Recording, prop::kAAVolumeScalar, zero, zero},
           {End::Recording, prop::kMagicVoice, none, none},
           {End::Recording, prop::kMagicVoiceSelection, none, none},
       })
    defaults.push_back(d);

  for (const Default& d : defaults) {
    const Endpoint& e = d.end == End::Playback ? playback_ : recording_;
    // A default is only ever sent to an endpoint that was found.
    if (!e.found()) continue;
    std::string text;
    if (readLocked(chip, d.end, d.name, d.readWith, text, kPropertyBufferSize) == 0) continue;
    const WriteValue zeroValue = prop::isReal(d.name) ? WriteValue::ofReal(0.0f) : WriteValue::ofInt(0);
    chip->writeProperty(e, d.name, d.writeWith, zeroValue);  // a default that cannot be written is left
  }
}

int AudioChipBinding::readLocked(const std::shared_ptr<AudioChip>& chip, End end, std::string_view name,
                                 const Parameter& parameter, std::string& out, std::size_t bufferSize) {
  const Endpoint& e = end == End::Playback ? playback_ : recording_;
  if (!chip || !e.found()) return -1;
  // The voice changer's state means nothing on a chip that does not offer it.
  if (name == prop::kMagicVoice && (recordingFeatures_.field0 & kVoiceChangerFeatureBit) == 0) return -1;
  std::vector<char> buffer(bufferSize, '\0');
  const int r = chip->readProperty(e, name, parameter, buffer.data(), buffer.size());
  if (r != 0) return r;
  buffer.back() = '\0';  // whatever the chip did, the text ends inside the buffer
  out.assign(buffer.data(), std::strlen(buffer.data()));
  return 0;
}

Endpoint AudioChipBinding::endpoint(End end) const {
  std::lock_guard lock(mutex_);
  return end == End::Playback ? playback_ : recording_;
}

FeatureFields AudioChipBinding::features(End end) const {
  std::lock_guard lock(mutex_);
  return end == End::Playback ? playbackFeatures_ : recordingFeatures_;
}

bool AudioChipBinding::voiceChangerOffered() const {
  std::lock_guard lock(mutex_);
  return (recordingFeatures_.field0 & kVoiceChangerFeatureBit) != 0;
}

int AudioChipBinding::readText(End end, std::string_view name, const Parameter& parameter, std::string& out) {
  std::lock_guard lock(mutex_);
  return readLocked(chipLocked(), end, name, parameter, out,
                    name == prop::kSupportFeature ? kFeatureBufferSize : kPropertyBufferSize);
}

int AudioChipBinding::readInt(End end, std::string_view name, const Parameter& parameter, int32_t& out) {
  std::string text;
  const int r = readText(end, name, parameter, text);
  if (r != 0) return r;
  const auto v = parseDecimalInt(text);
  if (!v) return -1;
  out = *v;
  return 0;
}

int AudioChipBinding::readReal(End end, std::string_view name, const Parameter& parameter, double& out) {
  std::string text;
  const int r = readText(end, name, parameter, text);
  if (r != 0) return r;
  const auto v = parseDecimalReal(text);
  if (!v) return -1;
  out = *v;
  return 0;
}

int AudioChipBinding::writeInt(End end, std::string_view name, const Parameter& parameter, int32_t value) {
  std::lock_guard lock(mutex_);
  const auto chip = chipLocked();
  const Endpoint& e = end == End::Playback ? playback_ : recording_;
  if (!chip || !e.found()) return -1;
  return chip->writeProperty(e, name, parameter, WriteValue::ofInt(value));
}

int AudioChipBinding::writeReal(End end, std::string_view name, const Parameter& parameter, float value) {
  std::lock_guard lock(mutex_);
  const auto chip = chipLocked();
  const Endpoint& e = end == End::Playback ? playback_ : recording_;
  if (!chip || !e.found()) return -1;
  return chip->writeProperty(e, name, parameter, WriteValue::ofReal(value));
}

std::string AudioChipBinding::unavailableReason(AudioGroup group) const {
  std::lock_guard lock(mutex_);
  if (!chip_) return "the audio chip's library is not available";
  std::string own = chip_->unavailableReason(group);
  if (!own.empty()) return own;
  if (!started_) return "the audio chip has not been started";
  const bool playbackGroup = group == AudioGroup::Equaliser;
  if (playbackGroup && !playback_.found()) return "the audio chip reports no usable playback endpoint";
  if (!playbackGroup && !recording_.found()) return "the audio chip reports no recording endpoint";
  if (group == AudioGroup::VoiceChanger && (recordingFeatures_.field0 & kVoiceChangerFeatureBit) == 0)
    return "the audio chip does not offer a voice changer";
  return {};
}

}  // namespace tessel::audio
