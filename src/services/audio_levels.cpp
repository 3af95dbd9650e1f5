#include "services/audio_levels.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace tessel {

namespace {

int32_t readLe32(const uint8_t* p) {
  const uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  return static_cast<int32_t>(v);
}

int64_t distance(int32_t a, int32_t b) {
  const int64_t d = std::llabs(int64_t{a} - int64_t{b});
  return std::min<int64_t>(d, std::numeric_limits<int32_t>::max());
}

}  // namespace

AudioLevelAnalyser::Samples decodeSamples(const uint8_t* bytes) {
  AudioLevelAnalyser::Samples s{};
  for (size_t i = 0; i < s.size(); ++i) s[i] = readLe32(bytes + 4 * i);
  return s;
}

AudioLevelAnalyser::Outcome AudioLevelAnalyser::receive(uint64_t dwData, const void* data, size_t bytes) {
  Outcome out;
  if (!data) return out;
  const auto* p = static_cast<const uint8_t*>(data);
  if (dwData == kExternalKind && bytes == kExternalBytes) {
    External values{};
    for (size_t i = 0; i < values.size(); ++i) values[i] = readLe32(p + 4 * i);
    std::lock_guard<std::mutex> lock(mutex_);
    external_ = values;
    out.kind = Outcome::Kind::External;
    out.external = values;
    return out;
  }
  if (dwData != kSamplesKind || bytes != kSampleBytes) return out;
  const Samples samples = decodeSamples(p);
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t j = 0; j < kBands; ++j) {
    int64_t sum = levels_[j];
    for (size_t k = 0; k < 4; ++k) sum += distance(samples[5 * j + k], previous_[5 * j + k]);
    levels_[j] = static_cast<int>(std::clamp<int64_t>(sum / 4, 0, kMaxLevel));
  }
  previous_ = samples;
  ++accepted_;
  out.kind = Outcome::Kind::Samples;
  // Sound after silence goes out with its first packet, and the count of
  // three starts again from there: the keyboard answers the first sound at
  // once instead of up to two packets later.
  const bool heard = std::any_of(levels_.begin(), levels_.end(), [](int l) { return l != 0; });
  if (++count_ >= kPacketsPerHandout || (quietHanded_ && heard)) {
    count_ = 0;
    out.handout = levels_;
    quietHanded_ = !heard;
  }
  return out;
}

AudioLevelAnalyser::Levels AudioLevelAnalyser::levels() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return levels_;
}

AudioLevelAnalyser::Samples AudioLevelAnalyser::lastSamples() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return previous_;
}

AudioLevelAnalyser::External AudioLevelAnalyser::lastExternal() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return external_;
}

uint64_t AudioLevelAnalyser::acceptedPackets() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return accepted_;
}

}  // namespace tessel
