#include "device/transport/command_transport.h"

#include <algorithm>
#include <cstring>

#include "platform/debug.h"

namespace tessel::transport {

namespace {

void traceReport(const char* title, const CommandReport& report) {
  if (!debugEnabled()) return;
  const auto lines = traceLines(report);
  debugLine(title);
  debugLine(lines[0]);
  debugLine(lines[1]);
}

}  // namespace

CommandTransport::CommandTransport(hid::HidBackend& backend, Clock& clock)
    : clock_(clock), cable_(backend), receiver_(backend) {}

CommandTransport::~CommandTransport() { disconnect(); }

bool CommandTransport::connect(const std::string& path, std::optional<int> connectionType) {
  std::lock_guard io(ioLock_);
  hid::HidDevice& handle = connectionType == kConnectionReceiver ? receiver_ : cable_;
  if (!handle.open(path, true, true)) return false;
  deviceLock_.open(path);
  if (connectionType) setConnectionType(*connectionType);
  open_.store(true, std::memory_order_release);
  return true;
}

bool CommandTransport::handOver(const std::string& path, int connectionType) {
  std::lock_guard io(ioLock_);
  open_.store(false, std::memory_order_release);
  hid::HidDevice& handle = connectionType == kConnectionReceiver ? receiver_ : cable_;
  handle.close();
  if (!handle.open(path, true, true)) return false;
  deviceLock_.open(path);
  setConnectionType(connectionType);
  open_.store(true, std::memory_order_release);
  return true;
}

void CommandTransport::disconnect() {
  open_.store(false, std::memory_order_release);
  cable_.close();
  receiver_.close();
}

void CommandTransport::setConnectionType(int type) {
  const bool receiver = type == kConnectionReceiver;
  onReceiver_.store(receiver, std::memory_order_release);
  chunkSize_.store(receiver ? kReceiverChunkSize : kCableChunkSize, std::memory_order_release);
}

bool CommandTransport::setMemorySize(uint16_t size) {
  if (size > kMaxMemorySize) return false;
  memorySize_.store(size, std::memory_order_release);
  return true;
}

void CommandTransport::drainStaleReplies(hid::HidDevice& handle) {
  // A reply that came after its exchange gave up, or the replies another
  // handle's exchanges brought (every open handle gets every input report),
  // would otherwise be taken for the next request's reply. All of them go:
  // another program's session leaves dozens. The bound only stops a device
  // that floods reports from holding the exchange (hidraw keeps 64 per handle).
  uint8_t scratch[kReportSize];
  size_t n = 0;
  for (int i = 0; i < 1024 && handle.read(scratch, sizeof scratch, &n, 0); ++i) {
  }
}

ResultCode CommandTransport::exchangeLocked(const CommandReport& request, CommandReport& reply,
                                            bool traced) {
  struct BusyGuard {
    std::atomic<int>* counter;
    ~BusyGuard() {
      if (counter != nullptr) counter->fetch_sub(1, std::memory_order_acq_rel);
    }
  } busy{traced ? &busy_ : nullptr};
  if (traced) busy_.fetch_add(1, std::memory_order_acq_rel);

  reply.fill(0);
  if (!isOpen()) return ResultCode::NotSent;
  if (traced) traceReport("命令", request);

  std::unique_lock io(ioLock_);
  struct DeviceLockGuard {
    DeviceLockFile& file;
    bool locked;
    explicit DeviceLockGuard(DeviceLockFile& f) : file(f), locked(file.lock()) {}
    ~DeviceLockGuard() { file.unlock(); }
  };
  std::optional<DeviceLockGuard> deviceLock(std::in_place, deviceLock_);
  if (!deviceLock->locked) return ResultCode::Busy;
  const bool receiver = traced && onReceiver_.load(std::memory_order_acquire);
  hid::HidDevice& handle = receiver ? receiver_ : cable_;
  const int timeout = receiver ? kReceiverTimeoutMs : kCableTimeoutMs;
  if (traced) drainStaleReplies(handle);

  size_t written = 0;
  if (!handle.write(request.data(), request.size(), &written, timeout)) {
    return ResultCode::WriteFailed;
  }

  ResultCode result = ResultCode::NotSent;
  const int reads = traced ? 2 : 1;
  for (int attempt = 0; attempt < reads; ++attempt) {
    reply.fill(0);
    size_t got = 0;
    if (!handle.read(reply.data(), reply.size(), &got, timeout)) {
      // Nothing came in time (or the handle was closed): no second wait.
      result = ResultCode::NotSent;
      break;
    }
    result = ResultCode::Success;
    if (!traced || reply[kByteCommand] == request[kByteCommand]) break;
    if (receiver && reply[kByteCommand] == kUnreachableEcho) {
      result = ResultCode::Unreachable;
      break;
    }
  }
  deviceLock.reset();
  io.unlock();

  if (traced) traceReport("返回", reply);
  return result;
}

ResultCode CommandTransport::exchange(const uint8_t* request, size_t requestLength, uint8_t* reply,
                                      size_t replyLength, size_t* count) {
  if (count != nullptr) *count = 0;
  CommandReport req{};
  if (request != nullptr) std::memcpy(req.data(), request, std::min(requestLength, kReportSize));
  CommandReport rep{};
  const ResultCode result = exchangeLocked(req, rep, true);
  if (result == ResultCode::Success || result == ResultCode::Unreachable) {
    if (reply != nullptr) std::memcpy(reply, rep.data(), std::min(replyLength, kReportSize));
    if (count != nullptr) *count = kReportSize;
  }
  return result;
}

ResultCode CommandTransport::quickExchange(const uint8_t* request, size_t requestLength,
                                           uint8_t* reply, size_t replyLength, size_t* count) {
  if (count != nullptr) *count = 0;
  CommandReport req{};
  if (request != nullptr) std::memcpy(req.data(), request, std::min(requestLength, kReportSize));
  CommandReport rep{};
  const ResultCode result = exchangeLocked(req, rep, false);
  if (result == ResultCode::Success) {
    if (reply != nullptr) std::memcpy(reply, rep.data(), std::min(replyLength, kReportSize));
    if (count != nullptr) *count = kReportSize;
  }
  return result;
}

}  // namespace tessel::transport
