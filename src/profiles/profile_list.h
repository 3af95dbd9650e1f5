#pragma once
// The profile list document ("ProfileList.ini", JSON despite its name) and the
// rules for profile names and identifiers.
//
//   { "profilelist": [ { "profilename": "profile1", "profileUUID": "2026_03_04_05_06_07_089",
//                        "profileislink": 0, "profilelinkmame": "" }, ... ],
//     "profileselect": 0 }
//
// The list is edited in place as a Json::Value so that members we do not know
// (other top-level keys, extra keys of an entry) survive a rewrite.
#include <json/json.h>

#include <string>
#include <string_view>
#include <vector>

namespace tessel::profiles {

inline constexpr std::string_view kProfileListFile = "ProfileList.ini";
inline constexpr std::string_view kDocumentExtension = ".Json";
inline constexpr int kMaxAddedProfiles = 50;

struct ProfileEntry {
  std::string name;
  std::string uuid;
};

// Names compare without regard to ASCII case ("Game" and "GAME" are one name).
bool sameName(std::string_view a, std::string_view b);
// True when the name holds nothing but white space.
bool isBlankName(std::string_view name);
// A time-stamp identifier: digits and underscores only, starting with a digit,
// of a sane length. Only such an identifier is ever turned into a file name, so
// a hand-edited list cannot point the store at a file outside its folder.
bool isTimestampId(std::string_view id);

// The first "profile%d" (n = 1, 2, ...) that no entry is named.
std::string nextProfileName(const std::vector<ProfileEntry>& entries);
// "%s copy", repeated while the name is taken.
std::string copyName(const std::vector<ProfileEntry>& entries, std::string_view source);
// The imported file's name without folder and extension ("profile" when that
// leaves nothing), with "(n)" appended while the name is taken: Game, Game(1),
// Game(1)(2), ...
std::string importName(const std::vector<ProfileEntry>& entries, std::string_view fileName);

// Reading a list document: nullopt-like empty result when the document has no
// usable "profilelist" (null, not an object, no array, no entries).
struct ParsedList {
  std::vector<ProfileEntry> entries;
  int select = 0;  // "profileselect", 0 when it is outside the list
  bool usable() const { return !entries.empty(); }
};
ParsedList parseProfileList(const Json::Value& list);

// A fresh list entry as the store writes it.
Json::Value makeListEntry(std::string_view name, std::string_view uuid);

}  // namespace tessel::profiles
