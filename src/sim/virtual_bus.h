#pragma once
// The virtual HID bus: an in-process HidBackend on which emulated products
// plug and unplug. Tests, benchmarks, the command-line tool and demo mode use
// it in place of hidraw; paths, time-outs, cancel, close and unplug behave as
// on hidraw.
//
// How a firmware runs on it (for the authors of firmware_*.{h,cpp}):
//
//   tessel::sim::VirtualHidBus bus;
//   auto fw = std::make_shared<MyMouseFirmware>();
//   auto mouse = bus.plug("mouse", fw);          // fw->attach(mouse.get()) is called here,
//                                                // with the bus locked: attach must not unplug
//   tessel::hid::setDefaultBackend(&bus);        // or pass `bus` to HidDevice
//   ... open mouse->commandPath() with a HidDevice, write 64-byte reports ...
//
// * Every report written to the product's command collection (the vendor
//   collection 0xFF1C/0x92 of the mouse, keyboard and mousepad; the single
//   collection of the headset) reaches Firmware::onCommand on the writer's
//   thread, after the product's latency. The report is exactly what the host
//   wrote, report id first (4 for the command reports). The replies appended
//   to `replies` are queued, in order, as input reports of the product; reply
//   i becomes readable (i + 1) x latency after onCommand returns.
// * Reports sent with HidDevice::sendOutputReport reach Firmware::onOutputReport
//   (the headset's 17-byte LED reports, report id 0xFF first).
// * Calls into one product's firmware are serialised by the bus (never two at
//   once), so a firmware needs no lock for its memories as long as only these
//   callbacks touch them. Do not block in them.
// * From a callback or any other thread the firmware may call the host:
//   pushCommandInput / pushConsumerInput queue an input report at once (a
//   status report sent on the device's own initiative); unplug() pulls the
//   product off the bus. Input reports are routed by their first byte, the
//   report id, to the collection that owns it, as one USB interface does: id 4
//   goes to the command collection, id 3 to consumer control; a report whose
//   id no collection owns is dropped. Only readers that are open when the
//   report arrives get it (each open handle has its own queue, as on hidraw).
// * The product owns the firmware (shared_ptr). The host pointer given to
//   attach() is valid while the product exists; a firmware kept alive longer
//   by a test must not use it after the product is gone.
// * Tests without a firmware plug with nullptr: the product then runs a
//   ScriptedFirmware that accepts every write and answers nothing, unless the
//   test sets a responder or scripts replies (scriptReply) for the next commands.
//   scriptReply / scriptNoReply also work with a real firmware, which still sees
//   the command: handy for faults such as a reply for another command.
// * setLatency(1 ms) makes each write, output report and reply take the time
//   a USB full-speed report takes; 0 (the default) delivers at once.
// * writtenReports(collection) / commandLog() / outputReports() return what the
//   product received; waitForCommands() lets a test wait for a writer thread.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/hid/hid_backend.h"
#include "device/hid/report_descriptor.h"
#include "sim/firmware.h"
#include "sim/products.h"

namespace tessel::sim {

// The firmware a product runs when none is given: accepts every write and
// answers with what its responder (if any) appends.
class ScriptedFirmware : public Firmware {
 public:
  using Responder = std::function<void(const Report& command, std::vector<Report>& replies)>;
  void setResponder(Responder responder);
  void onCommand(const Report& report, std::vector<Report>& replies) override;

 private:
  std::mutex mutex_;
  Responder responder_;
};

class VirtualHidBus;
class VirtualChannel;

class EmulatedProduct : public FirmwareHost, public std::enable_shared_from_this<EmulatedProduct> {
 public:
  EmulatedProduct(const ProductInfo& info, int nodeNumber, std::shared_ptr<Firmware> firmware,
                  VirtualHidBus* bus);
  ~EmulatedProduct() override;
  EmulatedProduct(const EmulatedProduct&) = delete;
  EmulatedProduct& operator=(const EmulatedProduct&) = delete;

  const ProductInfo& info() const { return info_; }
  std::string_view name() const { return info_.name; }
  int nodeNumber() const { return nodeNumber_; }
  std::string node() const;  // "sim/hidraw2"
  // Paths of every collection, in descriptor order; path(0) is the headset's only one.
  std::vector<std::string> paths() const;
  std::string path(uint16_t collection) const;
  std::string commandPath() const { return path(info_.commandCollection); }
  std::string inputPath() const { return path(info_.inputCollection); }
  const hid::ReportDescriptor& descriptor() const { return descriptor_; }
  Firmware& firmware() { return *firmware_; }
  // The default firmware, or nullptr when the product was plugged with its own.
  ScriptedFirmware* scripted() { return dynamic_cast<ScriptedFirmware*>(firmware_.get()); }
  bool plugged() const;

  void setLatency(std::chrono::microseconds perReport);
  std::chrono::microseconds latency() const;

  // Input reports, routed by report id (see above).
  void pushInput(Report report);
  void pushCommandInput(Report report) override { pushInput(std::move(report)); }
  void pushConsumerInput(Report report) override { pushInput(std::move(report)); }
  void unplug() override;

  // The next command written gets these replies instead of the firmware's
  // (the firmware still sees it). Queued overrides are used one per command.
  void scriptReply(Report reply) { scriptReplies({std::move(reply)}); }
  void scriptReplies(std::vector<Report> replies);
  void scriptNoReply() { scriptReplies({}); }

