#pragma once
// "main.ini" in the user data folder: the last skin image chosen, section
// "SKINIMAGE", keys "FLAGS" ("1" after a preset image, "0" after a reset) and
// "IMAGE". Only written; every start begins with the layout's own background.
#include <filesystem>
#include <string>
#include <string_view>

namespace tessel {

inline constexpr std::string_view kSkinRecordFileName = "main.ini";
inline constexpr std::string_view kDefaultSkinImage = "common/background.png";

// Sets one key of an INI text, keeping every other line: the key is replaced
// in its section, added at the section's end, or the section is appended.
std::string setIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

// Writes FLAGS and IMAGE (line breaks in the image are dropped), replacing
// the file atomically. false when the write failed.
bool writeSkinRecord(const std::filesystem::path& file, bool presetImage, std::string_view image);

}  // namespace tessel
