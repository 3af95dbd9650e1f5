#pragma once
// Small pieces of the main window's work that need no window: the
// identification block sent to the test tool, the language list and the DPI
// chosen for a monitor. (The audio companion's data: services/audio_levels.h.)
#include <json/json.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tessel {

// The 1024-byte block of 32-bit integers answering an identification request:
// the version record (2, 3, 0, 2), the number of device-option rows, then each
// row's VID, PID and type code; the rest zero.
std::array<int32_t, 256> identificationBlock();

struct LanguageEntry {
  uint32_t id = 0;
  std::string name;  // "Language_name"
  std::string file;  // "Language_file"
};

// The "Language" array of "Language.config" (entries without an id are kept
// with id 0; a missing or broken file gives an empty list).
std::vector<LanguageEntry> readLanguageList(const Json::Value& config);
// Position of the first entry with the saved id, else 0.
int languageIndexFor(const std::vector<LanguageEntry>& list, std::optional<uint32_t> savedId);
// Whether switching from `current` to `next` replaces the UI fonts with the
// one family every language shares (indices 0, 2 and 15, or no language yet).
bool languageNeedsFontSwap(int current, int next);

// DPI for a monitor of this size: 144 above 1500 x 960, else 96.
int dpiForMonitor(int width, int height);

}  // namespace tessel
