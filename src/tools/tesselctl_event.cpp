// "tesselctl event NAME WPARAM LPARAM": posts a registered message to the
// running program's main window, so that a game integration can be a shell
// script ("tesselctl event Game_Kill 1 2" lights the current device in mode 2
// for five seconds).
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <limits>

#include "tools/tesselctl_internal.h"

namespace tessel::tools {

namespace {

// Digits of one base only, with nothing left over.
std::optional<uint64_t> parseMagnitude(std::string_view text) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  for (char c : text) {
    const bool ok = base == 16 ? std::isxdigit(static_cast<unsigned char>(c)) != 0 : (c >= '0' && c <= '9');
    if (!ok) return std::nullopt;
  }
  const std::string digits(text);
  errno = 0;
  char* end = nullptr;
  const unsigned long long value = std::strtoull(digits.c_str(), &end, base);
  if (errno == ERANGE || end != digits.c_str() + digits.size()) return std::nullopt;
  return static_cast<uint64_t>(value);
}

}  // namespace

std::optional<uint64_t> parseEventWParam(std::string_view text) { return parseMagnitude(text); }

std::optional<int64_t> parseEventLParam(std::string_view text) {
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  const auto magnitude = parseMagnitude(text);
  if (!magnitude) return std::nullopt;
  constexpr auto kMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  if (!negative) {
    if (*magnitude > kMax) return std::nullopt;
    return static_cast<int64_t>(*magnitude);
  }
  if (*magnitude > kMax + 1) return std::nullopt;
  if (*magnitude == kMax + 1) return std::numeric_limits<int64_t>::min();
  return -static_cast<int64_t>(*magnitude);
}

int runEvent(Invocation& inv) {
  const auto& ops = inv.options.operands;
  if (ops.size() != 4) return inv.fail(kExitUsage, "usage: event NAME WPARAM LPARAM");
  const std::string& name = ops[1];
  if (name.empty()) return inv.fail(kExitUsage, "NAME must not be empty");
  const auto wParam = parseEventWParam(ops[2]);
  if (!wParam)
    return inv.fail(kExitUsage, "WPARAM must be a number from 0 to 0xffffffffffffffff (decimal or 0x hex), not \"" +
                                    ops[2] + "\"");
  const auto lParam = parseEventLParam(ops[3]);
  if (!lParam)
    return inv.fail(kExitUsage,
                    "LPARAM must be a signed 64-bit number (decimal or 0x hex, - for negative), not \"" + ops[3] +
                        "\"");
  if (!inv.context || !inv.context->postEvent)
    return inv.fail(kExitCommandFailed, "this tesselctl was built without D-Bus; it cannot reach tessel-rgb");
  return inv.context->postEvent(name, *wParam, *lParam, inv.out, inv.err);
}

}  // namespace tessel::tools
