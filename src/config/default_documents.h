#pragma once
// Where the factory files live and the names of the documents.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tessel {

// <DefaultData>/<kind name>.Json, or nullopt when no installation folder is found.
std::optional<std::filesystem::path> defaultDocumentPath(std::string_view kindName);
// <DefaultData>/default_light.json, or nullopt.
std::optional<std::filesystem::path> lightModeListPath();
// <device data folder>/<profile identifier>.Json
std::filesystem::path profileDocumentPath(const std::filesystem::path& deviceFolder,
                                          std::string_view profileId);
// The kind index of a kind name ("keyboard" 0, "mouse" 1, "MousePad" 2, "HD" 3), or -1.
int kindIndexOfName(std::string_view kindName);

}  // namespace tessel
