#include <algorithm>

#include "device/transport/command_set.h"

namespace tessel::transport {

FullReadResult readFullSettings(CommandTransport& transport, DeviceKind kind, DeviceTables& tables,
                                const std::function<void()>& afterMemorySize) {
  FullReadResult out;
  const bool mouse = kind == DeviceKind::Mouse;
  auto fail = [&](ResultCode r, uint8_t code) {
    if (out.result == ResultCode::Success && r != ResultCode::Success) {
      out.result = r;
      out.failedCommand = code;
    }
  };

  if (mouse && transport.onReceiver() && !transport.linkQuery()) {
    out.result = ResultCode::Unreachable;
    out.failedCommand = command::kLinkQuery;
    return out;
  }

  out.result = ResultCode::Success;
  fail(transport.begin(), command::kBegin);

  const ResultCode identity = transport.readIdentity(tables.identity);
  fail(identity, command::kReadIdentity);
  bool go = !(mouse && identity != ResultCode::Success);

  if (go) {
    const unsigned size = static_cast<unsigned>(tables.identity[5]) * 3u;
    if (size > kMaxMemorySize || !transport.setMemorySize(static_cast<uint16_t>(size))) {
      out.memorySizeRefused = true;
      fail(ResultCode::NotSent, 0);
      go = false;
    }
  }

  if (go) {
    if (afterMemorySize) afterMemorySize();
    std::array<uint8_t, kMaxMemorySize> buffer{};
    const ResultCode keys = transport.readKeyTable(buffer);
    fail(keys, command::kReadKeyTable);
    // A failed read keeps the previous image instead of a half-filled one.
    if (keys == ResultCode::Success) tables.keyTable = buffer;

    if (kind == DeviceKind::Keyboard) {
      std::array<uint8_t, kMaxMemorySize> leds{};
      const ResultCode led = transport.readLedTable(leds);
      fail(led, command::kReadLedTable);
      if (led == ResultCode::Success) tables.ledTable = leds;
    }
  }

  // Close the sequence opened above in every case.
  fail(transport.end(1), command::kEnd);
  return out;
}

StatusBlock decodeStatusBlock(std::span<const uint8_t, kStatusBlockSize> bytes, bool onReceiver) {
  StatusBlock s;
  std::copy(bytes.begin(), bytes.end(), s.raw.begin());
  s.raw[3] = onReceiver ? 1 : 0;
  s.batteryPercent = s.raw[0];
  s.chargeState = s.raw[1];
  s.onReceiver = s.raw[3];
  s.phone = s.raw[5];
  return s;
}

IdentityFields decodeIdentity(std::span<const uint8_t, kIdentitySize> id) {
  IdentityFields f;
  f.keySlots = id[5];
  f.macroCapacity = static_cast<uint32_t>(id[6]) * 128u;
  f.sensorId = static_cast<uint16_t>(id[9] | (id[10] << 8));
  f.dpiStep = id[11];
  f.highestIndex = static_cast<uint16_t>(id[12] | (id[13] << 8));
  f.lowestDpi = static_cast<uint16_t>(id[14] | (id[15] << 8));
  return f;
}

}  // namespace tessel::transport
