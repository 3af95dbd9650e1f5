// tesselctl update-check [--server URL] [--json]: the settings window's
// update list on the command line.

#include "discovery/device_tables.h"
#include "platform/data_folders.h"
#include "platform/plain_text.h"
#include "platform/settings_store.h"
#include "services/app_settings.h"
#include "services/http_client.h"
#include "services/update_check.h"
#include "services/update_list.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {

namespace {

std::string_view stateName(UpdateWindowState s) {
  switch (s) {
    case UpdateWindowState::Checking: return "checking";
    case UpdateWindowState::Available: return "update available";
    case UpdateWindowState::NoConnection: return "no connection";
    case UpdateWindowState::Updating: return "updating";
    case UpdateWindowState::UpToDate: return "up to date";
  }
  return "?";
}

}  // namespace

// The firmware versions of the products in the window's tile order, 0 for a
// tile without a connected device: the window builds the mouse and keyboard
// pages (tiles 0 and 1) at start whether or not they are plugged in, and the
// others get the next tiles as they come. Entry k of the update table is
// tile k's, so a keyboard alone is asked about as the keyboard, never as the
// mouse of row 0.
std::vector<uint16_t> connectedFirmwareVersions(hid::HidBackend& backend) {
  std::vector<uint16_t> versions;
  const auto found = findSupportedInterfaces(backend);
  for (DeviceKind kind : {DeviceKind::Mouse, DeviceKind::Keyboard, DeviceKind::MousePad, DeviceKind::Headset}) {
    uint16_t version = 0;
    for (const auto& f : found) {
      if (f.role != kRoleCommand || kindOf(f.type) != kind) continue;
      auto channel = backend.open(f.path, false, false);
      if (channel) {
        version = channel->attributes().versionNumber;
        break;
      }
    }
    const bool fixedTile = kind == DeviceKind::Mouse || kind == DeviceKind::Keyboard;
    if (version != 0 || fixedTile) versions.push_back(version);
  }
  return versions;
}

int runUpdateCheckCommand(Invocation& inv) {
  if (inv.options.operands.size() > 1) return inv.fail(kExitUsage, "takes no arguments");
  SettingsStore store;
  UpdateCheckConfig config;
  config.serverBase = inv.options.server ? *inv.options.server : configuredUpdateServer(store);
  config.updateTimeFile = userDataFolder() / std::string(kUpdateTimeFileName);
  config.today = todayLocal();
  HttpClient client;
  client.settings().caFile = configuredUpdateServerCa(store);
  const auto entries = buildUpdateEntries(connectedFirmwareVersions(inv.backend), applicationVersion());
  const UpdateCheckOutcome outcome = runUpdateCheck(entries, config, client);

  if (inv.options.json) {
    Json::Value v;
    v["state"] = std::string(stateName(outcome.state));
    v["server"] = printableText(config.serverBase);
    v["last_check"] = outcome.lastCheckDate;
    Json::Value rows(Json::arrayValue);
    for (const auto& r : outcome.rows) {
      Json::Value row;
      row["name"] = printableText(r.name);
      row["installed"] = r.installedText;
      row["available"] = printableText(r.availableText);
      row["status"] = r.status;
      row["state"] = std::string(updateRowStateTextKey(r.status));
      row["version_name"] = printableText(r.versionName);
      row["path"] = printableText(r.path);
      row["device_id"] = r.deviceId;
      rows.append(row);
    }
    v["rows"] = rows;
    inv.printJson(v);
  } else {
    inv.out << "NAME  INSTALLED     AVAILABLE     STATUS\n";
    for (const auto& r : outcome.rows) {
      // The available text may be the server's own words: never raw on a terminal.
      const std::string available = r.availableText.empty() ? "-" : printableText(r.availableText);
      const char* status = r.status == kUpdateStatusAvailable ? "newer version available"
                           : r.answered                       ? "nothing newer"
                           : r.reached                        ? "no proper answer"
                                                              : "no answer";
      // Padded by hand: a fixed buffer would cut a long server text, and its line end with it.
      const auto column = [](std::string text, size_t width) {
        if (text.size() < width) text.resize(width, ' ');
        return text + ' ';
      };
      inv.out << column(printableText(r.name), 5) << column(r.installedText, 13) << column(available, 13) << status
              << "\n";
    }
    inv.out << "state: " << stateName(outcome.state);
    if (outcome.state == UpdateWindowState::UpToDate) inv.out << " (last check " << outcome.lastCheckDate << ")";
    inv.out << "\n";
  }
  if (outcome.noServer)
    return inv.fail(kExitCommandFailed,
                    "no update server is set: pass --server URL or set \"UpdateServer\" in " + store.file().string());
  const std::string server = printableText(config.serverBase);
  if (outcome.improper > 0)
    return inv.fail(kExitCommandFailed, "the update server " + server + " did not answer properly (" +
                                            std::to_string(outcome.improper) + " of " +
                                            std::to_string(outcome.rows.size()) + " requests); no date was recorded");
  size_t unanswered = 0;
  for (const auto& r : outcome.rows) unanswered += r.answered ? 0 : 1;
  if (unanswered > 0 || outcome.state == UpdateWindowState::NoConnection)
    return inv.fail(kExitCommandFailed, "the update server " + server + " did not answer");
  return kExitOk;
}

}  // namespace tessel::tools
