#include "services/update_time.h"

#include <ctime>

#include "platform/json_access.h"
#include "platform/json_file.h"
#include "platform/kept_file.h"

namespace tessel {

std::string formatUpdateDate(const CalendarDate& date) {
  return std::to_string(date.year) + "-" + std::to_string(date.month) + "-" + std::to_string(date.day);
}

CalendarDate todayLocal() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

bool isUpdateDate(std::string_view text) {
  int groups = 0;
  size_t digits = 0;
  for (char c : text) {
    if (c >= '0' && c <= '9') {
      if (++digits > 4) return false;
    } else if (c == '-' && digits > 0 && groups < 2) {
      ++groups;
      digits = 0;
    } else {
      return false;
    }
  }
  return groups == 2 && digits > 0;
}

namespace {
bool isUpdateTimeFile(const Json::Value& doc) {
  if (!doc.isObject()) return false;
  const Json::Value& time = json::member(doc, "updatelasttime");
  return time.isNull() || (time.isObject() && (json::member(time, "value").isNull() || json::member(time, "value").isString()));
}
}  // namespace

std::string readLastCheckDate(const std::filesystem::path& file) {
  const Json::Value doc = readKeptJson(file, isUpdateTimeFile).value;
  std::string text = json::getString(json::member(json::member(doc, "updatelasttime"), "value"), "");
  // The text is shown in the window: anything but a date is not shown.
  return isUpdateDate(text) ? text : std::string();
}

bool writeLastCheckDate(const std::filesystem::path& file, std::string_view dateText) {
  Json::Value doc(Json::objectValue);
  doc["updatelasttime"]["value"] = std::string(dateText);
  return writeKeptJson(file, doc, nullptr, isUpdateTimeFile);
}

}  // namespace tessel
