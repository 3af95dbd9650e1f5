#include "services/audio_styles.h"

#include <climits>

#include "platform/data_folders.h"
#include "platform/debug.h"
#include "platform/file_io.h"
#include "platform/json_access.h"
#include "platform/json_file.h"
#include "platform/kept_file.h"

namespace tessel {
namespace {

constexpr const char* kDevice = "Device";
constexpr const char* kInfo = "AudioLightInfo";
constexpr const char* kSelected = "nAudioStyle";

std::string nameKey(int style) { return "nStyleName" + std::to_string(style + 1); }
std::string colourKey(char channel, int style) { return std::string("nStyle") + channel + std::to_string(style); }

void putInt32(StyleColourBlock& block, size_t offset, int32_t value) {
  const auto u = static_cast<uint32_t>(value);
  for (size_t i = 0; i < 4; ++i) block[offset + i] = static_cast<uint8_t>(u >> (8 * i));
}

// A "Device" that is there but not an object (a number, a list) cannot be what
// the file needs: the file is kept aside before it is rewritten with the
// factory "Device" beside its other members. A whole file that is not an
// object is kept aside by the reader.
bool badDevice(const Json::Value& root) {
  const Json::Value& device = json::member(root, kDevice);
  return !device.isNull() && !device.isObject();
}

}  // namespace

std::string_view defaultStyleName(int style) {
  static constexpr std::string_view kNames[kAudioStyleCount] = {"第一组", "第二组", "第三组", "第四组"};
  if (style < 0 || style >= kAudioStyleCount) return {};
  return kNames[style];
}

std::string styleNameFromBox(int style, std::string_view text) {
  if (text.empty()) return std::string(defaultStyleName(style));
  return std::string(text);
}

StyleColourBlock encodeStyleColourBlock(const AudioStyleRecord& record) {
  StyleColourBlock block{};
  const int style = record.selected < kAudioStyleCount ? record.selected : 0;
  const AudioStyleColour& c = record.colours[static_cast<size_t>(style)];
  putInt32(block, 0, c.r);
  putInt32(block, 4, c.g == 0 ? 1 : c.g);
  putInt32(block, 8, c.b);
  return block;
}

AudioStyleRecord decodeAudioLightInfo(const Json::Value& device) {
  AudioStyleRecord record;
  const Json::Value& info = json::member(device, kInfo);
  if (!info.isObject()) return record;
  const long long selected = json::getInt(json::member(info, kSelected), 0, LLONG_MIN, LLONG_MAX);
  record.selected = selected >= 0 && selected < kAudioStyleCount ? static_cast<uint8_t>(selected) : 0;
  for (int s = 0; s < kAudioStyleCount; ++s) {
    const auto i = static_cast<size_t>(s);
    record.names[i] = json::getString(info, nameKey(s), "");
    record.colours[i].r = json::getInt<uint8_t>(info, colourKey('R', s), 0);
    record.colours[i].g = json::getInt<uint8_t>(info, colourKey('G', s), 0);
    record.colours[i].b = json::getInt<uint8_t>(info, colourKey('B', s), 0);
  }
  return record;
}

void encodeAudioLightInfo(const AudioStyleRecord& record, Json::Value& device) {
  Json::Value& info = json::objectMember(device, kInfo);
  if (!info.isObject()) info = Json::Value(Json::objectValue);
  info[kSelected] = record.selected < kAudioStyleCount ? record.selected : 0;
  for (int s = 0; s < kAudioStyleCount; ++s) {
    const auto i = static_cast<size_t>(s);
    info[nameKey(s)] = record.names[i];
    info[colourKey('R', s)] = record.colours[i].r;
    info[colourKey('G', s)] = record.colours[i].g;
    info[colourKey('B', s)] = record.colours[i].b;
  }
}

std::optional<AudioStyleRecord> parseAudioStyleText(std::string_view text) {
  Json::Value root;
  if (!parseJson(text, root)) return std::nullopt;
  const Json::Value& device = json::member(root, kDevice);
  if (!json::member(device, kInfo).isObject()) return std::nullopt;
  return decodeAudioLightInfo(device);
}

std::filesystem::path audioStyleUserFile() { return userDataFolder() / std::string(kAudioFileName); }

std::optional<std::filesystem::path> audioStyleDefaultFile() {
  auto folder = defaultDataFolder();
  if (!folder) return std::nullopt;
  return *folder / std::string(kAudioFileName);
}

AudioStyleFile::AudioStyleFile(std::filesystem::path userFile, std::optional<std::filesystem::path> defaultFile)
    : userFile_(std::move(userFile)), defaultFile_(std::move(defaultFile)) {}

AudioStyleFile AudioStyleFile::standard() { return AudioStyleFile(audioStyleUserFile(), audioStyleDefaultFile()); }

Json::Value AudioStyleFile::readDefault() const {
  if (!defaultFile_) return Json::Value();
  // The factory file is only read: a damaged one is not copied aside.
  const auto bytes = readFileBytes(*defaultFile_);
  Json::Value value;
  if (!bytes || !parseJson(*bytes, value)) return Json::Value();
  return value;
}

void AudioStyleFile::load(bool writeBack) {
  problem_.clear();
  const KeptRead read = readKeptJson(userFile_, shape::object);
  // A file that cannot be read is never written over: the factory styles are
  // shown and every save fails until it is repaired.
  if (read.unreadable()) {
    problem_ = read.message(userFile_);
    writeBack = false;
  }
  const Json::Value& root = read.value;
  const Json::Value& device = json::member(root, kDevice);
  if (device.isObject()) {
    device_ = device;
  } else {
    const Json::Value def = readDefault();
    const Json::Value& defDevice = json::member(def, kDevice);
    if (writeBack) {
      if (root.isObject()) {
        // A file of ours without styles: the factory "Device" joins whatever
        // else it holds. Without a factory file there is nothing to add, and
        // the file stays as it is.
        // A file whose "Device" could not be copied aside stays as it is.
        if (defDevice.isObject() && (!badDevice(root) || keepBytesAside(userFile_, read.bytes))) {
          Json::Value merged = root;
          merged[kDevice] = defDevice;
          if (!writeKeptJson(userFile_, merged)) debugPrintf("AudioFile: cannot write %s", userFile_.string().c_str());
        }
      } else {
        // The factory file unchanged (null when it is missing).
        if (!writeKeptJson(userFile_, def)) debugPrintf("AudioFile: cannot write %s", userFile_.string().c_str());
      }
    }
    device_ = defDevice.isObject() ? defDevice : Json::Value();
  }
  hasStyles_ = json::member(device_, kInfo).isObject();
  record_ = decodeAudioLightInfo(device_);
}

bool AudioStyleFile::save(const AudioStyleRecord& record) {
  record_ = record;
  if (record_.selected >= kAudioStyleCount) record_.selected = 0;
  // What is on disk now is the base, so members another program wrote since
  // start-up are not lost; the kept object stands in when the file is gone.
  KeptRead read = readKeptJson(userFile_, shape::object);
  if (read.unreadable()) {
    problem_ = read.message(userFile_);
    return false;
  }
  Json::Value root = read.usable() ? std::move(read.value) : Json::Value(Json::objectValue);
  if (badDevice(root) && !keepBytesAside(userFile_, read.bytes)) return false;
  Json::Value& device = root[kDevice];
  if (!device.isObject()) device = device_.isObject() ? device_ : Json::Value(Json::objectValue);
  encodeAudioLightInfo(record_, device);
  device_ = device;
  hasStyles_ = true;
  return writeKeptJson(userFile_, root);
}

bool AudioStyleFile::reset() {
  const Json::Value def = readDefault();
  bool ok = false;
  if (!def.isNull()) ok = writeKeptJson(userFile_, def);
  load();
  return ok;
}

}  // namespace tessel
