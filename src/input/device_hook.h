#pragma once
// CDeviceHook: the hook holder of the main window. One mode runs at a time:
//
//   mode 1   key capture for the assignment editor   "WM_HOOK_KEY_SINGLEKEY_MSG"
//   mode 2   key hit capture                         "WM_HOOK_KEY_HITKEY_MSG"
//   mode 4   record, append                          "WM_HOOK_KEY_KBMACRO_MSG" / "WM_HOOK_KEY_MSMACRO_MSG"
//   mode 8   record, insert before the selection     "..._KBMACROPREVIOUS_MSG" / "..._MSMACROPREVIOUS_MSG"
//   mode 16  record, insert after the selection      "..._KBMACROLATER_MSG" / "..._MSMACROLATER_MSG"
//   mode 32  replace the selected event's key         "..._KBMACROSINGLE_MSG" / "..._MSMACROSINGLE_MSG"
//
// The holder runs every source it was given (our window, the best desktop
// source, the scripted source in demo mode). Sources deliver on their own
// threads; the holder hands each event to the `post` function given at
// construction, which runs it on the caller's chosen thread (the UI thread in
// the program, inline in tests), and there the mode's message reaches the
// window's callback. Events of a stopped or replaced session are dropped, so
// nothing arrives after Stop().
//
// A source that fails to start leaves the holder idle (everything started is
// stopped again) and the reason is kept for the page. While a desktop source
// runs, the window source only keeps the keyboard from other programs; its
// events are covered by the desktop source and dropped.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "input/input_source.h"

namespace tessel::input {

namespace hook_mode {
inline constexpr int kNone = 0;
inline constexpr int kSingleKey = 1;
inline constexpr int kHitKey = 2;
inline constexpr int kMacro = 4;
inline constexpr int kMacroPrevious = 8;
inline constexpr int kMacroLater = 16;
inline constexpr int kMacroSingle = 32;
inline constexpr int kMouseSingleKey = 256;
inline constexpr int kMouseHitKey = 512;
inline constexpr int kMouseMacro = 1024;
}  // namespace hook_mode

// The registered names of a mode's keyboard and mouse messages; empty when
// the mode sends none.
std::string_view keyboardMessageName(int mode);
std::string_view mouseMessageName(int mode);
// True for the modes the holder accepts.
bool isKnownMode(int mode);
// True for the recording modes 4, 8, 16 and 32.
bool isRecordingMode(int mode);

// What the window receives: the registered message name, the mode that sent
// it, the wParam (keyboard or mouse message) and the event record.
struct HookMessage {
  std::string_view name;
  int mode = 0;
  uint32_t wParam = 0;
  InputEvent event;
};
using HookCallback = std::function<void(const HookMessage&)>;
// Runs a task on the thread where placement happens. Must be callable from
// any thread. An empty function runs tasks inline on the source's thread.
using PostFunction = std::function<void(std::function<void()>)>;
// The cursor's screen position, asked on the posting thread for mouse events
// whose source does not know it (raw device events).
using CursorFunction = std::function<std::optional<std::pair<int32_t, int32_t>>()>;

class CDeviceHook {
 public:
  explicit CDeviceHook(PostFunction post = {});
  ~CDeviceHook();  // stops
  CDeviceHook(const CDeviceHook&) = delete;
  CDeviceHook& operator=(const CDeviceHook&) = delete;

  // Sources run together while a mode is active; add them before Start.
  void AddSource(std::shared_ptr<InputSource> source);
  // The one-line text of which source records and why a better one is not in
  // use (set by whoever chose the sources, see source_choice.h).
  void SetSourceLine(std::string line) { sourceLine_ = std::move(line); }
  const std::string& SourceLine() const { return sourceLine_; }
  void SetCursorFunction(CursorFunction cursor) { cursor_ = std::move(cursor); }

  // Starts `mode` with the window's callback. `keyboardHook` delivers (and
  // keeps from other programs) keyboard events, `libraryHook` mouse events.
  // Replaces a running mode. False, with LastError(), for an unknown mode, a
  // mode with nothing to deliver or a source that failed; the holder is idle
  // then.
  bool Start(int mode, HookCallback window, bool keyboardHook = true, bool libraryHook = true);
  // Stops every source; nothing is held afterwards and no message follows.
  void Stop();

  bool IsRunning() const { return mode_ != hook_mode::kNone; }
  int Mode() const { return mode_; }
  const std::string& LastError() const { return lastError_; }
  const std::vector<std::shared_ptr<InputSource>>& Sources() const { return sources_; }

 private:
  struct Session;
  void stopSources();

  PostFunction post_;
  CursorFunction cursor_;
  std::vector<std::shared_ptr<InputSource>> sources_;
  std::shared_ptr<Session> session_;
  int mode_ = hook_mode::kNone;
  std::string lastError_;
  std::string sourceLine_;
};

}  // namespace tessel::input
