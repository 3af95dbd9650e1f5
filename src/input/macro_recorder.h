#pragma once
// The recording model of the macro editor: what happens to one hook message
// in modes 4, 8, 16 and 32. It turns a key or button event into a macro event
// and places it in the editor's event list with its delay rules, and tells
// the page what to show.
//
// Delays: the delay of an event is the pause AFTER it, so a new event sets
// the delay of its predecessor (in record mode the time since the previous
// event) and gets 0 (or the fixed delay) itself until the next one arrives.
// The predecessor is only touched once this editor has placed an event, so a
// recording appended to an old macro leaves its last row alone the first time.
//
// Filters: a held key repeats "down" without an "up" in between; only the
// first is kept. Mouse sources may report one message twice; only the first
// is kept. Both memories start empty with every recording, so a release that
// happened while no recording ran can neither swallow the next press nor
// leave a key that seems held.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "core/clock.h"
#include "input/input_source.h"
#include "macros/macro_event_list.h"

namespace tessel::input {

enum class DelayMode { Record = 1, Fixed = 2, Ignore = 3 };

// The four placements, by their hook mode.
enum class Placement { Append = 4, InsertBefore = 8, InsertAfter = 16, Replace = 32 };
std::optional<Placement> placementForMode(int mode);

// After a placement that added a row the page scrolls to the selected row
// 50 ms later with this timer.
inline constexpr int kScrollTimerId = 4101;
inline constexpr Millis kScrollDelay{50};

// The screen rectangle of "macro_btn_stopredio": a left press or release in
// it is the user stopping, not something to record.
struct ScreenRect {
  int32_t x = 0, y = 0, width = 0, height = 0;
  bool contains(int32_t px, int32_t py) const {
    return width > 0 && height > 0 && px >= x && py >= y && px - x < width && py - y < height;
  }
};

// What the page must do after one hook message.
struct RecordOutcome {
  enum class What {
    Dropped,   // filtered, unknown key or button, or nothing selected
    Added,     // a row was added and selected: refresh, scroll after kScrollDelay
    Replaced,  // the selected row took the new key or button
    Full,      // the list holds 4000 rows: nothing added; say the macro is full
  };
  What what = What::Dropped;
  std::optional<size_t> selected;  // the row to select (Added, Replaced)
  std::string nameKey;             // the event's name key (Added, Replaced)
  bool scroll() const { return what == What::Added; }
};

// The macro event of a keyboard event: type 10 with the key's HID usage, or
// type 9 with its modifier bit; nothing for keys outside the first 113 rows
// of the key table. Also gives the key's name key.
std::optional<macros::MacroEvent> keyMacroEvent(const InputEvent& event, std::string* nameKey = nullptr);
// The macro event of a mouse button message (rows 0..9 of the mouse event
// table; the extra buttons by the high half of the mouse data).
std::optional<macros::MacroEvent> mouseMacroEvent(const InputEvent& event, std::string* nameKey = nullptr);

class MacroRecorder {
 public:
  explicit MacroRecorder(const Clock& clock);

  // A recording starts: the delay mode, the fixed delay (read from
  // "macro_fixed_time_edit", clamped to 65535), last tick := now, and every
  // filter memory emptied. The recorded-event flag stays as it is.
  void Start(DelayMode mode, uint32_t fixedDelay = macros::kDefaultFixedDelay);
  // Where "macro_btn_stopredio" is on the screen (nothing: no such filter).
  void SetStopButton(std::optional<ScreenRect> rect) { stopButton_ = rect; }

  // One keyboard or mouse hook message for `placement` into `list`.
  RecordOutcome OnKeyboard(Placement placement, const InputEvent& event, macros::MacroEventList& list);
  RecordOutcome OnMouse(Placement placement, const InputEvent& event, macros::MacroEventList& list);
  // Either of the above by the message's mode (4, 8, 16, 32) and kind.
  RecordOutcome OnHookMessage(int mode, const InputEvent& event, macros::MacroEventList& list);

  DelayMode Mode() const { return mode_; }
  uint16_t FixedDelay() const { return fixedDelay_; }
  bool RecordedEvent() const { return recordedEvent_; }

 private:
  struct KeyMemory {
    uint8_t scanCode = 0;
    bool extended = false;
  };
  static size_t slot(Placement p);
  uint16_t predecessorDelay();
  RecordOutcome place(Placement placement, const macros::MacroEvent& event, const std::string& nameKey,
                      macros::MacroEventList& list);

  const Clock& clock_;
  DelayMode mode_ = DelayMode::Record;
  uint16_t fixedDelay_ = macros::kDefaultFixedDelay;
  SteadyTime lastTick_{};
  bool recordedEvent_ = false;  // set by the first placed event, never cleared
  std::optional<ScreenRect> stopButton_;
  // One memory per placement handler.
  std::array<std::optional<KeyMemory>, 4> lastKey_{};
  std::array<std::optional<uint32_t>, 4> lastMouse_{};
};

}  // namespace tessel::input
