#pragma once
// Which live frames go to the device. A frame that differs from the last one
// handed to the sender goes at once. The same frame goes again only while it
// may not be on the device whole (its send failed, or a chunk gave way to a
// settings transfer): after kRetry. Once the sender says it arrived whole, a
// still picture is sent again only every kRefresh, for a device that lost it
// unseen. So a picture that stands costs a look twice a second until it is
// known to be on the device, then one every ten seconds.
#include <cstdint>
#include <mutex>
#include <vector>

#include "core/clock.h"

namespace tessel {

class StillFrameGate {
 public:
  static constexpr Millis kRetry{500};
  static constexpr Millis kRefresh{10000};

  // True when `frame` is to be submitted now; it becomes the last frame,
  // not yet known to have arrived.
  bool take(const std::vector<uint8_t>& frame, SteadyTime now) {
    std::lock_guard lock(mutex_);
    if (frame == last_ && now - at_ < (whole_ ? kRefresh : kRetry)) return false;
    last_ = frame;
    at_ = now;
    whole_ = false;
    return true;
  }
  // The sender's word on a frame it sent (its thread). A word on a frame
  // that is no longer the last one says nothing about the last one.
  void delivered(const std::vector<uint8_t>& frame, bool whole) {
    std::lock_guard lock(mutex_);
    if (frame == last_) whole_ = whole;
  }
  // The device may have lost its picture (it connected again): the next
  // frame goes whatever it is.
  void forget() {
    std::lock_guard lock(mutex_);
    last_.clear();
    whole_ = false;
  }
  // How long a picture that stands may wait for its next look.
  Millis stillPause() const {
    std::lock_guard lock(mutex_);
    return whole_ || last_.empty() ? kRefresh : kRetry;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<uint8_t> last_;
  SteadyTime at_{};
  bool whole_ = false;
};

}  // namespace tessel
