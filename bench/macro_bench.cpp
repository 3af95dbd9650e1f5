// The macro memory image is rebuilt after every macro or button edit: 50
// macros of 80 events each (the library's macro limit, a long recording each).
// Downloading it is paced by the bus: every report written and every reply
// read takes 1 ms on the emulated mouse, as a USB full-speed report does, so
// the download of an image that fills the mouse's macro memory can take no
// less than (reports x 2 ms). "of_bound" is that bound over the measured time;
// "of_emulated_bus" compares with what the emulated bus's own waits take on
// this machine (each wakes a little after its millisecond), which is the part
// our transport answers for (the target being 0.95 or more).
#include <benchmark/benchmark.h>

#include <chrono>

#include "core/clock.h"
#include "emulated_bus_time.h"
#include "device/transport/command_transport.h"
#include "macros/macro_image.h"
#include "sim/firmware_mouse.h"
#include "sim/virtual_bus.h"

namespace {

using namespace tessel;
using namespace tessel::macros;
using tessel::transport::CommandTransport;
using tessel::transport::kIdentitySize;

void BM_MacroImage50x80(benchmark::State& state) {
  std::vector<std::vector<MacroEvent>> macros(50);
  for (size_t m = 0; m < macros.size(); ++m)
    for (int i = 0; i < 80; ++i)
      macros[m].push_back(MacroEvent{i % 2 == 0, static_cast<uint8_t>(4 + m), 10, static_cast<uint16_t>(i)});
  for (auto _ : state) {
    MacroImage image = buildMacroImage(macros, 255);
    benchmark::DoNotOptimize(image.bytes.data());
  }
}
BENCHMARK(BM_MacroImage50x80);

void BM_MacroDownloadFillingTheMemory(benchmark::State& state) {
  using namespace std::chrono;
  sim::VirtualHidBus bus;
  auto fw = std::make_shared<sim::MouseFirmware>(false);
  auto product = bus.plug("mouse", fw);
  CommandTransport transport(bus);
  if (!transport.connect(product->commandPath(), 1)) {
    state.SkipWithError("the emulated mouse did not open");
    return;
  }
  std::array<uint8_t, kIdentitySize> identity{};
  transport.readIdentity(identity);
  const uint8_t capacityByte = identity[6];
  // One macro with as many events as the memory holds.
  const uint64_t capacity = macroCapacity(capacityByte);
  std::vector<std::vector<MacroEvent>> macros(1);
  while (macroImageLength(std::vector<size_t>{macros[0].size() + 1}) <= capacity)
    macros[0].push_back(MacroEvent{macros[0].size() % 2 == 0, 4, 10, 5});
  const MacroImage image = buildMacroImage(macros, capacityByte);
  if (image.bytes.empty()) {
    state.SkipWithError("the image does not fit");
    return;
  }
  product->setLatency(milliseconds(1));
  double measured = 0, bound = 0, busBound = 0;
  for (auto _ : state) {
    transport.begin();
    product->clearLog();
    const auto start = steady_clock::now();
    const ResultCode written = transport.writeMacroMemory(image.bytes);
    measured += duration<double>(steady_clock::now() - start).count();
    const size_t reports = product->commandLog().size();
    bound += static_cast<double>(reports) * 2 * 0.001;
    busBound += tessel::bench::emulatedBusSeconds(reports * 2);
    // The mouse checks the whole image when the bracket ends.
    if (written != ResultCode::Success || transport.end() != ResultCode::Success)
      state.SkipWithError("the mouse refused the image");
  }
  transport.disconnect();
  state.counters["image_bytes"] = static_cast<double>(image.bytes.size());
  state.counters["of_bound"] = bound / measured;
  state.counters["of_emulated_bus"] = busBound / measured;
}
BENCHMARK(BM_MacroDownloadFillingTheMemory)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
