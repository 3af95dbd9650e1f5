#pragma once
// Shared set-up of the tests that build the main window: the Qt application,
// the project's skin and resources, every timer on the test's clock, the
// registered messages and the control classes; and a fresh folder for the
// test's settings and data.
#include <QByteArray>
#include <cstdlib>
#include <string>

#include "qt_env.h"
#include "ui/registered_messages.h"
#include "ui/startup.h"

namespace tessel::ui::test {

inline void PrepareMainWindowTest(Scheduler& scheduler) {
  EnsureQtApp();
  UseProjectSkin();
  CPaintManagerUI::SetDefaultScheduler(&scheduler);
  CResourceManager::GetInstance()->LoadResource(QStringLiteral("res.xml"));
  RegisterInstanceMessage();
  RegisterGuidMessages();
  RegisterHookMessages();
  RegisterControlClasses();
}

// A new folder under /tmp whose "config" and "data" become XDG_CONFIG_HOME
// and XDG_DATA_HOME; `prefix` names it after the test.
inline std::string UseFreshHome(const std::string& prefix) {
  std::string pattern = "/tmp/" + prefix + "-XXXXXX";
  const std::string home = mkdtemp(pattern.data());
  qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home + "/config"));
  qputenv("XDG_DATA_HOME", QByteArray::fromStdString(home + "/data"));
  return home;
}

}  // namespace tessel::ui::test
