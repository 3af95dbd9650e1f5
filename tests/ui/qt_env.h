#pragma once
// Shared set-up of the UI tests: one offscreen QApplication, the project's
// skin folder, and a manual clock for every timer.
#include <QApplication>
#include <QString>

#include "core/clock.h"
#include "ui/toolkit/paint_manager.h"

namespace tessel::ui::test {

inline QApplication* EnsureQtApp() {
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // No session bus for the toolkit tests: messages stay in the process.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tessel-test-bus");
    static int argc = 1;
    static char name[] = "tessel-ui-tests";
    static char* argv[] = {name, nullptr};
    auto* a = new QApplication(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    return a;
  }();
  return app;
}

inline void UseProjectSkin() {
  CPaintManagerUI::SetInstancePath(QStringLiteral(TESSEL_SOURCE_DIR));
  CPaintManagerUI::SetResourcePath(QStringLiteral(TESSEL_SOURCE_DIR "/skin/"));
}

}  // namespace tessel::ui::test
