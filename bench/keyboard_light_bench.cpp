// One frame of each keyboard light mode over the 170 positions (target: the
// slowest mode under 50 us). Audio mode 29 is measured per style, fed with
// a fresh spectrum before every frame; the effect list (modes 0 and 19) plays
// a step that paints every position on every pass; the overlays are
// measured with all 170 positions driven by the light list.
#include <benchmark/benchmark.h>

#include <vector>

#include "devices/keyboard/keyboard_lighting.h"

namespace {

void BM_KeyboardLightMode(benchmark::State& state) {
  tessel::KeyboardLighting engine;
  tessel::LightRecord record;
  record.selectItem = uint8_t(state.range(0));
  record.light = 4;
  record.speed = 4;
  record.fx = 1;
  record.multiColor = 1;
  engine.setLight(record);
  if (tessel::KeyboardLighting::playsEffectList(record.selectItem)) {
    // A colour wheel step at speed 4 paints all 170 positions on every pass.
    tessel::LightStep wheel;
    wheel.mode = 5;
    wheel.brightness = 4;
    wheel.speed = 4;
    wheel.time = 1'000'000;
    engine.setEffectList({wheel});
  }
  engine.step(0);
  uint32_t now = 0;
  for (auto _ : state) {
    engine.step(now += 16);
    benchmark::DoNotOptimize(engine.frame().get(0));
  }
}
BENCHMARK(BM_KeyboardLightMode)->DenseRange(0, 30);

// One clock advance of a stepping mode with every position overlaid by an
// animated light list entry (breathing, flashing and colour wheel in turn).
void BM_KeyboardLightOverlays(benchmark::State& state) {
  tessel::KeyboardLighting engine;
  tessel::LightRecord record;
  record.selectItem = 1;
  record.light = 4;
  record.speed = 4;
  record.multiColor = 1;
  engine.setLight(record);
  std::vector<tessel::LightListEntry> list(tessel::KeyboardLighting::kPositions);
  for (size_t i = 0; i < list.size(); ++i) {
    list[i].mode = uint8_t(i % 3 == 0 ? 0 : i % 3 == 1 ? 2 : 3);
    list[i].brightness = 4;
    list[i].speed = 4;
    list[i].multiColor = 1;
    list[i].present = 1;
  }
  engine.setLightList(list);
  uint32_t now = 0;
  engine.advance(now);
  for (auto _ : state) {
    engine.advance(now += 16);
    benchmark::DoNotOptimize(engine.frame().get(0));
  }
}
BENCHMARK(BM_KeyboardLightOverlays);

void BM_KeyboardAudioStyle(benchmark::State& state) {
  tessel::KeyboardLighting engine;
  tessel::AudioLightRecord audio;
  audio.audioMode = uint8_t(state.range(0));
  audio.sevenColorFlags = 1;
  engine.setAudio(audio);
  tessel::LightRecord record;
  record.selectItem = 29;
  record.light = 4;
  engine.setLight(record);
  engine.step(0);
  std::vector<int> levels(25);
  for (size_t i = 0; i < levels.size(); ++i) levels[i] = int(i * 80);
  uint32_t now = 0;
  for (auto _ : state) {
    engine.setSpectrum(levels);
    engine.step(now += 16);
    benchmark::DoNotOptimize(engine.frame().get(0));
  }
}
BENCHMARK(BM_KeyboardAudioStyle)->DenseRange(0, 6);

}  // namespace

BENCHMARK_MAIN();
