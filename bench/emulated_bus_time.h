#pragma once
// What the emulated bus itself takes for a number of transfers: each of its
// transfers is a condition-variable wait until 1 ms after it started, which
// wakes a little late on a loaded machine. A benchmark paced by the bus
// compares its time with this as well as with the nominal 1 ms a report, so
// what is left is the part our own code answers for.
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>

namespace tessel::bench {

inline double emulatedBusSeconds(size_t transfers) {
  using namespace std::chrono;
  std::mutex m;
  std::condition_variable cv;
  std::unique_lock lock(m);
  const auto start = steady_clock::now();
  for (size_t i = 0; i < transfers; ++i) {
    const auto end = steady_clock::now() + milliseconds(1);
    while (steady_clock::now() < end) cv.wait_until(lock, end);
  }
  return duration<double>(steady_clock::now() - start).count();
}

}  // namespace tessel::bench
