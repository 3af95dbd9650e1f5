#include "config/light_sequence.h"

#include <json/json.h>

#include "config/section_codec.h"
#include "platform/json_access.h"
#include "platform/json_file.h"
#include "platform/kept_file.h"

namespace tessel {
namespace fs = std::filesystem;

namespace {
constexpr std::string_view kSequenceExtension = ".light";

LightSequence stepsOf(const Json::Value& root) {
  LightSequence steps;
  const Json::Value& list = json::member(root, "LEDEffectList");
  const unsigned n = json::size(list);
  steps.reserve(n);
  for (unsigned i = 0; i < n; ++i) steps.push_back(section::readStep(json::element(list, i)));
  return steps;
}
bool isSequenceFile(const Json::Value& root) { return shape::objectWithOptionalArrayOfObjects(root, "LEDEffectList"); }
}  // namespace

bool isSafeSequenceGuid(std::string_view guid) {
  if (guid.empty()) return false;
  if (guid.find('/') != std::string_view::npos) return false;
  if (guid.find('\\') != std::string_view::npos) return false;
  if (guid.find('\0') != std::string_view::npos) return false;
  if (guid.find("..") != std::string_view::npos) return false;
  return true;
}

LightSequence parseLightSequence(std::string_view text) {
  Json::Value root;
  if (!parseJson(text, root)) return {};
  return stepsOf(root);
}

LightSequence loadLightSequence(const fs::path& folder, std::string_view guid) {
  if (!isSafeSequenceGuid(guid)) return {};
  return stepsOf(readKeptJson(folder / (std::string(guid) + std::string(kSequenceExtension)), isSequenceFile).value);
}

bool saveLightSequence(const fs::path& folder, std::string_view guid, const LightSequence& steps) {
  if (!isSafeSequenceGuid(guid)) return false;
  Json::Value root(Json::objectValue);
  Json::Value list(Json::arrayValue);
  for (const LightStep& s : steps) list.append(section::writeStep(s));
  root["LEDEffectList"] = list;
  return writeKeptJson(folder / (std::string(guid) + std::string(kSequenceExtension)), root, nullptr, isSequenceFile);
}

}  // namespace tessel
