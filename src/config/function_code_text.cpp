#include "config/function_code_text.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <vector>

#include "config/function_codes.h"

namespace tessel {

namespace {

using namespace function_type;

struct Word {
  std::string_view text;
  uint8_t value;
};

constexpr std::array<Word, 5> kMouseWords{{
    {"left", 0x01}, {"right", 0x02}, {"middle", 0x04}, {"back", 0x08}, {"forward", 0x10}}};
constexpr std::array<Word, 3> kDpiWords{{{"up", 1}, {"down", 2}, {"cycle", 3}}};
constexpr std::array<Word, 3> kSystemWords{{{"power", 0x01}, {"sleep", 0x02}, {"wake", 0x04}}};
constexpr std::array<Word, 4> kSpecialWords{{{"disabled", 0x00}, {"fn", 0x01}, {"smart", 0x02}, {"gm", 0x1B}}};
// Modifier words, left ones first so that printing picks the short form.
constexpr std::array<Word, 12> kModifierWords{{
    {"ctrl", modifier_bit::kLeftCtrl},   {"shift", modifier_bit::kLeftShift},
    {"alt", modifier_bit::kLeftAlt},     {"win", modifier_bit::kLeftWin},
    {"rctrl", modifier_bit::kRightCtrl}, {"rshift", modifier_bit::kRightShift},
    {"ralt", modifier_bit::kRightAlt},   {"rwin", modifier_bit::kRightWin},
    {"lctrl", modifier_bit::kLeftCtrl},  {"lshift", modifier_bit::kLeftShift},
    {"lalt", modifier_bit::kLeftAlt},    {"lwin", modifier_bit::kLeftWin}}};
constexpr size_t kPrintedModifiers = 8;

// Short names of the media table, position by position.
constexpr std::array<std::string_view, 18> kMediaNames{
    "player",   "play",        "stop",     "prev",        "next",          "vol_down",
    "vol_up",   "mute",        "web_home", "web_refresh", "web_stop",      "web_back",
    "web_forward", "web_favorites", "web_search", "computer", "calc",      "mail"};
// Short names of the shortcut table, position by position.
constexpr std::array<std::string_view, 11> kShortcutNames{
    "open", "new", "undo", "save", "copy", "cut", "paste", "find", "select_all", "zoom_out", "zoom_in"};

constexpr std::string_view kKinds =
    "default, none, mouse:, dpi:, key:, media:, system:, shortcut:, special:, fire:, scroll:, macro:, recoil: or raw:";

bool equalNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && equalNoCase(s.substr(0, prefix.size()), prefix);
}

template <size_t N>
std::optional<uint8_t> findWord(const std::array<Word, N>& words, std::string_view text) {
  for (const auto& w : words)
    if (equalNoCase(w.text, text)) return w.value;
  return std::nullopt;
}

template <size_t N>
std::string_view wordFor(const std::array<Word, N>& words, uint8_t value) {
  for (const auto& w : words)
    if (w.value == value) return w.text;
  return {};
}

template <size_t N>
std::string wordList(const std::array<Word, N>& words) {
  std::string out;
  for (size_t i = 0; i < N; ++i) out += (i ? ", " : "") + std::string(words[i].text);
  return out;
}

std::string quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

std::vector<std::string_view> split(std::string_view s, char sep) {
  std::vector<std::string_view> out;
  size_t start = 0;
  for (;;) {
    const size_t at = s.find(sep, start);
    out.push_back(s.substr(start, at == std::string_view::npos ? std::string_view::npos : at - start));
    if (at == std::string_view::npos) return out;
    start = at + 1;
  }
}

// A number in decimal or 0x hex, nothing else.
std::optional<long> readNumber(std::string_view s) {
  int base = 10;
  if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty() || s.size() > 8) return std::nullopt;
  long v = 0;
  for (char c : s) {
    const int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                  : base == 16 && std::isxdigit(static_cast<unsigned char>(c))
                      ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                      : -1;
    if (d < 0) return std::nullopt;
    v = v * base + d;
  }
  return v;
}

