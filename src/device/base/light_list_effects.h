#pragma once
// The "LightList" effects: entry i of the list gives zone i a light of its
// own, applied on top of whatever the device's effect left in the zone after
// every pass of the light thread. Entry modes: 0 breathing, 1 static,
// 2 flashing, 3 colour wheel, 4 off; any other mode leaves the zone alone, as
// do zones without an entry. Entries past the last zone are ignored.
//
// The state lives in this object, one per device: two devices of one kind
// never disturb each other's effects. Not locked: the owner calls it under
// its own lock (reload on the UI thread, passes on the light thread).
#include <chrono>
#include <cstdint>
#include <vector>

#include "core/clock.h"
#include "core/light_record.h"
#include "device/base/software_effects.h"

namespace tessel {

class LightListEffects {
 public:
  enum Mode : uint8_t { Breathing = 0, Static = 1, Flashing = 2, ColourWheel = 3, Off = 4 };

  struct ZoneState {
    uint8_t breathPhase = 0;
    uint8_t breathColour = 0;
    uint8_t breathShown = 0;  // the colour index the last breathing pass showed
    bool flashOn = false;
    uint8_t flashColour = 0;
    bool toggled = false;  // false until the first toggle: the first pass toggles
    SteadyTime lastToggle{};
    Millis flashPeriod{0};
    uint8_t wheelColour = 0;
    uint8_t wheelCounter = 0;
    uint8_t wheelInterval = 1;
  };

  explicit LightListEffects(ZoneColours& zones) : zones_(zones) {}

  // Replaces the entries and restarts.
  void setEntries(std::vector<LightListEntry> entries, SteadyTime now);
  const std::vector<LightListEntry>& entries() const { return entries_; }
  // Every effect from its start, then one pass.
  void restart(SteadyTime now);
  // One pass of breathing, flashing and colour wheel, and the static and off
  // zones, written into the zone array.
  void pass(SteadyTime now);
  // Writes the zones as the last pass left them, without moving any effect
  // on (after the device's own effect overwrote them between passes).
  void repaint();
  // Whether a pass can change a zone from one pass to the next (breathing,
  // flashing or colour wheel in use): otherwise a pass only repeats itself.
  bool animated() const;
  // Whether any zone is driven at all.
  bool active() const;

  const ZoneState& state(size_t zone) const { return state_.at(zone); }
  size_t drivenZones() const { return state_.size(); }

 private:
  void breathingStep(size_t i);
  void flashingStep(size_t i, SteadyTime now);
  void colourWheelStep(size_t i);
  void paint(size_t i);

  ZoneColours& zones_;
  std::vector<LightListEntry> entries_;
  std::vector<ZoneState> state_;  // one per entry that has a zone
};

}  // namespace tessel
