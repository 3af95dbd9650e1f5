#include "devices/keyboard/keyboard_key_names.h"

namespace tessel::keyboard {

std::vector<NamePart> assignmentName(const FunctionCode& code, std::span<const std::string> macroNames) {
  // A key with neither modifier nor usage assigns nothing.
  if ((code.type == function_type::kKeyboardKey || code.type == function_type::kNone) && code.param1 == 0 &&
      code.param2 == 0)
    return {NamePart{NamePart::Kind::Key, std::string(kNoneName)}};
  return FunctionName(code, macroNames);
}

KeyView keyView(size_t position, const KeyListEntry& entry, std::span<const std::string> macroNames) {
  KeyView v;
  v.entry = entry;
  v.name = assignmentName(entry.assignment, macroNames);
  if (position < kPositions) v.highlighted = v.name != assignmentName(kPositionDefaults[position], macroNames);
  return v;
}

std::array<KeyView, kPositions> keyViews(std::span<const KeyListEntry> entries,
                                         std::span<const std::string> macroNames) {
  std::array<KeyView, kPositions> views;
  for (size_t j = 0; j < kPositions; ++j) {
    const FunctionCode d = kPositionDefaults[j];
    const KeyListEntry e = j < entries.size() ? entries[j] : KeyListEntry{d, d};
    views[j] = keyView(j, e, macroNames);
  }
  return views;
}

std::optional<CellName> parseCellName(std::string_view name) {
  const size_t cut = name.rfind('_');
  if (cut == std::string_view::npos) return std::nullopt;
  const std::string_view prefix = name.substr(0, cut);
  const std::string_view digits = name.substr(cut + 1);
  CellName cell;
  if (prefix == "key") cell.kind = CellName::Kind::Key;
  else if (prefix == "light") cell.kind = CellName::Kind::Light;
  else return std::nullopt;
  // Plain decimal digits only: no sign, no spaces, nothing after them, and
  // few enough that the value cannot overflow before the bound check.
  if (digits.empty() || digits.size() > 3) return std::nullopt;
  size_t value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<size_t>(c - '0');
  }
  if (value >= kPositions) return std::nullopt;
  cell.position = value;
  return cell;
}

bool keyVisibleOnTab(size_t position, int tabCode) {
  if (position == kFnPosition) return tabCode == kLightingTab;
  return position < kPositions;
}

}  // namespace tessel::keyboard
