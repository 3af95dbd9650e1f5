#include "config/basic_profiledata.h"

#include <json/json.h>

#include "config/light_sequence.h"
#include "config/section_codec.h"
#include "platform/debug.h"
#include "platform/json_access.h"
#include "platform/json_file.h"

namespace tessel {
namespace fs = std::filesystem;

namespace {
// Group indices come from a byte of the light record; anything larger is a
// caller's mistake and must not grow the document by billions of entries.
constexpr unsigned kMaxCustomGroups = 256;

const Json::Value& nullJson() {
  static const Json::Value value;
  return value;
}
}  // namespace

// --- DeviceElement ---

DeviceElement::DeviceElement() = default;
DeviceElement::DeviceElement(const Json::Value& value)
    : value_(value.isNull() ? nullptr : std::make_unique<Json::Value>(value)) {}
DeviceElement::DeviceElement(const DeviceElement& other)
    : value_(other.value_ ? std::make_unique<Json::Value>(*other.value_) : nullptr) {}
DeviceElement::DeviceElement(DeviceElement&&) noexcept = default;
DeviceElement& DeviceElement::operator=(const DeviceElement& other) {
  if (this != &other) value_ = other.value_ ? std::make_unique<Json::Value>(*other.value_) : nullptr;
  return *this;
}
DeviceElement& DeviceElement::operator=(DeviceElement&&) noexcept = default;
DeviceElement::~DeviceElement() = default;

bool DeviceElement::isNull() const { return !value_ || value_->isNull(); }
std::string DeviceElement::text() const { return styledJson(value()); }
const Json::Value& DeviceElement::value() const { return value_ ? *value_ : nullJson(); }

DeviceElement DeviceElement::fromText(std::string_view text) {
  Json::Value v;
  if (!parseJson(text, v) || !v.isObject()) return DeviceElement();
  return DeviceElement(v);
}

DeviceElement DeviceElement::fromDocumentFile(const fs::path& path, unsigned index) {
  const Json::Value root = readJsonFile(path);
  const Json::Value& element = json::element(json::member(root, "Device"), index);
  return element.isObject() ? DeviceElement(element) : DeviceElement();
}

// --- CBasicProfiledata ---

CBasicProfiledata::CBasicProfiledata() = default;
CBasicProfiledata::~CBasicProfiledata() = default;

bool CBasicProfiledata::save() {
  auto l = lock();
  if (!working_ || documentPath_.empty()) return false;
  return saveElementLocked(*working_, documentPath_);
}

bool CBasicProfiledata::saveTo(const DeviceElement& element, const fs::path& path) {
  auto l = lock();
  return saveElementLocked(element.value(), path);
}

bool CBasicProfiledata::saveSecondCopy(const DeviceElement& element) {
  return saveTo(element, documentPath());
}

bool CBasicProfiledata::saveLightLibrary(const fs::path& path) {
  auto l = lock();
  return library_.save(path);
}

bool CBasicProfiledata::saveElementLocked(const Json::Value& element, const fs::path& path) const {
  // A null element would wipe the profile's settings: nothing was loaded, so
  // there is nothing to save.
  if (path.empty() || !element.isObject()) return false;
  Json::Value root = readJsonFile(path);
  if (!root.isObject()) root = Json::Value(Json::objectValue);
  Json::Value& devices = json::objectMember(root, "Device");
  if (!devices.isArray()) devices = Json::Value(Json::arrayValue);
  // Elements before ours that do not exist yet become null, as in any array.
  devices[elementIndex_] = element;
  if (!writeJsonFile(path, root)) {
    debugPrintf("save failed: %s", path.string().c_str());
    return false;
  }
  return true;
}

void CBasicProfiledata::setDocumentPath(const fs::path& path) {
  auto l = lock();
  documentPath_ = path;
  working_.reset();
  clearCachesLocked();
}

fs::path CBasicProfiledata::documentPath() const {
  auto l = lock();
  return documentPath_;
}

void CBasicProfiledata::setDefaultDocumentPath(const fs::path& path) {
  if (path.empty()) return;
  auto l = lock();
  defaultPath_ = path;
}

fs::path CBasicProfiledata::defaultDocumentPath() const {
  auto l = lock();
  return defaultPath_;
}

void CBasicProfiledata::setLightLibraryPath(const fs::path& path) {
  LightEffectLibrary library;
  library.load(path);
  auto l = lock();
  libraryPath_ = path;
  library_ = std::move(library);
}

fs::path CBasicProfiledata::lightLibraryPath() const {
  auto l = lock();
  return libraryPath_;
}

void CBasicProfiledata::setElementIndex(unsigned index) {
  auto l = lock();
  elementIndex_ = index;
}

unsigned CBasicProfiledata::elementIndex() const {
  auto l = lock();
  return elementIndex_;
}

void CBasicProfiledata::setKindIndex(int kindIndex) {
  auto l = lock();
  kindIndex_ = kindIndex;
}

int CBasicProfiledata::kindIndex() const {
  auto l = lock();
  return kindIndex_;
}

void CBasicProfiledata::setSequenceFolder(const fs::path& folder) {
  auto l = lock();
  sequenceFolder_ = folder;
}

void CBasicProfiledata::clearCachedSections() {
  auto l = lock();
  clearCachesLocked();
}

void CBasicProfiledata::clearCachesLocked() {
  lightCache_ = {};
  audioCache_ = {};
  lightListCache_.clear();
  keyListCache_.clear();
  customGroupIndexCache_ = 0;
  clearOwnCaches();
}

DeviceElement CBasicProfiledata::loadDeviceElement() {
  auto l = lock();
  Json::Value root;
  if (!documentPath_.empty()) {
    root = readJsonFile(documentPath_);
    const Json::Value& element = json::element(json::member(root, "Device"), elementIndex_);
    if (element.isObject()) {
      working_ = std::make_unique<Json::Value>(element);
      return DeviceElement(*working_);
    }
  }
  // No usable element: the profile starts as the factory settings.
  working_.reset();
  if (defaultPath_.empty()) return DeviceElement();
  const Json::Value factory = readJsonFile(defaultPath_);
  const Json::Value& element = json::element(json::member(factory, "Device"), 0);
  if (!element.isObject()) return DeviceElement();
  working_ = std::make_unique<Json::Value>(element);
  if (!documentPath_.empty()) saveElementLocked(*working_, documentPath_);
  return DeviceElement(*working_);
}

bool CBasicProfiledata::loadDefaultElement() {
  auto l = lock();
  if (defaultPath_.empty()) return false;
  const Json::Value factory = readJsonFile(defaultPath_);
  const Json::Value& element = json::element(json::member(factory, "Device"), 0);
  if (!element.isObject()) return false;
  working_ = std::make_unique<Json::Value>(element);
  return true;
}

DeviceElement CBasicProfiledata::workingCopy() const {
  auto l = lock();
  return working_ ? DeviceElement(*working_) : DeviceElement();
}

void CBasicProfiledata::setWorkingCopy(const DeviceElement& element) {
  auto l = lock();
  working_ = element.isNull() ? nullptr : std::make_unique<Json::Value>(element.value());
}

const Json::Value* CBasicProfiledata::section(std::string_view key, Shape shape) const {
  if (!working_) return nullptr;
  const Json::Value& v = json::member(*working_, key);
  const bool ok = shape == Shape::Object ? v.isObject() : v.isArray();
  return ok ? &v : nullptr;
}

Json::Value& CBasicProfiledata::writableSection(std::string_view key, Shape shape) {
  if (!working_) working_ = std::make_unique<Json::Value>(Json::objectValue);
  Json::Value& v = json::objectMember(*working_, key);
  if (shape == Shape::Object && !v.isObject()) v = Json::Value(Json::objectValue);
  if (shape == Shape::Array && !v.isArray()) v = Json::Value(Json::arrayValue);
  return v;
}

// --- shared sections ---

LightRecord CBasicProfiledata::readLightLocked() const {
  if (const Json::Value* s = section("LightInfo", Shape::Object)) lightCache_ = section::readLight(*s);
  return lightCache_;
}

LightRecord CBasicProfiledata::getLightInfo() const {
  auto l = lock();
  return readLightLocked();
}

void CBasicProfiledata::setLightInfo(const LightRecord& record) {
  auto l = lock();
  lightCache_ = record;
  writableSection("LightInfo", Shape::Object) = section::writeLight(record);
}

AudioLightRecord CBasicProfiledata::getAudioLightInfo() const {
  auto l = lock();
  if (const Json::Value* s = section("AudioLightInfo", Shape::Object)) audioCache_ = section::readAudioLight(*s);
  return audioCache_;
}

void CBasicProfiledata::setAudioLightInfo(const AudioLightRecord& record) {
  auto l = lock();
  audioCache_ = record;
  writableSection("AudioLightInfo", Shape::Object) = section::writeAudioLight(record);
}

std::vector<LightListEntry> CBasicProfiledata::getLightList() const {
  auto l = lock();
  if (const Json::Value* s = section("LightList", Shape::Array)) {
    std::vector<LightListEntry> list;
    list.reserve(s->size());
    for (const Json::Value& entry : *s) list.push_back(section::readLightListEntry(entry));
    lightListCache_ = std::move(list);
  }
  return lightListCache_;
}

void CBasicProfiledata::setLightList(const std::vector<LightListEntry>& list) {
  auto l = lock();
  lightListCache_ = list;
  Json::Value array(Json::arrayValue);
  for (const LightListEntry& e : list) array.append(section::writeLightListEntry(e));
  writableSection("LightList", Shape::Array) = array;
}

std::vector<KeyListEntry> CBasicProfiledata::getKeyList() const {
  auto l = lock();
  if (const Json::Value* s = section("KeyList", Shape::Array)) {
    std::vector<KeyListEntry> list;
    list.reserve(s->size());
    for (const Json::Value& entry : *s) list.push_back(section::readKeyListEntry(entry));
    keyListCache_ = std::move(list);
  }
  return keyListCache_;
}

void CBasicProfiledata::setKeyList(const std::vector<KeyListEntry>& list) {
  auto l = lock();
  keyListCache_ = list;
  Json::Value& array = writableSection("KeyList", Shape::Array);
  for (unsigned i = 0; i < list.size(); ++i) {
    Json::Value& entry = json::arrayElement(array, i);
    if (!entry.isObject()) entry = Json::Value(Json::objectValue);
    entry["Assignment"] = encodeFunctionCode(list[i].assignment);
    // The defaults are factory data; an entry made here gets the caller's.
    if (!entry.isMember("DefaultAssignment"))
      entry["DefaultAssignment"] = encodeFunctionCode(list[i].defaultAssignment);
  }
}

void CBasicProfiledata::setKeyAssignment(std::size_t index, const FunctionCode& code) {
  auto l = lock();
  if (const Json::Value* s = section("KeyList", Shape::Array)) {
    // Keep the cache in step with the document before changing one entry.
    std::vector<KeyListEntry> list;
    for (const Json::Value& entry : *s) list.push_back(section::readKeyListEntry(entry));
    keyListCache_ = std::move(list);
  }
  if (keyListCache_.size() <= index) keyListCache_.resize(index + 1);
  keyListCache_[index].assignment = code;
  Json::Value& entry = json::arrayElement(writableSection("KeyList", Shape::Array), static_cast<unsigned>(index));
  if (!entry.isObject()) entry = Json::Value(Json::objectValue);
  entry["Assignment"] = encodeFunctionCode(code);
  if (!entry.isMember("DefaultAssignment")) entry["DefaultAssignment"] = 0;
}

std::vector<CustomColor> CBasicProfiledata::getCustomGroupColors(unsigned group, std::size_t count) {
  auto l = lock();
  std::vector<CustomColor> colors(count);
  if (!working_ || group >= kMaxCustomGroups) return colors;
  Json::Value& mode = writableSection("CustomLightMode", Shape::Object);
  Json::Value& groups = json::objectMember(mode, "LightColorInfo");
  if (!groups.isArray()) groups = Json::Value(Json::arrayValue);
  Json::Value& list = json::arrayElement(groups, group);
  if (!list.isArray()) list = Json::Value(Json::arrayValue);
  for (unsigned i = 0; i < count; ++i) {
    Json::Value& colour = json::arrayElement(list, i);
    if (!colour.isObject()) colour = section::writeCustomColor(CustomColor{});
    colors[i] = section::readCustomColor(colour);
  }
  return colors;
}

void CBasicProfiledata::setCustomGroupColors(unsigned group, const std::vector<CustomColor>& colors) {
  if (group >= kMaxCustomGroups) return;
  auto l = lock();
  Json::Value& mode = writableSection("CustomLightMode", Shape::Object);
  Json::Value& groups = json::objectMember(mode, "LightColorInfo");
  if (!groups.isArray()) groups = Json::Value(Json::arrayValue);
  Json::Value list(Json::arrayValue);
  for (const CustomColor& c : colors) list.append(section::writeCustomColor(c));
  json::arrayElement(groups, group) = list;
}

unsigned CBasicProfiledata::getCustomGroupIndex() const {
  auto l = lock();
  if (const Json::Value* s = section("CustomLightMode", Shape::Object))
    customGroupIndexCache_ = json::getInt<uint8_t>(*s, "CustomLightModeGroupIndex", 0);
  return customGroupIndexCache_;
}

void CBasicProfiledata::setCustomGroupIndex(unsigned group) {
  auto l = lock();
  customGroupIndexCache_ = group;
  json::objectMember(writableSection("CustomLightMode", Shape::Object), "CustomLightModeGroupIndex") =
      static_cast<Json::UInt>(group);
}

std::size_t CBasicProfiledata::customGroupCount() const {
  auto l = lock();
  const Json::Value* s = section("CustomLightMode", Shape::Object);
  return s ? json::size(json::member(*s, "LightColorInfo")) : 0;
}

// --- light-effect library and sequences ---

LightEffectLibrary CBasicProfiledata::lightLibrary() const {
  auto l = lock();
  return library_;
}

void CBasicProfiledata::setLightLibrary(const LightEffectLibrary& library) {
  auto l = lock();
  library_ = library;
}

LightSequence CBasicProfiledata::getSelectedSequence(std::size_t builtInModeCount) const {
  fs::path folder;
  std::string guid;
  {
    auto l = lock();
    const LightRecord light = readLightLocked();
    if (light.selectItem < builtInModeCount) return {};
    const auto& sequences = library_.sequences(kindIndex_);
    const std::size_t index = light.selectItem - builtInModeCount;
    if (index >= sequences.size()) return {};
    guid = sequences[index].guid;
    folder = !sequenceFolder_.empty() ? sequenceFolder_ : libraryPath_.parent_path();
  }
  // The sequence file is read outside the lock: a light thread may be waiting.
  if (folder.empty()) return {};
  return loadLightSequence(folder, guid);
}

}  // namespace tessel
