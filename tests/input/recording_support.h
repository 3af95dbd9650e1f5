#pragma once
// A recording set up the way the main window runs one: the hook holder with
// the scripted source (events delivered inline), a macro recorder and an event
// list, on a manual clock.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/clock.h"
#include "input/device_hook.h"
#include "input/macro_recorder.h"
#include "input/scripted_source.h"
#include "macros/macro_event_list.h"

namespace tessel::input::testing {

struct Recording {
  ManualClock clock;
  std::shared_ptr<ScriptedSource> source = std::make_shared<ScriptedSource>();
  CDeviceHook hook;
  MacroRecorder recorder{clock};
  macros::MacroEventList list;
  std::vector<RecordOutcome> outcomes;

  Recording() { hook.AddSource(source); }

  void start(int mode, DelayMode delay, uint32_t fixed = macros::kDefaultFixedDelay) {
    recorder.Start(delay, fixed);
    ASSERT_TRUE(hook.Start(mode, [this](const HookMessage& m) {
      outcomes.push_back(recorder.OnHookMessage(m.mode, m.event, list));
    })) << hook.LastError();
  }
  void stop() { hook.Stop(); }

  void key(const char* name, bool down) {
    auto e = keyEventByName(name, down);
    ASSERT_TRUE(e) << name;
    source->inject(*e);
  }
  void button(const char* name, bool down, int x = 5000, int y = 5000) {
    auto e = buttonEventByName(name, down);
    ASSERT_TRUE(e) << name;
    e->hasPosition = true;
    e->x = x;
    e->y = y;
    source->inject(*e);
  }
  void at(int ms) {
    // The clock starts when the test starts; move it to `ms` from there.
    const auto target = start_ + Millis(ms);
    if (target > clock.now()) clock.advance(std::chrono::duration_cast<Millis>(target - clock.now()));
  }

  // Rows as "down 10 4 120" (action, type, button, delay field).
  std::vector<std::string> rows() const {
    std::vector<std::string> out;
    for (const auto& r : list.rows())
      out.push_back(std::string(r.event.down ? "down " : "up ") + std::to_string(r.event.type) + " " +
                    std::to_string(r.event.button) + " " + r.delayText);
    return out;
  }

  SteadyTime start_ = clock.now();
};

}  // namespace tessel::input::testing
