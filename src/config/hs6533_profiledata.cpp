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
    HeadsetSystemSet h;
    h.magicEnable = json::getInt<int32_t>(*s, "MagicEnable", 0);
    h.magicType = json::getInt<int32_t>(*s, "MagicType", 0);
    h.eqType = json::getInt<int32_t>(*s, "EqType", 0);
    h.customEqSelectIndex = json::getInt<int32_t>(*s, "CustomEqSeletIndex", 0);
    h.micInSelect = json::getInt<int32_t>(*s, "MicInSelect", 0);
    h.micInValue = json::getInt<int32_t>(*s, "MicInValue", 0);
    h.micMonitorSelect = json::getInt<int32_t>(*s, "MicMoniterSelect", 0);
    h.micMonitorValue = json::getInt<int32_t>(*s, "MicMoniterValue", 0);
    setCache_ = h;
  }
  return setCache_;
}

void CHs6533Profiledata::setSystemSet(const HeadsetSystemSet& h) {
  auto l = lock();
  setCache_ = h;
  Json::Value& s = writableSection("SystemSetStages", Shape::Object);
  s["MagicEnable"] = h.magicEnable;
  s["MagicType"] = h.magicType;
  s["EqType"] = h.eqType;
  s["CustomEqSeletIndex"] = h.customEqSelectIndex;
  s["MicInSelect"] = h.micInSelect;
  s["MicInValue"] = h.micInValue;
  s["MicMoniterSelect"] = h.micMonitorSelect;
  s["MicMoniterValue"] = h.micMonitorValue;
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
    for (const Json::Value& entry : *s) names.push_back(json::getString(entry, "Name", ""));
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
