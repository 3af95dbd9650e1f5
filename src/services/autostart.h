#pragma once
// The XDG autostart entry that starts "tessel-rgb --hidden" at login:
// $XDG_CONFIG_HOME/autostart/tessel-rgb.desktop (default ~/.config/autostart).
#include <filesystem>
#include <string>
#include <string_view>

namespace tessel {

std::filesystem::path autostartFile();
bool autostartEnabled();
// Writes the entry (atomically) for `program` (an absolute path, or a name
// found on PATH), or removes it. false when the change could not be made.
bool setAutostart(bool enabled, std::string_view program = "tessel-rgb");
// The entry's text.
std::string autostartEntry(std::string_view program);

}  // namespace tessel
