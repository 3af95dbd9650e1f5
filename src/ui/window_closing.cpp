#include "ui/window_closing.h"

#include "ui/toolkit/tray.h"

namespace tessel::ui {
namespace {
std::optional<bool> g_trayForTests;
}  // namespace

bool TrayAvailable() { return g_trayForTests ? *g_trayForTests : CTrayIcon::IsAvailable(); }

void SetTrayAvailableForTests(std::optional<bool> available) { g_trayForTests = available; }

CloseAction ActionOnClose() { return TrayAvailable() ? CloseAction::HideToTray : CloseAction::Exit; }

}  // namespace tessel::ui
