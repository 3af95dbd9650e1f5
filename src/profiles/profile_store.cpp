#include "profiles/profile_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <string_view>
#include <system_error>

#include "platform/debug.h"
#include "platform/json_access.h"
#include "platform/json_file.h"
#include "platform/plain_text.h"
#include "platform/kept_file.h"

namespace tessel::profiles {
namespace fs = std::filesystem;

int ProfileOutcome::renameCode() const {
  switch (status) {
    case ProfileStatus::Ok: return 1;
    case ProfileStatus::NameTaken: return 0;
    case ProfileStatus::BlankName: return 2;
    default: return -1;
  }
}

ProfileStore::FolderLock::FolderLock(const fs::path& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  fd_ = ::open((folder / ".ProfileList.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd_ >= 0) {
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
}

ProfileStore::FolderLock::~FolderLock() {
  if (fd_ >= 0) ::close(fd_);
}

ProfileStore::ProfileStore(fs::path dataFolder, fs::path defaultDocument, int deviceType, const Clock& clock)
    : folder_(std::move(dataFolder)), defaultDocument_(std::move(defaultDocument)), deviceType_(deviceType),
      ids_(clock) {}

std::optional<fs::path> ProfileStore::documentPathFor(std::string_view uuid) const {
  if (!isTimestampId(uuid)) return std::nullopt;
  return folder_ / (std::string(uuid) + std::string(kDocumentExtension));
}

bool ProfileStore::write(const fs::path& path, const Json::Value& value) const {
  return writeJsonFile(path, value, hooks_);
}

ProfileOutcome ProfileStore::writeFailed(const fs::path& path) const {
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  return {ProfileStatus::WriteFailed, "cannot write " + path.string() + " (read-only folder or full disk?)", -1, {}};
}

ProfileOutcome ProfileStore::badIndex(int index) const {
  return {ProfileStatus::BadIndex, "no profile with index " + std::to_string(index), -1, {}};
}

std::optional<ProfileOutcome> ProfileStore::refuseEntry(const Loaded& loaded, int index) const {
  if (!loaded.failure.ok()) return loaded.failure;
  if (index < 0 || index >= static_cast<int>(loaded.parsed.entries.size())) return badIndex(index);
  return std::nullopt;
}

namespace {

bool stringOrAbsent(const Json::Value& row, const char* key) {
  const Json::Value* m = row.find(key, key + std::char_traits<char>::length(key));
  return !m || m->isString();
}

// What the list's reader relies on: an object whose "profilelist" is an array
// of entries with text names and identifiers. Anything else would be replaced
// by a fresh list, so it is kept aside first.
bool isProfileList(const Json::Value& list) {
  if (!shape::objectWithOptionalArrayOfObjects(list, "profilelist")) return false;
  for (const auto& row : list["profilelist"])
    if (!row.isObject() || !stringOrAbsent(row, "profilename") || !stringOrAbsent(row, "profileUUID")) return false;
  constexpr std::string_view kSelect = "profileselect";
  const Json::Value* select = list.find(kSelect.data(), kSelect.data() + kSelect.size());
  return !select || select->isNull() || select->isNumeric();
}

bool isDocument(const Json::Value& document) { return shape::objectWithOptionalArrayOfObjects(document, "Device"); }

}  // namespace

ProfileOutcome ProfileStore::unreadable(const std::string& message) {
  return {ProfileStatus::Unreadable, message + "; it is left as it is", -1, {}};
}

Json::Value ProfileStore::factoryDocument(std::string_view name, std::string_view uuid) const {
  Json::Value document;
  if (auto bytes = readFileBytes(defaultDocument_)) parseJson(*bytes, document);
  if (!document.isObject()) document = Json::Value(Json::objectValue);
  document["profilename"] = std::string(name);
  document["profileUUID"] = std::string(uuid);
  return document;
}

// A profile whose document is missing (or not a document, now kept aside)
// reads as a fresh one from the factory document, as the device page would
// load it.
std::optional<Json::Value> ProfileStore::documentOrFactory(const fs::path& path, std::string_view name,
                                                           std::string_view uuid, ProfileOutcome& refusal) const {
  KeptRead read = readKeptJson(path, isDocument);
  if (read.unreadable()) {
    refusal = unreadable(read.message(path));
    return std::nullopt;
  }
  if (!read.usable()) return factoryDocument(name, uuid);
  return std::move(read.value);
}

ProfileOutcome ProfileStore::createList(Loaded& loaded) {
  const std::string uuid = ids_.next(folder_, kDocumentExtension);
  const fs::path docPath = folder_ / (uuid + std::string(kDocumentExtension));
  // A list we are about to replace keeps its other top-level members.
  Json::Value list = loaded.list.isObject() ? loaded.list : Json::Value(Json::objectValue);
  list["profilelist"] = Json::Value(Json::arrayValue);
  list["profilelist"].append(makeListEntry("profile1", uuid));
  list["profileselect"] = 0;
  if (!write(docPath, factoryDocument("profile1", uuid))) return writeFailed(docPath);
  if (!write(listPath(), list)) {
    std::error_code ec;
    fs::remove(docPath, ec);
    return writeFailed(listPath());
  }
  loaded.list = std::move(list);
  loaded.parsed = parseProfileList(loaded.list);
  return {ProfileStatus::Ok, {}, 0, "profile1"};
}

ProfileStore::Loaded ProfileStore::load() {
  std::error_code ec;
  fs::create_directories(folder_, ec);
  // Writes killed before their rename leave temporaries of the list and the
  // documents; the macros in the same folder clear their own.
  sweepStaleTemporaries(folder_, [](std::string_view name) {
    if (name == kProfileListFile) return true;
    return name.size() > kDocumentExtension.size() && name.ends_with(kDocumentExtension) &&
           isTimestampId(name.substr(0, name.size() - kDocumentExtension.size()));
  });
  Loaded loaded;
  KeptRead read = readKeptJson(listPath(), isProfileList);
  if (read.unreadable()) {
    // Never start a new list over one we cannot read: every document it
    // lists would be orphaned.
    loaded.failure = unreadable(read.message(listPath()));
    return loaded;
  }
  loaded.list = std::move(read.value);
  loaded.parsed = parseProfileList(loaded.list);
  if (!loaded.parsed.usable()) {
    debugPrintf("profile list missing or empty, creating profile1: %s", listPath().string().c_str());
    loaded.failure = createList(loaded);
  }
  return loaded;
}

ProfileOutcome ProfileStore::initialise() {
  FolderLock lock(folder_);
  Loaded loaded = load();
  if (!loaded.failure.ok()) return loaded.failure;
  const int select = loaded.parsed.select;
  return {ProfileStatus::Ok, {}, select, loaded.parsed.entries[select].name};
}

std::vector<ProfileEntry> ProfileStore::entries() {
  FolderLock lock(folder_);
  return load().parsed.entries;
}

int ProfileStore::current() {
  FolderLock lock(folder_);
  return load().parsed.select;
}

std::optional<fs::path> ProfileStore::documentPath(int index) {
  const auto list = entries();
  if (index < 0 || index >= static_cast<int>(list.size())) return std::nullopt;
  return documentPathFor(list[index].uuid);
}

ProfileOutcome ProfileStore::select(int index) {
  FolderLock lock(folder_);
  Loaded loaded = load();
  if (auto refused = refuseEntry(loaded, index)) return *refused;
  const auto& list = loaded.parsed.entries;
  // Every page selects its stored profile when it is created (each plug and
  // hand-over): the list is rewritten, with its disk sync, only when the
  // selection really changes.
  constexpr std::string_view kSelectKey = "profileselect";
  const Json::Value* stored = loaded.list.find(kSelectKey.data(), kSelectKey.data() + kSelectKey.size());
  const bool unchanged = stored && stored->isInt() && stored->asInt() == index;
  if (!unchanged) {
    loaded.list["profileselect"] = index;
    if (!write(listPath(), loaded.list)) return writeFailed(listPath());
  }
  return {ProfileStatus::Ok, {}, index, list[index].name};
}

ProfileOutcome ProfileStore::append(Loaded& loaded, const std::string& name, const Json::Value& document,
                                    bool makeCurrent) {
  const std::string uuid = ids_.next(folder_, kDocumentExtension);
  const fs::path docPath = folder_ / (uuid + std::string(kDocumentExtension));
  Json::Value doc = document.isObject() ? document : Json::Value(Json::objectValue);
  doc["profilename"] = name;
  doc["profileUUID"] = uuid;
  if (!write(docPath, doc)) return writeFailed(docPath);
  Json::Value& array = json::objectMember(loaded.list, "profilelist");
  array.append(makeListEntry(name, uuid));
  const int index = static_cast<int>(array.size()) - 1;
  if (makeCurrent) loaded.list["profileselect"] = index;
  if (!write(listPath(), loaded.list)) {
    std::error_code ec;
    fs::remove(docPath, ec);
    return writeFailed(listPath());
  }
  return {ProfileStatus::Ok, {}, index, name};
}

ProfileOutcome ProfileStore::add() {
  FolderLock lock(folder_);
  Loaded loaded = load();
  if (!loaded.failure.ok()) return loaded.failure;
  if (loaded.parsed.entries.size() >= static_cast<size_t>(kMaxAddedProfiles))
    return {ProfileStatus::TooMany, "there are already " + std::to_string(kMaxAddedProfiles) + " profiles", -1, {}};
  const std::string name = nextProfileName(loaded.parsed.entries);
  return append(loaded, name, factoryDocument(name, ""), true);
}

ProfileOutcome ProfileStore::remove(int index) {
  FolderLock lock(folder_);
  Loaded loaded = load();
  if (auto refused = refuseEntry(loaded, index)) return *refused;
  const auto& list = loaded.parsed.entries;
  if (list.size() < 2) return {ProfileStatus::LastProfile, "the last profile cannot be deleted", -1, {}};
  const int next = index == 0 ? 0 : index - 1;
  const auto docPath = documentPathFor(list[index].uuid);
  Json::Value removed;
  loaded.list["profilelist"].removeIndex(static_cast<Json::ArrayIndex>(index), &removed);
  loaded.list["profileselect"] = next;
  if (!write(listPath(), loaded.list)) return writeFailed(listPath());
  // An identifier that is not ours names no file we may delete.
  if (docPath) {
    std::error_code ec;
    fs::remove(*docPath, ec);
  }
  const auto after = parseProfileList(loaded.list);
  return {ProfileStatus::Ok, {}, next, after.entries[next].name};
}

ProfileOutcome ProfileStore::rename(int index, std::string_view name) {
  if (const NameCheck c = checkName(name); c != NameCheck::Ok) return {ProfileStatus::BadName, nameCheckText(c), -1, {}};
  FolderLock lock(folder_);
  Loaded loaded = load();
  if (auto refused = refuseEntry(loaded, index)) return *refused;
  const auto& list = loaded.parsed.entries;
  if (isBlankName(name)) return {ProfileStatus::BlankName, "a profile name cannot be blank", -1, {}};
  for (size_t i = 0; i < list.size(); ++i) {
    if (static_cast<int>(i) != index && sameName(list[i].name, name))
      return {ProfileStatus::NameTaken, "another profile is named \"" + list[i].name + "\"", -1, {}};
  }
  // The document first: a document with the new name under the old list entry
  // is harmless, the list is what the selector shows.
  if (const auto docPath = documentPathFor(list[index].uuid)) {
    KeptRead read = readKeptJson(*docPath, isDocument);
    if (read.unreadable()) return unreadable(read.message(*docPath));
    if (read.usable()) {
      read.value["profilename"] = std::string(name);
      if (!write(*docPath, read.value)) return writeFailed(*docPath);
    }
  }
  json::objectMember(json::arrayElement(loaded.list["profilelist"], static_cast<unsigned>(index)),
                     "profilename") = std::string(name);
  if (!write(listPath(), loaded.list)) return writeFailed(listPath());
  return {ProfileStatus::Ok, {}, index, std::string(name)};
}

}  // namespace tessel::profiles
