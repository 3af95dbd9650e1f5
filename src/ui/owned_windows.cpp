#include "ui/owned_windows.h"

#include <algorithm>

#include "ui/about_wnd.h"
#include "ui/main_wnd.h"
#include "ui/set_wnd.h"
#include "ui/skin_wnd.h"

namespace tessel::ui {

std::vector<uint16_t> TileFirmwareVersions(CMainWnd& main) {
  std::vector<std::pair<int, uint16_t>> tiles;
  if (DeviceRegistry* registry = main.GetRegistry())
    for (const DevicePage& p : registry->pages())
      if (p.device && p.tileIndex >= 0)
        tiles.emplace_back(p.tileIndex, p.device->isConnected() ? p.device->versionNumber() : uint16_t(0));
  std::sort(tiles.begin(), tiles.end());
  std::vector<uint16_t> versions;
  for (const auto& t : tiles) versions.push_back(t.second);
  return versions;
}

void OpenSettingsWindow(CMainWnd& main) {
  CSetWnd::Open(&main, CSetWnd::ProgramOptions(main.GetLanguageIndex(), TileFirmwareVersions(main)));
}

bool OpenOwnedWindowFor(CMainWnd& main, const QString& name) {
  if (name == QLatin1String("setbtn") || name == QLatin1String("setwnd_menu")) {
    OpenSettingsWindow(main);
  } else if (name == QLatin1String("skinbtn")) {
    CSkinWnd::Open(&main);
  } else if (name == QLatin1String("about_menu")) {
    CAboutWnd::Open(&main);
  } else {
    return false;
  }
  return true;
}

void TellOwnedWindowsLanguage(int index) {
  if (CSetWnd* w = CSetWnd::Current()) w->SendMessage(kMsgLanguageChanged, static_cast<WPARAM>(index), 0);
  if (CAboutWnd* w = CAboutWnd::Current()) w->SendMessage(kMsgLanguageChanged, static_cast<WPARAM>(index), 0);
}

void RelayToSettingsWindow(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (CSetWnd* w = CSetWnd::Current()) w->PostMessage(msg, wParam, lParam);
}

void CloseOwnedWindows() {
  if (CSetWnd* w = CSetWnd::Current()) {
    w->StopThreads();
    w->DestroyWindow();
  }
  if (CSkinWnd* w = CSkinWnd::Current()) w->DestroyWindow();
  if (CAboutWnd* w = CAboutWnd::Current()) w->DestroyWindow();
}

}  // namespace tessel::ui
