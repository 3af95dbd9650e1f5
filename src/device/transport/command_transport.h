#pragma once
// CommandTransport: the 64-byte vendor command reports of one product, over
// two HID handles (the command interface on the cable and the same interface
// through the 2.4 GHz receiver), with their time-outs, chunk sizes, locks and
// the byte trace of every exchange; and the command set built on it (one
// operation per vendor command).
//
// Result codes (tessel::ResultCode): 1 success; 0 not sent (transport closed),
// no reply in time or cancelled; -1 write failed; -101 the receiver cannot
// reach its wireless device; -102 / -103 the device answered status 0xFF /
// 0xFE; -201 memory bank other than 0.
//
// Locks, taken in this order: the command lock (ordinary commands, per chunk)
// or the light lock (custom colours and live colour frames, per chunk), then
// the I/O lock, which is held from the write of a request through the read of
// its reply and guards the handles against being reopened mid-exchange. A
// live colour frame therefore runs beside a settings transfer, between its
// chunks, and skips its own chunks while a traced exchange is in flight.
// Inside the I/O lock every exchange also holds the device's lock file
// (device_lock_file.h), so another process on the same device (tesselctl
// beside the window) never gets its request between our request and reply.
//
// Every command function may be called from any thread.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>
#include <string>

#include "core/clock.h"
#include "core/result_code.h"
#include "device/hid/hid_device.h"
#include "device/transport/command_report.h"
#include "device/transport/device_lock_file.h"

namespace tessel::transport {

// Connection types; any other value counts as the cable.
inline constexpr int kConnectionCable = 1;
inline constexpr int kConnectionReceiver = 2;

inline constexpr int kCableTimeoutMs = 1000;
inline constexpr int kReceiverTimeoutMs = 5000;
inline constexpr uint8_t kCableChunkSize = 56;
inline constexpr uint8_t kReceiverChunkSize = 24;
inline constexpr uint8_t kInitialChunkSize = 24;  // before the first setConnectionType
inline constexpr uint16_t kMaxMemorySize = 512;
inline constexpr size_t kIdentitySize = 34;
inline constexpr size_t kStatusBlockSize = 6;

// Vendor command codes.
namespace command {
inline constexpr uint8_t kBegin = 0x01;
inline constexpr uint8_t kEnd = 0x02;
inline constexpr uint8_t kReadIdentity = 0x03;
inline constexpr uint8_t kReadSettings = 0x05;
inline constexpr uint8_t kWriteSettings = 0x06;
inline constexpr uint8_t kReadKeyTable = 0x07;
inline constexpr uint8_t kWriteKeyTable = 0x09;
inline constexpr uint8_t kReadCustomColours = 0x0A;
inline constexpr uint8_t kWriteCustomColours = 0x0B;
inline constexpr uint8_t kLiveFrame = 0x12;
inline constexpr uint8_t kWriteMacro = 0x15;
inline constexpr uint8_t kWriteRecoil = 0x17;
inline constexpr uint8_t kReadStatus = 0x1A;
inline constexpr uint8_t kReadLedTable = 0x1B;
inline constexpr uint8_t kResumeLighting = 0x1C;
inline constexpr uint8_t kLinkQuery = 0xAA;
}  // namespace command

class CommandTransport {
 public:
  // The handles are created on `backend`; `clock` paces the end command's
  // 10 ms delay (tests pass a ManualClock).
  explicit CommandTransport(hid::HidBackend& backend = hid::defaultBackend(),
                            Clock& clock = SystemClock::instance());
  ~CommandTransport();
  CommandTransport(const CommandTransport&) = delete;
  CommandTransport& operator=(const CommandTransport&) = delete;

  // ---- Connection (the device registry's side) ----

  // Opens `path` for reading and writing into the receiver handle
  // (connection type 2) or the cable handle (any other type) under the I/O
  // lock; on success marks the transport open and sets the connection type.
  // Without a type (mousepad, headset) the cable handle is used and the
  // transport keeps its defaults (1000 ms, chunks of 24 bytes).
  // False leaves the transport closed.
  bool connect(const std::string& path, std::optional<int> connectionType);
  // Moves an open product to the other connection: under the I/O lock marks
  // the transport closed, reopens the handle of `connectionType` on `path`
  // and, on success, marks it open with that connection type.
  bool handOver(const std::string& path, int connectionType);
  // Marks the transport closed and closes both handles without the I/O lock:
  // closing ends a pending read or write of another thread at once.
  void disconnect();

  void setOpen(bool open) { open_.store(open, std::memory_order_release); }
  bool isOpen() const { return open_.load(std::memory_order_acquire); }
  // 2 = receiver (5000 ms, 24-byte chunks); anything else = cable (1000 ms, 56).
  void setConnectionType(int type);
  bool onReceiver() const { return onReceiver_.load(std::memory_order_acquire); }
  uint8_t chunkSize() const { return chunkSize_.load(std::memory_order_acquire); }
  // True while a traced exchange is in flight (on any thread).
  bool busy() const { return busy_.load(std::memory_order_acquire) > 0; }

  // False and no change when size > 512.
  bool setMemorySize(uint16_t size);
  uint16_t memorySize() const { return memorySize_.load(std::memory_order_acquire); }

