// Entry of the desktop program. The window comes with the UI layer; until then
// the program answers --version and --help.
#include <cstdio>
#include <cstring>

#include "platform/data_folders.h"

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("tessel-rgb 0.1.0\n");
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf(
          "Usage: tessel-rgb [--demo[=LIST]] [--version] [--help]\n"
          "Configuration centre for Tessel RGB mice, keyboards, mousepads and headsets.\n"
          "  --demo[=LIST]  run on emulated devices instead of the real ones\n"
          "  --version      print the version and exit\n"
          "  --help         print this text and exit\n");
      return 0;
    }
  }
  auto install = tessel::installFolder();
  std::printf("tessel-rgb 0.1.0: the window is not built yet (installation folder: %s)\n",
              install ? install->c_str() : "not found");
  return 0;
}
