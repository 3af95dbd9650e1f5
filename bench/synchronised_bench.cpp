// The synchronised-lighting thread with four devices: what it costs while no
// device is synchronised (one look a second, nothing computed) and what one
// step costs when all four are.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "device/base/usb_device_controller.h"
#include "shell/synchronised_lighting.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"

using namespace tessel;

namespace {

struct FourDevices {
  explicit FourDevices(Clock& clock) {
    const std::pair<const char*, int> kinds[] = {{"mouse", 15}, {"keyboard", 170}, {"mousepad", 30}, {"headset", 8}};
    for (const auto& [name, zones] : kinds) {
      std::shared_ptr<sim::CommandFirmware> fw = sim::makeProductFirmware(name);
      products.push_back(bus.plug(name, fw));
      devices.push_back(std::make_unique<UsbDeviceController>(bus, clock));
      devices.back()->setLightZoneCount(zones);
      devices.back()->transport().connect(products.back()->commandPath(), 1);
    }
  }
  ~FourDevices() {
    for (auto& d : devices) d->shutdown();
  }
  sim::VirtualHidBus bus;
  std::vector<std::shared_ptr<sim::EmulatedProduct>> products;
  std::vector<std::unique_ptr<UsbDeviceController>> devices;
};

SynchronisedSettings wheel() {
  SynchronisedSettings s;
  s.mode = SynchronisedSettings::kColourWheel;
  s.brightnessIndex = 4;
  s.speedIndex = 4;
  return s;
}

// One simulated minute of the running thread on a manual clock, none of the
// four devices synchronised: the turns it took and the steps it computed.
void BM_SynchronisedIdleMinute(benchmark::State& state) {
  ManualClock clock;
  FourDevices four(clock);
  SynchronisedLighting lighting(clock);
  for (auto& d : four.devices) lighting.add(d.get());
  lighting.setSettings(wheel());
  lighting.start();
  lighting.waitUntilAsleep();
  uint64_t minutes = 0;
  const uint64_t looks0 = lighting.idleLooks();
  for (auto _ : state) {
    for (int s = 0; s < 60; ++s) {
      clock.advance(Millis(1000));
      lighting.waitUntilAsleep();
    }
    ++minutes;
  }
  state.counters["turns_per_minute"] = double(lighting.idleLooks() - looks0) / double(minutes);
  state.counters["steps"] = double(lighting.steps());
  lighting.stop();
}
BENCHMARK(BM_SynchronisedIdleMinute)->Unit(benchmark::kMillisecond);

// One look with nobody synchronised (what each of those turns costs).
void BM_SynchronisedIdleTurn(benchmark::State& state) {
  ManualClock clock;
  FourDevices four(clock);
  SynchronisedLighting lighting(clock);
  for (auto& d : four.devices) lighting.add(d.get());
  lighting.setSettings(wheel());
  for (auto _ : state) benchmark::DoNotOptimize(lighting.turn(clock.now()));
}
BENCHMARK(BM_SynchronisedIdleTurn);

// One step into every zone of the four devices (223 zones), all synchronised.
void BM_SynchronisedStepFourDevices(benchmark::State& state) {
  ManualClock clock;
  FourDevices four(clock);
  SynchronisedLighting lighting(clock);
  for (auto& d : four.devices) {
    d->setSynchronised(true);
    lighting.add(d.get());
  }
  lighting.setSettings(wheel());
  SteadyTime now = clock.now();
  for (auto _ : state) {
    // Seven passes at speed index 4: every turn is a step.
    now += 7 * SynchronisedLighting::kAdvance;
    benchmark::DoNotOptimize(lighting.turn(now));
  }
  state.counters["steps"] = double(lighting.steps());
}
BENCHMARK(BM_SynchronisedStepFourDevices);

}  // namespace

BENCHMARK_MAIN();
