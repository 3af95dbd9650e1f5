#include "shell/light_control.h"

namespace tessel {

LightControl::Change LightControl::toggle() {
  on_ = !on_;
  return {on_, on_ ? 1 : 0, on_ ? kLightControlOnText : kLightControlOffText};
}

std::optional<LightControl::Change> LightControl::request(unsigned long long wParam, long long lParam) {
  if (wParam != 1) return std::nullopt;
  Change change{on_, std::nullopt, std::nullopt};
  if (lParam == 0 || lParam == 1) {
    on_ = lParam == 1;
    change.state = on_;
    change.text = on_ ? kLightControlOnText : kLightControlOffText;
  }
  return change;
}

}  // namespace tessel
