#include "config/key_assignment.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "config/function_codes.h"

namespace tessel {

namespace {

using namespace function_type;

// A list position that is inside a list of n items, or -1.
int bounded(int position, size_t n) { return position >= 0 && static_cast<size_t>(position) < n ? position : -1; }

std::optional<int> position(std::span<const CodeEntry> table, const FunctionCode& code) {
  if (const auto at = findCode(table, code)) return static_cast<int>(*at);
  return std::nullopt;
}

int boxValue(const std::string& text, int lo, int hi) { return std::clamp(readDecimalBox(text), lo, hi); }

// The check that a left modifier bit selects: Ctrl 1, Shift 2, Alt 3, Windows 4.
int checkForLeftModifier(uint8_t bit) {
  switch (bit) {
    case modifier_bit::kLeftCtrl: return 1;
    case modifier_bit::kLeftShift: return 2;
    case modifier_bit::kLeftAlt: return 3;
    case modifier_bit::kLeftWin: return 4;
    default: return 0;
  }
}

}  // namespace

int readDecimalBox(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  bool any = false;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    any = true;
    value = std::min<long long>(value * 10 + (text[i] - '0'), static_cast<long long>(INT_MAX) + 1);
  }
  if (!any) return 0;
  if (negative) return static_cast<int>(std::max<long long>(-value, INT_MIN));
  return static_cast<int>(std::min<long long>(value, INT_MAX));
}

void KeySetModel::setMacroNames(std::vector<std::string> names) {
  macroNames_ = std::move(names);
  state_.macro = bounded(state_.macro, macroNames_.size());
}

void KeySetModel::resetControls() {
  state_ = KeySetState{};
  state_.mouseButton = 0;
  state_.swingCount = state_.wheelCount = "1";
  state_.swingDelay = state_.swingSpeed = state_.wheelDelay = state_.wheelSpeed = "0";
  state_.stage = 0;
  state_.fireInterval = state_.fireCount = "0";
  state_.media = 0;
  state_.system = 0;
  state_.macro = macroNames_.empty() ? -1 : 0;
  state_.macroEndMode = 0;
  state_.macroRepeat = "1";
  state_.recoil = 0;
  state_.shortcut = 0;
}

void KeySetModel::loadRecord(const FunctionCode& assigned, const FunctionCode& defaultCode) {
  assigned_ = assigned;
  default_ = defaultCode;
  resetControls();
  showCode(assigned_);
}

void KeySetModel::showDefault() { showCode(default_); }

void KeySetModel::cancel() { showCode(assigned_); }

void KeySetModel::clear() {
  assigned_ = default_ = FunctionCode{};
  resetControls();
}

void KeySetModel::selectModifierCheck(int check) {
  state_.modifierCheck = check >= 0 && check < kModifierCheckCount ? check : -1;
}

void KeySetModel::clearKeyBox() {
  state_.keyName.clear();
  state_.capturedCode = FunctionCode{kKeyboardKey, 0, 0};
}

void KeySetModel::showCode(const FunctionCode& code) {
  KeySetState& s = state_;
  if (code == default_) {
    s.function = FunctionList::Default;
    return;
  }
  switch (code.type) {
    case kMouseButton:
      s.mouseButton = position(mouseButtonTable(), code).value_or(-1);
      s.function = FunctionList::MouseButton;
      return;
    case kStage:
      s.stage = position(stageFunctionTable(), code).value_or(-1);
      s.function = FunctionList::Stage;
      return;
    case kMedia:
      s.media = position(mediaTable(), code).value_or(-1);
      s.function = FunctionList::Media;
      return;
    case kSystem:
      s.system = position(systemTable(), code).value_or(-1);
      s.function = FunctionList::System;
      return;
    case kHorizontalScroll:
      s.swingDelay = std::to_string(code.param1 >> 4);
      s.swingSpeed = std::to_string(code.param1 & 0x0F);
      s.swingCount = std::to_string(code.param2 & 0x7F);
      s.swingDirection = code.param2 & 0x80 ? kSwingRight : kSwingLeft;
      s.function = FunctionList::HorizontalScroll;
      return;
    case kVerticalScroll: {
      const bool down = code.param2 & 0x80;
      s.wheelDelay = std::to_string(code.param1 >> 4);
      s.wheelSpeed = std::to_string(code.param1 & 0x0F);
      s.wheelCount = std::to_string(down ? 128 - (code.param2 & 0x7F) : code.param2 & 0x7F);
      s.wheelDirection = down ? kWheelDown : kWheelUp;
      s.function = FunctionList::VerticalScroll;
      return;
    }
    case kFire:
      s.fireInterval = std::to_string(code.param1);
      s.fireCount = std::to_string(code.param2);
      s.function = FunctionList::Fire;
      return;
    case kMacro:
      if (code.param1 < macroNames_.size()) {
        s.macro = code.param1;
        s.macroEndMode = bounded(code.param2, kMacroRepeatItem);
      } else {
        s.macro = -1;
        s.macroEndMode = -1;
      }
      s.function = FunctionList::Macro;
      return;
    case kMacroRepeat:
      s.macro = bounded(code.param1, macroNames_.size());
      s.macroEndMode = kMacroRepeatItem;
      s.macroRepeat = std::to_string(code.param2);
      s.function = FunctionList::Macro;
      return;
    case kRecoil:
      s.recoil = bounded(code.param1, recoilPatternNames().size());
      s.function = FunctionList::Recoil;
      return;
    case kShortcutList:
      s.shortcut = -1;
      s.function = FunctionList::Shortcut;
      return;
    case kKeyboardKey:
      break;
    default:
      // A code the editor has no page for (none, sensitivity shift, Fn ...):
      // nothing is selected, and saving keeps it as it is.
      s.function = FunctionList::None;
      return;
  }

  if (code.param1 > 8) {
    s.shortcut = position(shortcutTable(), code).value_or(-1);
    s.function = FunctionList::Shortcut;
    return;
  }
  const auto key = findKeyByUsage(code.param2);
  if (code.param1 == 0) {
    s.modifierCheck = key ? 0 : -1;
  } else {
    // Only one left modifier fits the checks; anything else drops to none.
    s.modifierCheck = checkForLeftModifier(code.param1);
  }
  if (key) {
    s.keyName = std::string(keyTable()[*key].name);
    // Keeping the shown key as the captured one lets the user change only the
    // modifier (Ctrl+C to Alt+C) without pressing C again.
    s.capturedCode = keyTable()[*key].code;
  } else {
    s.keyName.clear();
    s.capturedCode = FunctionCode{kKeyboardKey, 0, 0};
  }
  s.function = FunctionList::KeyboardKey;
}

