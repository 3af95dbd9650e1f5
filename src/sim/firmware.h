#pragma once
// The contract between an emulated product on the virtual HID bus and the
// firmware that answers its commands. The bus owns the product (ids,
// interfaces, collections, descriptors, input queues, latency, plug state);
// the firmware owns the memories and decides the replies.
#include <cstdint>
#include <vector>

namespace tessel::sim {

using Report = std::vector<uint8_t>;

// What the firmware may ask of the product it runs in. Thread-safe.
class FirmwareHost {
 public:
  virtual ~FirmwareHost() = default;
  // Queues an input report on the product's command collection (a reply sent later,
  // or a status report the device sends on its own).
  virtual void pushCommandInput(Report report) = 0;
  // Queues an input report on the product's input (consumer-control) collection.
  virtual void pushConsumerInput(Report report) = 0;
  // Pulls the product off the bus, as a user pulling the cable would.
  virtual void unplug() = 0;
};

class Firmware {
 public:
  virtual ~Firmware() = default;
  // Called by the bus when the product is created; the host outlives the firmware.
  virtual void attach(FirmwareHost* host) { host_ = host; }
  // One report written to the command collection (for the 64-byte command
  // reports: report id 4 first). Replies are appended to `replies`; the bus
  // queues them on the command collection after the product's latency.
  virtual void onCommand(const Report& report, std::vector<Report>& replies) = 0;
  // An output report sent through the control pipe (the headset's LED reports).
  virtual void onOutputReport(const Report& /*report*/) {}

 protected:
  FirmwareHost* host_ = nullptr;
};

}  // namespace tessel::sim
