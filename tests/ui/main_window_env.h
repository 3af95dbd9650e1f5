#pragma once
// Shared set-up of the tests that build the main window: the Qt application,
// the project's skin and resources, every timer on the test's clock, the
// registered messages and the control classes; and a fresh folder for the
// test's settings and data.
#include <gtest/gtest.h>

#include <QApplication>
#include <QByteArray>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "platform/settings_store.h"
#include "qt_env.h"
#include "real_input.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"
#include "ui/device/device_option.h"
#include "ui/main_wnd.h"
#include "ui/registered_messages.h"
#include "ui/startup.h"
#include "ui/toolkit/controls.h"
#include "ui/window_closing.h"

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

// A left click where `control` is on screen: the point must lie on the
// screen (a window wider than its screen hides controls from the user), then
// the click goes to the widget under it.
inline void ClickOnScreen(CControlUI* control) {
  ASSERT_NE(control, nullptr);
  QWidget* own = control->GetWidget();
  ASSERT_NE(QApplication::widgetAt(own->mapToGlobal(own->rect().center())), nullptr)
      << control->GetName().toStdString() << " is off the screen";
  ASSERT_TRUE(ClickAt(control));
}

// The main window on emulated products, with every timer on the test's
// clock and the watcher's passes driven by the test; a fresh home, Chinese.
class MainWindowFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    PrepareMainWindowTest(clock_);
    bus_.setFirmwareFactory([this](const sim::ProductInfo& info) -> std::shared_ptr<sim::Firmware> {
      std::shared_ptr<sim::CommandFirmware> fw = sim::makeProductFirmware(info.name);
      firmware_[std::string(info.name)] = fw.get();
      return fw;
    });
    home_ = UseFreshHome(HomePrefix());
    // No saved language: a Chinese locale starts in Chinese (entry 0).
    qputenv("LC_ALL", "zh_CN.UTF-8");
    SettingsStore().create();
    // Device pages open their handles on the program's backend, as in demo mode.
    hid::setDefaultBackend(&bus_);
    wnd_.SetHidBackend(&bus_);
    wnd_.SetWatcherThread(false);
    wnd_.SetDeviceThreads(false);
    BeforeCreate();
    ASSERT_TRUE(wnd_.Create(nullptr, QStringLiteral("Tessel RGB"), WS_VISIBLE, 0, 0, 0, 800, 572));
    ASSERT_TRUE(SpinUntil([&] { return wnd_.GetRegistry() != nullptr; }));
  }
  void TearDown() override {
    const bool ending = !wnd_.IsDestroyed();
    wnd_.DestroyWindow();
    if (ending) TakeTheQuit();
    hid::setDefaultBackend(nullptr);
    CPaintManagerUI::SetDefaultScheduler(nullptr);
    std::filesystem::remove_all(home_);
    SetTrayAvailableForTests(std::nullopt);
  }
  static void TakeTheQuit() {
    // The window's end posts the application's quit. Delivered outside the
    // application's loop it would leave Qt quitting, and every later modal
    // box would end at once; the loop takes it here and clears that.
    QTimer bound;  // safety bound only
    bound.setSingleShot(true);
    QObject::connect(&bound, &QTimer::timeout, [] { QCoreApplication::exit(0); });
    bound.start(5000);
    QCoreApplication::exec();
  }
  virtual std::string HomePrefix() const { return "tessel-mainwnd"; }
  virtual void BeforeCreate() {}
  void Pass() {
    wnd_.GetWatcher()->pass();
    QCoreApplication::processEvents();
  }
  CDeviceOptionUI* Tile(int option) {
    const DevicePage* p = wnd_.GetRegistry()->pageForOption(option);
    return p ? wnd_.TileOf(*p) : nullptr;
  }
  CControlUI* Find(const char* name) { return wnd_.GetManager().FindControl(QString::fromLatin1(name)); }

  ManualClock clock_;
  sim::VirtualHidBus bus_;
  std::map<std::string, sim::CommandFirmware*> firmware_;
  std::string home_;
  CMainWnd wnd_;
};

}  // namespace tessel::ui::test
