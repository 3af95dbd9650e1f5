// Live colour frames of the keyboard in mode 30 (external colour) on its
// cable: the real controller, its frame sender and transport, against the
// emulated keyboard with 1 ms per report. The UI light tick runs every 5 ms
// with a new picture each time (a new external colour, one engine step), as
// fast as a changing picture can come; the figure is how many whole frames a
// second the emulated keyboard receives, against what the report count
// allows: a frame of 122 keys is 366 bytes in chunks of 56, each chunk a
// request and a reply of 1 ms.
//
//   frames_per_s     whole frames the keyboard received, per second
//   bound_per_s      1000 / (2 x chunks per frame)
//   of_bound         the first over the second (target >= 0.9)
//   of_emulated_bus  the same against what the emulated bus itself takes for
//                    that many transfers on this machine
//   ticks_per_s      light ticks run, per second
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "config/keyboard_profiledata.h"
#include "devices/keyboard/keyboard_controller.h"
#include "emulated_bus_time.h"
#include "sim/firmware_keyboard.h"
#include "sim/virtual_bus.h"

using namespace tessel;
using namespace std::chrono;

namespace {

constexpr auto kTick = milliseconds(5);
constexpr size_t kFrameBytes = size_t{sim::kKeyboardKeys} * 3;

// A profile document in mode 30 at full brightness, in a folder of its own.
std::filesystem::path writeDocument() {
  char tmpl[] = "/tmp/tessel-kb-live-XXXXXX";
  if (::mkdtemp(tmpl) == nullptr) return {};
  const std::filesystem::path path = std::filesystem::path(tmpl) / "live.Json";
  std::ofstream(path) << R"({"Device": [{"LightInfo": {"SelectItem": 30, "Light": 4, "Speed": 4}}]})" << "\n";
  return path;
}

void BM_KeyboardLiveFrames(benchmark::State& state) {
  sim::VirtualHidBus bus;
  auto fw = std::make_shared<sim::KeyboardFirmware>(false);
  auto product = bus.plug("keyboard", fw);
  product->setLatency(milliseconds(1));
  const std::filesystem::path path = writeDocument();
  CKeyboardProfiledata doc;
  doc.setDocumentPath(path);
  KeyboardController keyboard(bus);
  std::vector<LightModeEntry> modes(31);
  for (size_t i = 0; i < modes.size(); ++i) modes[i].code = static_cast<uint8_t>(i);
  keyboard.setLightModes(modes);
  keyboard.bindDocument(&doc);
  keyboard.loadConfiguration();
  keyboard.transport().connect(product->commandPath(), transport::kConnectionCable);
  keyboard.requestConnected();
  // Connecting took the keyboard's own mode into the document: mode 30, as
  // the light editor selects it (the keyboard gets 0xFE).
  LightRecord record = keyboard.light();
  record.selectItem = 30;
  record.light = 4;
  record.speed = 4;
  keyboard.changeLightRecord(record);
  // The engine is stepped by hand: one new picture every tick.
  keyboard.stopLightThread();
  if (!keyboard.tablesValid()) {
    state.SkipWithError("the keyboard's tables were not read");
    return;
  }
  const size_t chunk = std::max<size_t>(keyboard.transport().chunkSize(), 1);
  const size_t chunksPerFrame = (kFrameBytes + chunk - 1) / chunk;
  const double bound = 1000.0 / double(2 * chunksPerFrame);  // request and reply, 1 ms each

  uint32_t shade = 0;
  double seconds = 0;
  size_t frames = 0, ticks = 0;
  for (auto _ : state) {
    const uint64_t before = fw->liveFramesComplete();
    const auto start = steady_clock::now();
    auto next = start;
    while (steady_clock::now() - start < std::chrono::seconds(1)) {
      ++shade;
      const uint32_t external[3] = {shade & 0xFF, (shade * 7) & 0xFF, 0x40};
      keyboard.lighting().setExternalColour(external);
      keyboard.lighting().step(shade);
      auto frame = keyboard.lightTick();
      benchmark::DoNotOptimize(frame.data());
      ++ticks;
      next += kTick;
      std::this_thread::sleep_until(next);
    }
    keyboard.liveFrameSender().waitIdle(milliseconds(1000));
    seconds += duration<double>(steady_clock::now() - start).count();
    frames += static_cast<size_t>(fw->liveFramesComplete() - before);
  }
  const double busSeconds = tessel::bench::emulatedBusSeconds(static_cast<size_t>(bound) * 2 * chunksPerFrame);
  const double busBound = bound / busSeconds;
  keyboard.liveFrameSender().stop();
  keyboard.shutdown();
  std::error_code ec;
  std::filesystem::remove_all(path.parent_path(), ec);
  const double perSecond = frames / seconds;
  state.counters["frames_per_s"] = perSecond;
  state.counters["bound_per_s"] = bound;
  state.counters["of_bound"] = perSecond / bound;
  state.counters["chunks_per_frame"] = double(chunksPerFrame);
  state.counters["of_emulated_bus"] = perSecond / busBound;
  state.counters["ticks_per_s"] = ticks / seconds;
  state.counters["dropped_frames"] = static_cast<double>(keyboard.liveFrameSender().dropped());
}

}  // namespace

BENCHMARK(BM_KeyboardLiveFrames)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
