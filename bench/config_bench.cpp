// The keyboard's factory document (the largest: 170 keys, four custom colour
// groups): loading it with every section reader, and saving it back.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "config/keyboard_profiledata.h"

using namespace tessel;
namespace fs = std::filesystem;

namespace {

const fs::path kFactory = fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "keyboard.Json";

struct TempDocument {
  // TESSEL_BENCH_DIR picks the file system (say /dev/shm, to leave out the
  // disk's flush that every atomic save waits for); /tmp by default.
  TempDocument() {
    const char* base = std::getenv("TESSEL_BENCH_DIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/tessel-bench-XXXXXX";
    dir = mkdtemp(pattern.data());
    path = dir / "2026_01_01_00_00_00_000.Json";
    fs::copy_file(kFactory, path);
  }
  ~TempDocument() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  fs::path dir, path;
};

void readEverySection(CKeyboardProfiledata& doc) {
  benchmark::DoNotOptimize(doc.getLightInfo());
  benchmark::DoNotOptimize(doc.getAudioLightInfo());
  benchmark::DoNotOptimize(doc.getLightList());
  benchmark::DoNotOptimize(doc.getKeyList());
  benchmark::DoNotOptimize(doc.getSystemStages());
  const unsigned group = doc.getCustomGroupIndex();
  benchmark::DoNotOptimize(doc.getCustomGroupColors(group, 170));
}

void BM_KeyboardDocumentLoad(benchmark::State& state) {
  TempDocument file;
  for (auto _ : state) {
    CKeyboardProfiledata doc;
    doc.setDefaultDocumentPath(kFactory);
    doc.setDocumentPath(file.path);
    benchmark::DoNotOptimize(doc.loadDeviceElement());
    readEverySection(doc);
  }
}
BENCHMARK(BM_KeyboardDocumentLoad)->Unit(benchmark::kMicrosecond);

void BM_KeyboardDocumentSave(benchmark::State& state) {
  TempDocument file;
  CKeyboardProfiledata doc;
  doc.setDocumentPath(file.path);
  doc.loadDeviceElement();
  readEverySection(doc);
  for (auto _ : state) {
    if (!doc.save()) state.SkipWithError("save failed");
  }
}
BENCHMARK(BM_KeyboardDocumentSave)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
