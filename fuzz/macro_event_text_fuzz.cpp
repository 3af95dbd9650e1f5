// Event lines typed to "tesselctl macro add": any text must be refused with a
// reason, or give an event whose printed line reads back as the same event.
#include <cstdint>
#include <string>
#include <string_view>

#include "macros/macro_event_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel::macros;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const EventTextParse parse = parseEventText(text);
  if (!parse.event) {
    if (parse.error.empty()) __builtin_trap();
    return 0;
  }
  const MacroEvent& e = *parse.event;
  if (e.type < event_type::kMin || e.type > event_type::kMax) __builtin_trap();
  const EventTextParse back = parseEventText(eventToText(e));
  if (!back.event || *back.event != e) __builtin_trap();
  return 0;
}
