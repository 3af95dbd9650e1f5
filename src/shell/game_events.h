#pragma once
// Game events: a game integration asks for a light mode for a few seconds
// with the registered messages "Game_Start", "Game_End", "Game_Kill" and
// "Game_Death" (wParam 0, 1 or 2; lParam the requested mode), and timer 1066
// puts the page's own lighting back 5 s after the last one.
//
// What a page had before the first event of a run is kept here, whole, so
// the restore gives back its mode and also the brightness, speed and
// direction that a wParam 0 event overwrote. A second event within the 5 s
// keeps that first record; the timer restarts.
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

class GameEventRestore {
 public:
  using Page = const UsbDeviceController*;
  // `record` is what `page` shows before the event is applied; kept only
  // when no run of events has touched the page yet.
  void eventApplied(Page page, const LightRecord& record);
  // Timer 1066: every page a run of events changed, with the record to put
  // back; the run is over afterwards.
  std::vector<std::pair<Page, LightRecord>> takeAll();
  // The page goes away: nothing to restore on it.
  void forget(Page page) { saved_.erase(page); }
  std::optional<LightRecord> saved(Page page) const;
  bool empty() const { return saved_.empty(); }

 private:
  std::map<Page, LightRecord> saved_;
};

}  // namespace tessel
