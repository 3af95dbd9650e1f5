#pragma once
// The main window's settings, skin and about windows: how the caption
// buttons, tray items and messages open them, and what the main window tells
// them. Kept apart so the main window only forwards to here.
#include <QString>
#include <cstdint>
#include <vector>

#include "ui/toolkit/defs.h"

namespace tessel::ui {

class CMainWnd;

// "setbtn", "skinbtn", "setwnd_menu", "about_menu": opens the window and
// returns true; false for any other name.
bool OpenOwnedWindowFor(CMainWnd& main, const QString& controlName);
void OpenSettingsWindow(CMainWnd& main);
// Installed firmware of the device tiles in tile order (0 where no device is connected).
std::vector<uint16_t> TileFirmwareVersions(CMainWnd& main);
// Sends the language-changed message (3089) to the owned windows that are open.
void TellOwnedWindowsLanguage(int index);
// Posts a message on unchanged to the settings window when it is open.
void RelayToSettingsWindow(UINT msg, WPARAM wParam, LPARAM lParam);
// Stops the settings window's check and destroys every owned window.
void CloseOwnedWindows();

}  // namespace tessel::ui
