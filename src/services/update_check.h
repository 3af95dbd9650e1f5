#pragma once
// The update check: one POST per entry to the update service, each answer
// read into a row of the settings window's update list.
//
// Rows start as {name, installed text, status 7}. A request is answered
// properly only when the server sent a 2xx status, the whole body came (not
// cut at the buffer's end, not ended by the speed floor or the total time)
// and the body is a JSON object of the expected shape: "version" a text the
// entry can read, "name", "version_name" and "path" texts when present,
// "device_id" an integer when present. Such an answer with a non-empty
// "name" and a newer "version" makes the row status 1 with the available
// text; an empty or missing "name", or a version that is not newer, leaves
// it at 7. Anything else is "the server did not answer properly": the row
// stays at 7 with no available text and is not counted as answered, so it
// never reads as "up to date".
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
  // Whether a server answered this request properly (see above).
  bool answered = false;
  // Whether a server sent anything at all (a status line): reached but not
  // answered is "did not answer properly" rather than "no connection".
  bool reached = false;
};

// The row before its request is made.
UpdateResult initialUpdateRow(const UpdateEntry& entry);

// One request's outcome: the client's result `received` (0: no answer), the
// body text up to its terminating NUL, `cut` when the body did not come whole
// (longer than the buffer, or the transfer ended early), and the HTTP status
// (0: none came).
UpdateResult evaluateUpdateResponse(const UpdateEntry& entry, long received, std::string_view body, bool cut,
                                    long httpStatus = 200);

// The window states of the settings window.
enum class UpdateWindowState { Checking = 0, Available = 1, NoConnection = 2, Updating = 3, UpToDate = 4 };

// The service's address for a configured base ("https://host[:port][/prefix]"):
// base + "/api/updates" (a base that already ends in "/api" or "/api/" gets
// only "updates"). Empty for an empty base.
std::string updateServiceUrl(std::string_view base);

struct UpdateCheckConfig {
  std::string serverBase;           // empty: no request is made
  std::filesystem::path updateTimeFile;  // written once every request was answered properly
  CalendarDate today;
};

struct UpdateCheckOutcome {
  UpdateWindowState state = UpdateWindowState::NoConnection;
  std::vector<UpdateResult> rows;
  bool noServer = false;   // no update server configured
  bool cancelled = false;  // stopped by the client's cancel()
  // Rows whose server was reached but did not answer properly. With no row
  // offering an update the state is then NoConnection, never UpToDate.
  size_t improper = 0;
  std::string lastCheckDate;  // today's date once every row was answered, else as read
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
