#pragma once
// One turn of the mouse's light thread: the software effect the host computes
// zone by zone and the device base streams to the mouse as live colour
// frames.
//
// Pacing. The effects were designed for a 64 Hz tick: one pass of the thread
// is one clock advance of kAdvance (15.625 ms). The frame count grows by one
// per pass; when it reaches the frame period of the light record's speed
// (28, 23, 18, 13, 7 passes for speed 0..4) it restarts and one step of the
// mode's effect runs. A user sequence and the light list effects work on
// every pass. turn() returns when the next pass with something to do is due,
// so the thread sleeps through passes that would change nothing.
//
// Modes by position in the light-mode list: 0 group wave, 1 colour wheel,
// 2 breathing, 3 static, 4 flashing, 5 streamer, 6 reactive fade, 7 breathing
// in four colours, 8 flashing in four colours, 9 off, 10 and above the user
// sequence. 1..4 and 7..9 are the device base's software effects; the other
// three are the mouse's own, over its seven zone groups.
//
// Threads: setRecord / setSequence / setLightList / reload come from the UI
// thread, keyEvent() from an input reader, turn() from the light thread. All
// but keyEvent() take one lock; keyEvent() only sets a flag. Each change calls
// the wake function (the light thread's wake()) so the next turn runs at once.
#include <array>
#include <atomic>
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

namespace tessel {

class MouseLighting {
 public:
  // Any number; the reactive fade takes it modulo 192 as a wheel index.
  using RandomSource = std::function<unsigned()>;
  static constexpr std::chrono::microseconds kAdvance{15625};
  static constexpr std::array<uint8_t, 5> kFramePeriod{28, 23, 18, 13, 7};
  static constexpr size_t kZoneCount = 15;
  static constexpr size_t kGroupCount = 7;
  // The zones of each group; group 6 has three.
  static const std::array<std::vector<uint8_t>, kGroupCount>& groups();

  // The zone array of `device` should have kZoneCount zones. Without a random
  // source the fade takes its colours from a fixed-seed generator.
  explicit MouseLighting(UsbDeviceController& device, RandomSource random = {});

  // Called after every change below (the light thread's wake()).
  void setWake(std::function<void()> wake);

  void setRecord(const LightRecord& record);
  LightRecord record() const;
  // The steps of the selected user sequence; playback restarts at step 0.
  void setSequence(LightSequence steps);
  // The "LightList" entries; their effects restart.
  void setLightList(std::vector<LightListEntry> entries);
  // Reloaded light data: the sequence restarts at its first step and the
  // light list effects restart.
  void reload(SteadyTime now);
  // A key event from the mouse (input usage 0x403), on any thread. In the
  // reactive fade every zone lights up at the next turn.
  void keyEvent();

  // One turn at `now`; returns when the next is due (LightThread::kIdle
  // while the device is closed or shows the synchronised effect).
  SteadyTime turn(SteadyTime now);

  // For tests and the page: the state of the mouse's own effects.
  unsigned phase() const;
  unsigned frameCount() const;
  enum class FadeState : uint8_t { Idle, Rising, Falling };
  struct FadeZone {
    FadeState state = FadeState::Idle;
    uint8_t level = 0;
    uint8_t colourIndex = 0;
  };
  FadeZone fadeZone(size_t zone) const;

 private:
  void notify();
  unsigned randomIndex();
  void applyRecordLocked(SteadyTime now);
  void modeStepLocked(unsigned mode, SteadyTime now);
  void groupWaveLocked();
  void streamerLocked();
  void startFadeLocked();
  void fadeStepLocked();
  void showFadeLocked();
  void setGroup(size_t group, uint32_t record);
  void stepPhase(unsigned limit);
  SteadyTime nextDueLocked() const;
  uint8_t brightnessEntry() const;

  UsbDeviceController& device_;
  ZoneColours& zones_;
  RandomSource random_;
  uint32_t seed_ = 0x2545F491u;  // the fallback generator's state (light thread only)
  std::function<void()> wake_;

  mutable std::mutex wakeMutex_;  // guards wake_ alone
  mutable std::mutex mutex_;  // guards everything below
  LightRecord record_{};
  bool recordChanged_ = true;
  bool haveMode_ = false;
  unsigned mode_ = 0;
  bool idle_ = true;    // the device was closed or synchronised
  bool rebase_ = false;  // the last turn asked to sleep until woken
  SteadyTime nextPass_{};
  unsigned frameCount_ = 0;
  unsigned phase_ = 0;
  std::array<FadeZone, kZoneCount> fade_{};
  UserSequencePlayer sequence_;
  LightListEffects lightList_;
  // Changes from the UI thread that need the turn's time are applied there.
  std::optional<LightSequence> newSequence_;
  std::optional<std::vector<LightListEntry>> newLightList_;

  std::atomic<unsigned> recordMode_{0};  // the record's mode, for keyEvent()
  std::atomic<bool> keyPending_{false};
};

}  // namespace tessel
