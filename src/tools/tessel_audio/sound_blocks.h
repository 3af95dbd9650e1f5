#pragma once
// What the companion makes of the captured sound: every frame mixed down to
// one sample (full scale 1.0 = 8192), cut into consecutive blocks of 500
// samples whatever the fragment sizes the sound server hands over, and each
// block sent as 2000 bytes of little-endian int32.
#include <array>
#include <condition_variable>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>

namespace tessel::audio_companion {

inline constexpr size_t kBlockSamples = 500;
inline constexpr int32_t kFullScale = 8192;
inline constexpr size_t kBlockBytes = kBlockSamples * 4;

using SoundBlock = std::array<int32_t, kBlockSamples>;

// The average of a frame's channels, scaled, rounded and clamped to
// -8192..8192. A frame that is not a number (a broken stream) counts as silence.
int32_t mixDown(const float* frame, int channels);

// Collects mixed-down samples and hands out each block of 500 as it fills.
// Nothing is lost or repeated across calls, whatever the number of frames in each.
class BlockCutter {
 public:
  using Sink = std::function<void(const SoundBlock&)>;
  explicit BlockCutter(Sink sink) : sink_(std::move(sink)) {}

  // `frames` interleaved frames of `channels` floats each.
  void push(const float* interleaved, size_t frames, int channels);
  // Samples waiting for the rest of their block.
  size_t pending() const { return fill_; }
  // Drops a partial block (the capture was closed: its tail and the next
  // capture's head are not consecutive).
  void reset() { fill_ = 0; }

 private:
  Sink sink_;
  SoundBlock block_{};
  size_t fill_ = 0;
};

// The block as it goes on the bus: 500 little-endian int32.
std::array<uint8_t, kBlockBytes> encodeBlock(const SoundBlock& block);

// The largest |sample| of a block.
int32_t blockPeak(const SoundBlock& block);

// Quiet blocks are not sent: while every sample stays within the floor
// (about -60 dB of full scale) nothing goes on the bus and the keyboard's
// frame rests. When the sound falls quiet, a short tail of blocks still goes
// out, enough for the main window's band levels (each keeps a quarter of
// itself per block and is handed out every third block) to reach zero, so
// the lights do not stay lit with the last sound.
class SilenceGate {
 public:
  static constexpr int32_t kFloor = 8;
  static constexpr int kTail = 9;
  // True when `block` is to be sent.
  bool pass(const SoundBlock& block) {
    if (blockPeak(block) > kFloor) {
      tail_ = kTail;
      return true;
    }
    if (tail_ == 0) return false;
    --tail_;
    return true;
  }
  bool quiet() const { return tail_ == 0; }

 private:
  int tail_ = 0;  // quiet blocks still to send; none before the first sound
};

// Blocks from the capture thread to the bus thread. Bounded: when the
// consumer lags the OLDEST blocks are dropped, so what is sent stays recent.
class BlockQueue {
 public:
  explicit BlockQueue(size_t capacity) : capacity_(capacity ? capacity : 1) {}

  // Returns true when the queue was empty before (the consumer needs waking).
  bool push(const SoundBlock& block);
  std::optional<SoundBlock> tryPop();
  // Waits until a block is there or `deadline` passes (or close() is called).
  std::optional<SoundBlock> popUntil(std::chrono::steady_clock::time_point deadline);
  void close();
  bool closed() const;
  void clear();
  size_t size() const;
  uint64_t dropped() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<SoundBlock> blocks_;
  size_t capacity_;
  uint64_t dropped_ = 0;
  bool closed_ = false;
};

// "--print-levels": counts blocks and keeps the peak over one second of sound
// (rate / 500 blocks), then gives the line to print.
class LevelMeter {
 public:
  explicit LevelMeter(unsigned rate) : blocksPerLine_(rate / kBlockSamples ? rate / kBlockSamples : 1) {}
  // The line when this block completes a second of sound.
  std::optional<std::string> add(const SoundBlock& block);

 private:
  size_t blocksPerLine_;
  uint64_t total_ = 0;
  size_t inLine_ = 0;
  int32_t peak_ = 0;
};

}  // namespace tessel::audio_companion
