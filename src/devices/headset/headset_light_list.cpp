#include "devices/headset/headset_light_list.h"

namespace tessel::headset {

void HeadsetLightList::load(std::vector<LightListEntry> entries, SteadyTime now) {
  // Entries past the headset's zones name LEDs it does not have.
  if (entries.size() > kZoneCount) entries.resize(kZoneCount);
  effects_.setEntries(std::move(entries), now);
}

}  // namespace tessel::headset
