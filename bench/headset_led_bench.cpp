// The headset's LED frames at the pace of the real bus: every output report
// takes 1 ms on the emulated headset (a USB full-speed control transfer), so
// twelve reports allow at most 1000 / 12 = 83.3 frames a second. The light
// tick runs every 5 ms, as the tile's fast tick does, with a new picture at
// every tick; the sender sends the latest frame it has. The figure is the
// frames the headset took whole per second, against what the bus allows
// ("of_bound", the target being 0.9 or more), and against what the emulated
// bus's own waits allow on this machine ("of_emulated_bus").
#include <benchmark/benchmark.h>

#include <chrono>
#include <thread>

#include "device/base/software_effects.h"
#include "devices/headset/headset_device.h"
#include "emulated_bus_time.h"
#include "sim/firmware_headset.h"
#include "sim/virtual_bus.h"

using namespace tessel;
using namespace std::chrono;

namespace {

constexpr auto kTick = milliseconds(5);
constexpr double kBound = 1000.0 / headset::kLedReportCount;  // frames a second at 1 ms per report

void BM_HeadsetLedFrames(benchmark::State& state) {
  sim::VirtualHidBus bus;
  auto fw = std::make_shared<sim::HeadsetFirmware>();
  auto product = bus.plug("headset", fw);
  product->setLatency(milliseconds(1));
  headset::HeadsetDevice device(bus);
  device.transport().connect(product->commandPath(), std::nullopt);
  uint8_t shade = 0;
  double seconds = 0;
  size_t frames = 0, ticks = 0;
  for (auto _ : state) {
    const size_t before = fw->ledFrameCount();
    const auto start = steady_clock::now();
    auto next = start;
    // One second of ticks, each with a picture unlike the one before.
    while (steady_clock::now() - start < std::chrono::seconds(1)) {
      ++shade;
      for (int z = 0; z < static_cast<int>(headset::kZoneCount); ++z)
        device.setZoneColour(z, packZone(shade, static_cast<uint8_t>(shade + z), 0x40, 255));
      auto frame = device.lightTick();
      benchmark::DoNotOptimize(frame.data());
      ++ticks;
      next += kTick;
      std::this_thread::sleep_until(next);
    }
    device.waitLedIdle(milliseconds(1000));
    seconds += duration<double>(steady_clock::now() - start).count();
    frames += fw->ledFrameCount() - before;
  }
  // What the emulated bus takes for the reports of the frames it could carry
  // in that time at most, on this machine.
  const double busSeconds = tessel::bench::emulatedBusSeconds(static_cast<size_t>(kBound) * headset::kLedReportCount);
  const double busBound = kBound / busSeconds;
  device.shutdown();
  const double perSecond = frames / seconds;
  state.counters["frames_per_s"] = perSecond;
  state.counters["bound_per_s"] = kBound;
  state.counters["of_bound"] = perSecond / kBound;
  state.counters["of_emulated_bus"] = perSecond / busBound;
  state.counters["ticks_per_s"] = ticks / seconds;
  state.counters["stray_reports"] = static_cast<double>(fw->strayLedReports());
}

}  // namespace

BENCHMARK(BM_HeadsetLedFrames)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