FunctionCodeParse fail(std::string error) { return FunctionCodeParse{false, {}, std::move(error)}; }
FunctionCodeParse ok(FunctionCode code) { return FunctionCodeParse{true, code, {}}; }

// Reads field `what` into `out`, within lo..hi; on failure fills `error`.
bool readField(std::string_view field, std::string_view what, long lo, long hi, long& out, std::string& error) {
  const auto v = readNumber(field);
  if (!v) {
    error = std::string(what) + " " + quoted(field) + " is not a number";
    return false;
  }
  if (*v < lo || *v > hi) {
    error = std::string(what) + " " + std::to_string(*v) + " is out of range " + std::to_string(lo) + ".." +
            std::to_string(hi);
    return false;
  }
  out = *v;
  return true;
}

std::string wrongCount(std::string_view kind, std::string_view form) {
  return std::string(kind) + ": expected " + std::string(form);
}

FunctionCodeParse parseKey(std::string_view rest) {
  uint8_t mods = 0;
  // Leading "MOD+" parts; what is left is the key's name (which may itself
  // contain "+", as "Num +" does).
  for (bool more = true; more;) {
    more = false;
    for (const auto& w : kModifierWords) {
      if (startsWithNoCase(rest, w.text) && rest.size() > w.text.size() + 1 && rest[w.text.size()] == '+') {
        mods |= w.value;
        rest.remove_prefix(w.text.size() + 1);
        more = true;
        break;
      }
    }
  }
  if (rest.empty()) return fail("key: a key name is missing");
  if (const auto bit = findWord(kModifierWords, rest)) return ok(FunctionCode{kKeyboardKey, uint8_t(mods | *bit), 0});
  const auto at = findKeyByName(rest);
  if (!at) return fail("key: unknown key " + quoted(rest));
  const FunctionCode code = keyTable()[*at].code;
  if (code.type != kKeyboardKey) {
    if (mods != 0) return fail("key: " + quoted(rest) + " cannot take modifiers");
    return ok(code);
  }
  return ok(FunctionCode{kKeyboardKey, uint8_t(mods | code.param1), code.param2});
}

template <size_t N>
FunctionCodeParse parseNamed(std::string_view kind, std::string_view name, std::span<const CodeEntry> table,
                             const std::array<std::string_view, N>& shortNames) {
  for (size_t i = 0; i < N && i < table.size(); ++i)
    if (equalNoCase(name, shortNames[i]) || equalNoCase(name, table[i].name)) return ok(table[i].code);
  std::string names;
  for (size_t i = 0; i < N; ++i) names += (i ? ", " : "") + std::string(shortNames[i]);
  return fail(std::string(kind) + ": unknown name " + quoted(name) + " (expected " + names + ")");
}

FunctionCodeParse parseScroll(const std::vector<std::string_view>& f) {
  if (f.size() != 3 && f.size() != 5) return fail(wrongCount("scroll", "scroll:up|down|left|right:COUNT[:DELAY:SPEED]"));
  const std::string_view dir = f[1];
  const bool up = equalNoCase(dir, "up"), down = equalNoCase(dir, "down");
  const bool left = equalNoCase(dir, "left"), right = equalNoCase(dir, "right");
  if (!up && !down && !left && !right)
    return fail("scroll: unknown direction " + quoted(dir) + " (expected up, down, left, right)");
  std::string error;
  long count = 0, delay = 0, speed = 0;
  if (!readField(f[2], "scroll count", 1, 127, count, error)) return fail(error);
  if (f.size() == 5 && (!readField(f[3], "scroll delay", 0, 15, delay, error) ||
                        !readField(f[4], "scroll speed", 0, 15, speed, error)))
    return fail(error);
  const auto p1 = static_cast<uint8_t>(delay * 16 + speed);
  if (up) return ok(FunctionCode{kVerticalScroll, p1, static_cast<uint8_t>(count)});
  if (down) return ok(FunctionCode{kVerticalScroll, p1, static_cast<uint8_t>(256 - count)});
  return ok(FunctionCode{kHorizontalScroll, p1, static_cast<uint8_t>(count | (right ? 0x80 : 0))});
}

