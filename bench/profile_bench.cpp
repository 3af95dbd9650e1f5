// A profile switch of a keyboard-sized document (the factory keyboard
// document: 170 keys, custom colour groups), without device I/O:
//   - store: the list file records the new current profile;
//   - document: the page's document is bound to the new profile and loaded,
//     and every section a keyboard page shows is read.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>

#include "config/keyboard_profiledata.h"
#include "profiles/profile_store.h"

using namespace tessel;
namespace fs = std::filesystem;

namespace {

struct Folder {
  fs::path root = fs::temp_directory_path() / ("tessel-profile-bench-" + std::to_string(::getpid()));
  fs::path factory = fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "keyboard.Json";
  Folder() { fs::remove_all(root); }
  ~Folder() { fs::remove_all(root); }
};

void BM_ProfileSwitchKeyboardDocument(benchmark::State& state) {
  Folder folder;
  profiles::ProfileStore store(folder.root, folder.factory, 1);
  store.initialise();
  store.add();
  CKeyboardProfiledata document;
  document.setDefaultDocumentPath(folder.factory);
  int index = 0;
  for (auto _ : state) {
    index ^= 1;
    store.select(index);
    document.setDocumentPath(*store.documentPath(index));
    document.loadDeviceElement();
    benchmark::DoNotOptimize(document.getLightInfo());
    benchmark::DoNotOptimize(document.getKeyList().size());
    benchmark::DoNotOptimize(document.getLightList().size());
    benchmark::DoNotOptimize(document.getCustomGroupColors(document.getCustomGroupIndex(), 170).size());
    benchmark::DoNotOptimize(document.getSystemStages());
  }
}
BENCHMARK(BM_ProfileSwitchKeyboardDocument)->Unit(benchmark::kMillisecond);

// The list operations alone (each takes the folder lock, re-reads and writes
// the list atomically).
void BM_ProfileSelectOnly(benchmark::State& state) {
  Folder folder;
  profiles::ProfileStore store(folder.root, folder.factory, 1);
  store.initialise();
  store.add();
  int index = 0;
  for (auto _ : state) {
    index ^= 1;
    benchmark::DoNotOptimize(store.select(index).ok());
  }
}
BENCHMARK(BM_ProfileSelectOnly)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
