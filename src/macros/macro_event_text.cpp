#include "macros/macro_event_text.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <vector>

#include "config/function_codes.h"

namespace tessel::macros {

namespace {

constexpr size_t kModifierRows = 8;  // the first rows of the key table

struct NamedButton {
  std::string_view name;
  uint8_t button;
};
constexpr std::array<NamedButton, 5> kMouseButtons{
    {{"left", 1}, {"right", 2}, {"middle", 4}, {"forward", 16}, {"back", 8}}};

struct Move {
  std::string_view name;
  uint8_t type;
  bool down;
};
constexpr std::array<Move, 4> kMoves{{{"move-left", event_type::kMouseX, true},
                                      {"move-right", event_type::kMouseX, false},
                                      {"move-up", event_type::kMouseY, true},
                                      {"move-down", event_type::kMouseY, false}}};

bool sameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string_view shortName(std::string_view keyName) {
  if (keyName.substr(0, kKeyNamePrefix.size()) == kKeyNamePrefix) keyName.remove_prefix(kKeyNamePrefix.size());
  return keyName;
}

std::vector<std::string_view> words(std::string_view text) {
  std::vector<std::string_view> out;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    const size_t start = i;
    while (i < text.size() && text[i] != ' ' && text[i] != '\t') ++i;
    if (i > start) out.push_back(text.substr(start, i - start));
  }
  return out;
}

// A whole word as a number within [0, max]: decimal, or hexadecimal after "0x".
std::optional<uint32_t> number(std::string_view w, uint32_t max) {
  int base = 10;
  if (w.size() > 2 && w[0] == '0' && (w[1] == 'x' || w[1] == 'X')) {
    w.remove_prefix(2);
    base = 16;
  }
  if (w.empty() || w.size() > 8) return std::nullopt;
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(w.data(), w.data() + w.size(), value, base);
  if (ec != std::errc() || end != w.data() + w.size() || value > max) return std::nullopt;
  return value;
}

std::string quoted(std::string_view w) { return "\"" + std::string(w) + "\""; }

EventTextParse refuse(std::string why) {
  EventTextParse p;
  p.error = std::move(why);
  return p;
}

std::string hex2(unsigned v) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s = "0x";
  s += kDigits[(v >> 4) & 0xF];
  s += kDigits[v & 0xF];
  return s;
}

}  // namespace

