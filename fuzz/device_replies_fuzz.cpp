// Replies come from devices: an emulated mouse answers every command with the
// next 64 bytes of the input, and the transport runs the commands that decode
// replies (identity, status, full settings read, link query).
#include <algorithm>
#include <cstdint>
#include <vector>

#include "device/transport/command_set.h"
#include "sim/virtual_bus.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel;
  static sim::VirtualHidBus bus;
  static auto mouse = bus.plug("mouse-receiver");
  std::vector<uint8_t> input(data, data + size);
  size_t pos = 0;
  mouse->scripted()->setResponder([&](const sim::Report& command, std::vector<sim::Report>& replies) {
    sim::Report reply(64, 0);
    reply[0] = 4;
    for (size_t i = 1; i < 64 && pos < input.size(); ++i) reply[i] = input[pos++];
    // Echo the command code unless the input asks for a wrong one (odd first
    // byte): a wrong echo makes the exchange wait out a real time-out, so only
    // the inputs that ask for it pay that.
    if (input.empty() || !(input[0] & 1)) reply[3] = command[3];
    replies.push_back(std::move(reply));
  });
  ManualClock clock;
  transport::CommandTransport quick(bus, clock);
  if (!quick.connect(mouse->commandPath(), transport::kConnectionReceiver)) return 0;
  std::array<uint8_t, transport::kIdentitySize> identity{};
  (void)quick.readIdentity(identity);
  (void)transport::decodeIdentity(identity);
  std::array<uint8_t, transport::kStatusBlockSize> status{};
  if (quick.readStatus(status) == ResultCode::Success) (void)transport::decodeStatusBlock(status, true);
  (void)quick.linkQuery();
  transport::DeviceTables tables;
  (void)transport::readFullSettings(quick, DeviceKind::Keyboard, tables);
  quick.disconnect();
  mouse->scripted()->setResponder({});
  return 0;
}
