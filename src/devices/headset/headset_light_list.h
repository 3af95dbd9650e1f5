#pragma once
// The headset's "LightList" effects: entry i of the profile's light list gives
// zone i a light of its own on top of the dispatched effect, for the 13 zones
// of the headset (entries past zone 12 are dropped, a zone without an entry
// keeps what the effect gave it). Each entry keeps its own state: breath
// position and colour index (breathing), flash clock, on/off flag and flash
// colour index (flashing; every entry's clock runs whatever its mode), cycle
// count, interval and colour index (colour cycle).
//
// The per-entry effects themselves are the device base's (light_list_effects.h);
// this object owns one set of them for one headset and decides when they
// start over: *refresh view* resets every entry (load), a pass moves them on.
// Not locked: the headset's lighting calls it under its own lock.
#include <vector>

#include "core/clock.h"
#include "core/light_record.h"
#include "device/base/light_list_effects.h"
#include "devices/headset/headset_encoding.h"

namespace tessel::headset {

class HeadsetLightList {
 public:
  explicit HeadsetLightList(ZoneColours& zones) : effects_(zones) {}

  // Refresh view: takes the document's entries (the first 13) and starts
  // every entry's state from zero: breath positions and colour indices 0,
  // flash clocks 0 and off, each flash period (28, 23, 18, 13, 7)[speed] x
  // 200 ms, cycle counts 0 and intervals (28, 23, 18, 13, 7)[speed] passes.
  void load(std::vector<LightListEntry> entries, SteadyTime now);
  // The same entries from their start.
  void reset(SteadyTime now) { effects_.restart(now); }
  // After every dispatched pass: moves each entry on and writes its zone.
  void pass(SteadyTime now) { effects_.pass(now); }
  // Writes the zones as the last pass left them (after a step out of turn).
  void repaint() { effects_.repaint(); }
  // Whether a pass can change a zone (breathing, flashing or cycling entries).
  bool animated() const { return effects_.animated(); }

  const std::vector<LightListEntry>& entries() const { return effects_.entries(); }
  const LightListEffects::ZoneState& state(size_t zone) const { return effects_.state(zone); }
  size_t drivenZones() const { return effects_.drivenZones(); }

 private:
  LightListEffects effects_;
};

}  // namespace tessel::headset
