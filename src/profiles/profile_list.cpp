#include "profiles/profile_list.h"

#include <cstdio>

#include "platform/json_access.h"
#include "platform/plain_text.h"

namespace tessel::profiles {

namespace {
char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

bool taken(const std::vector<ProfileEntry>& entries, std::string_view name) {
  for (const auto& e : entries)
    if (sameName(e.name, name)) return true;
  return false;
}
}  // namespace

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  return true;
}

bool isBlankName(std::string_view name) {
  for (char c : name)
    if (!isSpace(c)) return false;
  return true;
}

bool isTimestampId(std::string_view id) {
  if (id.empty() || id.size() > 64 || id[0] < '0' || id[0] > '9') return false;
  for (char c : id)
    if (!((c >= '0' && c <= '9') || c == '_')) return false;
  return true;
}

std::string nextProfileName(const std::vector<ProfileEntry>& entries) {
  for (size_t n = 1;; ++n) {
    std::string name = "profile" + std::to_string(n);
    if (!taken(entries, name)) return name;
  }
}

std::string copyName(const std::vector<ProfileEntry>& entries, std::string_view source) {
  std::string name = std::string(source) + " copy";
  while (taken(entries, name)) name += " copy";
  return name;
}

std::string importName(const std::vector<ProfileEntry>& entries, std::string_view fileName) {
  // Folder part: everything up to the last separator.
  const size_t slash = fileName.find_last_of('/');
  if (slash != std::string_view::npos) fileName.remove_prefix(slash + 1);
  // Extension: from the last dot on, even when the dot is the first character
  // (".json" leaves nothing).
  const size_t dot = fileName.find_last_of('.');
  if (dot != std::string_view::npos) fileName = fileName.substr(0, dot);
  // A file's name may hold anything; room is left for the "(n)" of a taken name.
  std::string name = isBlankName(fileName) ? std::string("profile") : plainName(fileName, kMaxNameLength - 8);
  for (int n = 1; taken(entries, name); ++n) name += "(" + std::to_string(n) + ")";
  return name;
}

ParsedList parseProfileList(const Json::Value& list) {
  ParsedList parsed;
  const Json::Value& array = json::member(list, "profilelist");
  const unsigned count = json::size(array);
  parsed.entries.reserve(count);
  for (unsigned i = 0; i < count; ++i) {
    const Json::Value& e = json::element(array, i);
    parsed.entries.push_back({json::getString(e, "profilename", ""), json::getString(e, "profileUUID", "")});
  }
  const long long select = json::getInt(json::member(list, "profileselect"), 0, -1, 1LL << 40);
  parsed.select = (select >= 0 && select < static_cast<long long>(count)) ? static_cast<int>(select) : 0;
  return parsed;
}

Json::Value makeListEntry(std::string_view name, std::string_view uuid) {
  Json::Value e(Json::objectValue);
  e["profilename"] = std::string(name);
  e["profileUUID"] = std::string(uuid);
  e["profileislink"] = 0;
  e["profilelinkmame"] = "";
  return e;
}

}  // namespace tessel::profiles
