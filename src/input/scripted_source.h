#pragma once
// The scripted source: events made up by a call. Tests drive recording with
// it, and in demo mode the bus methods behind "tesselctl demo key NAME
// down|up" and "tesselctl demo button BUTTON down|up" enter the hook holder
// through it exactly where a real key or button would.
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "input/input_source.h"

namespace tessel::input {

// A key of the key table by its name ("A", "RCtrl", "Page_Up", any case;
// see findKeyByName), as a keyboard event; nothing for a name that is not a
// key with a scan code.
std::optional<InputEvent> keyEventByName(std::string_view name, bool down);
// "left", "right", "middle", "back" or "forward" (any case) as a mouse event
// without a position; nothing for another name.
std::optional<InputEvent> buttonEventByName(std::string_view name, bool down);

class ScriptedSource final : public InputSource {
 public:
  std::string name() const override { return "scripted"; }
  std::string description() const override { return "scripted input"; }
  SourceCoverage coverage() const override { return SourceCoverage::Injected; }
  bool start(InputSink sink, bool grabKeyboard, std::string& reason) override;
  void stop() override;
  bool running() const override;

  // Hands the event to the holder; false (nothing happens) while stopped.
  // Thread-safe.
  bool inject(const InputEvent& event);
  // Tests: make the next start fail with this reason (empty: start works).
  void failNextStart(std::string reason);

 private:
  // Recursive: a sink that runs inline may stop the source from inside
  // inject(); stop() from another thread waits for a delivery in progress.
  mutable std::recursive_mutex mutex_;
  InputSink sink_;
  bool running_ = false;
  std::string failReason_;
};

}  // namespace tessel::input
