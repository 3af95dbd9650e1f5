// The macro memory image is rebuilt after every macro or button edit: 50
// macros of 80 events each (the library's macro limit, a long recording each).
#include <benchmark/benchmark.h>

#include "macros/macro_image.h"

namespace {

void BM_MacroImage50x80(benchmark::State& state) {
  using namespace tessel::macros;
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

}  // namespace

BENCHMARK_MAIN();
