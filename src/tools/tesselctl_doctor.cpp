// tesselctl doctor: what stands between this user and the devices, and how
// to fix each thing in plain words.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "discovery/device_tables.h"
#include "platform/settings_store.h"
#include "services/app_settings.h"
#include "services/autostart.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {

namespace {

namespace fs = std::filesystem;

constexpr const char* kRuleName = "70-tessel-rgb.rules";

struct Check {
  std::string what;
  bool ok = true;
  std::string detail;
  std::string fix;  // empty when ok
};

// The hidraw node of a path "/dev/hidraw3#vid_...".
std::string nodeOf(const std::string& path) { return path.substr(0, path.find('#')); }

Check nodeCheck(const FoundInterface& f) {
  Check c;
  c.what = std::string(cliKindName(kindOf(f.type))) + " (" + std::string(connectionName(f.type)) + ", " +
           (f.role == kRoleCommand ? "command" : "input") + ") " + nodeOf(f.path);
  if (nodeOf(f.path).rfind("/dev/", 0) != 0) {
    c.detail = "emulated";
    return c;
  }
  const int fd = ::open(nodeOf(f.path).c_str(), O_RDWR | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) {
    ::close(fd);
    c.detail = "can be opened";
    return c;
  }
  const int e = errno;
  c.ok = false;
  c.detail = std::string("cannot be opened: ") + std::strerror(e);
  c.fix = e == EACCES || e == EPERM
              ? "install the udev rule (see below), then unplug the device and plug it in again"
              : "unplug the device and plug it in again";
  return c;
}

// Folders udev reads rules from, and where an install may have put ours.
Check udevRuleCheck() {
  Check c;
  c.what = std::string("udev rule ") + kRuleName;
  std::error_code ec;
  for (const char* dir : {"/etc/udev/rules.d", "/run/udev/rules.d", "/usr/lib/udev/rules.d", "/lib/udev/rules.d"}) {
    if (fs::exists(fs::path(dir) / kRuleName, ec)) {
      c.detail = "installed in " + std::string(dir);
      return c;
    }
  }
  c.ok = false;
  std::string elsewhere;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) {
    const fs::path prefixRule = exe.parent_path().parent_path() / "lib/udev/rules.d" / kRuleName;
    if (fs::exists(prefixRule, ec)) elsewhere = prefixRule.string();
  }
  if (!elsewhere.empty()) {
    c.detail = "found at " + elsewhere + ", a folder udev does not read";
    c.fix = "sudo cp '" + elsewhere + "' /etc/udev/rules.d/ && sudo udevadm control --reload-rules && "
            "sudo udevadm trigger --subsystem-match=hidraw";
  } else {
    c.detail = "not installed";
    c.fix = "sudo cp data/udev/70-tessel-rgb.rules /etc/udev/rules.d/ (from the source tree) && "
            "sudo udevadm control --reload-rules && sudo udevadm trigger --subsystem-match=hidraw";
  }
  return c;
}

// Connects to the session bus socket named by DBUS_SESSION_BUS_ADDRESS (or
// the usual $XDG_RUNTIME_DIR/bus).
Check sessionBusCheck() {
  Check c;
  c.what = "session bus";
  std::string address = std::getenv("DBUS_SESSION_BUS_ADDRESS") ? std::getenv("DBUS_SESSION_BUS_ADDRESS") : "";
  if (address.empty())
    if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run) address = std::string("unix:path=") + run + "/bus";
  std::string socketPath;
  bool abstract = false;
  for (size_t start = 0; start < address.size();) {
    size_t end = address.find(';', start);
    if (end == std::string::npos) end = address.size();
    const std::string one = address.substr(start, end - start);
    start = end + 1;
    if (one.rfind("unix:", 0) != 0) continue;
    for (const char* key : {"path=", "abstract="}) {
      const size_t at = one.find(key);
      if (at == std::string::npos) continue;
      const size_t from = at + std::strlen(key);
      socketPath = one.substr(from, one.find(',', from) - from);
      abstract = key[0] == 'a';
    }
    if (!socketPath.empty()) break;
  }
  c.ok = false;
  c.fix = "start tessel-rgb inside a desktop session (or run it under dbus-run-session); without the bus a "
          "second start cannot reach the running program and other programs cannot switch the lighting";
  if (socketPath.empty()) {
    c.detail = "no session bus address (DBUS_SESSION_BUS_ADDRESS is not set)";
    return c;
  }
  sockaddr_un sa{};
  sa.sun_family = AF_UNIX;
  if (socketPath.size() + 1 >= sizeof sa.sun_path) {
    c.detail = "bus address too long";
    return c;
  }
  std::memcpy(sa.sun_path + (abstract ? 1 : 0), socketPath.data(), socketPath.size());
  const socklen_t len =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + socketPath.size() + 1);
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const bool connected = fd >= 0 && ::connect(fd, reinterpret_cast<sockaddr*>(&sa), len) == 0;
  const int e = errno;
  if (fd >= 0) ::close(fd);
  if (connected) {
    c.ok = true;
    c.fix.clear();
    c.detail = "reachable at " + socketPath;
  } else {
    c.detail = "cannot connect to " + socketPath + ": " + std::strerror(e);
  }
  return c;
}

}  // namespace

int runDoctorCommand(Invocation& inv) {
  if (inv.options.operands.size() > 1) return inv.fail(kExitUsage, "takes no arguments");
  std::vector<Check> checks;
  bool enumerated = true;
  const auto found = findSupportedInterfaces(inv.backend, &enumerated);
  if (!enumerated) {
    checks.push_back({"HID devices", false, "cannot list the HID devices (/dev/hidraw*, libudev)",
                      "check that /sys and /dev are mounted and libudev works"});
  } else if (found.empty()) {
    checks.push_back({"supported devices", false, "none found",
                      "plug a supported device in (tesselctl --demo doctor shows emulated ones)"});
  }
  for (const auto& f : found) checks.push_back(nodeCheck(f));
  checks.push_back(udevRuleCheck());
  checks.push_back(sessionBusCheck());
  SettingsStore store;
  const std::string server = configuredUpdateServer(store);
  checks.push_back({"update server", true, server.empty() ? "none set (no update check is made)" : server, ""});
  checks.push_back({"start at login", true, autostartEnabled() ? "on (" + autostartFile().string() + ")" : "off", ""});

  bool allOk = true;
  for (const auto& c : checks) allOk = allOk && c.ok;
  if (inv.options.json) {
    Json::Value list(Json::arrayValue);
    for (const auto& c : checks) {
      Json::Value v;
      v["check"] = c.what;
      v["ok"] = c.ok;
      v["detail"] = c.detail;
      if (!c.ok) v["fix"] = c.fix;
      list.append(v);
    }
    Json::Value v;
    v["ok"] = allOk;
    v["checks"] = list;
    inv.printJson(v);
  } else {
    for (const auto& c : checks) {
      inv.out << (c.ok ? "ok       " : "PROBLEM  ") << c.what << ": " << c.detail << "\n";
      if (!c.ok) inv.out << "         fix: " << c.fix << "\n";
    }
  }
  return allOk ? kExitOk : kExitCommandFailed;
}

}  // namespace tessel::tools
