#include "audio/emulated_audio_chip.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "audio/audio_chip_binding.h"
#include "platform/debug.h"
#include "platform/json_file.h"
#include "platform/kept_file.h"

namespace tessel::audio {

namespace {

constexpr uint32_t kPlaybackId = 0x1001;
constexpr uint32_t kRecordingId = 0x2001;
// Bit 17: the chip's voice changer.
constexpr std::string_view kFactoryRecordingFeature = "131072,0,0,0,1,0,2";
constexpr std::string_view kFactoryPlaybackFeature = "0,0,0,0,1,0,2";

// Properties only ever read.
bool readOnly(std::string_view name) { return name == prop::kSupportFeature || name == prop::kAAMaxVol; }

std::string realText(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", static_cast<double>(v));
  return buf;
}

// Whether the chip takes `value` for `name`; the text it keeps.
std::optional<std::string> accepted(std::string_view name, const WriteValue& value) {
  if (prop::isReal(name)) {
    const float v = value.asReal();
    if (!(v >= 0.0f && v <= 1.0f)) return std::nullopt;
    return realText(v);
  }
  const int32_t v = value.asInt();
  if (name == prop::kMute || name == prop::kAAMute || name == prop::kMagicVoice || name == prop::kMicEcho ||
      name == prop::kEqEnable || name == prop::kEncLfx || name == prop::kRfxEnable) {
    if (v != 0 && v != 1) return std::nullopt;
  } else if (name == prop::kMagicVoiceSelection) {
    if (v < 0 || v > 3) return std::nullopt;
  }
  return std::to_string(v);
}

Json::Value tableJson(const std::map<std::string, std::string, std::less<>>& t) {
  Json::Value v(Json::objectValue);
  for (const auto& [k, text] : t) v[k] = text;
  return v;
}


// The store: an object whose "playback" and "recording", when there, are
// objects of property texts.
bool isAudioChipStore(const Json::Value& root) {
  if (!root.isObject()) return false;
  for (const char* side : {"playback", "recording"}) {
    const Json::Value& v = root[side];
    if (!v.isNull() && !v.isObject()) return false;
  }
  return true;
}
}  // namespace

std::filesystem::path demoAudioChipFile(const std::filesystem::path& demoFolder) {
  return demoFolder / "audio-chip.json";
}

std::shared_ptr<EmulatedAudioChip> makeDemoAudioChip(const std::filesystem::path& demoFolder, bool reset) {
  auto chip = std::make_shared<EmulatedAudioChip>();
  const auto file = demoAudioChipFile(demoFolder);
  std::error_code ec;
  if (reset) std::filesystem::remove(file, ec);
  if (!chip->attachStore(file)) debugPrintf("demo store: the audio chip runs without %s", file.c_str());
  return chip;
}

EmulatedAudioChip::EmulatedAudioChip() {
  playback_ = {{kPlaybackId, kKindSpeakers, 0, 1}};
  recording_ = {{kRecordingId, kKindRecording, 0, 1}};
  playbackProps_[std::string(prop::kSupportFeature)] = std::string(kFactoryPlaybackFeature);
  for (std::string_view name : {prop::kSurround, prop::kEqEnable, prop::kRfxEnable, prop::kRfxEnvironment,
                                prop::kRfxRoomSize})
    playbackProps_[std::string(name)] = "0";
  for (int i = 0; i < 10; ++i) playbackProps_[prop::eqSlider(i)] = "0";
  recordingProps_[std::string(prop::kSupportFeature)] = std::string(kFactoryRecordingFeature);
  for (std::string_view name : {prop::kEncLfx, prop::kVolume, prop::kMute, prop::kAAVolume, prop::kMagicVoice,
                                prop::kMagicVoiceSelection, prop::kMicEcho})
    recordingProps_[std::string(name)] = "0";
  recordingProps_[std::string(prop::kAAMute)] = "1";
  recordingProps_[std::string(prop::kVolumeScalar)] = realText(0.8f);
  recordingProps_[std::string(prop::kAAVolumeScalar)] = realText(0.5f);
  recordingProps_[std::string(prop::kAAMaxVol)] = "1";
}

void EmulatedAudioChip::setEndpoints(Direction direction, std::vector<Endpoint> endpoints) {
  std::lock_guard lock(mutex_);
  (direction == Direction::Playback ? playback_ : recording_) = std::move(endpoints);
}

void EmulatedAudioChip::setFeatureString(Direction direction, std::string text) {
  setProperty(direction, prop::kSupportFeature, std::move(text));
}

void EmulatedAudioChip::setInitResult(int result) {
  std::lock_guard lock(mutex_);
  initResult_ = result;
}

void EmulatedAudioChip::setProperty(Direction direction, std::string_view name, std::string text) {
  std::lock_guard lock(mutex_);
  table(direction)[std::string(name)] = std::move(text);
  saveStoreLocked();
}

std::optional<std::string> EmulatedAudioChip::property(Direction direction, std::string_view name) const {
  std::lock_guard lock(mutex_);
  const Table& t = table(direction);
  const auto it = t.find(name);
  if (it == t.end()) return std::nullopt;
  return it->second;
}

void EmulatedAudioChip::removeProperty(Direction direction, std::string_view name) {
  std::lock_guard lock(mutex_);
  Table& t = table(direction);
  if (const auto it = t.find(name); it != t.end()) t.erase(it);
}

void EmulatedAudioChip::refuseWrites(std::string_view name, bool refuse) {
  std::lock_guard lock(mutex_);
  if (refuse)
    refused_.insert(std::string(name));
  else if (const auto it = refused_.find(name); it != refused_.end())
    refused_.erase(it);
}

std::vector<EmulatedAudioChip::Call> EmulatedAudioChip::calls() const {
  std::lock_guard lock(mutex_);
  return calls_;
}

void EmulatedAudioChip::clearCalls() {
  std::lock_guard lock(mutex_);
  calls_.clear();
}

std::vector<EmulatedAudioChip::Call> EmulatedAudioChip::writesOf(std::string_view name) const {
  std::lock_guard lock(mutex_);
  std::vector<Call> out;
  for (const Call& c : calls_)
    if (c.op == Call::Op::Write && c.name == name) out.push_back(c);
  return out;
}

int EmulatedAudioChip::initCount() const {
  std::lock_guard lock(mutex_);
  return initCount_;
}

int EmulatedAudioChip::init() {
  std::lock_guard lock(mutex_);
  ++initCount_;
  return initResult_;
}

void EmulatedAudioChip::createDeviceList() {}

int32_t EmulatedAudioChip::deviceCount(Direction direction) {
  std::lock_guard lock(mutex_);
  return static_cast<int32_t>((direction == Direction::Playback ? playback_ : recording_).size());
}

Endpoint EmulatedAudioChip::deviceById(Direction direction, int32_t index) {
  std::lock_guard lock(mutex_);
  const auto& list = direction == Direction::Playback ? playback_ : recording_;
  if (index < 0 || static_cast<size_t>(index) >= list.size()) return {};
  return list[static_cast<size_t>(index)];
}

std::optional<Direction> EmulatedAudioChip::directionOf(const Endpoint& endpoint) const {
  for (const Endpoint& e : playback_)
    if (e == endpoint) return Direction::Playback;
  for (const Endpoint& e : recording_)
    if (e == endpoint) return Direction::Recording;
  return std::nullopt;
}

int EmulatedAudioChip::readProperty(const Endpoint& endpoint, std::string_view name, const Parameter& parameter,
                                    char* buffer, std::size_t size) {
  std::lock_guard lock(mutex_);
  if (size == 0 || buffer == nullptr) return -1;
  buffer[0] = '\0';
  takeInStoreLocked();
  Call call{Call::Op::Read, Direction::Playback, std::string(name), parameter, {}, -1};
  const auto direction = directionOf(endpoint);
  if (direction) {
    call.direction = *direction;
    const Table& t = table(*direction);
    if (const auto it = t.find(name); it != t.end()) {
      // Cut to the buffer, always terminated inside it.
      const size_t n = std::min(it->second.size(), size - 1);
      std::memcpy(buffer, it->second.data(), n);
      buffer[n] = '\0';
      call.result = 0;
    }
  }
  calls_.push_back(call);
  return call.result;
}

int EmulatedAudioChip::writeProperty(const Endpoint& endpoint, std::string_view name, const Parameter& parameter,
                                     const WriteValue& value) {
  std::lock_guard lock(mutex_);
  takeInStoreLocked();
  Call call{Call::Op::Write, Direction::Playback, std::string(name), parameter, value, -1};
  const auto direction = directionOf(endpoint);
  if (direction) {
    call.direction = *direction;
    Table& t = table(*direction);
    const auto it = t.find(name);
    if (it != t.end() && !readOnly(name) && !refused_.contains(name)) {
      if (auto text = accepted(name, value)) {
        it->second = std::move(*text);
        call.result = 0;
        saveStoreLocked();
      }
    }
  }
  calls_.push_back(call);
  return call.result;
}

std::string EmulatedAudioChip::unavailableReason(AudioGroup) const { return {}; }

bool EmulatedAudioChip::attachStore(const std::filesystem::path& file) {
  std::lock_guard lock(mutex_);
  storeFile_ = file;
  seen_ = {};
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  // A store that is there but cannot be read is left alone: the chip runs
  // without one.
  if (!takeInStoreLocked()) {
    storeFile_.clear();
    return false;
  }
  if (!seen_.exists) saveStoreLocked();
  if (!seen_.exists) {
    storeFile_.clear();
    return false;
  }
  return true;
}

bool EmulatedAudioChip::takeInStoreLocked() {
  if (storeFile_.empty()) return true;
  struct stat st {};
  Stamp now;
  if (::stat(storeFile_.c_str(), &st) == 0)
    now = {true, static_cast<uint64_t>(st.st_ino),
           static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec, static_cast<uint64_t>(st.st_size)};
  if (now == seen_ || !now.exists) return true;
  seen_ = now;
  // Only properties the chip has take a value from the file; a file of
  // another shape is kept aside (and then replaced by the next save); one that
  // cannot be read is never replaced.
  const KeptRead read = readKeptJson(storeFile_, isAudioChipStore);
  if (read.unreadable()) return false;
  const Json::Value& root = read.value;
  for (Direction d : {Direction::Playback, Direction::Recording}) {
    const Json::Value& side = root.isObject() ? root[d == Direction::Playback ? "playback" : "recording"] : root;
    if (!side.isObject()) continue;
    Table& t = table(d);
    for (auto& [name, text] : t) {
      const Json::Value& v = side[name];
      if (v.isString() && !readOnly(name)) text = v.asString();
    }
  }
  return true;
}

void EmulatedAudioChip::saveStoreLocked() {
  if (storeFile_.empty()) return;
  Json::Value root(Json::objectValue);
  root["playback"] = tableJson(playbackProps_);
  root["recording"] = tableJson(recordingProps_);
  if (!writeKeptJson(storeFile_, root, nullptr, isAudioChipStore)) {
    debugPrintf("demo store: cannot write %s", storeFile_.c_str());
    return;
  }
  struct stat st {};
  if (::stat(storeFile_.c_str(), &st) == 0)
    seen_ = {true, static_cast<uint64_t>(st.st_ino),
             static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec,
             static_cast<uint64_t>(st.st_size)};
}

}  // namespace tessel::audio
