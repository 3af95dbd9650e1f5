#pragma once
// Where the program keeps and finds its files.
//   user data folder:    $XDG_DATA_HOME/ORVIK Tessel RGB/   (default ~/.local/share/...)
//   device data folder:  user data folder + kind name ("mouse", "keyboard", "MousePad", "HD")
//   installation folder: holds DefaultData/, skin/ and Font/
//   config folder:       $XDG_CONFIG_HOME/ORVIK Tessel RGB/ (default ~/.config/...)
#include <filesystem>
#include <optional>
#include <string_view>

namespace tessel {

inline constexpr std::string_view kProductName = "ORVIK Tessel RGB";
inline constexpr std::string_view kWindowTitle = "Tessel RGB";

// Both folders are created when missing, every time the path is built. When
// creation fails the path is still returned; the write that follows fails
// silently, as every write of the program may.
std::filesystem::path userDataFolder();
std::filesystem::path deviceDataFolder(std::string_view kindName);

// $XDG_CONFIG_HOME/ORVIK Tessel RGB/ (not created here).
std::filesystem::path configFolder();

// The installation folder: the first of
//   $TESSEL_INSTALL_DIR,
//   <exe dir>/../share/tessel-rgb   (installed),
//   <exe dir>                       (unpacked next to the executable),
//   the source tree, when the executable lives in this project's build tree,
// that holds both DefaultData/ and skin/. nullopt when none does.
std::optional<std::filesystem::path> installFolder();

// installFolder()/DefaultData, or nullopt.
std::optional<std::filesystem::path> defaultDataFolder();

// Same search from an explicit executable path (for tests).
std::optional<std::filesystem::path> installFolderFor(const std::filesystem::path& executable);

}  // namespace tessel
