// Keyboard key values typed on the command line (tesselctl set keyboard
// key.P=VALUE): whatever parses must print as a text that parses back to the
// same code, whatever the position's default; a refusal always says why.
#include <cstdint>
#include <string>
#include <string_view>

#include "devices/keyboard/keyboard_layout.h"
#include "devices/keyboard/keyboard_setting_keys.h"

using namespace tessel;

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

void printsBack(const FunctionCode& code, const FunctionCode& def) {
  FunctionCode again{};
  std::string why;
  check(parseKeyFunction(formatKeyFunction(code, def), def, again, why));
  check(again == code);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // The first byte picks the position whose default "default" stands for.
  const FunctionCode def = keyboard::kPositionDefaults[size > 0 ? data[0] % keyboard::kPositions : 0];
  const std::string_view text(reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0), size > 0 ? size - 1 : 0);
  FunctionCode code{};
  std::string why;
  if (parseKeyFunction(text, def, code, why))
    printsBack(code, def);
  else
    check(!why.empty());
  if (size >= 4) printsBack(FunctionCode{data[1], data[2], data[3]}, def);
  return 0;
}
