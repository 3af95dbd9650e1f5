#include "platform/data_folders.h"

#include <unistd.h>

#include <cstdlib>
#include <system_error>

#ifndef TESSEL_SOURCE_DIR
#define TESSEL_SOURCE_DIR ""
#endif
#ifndef TESSEL_BINARY_DIR
#define TESSEL_BINARY_DIR ""
#endif

namespace tessel {
namespace fs = std::filesystem;

namespace {

fs::path homeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  return "/tmp";
}

fs::path xdgFolder(const char* variable, const char* fallback) {
  const char* value = std::getenv(variable);
  // Relative values are invalid for XDG variables and are ignored.
  if (value && *value == '/') return value;
  return homeFolder() / fallback;
}

fs::path ensureFolder(fs::path folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);
  return folder;
}

bool looksInstalled(const fs::path& folder) {
  std::error_code ec;
  return fs::is_directory(folder / "DefaultData", ec) && fs::is_directory(folder / "skin", ec);
}

bool isInside(const fs::path& child, const fs::path& parent) {
  if (parent.empty()) return false;
  auto c = child.lexically_normal();
  auto p = parent.lexically_normal();
  auto [pe, ce] = std::mismatch(p.begin(), p.end(), c.begin(), c.end());
  // A trailing empty element (from a trailing slash) still counts as a match.
  return pe == p.end() || (std::next(pe) == p.end() && pe->empty());
}

}  // namespace

fs::path userDataFolder() {
  return ensureFolder(xdgFolder("XDG_DATA_HOME", ".local/share") / std::string(kProductName));
}

fs::path deviceDataFolder(std::string_view kindName) {
  userDataFolder();
  return ensureFolder(xdgFolder("XDG_DATA_HOME", ".local/share") / std::string(kProductName) /
                      std::string(kindName));
}

fs::path configFolder() {
  return xdgFolder("XDG_CONFIG_HOME", ".config") / std::string(kProductName);
}

std::optional<fs::path> installFolderFor(const fs::path& executable) {
  if (const char* env = std::getenv("TESSEL_INSTALL_DIR"); env && *env) {
    if (looksInstalled(env)) return fs::path(env);
  }
  fs::path exeDir = executable.parent_path();
  if (!exeDir.empty()) {
    if (looksInstalled(exeDir / ".." / "share" / "tessel-rgb"))
      return (exeDir / ".." / "share" / "tessel-rgb").lexically_normal();
    if (looksInstalled(exeDir)) return exeDir;
  }
  const fs::path binaryDir = TESSEL_BINARY_DIR;
  const fs::path sourceDir = TESSEL_SOURCE_DIR;
  if (!binaryDir.empty() && isInside(executable, binaryDir) && looksInstalled(sourceDir)) return sourceDir;
  return std::nullopt;
}

std::optional<fs::path> installFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) exe.clear();
  return installFolderFor(exe);
}

std::optional<fs::path> defaultDataFolder() {
  auto base = installFolder();
  if (!base) return std::nullopt;
  return *base / "DefaultData";
}

}  // namespace tessel
