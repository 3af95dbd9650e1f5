#pragma once
// One turn of the light thread of a device whose light lives in a light
// settings block (the mousepad, the headset): the host computes the zones
// step by step from the block's image and the light record, and the device
// base streams them as live frames.
//
// Dispatch is on the image's mode byte, a position in the model's light-mode
// list: 0 wave, 1 colour wheel, 2 breathing, 3 static, 4 flashing, 6 band
// flow, 7 mirrored band flow, 8 off; 5 and 9 and above play the selected user
// sequence. The effects take their direction, colours and brightness from
// the light record; the step interval comes from the image's speed byte.
//
// Pacing. One pass of the thread is one clock advance of kAdvance
// (15.625 ms, the 64 Hz tick the effects were designed for). The pass count
// grows by one per pass; when it reaches the interval of the image's speed
// (28, 23, 18, 13, 7 passes for speed 0..4) it restarts and one step runs. A
// user sequence and the light list effects work on every pass. turn()
// returns when the next pass with something to do is due, so the thread
// sleeps through passes that would change nothing; static and off (with no
// animated light list) sleep until woken, and so does a closed or
// synchronised device. A change draws at once and starts the count again.
//
// Threads: the setters come from the UI or queue thread, turn() from the
// light thread; all take one lock, and each change calls the wake function
// (the light thread's wake()) so the next turn runs at once.
#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <vector>

#include "core/clock.h"
#include "core/light_record.h"
#include "device/base/light_list_effects.h"
#include "device/base/usb_device_controller.h"
#include "device/base/user_sequence_player.h"
#include "device/base/zone_flow_effects.h"

namespace tessel {

class BlockLighting {
 public:
  static constexpr std::chrono::microseconds kAdvance{15625};
  static constexpr std::array<uint8_t, 5> kInterval{28, 23, 18, 13, 7};
  enum Mode : unsigned {
    kWave = 0,
    kWheel = 1,
    kBreathing = 2,
    kStatic = 3,
    kFlashing = 4,
    kSequence = 5,
    kBandFlow = 6,
    kMirroredBandFlow = 7,
    kOff = 8,
  };
  // Mode bytes 5 and from 9 on play the user sequence.
  static bool playsSequence(unsigned mode) { return mode == kSequence || mode > kOff; }

  // The zone array of `device` should hold wave.zones zones. Also asks
  // `device` to wake it when the synchronised flag changes.
  BlockLighting(UsbDeviceController& device, WaveParams wave);
  ~BlockLighting();
  BlockLighting(const BlockLighting&) = delete;
  BlockLighting& operator=(const BlockLighting&) = delete;

  // Called after every change below (the light thread's wake()).
  void setWake(std::function<void()> wake);

  void setRecord(const LightRecord& record);
  LightRecord record() const;
  // The image's mode byte (a position) and speed byte (0..4).
  void setImage(uint8_t mode, uint8_t speed);
  unsigned modeByte() const;
  // The steps of the selected user sequence; playback restarts at step 0.
  void setSequence(LightSequence steps);
  // The "LightList" entries; their effects restart.
  void setLightList(std::vector<LightListEntry> entries);

  // One turn at `now`; returns when the next is due (LightThread::kIdle
  // while the device is closed or shows the synchronised effect).
  SteadyTime turn(SteadyTime now);

  // For tests: the effect state.
  FlowState flowState() const;
  void setFlowState(const FlowState& state);
  unsigned passCount() const;
  size_t sequenceStep() const;

 private:
  void notify();
  void applyChangesLocked(SteadyTime now);
  void stepLocked(SteadyTime now);
  SteadyTime nextDueLocked() const;
  unsigned interval() const;

  UsbDeviceController& device_;
  ZoneColours& zones_;
  const WaveParams wave_;
  mutable std::mutex wakeMutex_;  // guards wake_ alone
  std::function<void()> wake_;

  mutable std::mutex mutex_;  // guards everything below
  LightRecord record_{};
  unsigned mode_ = kStatic;
  unsigned speed_ = 0;
  bool changed_ = true;      // record or image changed since the last turn
  bool haveMode_ = false;
  unsigned shownMode_ = 0;
  bool idle_ = true;    // the device was closed or synchronised
  bool rebase_ = false;  // the last turn asked to sleep until woken
  SteadyTime nextPass_{};
  unsigned passCount_ = 0;
  FlowState flow_;
  UserSequencePlayer sequence_;
  LightListEffects lightList_;
  std::optional<LightSequence> newSequence_;
  std::optional<std::vector<LightListEntry>> newLightList_;
};

}  // namespace tessel
