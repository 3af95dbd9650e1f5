#pragma once
// What the keyboard page's 170 key buttons show, and how the skin's cell
// names ("key_" + position, "light_" + position) become positions. Pure
// functions: the controller and the page call them, tests pin them.
#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/document_records.h"
#include "config/function_codes.h"
#include "devices/keyboard/keyboard_layout.h"

namespace tessel::keyboard {

// The tooltip of a key button: the text keyed "Key_Set" followed by the name.
inline constexpr std::string_view kKeySetTooltipKey = "Key_Set";

// One key button of the key list.
struct KeyView {
  KeyListEntry entry;            // the position's assignment and its default
  std::vector<NamePart> name;    // the assignment's name, parts to translate and join
  bool highlighted = false;      // the name differs from the position's own key's name
  bool operator==(const KeyView&) const = default;
};

// The name an assignment shows: keys (types 0 and 0x20) as their modifiers
// and key joined with "+", "close_text" when nothing is assigned, macro
// bindings as the macro's name (nothing for an index past the list), the
// other codes as the function tables name them.
std::vector<NamePart> assignmentName(const FunctionCode& code, std::span<const std::string> macroNames);

// The view of position `position` with assignment `entry` (positions past
// the layout show nothing highlighted).
KeyView keyView(size_t position, const KeyListEntry& entry, std::span<const std::string> macroNames);

// Every position's view; positions missing from `entries` show their default.
std::array<KeyView, kPositions> keyViews(std::span<const KeyListEntry> entries,
                                         std::span<const std::string> macroNames);

// A skin cell's name split at its last underscore: "key_5" is key button 5,
// "light_12" light cell 12. Anything else (another prefix, a number that is
// not plain decimal digits such as "key_-1", "key_x", "key_+3", "key_05x",
// or a position not below 170) is nothing.
struct CellName {
  enum class Kind { Key, Light };
  Kind kind = Kind::Key;
  size_t position = 0;
  bool operator==(const CellName&) const = default;
};
std::optional<CellName> parseCellName(std::string_view name);

// The function tabs of the keyboard page.
inline constexpr int kLightingTab = 1;
inline constexpr int kKeyTab = 2;
// The Fn key (position 110) is shown only on the lighting tab (it can be
// painted there but not reassigned); every other key is always shown.
bool keyVisibleOnTab(size_t position, int tabCode);

}  // namespace tessel::keyboard
