#pragma once
// One turn of the headset's light thread: the colours of its 13 zones,
// computed step by step from the light settings so that the page's light
// buttons and the headset's LEDs (the LED frame) show the effect.
//
// Dispatch. The thread dispatches on the mode byte of the settings image
// (byte 1, always a position in the headset's light-mode list) and paces the
// steps by the image's speed byte:
//   0 wave (the headset's own spacing), 1 colour wheel, 2 breathing,
//   3 static, 4 flashing, 6 band flow, 7 mirrored band flow, 8 off: one step
//   every (28, 23, 18, 13, 7)[speed] passes;
//   5 and 9 and above: the user sequence on every pass (an empty one is off).
// After every pass the light list entries are applied on top.
//
// Pacing. One pass is one clock advance of kAdvance (15.625 ms); turn()
// returns when the next pass with something to do is due, so the thread
// sleeps through passes that would change nothing. Static and off without an
// animated light list sleep until woken, and so does a closed or
// synchronised headset. A new record, image byte or light list draws at once
// and starts the pass count again from there.
//
// Threads: the setters come from the UI thread (refresh view) or the device
// queue (a read of the settings block), turn() from the light thread. All of
// them take one lock; each change wakes the thread (setWake).
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "core/clock.h"
#include "core/light_record.h"
#include "device/base/usb_device_controller.h"
#include "device/base/user_sequence_player.h"
#include "device/base/zone_flow_effects.h"
#include "devices/headset/headset_light_list.h"

namespace tessel::headset {

class HeadsetLighting {
 public:
  static constexpr std::chrono::microseconds kAdvance{15625};
  static constexpr std::array<uint8_t, 5> kInterval{28, 23, 18, 13, 7};
  // Mode positions with a meaning of their own.
  static constexpr unsigned kModeWave = 0;
  static constexpr unsigned kModeStatic = 3;
  static constexpr unsigned kModeSequence = 5;
  static constexpr unsigned kModeBandFlow = 6;
  static constexpr unsigned kModeMirroredBandFlow = 7;
  static constexpr unsigned kModeOff = 8;
  static constexpr unsigned kFirstUserSequence = 9;

  // The zone array of `device` should have kZoneCount zones. Asks `device`
  // to wake the thread when its synchronised flag changes.
  explicit HeadsetLighting(UsbDeviceController& device);
  ~HeadsetLighting();
  HeadsetLighting(const HeadsetLighting&) = delete;
  HeadsetLighting& operator=(const HeadsetLighting&) = delete;

  // Called after every change below (the light thread's wake()).
  void setWake(std::function<void()> wake);

  // The light settings record (direction, colours, brightness, select item).
  void setRecord(const LightRecord& record);
  LightRecord record() const;
  // Image byte 1 (mode position) and byte 3 (speed 0..4, bounded).
  void setDispatch(uint8_t mode, uint8_t speed);
  uint8_t mode() const;
  // Refresh view: the selected user sequence and the light list, both from
  // their start.
  void reload(LightSequence sequence, std::vector<LightListEntry> lightList);

  // One turn at `now`; returns when the next is due (LightThread::kIdle
  // while the device is closed or shows the synchronised effect).
  SteadyTime turn(SteadyTime now);

  // For tests: the effect state.
  FlowState flowState() const;
  void setFlowState(const FlowState& state);
  unsigned passCount() const;
  const HeadsetLightList& lightList() const { return lightList_; }  // read under no lock: tests only

 private:
  void notify();
  void applyRecordLocked();
  void stepLocked(SteadyTime now);
  SteadyTime nextDueLocked() const;
  bool sequenceMode() const { return mode_ == kModeSequence || mode_ >= kFirstUserSequence; }

  UsbDeviceController& device_;
  ZoneColours& zones_;

  mutable std::mutex wakeMutex_;  // guards wake_ alone
  std::function<void()> wake_;

  mutable std::mutex mutex_;  // guards everything below
  LightRecord record_{};
  unsigned mode_ = kModeStatic;
  unsigned speed_ = 0;
  bool changed_ = true;     // record or dispatch changed since the last turn
  bool modeChanged_ = true;  // the mode itself: effect state starts over
  bool idle_ = true;
  bool rebase_ = false;
  SteadyTime nextPass_{};
  unsigned passCount_ = 0;
  FlowState flow_;
  UserSequencePlayer sequence_;
  HeadsetLightList lightList_;
  std::optional<LightSequence> newSequence_;
  std::optional<std::vector<LightListEntry>> newLightList_;
};

}  // namespace tessel::headset
