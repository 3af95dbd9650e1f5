#include "config/setting_keys.h"

#include <cctype>
#include <charconv>

namespace tessel::settings {

namespace {

std::string lower(std::string_view text) {
  std::string s(text);
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::optional<int64_t> parseInteger(std::string_view text) {
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return std::nullopt;
  int64_t value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, 10);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

std::optional<bool> parseBoolean(std::string_view text) {
  const std::string t = lower(text);
  if (t == "1" || t == "true" || t == "on" || t == "yes") return true;
  if (t == "0" || t == "false" || t == "off" || t == "no") return false;
  return std::nullopt;
}

std::optional<uint32_t> parseColour(std::string_view text) {
  if (!text.empty() && text.front() == '#') text.remove_prefix(1);
  if (text.size() != 6) return std::nullopt;
  uint32_t value = 0;
  for (char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value << 4 | static_cast<uint32_t>(std::isdigit(static_cast<unsigned char>(c))
                                                   ? c - '0'
                                                   : std::tolower(static_cast<unsigned char>(c)) - 'a' + 10);
  }
  return value;
}

std::string formatColour(uint32_t rgb) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string s(6, '0');
  for (int i = 5; i >= 0; --i) {
    s[static_cast<size_t>(i)] = kDigits[rgb & 0xF];
    rgb >>= 4;
  }
  return s;
}

}  // namespace tessel::settings
