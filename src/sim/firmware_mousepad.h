#pragma once
// The illuminated mousepad's firmware ("mousepad"): 15 light zones, a phone
// charging area, no keys and no battery.
// Identity block: bytes 0-1 product id, 2-3 firmware version, 4 device type,
// 5 key slots (0), 6 macro memory (0), 7 on-board profiles, 8 light zones.
// Settings memory (4 x 64 bytes): byte 0 the current profile, and one 31-byte
// light block per profile at p x 31 (of block 0, byte 0 is the current
// profile). In a block: 1 the light mode code, 2 brightness, 3 4 - speed,
// 4 the pad's own (its edge-light flag), 5 multi-colour, 6-8 red, green,
// blue, 9-20 the pad's own (surface calibration), 21-30 unused.
// Status block byte 5: the phone on the charging area (1 iPhone, 2 Samsung, 3 other).
#include "sim/firmware_base.h"

namespace tessel::sim {

inline constexpr size_t kMousepadLightZones = 15;
inline constexpr size_t kMousepadProfiles = 4;
inline constexpr size_t kMousepadBlockStride = 31;

FirmwareImage mousepadFactoryImage();

class MousepadFirmware : public CommandFirmware {
 public:
  MousepadFirmware();
};

}  // namespace tessel::sim
