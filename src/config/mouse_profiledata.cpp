#include "config/mouse_profiledata.h"

#include <json/json.h>

#include "config/section_codec.h"
#include "platform/json_access.h"

namespace tessel {

void CMouseProfiledata::clearOwnCaches() {
  stagesCache_.clear();
  activeStageCache_ = 0;
  wordsCache_ = {};
  correctCache_.clear();
}

std::vector<DpiStage> CMouseProfiledata::getStages() const {
  auto l = lock();
  if (const Json::Value* s = section("DPIStages", Shape::Object)) {
    activeStageCache_ = json::getInt<uint8_t>(*s, "StageActive", 0);
    const Json::Value& list = json::member(*s, "StageDPIs");
    // The document's list replaces the cached one: stages of the profile read
    // before must not show through a profile with fewer stages.
    if (list.isArray()) {
      std::vector<DpiStage> stages;
      stages.reserve(list.size());
      for (const Json::Value& stage : list) stages.push_back(section::readStage(stage));
      stagesCache_ = std::move(stages);
    }
  }
  return stagesCache_;
}

void CMouseProfiledata::setStages(const std::vector<DpiStage>& stages) {
  auto l = lock();
  stagesCache_ = stages;
  Json::Value array(Json::arrayValue);
  for (const DpiStage& stage : stages) array.append(section::writeStage(stage));
  writableSection("DPIStages", Shape::Object)["StageDPIs"] = array;
}

uint8_t CMouseProfiledata::getActiveStage() const {
  auto l = lock();
  if (const Json::Value* s = section("DPIStages", Shape::Object))
    activeStageCache_ = json::getInt<uint8_t>(*s, "StageActive", 0);
  return activeStageCache_;
}

void CMouseProfiledata::setActiveStage(uint8_t index) {
  auto l = lock();
  activeStageCache_ = index;
  writableSection("DPIStages", Shape::Object)["StageActive"] = index;
}

SystemWords CMouseProfiledata::getSystemWords() const {
  auto l = lock();
  const Json::Value* system = section("SystemStages", Shape::Object);
  if (!system) {
    // No pointer settings in this document: all zero, whatever came before.
    wordsCache_ = {};
    return wordsCache_;
  }
  MouseSystemStages s;
  s.doubleClickTime = json::getInt<uint16_t>(*system, "DoubleClickTime", 0);
  s.mouseSpeed = json::getInt<uint16_t>(*system, "MouseSpeed", 0);
  s.pointerPrecision = json::getInt<uint16_t>(*system, "PointerPrecision", 0);
  s.scrollPage = json::getInt<uint16_t>(*system, "ScorllPage", 0);
  s.wheelScrollLines = json::getInt<uint16_t>(*system, "WheelScorlllinse", 0);
  if (const Json::Value* report = section("ReportStages", Shape::Object))
    s.reportRate = json::getInt<uint16_t>(*report, "StageActive", 0);
  wordsCache_ = packMouseSystemWords(s);
  return wordsCache_;
}

void CMouseProfiledata::setSystemWords(const SystemWords& words) {
  auto l = lock();
  wordsCache_ = words;
  const MouseSystemStages s = unpackMouseSystemWords(words);
  Json::Value& system = writableSection("SystemStages", Shape::Object);
  system["DoubleClickTime"] = s.doubleClickTime;
  system["MouseSpeed"] = s.mouseSpeed;
  system["PointerPrecision"] = s.pointerPrecision;
  system["ScorllPage"] = s.scrollPage;
  system["WheelScorlllinse"] = s.wheelScrollLines;
  writableSection("ReportStages", Shape::Object)["StageActive"] = s.reportRate;
}

std::vector<CorrectPreset> CMouseProfiledata::getCorrectInfo() const {
  auto l = lock();
  if (const Json::Value* s = section("CorrectInfo", Shape::Array)) {
    std::vector<CorrectPreset> presets;
    presets.reserve(s->size());
    for (const Json::Value& p : *s) presets.push_back(section::readCorrect(p));
    correctCache_ = std::move(presets);
  }
  return correctCache_;
}

void CMouseProfiledata::setCorrectInfo(const std::vector<CorrectPreset>& presets) {
  auto l = lock();
  correctCache_ = presets;
  Json::Value array(Json::arrayValue);
  for (const CorrectPreset& p : presets) array.append(section::writeCorrect(p));
  writableSection("CorrectInfo", Shape::Array) = array;
}

}  // namespace tessel
