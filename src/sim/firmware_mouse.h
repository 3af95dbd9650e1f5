#pragma once
// The mouse's firmware, on its cable ("mouse") or through its 2.4 GHz
// receiver ("mouse-receiver").
//
// Identity block: bytes 0-1 product id, 2-3 firmware version, 4 device type,
// 5 key slots (11), 6 macro memory in 128-byte units (24), 7 on-board
// profiles (4), 8 light zones (15), 9-10 sensor id 0x3325, 11 DPI step (100),
// 12-13 highest stage index (73), 14-15 lowest DPI (200).
// Settings memory: byte 0 the active profile; the block of profile p at p x 128
// (71 bytes are meaningful; stages at 14 + 9 i, screen size at 60, surface
// preset at 64).
// Key table: one table of 11 slots for every on-board profile. 0x09 stores
// it and 0x07 answers what was stored last; the factory table (matrix order)
// is what the mouse holds before its first write.
#include "sim/firmware_base.h"

namespace tessel::sim {

inline constexpr uint8_t kMouseKeySlots = 11;
inline constexpr uint8_t kMouseMacroUnits = 24;
inline constexpr uint16_t kMouseSensor = 0x3325;
inline constexpr uint8_t kMouseDpiStep = 100;
inline constexpr uint16_t kMouseHighestIndex = 73;
inline constexpr uint16_t kMouseLowestDpi = 200;
inline constexpr size_t kMouseProfileStride = 128;
inline constexpr size_t kMouseProfiles = 4;
inline constexpr size_t kMouseLightZones = 15;
// The surface preset the mouse leaves the factory with (the factory
// document's selected "CorrectInfo" entry): settings bytes 64 and 65.
inline constexpr uint8_t kMouseSurfaceMinSq = 32;
inline constexpr uint8_t kMouseSurfacePixThresh = 20;

FirmwareImage mouseFactoryImage(bool throughReceiver);

class MouseFirmware : public CommandFirmware {
 public:
  explicit MouseFirmware(bool throughReceiver = false);
};

}  // namespace tessel::sim
