#include "platform/settings_store.h"

#include <system_error>

#include "platform/json_access.h"
#include "platform/json_file.h"
#include "platform/kept_file.h"
#include "platform/data_folders.h"

namespace tessel {
namespace fs = std::filesystem;

SettingsStore::SettingsStore() : file_(configFolder() / "settings.json") {}
SettingsStore::SettingsStore(fs::path file) : file_(std::move(file)) {}

bool SettingsStore::exists() const {
  std::error_code ec;
  return fs::is_regular_file(file_, ec);
}

bool SettingsStore::create() {
  if (exists()) return true;
  std::error_code ec;
  fs::create_directories(file_.parent_path(), ec);
  return writeJsonFile(file_, Json::Value(Json::objectValue));
}

std::optional<uint32_t> SettingsStore::getDword(std::string_view name) const {
  const Json::Value root = readKeptJson(file_, shape::object).value;
  const Json::Value& v = json::member(root, name);
  if (!json::isNumber(v)) return std::nullopt;
  return json::getInt<uint32_t>(v, 0);
}

std::optional<std::string> SettingsStore::getString(std::string_view name) const {
  const Json::Value root = readKeptJson(file_, shape::object).value;
  const Json::Value& v = json::member(root, name);
  if (!v.isString()) return std::nullopt;
  return v.asString();
}

namespace {
// A store that parses but is not an object, or a value of another type than
// the one written, was not made by this program: it is kept aside before it is
// replaced, as an unparsable one is. A value that is already there is not
// written again.
bool setMember(const fs::path& file, std::string_view name, Json::Value value) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) return false;
  KeptRead read = readKeptJson(file, shape::object);
  if (read.unreadable()) return false;
  // Not an object: the reader kept it aside already.
  Json::Value root = read.usable() ? std::move(read.value) : Json::Value(Json::objectValue);
  const std::string key(name);
  bool keep = false;
  if (const Json::Value* old = root.find(key.data(), key.data() + key.size())) {
    const bool numbers = json::isNumber(*old) && json::isNumber(value);
    const bool sameKind = numbers || old->type() == value.type();
    if (numbers ? old->asDouble() == value.asDouble() : *old == value) return true;
    keep = !sameKind;
  }
  if (keep && !keepBytesAside(file, read.bytes)) return false;
  root[key] = std::move(value);
  return writeJsonFile(file, root);
}
}  // namespace

bool SettingsStore::setDword(std::string_view name, uint32_t value) {
  return setMember(file_, name, Json::Value(Json::UInt(value)));
}

bool SettingsStore::setString(std::string_view name, std::string_view value) {
  return setMember(file_, name, Json::Value(std::string(value)));
}

}  // namespace tessel