  // The raw handles (the headset sends its LED output reports on the cable
  // handle). Reopening them belongs under lockIo().
  hid::HidDevice& cableHandle() { return cable_; }
  hid::HidDevice& receiverHandle() { return receiver_; }
  const hid::HidDevice& cableHandle() const { return cable_; }
  const hid::HidDevice& receiverHandle() const { return receiver_; }
  [[nodiscard]] std::unique_lock<std::mutex> lockIo() { return std::unique_lock(ioLock_); }

  // ---- Exchanges ----

  // The traced exchange of one request and its reply (echo check, at most two
  // reads, 0xAA from a receiver gives -101). The request is padded with zeros
  // to 64 bytes (or cut). Up to replyLength bytes of the reply are copied to
  // `reply`; *count gets the number of bytes read (0 when nothing came).
  ResultCode exchange(const uint8_t* request, size_t requestLength, uint8_t* reply,
                      size_t replyLength, size_t* count);
  // Untraced, no busy flag, no echo check, one read, always on the cable handle
  // with 1000 ms. Used by the live colour frame only.
  ResultCode quickExchange(const uint8_t* request, size_t requestLength, uint8_t* reply,
                           size_t replyLength, size_t* count);

  // ---- Command set ----

  ResultCode begin();                       // 0x01
  ResultCode end(int argument = 1);         // 0x02, sent 10 ms after it is built; argument unused
  // 0x03: 34 bytes from offset 0; `identity` is written only when every chunk succeeded.
  ResultCode readIdentity(std::span<uint8_t, kIdentitySize> identity);
  // 0x05 / 0x06: `length` = span size, from / to `baseOffset`.
  ResultCode readSettings(std::span<uint8_t> destination, uint16_t baseOffset);
  ResultCode writeSettings(std::span<const uint8_t> source, uint16_t baseOffset);
  // 0x07: memory size bytes from offset 0 (destination must hold that many).
  ResultCode readKeyTable(std::span<uint8_t> destination);
  // 0x09: memory size bytes; a bank other than 0 gives -201 and sends nothing.
  ResultCode writeKeyTable(std::span<const uint8_t> source, int bank = 0);
  // 0x0A / 0x0B under the light lock, at offset recordIndex x recordSize.
  ResultCode readCustomColours(std::span<uint8_t> destination, int recordIndex, int recordSize);
  ResultCode writeCustomColours(std::span<const uint8_t> source, int recordIndex, int recordSize);
  // 0x12 under the light lock through quickExchange, cable only: a chunk is
  // dropped (debug line "放弃灯光数据") while a traced exchange is in flight,
  // and counted as sent without sending on the receiver.
  ResultCode sendLiveFrame(std::span<const uint8_t> source);
  ResultCode writeMacroMemory(std::span<const uint8_t> source);   // 0x15 from offset 0
  // 0x17 from offset 0 in chunks of 56 bytes whatever the connection.
  ResultCode writeRecoilMemory(std::span<const uint8_t> source);
  // 0x1A: one request, byte 4 = length (at most 56), bytes 5-6 = offset.
  ResultCode readStatus(std::span<uint8_t> destination, uint16_t offset = 0);
  ResultCode readLedTable(std::span<uint8_t> destination);  // 0x1B: memory size / 3 bytes
  ResultCode resumeLighting();                               // 0x1C
  // 0xAA: reachable without asking on the cable; through the receiver only
  // when the exchange succeeded, reply byte 8 is 0xFF and the status is not
  // 0xFF or 0xFE.
  bool linkQuery();

  // Counters for tests and benchmarks.
  uint64_t droppedLiveChunks() const { return droppedLiveChunks_.load(std::memory_order_relaxed); }
  // The lock file of the connected device (empty path when exchanges run unlocked).
  const DeviceLockFile& deviceLock() const { return deviceLock_; }
  DeviceLockFile& deviceLock() { return deviceLock_; }

 private:
  enum class LockKind { Command, Light };
  ResultCode exchangeLocked(const CommandReport& request, CommandReport& reply, bool traced);
  ResultCode commandExchange(const CommandReport& request, CommandReport& reply, LockKind lock);
  ResultCode readChunked(uint8_t code, std::span<uint8_t> destination, uint64_t baseOffset,
                         uint8_t chunk, LockKind lock);
  ResultCode writeChunked(uint8_t code, std::span<const uint8_t> source, uint64_t baseOffset,
                          uint8_t chunk, LockKind lock);
  ResultCode single(uint8_t code);
  hid::HidDevice& activeHandle() { return onReceiver_.load() ? receiver_ : cable_; }
  int activeTimeout() const { return onReceiver_.load() ? kReceiverTimeoutMs : kCableTimeoutMs; }
  void drainStaleReplies(hid::HidDevice& handle);

  Clock& clock_;
  hid::HidDevice cable_;
  hid::HidDevice receiver_;
  std::mutex ioLock_;
  DeviceLockFile deviceLock_;  // opened on connect and hand-over, under the I/O lock
  std::mutex commandLock_;
  std::mutex lightLock_;
  std::atomic<bool> open_{false};
  std::atomic<int> busy_{0};  // traced exchanges in flight (light and command locks may overlap)
  std::atomic<bool> onReceiver_{false};
  std::atomic<uint8_t> chunkSize_{kInitialChunkSize};
  std::atomic<uint16_t> memorySize_{kMaxMemorySize};
  std::atomic<uint64_t> droppedLiveChunks_{0};
};

}  // namespace tessel::transport
