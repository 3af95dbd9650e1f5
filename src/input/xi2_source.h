#pragma once
// Keys and buttons of the whole X11 desktop from XInput2 raw events. The
// source opens a Display connection of its own and reads it on its own thread
// (Xlib connections are not shared between threads). Raw events reach every
// client that selects them on the root window, whoever has the focus and
// whatever is grabbed, so nothing here ever grabs: the stop button and every
// other program keep working.
//
// Raw events carry the physical key (X11 keycode = evdev code + 8) and button
// number, but no cursor position; the hook holder asks the window for it.
#include <atomic>
#include <string>
#include <thread>

#include "input/input_source.h"

namespace tessel::input {

// Whether `display` (empty: $DISPLAY) opens and has XInput 2.0 or later; the
// reason when not.
bool xi2Available(const std::string& display, std::string& reason);

class Xi2Source final : public InputSource {
 public:
  explicit Xi2Source(std::string display = {});
  ~Xi2Source() override;

  std::string name() const override { return "xi2"; }
  std::string description() const override { return "XInput2 raw events of the X11 desktop"; }
  SourceCoverage coverage() const override { return SourceCoverage::Desktop; }
  bool start(InputSink sink, bool grabKeyboard, std::string& reason) override;
  void stop() override;
  bool running() const override { return running_.load(); }

 private:
  void run(void* display, int opcode, int stopFd, InputSink sink);

  std::string displayName_;
  std::atomic<bool> running_{false};
  int stopFd_ = -1;
  std::thread thread_;
};

}  // namespace tessel::input
