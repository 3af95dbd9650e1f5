// "audio-style get|set|reset": the four audio styles of "AudioFile.json" on
// the command line. The keys are the ones get prints:
//   selected=0..3          the style the audio lighting plays (style N+1 below)
//   name1..name4=TEXT      the style names (empty: the style's default name)
//   colour1..colour4=RRGGBB
// set checks every pair before it writes anything, so a bad value leaves the
// file as it was. A running tessel-rgb keeps the styles it loaded and sees
// the change on its next start.
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ostream>

#include "platform/plain_text.h"
#include "services/audio_styles.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {

namespace {

constexpr std::string_view kUsage = "usage: audio-style get, audio-style set KEY=VALUE..., audio-style reset";

std::string colourText(const AudioStyleColour& c) {
  char text[7];
  std::snprintf(text, sizeof text, "%02x%02x%02x", c.r, c.g, c.b);
  return text;
}

std::optional<AudioStyleColour> parseColour(std::string_view text) {
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  if (text.size() != 6) return std::nullopt;
  uint32_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return AudioStyleColour{static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 8),
                          static_cast<uint8_t>(value)};
}

// "name3" -> 2 for prefix "name"; nullopt for anything else.
std::optional<int> styleOfKey(std::string_view key, std::string_view prefix) {
  if (key.size() != prefix.size() + 1 || key.substr(0, prefix.size()) != prefix) return std::nullopt;
  const char d = key.back();
  if (d < '1' || d > '4') return std::nullopt;
  return d - '1';
}

void printStyles(Invocation& inv, const AudioStyleRecord& r, const std::vector<std::string>* onlyKeys = nullptr) {
  std::vector<std::pair<std::string, std::string>> lines;
  lines.emplace_back("selected", std::to_string(r.selected));
  for (int s = 0; s < kAudioStyleCount; ++s) {
    const auto i = static_cast<size_t>(s);
    // Names kept in an older file may hold anything.
    lines.emplace_back("name" + std::to_string(s + 1), printableText(r.names[i]));
    lines.emplace_back("colour" + std::to_string(s + 1), colourText(r.colours[i]));
  }
  if (inv.options.json) {
    Json::Value v(Json::objectValue);
    for (const auto& [key, value] : lines) {
      if (onlyKeys && std::find(onlyKeys->begin(), onlyKeys->end(), key) == onlyKeys->end()) continue;
      if (key == "selected") v[key] = r.selected;
      else v[key] = value;
    }
    inv.printJson(v);
    return;
  }
  for (const auto& [key, value] : lines) {
    if (onlyKeys && std::find(onlyKeys->begin(), onlyKeys->end(), key) == onlyKeys->end()) continue;
    inv.out << key << "=" << value << "\n";
  }
}

int setStyles(Invocation& inv, const std::vector<std::string>& pairs) {
  if (pairs.empty()) return inv.fail(kExitUsage, "which keys? selected=0..3, name1..name4=TEXT, colour1..colour4=RRGGBB");
  // Nothing is written before every pair has been checked, not even the
  // first start's copy of the factory file: the save below brings it along.
  AudioStyleFile file = AudioStyleFile::standard();
  file.load(false);
  if (!file.problem().empty()) return inv.fail(kExitCommandFailed, file.problem() + "; nothing was changed");
  AudioStyleRecord r = file.record();
  std::vector<std::string> keys;
  for (const std::string& pair : pairs) {
    const size_t eq = pair.find('=');
    if (eq == std::string::npos) return inv.fail(kExitUsage, "\"" + pair + "\" is not KEY=VALUE");
    const std::string key = pair.substr(0, eq);
    const std::string_view value = std::string_view(pair).substr(eq + 1);
    if (key == "selected") {
      if (value.size() != 1 || value[0] < '0' || value[0] > '3')
        return inv.fail(kExitUsage, "selected must be 0, 1, 2 or 3, not \"" + std::string(value) + "\"");
      r.selected = static_cast<uint8_t>(value[0] - '0');
    } else if (auto s = styleOfKey(key, "name")) {
      if (const NameCheck c = checkName(value); c != NameCheck::Ok)
        return inv.fail(kExitUsage, key + ": " + nameCheckText(c));
      r.names[static_cast<size_t>(*s)] = styleNameFromBox(*s, value);
    } else if (auto c = styleOfKey(key, "colour")) {
      const auto colour = parseColour(value);
      if (!colour) return inv.fail(kExitUsage, key + " must be six hexadecimal digits RRGGBB, not \"" + std::string(value) + "\"");
      r.colours[static_cast<size_t>(*c)] = *colour;
    } else {
      return inv.fail(kExitUsage, "unknown key \"" + key + "\" (selected, name1..name4, colour1..colour4)");
    }
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
  }
  if (!file.save(r))
    return inv.fail(kExitCommandFailed, file.problem().empty() ? "cannot write " + file.userFile().string() : file.problem());
  printStyles(inv, file.record(), &keys);
  return kExitOk;
}

}  // namespace

int runAudioStyle(Invocation& inv) {
  const auto& ops = inv.options.operands;
  if (ops.size() < 2) return inv.fail(kExitUsage, kUsage);
  const std::string& action = ops[1];
  if (action == "get") {
    if (ops.size() != 2) return inv.fail(kExitUsage, "get takes no arguments");
    // Only read: a first "get" shows the factory styles without writing them.
    AudioStyleFile file = AudioStyleFile::standard();
    file.load(false);
    if (!file.problem().empty()) return inv.fail(kExitCommandFailed, file.problem());
    printStyles(inv, file.record());
    return kExitOk;
  }
  if (action == "set") return setStyles(inv, std::vector<std::string>(ops.begin() + 2, ops.end()));
  if (action == "reset") {
    if (ops.size() != 2) return inv.fail(kExitUsage, "reset takes no arguments");
    AudioStyleFile file = AudioStyleFile::standard();
    if (!file.reset())
      return inv.fail(kExitCommandFailed, file.problem().empty()
                                              ? "no factory \"AudioFile.json\" to put back, or it cannot be written"
                                              : file.problem());
    printStyles(inv, file.record());
    return kExitOk;
  }
  return inv.fail(kExitUsage, "unknown action \"" + action + "\" (get, set or reset)");
}

}  // namespace tessel::tools
