#include "services/skin_record.h"

#include <cctype>
#include <vector>

#include "platform/kept_file.h"

namespace tessel {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

bool sameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

}  // namespace

std::string setIniValue(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value) {
  std::vector<std::string> lines;
  for (size_t start = 0; start < text.size();) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    lines.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  const std::string entry = std::string(key) + "=" + std::string(value);
  bool inSection = false;
  int sectionEnd = -1;  // index after the section's last line
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string_view t = trim(lines[i]);
    if (!t.empty() && t.front() == '[') {
      inSection = t.size() >= 2 && t.back() == ']' && sameText(trim(t.substr(1, t.size() - 2)), section);
      if (inSection) sectionEnd = static_cast<int>(i) + 1;
      continue;
    }
    if (!inSection) continue;
    sectionEnd = static_cast<int>(i) + 1;
    const size_t eq = t.find('=');
    if (eq != std::string_view::npos && sameText(trim(t.substr(0, eq)), key)) {
      lines[i] = entry;
      sectionEnd = -2;  // done
      break;
    }
  }
  if (sectionEnd >= 0) {
    // Keep blank lines after the section where they were.
    size_t at = static_cast<size_t>(sectionEnd);
    while (at > 0 && trim(lines[at - 1]).empty()) --at;
    lines.insert(lines.begin() + static_cast<long>(at), entry);
  } else if (sectionEnd == -1) {
    if (!lines.empty() && !trim(lines.back()).empty()) lines.emplace_back();
    lines.push_back("[" + std::string(section) + "]");
    lines.push_back(entry);
  }
  std::string out;
  for (const auto& l : lines) out += l + "\n";
  return out;
}

bool writeSkinRecord(const std::filesystem::path& file, bool presetImage, std::string_view image) {
  std::string clean;
  for (char c : image)
    if (c != '\r' && c != '\n') clean += c;
  // A record that cannot be read is not replaced; one that is not text (kept
  // aside) starts again.
  const KeptRead read = readKeptBytes(file, [](std::string_view bytes) { return bytes.find('\0') == std::string_view::npos; });
  if (read.unreadable()) return false;
  std::string text = read.usable() ? read.bytes : std::string();
  text = setIniValue(text, "SKINIMAGE", "FLAGS", presetImage ? "1" : "0");
  text = setIniValue(text, "SKINIMAGE", "IMAGE", clean);
  return writeKeptFile(file, text);
}

}  // namespace tessel