FunctionCodeParse parseMacro(const std::vector<std::string_view>& f) {
  if (f.size() != 2 && f.size() != 3) return fail(wrongCount("macro", "macro:INDEX[:MODE] or macro:INDEX:xCOUNT"));
  std::string error;
  long index = 0, second = 0;
  if (!readField(f[1], "macro index", 0, 255, index, error)) return fail(error);
  if (f.size() == 2) return ok(FunctionCode{kMacro, static_cast<uint8_t>(index), 0});
  if (!f[2].empty() && (f[2][0] == 'x' || f[2][0] == 'X')) {
    if (!readField(f[2].substr(1), "macro repeat count", 0, 255, second, error)) return fail(error);
    return ok(FunctionCode{kMacroRepeat, static_cast<uint8_t>(index), static_cast<uint8_t>(second)});
  }
  if (!readField(f[2], "macro end mode", 0, 3, second, error)) return fail(error);
  return ok(FunctionCode{kMacro, static_cast<uint8_t>(index), static_cast<uint8_t>(second)});
}

FunctionCodeParse parseDpi(const std::vector<std::string_view>& f) {
  if (f.size() == 3 && equalNoCase(f[1], "shift")) {
    std::string error;
    long v = 0;
    if (!readField(f[2], "dpi shift", 0, 65535, v, error)) return fail(error);
    return ok(FunctionCode{kDpiShift, static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)});
  }
  if (f.size() != 2) return fail(wrongCount("dpi", "dpi:up|down|cycle or dpi:shift:N"));
  if (const auto v = findWord(kDpiWords, f[1])) return ok(FunctionCode{kStage, *v, 0});
  return fail("dpi: unknown function " + quoted(f[1]) + " (expected up, down, cycle, shift:N)");
}

template <size_t N>
FunctionCodeParse parseWord(const std::vector<std::string_view>& f, std::string_view kind,
                            const std::array<Word, N>& words, uint8_t type) {
  if (f.size() != 2) return fail(wrongCount(kind, std::string(kind) + ":NAME"));
  if (const auto v = findWord(words, f[1])) return ok(FunctionCode{type, *v, 0});
  return fail(std::string(kind) + ": unknown name " + quoted(f[1]) + " (expected " + wordList(words) + ")");
}

std::string hexByte(uint8_t b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02x", b);
  return buf;
}

std::string raw(const FunctionCode& c) {
  return "raw:" + hexByte(c.type) + ":" + hexByte(c.param1) + ":" + hexByte(c.param2);
}

std::string keyNameText(std::string_view name) {
  std::string out(name);
  for (char& c : out)
    if (c == ' ') c = '_';
  return out;
}

std::string formatKeyboard(const FunctionCode& c) {
  if (const auto s = findCode(shortcutTable(), c)) return "shortcut:" + std::string(kShortcutNames[*s]);
  std::string out = "key:";
  bool first = true;
  for (size_t i = 0; i < kPrintedModifiers; ++i) {
    if (c.param1 & kModifierWords[i].value) {
      if (!first) out += "+";
      out += kModifierWords[i].text;
      first = false;
    }
  }
  if (c.param2 == 0) return first ? raw(c) : out;
  const auto k = findKeyByUsage(c.param2);
  if (!k) return raw(c);
  if (!first) out += "+";
  return out + keyNameText(shortKeyName(keyTable()[*k]));
}

std::string trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return std::string(s);
}

}  // namespace

