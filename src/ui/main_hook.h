#pragma once
// CMainHook: the main window's input hook. It owns the hook holder
// (input/device_hook.h) with its sources: our own window (always), the best
// desktop source of the session (XInput2 on X11, else readable evdev
// devices) and, in demo mode, the scripted source behind "tesselctl demo
// key/button". It
//   - starts and stops key capture (mode 1) on message 1054 (wParam 1 / 0)
//     for the current page's assignment editor "KeySetControlItem";
//   - starts and stops recording (modes 4, 8, 16, 32) for a macro editor and
//     keeps the device selection, the profile selector and the assignment
//     editor out of reach meanwhile;
//   - routes each hook message, by the current page's device type, to that
//     page's macro editor "MacroControlItem" (mouse and keyboard pages) or,
//     in mode 1, its assignment editor;
//   - stops everything (a recording is saved and downloaded) before a device
//     switch, when the window hides or closes, and when the program ends.
#include <QWidget>
#include <functional>
#include <memory>
#include <string>

#include "input/device_hook.h"
#include "input/scripted_source.h"
#include "ui/device/hook_host.h"
#include "ui/toolkit/defs.h"

namespace tessel::ui {

class CBrelvikUSBDevice;
class CMacroControlUI;
class WindowInputSource;

class CMainHook final : public IHookHost {
 public:
  struct Hooks {
    // The page of the selected tile, or nullptr.
    std::function<CBrelvikUSBDevice*()> currentPage;
    // true while a recording runs: the device selection, the profile selector
    // and the assignment editor of `page` are kept out of reach.
    std::function<void(CBrelvikUSBDevice* page, bool recording)> lockControls;
  };
  struct Sources {
    bool desktop = true;  // XInput2 / evdev when the session offers them
    bool scripted = false;  // demo mode
  };

  // `post` runs the sources' events on the UI thread (empty: inline, tests).
  CMainHook(QWidget* window, input::PostFunction post, Hooks hooks, Sources sources);
  ~CMainHook() override;
  CMainHook(const CMainHook&) = delete;
  CMainHook& operator=(const CMainHook&) = delete;

  // Message 1054: wParam 1 starts key capture (mode 1) unless a recording
  // runs; wParam 0 ends key capture. A recording is ended only by its own
  // stop, never by the key field losing the focus.
  void OnHookRequest(WPARAM wParam);
  // Before a device switch, hiding, closing or ending: a recording stops the
  // way its stop button stops it; key capture ends; the keyboard is let go.
  void StopAll();

  bool IsRecording() const { return recordingEditor_ != nullptr; }
  CMacroControlUI* RecordingEditor() const { return recordingEditor_; }
  bool IsCapturingKey() const { return hook_.Mode() == input::hook_mode::kSingleKey; }
  input::CDeviceHook& Holder() { return hook_; }
  // The scripted source (demo mode), or nullptr.
  const std::shared_ptr<input::ScriptedSource>& Scripted() const { return scripted_; }
  WindowInputSource* WindowSource() const { return window_.get(); }

  // IHookHost
  bool StartRecording(CMacroControlUI& editor, int mode, std::string& reason) override;
  void StopRecording(CMacroControlUI& editor) override;
  // Whether keys pressed outside the window are recorded, in the language
  // now loaded; which source records is the debug output's (and README's).
  std::string SourceLine() const override;

 private:
  void Route(const input::HookMessage& message);

  Hooks hooks_;
  input::CDeviceHook hook_;
  std::shared_ptr<WindowInputSource> window_;
  std::shared_ptr<input::ScriptedSource> scripted_;
  CMacroControlUI* recordingEditor_ = nullptr;
  CBrelvikUSBDevice* lockedPage_ = nullptr;
  bool wholeDesktop_ = false;  // a desktop source records keys outside the window
};

}  // namespace tessel::ui
