// Bytes read from an input device: the record decoder must take any stream,
// cut anywhere, without reading past what it was given.
#include <linux/input.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "input/evdev_source.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the length of the reads the stream arrives in.
  const size_t chunk = 1 + data[0] % 64;
  tessel::input::EvdevRecordDecoder decoder;
  std::vector<tessel::input::InputEvent> events;
  std::span<const uint8_t> rest(data + 1, size - 1);
  while (!rest.empty()) {
    const size_t n = rest.size() < chunk ? rest.size() : chunk;
    decoder.feed(rest.first(n), events);
    rest = rest.subspan(n);
  }
  if (decoder.pendingBytes() >= sizeof(struct input_event)) __builtin_trap();
  return 0;
}
