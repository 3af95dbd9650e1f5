// HID access: one command exchange and one enumeration on the virtual bus,
// plus the hidraw side's fd exchange, sysfs enumeration and descriptor parsing.
#include <benchmark/benchmark.h>
#include <sys/socket.h>
#include <unistd.h>

#include "device/hid/hid_device.h"
#include "device/hid/hidraw_backend.h"
#include "sim/virtual_bus.h"

using namespace tessel;
using tessel::sim::Report;

namespace {

Report command() {
  Report r(64, 0);
  r[0] = 4;
  r[1] = 0x30;
  return r;
}

// One 64-byte write to the command collection and the read of its reply.
void BM_VirtualBusWriteRead(benchmark::State& state) {
  sim::VirtualHidBus bus;
  auto mouse = bus.plug("mouse");
  mouse->setLatency(std::chrono::microseconds(state.range(0)));
  mouse->scripted()->setResponder([](const Report& c, std::vector<Report>& r) { r.push_back(c); });
  hid::HidDevice d(bus);
  if (!d.open(mouse->commandPath(), true, true)) {
    state.SkipWithError("open failed");
    return;
  }
  Report out = command();
  uint8_t in[64];
  for (auto _ : state) {
    size_t n = 0;
    if (!d.write(out.data(), out.size(), &n, 1000) || !d.read(in, sizeof in, &n, 1000)) {
      state.SkipWithError("exchange failed");
      break;
    }
    benchmark::DoNotOptimize(in[1]);
    mouse->clearLog();
  }
}
BENCHMARK(BM_VirtualBusWriteRead)->Arg(0)->Arg(1000)->UseRealTime();

// Every product plugged: 21 paths, 11 of them supported interfaces.
void BM_VirtualBusEnumerate(benchmark::State& state) {
  sim::VirtualHidBus bus;
  bus.plugList("all");
  hid::HidDevice d(bus);
  for (auto _ : state) {
    d.enumerate();
    size_t count = 0;
    while (d.nextPath()) ++count;
    benchmark::DoNotOptimize(count);
    d.freeList();
  }
}
BENCHMARK(BM_VirtualBusEnumerate);

// What the device watcher does per pass: enumerate, then open each of the 11
// supported interfaces for identification (attributes and caps) and close it.
void BM_VirtualBusEnumerateAndIdentify(benchmark::State& state) {
  sim::VirtualHidBus bus;
  bus.plugList("all");
  hid::HidDevice d(bus), probe(bus);
  for (auto _ : state) {
    d.enumerate();
    int identified = 0;
    while (auto p = d.nextPath()) {
      uint16_t col = hid::pathCollectionNumber(*p);
      if (col != 3 && col != 4 && hid::pathVendorId(*p) == 0x320F) continue;
      if (probe.open(*p, true, false, true, false)) {
        identified += probe.caps().usagePage != 0;
        probe.close();
      }
    }
    if (identified != 11) state.SkipWithError("not 11 interfaces");
    d.freeList();
  }
}
BENCHMARK(BM_VirtualBusEnumerateAndIdentify);

// The hidraw enumeration logic over recorded sysfs data of the same machine.
class Recorded : public hid::SysfsSource {
 public:
  bool list(std::vector<hid::SysfsRecord>& out) override {
    out.clear();
    int node = 0;
    for (const auto& s : sim::productInfos()) {
      char id[32];
      std::snprintf(id, sizeof id, "0003:%08X:%08X", s.vendorId, s.productId);
      out.push_back({"/dev/hidraw" + std::to_string(node++), id, std::to_string(s.interfaceNumber), "0100",
                     *s.descriptor});
    }
    return true;
  }
  std::optional<hid::SysfsRecord> find(const std::string&) override { return std::nullopt; }
  uint64_t changeCounter() override { return 0; }
};

void BM_HidrawEnumerateRecorded(benchmark::State& state) {
  hid::HidrawBackend backend(std::make_unique<Recorded>());
  std::vector<std::string> paths;
  for (auto _ : state) {
    backend.enumerate(paths);
    benchmark::DoNotOptimize(paths.data());
  }
}
BENCHMARK(BM_HidrawEnumerateRecorded);

// The hidraw channel's write + read over a socketpair (the peer answers inline).
void BM_FdChannelWriteRead(benchmark::State& state) {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0) {
    state.SkipWithError("socketpair");
    return;
  }
  auto ch = hid::makeCollectionChannel(fds[0], "/dev/hidraw0#vid_320f&pid_7c1f&mi_01&col04", {},
                                       sim::vendorInterfaceDescriptor(), true, true);
  Report out = command();
  uint8_t buf[64];
  for (auto _ : state) {
    size_t n = 0;
    ch->write(out.data(), out.size(), &n, 1000);
    ssize_t got = ::recv(fds[1], buf, sizeof buf, 0);
    if (got > 0) (void)::send(fds[1], buf, static_cast<size_t>(got), 0);
    if (!ch->read(buf, sizeof buf, &n, 1000)) {
      state.SkipWithError("read failed");
      break;
    }
  }
  ::close(fds[1]);
}
BENCHMARK(BM_FdChannelWriteRead);

void BM_ParseVendorDescriptor(benchmark::State& state) {
  for (auto _ : state) {
    hid::ReportDescriptor d;
    hid::parseReportDescriptor(sim::vendorInterfaceDescriptor(), d);
    benchmark::DoNotOptimize(d.collections.data());
  }
}
BENCHMARK(BM_ParseVendorDescriptor);

}  // namespace

BENCHMARK_MAIN();