FunctionCode KeySetModel::buildCode() const {
  const KeySetState& s = state_;
  auto fromTable = [this](std::span<const CodeEntry> table, int at) {
    return at >= 0 && static_cast<size_t>(at) < table.size() ? table[at].code : assigned_;
  };
  auto speedByte = [](const std::string& delay, const std::string& speed) {
    return static_cast<uint8_t>(boxValue(delay, 0, 15) * 16 + boxValue(speed, 0, 15));
  };
  switch (s.function) {
    case FunctionList::None:
      return assigned_;
    case FunctionList::Default:
      return default_;
    case FunctionList::MouseButton:
      return fromTable(mouseButtonTable(), s.mouseButton);
    case FunctionList::HorizontalScroll: {
      const int count = boxValue(s.swingCount, kScrollCountMin, kScrollCountMax);
      return FunctionCode{kHorizontalScroll, speedByte(s.swingDelay, s.swingSpeed),
                          static_cast<uint8_t>(count | (s.swingDirection == kSwingRight ? 0x80 : 0))};
    }
    case FunctionList::VerticalScroll: {
      const int count = boxValue(s.wheelCount, kScrollCountMin, kScrollCountMax);
      const uint8_t p2 = s.wheelDirection == kWheelDown ? static_cast<uint8_t>(((128 - count) & 0x7F) | 0x80)
                                                        : static_cast<uint8_t>(count);
      return FunctionCode{kVerticalScroll, speedByte(s.wheelDelay, s.wheelSpeed), p2};
    }
    case FunctionList::Stage:
      return fromTable(stageFunctionTable(), s.stage);
    case FunctionList::Fire:
      return FunctionCode{kFire, static_cast<uint8_t>(boxValue(s.fireInterval, 0, 255)),
                          static_cast<uint8_t>(boxValue(s.fireCount, 0, 255))};
    case FunctionList::KeyboardKey: {
      const uint8_t p1 = s.modifierCheck <= 0 ? 0 : static_cast<uint8_t>(1u << (s.modifierCheck - 1));
      const uint8_t p2 = s.keyName.empty() ? 0 : s.capturedCode.param2;
      return FunctionCode{kKeyboardKey, p1, p2};
    }
    case FunctionList::Media:
      return fromTable(mediaTable(), s.media);
    case FunctionList::System:
      return fromTable(systemTable(), s.system);
    case FunctionList::Macro: {
      if (bounded(s.macro, macroNames_.size()) < 0) return assigned_;
      const auto p1 = static_cast<uint8_t>(s.macro);
      if (s.macroEndMode == kMacroRepeatItem)
        return FunctionCode{kMacroRepeat, p1, static_cast<uint8_t>(boxValue(s.macroRepeat, 0, 255))};
      return FunctionCode{kMacro, p1, static_cast<uint8_t>(std::max(0, bounded(s.macroEndMode, kMacroRepeatItem)))};
    }
    case FunctionList::Recoil:
      if (bounded(s.recoil, recoilPatternNames().size()) < 0) return assigned_;
      return FunctionCode{kRecoil, static_cast<uint8_t>(s.recoil), 0};
    case FunctionList::Shortcut:
      return fromTable(shortcutTable(), s.shortcut);
  }
  return default_;
}

bool KeySetModel::canStore() const {
  if (state_.function != FunctionList::KeyboardKey) return true;
  const FunctionCode code = buildCode();
  return code.param1 != 0 || code.param2 != 0;
}

bool KeySetModel::captureKey(uint8_t scanCode, bool extended) {
  const auto at = findKeyByScanCode(scanCode, extended);
  if (!at) return false;
  const KeyEntry& k = keyTable()[*at];
  if (k.code.type != kKeyboardKey) return false;
  if (k.code.param2 == 0) {
    // A modifier: left and right variants select the same check.
    const int n = static_cast<int>(*at) + 1;
    state_.modifierCheck = n % 5 + n / 5;
    state_.keyName.clear();
  } else {
    if (state_.modifierCheck < 0) state_.modifierCheck = 0;
    state_.keyName = std::string(k.name);
  }
  state_.capturedCode = k.code;
  return true;
}

}  // namespace tessel
