#include "ui/startup.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <cstdio>
#include <memory>

#include "platform/data_folders.h"
#include "platform/debug.h"
#include "platform/settings_store.h"
#include "ui/demo_devices.h"
#include "ui/instance_socket.h"
#include "ui/main_wnd.h"
#include "ui/registered_messages.h"
#include "ui/skin_tags.h"
#include "ui/set_wnd.h"
#include "ui/toolkit/builder.h"
#include "ui/toolkit/message_bus.h"
#include "ui/toolkit/paint_manager.h"
#include "ui/toolkit/qt_scheduler.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/window_closing.h"

namespace tessel::ui {

void FontHolder::Prepare(const QString& folder) {
  folder_ = folder;
  if (!folder_.isEmpty() && !folder_.endsWith('/')) folder_ += '/';
}

bool FontHolder::Load(const QString& relativePath) {
  path_ = folder_ + relativePath;
  QFile file(path_);
  if (!file.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = file.readAll();
  file.close();
  id_ = QFontDatabase::addApplicationFontFromData(bytes);
  return id_ >= 0;
}

void FontHolder::Unload() {
  if (id_ >= 0) QFontDatabase::removeApplicationFont(id_);
  id_ = -1;
}

const std::vector<ControlClass>& ControlClasses() {
  static const std::vector<ControlClass> classes = [] {
    std::vector<ControlClass> out;
    for (const SkinTag& row : SkinTagTable())
      if (row.className) out.push_back({row.className, row.create});
    return out;
  }();
  return classes;
}

int RegisterControlClasses() { return RegisterSkinClasses(); }

int RunTesselRgb(const StartupOptions& options) {
  QApplication::setQuitOnLastWindowClosed(false);
  const auto install = tessel::installFolder();
  const QString instancePath = install ? QString::fromStdString(install->string()) + '/' : QString();

  // 1. Private fonts; a missing one is skipped.
  std::array<FontHolder, 4> fonts;
  for (size_t i = 0; i < fonts.size(); ++i) {
    fonts[i].Prepare(instancePath);
    fonts[i].Load(QString::fromLatin1(kPrivateFonts[i]));
  }
  auto unloadFonts = [&fonts] {
    for (size_t i = fonts.size(); i-- > 0;) fonts[i].Unload();
  };

  // Demo mode: emulated products instead of the machine's HID devices.
  DemoDevices demo;
  if (options.demo) {
    QString error;
    if (!demo.Start(options.demoList, &error, options.demoReset)) {
      std::fprintf(stderr, "tessel-rgb: --demo: %s\n", error.toUtf8().constData());
      unloadFonts();
      return 2;
    }
  }

  // 4. The instance message.
  const UINT instanceMessage = RegisterInstanceMessage();
  debugPrintf("软件标示：%d", static_cast<int>(instanceMessage));

  // 5. Single instance: a second one asks the first to show itself and ends.
  //    Without a bus the first one listens on a socket beside its lock file.
  SingleInstance instance;
  if (instance.Acquire() == SingleInstance::Result::AlreadyRunning) {
    if (instance.LockFile().isEmpty()) CMessageBus::Instance().Broadcast(instanceMessage, 0, 1);
    else if (!InstanceSocket::Raise(InstanceSocket::PathFor(instance.LockFile())))
      debugLine("the running instance did not answer on its socket");
    unloadFonts();
    return 0;
  }
  InstanceSocket raiseSocket([instanceMessage] { CMessageBus::Instance().Broadcast(instanceMessage, 0, 1); });
  if (!instance.LockFile().isEmpty()) raiseSocket.Listen(InstanceSocket::PathFor(instance.LockFile()));
  CSetWnd::SetServerOverride(options.updateServer);
  // The settings store stands in for the installer's registry key: made
  // once so that the language (and later settings) can be kept.
  SettingsStore().create();
  if (options.demo && !demo.ExportOnBus()) debugLine("demo control not on the session bus");

  QtScheduler scheduler;
  CPaintManagerUI::SetDefaultScheduler(&scheduler);

  // 6-7. Skin resources and control classes.
  CPaintManagerUI::SetInstancePath(instancePath);
  CPaintManagerUI::SetResourceType(1);
  CPaintManagerUI::SetResourcePath(CPaintManagerUI::GetInstancePath() + QStringLiteral("skin/"));
  if (!CResourceManager::GetInstance()->LoadResource(QStringLiteral("res.xml")))
    debugLine("res.xml not loaded; skins are taken as files");
  RegisterControlClasses();

  // 8. The GUID-named messages, then the hook, mouse and game list.
  RegisterGuidMessages();
  RegisterHookMessages();

  // 9-10. The main window and the event loop.
  int code = 0;
  {
    auto mainWnd = std::make_unique<CMainWnd>();
    // Hidden only where the tray can bring it back.
    if (options.hidden && !TrayAvailable()) debugLine("no notification area: --hidden shows the window");
    mainWnd->SetStartHidden(options.hidden && TrayAvailable());
    // "tesselctl demo key/button" reach the window's input hook.
    if (options.demo) mainWnd->SetDemoDevices(&demo);
    const UINT style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU |
                       WS_MINIMIZEBOX;
    if (mainWnd->Create(nullptr, QStringLiteral("Tessel RGB"), style, 0, 0, 0, 800, 572)) {
      mainWnd->CenterWindow();
      code = CPaintManagerUI::MessageLoop();
    }
    // 11. Release in reverse order.
    demo.SetScriptedInput({});
    mainWnd.reset();
  }
  CPaintManagerUI::SetDefaultScheduler(nullptr);
  CResourceManager::GetInstance()->Release();
  raiseSocket.Close();
  instance.Release();
  // 12.
  unloadFonts();
  (void)code;
  return 0;
}

}  // namespace tessel::ui
