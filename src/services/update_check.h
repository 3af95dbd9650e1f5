#pragma once
// The update check: one POST per entry to the update service, each answer
// read into a row of the settings window's update list.
//
// Rows start as {name, installed text, status 7}. An answered request whose
// JSON object has a non-empty "name" and a newer "version" makes the row
// status 1 with the available text; everything else (no answer, a body cut
// at the buffer's end, text that is not a JSON object, members of the wrong
// type, an empty "name") leaves it at status 7 with no available text.
// Server texts are data only: "path" is kept as the row's user data and
// never opened or followed.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "services/update_table.h"
#include "services/update_time.h"

namespace tessel {

class HttpClient;

// Statuses of a row (the list item's states; the check sets only 1 and 7).
inline constexpr int kUpdateStatusAvailable = 1;
inline constexpr int kUpdateStatusNothingNewer = 7;

struct UpdateResult {
  int status = kUpdateStatusNothingNewer;
  int deviceId = 0;
  std::string name;
  std::string installedText;
  std::string versionName;
  std::string availableText;  // empty unless status is 1
  std::string path;
  // Whether a server answered this request (a failure counts towards "no
  // connection"; a body cut at the buffer's end is a failure too).
  bool answered = false;
};

// The row before its request is made.
UpdateResult initialUpdateRow(const UpdateEntry& entry);

// One request's outcome: the client's result `received` (0: no answer), the
// body text up to its terminating NUL, and `cut` when the body was longer than the buffer.
UpdateResult evaluateUpdateResponse(const UpdateEntry& entry, long received, std::string_view body, bool cut);

// The window states of the settings window.
enum class UpdateWindowState { Checking = 0, Available = 1, NoConnection = 2, Updating = 3, UpToDate = 4 };

// The service's address for a configured base ("https://host[:port][/prefix]"):
// base + "/api/updates" (a base that already ends in "/api" or "/api/" gets
// only "updates"). Empty for an empty base.
std::string updateServiceUrl(std::string_view base);

struct UpdateCheckConfig {
  std::string serverBase;           // empty: no request is made
  std::filesystem::path updateTimeFile;  // written after every answered request
  CalendarDate today;
};

struct UpdateCheckOutcome {
  UpdateWindowState state = UpdateWindowState::NoConnection;
  std::vector<UpdateResult> rows;
  bool noServer = false;   // no update server configured
  bool cancelled = false;  // stopped by the client's cancel()
  std::string lastCheckDate;  // today's date once an answer came, else as read
};

// Runs the whole check on the calling thread. `rowChanged(i, row)` is called
// with the initial rows (before any request) and again after each request.
// The response buffer holds 102,400 bytes. A cancel() on `client` stops
// the check before its next request and ends the running one.
inline constexpr size_t kUpdateResponseBufferSize = 102400;
UpdateCheckOutcome runUpdateCheck(const std::vector<UpdateEntry>& entries, const UpdateCheckConfig& config,
                                  HttpClient& client,
                                  const std::function<void(size_t, const UpdateResult&)>& rowChanged = {});

}  // namespace tessel
