#include "config/light_editor_rules.h"

#include <algorithm>

namespace tessel {

LightGroups mouseLightGroups(int modePosition) {
  //                                  multi  colour bright speed  dir    same
  switch (modePosition) {
    case 0: return {true, true, true, true, true, false};
    case 1: return {false, false, true, true, false, true};
    case 2:
    case 4:
    case 6: return {true, true, true, true, false, true};
    case 3: return {false, true, true, false, false, true};
    case 5: return {true, true, true, true, true, false};
    case 7:
    case 8: return {false, false, true, true, false, false};
    case 9: return {false, false, false, false, false, true};
    default: return {};
  }
}

LightGroups blockLightGroups(int modePosition) {
  //                                  multi  colour bright speed  dir    same
  switch (modePosition) {
    case 0: return {true, true, true, true, true, false};
    case 1: return {false, false, true, true, false, true};
    case 2:
    case 4: return {true, true, true, true, false, true};
    case 3: return {false, true, true, false, false, true};
    case 6:
    case 7: return {true, true, true, true, true, false};
    case 8: return {false, false, false, false, false, true};
    default: return {};
  }
}

LightGroups keyboardLightGroups(int modeCode) {
  // The same-light button follows the common kinds (shell/light_control.h).
  //                                   multi  colour bright speed  dir
  switch (modeCode) {
    case 1:   // column wave
    case 2:   // column wave, fine
    case 3:   // flow
    case 12:  // row wave
    case 21:  // snake
    case 24:  // sweep
      return {true, true, true, true, true, false};
    case 5:   // breathing
    case 7:   // reactive fade
    case 9:   // reactive
    case 13:  // ripple waves
    case 14:  // scripted show
    case 23:  // blink
    case 25:  // reactive fade
      return {true, true, true, true, false, false};
    case 6:   // static
    case 16:  // edge ripples (one pace)
      return {true, true, true, false, false, false};
    case 4: return {false, false, true, true, true, false};  // spectrum cycle
    case 8:                                                  // reactive rainbow
    case 10:                                                 // raindrops
    case 11:                                                 // rainbow shift
    case 15:                                                 // twinkle, fast
    case 22:                                                 // twinkle
    case 26:                                                 // four-colour breathing
    case 27:                                                 // four-colour blink
      return {false, false, true, true, false, false};
    case 17:                                                 // fixed colour (its own list)
    case 30:                                                 // external colour
      return {false, false, true, false, false, false};
    case 18: return {false, false, true, false, true, false};  // ring wave (one pace)
    case 20: return {false, true, true, false, false, false};  // custom: the painting colour
    default: return {};
  }
}

ColourBoxValue readColourBox(std::string_view text) {
  // Digits only count up to the first other character; the box is
  // number-only, so anything else comes from code or a paste.
  int value = 0;
  bool any = false;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    any = true;
    value = std::min(value * 10 + (c - '0'), 1000);  // saturates long before overflow
  }
  if (!any) return {0, "0"};
  const int v = std::min(value, 255);
  return {static_cast<uint8_t>(v), std::to_string(v)};
}

LightRecord applyLightField(LightRecord r, LightField field, int value) {
  const auto level = static_cast<uint8_t>(std::clamp(value, 0, kLightLevelMax));
  const auto byte = static_cast<uint8_t>(std::clamp(value, 0, 255));
  switch (field) {
    case LightField::Mode: r.selectItem = byte; break;
    case LightField::Brightness: r.light = level; break;
    case LightField::Speed: r.speed = level; break;
    case LightField::DirectionLeft: r.fx = 1; break;
    case LightField::DirectionRight: r.fx = 0; break;
    case LightField::MultiColour: r.multiColor = value != 0 ? 1 : 0; break;
    case LightField::Red: r.red = byte; r.multiColor = 0; break;
    case LightField::Green: r.green = byte; r.multiColor = 0; break;
    case LightField::Blue: r.blue = byte; r.multiColor = 0; break;
  }
  return r;
}

LightRecord applyLightColour(LightRecord r, uint32_t argb, bool multiColour) {
  r.red = static_cast<uint8_t>(argb >> 16);
  r.green = static_cast<uint8_t>(argb >> 8);
  r.blue = static_cast<uint8_t>(argb);
  r.multiColor = multiColour ? 1 : 0;
  return r;
}

std::optional<std::string> lightModeName(int selectItem, const std::vector<std::string>& modeNames,
                                         const std::vector<std::string>& sequenceNames) {
  if (selectItem < 0) return std::nullopt;
  if (selectItem < kFirstUserSequenceItem) {
    if (static_cast<size_t>(selectItem) < modeNames.size()) return modeNames[static_cast<size_t>(selectItem)];
    return std::nullopt;
  }
  const auto n = static_cast<size_t>(selectItem - kFirstUserSequenceItem);
  if (n < sequenceNames.size()) return sequenceNames[n];
  return std::nullopt;
}

}  // namespace tessel
