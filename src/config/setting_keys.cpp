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

std::string joined(const std::vector<std::string>& names, std::string_view mark) {
  std::string out;
  for (const std::string& n : names) out += (out.empty() ? "" : ", ") + std::string(mark) + n + std::string(mark);
  return out;
}

// The words of `text` filled into lines of at most 80 columns: the first
// line goes on from `line`, the others start with `indent` spaces.
std::string filled(std::string line, std::string_view text, size_t indent) {
  constexpr size_t kWidth = 80;
  std::string out;
  bool lineHasWord = false;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find(' ', at);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view word = text.substr(at, end - at);
    at = end + 1;
    if (word.empty()) continue;
    if (lineHasWord && line.size() + 1 + word.size() > kWidth) {
      out += line + "\n";
      line.assign(indent, ' ');
      lineHasWord = false;
    }
    if (lineHasWord) line += ' ';
    line += word;
    lineHasWord = true;
  }
  return out + line + "\n";
}

}  // namespace

std::string keyHelpText(const std::vector<KeyHelp>& lines) {
  constexpr size_t kColumn = 24;
  std::string out;
  for (const KeyHelp& l : lines) {
    std::string help = l.help;
    std::erase(help, '`');
    std::string line = "  " + joined(l.names, "");
    if (line.size() + 1 > kColumn) {
      out += line + "\n";
      line.clear();
    }
    line.resize(kColumn, ' ');
    out += filled(line, help, kColumn);
  }
  return out;
}

std::string keyHelpMarkdown(const std::vector<KeyHelp>& lines, std::string_view nameTitle, std::string_view helpTitle) {
  std::string out = "| " + std::string(nameTitle) + " | " + std::string(helpTitle) + " |\n|---|---|\n";
  auto cell = [](std::string text) {
    std::string escaped;
    for (char c : text) {
      if (c == '|') escaped += '\\';
      escaped += c;
    }
    return escaped;
  };
  for (const KeyHelp& l : lines) out += "| " + cell(joined(l.names, "`")) + " | " + cell(l.help) + " |\n";
  return out;
}

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
