#include "shell/light_control.h"

#include <array>

namespace tessel {

namespace {

// Row by kind: keyboard mode, mouse, mousepad and headset mode positions.
constexpr std::array<std::array<int, 4>, kSameLightKindCount> kSameLightTable = {{
    {5, 2, 2, 2},
    {6, 3, 3, 3},
    {23, 4, 4, 4},
    {4, 1, 1, 1},
    {28, 9, 8, 8},
}};

// Column of the table for a device type code, or -1.
int sameLightColumn(int typeCode) {
  switch (typeCode) {
    case 1:
    case 9: return 0;
    case 2:
    case 6: return 1;
    case 3: return 2;
    case 7: return 3;
    default: return -1;
  }
}

}  // namespace

std::optional<int> sameLightKind(int typeCode, int mode) {
  const int column = sameLightColumn(typeCode);
  if (column < 0) return std::nullopt;
  for (int kind = 0; kind < kSameLightKindCount; ++kind)
    if (kSameLightTable[static_cast<size_t>(kind)][static_cast<size_t>(column)] == mode) return kind;
  return std::nullopt;
}

std::optional<int> sameLightMode(int typeCode, int kind) {
  const int column = sameLightColumn(typeCode);
  if (column < 0 || kind < 0 || kind >= kSameLightKindCount) return std::nullopt;
  return kSameLightTable[static_cast<size_t>(kind)][static_cast<size_t>(column)];
}

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
