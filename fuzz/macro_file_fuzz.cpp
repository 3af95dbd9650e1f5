// Macro files offered for import: any bytes must be refused with a reason or
// give events that survive a save and a read unchanged and encode to the image.
#include <cstdint>
#include <string>
#include <string_view>

#include "macros/macro_image.h"
#include "macros/macro_model.h"
#include "platform/json_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tessel::macros;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const EventFileParse parse = parseEventFile(bytes);
  if (!parse.ok) {
    if (parse.error.empty()) __builtin_trap();
    return 0;
  }
  if (parse.events.size() + parse.skipped > kMaxImportEvents) __builtin_trap();
  for (const auto& e : parse.events)
    if (e.type < event_type::kMin || e.type > event_type::kMax) __builtin_trap();

  Json::Value back;
  if (!tessel::parseJson(tessel::styledJson(eventFileDocument("m", "2026_01_01_00_00_00_000", parse.events)), back))
    __builtin_trap();
  if (eventsFromDocument(back) != parse.events) __builtin_trap();

  const std::vector<std::vector<MacroEvent>> macros{parse.events};
  const MacroImage image = buildMacroImage(macros, 255);
  if (image.status == MacroImage::Status::Ok && image.bytes.size() != 22 + 4 * parse.events.size()) __builtin_trap();
  (void)eventLabel(parse.events.empty() ? MacroEvent{} : parse.events.front());
  return 0;
}
