#pragma once
// The zone effects the mousepad and the headset compute themselves, over
// their rows of zones: a wave, and a band flow (straight and mirrored) driven
// by the level-based band buffer. The two devices run the same effects with
// other numbers (zone count, phase steps, colour spacing), so each effect
// takes its parameters.
//
// The phase, the step counter and the band and level buffers are the
// device's own (FlowState), owned and locked by the device's lighting; these
// functions only step them and write the zone records.
#include <array>
#include <cstddef>
#include <cstdint>

#include "core/light_record.h"
#include "device/base/software_effects.h"

namespace tessel {

struct FlowState {
  static constexpr size_t kBands = 23;
  static constexpr size_t kLevels = 170;
  uint8_t phase = 0;
  uint8_t stepCounter = 0;
  std::array<uint8_t, 24> bands{};  // bands 0..22 take part in the rotation
  std::array<uint8_t, kLevels> levels{};
};

// Steps `value` by `step` within `limit`: forward (direction set) adds and
// gives 0 once the result reaches the limit; backward subtracts as an
// unsigned byte and gives limit - step once the result is not below it.
uint8_t stepWithin(uint8_t value, unsigned limit, unsigned step, bool forward);

struct WaveParams {
  size_t zones;
  // Multi-colour: the phase steps by multiStep within 192; zone 0 takes the
  // wheel at phase + multiStart, each next zone multiIncrement further.
  unsigned multiStep, multiStart, multiIncrement;
  // One colour: the phase steps by oneStep within 96; zone 0's level is the
  // breathing wave at phase + oneStart, each next zone oneIncrement further.
  unsigned oneStep, oneStart, oneIncrement;
};
inline constexpr WaveParams kMousepadWave{15, 1, 1, 7, 1, 1, 7};
inline constexpr WaveParams kHeadsetWave{13, 1, 1, 16, 3, 0, 10};

// The mirrored band flow's zone pairs; members past the zone count are skipped.
inline constexpr std::array<std::array<uint8_t, 2>, 7> kMirrorPairs{
    {{1, 14}, {2, 13}, {3, 12}, {4, 11}, {5, 10}, {6, 9}, {7, 8}}};

// Uses the record's direction, multi-colour flag, colour and brightness.
void waveStep(ZoneColours& zones, FlowState& state, const WaveParams& params, const LightRecord& record);

// Band flow over zones 0..zoneCount-1: every second step the zones whose band
// is set light up fully and the 23 bands rotate (towards higher indices
// forward); each zone's level decays with the record's select item as the
// curve. With multi-colour a zone takes a new wheel colour while the leading
// level (zone 0 forward, the last zone backward) is dark, else keeps its own.
void bandFlowStep(ZoneColours& zones, FlowState& state, size_t zoneCount, const LightRecord& record);

// The same over the mirror pairs, with bands 0..7 rotating the other way
// (towards lower indices forward). Zone 0 is not written.
void mirroredBandFlowStep(ZoneColours& zones, FlowState& state, size_t zoneCount, const LightRecord& record);

}  // namespace tessel
