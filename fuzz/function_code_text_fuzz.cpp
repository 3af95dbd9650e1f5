// Button values typed on the command line: whatever parses must print as a
// text that parses back to the same code, and any three bytes must print as
// such a text.
#include <cstdint>
#include <string_view>

#include "config/function_code_text.h"

using namespace tessel;

namespace {

void check(bool ok) {
  if (!ok) __builtin_trap();
}

void printsBack(const FunctionCode& code) {
  const auto again = parseFunctionCode(formatFunctionCode(code), FunctionCode{});
  check(again.ok && again.code == code);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const FunctionCode fallback{0x14, 0x78, 0x02};
  const auto r = parseFunctionCode(text, fallback);
  if (r.ok)
    printsBack(r.code);
  else
    check(!r.error.empty());
  if (size >= 3) printsBack(FunctionCode{data[0], data[1], data[2]});
  return 0;
}
