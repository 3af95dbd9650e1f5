#pragma once
// Sequences and decoders built on the command set of CommandTransport.
#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "core/device_types.h"
#include "core/result_code.h"
#include "device/transport/command_transport.h"

namespace tessel::transport {

// What a full settings read fills in. The caller keeps one per device: a step
// that fails leaves the matching member as it was.
struct DeviceTables {
  std::array<uint8_t, kIdentitySize> identity{};
  std::array<uint8_t, kMaxMemorySize> keyTable{};  // memory size bytes are meaningful
  std::array<uint8_t, kMaxMemorySize> ledTable{};  // keyboard: memory size / 3 bytes
};

struct FullReadResult {
  ResultCode result = ResultCode::NotSent;  // Success, or the first failure
  uint8_t failedCommand = 0;                // command code of that failure (0xAA: link down, 0 none)
  bool memorySizeRefused = false;           // identity byte 5 x 3 above 512
};

// The full settings read of a mouse or keyboard:
//   mouse on the receiver: link query, nothing else when the mouse sleeps;
//   0x01; 0x03 into tables.identity (the mouse stops unless it succeeded);
//   memory size = identity byte 5 x 3 (both stop when it is refused);
//   afterMemorySize(); 0x07 into tables.keyTable; keyboard: 0x1B into tables.ledTable;
//   0x02 with argument 1.
// A sequence that began with 0x01 always ends with 0x02, whatever failed.
// `kind` must be Mouse or Keyboard.
FullReadResult readFullSettings(CommandTransport& transport, DeviceKind kind, DeviceTables& tables,
                                const std::function<void()>& afterMemorySize = {});

// The status block (0x1A, 6 bytes from offset 0).
struct StatusBlock {
  uint8_t batteryPercent = 0;
  uint8_t chargeState = 0;  // 0, 1 (charging) or 2
  uint8_t onReceiver = 0;   // byte 3, replaced by the host: 1 through the receiver
  uint8_t phone = 0;        // mousepad: 1 iPhone, 2 Samsung, 3 other, else none
  std::array<uint8_t, kStatusBlockSize> raw{};
};
StatusBlock decodeStatusBlock(std::span<const uint8_t, kStatusBlockSize> bytes, bool onReceiver);

// Identity fields that the device pages read.
struct IdentityFields {
  uint8_t keySlots = 0;        // byte 5
  uint32_t macroCapacity = 0;  // byte 6 x 128
  // The mouse's sensor and DPI range.
  uint16_t sensorId = 0;       // bytes 9-10
  uint8_t dpiStep = 0;         // byte 11
  uint16_t highestIndex = 0;   // bytes 12-13
  uint16_t lowestDpi = 0;      // bytes 14-15
};
IdentityFields decodeIdentity(std::span<const uint8_t, kIdentitySize> identity);

}  // namespace tessel::transport
