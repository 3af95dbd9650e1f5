#include "config/keyboard_profiledata.h"

#include <json/json.h>

#include "platform/json_access.h"

namespace tessel {

void CKeyboardProfiledata::clearOwnCaches() { stagesCache_ = {}; }

KeyboardSystemStages CKeyboardProfiledata::getSystemStages() const {
  auto l = lock();
  const Json::Value* s = section("SystemStages", Shape::Object);
  if (!s) {
    stagesCache_ = {};
    return stagesCache_;
  }
  KeyboardSystemStages k;
  k.repeat = json::getInt<uint16_t>(*s, "Repeat", 0);
  k.repeatDelay = json::getInt<uint16_t>(*s, "RepeatDelay", 0);
  k.key6Flag = json::getInt<uint16_t>(*s, "Key6Flag", 0);
  k.pollingRate = json::getInt<uint16_t>(*s, "PollingRate", 0);
  k.wFlag = json::getInt<uint16_t>(*s, "WFlag", 0);
  k.winFlag = json::getInt<uint16_t>(*s, "WinFlag", 0);
  stagesCache_ = k;
  return stagesCache_;
}

void CKeyboardProfiledata::setSystemStages(const KeyboardSystemStages& k) {
  auto l = lock();
  stagesCache_ = k;
  Json::Value& s = writableSection("SystemStages", Shape::Object);
  s["Repeat"] = k.repeat;
  s["RepeatDelay"] = k.repeatDelay;
  s["Key6Flag"] = k.key6Flag;
  s["PollingRate"] = k.pollingRate;
  s["WFlag"] = k.wFlag;
  s["WinFlag"] = k.winFlag;
}

}  // namespace tessel