EventTextParse parseEventText(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t')
      return refuse("the event text holds a control character");
  const auto w = words(text);
  if (w.size() < 3) return refuse("an event is ACTION WHAT ... DELAY, e.g. \"down key A 30\"");
  MacroEvent e;
  if (sameWord(w[0], "down")) {
    e.down = true;
  } else if (sameWord(w[0], "up")) {
    e.down = false;
  } else {
    return refuse("the action must be \"down\" or \"up\", not " + quoted(w[0]));
  }
  // The shape first, so that "down key A" says a word is missing rather than
  // that "A" is no delay.
  size_t expected = 0;
  if (sameWord(w[1], "key") || sameWord(w[1], "mod") || sameWord(w[1], "mouse")) expected = 4;
  for (const auto& m : kMoves)
    if (sameWord(m.name, w[1])) expected = 4;
  if (sameWord(w[1], "type")) expected = 5;
  if (expected != 0 && w.size() != expected)
    return refuse(std::string(w[1]) + (expected == 4 ? " takes two more words: a name or distance, and a delay"
                                                     : " takes three more words: a type, a button and a delay"));
  const auto delay = number(w.back(), kMaxDelay);
  if (!delay) return refuse("the delay must be a number of milliseconds from 0 to 65535, not " + quoted(w.back()));
  e.delay = static_cast<uint16_t>(*delay);

  const std::string_view what = w[1];
  auto expectWords = [&](size_t n) { return w.size() == n; };
  if (sameWord(what, "key") || sameWord(what, "mod")) {
    const bool modifier = sameWord(what, "mod");
    if (!expectWords(4)) return refuse(std::string(what) + " takes one name and a delay, e.g. \"down key A 30\"");
    e.type = modifier ? event_type::kModifier : event_type::kKey;
    const auto keys = keyTable();
    const size_t first = modifier ? 0 : kModifierRows;
    const size_t last = modifier ? kModifierRows : keys.size();
    for (size_t i = first; i < last && i < keys.size(); ++i) {
      const auto& k = keys[i];
      if (!sameWord(shortName(k.name), w[2])) continue;
      if (modifier) {
        e.button = k.code.param1;
        return EventTextParse{e, {}};
      }
      if (k.code.type == function_type::kKeyboardKey && k.code.param1 == 0) {
        e.button = k.code.param2;
        return EventTextParse{e, {}};
      }
    }
    if (!modifier) {
      const bool hexWord = w[2].size() > 2 && w[2][0] == '0' && (w[2][1] == 'x' || w[2][1] == 'X');
      if (const auto usage = number(w[2], 0xFF); usage && hexWord) {
        e.button = static_cast<uint8_t>(*usage);
        return EventTextParse{e, {}};
      }
    }
    return refuse("unknown " + std::string(modifier ? "modifier" : "key") + " " + quoted(w[2]));
  }
  if (sameWord(what, "mouse")) {
    if (!expectWords(4)) return refuse("mouse takes a button and a delay, e.g. \"down mouse left 0\"");
    e.type = event_type::kMouseButton;
    for (const auto& b : kMouseButtons)
      if (sameWord(b.name, w[2])) {
        e.button = b.button;
        return EventTextParse{e, {}};
      }
    return refuse("unknown mouse button " + quoted(w[2]) + " (left, right, middle, forward or back)");
  }
  for (const auto& m : kMoves) {
    if (!sameWord(m.name, what)) continue;
    if (!expectWords(4)) return refuse(std::string(m.name) + " takes a distance and a delay, e.g. \"down move-up 5 8\"");
    if (e.down != m.down)
      return refuse(std::string(m.name) + " is a \"" + (m.down ? "down" : "up") + "\" event");
    const auto distance = number(w[2], 255);
    if (!distance) return refuse("the distance must be a number from 0 to 255, not " + quoted(w[2]));
    e.type = m.type;
    e.button = static_cast<uint8_t>(*distance);
    return EventTextParse{e, {}};
  }
  if (sameWord(what, "type")) {
    if (!expectWords(5)) return refuse("type takes a type, a button and a delay, e.g. \"down type 2 7 0\"");
    const auto type = number(w[2], event_type::kMax);
    if (!type || *type < event_type::kMin) return refuse("the type must be a number from 1 to 127, not " + quoted(w[2]));
    const auto button = number(w[3], 255);
    if (!button) return refuse("the button must be a number from 0 to 255, not " + quoted(w[3]));
    e.type = static_cast<uint8_t>(*type);
    e.button = static_cast<uint8_t>(*button);
    return EventTextParse{e, {}};
  }
  return refuse("unknown event " + quoted(what) + " (key, mod, mouse, move-left, move-right, move-up, move-down or type)");
}

std::string eventToText(const MacroEvent& e) {
  const std::string action = e.down ? "down" : "up";
  const std::string delay = std::to_string(e.delay);
  const auto keys = keyTable();
  switch (e.type) {
    case event_type::kKey:
      for (size_t i = kModifierRows; i < keys.size(); ++i) {
        const auto& k = keys[i];
        if (k.code.type == function_type::kKeyboardKey && k.code.param1 == 0 && k.code.param2 == e.button &&
            parseEventText(action + " key " + std::string(shortName(k.name)) + " 0").event == MacroEvent{e.down, e.button, e.type, 0})
          return action + " key " + std::string(shortName(k.name)) + " " + delay;
      }
      return action + " key " + hex2(e.button) + " " + delay;
    case event_type::kModifier:
      for (size_t i = 0; i < kModifierRows && i < keys.size(); ++i)
        if (keys[i].code.param1 == e.button) return action + " mod " + std::string(shortName(keys[i].name)) + " " + delay;
      break;
    case event_type::kMouseButton:
      for (const auto& b : kMouseButtons)
        if (b.button == e.button) return action + " mouse " + std::string(b.name) + " " + delay;
      break;
    case event_type::kMouseX:
    case event_type::kMouseY:
      for (const auto& m : kMoves)
        if (m.type == e.type && m.down == e.down)
          return action + " " + std::string(m.name) + " " + std::to_string(e.button) + " " + delay;
      break;
    default:
      break;
  }
  return action + " type " + std::to_string(e.type) + " " + std::to_string(e.button) + " " + delay;
}

}  // namespace tessel::macros
