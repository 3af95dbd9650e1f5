#pragma once
// Keys and buttons of the whole session read from /dev/input/event* (for
// users in the "input" group, typically on Wayland). Read-only and never
// grabbed: the devices go on working for every other program, and nothing of
// ours can get stuck holding them.
//
// One thread waits with poll() on every opened device plus an eventfd that
// stop() signals. The devices are read as raw `struct input_event` records,
// so the reading code works on any descriptor (tests feed a pipe); libevdev
// only tells which devices have keys or buttons.
#include <atomic>
#include <bitset>
#include <cstdint>
#include <mutex>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "input/input_source.h"

namespace tessel::input {

// Turns a byte stream of input_event records into events. Key and button
// records (EV_KEY) give events: value 1 down, 2 auto-repeat (another down,
// as a held key repeats), 0 up. A partial record waits for its rest. After
// SYN_DROPPED the kernel lost records: everything up to the next SYN_REPORT
// is skipped, as that report may be incomplete. A lost release would leave
// the key held for the recorder (its next press taken for a repeat), so the
// decoder remembers which keys it saw go down and, once the device's real key
// state is known again, releases those that are up by now.
class EvdevRecordDecoder {
 public:
  static constexpr size_t kKeyCount = 0x300;  // KEY_CNT

  void feed(std::span<const uint8_t> bytes, std::vector<InputEvent>& out);
  size_t pendingBytes() const { return partial_.size(); }

  // True after records were lost, until resync().
  bool needsResync() const { return lost_; }
  // `pressed` is the device's key state now (EVIOCGKEY: bit n = key n down).
  // Gives an "up" for every key seen down that is not pressed any more.
  void resync(const std::bitset<kKeyCount>& pressed, std::vector<InputEvent>& out);

 private:
  void record(const uint8_t* bytes, std::vector<InputEvent>& out);
  std::vector<uint8_t> partial_;
  std::bitset<kKeyCount> down_;
  bool dropping_ = false;
  bool lost_ = false;
};

// Reads what `fd` has now (one read of up to 64 records). False when the
// device is gone (end of file, or an error other than EAGAIN/EINTR).
bool readEvdevRecords(int fd, EvdevRecordDecoder& decoder, std::vector<InputEvent>& out);

struct EvdevDevice {
  std::string path;
  std::string name;
};
// The event devices of `dir` that open for reading and report keys or mouse
// buttons.
std::vector<EvdevDevice> readableKeyDevices(const std::string& dir = "/dev/input");

class EvdevSource final : public InputSource {
 public:
  explicit EvdevSource(std::string dir = "/dev/input");
  // Reads the given descriptors instead of opening devices (tests); the
  // source owns them and closes them on destruction.
  explicit EvdevSource(std::vector<int> fds);
  ~EvdevSource() override;

  std::string name() const override { return "evdev"; }
  std::string description() const override;
  SourceCoverage coverage() const override { return SourceCoverage::Desktop; }
  bool start(InputSink sink, bool grabKeyboard, std::string& reason) override;
  void stop() override;
  bool running() const override { return running_.load(); }

  // How many devices the last start opened.
  size_t deviceCount() const { return deviceCount_.load(); }

 private:
  void run(std::vector<int> fds, int stopFd, InputSink sink);

  std::string dir_;
  std::vector<int> givenFds_;
  std::atomic<bool> running_{false};
  std::atomic<size_t> deviceCount_{0};
  int stopFd_ = -1;
  std::thread thread_;
};

}  // namespace tessel::input
