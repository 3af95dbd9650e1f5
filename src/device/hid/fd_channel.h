#pragma once
// The file-descriptor side of the hidraw backend: one opened collection of a
// hidraw node. Reads and writes wait with poll() on the node plus eventfds for
// cancel and close, so a time-out or another thread can cut them short. Any
// descriptor that keeps report boundaries works (tests use a SOCK_SEQPACKET
// socketpair).
//
// One node carries every collection of its interface; a channel passes on only
// the input reports whose report id belongs to its collection and drops the
// others. When the interface uses no report ids, reads get a leading 0 byte and
// writes drop it, so callers always see the report id first.
#include <atomic>
#include <cstdint>
#include <vector>

#include "device/hid/hid_backend.h"

namespace tessel::hid {

struct FdChannelConfig {
  HidAttributes attributes;
  std::vector<uint8_t> descriptor;       // of the whole interface
  std::vector<uint8_t> inputReportIds;   // the collection's input report ids
  bool usesReportIds = true;
  bool canRead = true;
  bool canWrite = true;
};

class FdChannel : public HidChannel {
 public:
  // Takes ownership of `fd` (made non-blocking). valid() is false when the
  // eventfds cannot be created.
  FdChannel(int fd, FdChannelConfig config);
  ~FdChannel() override;
  FdChannel(const FdChannel&) = delete;
  FdChannel& operator=(const FdChannel&) = delete;

  bool valid() const { return fd_ >= 0 && readCancel_ >= 0 && writeCancel_ >= 0 && closeFd_ >= 0; }

  bool read(uint8_t* buffer, size_t length, size_t* count, int timeoutMs) override;
  bool write(const uint8_t* buffer, size_t length, size_t* count, int timeoutMs) override;
  bool sendOutputReport(const uint8_t* buffer, size_t length) override;
  void cancel() override;
  void close() override;
  HidAttributes attributes() const override { return config_.attributes; }
  std::vector<uint8_t> reportDescriptor() const override { return config_.descriptor; }

 private:
  enum class Wait { Ready, TimedOut, Cancelled, Failed };
  Wait waitFor(short events, int cancelFd, int64_t deadlineMs, int timeoutMs);
  bool accepts(uint8_t reportId) const;

  int fd_ = -1;
  int readCancel_ = -1;
  int writeCancel_ = -1;
  int closeFd_ = -1;  // never drained: once set, every wait ends
  std::atomic<bool> closed_{false};
  FdChannelConfig config_;
};

}  // namespace tessel::hid
