// Copy-data blocks as another process may send them: the first byte picks
// the dwData, the rest is the payload, cut into blocks by the next bytes.
// Whatever arrives, band levels stay within 0..2000, only blocks of exactly
// 2000 (dwData 1) or 24 bytes (dwData 2) are taken, and the handout comes
// with every third accepted packet since the last one, or at once with sound
// after a handout of silence.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "services/audio_levels.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tessel::AudioLevelAnalyser a;
  size_t at = 0;
  uint64_t accepted = 0;
  int since = 0;       // accepted packets since the last handout
  bool quiet = true;   // the last handout was silence (or there was none)
  while (at + 2 <= size) {
    const uint64_t kind = data[at] % 4;
    // Block length: 2000 or 24 most of the time, else whatever the byte says.
    const uint8_t pick = data[at + 1];
    at += 2;
    size_t length = pick < 96 ? 2000 : pick < 160 ? 24 : pick;
    std::vector<uint8_t> block(length);
    for (size_t i = 0; i < length; ++i) block[i] = at < size ? data[at++] : static_cast<uint8_t>(i * 37);
    const auto out = a.receive(kind, block.data(), block.size());
    const bool samples = kind == 1 && length == 2000;
    const bool external = kind == 2 && length == 24;
    if ((out.kind == tessel::AudioLevelAnalyser::Outcome::Kind::Samples) != samples) std::abort();
    if ((out.kind == tessel::AudioLevelAnalyser::Outcome::Kind::External) != external) std::abort();
    if (samples) {
      ++accepted;
      const auto levels = a.levels();
      const bool heard = std::any_of(levels.begin(), levels.end(), [](int l) { return l != 0; });
      if ((++since >= 3 || (quiet && heard)) != out.handout.has_value()) std::abort();
      if (out.handout) {
        since = 0;
        quiet = !heard;
      }
    }
    for (int l : a.levels())
      if (l < 0 || l > tessel::AudioLevelAnalyser::kMaxLevel) std::abort();
  }
  if (a.acceptedPackets() != accepted) std::abort();
  return 0;
}
