#pragma once
// The main window's input hook as the macro editor sees it. The main window
// owns the hook holder (input/device_hook.h) and its sources, routes every
// hook message to the current page's macro editor, and keeps the device
// selection, the profile selector and the assignment editor out of reach
// while a recording runs. The editor only asks to start and stop.
#include <string>

namespace tessel::ui {

class CMacroControlUI;

class IHookHost {
 public:
  virtual ~IHookHost() = default;
  // Starts recording mode 4, 8, 16 or 32 for `editor` and locks the window's
  // other controls. False, with the reason, when no source started: the
  // hook is idle then and nothing is locked.
  virtual bool StartRecording(CMacroControlUI& editor, int mode, std::string& reason) = 0;
  // Stops the hook (the keyboard is let go) and unlocks the controls.
  virtual void StopRecording(CMacroControlUI& editor) = 0;
  // One line for the user: whether keys and buttons pressed outside the
  // window are recorded.
  virtual std::string SourceLine() const = 0;
};

}  // namespace tessel::ui
