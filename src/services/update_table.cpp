#include "services/update_table.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace tessel {

const std::array<UpdateTableRow, 4>& updateTable() {
  static const std::array<UpdateTableRow, 4> table = {{
      {1, 1, "ZELTO", "RT52P03C", "MS", "MS", ""},
      {1, 1, "ZELTO", "RT52P04C", "KB", "KB", ""},
      {2, 1, "ZELTO", "RT52P05C_1", "T73", "T73", ""},
      {0, 1, "ZELTO", "ALL", "T73_BQ2_BQ1", "AP", "V1.0.0.0"},
  }};
  return table;
}

namespace {

bool digitsAndDots(std::string_view s) {
  bool digit = false;
  for (char c : s) {
    if (c >= '0' && c <= '9') digit = true;
    else if (c != '.') return false;
  }
  return digit;
}

std::vector<uint64_t> splitParts(std::string_view s) {
  std::vector<uint64_t> parts;
  size_t start = 0;
  while (start <= s.size()) {
    size_t dot = s.find('.', start);
    if (dot == std::string_view::npos) dot = s.size();
    uint64_t v = 0;
    for (size_t i = start; i < dot; ++i) v = v > 100000000000ULL ? v : v * 10 + static_cast<uint64_t>(s[i] - '0');
    parts.push_back(v);
    start = dot + 1;
  }
  return parts;
}

// Reads the whole text as a number in `base`; nullopt for anything else.
std::optional<uint64_t> readNumber(std::string_view s, int base) {
  if (s.empty()) return std::nullopt;
  uint64_t v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
  if (ec != std::errc() || end != s.data() + s.size()) return std::nullopt;
  return v;
}

}  // namespace

std::optional<uint32_t> versionWithoutDots(std::string_view dotted) {
  if (!digitsAndDots(dotted)) return std::nullopt;
  std::string digits;
  for (char c : dotted)
    if (c != '.') digits += c;
  const auto v = readNumber(digits, 10);
  if (!v || *v > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<uint32_t>(*v);
}

std::vector<UpdateEntry> buildUpdateEntries(const std::vector<uint16_t>& firmwareVersions,
                                            std::string_view appVersion) {
  std::vector<UpdateEntry> entries;
  const auto& table = updateTable();
  for (size_t k = 0; k + 1 < table.size(); ++k) {
    const uint16_t v = k < firmwareVersions.size() ? firmwareVersions[k] : 0;
    if (v != 0) entries.push_back({table[k], v, {}});
  }
  if (const auto app = versionWithoutDots(appVersion); app && *app != 0)
    entries.push_back({table.back(), *app, std::string(appVersion)});
  return entries;
}

std::string applicationKey(const UpdateTableRow& row) {
  return std::string(row.vendor) + "_" + std::to_string(row.versionFormat) + "_" + std::string(row.model) + "_" +
         std::string(row.shortName1) + "_" + std::to_string(row.counter);
}

std::string updateRequestBody(const UpdateEntry& entry) {
  char version[16];
  std::snprintf(version, sizeof version, entry.row.hexadecimal() ? "%x" : "%u", entry.installed);
  std::string body = "app_key=" + applicationKey(entry.row) + "&version=" + version;
  body.push_back('\0');
  return body;
}

std::string updateRowName(const UpdateTableRow& row) {
  return row.model == "ALL" ? std::string("AP") : std::string(row.shortName2);
}

std::string installedVersionText(const UpdateEntry& entry) {
  if (entry.row.hexadecimal()) {
    char text[16];
    std::snprintf(text, sizeof text, "V%04x", entry.installed & 0xFFFFu);
    return text;
  }
  if (!entry.installedDotted.empty()) return "V" + entry.installedDotted;
  return std::string(entry.row.versionText);
}

std::optional<int> compareDottedVersions(std::string_view a, std::string_view b) {
  if (!digitsAndDots(a) || !digitsAndDots(b)) return std::nullopt;
  auto pa = splitParts(a), pb = splitParts(b);
  const size_t n = std::max(pa.size(), pb.size());
  pa.resize(n, 0);
  pb.resize(n, 0);
  for (size_t i = 0; i < n; ++i)
    if (pa[i] != pb[i]) return pa[i] < pb[i] ? -1 : 1;
  return 0;
}

bool isReadableVersion(const UpdateEntry& entry, std::string_view version) {
  if (entry.row.hexadecimal()) return readNumber(version, 16).has_value();
  return !version.empty() && digitsAndDots(version);
}

bool isNewerVersion(const UpdateEntry& entry, std::string_view version) {
  if (entry.row.hexadecimal()) {
    const auto v = readNumber(version, 16);
    return v && *v > entry.installed;
  }
  if (version.find('.') != std::string_view::npos && !entry.installedDotted.empty()) {
    const auto c = compareDottedVersions(version, entry.installedDotted);
    return c && *c > 0;
  }
  const auto v = readNumber(version, 10);
  return v && *v > entry.installed;
}

}  // namespace tessel
