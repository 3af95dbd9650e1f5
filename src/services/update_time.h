#pragma once
// "updatetime.config" in the user data folder: the date of the last update
// check that a server answered, {"updatelasttime": {"value": "2024-3-7"}}.
#include <filesystem>
#include <string>
#include <string_view>

namespace tessel {

inline constexpr std::string_view kUpdateTimeFileName = "updatetime.config";

struct CalendarDate {
  int year = 0, month = 0, day = 0;
};

// "%d-%d-%d", no leading zeros: 2024-3-7.
std::string formatUpdateDate(const CalendarDate& date);
// Today in local time.
CalendarDate todayLocal();

// Whether the text is a date as written here: three groups of one to four
// digits joined by "-".
bool isUpdateDate(std::string_view text);

// The stored date text; empty when the file, the member or a string value is
// missing, or the text is not a date (a file that cannot be parsed is kept aside by the JSON reader).
std::string readLastCheckDate(const std::filesystem::path& file);
// Replaces the file atomically; false when the write failed.
bool writeLastCheckDate(const std::filesystem::path& file, std::string_view dateText);

}  // namespace tessel
