// Command transport: the host cost of one exchange against an emulated device
// that answers at once, and the full settings read of the mouse and of the
// keyboard at 1 ms per report, set against the physical bound (2 ms per
// exchange on USB full speed, plus the 10 ms the end command waits).
#include <benchmark/benchmark.h>

#include <sys/prctl.h>

#include <chrono>

#include "device/transport/command_set.h"
#include "sim/firmware_keyboard.h"
#include "sim/firmware_mouse.h"
#include "sim/virtual_bus.h"

using namespace tessel;

namespace {

// An emulated mouse on its cable with no latency, and a transport connected to it.
struct CableMouse {
  sim::VirtualHidBus bus;
  std::shared_ptr<sim::MouseFirmware> fw = std::make_shared<sim::MouseFirmware>();
  std::shared_ptr<sim::EmulatedProduct> mouse = bus.plug("mouse", fw);
  ManualClock clock;
  transport::CommandTransport t{bus, clock};
  bool connected = t.connect(mouse->commandPath(), transport::kConnectionCable);
};

// Runs `step` once per iteration; the firmware's request log is cleared now
// and then so it does not grow without bound.
template <typename Step>
void exchangeLoop(benchmark::State& state, Step step) {
  CableMouse m;
  if (!m.connected) {
    state.SkipWithError("connect failed");
    return;
  }
  if (transport::emulatedDevicesShared() && m.t.deviceLock().path().empty()) {
    state.SkipWithError("no lock file");
    return;
  }
  for (auto _ : state) {
    if (step(m.t) != ResultCode::Success) {
      state.SkipWithError("exchange failed");
      break;
    }
    if ((state.iterations() & 0x3FFF) == 0) m.fw->clearLog();
  }
}

// One traced exchange (a single-report command: request, reply, echo and status check).
void BM_TransportExchange(benchmark::State& state) {
  exchangeLoop(state, [](transport::CommandTransport& t) { return t.resumeLighting(); });
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TransportExchange);

// The same exchange holding the device's lock file as well (what every
// exchange costs when another process may share the device): compare with
// BM_TransportExchange for the overhead of the lock per exchange.
void BM_TransportExchangeWithDeviceLock(benchmark::State& state) {
  transport::shareEmulatedDevices(true);
  exchangeLoop(state, [](transport::CommandTransport& t) { return t.resumeLighting(); });
  transport::shareEmulatedDevices(false);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_TransportExchangeWithDeviceLock);

// One chunk of a 56-byte settings read: the same plus the data copy.
void BM_TransportSettingsChunk(benchmark::State& state) {
  std::array<uint8_t, 56> block{};
  exchangeLoop(state, [&block](transport::CommandTransport& t) {
    const ResultCode r = t.readSettings(block, 128);
    benchmark::DoNotOptimize(block);
    return r;
  });
}
BENCHMARK(BM_TransportSettingsChunk);

// The full settings read with 1 ms per report and the real 10 ms before the end.
template <typename Fw>
void fullRead(benchmark::State& state, const char* product, DeviceKind kind) {
  sim::VirtualHidBus bus;
  auto fw = std::make_shared<Fw>(false);
  auto p = bus.plug(product, fw);
  p->setLatency(std::chrono::milliseconds(1));
  transport::CommandTransport t(bus);  // system clock
  if (!t.connect(p->commandPath(), transport::kConnectionCable)) {
    state.SkipWithError("connect failed");
    return;
  }
  transport::DeviceTables tables;
  size_t exchanges = 0;
  double seconds = 0;
  for (auto _ : state) {
    fw->clearLog();
    const auto start = std::chrono::steady_clock::now();
    const auto r = transport::readFullSettings(t, kind, tables);
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (r.result != ResultCode::Success) {
      state.SkipWithError("full read failed");
      break;
    }
    exchanges = fw->requests().size();
  }
  const double perRead = seconds / static_cast<double>(state.iterations()) * 1000.0;
  const double bound = 2.0 * static_cast<double>(exchanges) + 10.0;
  state.counters["exchanges"] = static_cast<double>(exchanges);
  state.counters["ms_per_read"] = perRead;
  state.counters["bound_ms"] = bound;
  state.counters["ratio"] = perRead / bound;
}

void BM_FullSettingsReadMouse(benchmark::State& state) {
  fullRead<sim::MouseFirmware>(state, "mouse", DeviceKind::Mouse);
}
void BM_FullSettingsReadKeyboard(benchmark::State& state) {
  fullRead<sim::KeyboardFirmware>(state, "keyboard", DeviceKind::Keyboard);
}
BENCHMARK(BM_FullSettingsReadMouse)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(40);
BENCHMARK(BM_FullSettingsReadKeyboard)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(20);

}  // namespace

// The emulated latency is made of timed waits; the kernel's default timer
// slack (50 us) would add to every one of them, while a real device's reply
// wakes the reader by interrupt. One nanosecond of slack keeps the emulation
// close to the wire.
int main(int argc, char** argv) {
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
