// The light thread's share of live lighting: one turn of the mouse's light
// thread at each step of its mode (group wave, streamer, reactive fade, a
// base effect, a user sequence pass), and one pass of the light list effects
// over 15 zones.
#include <benchmark/benchmark.h>

#include "device/base/light_list_effects.h"
#include "devices/mouse/mouse_lighting.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"

using namespace tessel;

namespace {

void BM_MouseLightTurn(benchmark::State& state) {
  sim::VirtualHidBus bus;
  std::shared_ptr<sim::CommandFirmware> fw = sim::makeProductFirmware("mouse");
  auto product = bus.plug("mouse", fw);
  UsbDeviceController device(bus);
  device.setLightZoneCount(15);
  device.transport().connect(product->commandPath(), 1);
  MouseLighting lighting(device);
  LightRecord r;
  r.selectItem = static_cast<uint8_t>(state.range(0));
  r.light = 4;
  r.speed = 4;
  r.fx = 1;
  r.multiColor = 1;
  lighting.setRecord(r);
  LightStep step;
  step.mode = 4;  // wave: every zone changes
  step.brightness = 4;
  step.speed = 4;
  step.multiColor = 1;
  step.time = 1000000;
  lighting.setSequence({step});
  SteadyTime now{};
  now = lighting.turn(now);
  for (auto _ : state) {
    if (r.selectItem == 6) lighting.keyEvent();
    SteadyTime next = lighting.turn(now);
    // The next due time, or one pass on while sleeping until woken.
    now = next == SteadyTime::max() ? now + MouseLighting::kAdvance : next;
    benchmark::DoNotOptimize(device.zoneColour(0));
  }
  device.shutdown();
  state.SetLabel(r.selectItem == 0 ? "group wave" : r.selectItem == 2 ? "breathing" : r.selectItem == 5 ? "streamer"
                 : r.selectItem == 6 ? "reactive fade (key each turn)" : "user sequence pass");
}
BENCHMARK(BM_MouseLightTurn)->Arg(0)->Arg(2)->Arg(5)->Arg(6)->Arg(10);

void BM_LightListPass(benchmark::State& state) {
  ZoneColours zones(15);
  LightListEffects list(zones);
  std::vector<LightListEntry> entries(15);
  for (size_t i = 0; i < entries.size(); ++i) {
    entries[i].mode = static_cast<uint8_t>(i % 5);  // breathing, static, flashing, wheel, off
    entries[i].brightness = 4;
    entries[i].speed = static_cast<uint8_t>(i % 5);
    entries[i].multiColor = 1;
    entries[i].present = 1;
  }
  SteadyTime now{};
  list.setEntries(entries, now);
  for (auto _ : state) {
    now += MouseLighting::kAdvance;
    list.pass(now);
    benchmark::DoNotOptimize(zones.get(0));
  }
}
BENCHMARK(BM_LightListPass);

}  // namespace

BENCHMARK_MAIN();
