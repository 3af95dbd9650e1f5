// Entry of the desktop program.
#include <QApplication>
#include <cstdio>
#include <cstring>

#include "ui/startup.h"

int main(int argc, char** argv) {
  tessel::ui::StartupOptions options;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("tessel-rgb 0.1.0\n");
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::printf(
          "Usage: tessel-rgb [--demo[=LIST]] [--hidden] [--server URL] [--version] [--help]\n"
          "Configuration centre for Tessel RGB mice, keyboards, mousepads and headsets.\n"
          "  --demo[=LIST]  run on emulated devices instead of the real ones; LIST is a\n"
          "                 comma-separated choice of mouse, mouse-receiver, keyboard,\n"
          "                 keyboard-receiver, mousepad, headset or all (default:\n"
          "                 mouse,keyboard). \"tesselctl demo ...\" plugs and unplugs them.\n"
          "  --hidden       start in the tray without showing the window\n"
          "  --server URL   the update server the settings window asks (default:\n"
          "                 \"UpdateServer\" in settings.json; none: no update check)\n"
          "  --version      print the version and exit\n"
          "  --help         print this text and exit\n");
      return 0;
    }
    if (std::strcmp(argv[i], "--hidden") == 0) {
      options.hidden = true;
    } else if (std::strcmp(argv[i], "--demo") == 0) {
      options.demo = true;
    } else if (std::strcmp(argv[i], "--server") == 0 && i + 1 < argc) {
      options.updateServer = argv[++i];
    } else if (std::strncmp(argv[i], "--server=", 9) == 0) {
      options.updateServer = argv[i] + 9;
    } else if (std::strncmp(argv[i], "--demo=", 7) == 0) {
      options.demo = true;
      options.demoList = QString::fromLocal8Bit(argv[i] + 7);
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("tessel-rgb"));
  QApplication::setApplicationDisplayName(QStringLiteral("Tessel RGB"));
  QApplication::setDesktopFileName(QStringLiteral("tessel-rgb"));
  return tessel::ui::RunTesselRgb(options);
}
