#include "services/audio_styles.h"

#include <climits>

#include "platform/data_folders.h"
#include "platform/debug.h"
#include "platform/file_io.h"
#include "platform/json_access.h"
#include "platform/json_file.h"

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

// A value that is there but cannot be what the file needs (a "Device" that is
// a number, a whole file that is an array): a copy is kept before the file is
// rewritten, so nothing the user had is lost.
bool isUnusable(const Json::Value& v) { return !v.isNull() && !v.isObject(); }

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
  // An unparsable user file reads as null and is kept aside by the reader.
  const Json::Value root = readJsonFile(userFile_);
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
        if (defDevice.isObject()) {
          if (isUnusable(device)) keepAside(userFile_);
          Json::Value merged = root;
          merged[kDevice] = defDevice;
          if (!writeJsonFile(userFile_, merged)) debugPrintf("AudioFile: cannot write %s", userFile_.string().c_str());
        }
      } else {
        if (isUnusable(root)) keepAside(userFile_);
        // The factory file unchanged (null when it is missing).
        if (!writeJsonFile(userFile_, def)) debugPrintf("AudioFile: cannot write %s", userFile_.string().c_str());
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
  Json::Value root = readJsonFile(userFile_);
  if (!root.isObject()) {
    if (isUnusable(root)) keepAside(userFile_);
    root = Json::Value(Json::objectValue);
  }
  Json::Value& device = root[kDevice];
  if (!device.isObject()) {
    if (isUnusable(device)) keepAside(userFile_);
    device = device_.isObject() ? device_ : Json::Value(Json::objectValue);
  }
  encodeAudioLightInfo(record_, device);
  device_ = device;
  hasStyles_ = true;
  return writeJsonFile(userFile_, root);
}

bool AudioStyleFile::reset() {
  const Json::Value def = readDefault();
  bool ok = false;
  if (!def.isNull()) ok = writeJsonFile(userFile_, def);
  load();
  return ok;
}

}  // namespace tessel
