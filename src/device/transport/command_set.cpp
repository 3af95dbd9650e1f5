// The vendor command set: one operation of CommandTransport per command.
#include <algorithm>
#include <thread>

#include "device/transport/command_transport.h"
#include "platform/debug.h"

namespace tessel::transport {

namespace {

ResultCode judgeReply(ResultCode exchanged, const CommandReport& reply) {
  if (exchanged != ResultCode::Success) return exchanged;
  if (reply[kByteStatus] == kStatusFF) return ResultCode::StatusFF;
  if (reply[kByteStatus] == kStatusFE) return ResultCode::StatusFE;
  return ResultCode::Success;
}

// Offsets are 16 bits on the wire: a transfer that would run past 0xFFFF is
// refused instead of wrapping round to the start of the memory.
bool fitsOffsets(uint64_t baseOffset, size_t total, uint8_t code) {
  if (baseOffset <= 0x10000u && baseOffset + total <= 0x10000u) return true;
  debugPrintf("command 0x%02x refused: offset %llu + %zu bytes passes 0xFFFF", code,
              static_cast<unsigned long long>(baseOffset), total);
  return false;
}

}  // namespace

ResultCode CommandTransport::commandExchange(const CommandReport& request, CommandReport& reply,
                                             LockKind lock) {
  std::lock_guard guard(lock == LockKind::Light ? lightLock_ : commandLock_);
  return judgeReply(exchangeLocked(request, reply, true), reply);
}

ResultCode CommandTransport::readChunked(uint8_t code, std::span<uint8_t> destination,
                                         uint64_t baseOffset, uint8_t chunk, LockKind lock) {
  if (chunk == 0 || !fitsOffsets(baseOffset, destination.size(), code)) return ResultCode::NotSent;
  CommandReport reply{};
  for (size_t position = 0; position < destination.size(); position += chunk) {
    const size_t n = std::min<size_t>(chunk, destination.size() - position);
    const auto request = buildRequest(code, static_cast<uint8_t>(n),
                                      static_cast<uint16_t>(baseOffset + position));
    const ResultCode r = commandExchange(request, reply, lock);
    if (r != ResultCode::Success) return r;
    std::copy_n(reply.begin() + kDataOffset, n, destination.begin() + static_cast<long>(position));
  }
  return ResultCode::Success;
}

ResultCode CommandTransport::writeChunked(uint8_t code, std::span<const uint8_t> source,
                                          uint64_t baseOffset, uint8_t chunk, LockKind lock) {
  if (chunk == 0 || !fitsOffsets(baseOffset, source.size(), code)) return ResultCode::NotSent;
  CommandReport reply{};
  for (size_t position = 0; position < source.size(); position += chunk) {
    const size_t n = std::min<size_t>(chunk, source.size() - position);
    const auto request = buildRequest(code, static_cast<uint8_t>(n),
                                      static_cast<uint16_t>(baseOffset + position),
                                      source.subspan(position, n));
    const ResultCode r = commandExchange(request, reply, lock);
    if (r != ResultCode::Success) return r;
  }
  return ResultCode::Success;
}

ResultCode CommandTransport::single(uint8_t code) {
  CommandReport reply{};
  return commandExchange(buildRequest(code, 0, 0), reply, LockKind::Command);
}

ResultCode CommandTransport::begin() { return single(command::kBegin); }

ResultCode CommandTransport::end(int /*argument*/) {
  const auto request = buildRequest(command::kEnd, 0, 0);
  // The device wants a short pause after the last write before the end.
  clock_.sleepFor(Millis(10));
  CommandReport reply{};
  return commandExchange(request, reply, LockKind::Command);
}

ResultCode CommandTransport::readIdentity(std::span<uint8_t, kIdentitySize> identity) {
  std::array<uint8_t, kIdentitySize> buffer{};
  const ResultCode r = readChunked(command::kReadIdentity, buffer, 0, chunkSize(), LockKind::Command);
  if (r == ResultCode::Success) std::copy(buffer.begin(), buffer.end(), identity.begin());
  return r;
}

ResultCode CommandTransport::readSettings(std::span<uint8_t> destination, uint16_t baseOffset) {
  return readChunked(command::kReadSettings, destination, baseOffset, chunkSize(), LockKind::Command);
}

ResultCode CommandTransport::writeSettings(std::span<const uint8_t> source, uint16_t baseOffset) {
  return writeChunked(command::kWriteSettings, source, baseOffset, chunkSize(), LockKind::Command);
}

ResultCode CommandTransport::readKeyTable(std::span<uint8_t> destination) {
  const size_t size = memorySize();
  if (destination.size() < size) {
    debugPrintf("key table read refused: buffer of %zu bytes for %zu", destination.size(), size);
    return ResultCode::NotSent;
  }
  return readChunked(command::kReadKeyTable, destination.first(size), 0, chunkSize(), LockKind::Command);
}

ResultCode CommandTransport::writeKeyTable(std::span<const uint8_t> source, int bank) {
  if (bank != 0) return ResultCode::BadMemoryBank;
  const size_t size = memorySize();
  if (source.size() < size) {
    debugPrintf("key table write refused: %zu bytes for %zu", source.size(), size);
    return ResultCode::NotSent;
  }
  return writeChunked(command::kWriteKeyTable, source.first(size), 0, chunkSize(), LockKind::Command);
}

ResultCode CommandTransport::readCustomColours(std::span<uint8_t> destination, int recordIndex,
                                               int recordSize) {
  if (recordIndex < 0 || recordSize < 0) return ResultCode::NotSent;
  // In 64 bits: a large index times a large record size must not wrap into range.
  const uint64_t base = static_cast<uint64_t>(recordIndex) * static_cast<uint64_t>(recordSize);
  return readChunked(command::kReadCustomColours, destination, base, chunkSize(), LockKind::Light);
}

ResultCode CommandTransport::writeCustomColours(std::span<const uint8_t> source, int recordIndex,
                                                int recordSize) {
  if (recordIndex < 0 || recordSize < 0) return ResultCode::NotSent;
  // In 64 bits: a large index times a large record size must not wrap into range.
  const uint64_t base = static_cast<uint64_t>(recordIndex) * static_cast<uint64_t>(recordSize);
  return writeChunked(command::kWriteCustomColours, source, base, chunkSize(), LockKind::Light);
}

ResultCode CommandTransport::sendLiveFrame(std::span<const uint8_t> source) {
  const uint8_t chunk = chunkSize();
  if (!fitsOffsets(0, source.size(), command::kLiveFrame)) return ResultCode::NotSent;
  CommandReport reply{};
  for (size_t position = 0; position < source.size(); position += chunk) {
    const size_t n = std::min<size_t>(chunk, source.size() - position);
    const auto request = buildRequest(command::kLiveFrame, static_cast<uint8_t>(n),
                                      static_cast<uint16_t>(position), source.subspan(position, n));
    if (busy()) {
      // A settings transfer is running: this chunk gives way; the next frame replaces it.
      debugLine("放弃灯光数据");
      droppedLiveChunks_.fetch_add(1, std::memory_order_relaxed);
      continue;
    }
    if (onReceiver()) continue;  // live colours never go through the receiver
    ResultCode r;
    {
      std::lock_guard guard(lightLock_);
      r = judgeReply(exchangeLocked(request, reply, false), reply);
    }
    if (r != ResultCode::Success) return r;
  }
  return ResultCode::Success;
}

ResultCode CommandTransport::writeMacroMemory(std::span<const uint8_t> source) {
  return writeChunked(command::kWriteMacro, source, 0, chunkSize(), LockKind::Command);
}

ResultCode CommandTransport::writeRecoilMemory(std::span<const uint8_t> source) {
  return writeChunked(command::kWriteRecoil, source, 0, static_cast<uint8_t>(kMaxChunkData),
                      LockKind::Command);
}

ResultCode CommandTransport::readStatus(std::span<uint8_t> destination, uint16_t offset) {
  if (destination.size() > kMaxChunkData) return ResultCode::NotSent;
  const auto request = buildRequest(command::kReadStatus, static_cast<uint8_t>(destination.size()), offset);
  CommandReport reply{};
  const ResultCode r = commandExchange(request, reply, LockKind::Command);
  if (r == ResultCode::Success) {
    std::copy_n(reply.begin() + kDataOffset, destination.size(), destination.begin());
  }
  return r;
}

ResultCode CommandTransport::readLedTable(std::span<uint8_t> destination) {
  const size_t size = memorySize() / 3;
  if (destination.size() < size) {
    debugPrintf("LED table read refused: buffer of %zu bytes for %zu", destination.size(), size);
    return ResultCode::NotSent;
  }
  return readChunked(command::kReadLedTable, destination.first(size), 0, chunkSize(), LockKind::Command);
}

ResultCode CommandTransport::resumeLighting() { return single(command::kResumeLighting); }

bool CommandTransport::linkQuery() {
  if (!onReceiver()) return true;
  CommandReport reply{};
  std::lock_guard guard(commandLock_);
  const ResultCode r = exchangeLocked(buildRequest(command::kLinkQuery, 0, 0), reply, true);
  return r == ResultCode::Success && reply[kDataOffset] == 0xFF && reply[kByteStatus] != kStatusFF &&
         reply[kByteStatus] != kStatusFE;
}

}  // namespace tessel::transport
