// The mouse's full read on *connected* (begin, identity, key table, end, the
// current profile's byte and block) against the emulated mouse at 1 ms per
// report, the time a USB full-speed report takes. Counters: the reports that
// crossed the bus both ways, the USB bound (reports x 1 ms, plus the 10 ms
// the end command waits before it is sent) and the ratio of the measured time
// to it (target: at most 1.05).
#include <benchmark/benchmark.h>
#include <sys/prctl.h>

#include <chrono>

#include "devices/mouse/mouse_controller.h"
#include "sim/firmware_mouse.h"
#include "sim/virtual_bus.h"

using namespace tessel;

namespace {

void BM_MouseConnectedRead(benchmark::State& state) {
  sim::VirtualHidBus bus;
  auto fw = std::make_shared<sim::MouseFirmware>(false);
  auto product = bus.plug("mouse", fw);
  product->setLatency(std::chrono::milliseconds(1));
  MouseController mouse(bus);  // system clock: the end command really waits
  mouse.transport().connect(product->commandPath(), 1);
  size_t requests = 0;
  double seconds = 0;
  for (auto _ : state) {
    fw->clearLog();
    const auto start = std::chrono::steady_clock::now();
    mouse.connected();  // the tile calls it inside a job on the device's queue
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    requests = fw->requests().size();
  }
  mouse.shutdown();
  const double reports = static_cast<double>(requests) * 2;  // each request has its reply
  const double boundSeconds = reports * 1e-3 + 10e-3;
  const double perRead = seconds / static_cast<double>(state.iterations());
  state.counters["reports"] = reports;
  state.counters["usb_bound_ms"] = boundSeconds * 1e3;
  state.counters["measured_ms"] = perRead * 1e3;
  state.counters["ratio"] = perRead / boundSeconds;
}
BENCHMARK(BM_MouseConnectedRead)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(40);

}  // namespace

// The emulated latency is made of timed waits; the kernel's default timer
// slack (50 us) would add to every one of them, while a real device's reply
// wakes the reader by interrupt (as in transport_bench.cpp).
int main(int argc, char** argv) {
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
