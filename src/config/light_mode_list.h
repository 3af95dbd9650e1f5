#pragma once
// The light-mode list "default_light.json": per kind index, the model's
// built-in light modes in page order (name, visible, code sent to the device)
// and the names of its light areas. Read-only factory data.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tessel {

inline constexpr std::string_view kLightModeListFile = "default_light.json";

// Kind indices of the light-mode list and the light-effect library.
inline constexpr int kKindIndexKeyboard = 0;
inline constexpr int kKindIndexMouse = 1;
inline constexpr int kKindIndexMousePad = 2;
inline constexpr int kKindIndexHeadset = 3;

struct LightModeEntry {
  std::string name;     // "LightName": a language key the skins translate
  bool visible = true;  // "visible": hidden entries keep their position
  uint8_t code = 0;     // "value": the mode byte the device receives
  bool operator==(const LightModeEntry&) const = default;
};

class LightModeList {
 public:
  // Reads the file; false (and an empty list) when it is missing or unparsable.
  bool load(const std::filesystem::path& path);
  // Same from text (comments allowed).
  bool parse(std::string_view text);

  // The built-in modes / area names of one kind index; empty when absent.
  const std::vector<LightModeEntry>& modes(int kindIndex) const;
  const std::vector<std::string>& areas(int kindIndex) const;
  // Number of built-in modes of a kind (select items at or past it are user sequences).
  std::size_t modeCount(int kindIndex) const { return modes(kindIndex).size(); }

  // Position of a mode code in the kind's list, or -1.
  int positionOfCode(int kindIndex, uint8_t code) const;

  std::size_t kindCount() const { return modes_.size(); }

 private:
  std::vector<std::vector<LightModeEntry>> modes_;
  std::vector<std::vector<std::string>> areas_;
};

}  // namespace tessel
