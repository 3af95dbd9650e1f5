// Copy, export, import and reset: whole profile documents moving between the
// store's folder, the factory document and files the user picks.
#include <system_error>

#include "platform/export_file.h"
#include "platform/json_access.h"
#include "platform/json_file.h"
#include "profiles/profile_store.h"

namespace tessel::profiles {
namespace fs = std::filesystem;

namespace {
// The headset's custom equaliser presets are the user's own work; a reset
// to the factory settings keeps them.
constexpr const char* kKeptOnHeadsetReset[] = {"CustomEQNameInfo", "CustomEQHzValueInfo"};
constexpr int kHeadsetType = 7;

ProfileOutcome refusedId(const ProfileEntry& entry) {
  return {ProfileStatus::UnsafeId,
          "profile \"" + entry.name + "\" has the identifier \"" + entry.uuid +
              "\", which names no profile document; it is left alone",
          -1, {}};
}
}  // namespace

bool parseImportDocument(std::string_view bytes, Json::Value& document, std::string& why) {
  document = Json::Value();
  if (bytes.size() > kMaxImportBytes) {
    why = "the file is larger than 4 MiB";
    return false;
  }
  Json::Value value;
  if (!parseJson(bytes, value)) {
    why = "the file is not a JSON document";
    return false;
  }
  if (!value.isObject()) {
    why = "the file is not a profile document (not a JSON object)";
    return false;
  }
  const Json::Value& device = json::member(value, "Device");
  if (!device.isArray() || !json::element(device, 0).isObject()) {
    why = "the file holds no device settings (\"Device\" with an object at index 0)";
    return false;
  }
  if (json::member(value, "profilename").isNull() || json::member(value, "profileUUID").isNull()) {
    why = "the file is not a profile document (no \"profilename\" or \"profileUUID\")";
    return false;
  }
  document = std::move(value);
  return true;
}

ProfileOutcome ProfileStore::copy(int index) {
  FolderLock lock(folder_);
  Loaded loaded = load();
  if (auto refused = refuseEntry(loaded, index)) return *refused;
  const auto& list = loaded.parsed.entries;
  const auto source = documentPathFor(list[index].uuid);
  if (!source) return refusedId(list[index]);
  const std::string name = copyName(list, list[index].name);
  ProfileOutcome refusal;
  const auto document = documentOrFactory(*source, list[index].name, list[index].uuid, refusal);
  if (!document) return refusal;
  return append(loaded, name, *document, false);
}

ProfileOutcome ProfileStore::exportTo(int index, const fs::path& target, std::ostream* standardOutput) {
  FolderLock lock(folder_);
  Loaded loaded = load();
  if (auto refused = refuseEntry(loaded, index)) return *refused;
  const auto& list = loaded.parsed.entries;
  const auto source = documentPathFor(list[index].uuid);
  if (!source) return refusedId(list[index]);
  // A profile never saved yet exports as the document it would load as, not
  // as a null that no import would take back.
  ProfileOutcome refusal;
  const auto document = documentOrFactory(*source, list[index].name, list[index].uuid, refusal);
  if (!document) return refusal;
  const ExportOutcome written = exportFile(target, styledJson(*document), standardOutput);
  if (!written.ok) return {ProfileStatus::WriteFailed, written.message, -1, {}};
  return {ProfileStatus::Ok, {}, index, list[index].name};
}

ProfileOutcome ProfileStore::importFrom(const fs::path& source) {
  std::error_code ec;
  const auto size = fs::file_size(source, ec);
  if (ec) return {ProfileStatus::BadImport, "cannot read " + source.string(), -1, {}};
  if (size > kMaxImportBytes) return {ProfileStatus::BadImport, source.string() + ": the file is larger than 4 MiB", -1, {}};
  const auto bytes = readFileBytes(source);
  if (!bytes) return {ProfileStatus::BadImport, "cannot read " + source.string(), -1, {}};
  Json::Value document;
  std::string why;
  if (!parseImportDocument(*bytes, document, why)) return {ProfileStatus::BadImport, source.string() + ": " + why, -1, {}};

  FolderLock lock(folder_);
  Loaded loaded = load();
  if (!loaded.failure.ok()) return loaded.failure;
  const std::string name = importName(loaded.parsed.entries, source.filename().string());
  return append(loaded, name, document, false);
}

ProfileOutcome ProfileStore::reset(int index) {
  FolderLock lock(folder_);
  Loaded loaded = load();
  if (auto refused = refuseEntry(loaded, index)) return *refused;
  const auto& list = loaded.parsed.entries;
  const auto path = documentPathFor(list[index].uuid);
  if (!path) return refusedId(list[index]);
  Json::Value document = factoryDocument(list[index].name, list[index].uuid);
  if (deviceType_ == kHeadsetType) {
    ProfileOutcome refusal;
    const auto read = documentOrFactory(*path, list[index].name, list[index].uuid, refusal);
    if (!read) return refusal;
    const Json::Value& old = *read;
    const Json::Value& oldDevice = json::element(json::member(old, "Device"), 0);
    for (const char* key : kKeptOnHeadsetReset) {
      const Json::Value& kept = json::member(oldDevice, key);
      if (kept.isNull()) continue;
      Json::Value& device = json::arrayElement(json::objectMember(document, "Device"), 0);
      json::objectMember(device, key) = kept;
    }
  }
  if (!write(*path, document)) return writeFailed(*path);
  return {ProfileStatus::Ok, {}, index, list[index].name};
}

}  // namespace tessel::profiles
