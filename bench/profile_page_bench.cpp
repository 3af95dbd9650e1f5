// A profile switch on a real keyboard page, offscreen: the selector makes the
// chosen profile current (list file), the page rebinds its document, loads
// it and refreshes; the device write is the controller's (nothing here, no
// device I/O). This is what timer 1055 runs on the UI thread.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <filesystem>

#include "ui/device/brelvik_usb_device.h"
#include "ui/skin_tags.h"
#include "ui/device/device_profile.h"
#include "ui/device/device_profile_page.h"
#include "ui/toolkit/builder.h"
#include "ui/toolkit/paint_manager.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/toolkit/window.h"

using namespace tessel;
using namespace tessel::ui;
namespace fs = std::filesystem;

namespace {

class PageWnd : public WindowImplBase {
 public:
  QString GetWindowClassName() const override { return QStringLiteral("ProfileBenchWnd"); }
  QString GetSkinFile() override {
    return QStringLiteral("<Window size=\"800,572\"><HorizontalLayout name=\"root\"/></Window>");
  }
  CControlUI* CreateControl(const QString& tag) override {
    return CreateSkinTag(tag, this, &m_pm);
  }
  CBrelvikUSBDevice* BuildKeyboardPage() {
    CDialogBuilder builder;
    auto* page = dynamic_cast<CBrelvikUSBDevice*>(
        builder.Create(QStringLiteral("XML/DeviceXml/keyboarddevice.xml"), QString(), this, &m_pm));
    if (page) dynamic_cast<CContainerUI*>(m_pm.FindControl(QStringLiteral("root")))->Add(page);
    return page;
  }
};

void BM_ProfileSwitchKeyboardPage(benchmark::State& state) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "profile_page_bench";
  static char* argv[] = {name, nullptr};
  static QApplication app(argc, argv);
  CPaintManagerUI::SetInstancePath(QStringLiteral(TESSEL_SOURCE_DIR));
  CPaintManagerUI::SetResourcePath(QStringLiteral(TESSEL_SOURCE_DIR "/skin/"));
  CResourceManager::GetInstance()->LoadResource(QStringLiteral("res.xml"));

  const fs::path root = fs::temp_directory_path() / ("tessel-profile-page-bench-" + std::to_string(::getpid()));
  fs::remove_all(root);
  {
    PageWnd wnd;
    wnd.Create(nullptr, QStringLiteral("bench"), WS_VISIBLE, 0, 0, 0, 800, 572);
    CBrelvikUSBDevice* page = wnd.BuildKeyboardPage();
    if (!page) {
      state.SkipWithError("the keyboard page could not be built");
      return;
    }
    page->InitUI(&wnd.GetManager());
    page->Profile().Init(1, root, fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "keyboard.Json");
    CDeviceProfileUI* selector = page->Profile().Selector();
    if (!selector) {
      state.SkipWithError("the keyboard page has no profile selector");
      return;
    }
    selector->Add();
    QCoreApplication::processEvents();
    int index = 0;
    for (auto _ : state) {
      index ^= 1;
      selector->Select(index, false);
      page->Profile().Rebind();
      QCoreApplication::processEvents();
    }
  }
  fs::remove_all(root);
}
BENCHMARK(BM_ProfileSwitchKeyboardPage)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
