// Game events from outside: the numbers of "tesselctl event" as typed, and
// any wParam / lParam another program posts. A number that parses prints as
// decimal text that parses back to it; a changed light record keeps its
// brightness and speed within 0..4 and never touches the bytes past the
// direction.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "shell/game_events.h"
#include "tools/tesselctl_internal.h"

using namespace tessel;

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  if (const auto w = tools::parseEventWParam(text)) check(tools::parseEventWParam(std::to_string(*w)) == w);
  if (const auto l = tools::parseEventLParam(text)) check(tools::parseEventLParam(std::to_string(*l)) == l);

  if (size < 16) return 0;
  uint64_t wParam = 0;
  int64_t lParam = 0;
  std::memcpy(&wParam, data, 8);
  std::memcpy(&lParam, data + 8, 8);
  LightRecord before;
  before.light = 2;
  before.speed = 1;
  before.multiColor = 1;
  before.red = 7, before.green = 8, before.blue = 9;
  before.zzccLedMode = 10, before.customGroup = 11, before.oldLedmode = 12;
  const auto after = gameEventRecord(before, wParam % 4, lParam);
  if (!after) {
    check(wParam % 4 == 3);
    return 0;
  }
  check(after->light <= 4 && after->speed <= 4);
  LightRecord rest = *after;
  rest.selectItem = before.selectItem, rest.light = before.light, rest.speed = before.speed, rest.fx = before.fx;
  check(rest == before);
  return 0;
}
