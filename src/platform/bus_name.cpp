#include "platform/bus_name.h"

#include <cstdio>

namespace tessel {

std::string busNameForTitle(std::string_view utf8Title) {
  if (utf8Title.empty()) return {};
  std::string name = std::string(kWindowBusPrefix) + ".w.";
  for (size_t i = 0; i < utf8Title.size(); ++i) {
    const auto c = static_cast<unsigned char>(utf8Title[i]);
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const bool digit = c >= '0' && c <= '9';
    // A bus name element must not start with a digit.
    if (letter || (digit && i > 0)) {
      name += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "_%02x", c);
      name += hex;
    }
  }
  if (name.size() > 255) return {};
  return name;
}

}  // namespace tessel
