// A light settings block as a mousepad or headset sends it, through the
// decoder, the refresh and the encoder, then its bytes as the light record
// and effect state of the zone effects. Layout of the input: byte 0 the
// current profile byte, 1 the profile count, 2 the select item, 3 the zone
// count, 4 the number n of mode codes, then n codes, then 31 block bytes,
// then bytes for the band and level buffers.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/base/light_settings_block.h"
#include "device/base/zone_flow_effects.h"

using namespace tessel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const size_t n = data[4];
  if (size < 5 + n + kLightBlockReadSize) return 0;
  const std::vector<uint8_t> codes(data + 5, data + 5 + n);
  std::array<uint8_t, kLightBlockReadSize> read{};
  std::copy_n(data + 5 + n, kLightBlockReadSize, read.begin());
  const uint8_t profile = boundedProfile(data[0], data[1]);
  if (data[1] != 0 && profile >= data[1]) __builtin_trap();

  LightSettingsBlock block = decodeLightSettingsBlock(read, profile, codes);
  if (block.image[light_block::kBrightness] > 4 || block.image[light_block::kSpeed] > 4) __builtin_trap();
  LightRecord record;
  record.selectItem = data[2];
  record.light = read[2];
  record.speed = read[3];
  record.fx = read[4];
  record.multiColor = read[5];
  record.red = read[6];
  record.green = read[7];
  record.blue = read[8];
  refreshLightSettingsImage(block.image, record);
  const LightBlockBytes sent = encodeLightSettingsBlock(block, record.selectItem, codes);
  if (sent[light_block::kSpeed] > 4 || sent[light_block::kProfile] != read[0]) __builtin_trap();
  if (!std::equal(sent.begin() + 9, sent.end(), read.begin() + 9)) __builtin_trap();

  const size_t zones = data[3];
  ZoneColours colours(zones);
  FlowState state;
  state.phase = read[9];
  state.stepCounter = read[10];
  const uint8_t* rest = data + 5 + n + kLightBlockReadSize;
  const size_t restSize = size - (5 + n + kLightBlockReadSize);
  for (size_t i = 0; i < restSize && i < state.bands.size(); ++i) state.bands[i] = rest[i];
  for (size_t i = state.bands.size(); i < restSize && i - state.bands.size() < state.levels.size(); ++i)
    state.levels[i - state.bands.size()] = rest[i];
  WaveParams wave = read[11] & 1 ? kHeadsetWave : kMousepadWave;
  wave.zones = zones;
  waveStep(colours, state, wave, record);
  bandFlowStep(colours, state, zones, record);
  mirroredBandFlowStep(colours, state, zones, record);
  return 0;
}
