#include "config/light_mode_list.h"

#include <json/json.h>

#include "platform/json_access.h"
#include "platform/json_file.h"

namespace tessel {
namespace {

// Kind indices are small; a hostile file must not make us allocate for
// thousands of kinds that no device has.
constexpr unsigned kMaxKinds = 64;

template <typename T>
const std::vector<T>& at(const std::vector<std::vector<T>>& lists, int kindIndex) {
  static const std::vector<T> empty;
  if (kindIndex < 0 || static_cast<std::size_t>(kindIndex) >= lists.size()) return empty;
  return lists[static_cast<std::size_t>(kindIndex)];
}

bool fill(const Json::Value& root,
          std::vector<std::vector<LightModeEntry>>& modes, std::vector<std::vector<std::string>>& areas) {
  modes.clear();
  areas.clear();
  if (!root.isObject()) return false;
  const Json::Value& kinds = json::member(root, "DefaultLightName");
  for (unsigned k = 0; k < json::size(kinds) && k < kMaxKinds; ++k) {
    const Json::Value& entries = json::element(kinds, k);
    std::vector<LightModeEntry> kind;
    for (unsigned i = 0; i < json::size(entries); ++i) {
      const Json::Value& e = json::element(entries, i);
      kind.push_back(LightModeEntry{json::getString(e, "LightName", ""), json::getBool(e, "visible", true),
                                    json::getInt<uint8_t>(e, "value", 0)});
    }
    modes.push_back(std::move(kind));
  }
  const Json::Value& areaKinds = json::member(root, "AreaLightName");
  for (unsigned k = 0; k < json::size(areaKinds) && k < kMaxKinds; ++k) {
    const Json::Value& entries = json::element(areaKinds, k);
    std::vector<std::string> kind;
    for (unsigned i = 0; i < json::size(entries); ++i)
      kind.push_back(json::getString(json::element(entries, i), "LightName", ""));
    areas.push_back(std::move(kind));
  }
  return true;
}

}  // namespace

bool LightModeList::load(const std::filesystem::path& path) {
  return fill(readJsonFile(path), modes_, areas_);
}

bool LightModeList::parse(std::string_view text) {
  Json::Value root;
  parseJson(text, root);
  return fill(root, modes_, areas_);
}

const std::vector<LightModeEntry>& LightModeList::modes(int kindIndex) const { return at(modes_, kindIndex); }
const std::vector<std::string>& LightModeList::areas(int kindIndex) const { return at(areas_, kindIndex); }

int LightModeList::positionOfCode(int kindIndex, uint8_t code) const {
  const auto& list = modes(kindIndex);
  for (std::size_t i = 0; i < list.size(); ++i)
    if (list[i].code == code) return static_cast<int>(i);
  return -1;
}

}  // namespace tessel
