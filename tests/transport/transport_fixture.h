#pragma once
// A product on a virtual bus with its real firmware, and a transport connected to it.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "core/clock.h"
#include "device/transport/command_transport.h"
#include "platform/debug.h"
#include "sim/firmware_headset.h"
#include "sim/firmware_keyboard.h"
#include "sim/firmware_mouse.h"
#include "sim/firmware_mousepad.h"
#include "sim/virtual_bus.h"

namespace tessel::test {

template <typename Fw>
struct Rig {
  sim::VirtualHidBus bus;
  ManualClock clock;
  std::shared_ptr<Fw> fw;
  std::shared_ptr<sim::EmulatedProduct> product;
  std::unique_ptr<transport::CommandTransport> transport;

  // `connection`: 1 cable, 2 receiver, 0 none (the transport keeps its defaults).
  Rig(const std::string& productName, std::shared_ptr<Fw> firmware, int connection) : fw(std::move(firmware)) {
    product = bus.plug(productName, fw);
    transport = std::make_unique<transport::CommandTransport>(bus, clock);
    std::optional<int> type;
    if (connection != 0) type = connection;
    connected = transport->connect(product->commandPath(), type);
  }
  transport::CommandTransport& t() { return *transport; }
  bool connected = false;
};

// Collects debug lines while alive.
class DebugCapture {
 public:
  DebugCapture() {
    setDebugCapture([this](std::string_view line) {
      std::lock_guard lock(mutex_);
      lines_.emplace_back(line);
    });
  }
  ~DebugCapture() { setDebugCapture({}); }
  std::vector<std::string> lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
  }
  size_t count(std::string_view line) const {
    std::lock_guard lock(mutex_);
    size_t n = 0;
    for (const auto& l : lines_) n += l == line ? 1 : 0;
    return n;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

}  // namespace tessel::test
