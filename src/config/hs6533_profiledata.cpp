#include "config/hs6533_profiledata.h"

#include <json/json.h>

#include "config/section_codec.h"
#include "platform/json_access.h"

namespace tessel {

void CHs6533Profiledata::clearOwnCaches() {
  setCache_ = {};
  eqCache_.clear();
  customNamesCache_.clear();
  customEqCache_.clear();
}

HeadsetSystemSet CHs6533Profiledata::getSystemSet() const {
  auto l = lock();
  if (const Json::Value* s = section("SystemSetStages", Shape::Object)) {
    setCache_ = section::readHeadsetSystem(*s);
  }
  return setCache_;
}

void CHs6533Profiledata::setSystemSet(const HeadsetSystemSet& h) {
  auto l = lock();
  setCache_ = h;
  section::writeHeadsetSystem(h, writableSection("SystemSetStages", Shape::Object));
}

std::vector<EqPreset> CHs6533Profiledata::getEqPresets() const {
  auto l = lock();
  if (const Json::Value* s = section("EQHzValueInfo", Shape::Array)) eqCache_ = section::readEqPresets(*s);
  return eqCache_;
}

void CHs6533Profiledata::setEqPresets(const std::vector<EqPreset>& presets) {
  auto l = lock();
  eqCache_ = presets;
  writableSection("EQHzValueInfo", Shape::Array) = section::writeEqPresets(presets);
}

std::vector<std::string> CHs6533Profiledata::getCustomEqNames() const {
  auto l = lock();
  if (const Json::Value* s = section("CustomEQNameInfo", Shape::Array)) {
    std::vector<std::string> names;
    names.reserve(s->size());
    for (unsigned i = 0; i < s->size(); ++i) {
      const Json::Value& entry = (*s)[i];
      names.push_back(json::getString(entry, "Name", ""));
    }
    customNamesCache_ = std::move(names);
  }
  return customNamesCache_;
}

void CHs6533Profiledata::setCustomEqNames(const std::vector<std::string>& names) {
  auto l = lock();
  customNamesCache_ = names;
  Json::Value array(Json::arrayValue);
  for (const std::string& name : names) {
    Json::Value entry(Json::objectValue);
    entry["Name"] = name;
    array.append(entry);
  }
  writableSection("CustomEQNameInfo", Shape::Array) = array;
}

std::vector<EqPreset> CHs6533Profiledata::getCustomEqPresets() const {
  auto l = lock();
  if (const Json::Value* s = section("CustomEQHzValueInfo", Shape::Array))
    customEqCache_ = section::readEqPresets(*s);
  return customEqCache_;
}

void CHs6533Profiledata::setCustomEqPresets(const std::vector<EqPreset>& presets) {
  auto l = lock();
  customEqCache_ = presets;
  writableSection("CustomEQHzValueInfo", Shape::Array) = section::writeEqPresets(presets);
}

}  // namespace tessel
