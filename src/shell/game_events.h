#pragma once
// Game events: a game integration asks for a light mode for a few seconds
// with the registered messages "Game_Start", "Game_End", "Game_Kill" and
// "Game_Death" (wParam 0, 1 or 2; lParam the requested mode), and timer 1066
// puts the page's own lighting back 5 s after the last one.
//
// The restore gives back only what the events changed: for each field of the
// light record, the value from before the first event of a run returns when
// an event changed it and it still holds what the last event left there. A
// colour set from tesselctl or the page during the 5 s therefore stays, and
// so does a mode the user picked. A light edit on a page (the record no
// longer equals what the last event left) ends the run for that page at once.
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include "core/light_record.h"

namespace tessel {

class UsbDeviceController;

inline constexpr unsigned kGameRestoreTimer = 1066;
inline constexpr unsigned kGameRestoreDelayMs = 5000;

// The record after a game event. wParam 0: lParam's low four bytes (little
// endian) replace select item, brightness, speed and direction; wParam 1 and
// 2: its low byte replaces the select item only. nullopt for any other
// wParam (the page is left alone). Brightness and speed from another
// program are brought back to 0..4, the range every device encodes.
std::optional<LightRecord> gameEventRecord(const LightRecord& record, uint64_t wParam, int64_t lParam);

// `now` with every field that differs between `before` and `applied` (the
// event changed it) and still equals `applied` (nobody changed it since) set
// back to its value in `before`.
LightRecord restoreEventFields(const LightRecord& before, const LightRecord& applied, const LightRecord& now);

class GameEventRestore {
 public:
  using Page = const UsbDeviceController*;
  // `before` is what `page` showed before this event, `shown` what it shows
  // after it. `before` is kept only when no run of events has touched the
  // page yet; `shown` always replaces the last event's record.
  void eventApplied(Page page, const LightRecord& before, const LightRecord& shown);
  // Whether `now` (what the page shows) is no longer what the last event
  // left: someone edited the light during the run.
  bool edited(Page page, const LightRecord& now) const;
  // Ends the page's run: the record to store (see restoreEventFields), or
  // nullopt when the page was in no run or nothing is left to put back.
  std::optional<LightRecord> finish(Page page, const LightRecord& now);
  // Every page in a run.
  std::vector<Page> pages() const;
  // The page goes away: nothing to restore on it.
  void forget(Page page) { runs_.erase(page); }
  std::optional<LightRecord> saved(Page page) const;
  bool empty() const { return runs_.empty(); }

 private:
  struct Run {
    LightRecord before;
    LightRecord applied;
  };
  std::map<Page, Run> runs_;
};

}  // namespace tessel
