#pragma once
// Shared set-up of the UI tests: one offscreen QApplication, the project's
// skin folder, and a manual clock for every timer.
#include <QApplication>
#include <QElapsedTimer>
#include <QString>
#include <chrono>
#include <thread>

#include "core/clock.h"
#include "ui/toolkit/paint_manager.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui::test {

inline QApplication* EnsureQtApp() {
  static QApplication* app = [] {
    // Offscreen always; a test binary may have chosen its screens already
    // ("offscreen:configfile=...").
    if (!qgetenv("QT_QPA_PLATFORM").startsWith("offscreen:")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // No session bus for the toolkit tests: messages stay in the process
    // (unless the test started a private bus of its own).
    if (qgetenv("TESSEL_TEST_PRIVATE_BUS") != "1")
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

// The Qt application, the project's skin folder and its "res.xml": what every
// test that builds the program's own windows starts from.
inline void UseProjectResources() {
  EnsureQtApp();
  UseProjectSkin();
  CResourceManager::GetInstance()->LoadResource(QStringLiteral("res.xml"));
}

// Runs the event loop until `done` or a generous safety bound (not a timing assertion).
template <typename F>
bool SpinUntil(F done) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > 5000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// Waits for work on another thread, with a generous bound against hanging.
template <typename F>
bool WaitFor(F done) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > 5000) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace tessel::ui::test
