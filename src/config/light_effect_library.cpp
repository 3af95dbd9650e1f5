#include "config/light_effect_library.h"

#include <json/json.h>

#include "platform/json_access.h"
#include "platform/json_file.h"
#include "platform/kept_file.h"

namespace tessel {
namespace {
constexpr unsigned kMaxKinds = 64;

// An object whose "LightInfo", when there, is a list of lists of entries.
bool isLibraryFile(const Json::Value& root) {
  if (!shape::objectWithOptionalArray(root, "LightInfo")) return false;
  for (const auto& kind : json::member(root, "LightInfo")) {
    if (!kind.isArray()) return false;
    for (const auto& entry : kind)
      if (!entry.isObject()) return false;
  }
  return true;
}
}  // namespace

bool LightEffectLibrary::load(const std::filesystem::path& path) {
  const Json::Value root = readKeptJson(path, isLibraryFile).value;
  return parse(root.isNull() ? std::string_view{} : std::string_view{styledJson(root)});
}

bool LightEffectLibrary::parse(std::string_view text) {
  kinds_.clear();
  extra_.clear();
  loaded_ = false;
  Json::Value root;
  if (text.empty() || !parseJson(text, root) || !root.isObject()) return false;
  const Json::Value& kinds = json::member(root, "LightInfo");
  for (unsigned k = 0; k < json::size(kinds) && k < kMaxKinds; ++k) {
    const Json::Value& entries = json::element(kinds, k);
    std::vector<LightSequenceEntry> kind;
    for (unsigned i = 0; i < json::size(entries); ++i) {
      const Json::Value& e = json::element(entries, i);
      kind.push_back(LightSequenceEntry{json::getString(e, "LightName", ""), json::getString(e, "Guid", "")});
    }
    kinds_.push_back(std::move(kind));
  }
  root.removeMember("LightInfo");
  if (!root.empty()) extra_ = styledJson(root);
  loaded_ = true;
  return true;
}

const std::vector<LightSequenceEntry>& LightEffectLibrary::sequences(int kindIndex) const {
  static const std::vector<LightSequenceEntry> empty;
  if (kindIndex < 0 || static_cast<std::size_t>(kindIndex) >= kinds_.size()) return empty;
  return kinds_[static_cast<std::size_t>(kindIndex)];
}

void LightEffectLibrary::setSequences(int kindIndex, std::vector<LightSequenceEntry> sequences) {
  if (kindIndex < 0 || static_cast<unsigned>(kindIndex) >= kMaxKinds) return;
  if (kinds_.size() <= static_cast<std::size_t>(kindIndex)) kinds_.resize(static_cast<std::size_t>(kindIndex) + 1);
  kinds_[static_cast<std::size_t>(kindIndex)] = std::move(sequences);
}

std::string LightEffectLibrary::text() const {
  Json::Value root(Json::objectValue);
  if (!extra_.empty()) parseJson(extra_, root);
  Json::Value kinds(Json::arrayValue);
  for (const auto& kind : kinds_) {
    Json::Value entries(Json::arrayValue);
    for (const LightSequenceEntry& e : kind) {
      Json::Value entry(Json::objectValue);
      entry["LightName"] = e.name;
      entry["Guid"] = e.guid;
      entries.append(entry);
    }
    kinds.append(entries);
  }
  root["LightInfo"] = kinds;
  return styledJson(root);
}

bool LightEffectLibrary::save(const std::filesystem::path& path) const {
  Json::Value root;
  parseJson(text(), root);
  return writeKeptJson(path, root, nullptr, isLibraryFile);
}

}  // namespace tessel