FunctionCodeParse parseFunctionCode(std::string_view input, const FunctionCode& defaultCode) {
  const std::string text = trim(input);
  if (text.empty()) return fail("empty function (expected " + std::string(kKinds) + ")");
  if (equalNoCase(text, "default")) return ok(defaultCode);
  if (equalNoCase(text, "none")) return ok(FunctionCode{});
  const size_t colon = text.find(':');
  const std::string_view kind = std::string_view(text).substr(0, colon);
  if (colon == std::string::npos) return fail("unknown function " + quoted(text) + " (expected " + std::string(kKinds) + ")");
  const std::string_view rest = std::string_view(text).substr(colon + 1);
  if (equalNoCase(kind, "key")) return parseKey(rest);
  const auto f = split(text, ':');
  if (equalNoCase(kind, "mouse")) return parseWord(f, "mouse", kMouseWords, kMouseButton);
  if (equalNoCase(kind, "system")) return parseWord(f, "system", kSystemWords, kSystem);
  if (equalNoCase(kind, "special")) return parseWord(f, "special", kSpecialWords, kSpecial);
  if (equalNoCase(kind, "dpi")) return parseDpi(f);
  if (equalNoCase(kind, "media")) return parseNamed("media", rest, mediaTable(), kMediaNames);
  if (equalNoCase(kind, "shortcut")) return parseNamed("shortcut", rest, shortcutTable(), kShortcutNames);
  if (equalNoCase(kind, "scroll")) return parseScroll(f);
  if (equalNoCase(kind, "macro")) return parseMacro(f);
  std::string error;
  if (equalNoCase(kind, "fire")) {
    if (f.size() != 3) return fail(wrongCount("fire", "fire:INTERVAL:COUNT"));
    long interval = 0, count = 0;
    if (!readField(f[1], "fire interval", 0, 255, interval, error) ||
        !readField(f[2], "fire count", 0, 255, count, error))
      return fail(error);
    return ok(FunctionCode{kFire, static_cast<uint8_t>(interval), static_cast<uint8_t>(count)});
  }
  if (equalNoCase(kind, "recoil")) {
    if (f.size() != 2) return fail(wrongCount("recoil", "recoil:G"));
    long g = 0;
    if (!readField(f[1], "recoil pattern", 0, static_cast<long>(recoilPatternNames().size()) - 1, g, error))
      return fail(error);
    return ok(FunctionCode{kRecoil, static_cast<uint8_t>(g), 0});
  }
  if (equalNoCase(kind, "raw")) {
    if (f.size() != 4) return fail(wrongCount("raw", "raw:TYPE:P1:P2"));
    long b[3] = {};
    const char* what[3] = {"raw type", "raw p1", "raw p2"};
    for (int i = 0; i < 3; ++i)
      if (!readField(f[i + 1], what[i], 0, 255, b[i], error)) return fail(error);
    return ok(FunctionCode{static_cast<uint8_t>(b[0]), static_cast<uint8_t>(b[1]), static_cast<uint8_t>(b[2])});
  }
  return fail("unknown function " + quoted(kind) + " (expected " + std::string(kKinds) + ")");
}

