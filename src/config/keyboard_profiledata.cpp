#include "config/keyboard_profiledata.h"

#include <json/json.h>

#include "config/section_codec.h"

namespace tessel {

void CKeyboardProfiledata::clearOwnCaches() { stagesCache_ = {}; }

KeyboardSystemStages CKeyboardProfiledata::getSystemStages() const {
  auto l = lock();
  const Json::Value* s = section("SystemStages", Shape::Object);
  if (!s) {
    stagesCache_ = {};
    return stagesCache_;
  }
  stagesCache_ = section::readKeyboardSystem(*s);
  return stagesCache_;
}

void CKeyboardProfiledata::setSystemStages(const KeyboardSystemStages& k) {
  auto l = lock();
  stagesCache_ = k;
  section::writeKeyboardSystem(k, writableSection("SystemStages", Shape::Object));
}

}  // namespace tessel
