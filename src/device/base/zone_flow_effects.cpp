#include "device/base/zone_flow_effects.h"

#include <algorithm>

namespace tessel {

namespace {

constexpr unsigned kWheel = 192;
constexpr unsigned kWave = 96;

uint8_t brightnessOf(const LightRecord& r) { return effect_tables::kBrightness[std::min<uint8_t>(r.light, 4)]; }

uint32_t zone(Rgb c, unsigned level) { return packZone(c.r, c.g, c.b, static_cast<uint8_t>(std::min(level, 255u))); }

Rgb colourOf(uint32_t z) { return {zoneRed(z), zoneGreen(z), zoneBlue(z)}; }

// Every zone whose band is set lights up fully.
void bandsFull(FlowState& s, size_t zoneCount) {
  const size_t n = std::min({zoneCount, s.levels.size(), s.bands.size()});
  for (size_t i = 0; i < n; ++i)
    if (s.bands[i] != 0) s.levels[i] = 255;
}

// Bands first..last move one place: towards higher indices (the last wraps
// to the first) when `up`, else towards lower indices.
void rotate(FlowState& s, size_t first, size_t last, bool up) {
  auto b = s.bands.begin();
  if (up) std::rotate(b + first, b + last, b + last + 1);
  else std::rotate(b + first, b + first + 1, b + last + 1);
}

// Steps 1 to 3 shared by both band flows.
void advance(FlowState& s, size_t zoneCount, size_t lastBand, bool up, bool forward) {
  s.phase = stepWithin(s.phase, kWheel, 1, forward);
  if (s.stepCounter >= 2) {
    s.stepCounter = 0;
    bandsFull(s, zoneCount);
    rotate(s, 0, lastBand, up);
  }
  ++s.stepCounter;
}

// The colour of one zone (or pair) in a band flow; `present` is what it shows now.
Rgb flowColour(FlowState& s, size_t zoneCount, const LightRecord& r, uint32_t present) {
  const Rgb fixed{r.red, r.green, r.blue};
  if (!r.multiColor) return fixed;
  s.phase = static_cast<uint8_t>(s.phase + 12);
  const uint8_t lead = r.fx ? s.levels[0] : s.levels[zoneCount - 1];
  if (lead != 0) return colourOf(present);
  return effect_tables::colourWheel()[s.phase >= kWheel ? s.phase - kWheel : s.phase];
}

}  // namespace

uint8_t stepWithin(uint8_t value, unsigned limit, unsigned step, bool forward) {
  if (forward) {
    const unsigned v = value + step;
    return static_cast<uint8_t>(v >= limit ? 0 : v);
  }
  const auto v = static_cast<uint8_t>(value - step);
  return static_cast<uint8_t>(v >= limit ? limit - step : v);
}

void waveStep(ZoneColours& zones, FlowState& s, const WaveParams& p, const LightRecord& r) {
  const bool forward = r.fx != 0;
  const unsigned f = brightnessOf(r);
  if (r.multiColor) {
    s.phase = stepWithin(s.phase, kWheel, p.multiStep, forward);
    unsigned c = s.phase + p.multiStart;
    const auto& wheel = effect_tables::colourWheel();
    for (size_t i = 0; i < p.zones; ++i) {
      zones.set(i, zone(wheel[c % kWheel], f));
      c += p.multiIncrement;
      if (c >= kWheel) c -= kWheel;
    }
    return;
  }
  s.phase = stepWithin(s.phase, kWave, p.oneStep, forward);
  unsigned c = s.phase + p.oneStart;
  const Rgb fixed{r.red, r.green, r.blue};
  const auto& wave = effect_tables::breathingWave();
  for (size_t i = 0; i < p.zones; ++i) {
    zones.set(i, zone(fixed, f * wave[c % kWave] / 256));
    c += p.oneIncrement;
    if (c >= kWave) c -= kWave;
  }
}

void bandFlowStep(ZoneColours& zones, FlowState& s, size_t zoneCount, const LightRecord& r) {
  zoneCount = std::min(zoneCount, s.levels.size());
  if (zoneCount == 0) return;
  const bool forward = r.fx != 0;
  advance(s, zoneCount, FlowState::kBands - 1, forward, forward);
  const unsigned f = brightnessOf(r);
  for (size_t i = 0; i < zoneCount; ++i) {
    s.levels[i] = audioBandDecay(s.levels[i], r.selectItem);
    const Rgb c = flowColour(s, zoneCount, r, zones.get(i));
    zones.set(i, zone(c, f * s.levels[i] / 256));
  }
}

void mirroredBandFlowStep(ZoneColours& zones, FlowState& s, size_t zoneCount, const LightRecord& r) {
  zoneCount = std::min(zoneCount, s.levels.size());
  if (zoneCount == 0) return;
  const bool forward = r.fx != 0;
  advance(s, zoneCount, 7, !forward, forward);
  const unsigned f = brightnessOf(r);
  for (size_t k = 0; k < kMirrorPairs.size(); ++k) {
    const auto [a, b] = kMirrorPairs[k];
    s.levels[k] = audioBandDecay(s.levels[k], r.selectItem);
    const Rgb c = flowColour(s, zoneCount, r, zones.get(a));
    const uint32_t record = zone(c, f * s.levels[k] / 256);
    if (a < zoneCount) zones.set(a, record);
    if (b < zoneCount) zones.set(b, record);
  }
}

}  // namespace tessel
