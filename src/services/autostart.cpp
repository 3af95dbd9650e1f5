#include "services/autostart.h"

#include <cstdlib>
#include <system_error>

#include "platform/file_io.h"

namespace tessel {

std::filesystem::path autostartFile() {
  std::filesystem::path base;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') base = xdg;
  else if (const char* home = std::getenv("HOME"); home && *home) base = std::filesystem::path(home) / ".config";
  else base = "/tmp";
  return base / "autostart" / "tessel-rgb.desktop";
}

bool autostartEnabled() {
  std::error_code ec;
  return std::filesystem::is_regular_file(autostartFile(), ec);
}

std::string autostartEntry(std::string_view program) {
  // Exec quoting: a path with spaces is quoted, and the characters that are
  // special inside quotes are escaped.
  std::string exec;
  bool quote = false;
  for (char c : program) {
    if (c == ' ' || c == '\t') quote = true;
    if (c == '"' || c == '`' || c == '$' || c == '\\') exec += '\\';
    if (c == '\n' || c == '\r') continue;
    exec += c;
  }
  if (quote) exec = "\"" + exec + "\"";
  return "[Desktop Entry]\n"
         "Type=Application\n"
         "Name=Tessel RGB\n"
         "Comment=Starts Tessel RGB in the tray at login\n"
         "Exec=" + exec + " --hidden\n"
         "Icon=tessel-rgb\n"
         "Terminal=false\n"
         "NoDisplay=true\n"
         "X-GNOME-Autostart-enabled=true\n";
}

bool setAutostart(bool enabled, std::string_view program) {
  const auto file = autostartFile();
  std::error_code ec;
  if (!enabled) {
    std::filesystem::remove(file, ec);
    return !ec;
  }
  std::filesystem::create_directories(file.parent_path(), ec);
  return writeFileAtomic(file, autostartEntry(program));
}

}  // namespace tessel
