#include "tools/tessel_audio/sound_blocks.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tessel::audio_companion {

int32_t mixDown(const float* frame, int channels) {
  if (channels <= 0) return 0;
  double sum = 0;
  for (int c = 0; c < channels; ++c) sum += frame[c];
  const double scaled = sum / channels * kFullScale;
  if (std::isnan(scaled)) return 0;
  if (scaled >= kFullScale) return kFullScale;
  if (scaled <= -kFullScale) return -kFullScale;
  return static_cast<int32_t>(std::lround(scaled));
}

void BlockCutter::push(const float* interleaved, size_t frames, int channels) {
  if (channels <= 0) return;
  for (size_t f = 0; f < frames; ++f) {
    block_[fill_++] = mixDown(interleaved + f * static_cast<size_t>(channels), channels);
    if (fill_ == kBlockSamples) {
      fill_ = 0;
      if (sink_) sink_(block_);
    }
  }
}

std::array<uint8_t, kBlockBytes> encodeBlock(const SoundBlock& block) {
  std::array<uint8_t, kBlockBytes> bytes{};
  for (size_t i = 0; i < kBlockSamples; ++i) {
    const auto v = static_cast<uint32_t>(block[i]);
    bytes[i * 4] = static_cast<uint8_t>(v);
    bytes[i * 4 + 1] = static_cast<uint8_t>(v >> 8);
    bytes[i * 4 + 2] = static_cast<uint8_t>(v >> 16);
    bytes[i * 4 + 3] = static_cast<uint8_t>(v >> 24);
  }
  return bytes;
}

int32_t blockPeak(const SoundBlock& block) {
  int32_t peak = 0;
  for (int32_t s : block) peak = std::max(peak, std::abs(s));  // samples stay within +-8192
  return peak;
}

bool BlockQueue::push(const SoundBlock& block) {
  bool wasEmpty;
  {
    std::lock_guard lock(mutex_);
    if (closed_) return false;
    wasEmpty = blocks_.empty();
    while (blocks_.size() >= capacity_) {
      blocks_.pop_front();
      ++dropped_;
    }
    blocks_.push_back(block);
  }
  ready_.notify_one();
  return wasEmpty;
}

std::optional<SoundBlock> BlockQueue::tryPop() {
  std::lock_guard lock(mutex_);
  if (blocks_.empty()) return std::nullopt;
  SoundBlock b = blocks_.front();
  blocks_.pop_front();
  return b;
}

std::optional<SoundBlock> BlockQueue::popUntil(std::chrono::steady_clock::time_point deadline) {
  std::unique_lock lock(mutex_);
  ready_.wait_until(lock, deadline, [&] { return closed_ || !blocks_.empty(); });
  if (blocks_.empty()) return std::nullopt;
  SoundBlock b = blocks_.front();
  blocks_.pop_front();
  return b;
}

void BlockQueue::close() {
  {
    std::lock_guard lock(mutex_);
    closed_ = true;
  }
  ready_.notify_all();
}

bool BlockQueue::closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

void BlockQueue::clear() {
  std::lock_guard lock(mutex_);
  blocks_.clear();
}

size_t BlockQueue::size() const {
  std::lock_guard lock(mutex_);
  return blocks_.size();
}

uint64_t BlockQueue::dropped() const {
  std::lock_guard lock(mutex_);
  return dropped_;
}

std::optional<std::string> LevelMeter::add(const SoundBlock& block) {
  ++total_;
  peak_ = std::max(peak_, blockPeak(block));
  if (++inLine_ < blocksPerLine_) return std::nullopt;
  std::string line = "blocks " + std::to_string(total_) + " peak " + std::to_string(peak_);
  inLine_ = 0;
  peak_ = 0;
  return line;
}

}  // namespace tessel::audio_companion
