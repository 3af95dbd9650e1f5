// tesselctl update-check [--server URL] [--json]: the settings window's
// update list on the command line.
#include <cstdio>

#include "discovery/device_tables.h"
#include "platform/data_folders.h"
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

// The firmware versions of the connected products in tile order (mouse,
// keyboard, then the others), as the settings window takes them from its tiles.
std::vector<uint16_t> connectedFirmwareVersions(hid::HidBackend& backend) {
  std::vector<uint16_t> versions;
  const auto found = findSupportedInterfaces(backend);
  for (DeviceKind kind : {DeviceKind::Mouse, DeviceKind::Keyboard, DeviceKind::MousePad, DeviceKind::Headset}) {
    for (const auto& f : found) {
      if (f.role != kRoleCommand || kindOf(f.type) != kind) continue;
      auto channel = backend.open(f.path, false, false);
      if (channel) {
        versions.push_back(channel->attributes().versionNumber);
        break;
      }
    }
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
    v["server"] = config.serverBase;
    v["last_check"] = outcome.lastCheckDate;
    Json::Value rows(Json::arrayValue);
    for (const auto& r : outcome.rows) {
      Json::Value row;
      row["name"] = r.name;
      row["installed"] = r.installedText;
      row["available"] = r.availableText;
      row["status"] = r.status;
      row["state"] = std::string(updateRowStateTextKey(r.status));
      row["version_name"] = r.versionName;
      row["path"] = r.path;
      row["device_id"] = r.deviceId;
      rows.append(row);
    }
    v["rows"] = rows;
    inv.printJson(v);
  } else {
    inv.out << "NAME  INSTALLED     AVAILABLE     STATUS\n";
    for (const auto& r : outcome.rows) {
      char line[160];
      std::snprintf(line, sizeof line, "%-5s %-13s %-13s %s\n", r.name.c_str(), r.installedText.c_str(),
                    r.availableText.empty() ? "-" : r.availableText.c_str(),
                    r.status == kUpdateStatusAvailable ? "newer version available" : "nothing newer");
      inv.out << line;
    }
    inv.out << "state: " << stateName(outcome.state);
    if (outcome.state == UpdateWindowState::UpToDate) inv.out << " (last check " << outcome.lastCheckDate << ")";
    inv.out << "\n";
  }
  if (outcome.noServer)
    return inv.fail(kExitCommandFailed,
                    "no update server is set: pass --server URL or set \"UpdateServer\" in " + store.file().string());
  if (outcome.state == UpdateWindowState::NoConnection)
    return inv.fail(kExitCommandFailed, "the update server " + config.serverBase + " did not answer");
  return kExitOk;
}

}  // namespace tessel::tools
