#pragma once
// The illuminated mousepad's firmware ("mousepad"): 15 light zones, a phone
// charging area, no keys and no battery.
// Identity block: bytes 0-1 product id, 2-3 firmware version, 4 device type,
// 5 key slots (0), 6 macro memory (0), 7 on-board profiles, 8 light zones.
// Settings memory: byte 0 the active profile; the pad reads 31 bytes at
// p x 31 and writes its 21-byte block at p x 64, so the memory is 4 x 64 bytes.
// Status block byte 5: the phone on the charging area (1 iPhone, 2 Samsung, 3 other).
#include "sim/firmware_base.h"

namespace tessel::sim {

inline constexpr size_t kMousepadLightZones = 15;
inline constexpr size_t kMousepadProfiles = 4;

FirmwareImage mousepadFactoryImage();

class MousepadFirmware : public CommandFirmware {
 public:
  MousepadFirmware();
};

}  // namespace tessel::sim
