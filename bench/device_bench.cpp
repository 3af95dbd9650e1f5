// One light tick: compose the live colour frame from the zone colours and hand
// it to the frame sender (the UI thread's share of live lighting), for the
// mouse (15 zones) and the keyboard (170 zones); and one software effect step.
#include <benchmark/benchmark.h>

#include "device/base/usb_device_controller.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"

using namespace tessel;

namespace {

void BM_LightTick(benchmark::State& state) {
  const int zones = static_cast<int>(state.range(0));
  sim::VirtualHidBus bus;
  std::string name = zones > 15 ? "keyboard" : "mouse";
  std::shared_ptr<sim::CommandFirmware> fw = sim::makeProductFirmware(name);
  auto product = bus.plug(name, fw);
  UsbDeviceController device(bus);
  device.setLightZoneCount(zones);
  device.transport().connect(product->commandPath(), 1);
  device.effects().setColourful(true);
  device.effects().select(SoftwareEffect::ColourWheel);
  for (auto _ : state) {
    device.effects().colourWheel();
    auto frame = device.lightTick();
    benchmark::DoNotOptimize(frame.data());
  }
  device.shutdown();
  state.counters["frames_sent"] = static_cast<double>(fw->liveFrameChunks());
}
BENCHMARK(BM_LightTick)->Arg(15)->Arg(170);

void BM_FrameComposition(benchmark::State& state) {
  ZoneColours zones(static_cast<size_t>(state.range(0)));
  SoftwareEffectEngine fx(zones);
  fx.setColourful(true);
  fx.select(SoftwareEffect::Breathing);
  for (auto _ : state) {
    fx.breathing();
    auto frame = zones.frame();
    benchmark::DoNotOptimize(frame.data());
  }
}
BENCHMARK(BM_FrameComposition)->Arg(15)->Arg(170);

}  // namespace

BENCHMARK_MAIN();
