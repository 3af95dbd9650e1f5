#include "macros/macro_library.h"

#include <system_error>

#include "platform/file_io.h"
#include "platform/export_file.h"
#include "platform/json_access.h"
#include "platform/plain_text.h"
#include "platform/json_file.h"
#include "platform/kept_file.h"
#include "profiles/profile_list.h"

namespace fs = std::filesystem;

namespace tessel::macros {
namespace {

constexpr std::string_view kInfo = "MacroInfo";
constexpr std::string_view kName = "MacroName";
constexpr std::string_view kGuid = "Guid";

bool blankText(std::string_view text) {
  for (char c : text)
    if (c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v') return false;
  return true;
}

bool taken(const std::vector<MacroEntry>& entries, std::string_view name) {
  for (const auto& e : entries)
    if (profiles::sameName(e.name, name)) return true;
  return false;
}

LibraryResult failure(LibraryError error, std::string message) {
  LibraryResult r;
  r.error = error;
  r.message = std::move(message);
  return r;
}

}  // namespace

std::string nextMacroName(const std::vector<MacroEntry>& entries) {
  for (size_t n = 1;; ++n) {
    std::string name = "macro_" + std::to_string(n);
    if (!taken(entries, name)) return name;
  }
}

std::string importMacroName(const std::vector<MacroEntry>& entries, std::string_view fileBaseName) {
  // A file's name may hold anything.
  const std::string baseName = plainName(fileBaseName);
  if (!taken(entries, baseName)) return baseName;
  for (size_t n = 2;; ++n) {
    std::string name = std::to_string(n);
    if (!taken(entries, name)) return name;
  }
}

MacroLibrary::MacroLibrary(fs::path folder, const Clock& clock) : folder_(std::move(folder)), ids_(clock) {
  load();
}

fs::path MacroLibrary::indexPath() const { return folder_ / std::string(kIndexFile); }

void MacroLibrary::load() {
  entries_.clear();
  index_ = Json::Value(Json::objectValue);
  damaged_ = false;
  damage_.clear();
  // Writes killed before their rename leave temporaries of the index and the
  // event files; the profiles in the same folder clear their own.
  sweepStaleTemporaries(folder_, [](std::string_view name) {
    if (name == kIndexFile) return true;
    return name.size() > kEventFileExtension.size() && name.ends_with(kEventFileExtension) &&
           profiles::isTimestampId(name.substr(0, name.size() - kEventFileExtension.size()));
  });
  const fs::path path = indexPath();
  KeptRead read = readKeptJson(path, [](const Json::Value& doc) {
    return shape::objectWithOptionalArray(doc, kInfo);
  });
  if (read.unreadable() || read.unusable()) {
    // There but unusable (kept aside) or unreadable (permissions, a folder in
    // its place): starting an empty library would write over the user's
    // macros; changes are refused until it is repaired or removed.
    damaged_ = true;
    damage_ = read.message(path);
    return;
  }
  if (read.missing()) return;  // no library yet
  Json::Value doc = std::move(read.value);
  const Json::Value& info = json::member(doc, kInfo);
  index_ = doc;
  for (unsigned i = 0; i < json::size(info); ++i) {
    const Json::Value& row = json::element(info, i);
    // A row of the wrong shape still holds its place: assignment records count
    // macros by position.
    entries_.push_back(MacroEntry{json::getString(row, kName, ""), json::getString(row, kGuid, "")});
  }
}

std::vector<std::string> MacroLibrary::names() const {
  std::vector<std::string> out;
  out.reserve(entries_.size());
  for (const auto& e : entries_) out.push_back(e.name);
  return out;
}

std::optional<fs::path> MacroLibrary::eventFilePath(size_t index) const {
  if (index >= entries_.size()) return std::nullopt;
  const std::string& guid = entries_[index].guid;
  if (!profiles::isTimestampId(guid)) return std::nullopt;
  return folder_ / (guid + std::string(kEventFileExtension));
}

bool MacroLibrary::writeIndex() {
  std::error_code ec;
  fs::create_directories(folder_, ec);
  return writeJsonFile(indexPath(), index_);
}

LibraryResult MacroLibrary::refuseChange() const {
  return failure(LibraryError::Damaged, "the macro library cannot be used (" + damage_ + "); it is left unchanged");
}

bool MacroLibrary::nameTaken(std::string_view name) const { return taken(entries_, name); }

std::string MacroLibrary::newIdentifier() {
  // Two macros made in the same millisecond would share one event file; the
  // generator moves on past existing files, and a macro never saved has none,
  // so the library's own identifiers are checked as well.
  for (;;) {
    std::string id = ids_.next(folder_, kEventFileExtension);
    bool used = false;
    for (const auto& e : entries_) used = used || e.guid == id;
    if (!used) return id;
  }
}

LibraryResult MacroLibrary::addEntry(const std::string& name) {
  const std::string guid = newIdentifier();
  Json::Value row(Json::objectValue);
  row[std::string(kName)] = name;
  row[std::string(kGuid)] = guid;
  Json::Value& info = json::objectMember(index_, kInfo);
  if (!info.isArray()) info = Json::Value(Json::arrayValue);
  info.append(row);
  if (!writeIndex()) {
    load();
    return failure(LibraryError::WriteFailed, "the macro library \"" + indexPath().string() + "\" could not be written");
  }
  entries_.push_back(MacroEntry{name, guid});
  LibraryResult r;
  r.index = entries_.size() - 1;
  r.name = name;
  return r;
}

LibraryResult MacroLibrary::create() {
  load();
  if (damaged_) return refuseChange();
  if (entries_.size() >= kMaxMacros) return failure(LibraryError::Full, "the library already holds 50 macros");
  return addEntry(nextMacroName(entries_));
}

LibraryResult MacroLibrary::rename(size_t index, std::string_view newName) {
  load();
  if (damaged_) return refuseChange();
  if (index >= entries_.size()) return failure(LibraryError::NoSuchMacro, "there is no macro " + std::to_string(index));
  if (blankText(newName)) return failure(LibraryError::Blank, "the new name is empty");
  if (const NameCheck c = checkName(newName); c != NameCheck::Ok) return failure(LibraryError::BadName, nameCheckText(c));
  if (nameTaken(newName))
    return failure(LibraryError::DuplicateName, "a macro named \"" + std::string(newName) + "\" already exists");
  Json::Value& row = json::arrayElement(json::objectMember(index_, kInfo), static_cast<unsigned>(index));
  json::objectMember(row, kName) = std::string(newName);
  if (!writeIndex()) {
    load();
    return failure(LibraryError::WriteFailed, "the macro library \"" + indexPath().string() + "\" could not be written");
  }
  entries_[index].name = std::string(newName);
  LibraryResult r;
  r.index = index;
  r.name = entries_[index].name;
  return r;
}

LibraryResult MacroLibrary::remove(size_t index) {
  load();
  if (damaged_) return refuseChange();
  if (index >= entries_.size()) return failure(LibraryError::NoSuchMacro, "there is no macro " + std::to_string(index));
  const std::optional<fs::path> eventFile = eventFilePath(index);
  const std::string name = entries_[index].name;
  Json::Value& info = json::objectMember(index_, kInfo);
  Json::Value removed;
  info.removeIndex(static_cast<Json::ArrayIndex>(index), &removed);
  if (!writeIndex()) {
    load();
    return failure(LibraryError::WriteFailed, "the macro library \"" + indexPath().string() + "\" could not be written");
  }
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(index));
  if (eventFile) {
    std::error_code ec;
    fs::remove(*eventFile, ec);  // a macro never saved has no file
  }
  LibraryResult r;
  r.index = index;
  r.name = name;
  return r;
}

LibraryResult MacroLibrary::importFile(const fs::path& source) {
  load();
  if (damaged_) return refuseChange();
  if (entries_.size() >= kMaxMacros) return failure(LibraryError::Full, "the library already holds 50 macros");
  // Only a regular file: a device node or a pipe would never end or block.
  std::error_code ec;
  if (!fs::is_regular_file(source, ec))
    return failure(LibraryError::ReadFailed, "\"" + source.string() + "\" is not a file that can be read");
  // Look at the size before reading so a huge file is never loaded whole.
  const auto size = fs::file_size(source, ec);
  if (!ec && size > kMaxImportBytes)
    return failure(LibraryError::BadFile, "\"" + source.string() + "\": the macro file is larger than 4 MiB");
  const auto bytes = readFileBytes(source);
  if (!bytes) return failure(LibraryError::ReadFailed, "\"" + source.string() + "\" cannot be read");
  const EventFileParse parse = parseEventFile(*bytes);
  if (!parse.ok) return failure(LibraryError::BadFile, "\"" + source.string() + "\": " + parse.error);

  std::string base = source.stem().string();
  if (blankText(base)) base = "macro";
  LibraryResult r = addEntry(importMacroName(entries_, base));
  if (!r.ok()) return r;
  const auto target = eventFilePath(r.index);
  if (!target || !writeKeptFile(*target, *bytes)) {
    // Take the entry back out so the library does not list a macro whose
    // events were lost.
    Json::Value removed;
    index_[std::string(kInfo)].removeIndex(static_cast<unsigned>(r.index), &removed);
    writeIndex();
    entries_.pop_back();
    return failure(LibraryError::WriteFailed, "the imported macro could not be written");
  }
  return r;
}

LibraryResult MacroLibrary::exportTo(size_t index, const fs::path& target, std::ostream* standardOutput) const {
  if (index >= entries_.size()) return failure(LibraryError::NoSuchMacro, "there is no macro " + std::to_string(index));
  const auto path = eventFilePath(index);
  if (!path) return failure(LibraryError::UnsafeId, "the macro's identifier is not usable as a file name");
  const KeptRead read = readKeptBytes(*path);
  if (read.unreadable()) return failure(LibraryError::ReadFailed, read.message(*path) + "; nothing was exported");
  if (const ExportOutcome written = exportFile(target, read.bytes, standardOutput); !written.ok)
    return failure(LibraryError::WriteFailed, written.message);
  LibraryResult r;
  r.index = index;
  r.name = entries_[index].name;
  return r;
}

namespace {
bool isEventFile(const Json::Value& doc) { return shape::objectWithOptionalArrayOfObjects(doc, "Events"); }
}  // namespace

std::vector<MacroEvent> MacroLibrary::loadEvents(size_t index) const {
  std::vector<MacroEvent> events;
  readEvents(index, events);
  return events;
}

LibraryResult MacroLibrary::readEvents(size_t index, std::vector<MacroEvent>& events) const {
  events.clear();
  if (index >= entries_.size()) return failure(LibraryError::NoSuchMacro, "there is no macro " + std::to_string(index));
  const auto path = eventFilePath(index);
  if (!path) return failure(LibraryError::UnsafeId, "the macro's identifier is not usable as a file name");
  const KeptRead read = readKeptJson(*path, isEventFile);
  if (read.unreadable()) return failure(LibraryError::ReadFailed, read.message(*path) + "; it is left as it is");
  if (read.usable()) events = eventsFromDocument(read.value);
  LibraryResult r;
  r.index = index;
  r.name = entries_[index].name;
  return r;
}

LibraryResult MacroLibrary::saveEvents(size_t index, std::span<const MacroEvent> events) {
  load();
  if (damaged_) return refuseChange();
  if (index >= entries_.size()) return failure(LibraryError::NoSuchMacro, "there is no macro " + std::to_string(index));
  const auto path = eventFilePath(index);
  if (!path) return failure(LibraryError::UnsafeId, "the macro's identifier is not usable as a file name");
  std::error_code ec;
  fs::create_directories(folder_, ec);
  if (!writeJsonFile(*path, eventFileDocument(entries_[index].name, entries_[index].guid, events)))
    return failure(LibraryError::WriteFailed, "\"" + path->string() + "\" could not be written");
  LibraryResult r;
  r.index = index;
  r.name = entries_[index].name;
  return r;
}

}  // namespace tessel::macros

namespace tessel::macros {
std::vector<std::vector<MacroEvent>> loadListedMacros(const MacroLibrary& library, std::span<const uint8_t> list) {
  std::vector<std::vector<MacroEvent>> out;
  out.reserve(list.size());
  for (uint8_t index : list) out.push_back(library.loadEvents(index));
  return out;
}

MacroImage buildLibraryImage(const MacroLibrary& library, std::span<const uint8_t> list, uint8_t capacityByte) {
  if (library.damaged() || list.empty()) return MacroImage{};
  return buildMacroImage(loadListedMacros(library, list), capacityByte);
}
}  // namespace tessel::macros