std::string formatFunctionCode(const FunctionCode& c) {
  switch (c.type) {
    case kNone:
      if (c.param1 == 0 && c.param2 == 0) return "none";
      break;
    case kMouseButton:
      if (c.param2 == 0)
        if (const auto w = wordFor(kMouseWords, c.param1); !w.empty()) return "mouse:" + std::string(w);
      break;
    case kStage:
      if (c.param2 == 0)
        if (const auto w = wordFor(kDpiWords, c.param1); !w.empty()) return "dpi:" + std::string(w);
      break;
    case kDpiShift:
      return "dpi:shift:" + std::to_string(c.param1 | c.param2 << 8);
    case kKeyboardKey:
      return formatKeyboard(c);
    case kMedia:
      if (const auto at = findCode(mediaTable(), c)) return "media:" + std::string(kMediaNames[*at]);
      break;
    case kSystem:
      if (c.param2 == 0)
        if (const auto w = wordFor(kSystemWords, c.param1); !w.empty()) return "system:" + std::string(w);
      break;
    case kSpecial:
      if (c.param2 == 0)
        for (const auto& w : kSpecialWords)
          if (w.value == c.param1) return "special:" + std::string(w.text);
      break;
    case kFire:
      return "fire:" + std::to_string(c.param1) + ":" + std::to_string(c.param2);
    case kHorizontalScroll:
    case kVerticalScroll: {
      const bool high = c.param2 & 0x80;
      const int count = c.type == kHorizontalScroll ? (c.param2 & 0x7F) : high ? 256 - c.param2 : c.param2;
      if (count < 1 || count > 127) break;
      const char* dir = c.type == kHorizontalScroll ? (high ? "right" : "left") : (high ? "down" : "up");
      std::string out = "scroll:" + std::string(dir) + ":" + std::to_string(count);
      if (c.param1 != 0) out += ":" + std::to_string(c.param1 >> 4) + ":" + std::to_string(c.param1 & 0x0F);
      return out;
    }
    case kMacro:
      if (c.param2 > 3) break;
      return "macro:" + std::to_string(c.param1) + (c.param2 ? ":" + std::to_string(c.param2) : "");
    case kMacroRepeat:
      return "macro:" + std::to_string(c.param1) + ":x" + std::to_string(c.param2);
    case kRecoil:
      if (c.param2 == 0 && c.param1 < recoilPatternNames().size()) return "recoil:" + std::to_string(c.param1);
      break;
    case kKeyboardMacroKey:
      if (const auto k = findKeyCode(c)) return "key:" + keyNameText(shortKeyName(keyTable()[*k]));
      break;
    default:
      break;
  }
  return raw(c);
}

std::string formatButtonValue(const FunctionCode& code, const FunctionCode& defaultCode) {
  return code == defaultCode ? "default" : formatFunctionCode(code);
}

std::vector<settings::KeyHelp> functionValueHelp() {
  auto names = [](auto list) {
    std::string out;
    for (std::string_view n : list) out += (out.empty() ? "`" : ", `") + std::string(n) + "`";
    return out;
  };
  return {
      {{"default", "none"}, "the button's factory function; no function"},
      {{"mouse:left|right|middle|back|forward"}, "a mouse button"},
      {{"dpi:up|down|cycle", "dpi:shift:N"}, "next DPI stage up / down / round; sensitivity shift to N"},
      {{"key:[MOD+]...NAME"},
       "a key, MOD = `ctrl`, `shift`, `alt`, `win` (left ones) or `rctrl`, `rshift`, `ralt`, `rwin`; `key:ctrl` "
       "alone is a modifier"},
      {{"media:NAME"}, names(kMediaNames)},
      {{"system:power|sleep|wake"}, "power off, sleep, wake up"},
      {{"shortcut:NAME"}, names(kShortcutNames) + " (right Ctrl + a key)"},
      {{"special:disabled|fn|smart|gm"}, "disabled, Fn, smart key, game mode"},
      {{"fire:INTERVAL:COUNT"}, "rapid fire, 0..255 each"},
      {{"scroll:up|down|left|right:COUNT[:DELAY:SPEED]"}, "COUNT 1..127, DELAY and SPEED 0..15"},
      {{"macro:INDEX[:MODE]", "macro:INDEX:xCOUNT"},
       "macro INDEX (from 0) played as MODE says (the editor's choices: 0 play once, 1 repeat while held, 2 repeat "
       "until any key, 3 repeat until pressed again; the device's firmware plays them), or repeated COUNT times"},
      {{"recoil:G"}, "recoil pattern slot 0..3"},
      {{"raw:TYPE:P1:P2"}, "any three bytes (hex `0x..` or decimal)"},
  };
}

}  // namespace tessel
