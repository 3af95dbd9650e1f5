#pragma once
// The sound data the audio companion sends to the main window, reduced to
// what the keyboard's audio mode plays.
//
// dwData 1 carries exactly 2000 bytes: 500 little-endian signed 32-bit
// samples. Each packet is compared with the previous one: d[i] is the
// distance between sample i of both, and band j (0..24) takes the four
// distances d[5j] .. d[5j+3]:  L[j] = (L[j] + d[5j] + d[5j+1] + d[5j+2] +
// d[5j+3]) / 4, so a band keeps a quarter of its level and grows with the
// change. Every third packet hands the 25 levels out; after a handout of
// silence (every level 0) the first packet with sound hands them out at once
// and the count of three starts again there.
//
// dwData 2 carries exactly 24 bytes: six signed 32-bit values, the external
// colour input of the keyboard.
//
// Anything else (another dwData, another size) is ignored and changes
// nothing: a short packet would otherwise leave the tail of an older one in
// place, and a long one has no meaning past its buffer.
//
// Samples are outside input: their distance is taken in 64 bits (the
// distance of INT32_MIN and INT32_MAX does not fit 32 bits, and |INT32_MIN|
// does not exist), clamped to 0..INT32_MAX, and a band level is clamped to
// 0..2000, the range the keyboard's audio styles are built for.
//
// Thread-safe: every member takes the lock.
#include <array>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

namespace tessel {

class AudioLevelAnalyser {
 public:
  static constexpr uint64_t kSamplesKind = 1;
  static constexpr uint64_t kExternalKind = 2;
  static constexpr size_t kSamples = 500;
  static constexpr size_t kSampleBytes = kSamples * 4;  // 2000
  static constexpr size_t kExternalValues = 6;
  static constexpr size_t kExternalBytes = kExternalValues * 4;  // 24
  static constexpr size_t kBands = 25;
  static constexpr int kMaxLevel = 2000;
  // Levels go out with every third packet (and sound after silence at
  // once), together with this count.
  static constexpr int kPacketsPerHandout = 3;
  static constexpr int kHandoutCount = 500;

  using Samples = std::array<int32_t, kSamples>;
  using Levels = std::array<int, kBands>;
  using External = std::array<int32_t, kExternalValues>;

  struct Outcome {
    enum class Kind { Ignored, Samples, External } kind = Kind::Ignored;
    // Samples: the levels to hand out when this packet was a third one.
    std::optional<Levels> handout;
    // External: the six values.
    External external{};
  };

  // One copy-data block from the companion.
  Outcome receive(uint64_t dwData, const void* data, size_t bytes);

  Levels levels() const;
  // The last packet's samples (all 0 before any).
  Samples lastSamples() const;
  External lastExternal() const;
  // Packets of samples taken so far.
  uint64_t acceptedPackets() const;

 private:
  mutable std::mutex mutex_;
  Samples previous_{};
  Levels levels_{};
  External external_{};
  int count_ = 0;
  bool quietHanded_ = true;  // the last handout was silence (or there was none)
  uint64_t accepted_ = 0;
};

// The 500 samples of a 2000-byte block (little-endian).
AudioLevelAnalyser::Samples decodeSamples(const uint8_t* bytes);

}  // namespace tessel
