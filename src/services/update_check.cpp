#include "services/update_check.h"

#include <memory>

#include "platform/json_access.h"
#include "platform/json_file.h"
#include "services/http_client.h"

namespace tessel {

UpdateResult initialUpdateRow(const UpdateEntry& entry) {
  UpdateResult r;
  r.name = updateRowName(entry.row);
  r.installedText = installedVersionText(entry);
  return r;
}

UpdateResult evaluateUpdateResponse(const UpdateEntry& entry, long received, std::string_view body, bool cut,
                                    long httpStatus) {
  UpdateResult r = initialUpdateRow(entry);
  r.reached = httpStatus != 0 || received > 0;
  // An error page (even one with a JSON body) or a half-sent body says
  // nothing about versions.
  if (received <= 0 || cut || httpStatus < 200 || httpStatus > 299) return r;
  Json::Value doc;
  if (!parseJson(body, doc) || !doc.isObject()) return r;
  const Json::Value& version = json::member(doc, "version");
  const Json::Value& name = json::member(doc, "name");
  const Json::Value& versionName = json::member(doc, "version_name");
  const Json::Value& path = json::member(doc, "path");
  const Json::Value& deviceId = json::member(doc, "device_id");
  if (!version.isString() || !isReadableVersion(entry, version.asString())) return r;
  for (const Json::Value* text : {&name, &versionName, &path})
    if (!text->isNull() && !text->isString()) return r;
  if (!deviceId.isNull() && !deviceId.isIntegral()) return r;
  r.answered = true;
  if (!name.isString() || name.asString().empty()) return r;
  if (!isNewerVersion(entry, version.asString())) return r;
  r.status = kUpdateStatusAvailable;
  r.deviceId = static_cast<int>(json::getInt(deviceId, 0, INT32_MIN, INT32_MAX));
  r.versionName = json::getString(versionName, "");
  r.path = json::getString(path, "");
  r.availableText = entry.row.hexadecimal() ? "V" + version.asString() : r.versionName;
  return r;
}

std::string updateServiceUrl(std::string_view base) {
  std::string url(base);
  while (!url.empty() && url.back() == '/') url.pop_back();
  if (url.empty()) return {};
  if (url.size() >= 4 && url.compare(url.size() - 4, 4, "/api") == 0) return url + "/updates";
  return url + "/api/updates";
}

UpdateCheckOutcome runUpdateCheck(const std::vector<UpdateEntry>& entries, const UpdateCheckConfig& config,
                                  HttpClient& client,
                                  const std::function<void(size_t, const UpdateResult&)>& rowChanged) {
  UpdateCheckOutcome out;
  out.lastCheckDate = readLastCheckDate(config.updateTimeFile);
  for (size_t i = 0; i < entries.size(); ++i) {
    out.rows.push_back(initialUpdateRow(entries[i]));
    if (rowChanged) rowChanged(i, out.rows.back());
  }
  const std::string url = updateServiceUrl(config.serverBase);
  if (url.empty()) {
    out.noServer = true;
    out.state = UpdateWindowState::NoConnection;
    return out;
  }
  auto buffer = std::make_unique<char[]>(kUpdateResponseBufferSize);
  bool allAnswered = !entries.empty();
  for (size_t i = 0; i < entries.size(); ++i) {
    if (client.isCancelled()) {
      allAnswered = false;
      break;
    }
    const std::string body = updateRequestBody(entries[i]);
    buffer[0] = '\0';
    const long received =
        client.request("POST", url, body.data(), body.size(), buffer.get(), kUpdateResponseBufferSize);
    if (client.cancelled()) {
      allAnswered = false;
      break;
    }
    out.rows[i] = evaluateUpdateResponse(entries[i], received, std::string_view(buffer.get()), !client.complete(),
                                         client.status());
    if (!out.rows[i].answered) {
      allAnswered = false;
      if (out.rows[i].reached) ++out.improper;
    }
    if (rowChanged) rowChanged(i, out.rows[i]);
  }
  out.cancelled = client.isCancelled();
  // The date says when the server last told us everything we asked.
  if (allAnswered && !out.cancelled) {
    out.lastCheckDate = formatUpdateDate(config.today);
    writeLastCheckDate(config.updateTimeFile, out.lastCheckDate);
  }
  bool available = false;
  for (const auto& r : out.rows)
    if (r.status != kUpdateStatusNothingNewer && r.status != 0) available = true;
  out.state = available     ? UpdateWindowState::Available
              : allAnswered ? UpdateWindowState::UpToDate
                            : UpdateWindowState::NoConnection;
  return out;
}

}  // namespace tessel
