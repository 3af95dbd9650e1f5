#pragma once
// The keyboard's firmware, on its cable ("keyboard") or through its 2.4 GHz
// receiver ("keyboard-receiver").
//
// The keyboard has 122 keys: one for every layout position 0..125 except the
// four gaps (positions 18, 19, 20 and 104, whose function is 20 00 00). Device
// key k is the k-th such position in layout order, so its default function
// (key table read with 0x07) is that position's function; the LED chain runs
// the other way (LED table entry of key k = 121 - k).
// Identity block: bytes 0-1 product id, 2-3 firmware version, 4 device type,
// 5 key count (122), 6 macro memory in 128-byte units (32), 7 on-board profiles.
// Settings memory: byte 0 the active profile; 31-byte blocks at p x 31.
// Custom colours: red, green, blue per LED (N x 3, read 0x0A, written 0x0B).
// Live frames (0x12): a frame is complete when a chunk reaches byte N x 3;
// the keyboard keeps the last complete frame and counts them.
// Status block (0x1A): battery, charge state; the receiver's byte 3 is what
// the keyboard puts there (the host overwrites it).
#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

#include "sim/firmware_base.h"

namespace tessel::sim {

inline constexpr size_t kKeyboardLayoutPositions = 126;
inline constexpr uint8_t kKeyboardKeys = 122;
inline constexpr uint8_t kKeyboardMacroUnits = 32;
inline constexpr size_t kKeyboardProfileStride = 31;
inline constexpr size_t kKeyboardProfiles = 4;

// The default function (type, p1, p2) of layout positions 0..125.
const std::array<std::array<uint8_t, 3>, kKeyboardLayoutPositions>& keyboardLayoutFunctions();

FirmwareImage keyboardFactoryImage(bool throughReceiver);

class KeyboardFirmware : public CommandFirmware {
 public:
  explicit KeyboardFirmware(bool throughReceiver = false);

  void onCommand(const Report& report, std::vector<Report>& replies) override;

  // Live frames received whole, and the last of them (N x 3 bytes).
  uint64_t liveFramesComplete() const;
  std::vector<uint8_t> lastLiveFrame() const;

 private:
  mutable std::mutex liveMutex_;
  uint64_t framesComplete_ = 0;
  std::vector<uint8_t> lastFrame_;
};

}  // namespace tessel::sim
