#pragma once
// A fresh folder under /tmp for one tesselctl test, with its own data, state,
// runtime and config folders set as XDG_DATA_HOME, XDG_STATE_HOME,
// XDG_RUNTIME_DIR and XDG_CONFIG_HOME (each named after its variable).
#include <stdlib.h>

#include <filesystem>
#include <string>

namespace tessel::tools::test {

// Empty when the folder cannot be made.
inline std::filesystem::path MakeTesselctlHome(const std::string& prefix) {
  namespace fs = std::filesystem;
  std::string pattern = "/tmp/" + prefix + "-XXXXXX";
  if (!::mkdtemp(pattern.data())) return {};
  const fs::path home = pattern;
  for (const char* name : {"XDG_DATA_HOME", "XDG_STATE_HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME"}) {
    const fs::path p = home / name;
    fs::create_directories(p);
    fs::permissions(p, fs::perms::owner_all);
    ::setenv(name, p.c_str(), 1);
  }
  return home;
}

}  // namespace tessel::tools::test
