// What reaches tessel-audio from outside: commands with any wParam/lParam,
// copy-data blocks of any size and dwData, and captured float frames of any
// value (NaN, infinities). The state stays consistent, colours stay 0..255,
// only a style colour block is answered with 1, and every sample stays in
// -8192..8192 with exactly one block per 500 frames.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "tools/tessel_audio/companion_state.h"
#include "tools/tessel_audio/sound_blocks.h"

using namespace tessel::audio_companion;

namespace {

bool inByte(int v) { return v >= 0 && v <= 255; }
bool colourOk(const Rgb& c) { return inByte(c.red) && inByte(c.green) && inByte(c.blue); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CompanionState state;
  size_t at = 0;
  // Records: 'c' wParam(8) lParam(8) | 'd' dwData(1) length(1) bytes | 'f' frames...
  while (at < size) {
    const uint8_t kind = data[at++];
    if (kind % 3 == 0 && at + 16 <= size) {
      uint64_t w;
      int64_t l;
      std::memcpy(&w, data + at, 8);
      std::memcpy(&l, data + at + 8, 8);
      at += 16;
      const bool wasEnded = state.ended();
      const Actions a = state.onCommand(w % 12, l);  // mostly known commands, some unknown
      if (wasEnded && (a.openCapture || a.quit || a.watchMain)) __builtin_trap();
      if (a.openCapture && a.closeCapture) __builtin_trap();
    } else if (kind % 3 == 1 && at + 2 <= size) {
      const uint64_t dwData = data[at] % 12;
      const size_t length = std::min<size_t>(data[at + 1], size - at - 2);
      const int64_t answer = state.onCopyData(dwData, data + at + 2, length);
      if (answer == 1 && (dwData != kStyleColourData || length < 12)) __builtin_trap();
      if (answer != 0 && answer != 1) __builtin_trap();
      at += 2 + length;
    } else {
      // The rest: stereo float frames through the block cutter.
      const size_t frames = (size - at) / (2 * sizeof(float));
      std::vector<float> samples(frames * 2);
      if (frames) std::memcpy(samples.data(), data + at, frames * 2 * sizeof(float));
      size_t blocks = 0;
      BlockCutter cutter([&](const SoundBlock& b) {
        ++blocks;
        for (int32_t s : b)
          if (s < -kFullScale || s > kFullScale) __builtin_trap();
        if (encodeBlock(b).size() != kBlockBytes) __builtin_trap();
      });
      // In two uneven pieces, as fragments come.
      const size_t first = frames / 3;
      cutter.push(samples.data(), first, 2);
      cutter.push(samples.data() + first * 2, frames - first, 2);
      if (blocks != frames / kBlockSamples || cutter.pending() != frames % kBlockSamples) __builtin_trap();
      break;
    }
    if (state.sending() && !state.captureOpen()) __builtin_trap();
    if (!colourOk(state.sliderColour()) || !colourOk(state.styleColour())) __builtin_trap();
  }
  return 0;
}
