#pragma once
// The palette dialog's file "color_option_info.config" in the user data
// folder: 20 preset swatches with the selected one, and 20 favourite slots
// ("UserData" "1" when a slot holds a colour) with the selected one. Colours
// are stored as 8 upper-case hexadecimal digits of the ARGB value.
//
//   {"coloroptioninfo": {
//      "palletDialogcoloroption": [{"color": "FF3366CC"}, ... 20],
//      "palletDialogcoloroption_selectitem": 3,
//      "palletDialogcollectcoloroption": [{"color": "FF00FF00", "UserData": "1"}, ... 20],
//      "palletDialogcollectcoloroption_selectitem": 0}}
//
// A missing file reads as nothing stored (the dialog keeps its layout's own
// swatches); an unparsable one is kept aside by the JSON file reader and reads
// the same. The file is replaced atomically.
#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tessel {

inline constexpr std::string_view kPaletteFileName = "color_option_info.config";
inline constexpr int kPaletteSwatchCount = 20;

struct PaletteFavourite {
  uint32_t argb = 0;
  bool used = false;  // "UserData" == "1"
  bool operator==(const PaletteFavourite&) const = default;
};

struct PaletteState {
  // 0: nothing stored for that swatch (the dialog keeps its own colour).
  std::array<uint32_t, kPaletteSwatchCount> presets{};
  int presetSelection = -1;  // -1: none
  std::array<PaletteFavourite, kPaletteSwatchCount> favourites{};
  int favouriteSelection = -1;  // -1: none
  bool operator==(const PaletteState&) const = default;
};

// "FF3366CC" for 0xFF3366CC.
std::string formatArgb(uint32_t argb);
// Exactly 8 hexadecimal digits (either case); nullopt otherwise.
std::optional<uint32_t> parseArgb(std::string_view text);

// user data folder / "color_option_info.config".
std::filesystem::path paletteFilePath();

// nullopt when the file is missing or not a palette file. Colours that do not
// parse read as 0 (not stored); selections outside 0..19 read as -1.
std::optional<PaletteState> readPaletteFile(const std::filesystem::path& path);
// Parses the JSON text of a palette file (the fuzzer's entry as well).
std::optional<PaletteState> parsePaletteText(std::string_view text);
// The styled JSON text written for `state`.
std::string paletteText(const PaletteState& state);
// False when the file could not be written (the old file stays as it was).
bool writePaletteFile(const std::filesystem::path& path, const PaletteState& state);

}  // namespace tessel