  // What the product received.
  std::vector<Report> writtenReports(uint16_t collection) const;
  std::vector<Report> commandLog() const { return writtenReports(info_.commandCollection); }
  // The output reports received, oldest first: the last kOutputLogLimit at most.
  std::vector<Report> outputReports() const;
  static constexpr size_t kOutputLogLimit = 4096;
  // Waits up to `bound` until at least `count` commands have been written.
  bool waitForCommands(size_t count, std::chrono::milliseconds bound) const;
  void clearLog();
  size_t openChannels() const;

 private:
  friend class VirtualHidBus;
  friend class VirtualChannel;
  struct Pending {
    Report report;
    std::chrono::steady_clock::time_point due;
  };
  struct ChannelState {
    size_t collection = 0;  // index into descriptor_.collections
    bool canRead = false, canWrite = false;
    bool closed = false;
    uint64_t readCancel = 0, writeCancel = 0;
    std::deque<Pending> queue;
    // Wakes only this handle's reader or writer, as a hidraw node wakes only
    // the handles it has a report for: a frame's reply never wakes the
    // reader of the input interface.
    std::condition_variable cv;
  };
  using Clock = std::chrono::steady_clock;

  void markUnplugged();
  // Caller holds mutex_: every handle looks again (unplugged, closed).
  void wakeAllLocked();
  std::shared_ptr<ChannelState> openChannel(size_t collection, bool read, bool write);
  void closeChannel(const std::shared_ptr<ChannelState>& state);
  // Caller holds mutex_.
  void deliverLocked(const Report& report, Clock::time_point due);
  size_t collectionIndex(uint16_t collection) const;
  // Waits out the latency of one transfer; false when it was cut short.
  bool transferLocked(std::unique_lock<std::mutex>& lock, ChannelState& st, bool isRead, int timeoutMs);
  bool channelRead(ChannelState& st, uint8_t* buffer, size_t length, size_t* count, int timeoutMs);
  bool channelWrite(ChannelState& st, const uint8_t* buffer, size_t length, int timeoutMs, bool output);

  const ProductInfo& info_;
  const int nodeNumber_;
  uint64_t plugSerial_ = 0;  // set by the bus before anyone sees the product
  hid::ReportDescriptor descriptor_;
  std::shared_ptr<Firmware> firmware_;
  std::mutex firmwareMutex_;  // one firmware call at a time

  mutable std::mutex mutex_;
  mutable std::condition_variable cv_;  // waitForCommands: a command came in
  VirtualHidBus* bus_;  // null once the bus is gone
  bool plugged_ = true;
  std::chrono::microseconds latency_{0};
  std::vector<std::shared_ptr<ChannelState>> channels_;
  std::vector<std::vector<Report>> written_;  // per collection index
  std::vector<Report> outputs_;
  size_t commandCount_ = 0;
  std::deque<std::vector<Report>> scripted_;
};

class VirtualHidBus : public hid::HidBackend {
 public:
  using FirmwareFactory = std::function<std::shared_ptr<Firmware>(const ProductInfo&)>;

  VirtualHidBus();
  ~VirtualHidBus() override;  // unplugs every product
  VirtualHidBus(const VirtualHidBus&) = delete;
  VirtualHidBus& operator=(const VirtualHidBus&) = delete;

  // Plugs a product by name. Without a firmware the factory's (when set) or a
  // ScriptedFirmware runs it. nullptr for an unknown name or a name already plugged.
  std::shared_ptr<EmulatedProduct> plug(std::string_view productName,
                                        std::shared_ptr<Firmware> firmware = nullptr);
  // Plugs every product of a comma-separated list; false (nothing plugged) on
  // an unknown name, with a message in `error`.
  bool plugList(std::string_view list, std::string* error = nullptr);
  // Pulls a product off the bus; false when it is not plugged.
  bool unplug(std::string_view productName);
  std::shared_ptr<EmulatedProduct> product(std::string_view productName) const;
  std::vector<std::shared_ptr<EmulatedProduct>> products() const;  // by node number
  // Used by plug() when it gets no firmware (demo mode sets the real firmwares).
  void setFirmwareFactory(FirmwareFactory factory);

  // HidBackend
  bool enumerate(std::vector<std::string>& paths) override;
  std::unique_ptr<hid::HidChannel> open(const std::string& path, bool wantRead, bool wantWrite) override;
  uint64_t changeCounter() override;
  std::optional<hid::NodeIdentity> identity(const std::string& path) override;
  // Wakes at a plug or an unplug.
  std::unique_ptr<hid::ChangeWaiter> changeWaiter() override;

  // The node prefix of every virtual path: "sim/hidraw".
  static constexpr std::string_view kNodePrefix = "sim/hidraw";

 private:
  friend class EmulatedProduct;
  bool unplugProduct(const EmulatedProduct* product);
  std::shared_ptr<EmulatedProduct> findByPath(const std::string& path) const;

  mutable std::mutex mutex_;
  std::map<int, std::shared_ptr<EmulatedProduct>> byNode_;
  FirmwareFactory factory_;
  uint64_t changes_ = 0;
  std::condition_variable changed_;  // changes_ grew, or a waiter was interrupted
  uint64_t plugs_ = 0;  // serial of the last plug, the "inode" of a virtual node
};

}  // namespace tessel::sim
