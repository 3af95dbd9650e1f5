#pragma once
// The main window's profile buttons and the profile switch (timer 1055), on
// the device page shown. Each handler calls the page's selector and, where
// the current profile changed or was rebuilt, has the page rebind its
// document, reload, refresh and write the settings to the device.
//
// Failures come back as status numbers and messages: a name taken shows
// "message_text_5", a blank name "message_text_25"; a write that failed or a
// file that cannot be imported shows what went wrong. Delete asks first;
// import and export say what they made.
#include <QString>
#include <functional>
#include <vector>

#include "ui/toolkit/defs.h"

namespace tessel::ui {

class CBrelvikUSBDevice;
class CDeviceProfileUI;
class CWindowWnd;

class ProfileActions {
 public:
  static constexpr UINT kTimerProfileSwitch = 1055;
  static constexpr UINT kSwitchDelayMs = 400;
  // The file dialogs' one filter.
  static constexpr const char* kFileFilter = "Profile Files(*.json)";

  struct Hooks {
    // The device page shown (nullptr: none).
    std::function<CBrelvikUSBDevice*()> currentPage;
    // Starts (or restarts) a one-shot window timer.
    std::function<void(UINT id, UINT elapseMs)> startTimer;
    // A message box: text (a language key or plain text), mode 0 confirm, 1
    // confirm and cancel; returns 1 on confirm. Default: CMsgWnd over the window.
    std::function<int(const QString& text, int mode)> message;
    // A file to save to (save = true, starting from `suggestion`) or open;
    // empty when cancelled. Default: QFileDialog with the filter.
    std::function<QString(bool save, const QString& suggestion)> chooseFile;
    // After a profile reset went through: the global audio styles go back to
    // the factory ones. Empty: nothing more.
    std::function<void()> afterReset;
  };

  ProfileActions(CWindowWnd& window, Hooks hooks);

  // Handles the profile controls' notifications ("click" on the profile
  // buttons, "itemselect" on "device_profile_combo"). False for the others.
  bool Notify(TNotifyUI& msg);
  // Timer 1055: the chosen profile becomes current on its page.
  void SwitchProfile();
  // Where an export is proposed: "<profile name>.json" in the user's
  // documents folder (the home folder when there is none).
  static QString ExportSuggestion(const QString& profileName);
  // The chosen export path with ".json" added when the user left it out.
  static QString WithJsonExtension(const QString& path);

 private:
  CDeviceProfileUI* Selector(CBrelvikUSBDevice* page) const;
  void Show(const QString& text);
  void Rename(CBrelvikUSBDevice* page);
  void Reset(CBrelvikUSBDevice* page);
  void ExportCurrent(CBrelvikUSBDevice* page);
  void ImportFile(CBrelvikUSBDevice* page);

  CWindowWnd& window_;
  Hooks hooks_;
  CBrelvikUSBDevice* pendingSwitch_ = nullptr;
};

}  // namespace tessel::ui
