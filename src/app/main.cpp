// Entry of the desktop program: the command line, the check for a graphical
// session, then the application.
#include <QApplication>
#include <QByteArray>
#include <QString>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "ui/journey_locator.h"
#include "ui/startup.h"

#ifndef TESSEL_VERSION
#define TESSEL_VERSION "unknown"
#endif

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitNoDisplay = 1;

const char kUsage[] =
    "Usage: tessel-rgb [--demo[=LIST]] [--demo-reset] [--hidden] [--server URL] [--version] [--help]\n"
    "Configuration centre for Tessel RGB mice, keyboards, mousepads and headsets.\n"
    "  --demo[=LIST]  run on emulated devices instead of the real ones; LIST is a\n"
    "                 comma-separated choice of mouse, mouse-receiver, keyboard,\n"
    "                 keyboard-receiver, mousepad, headset or all (default:\n"
    "                 mouse,keyboard). \"tesselctl demo ...\" plugs and unplugs them.\n"
    "                 Their memories persist in $XDG_STATE_HOME/tessel-rgb/demo/.\n"
    "  --demo-reset   with --demo: start the emulated devices from the factory state\n"
    "  --hidden       start in the tray without showing the window (where the\n"
    "                 desktop has no tray the window is shown)\n"
    "  --server URL   the update server the settings window asks (default:\n"
    "                 \"UpdateServer\" in settings.json; none: no update check)\n"
    "  --version      print the version and exit\n"
    "  --help         print this text and exit\n"
    "Without a graphical session, tesselctl reads and checks the devices.\n";

const char kNoDisplay[] =
    "tessel-rgb: needs a graphical session (no display found); tesselctl works without one\n";

int usageError(const char* text, const char* argument) {
  std::fprintf(stderr, "tessel-rgb: %s \"%s\"\nTry \"tessel-rgb --help\".\n", text, argument);
  return kExitUsage;
}

bool envSet(const char* name) {
  const char* v = std::getenv(name);
  return v != nullptr && *v != '\0';
}

// A platform that draws on a display server (the default, xcb or wayland)
// needs one to be named; offscreen, vnc and the like do not.
bool displayNamed() {
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const std::string_view p = platform ? platform : "";
  const bool needsServer = p.empty() || p.substr(0, 3) == "xcb" || p.substr(0, 7) == "wayland";
  return !needsServer || envSet("DISPLAY") || envSet("WAYLAND_DISPLAY");
}

// While the application connects to the display, a fatal platform error (a
// display that is named but not there) ends the program with one line instead
// of Qt's abort; the platform's own messages are held back until then and
// passed on if the connection works.
QtMessageHandler g_previous = nullptr;
QList<std::pair<QtMsgType, QString>>* g_held = nullptr;

void startupMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtFatalMsg) {
    std::fputs(kNoDisplay, stderr);
    std::fflush(stderr);
    std::_Exit(kExitNoDisplay);
  }
  if (g_held && context.category && std::strncmp(context.category, "qt.qpa", 6) == 0) {
    g_held->append({type, text});
    return;
  }
  if (g_previous) g_previous(type, context, text);
}

}  // namespace

int main(int argc, char** argv) {
  tessel::ui::StartupOptions options;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, "--version") == 0) {
      std::printf("tessel-rgb %s\n", TESSEL_VERSION);
      return 0;
    }
    if (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (std::strcmp(a, "--hidden") == 0) {
      options.hidden = true;
    } else if (std::strcmp(a, "--demo") == 0) {
      options.demo = true;
    } else if (std::strcmp(a, "--demo-reset") == 0) {
      options.demo = true;
      options.demoReset = true;
    } else if (std::strcmp(a, "--server") == 0 && i + 1 < argc) {
      options.updateServer = argv[++i];
    } else if (std::strncmp(a, "--server=", 9) == 0) {
      options.updateServer = a + 9;
    } else if (std::strncmp(a, "--demo=", 7) == 0) {
      options.demo = true;
      options.demoList = QString::fromLocal8Bit(a + 7);
      if (options.demoList.trimmed().remove(QLatin1Char(',')).trimmed().isEmpty()) {
        std::fputs("tessel-rgb: --demo= names no product; LIST is a comma-separated choice of mouse,\n"
                   "mouse-receiver, keyboard, keyboard-receiver, mousepad, headset or all\n",
                   stderr);
        return kExitUsage;
      }
    } else if (a[0] == '-') {
      return usageError("unknown option", a);
    } else {
      return usageError("unexpected argument", a);
    }
  }
  if (!displayNamed()) {
    std::fputs(kNoDisplay, stderr);
    return kExitNoDisplay;
  }
  QList<std::pair<QtMsgType, QString>> held;
  g_held = &held;
  g_previous = qInstallMessageHandler(startupMessages);
  QApplication app(argc, argv);
  qInstallMessageHandler(g_previous);
  g_held = nullptr;
  for (const auto& [type, text] : held) {
    if (type == QtDebugMsg || type == QtInfoMsg) continue;
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  }
  QApplication::setApplicationName(QStringLiteral("tessel-rgb"));
  QApplication::setApplicationVersion(QStringLiteral(TESSEL_VERSION));
  QApplication::setApplicationDisplayName(QStringLiteral("Tessel RGB"));
  QApplication::setDesktopFileName(QStringLiteral("tessel-rgb"));
  tessel::ui::JourneyLocator journey;  // TESSEL_JOURNEY=1: tells the journey scripts where controls are
  journey.ExportIfAsked();
  return tessel::ui::RunTesselRgb(options);
}
