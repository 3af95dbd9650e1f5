#include "config/basic_profiledata.h"

#include <json/json.h>
#include <sys/stat.h>

#include "config/light_sequence.h"
#include "config/section_codec.h"
#include "platform/debug.h"
#include "platform/file_io.h"
#include "platform/json_access.h"
#include "platform/json_file.h"
#include "platform/kept_file.h"

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
    : value_(value.isNull() ? nullptr : std::make_shared<const Json::Value>(value)) {}
DeviceElement::DeviceElement(std::shared_ptr<const Json::Value> value) : value_(std::move(value)) {}
DeviceElement::DeviceElement(const DeviceElement&) = default;
DeviceElement::DeviceElement(DeviceElement&&) noexcept = default;
DeviceElement& DeviceElement::operator=(const DeviceElement&) = default;
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

bool isProfileDocument(const Json::Value& root) { return shape::objectWithOptionalArrayOfObjects(root, "Device"); }

DeviceElement DeviceElement::fromDocumentFile(const fs::path& path, unsigned index) {
  const Json::Value root = readKeptJson(path, isProfileDocument).value;
  const Json::Value& element = json::element(json::member(root, "Device"), index);
  return element.isObject() ? DeviceElement(element) : DeviceElement();
}

// --- CBasicProfiledata ---

CBasicProfiledata::CBasicProfiledata() = default;
CBasicProfiledata::~CBasicProfiledata() = default;

