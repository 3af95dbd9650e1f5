// One frame of each keyboard light mode over the 170 positions (target: the
// slowest mode under 50 us). Audio mode 29 is measured per style, fed with
// a fresh spectrum before every frame.
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
  engine.step(0);
  uint32_t now = 0;
  for (auto _ : state) {
    engine.step(now += 16);
    benchmark::DoNotOptimize(engine.frame().get(0));
  }
}
BENCHMARK(BM_KeyboardLightMode)->DenseRange(1, 30);

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