bool CBasicProfiledata::save() {
  auto l = lock();
  if (!working_ || documentPath_.empty()) return false;
  // The working copy is lent to the root for the write instead of copied;
  // one that was handed out is cloned first (once), as before any change.
  Json::Value& working = mutableWorking();
  return saveElementLocked(working, documentPath_, &working);
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

std::optional<CBasicProfiledata::FileStamp> CBasicProfiledata::stampOf(const fs::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileStamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino),
                   static_cast<uint64_t>(st.st_size),
                   static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

void CBasicProfiledata::rememberRoot(Json::Value root, const std::optional<FileStamp>& stamp) {
  if (!stamp) {
    rootCache_.reset();
    rootStamp_.reset();
    return;
  }
  rootCache_ = std::make_unique<Json::Value>(std::move(root));
  rootStamp_ = stamp;
}

bool CBasicProfiledata::saveElementLocked(const Json::Value& element, const fs::path& path,
                                          Json::Value* lend) {
  // A null element would wipe the profile's settings: nothing was loaded, so
  // there is nothing to save.
  if (path.empty() || !element.isObject()) return false;
  const bool bound = path == documentPath_;
  Json::Value root;
  const std::optional<FileStamp> before = stampOf(path);
  if (bound && rootCache_ && rootStamp_ && before == rootStamp_) {
    root = std::move(*rootCache_);
  } else {
    // Read the file again so that what others keep in it survives. An
    // unusable file is kept aside by the reader before we replace it; one
    // that cannot be read is never replaced.
    const KeptRead read = readKeptJson(path, isProfileDocument);
    if (read.unreadable()) return false;
    root = read.value;
  }
  rootCache_.reset();
  rootStamp_.reset();
  if (!root.isObject()) root = Json::Value(Json::objectValue);
  Json::Value& devices = json::objectMember(root, "Device");
  if (!devices.isArray()) devices = Json::Value(Json::arrayValue);
  // Elements before ours that do not exist yet become null, as in any array.
  Json::Value& slot = devices[elementIndex_];
  // The working copy, when nobody else shares it, is lent to the root for
  // the write instead of copied (a keyboard document is mostly this element).
  if (lend) slot.swap(*lend);
  else slot = element;
  const bool written = writeKeptFile(path, styledJson(root));
  if (lend) slot.swap(*lend);
  if (!written) {
    debugPrintf("save failed: %s", path.string().c_str());
    return false;
  }
  if (bound) rememberRoot(std::move(root), stampOf(path));
  return true;
}

void CBasicProfiledata::setDocumentPath(const fs::path& path) {
  auto l = lock();
  documentPath_ = path;
  working_.reset();
  rootCache_.reset();
  rootStamp_.reset();
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
  if (!documentPath_.empty()) {
    const std::optional<FileStamp> before = stampOf(documentPath_);
    KeptRead read = readKeptJson(documentPath_, isProfileDocument);
    // A document that cannot be read is left alone: no factory settings are
    // written over it, and the profile has no element until it is repaired.
    if (read.unreadable()) {
      working_.reset();
      return DeviceElement();
    }
    Json::Value root = std::move(read.value);
    if (json::element(json::member(root, "Device"), elementIndex_).isObject()) {
      working_ = std::make_shared<Json::Value>(std::move(root["Device"][elementIndex_]));
      shared_ = true;
      // Only a file that did not change while we read it is known.
      const std::optional<FileStamp> after = stampOf(documentPath_);
      rememberRoot(std::move(root), before == after ? after : std::nullopt);
      return DeviceElement(std::shared_ptr<const Json::Value>(working_));
    }
  }
  // No usable element: the profile starts as the factory settings.
  working_.reset();
  if (defaultPath_.empty()) return DeviceElement();
  Json::Value factory = readJsonFile(defaultPath_);
  if (!json::element(json::member(factory, "Device"), 0).isObject()) return DeviceElement();
  working_ = std::make_shared<Json::Value>(std::move(factory["Device"][0]));
  shared_ = true;
  if (!documentPath_.empty()) saveElementLocked(*working_, documentPath_);
  return DeviceElement(std::shared_ptr<const Json::Value>(working_));
}

bool CBasicProfiledata::loadDefaultElement() {
  auto l = lock();
  if (defaultPath_.empty()) return false;
  Json::Value factory = readJsonFile(defaultPath_);
  if (!json::element(json::member(factory, "Device"), 0).isObject()) return false;
  working_ = std::make_shared<Json::Value>(std::move(factory["Device"][0]));
  shared_ = false;
  return true;
}

DeviceElement CBasicProfiledata::workingCopy() const {
  auto l = lock();
  if (!working_) return DeviceElement();
  shared_ = true;
  return DeviceElement(std::shared_ptr<const Json::Value>(working_));
}

void CBasicProfiledata::setWorkingCopy(const DeviceElement& element) {
  auto l = lock();
  // Shared, not copied: mutableWorking() clones it before the first change.
  working_ = element.isNull() ? nullptr : std::const_pointer_cast<Json::Value>(element.value_);
  shared_ = true;
}

Json::Value& CBasicProfiledata::mutableWorking() {
  // Whether a handed-out element still exists is not asked (a reference
  // count read races with its holder's thread): once handed out, the value
  // is never changed again, and the first change works on a clone.
  if (!working_) working_ = std::make_shared<Json::Value>(Json::objectValue);
  else if (shared_) working_ = std::make_shared<Json::Value>(*working_);
  shared_ = false;
  return *working_;
}

const Json::Value* CBasicProfiledata::section(std::string_view key, Shape shape) const {
  if (!working_) return nullptr;
  const Json::Value& v = json::member(*working_, key);
  const bool ok = shape == Shape::Object ? v.isObject() : v.isArray();
  return ok ? &v : nullptr;
}

Json::Value& CBasicProfiledata::writableSection(std::string_view key, Shape shape) {
  Json::Value& v = json::objectMember(mutableWorking(), key);
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
    // Arrays are walked by index: jsoncpp's iterators skip the holes that
    // assigning past the end leaves, and a hole is a zone of its own.
    std::vector<LightListEntry> list;
    list.reserve(s->size());
    for (unsigned i = 0; i < s->size(); ++i) {
      const Json::Value& entry = (*s)[i];
      list.push_back(section::readLightListEntry(entry));
    }
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
    for (unsigned i = 0; i < s->size(); ++i) {
      const Json::Value& entry = (*s)[i];
      list.push_back(section::readKeyListEntry(entry));
    }
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
    for (unsigned i = 0; i < s->size(); ++i) {
      const Json::Value& entry = (*s)[i];
      list.push_back(section::readKeyListEntry(entry));
    }
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
  // Read without touching the working copy when the group is complete; only
  // a group with missing colours is completed (with zeros) in the document.
  if (const Json::Value* mode = section("CustomLightMode", Shape::Object)) {
    const Json::Value& list = json::element(json::member(*mode, "LightColorInfo"), group);
    bool complete = list.isArray() && list.size() >= count;
    for (unsigned i = 0; complete && i < count; ++i) {
      const Json::Value& colour = list[i];
      if (!colour.isObject()) complete = false;
      else colors[i] = section::readCustomColor(colour);
    }
    if (complete) return colors;
  }
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
