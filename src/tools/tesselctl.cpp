#include "tools/tesselctl.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <ostream>

#include "discovery/device_tables.h"
#include "platform/data_folders.h"
#include "platform/held_lock.h"
#include "device/hid/hid_path.h"
#include "sim/firmware_products.h"
#include "sim/firmware_store.h"
#include "sim/virtual_bus.h"
#include "platform/kept_file.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {

namespace {

#ifndef TESSEL_VERSION
#define TESSEL_VERSION "unknown"
#endif
constexpr std::string_view kVersion = TESSEL_VERSION;  // the project's version

const Subcommand* findSubcommand(std::string_view name) {
  for (const auto& s : subcommands())
    if (s.name == name) return &s;
  return nullptr;
}

}  // namespace

std::string tesselctlUsage() {
  std::string text =
      "Usage: tesselctl [--demo[=LIST]] [--receiver] [--json] COMMAND [ARGS]\n"
      "Reads Tessel RGB mice, keyboards, mousepads and headsets over their vendor\n"
      "command interface.\n"
      "\n"
      "Commands:\n";
  for (const auto& s : subcommands()) {
    std::string line = "  " + std::string(s.synopsis);
    if (line.size() < 32) line.resize(32, ' ');
    else line += "  ";
    text += line + std::string(s.help) + "\n";
  }
  text +=
      "\n"
      "KIND is mouse, keyboard, mousepad or headset.\n"
      "\n"
      "Options:\n"
      "  --demo[=LIST]   use emulated products instead of the real ones; LIST is a\n"
      "                  comma-separated choice of mouse, mouse-receiver, keyboard,\n"
      "                  keyboard-receiver, mousepad, headset (default: all of them);\n"
      "                  their memories persist in $XDG_STATE_HOME/tessel-rgb/demo/\n"
      "  --demo-reset    with --demo: start the emulated products from the factory state\n"
      "  --receiver      talk to the mouse or keyboard through its 2.4 GHz receiver\n"
      "                  (default: the cable when it is plugged, else the receiver)\n"
      "  --json          print JSON instead of text\n"
      "  --device        get: what the device holds, marking what the profile holds otherwise\n"
      "  --profile P     settings: the on-board profile to show (default: the active one)\n"
      "  --markdown      help keys: the table as the README has it\n"
      "  --server URL    update-check: the update server (default: \"UpdateServer\" in settings.json)\n"
      "  --help          print this text\n"
      "  --version       print the version\n"
      "\n"
      "Environment:\n"
      "  TESSEL_DEBUG=1  print the byte trace of every command exchange on stderr\n"
      "\n"
      "Exit codes:\n"
      "  0  success\n"
      "  1  the device refused the command or did not answer\n"
      "  2  bad command line\n"
      "  3  no such device present\n"
      "  4  the receiver cannot reach its wireless device (asleep or out of range)\n";
  return text;
}

bool tesselctlCommandHelp(std::string_view command, std::string& text) {
  const Subcommand* sub = findSubcommand(command);
  if (sub == nullptr) return false;
  text = "Usage: tesselctl [--demo[=LIST]] [--json] ";
  if (sub->needsDevice) text += "[--receiver] ";
  text += std::string(sub->synopsis) + "\n" + std::string(sub->help) + "\n";
  if (sub->needsDevice) {
    text +=
        "\n"
        "KIND is mouse, keyboard, mousepad or headset. A mouse or keyboard is reached\n"
        "on its cable when it is plugged, else through its receiver (--receiver: the\n"
        "receiver only).\n";
  }
  if (command == "get" || command == "set" || command == "apply") text += settingsKeysHelp();
  text += "\nOptions, exit codes: tesselctl --help\n";
  return true;
}

bool parseTesselctlArgs(const std::vector<std::string>& args, TesselctlOptions& o, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--demo") {
      o.demo = true;
    } else if (a == "--demo-reset") {
      o.demo = true;
      o.demoReset = true;
    } else if (a.rfind("--demo=", 0) == 0) {
      o.demo = true;
      o.demoList = a.substr(7);
      if (o.demoList.find_first_not_of(" \t,") == std::string::npos) {
        error = "--demo= names no product; LIST is a comma-separated choice of mouse, mouse-receiver, "
                "keyboard, keyboard-receiver, mousepad, headset or all";
        return false;
      }
      std::vector<std::string> names;
      if (!sim::parseProductList(o.demoList, names, &error)) return false;
    } else if (a == "--receiver") {
      o.receiver = true;
    } else if (a == "--json") {
      o.json = true;
    } else if (a == "--device") {
      o.device = true;
    } else if (a == "--markdown") {
      o.markdown = true;
    } else if (a == "--profile" || a.rfind("--profile=", 0) == 0) {
      std::string value;
      if (a == "--profile") {
        if (i + 1 >= args.size()) {
          error = "--profile needs a number";
          return false;
        }
        value = args[++i];
      } else {
        value = a.substr(10);
      }
      int p = -1;
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), p);
      if (ec != std::errc() || end != value.data() + value.size() || p < 0 || p > 255) {
        error = "--profile must be a number from 0 to 255, not \"" + value + "\"";
        return false;
      }
      o.profile = p;
    } else if (a == "--server" || a.rfind("--server=", 0) == 0) {
      if (a == "--server" && i + 1 >= args.size()) {
        error = "--server needs an address";
        return false;
      }
      o.server = a == "--server" ? args[++i] : a.substr(9);
    } else if (a == "--help" || a == "-h") {
      o.help = true;
    } else if (a == "--version") {
      o.version = true;
    } else if (a.size() > 1 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9')) {
      // "-3" is a negative number (a recoil distance), never an option.
      error = "unknown option \"" + a + "\"";
      return false;
    } else {
      o.operands.push_back(a);
    }
  }
  return true;
}

std::vector<FoundInterface> findSupportedInterfaces(hid::HidBackend& backend, bool* enumerated) {
  std::vector<std::string> paths;
  const bool ok = backend.enumerate(paths);
  if (enumerated != nullptr) *enumerated = ok;
  std::vector<FoundInterface> found;
  const auto& table = supportedInterfaceTable();
  for (const auto& path : paths) {
    const uint16_t vid = hid::pathVendorId(path), pid = hid::pathProductId(path);
    const uint16_t mi = hid::pathInterfaceNumber(path), col = hid::pathCollectionNumber(path);
    for (size_t row = 0; row < table.size(); ++row) {
      const InterfaceKey& k = table[row];
      if (k.vendorId != vid || k.productId != pid || k.interfaceNumber != mi || k.collectionNumber != col)
        continue;
      const auto type = deviceTypeFromCode(k.typeCode);
      if (!type) continue;
      found.push_back({static_cast<int>(row), *type, k.role, path});
      break;
    }
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const FoundInterface& a, const FoundInterface& b) { return a.row < b.row; });
  return found;
}

std::optional<FoundInterface> findCommandInterface(hid::HidBackend& backend, DeviceKind kind, bool receiverOnly) {
  // The cable first unless --receiver, then the receiver.
  std::optional<FoundInterface> cable, receiver;
  for (const auto& f : findSupportedInterfaces(backend)) {
    if (f.role != kRoleCommand || kindOf(f.type) != kind) continue;
    auto& slot = isReceiver(f.type) ? receiver : cable;
    if (!slot) slot = f;
  }
  return receiverOnly ? receiver : (cable ? cable : receiver);
}


void absoluteFileOperands(std::vector<std::string>& args, const std::string& folder) {
  // The operand positions after the command word: "profile import KIND FILE",
  // "profile export KIND INDEX FILE", "macro import KIND FILE", "macro export
  // KIND INDEX FILE", "recoil import G FILE", "recoil export G FILE".
  TesselctlOptions o;
  std::string error;
  if (folder.empty() || !parseTesselctlArgs(args, o, error) || o.operands.size() < 2) return;
  const std::string& command = o.operands[0];
  const std::string& verb = o.operands[1];
  size_t at = 0;
  if ((command == "profile" || command == "macro") && verb == "import") at = 3;
  else if ((command == "profile" || command == "macro") && verb == "export") at = 4;
  else if (command == "recoil" && (verb == "import" || verb == "export")) at = 3;
  if (at == 0 || at >= o.operands.size()) return;
  const std::string file = o.operands[at];
  if (file.empty() || file == "-" || file.front() == '/') return;
  // The operand as it stands in args: the at-th one that is not an option.
  size_t seen = 0;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if ((a == "--profile" || a == "--server") && i + 1 < args.size()) {
      ++i;
      continue;
    }
    if (a.size() > 1 && a[0] == '-' && !(a[1] >= '0' && a[1] <= '9')) continue;
    if (seen++ == at) {
      args[i] = (std::filesystem::path(folder) / file).string();
      return;
    }
  }
}

namespace {
int runCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const TesselctlContext& context) {
  // The shell's words go as typed, options and all: they are not ours.
  if (!args.empty() && args[0] == "complete") {
    for (const auto& word : completionsAfter({args.begin() + 1, args.end()})) out << word << "\n";
    return kExitOk;
  }
  TesselctlOptions options;
  std::string error;
  if (!parseTesselctlArgs(args, options, error)) {
    err << "tesselctl: " << error << "\nTry \"tesselctl --help\".\n";
    if (std::find(args.begin(), args.end(), "--json") != args.end()) printJsonError(out, kExitUsage, error);
    return kExitUsage;
  }
  if (options.help) {
    // "COMMAND --help": that command's help; "--help" alone: everything.
    if (options.operands.empty()) {
      out << tesselctlUsage();
      return kExitOk;
    }
    std::string text;
    if (!tesselctlCommandHelp(options.operands[0], text)) {
      err << "tesselctl: unknown command \"" << options.operands[0] << "\"\nTry \"tesselctl --help\".\n";
      if (options.json) printJsonError(out, kExitUsage, "unknown command \"" + options.operands[0] + "\"");
      return kExitUsage;
    }
    out << text;
    return kExitOk;
  }
  if (options.version) {
    out << "tesselctl " << kVersion << "\n";
    return kExitOk;
  }
  if (options.operands.empty()) {
    err << "tesselctl: no command given\n" << tesselctlUsage();
    if (options.json) printJsonError(out, kExitUsage, "no command given");
    return kExitUsage;
  }
  const std::string& name = options.operands[0];
  const Subcommand* sub = findSubcommand(name);
  if (sub == nullptr) {
    err << "tesselctl: unknown command \"" << name << "\"\nTry \"tesselctl --help\".\n";
    if (options.json) printJsonError(out, kExitUsage, "unknown command \"" + name + "\"");
    return kExitUsage;
  }
  // The running program owns the devices and the documents: a command that
  // reads or changes them runs there, so its pages follow and nothing stale
  // is saved over the change. Talking to the program itself stays here.
  if (context.runInProgram && name != "demo" && name != "event" && name != "doctor") {
    if (const auto code = context.runInProgram(args, out, err)) return *code;
  }
  // Here, one command at a time changes the data folder. The update check
  // (up to 30 s on the network) and the commands that only look at devices
  // or the program take no part in it.
  const bool touchesDocuments = name != "update-check" && name != "list" && name != "doctor" && name != "demo" &&
                                name != "event";
  std::optional<HeldLock> folderLock;
  if (touchesDocuments) {
    std::error_code made;
    std::filesystem::create_directories(userDataFolder(), made);
    folderLock.emplace(userDataFolder() / ".tesselctl.lock", context.folderLockWait);
  }
  if (folderLock && !folderLock->locked()) {
    const std::string why = "the data folder is busy: " + folderLock->why();
    err << "tesselctl: " << name << ": " << why << "\n";
    if (options.json) printJsonError(out, kExitCommandFailed, why, name);
    return kExitCommandFailed;
  }

  // The HID backend: the caller's, the emulated products, or the system's.
  // The emulated products keep their memories in the demo store, shared with
  // a running "tessel-rgb --demo" (the store outlives the bus).
  std::shared_ptr<sim::FirmwareStore> store;
  std::unique_ptr<sim::VirtualHidBus> bus;
  hid::HidBackend* backend = context.backend;
  if (backend == nullptr && options.demo) {
    store = std::make_shared<sim::FirmwareStore>(sim::defaultFirmwareStoreFolder(), options.demoReset);
    bus = std::make_unique<sim::VirtualHidBus>();
    bus->setFirmwareFactory(store->factory());
    if (!bus->plugList(options.demoList, &error)) {
      err << "tesselctl: --demo: " << error << "\n";
      if (options.json) printJsonError(out, kExitUsage, "--demo: " + error);
      return kExitUsage;
    }
    backend = bus.get();
  }
  if (backend == nullptr) backend = &hid::defaultBackend();
  Clock& clock = context.clock != nullptr ? *context.clock : SystemClock::instance();

  Invocation inv{options, out, err, *backend, clock, name, {}, {}, {}, nullptr, &context};
  if (!sub->needsDevice) {
    if (options.operands.size() > 1 && sub->name == "list") {
      return inv.fail(kExitUsage, "takes no arguments");
    }
    return sub->run(inv);
  }

  if (options.operands.size() < 2) return inv.fail(kExitUsage, "which device? KIND is mouse, keyboard, mousepad or headset");
  if (options.operands.size() > 2) return inv.fail(kExitUsage, "too many arguments");
  inv.kindText = options.operands[1];
  inv.kind = parseCliKind(inv.kindText);
  if (!inv.kind) {
    inv.kindText.clear();
    return inv.fail(kExitUsage, "unknown device kind \"" + options.operands[1] +
                                    "\" (mouse, keyboard, mousepad or headset)");
  }
  if (options.receiver && (*inv.kind == DeviceKind::MousePad || *inv.kind == DeviceKind::Headset)) {
    return inv.fail(kExitUsage, "--receiver: a " + inv.kindText + " has no receiver");
  }
  if (options.profile && name != "settings") return inv.fail(kExitUsage, "--profile only goes with settings");

  std::optional<FoundInterface> chosen = findCommandInterface(*backend, *inv.kind, options.receiver);
  if (!chosen) {
    std::string what = "no " + inv.kindText + (options.receiver ? " receiver" : "") + " found";
    if (!options.demo && context.backend == nullptr) what += " (is it plugged in? --demo runs on emulated devices)";
    return inv.fail(kExitNoDevice, what);
  }
  inv.device = *chosen;
  inv.transport = std::make_unique<transport::CommandTransport>(*backend, clock);
  std::optional<int> connection;
  if (*inv.kind == DeviceKind::Mouse || *inv.kind == DeviceKind::Keyboard) {
    connection = isReceiver(inv.device.type) ? transport::kConnectionReceiver : transport::kConnectionCable;
  }
  if (!inv.transport->connect(inv.device.path, connection)) {
    return inv.fail(kExitNoDevice, "cannot open " + inv.device.path + " (check the udev rules for access)");
  }
  return sub->run(inv);
}
}  // namespace

// Kept files found unusable (kept aside) or unreadable on the way are named on
// standard error, once each, whatever the command's outcome.
int runTesselctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 const TesselctlContext& context) {
  forgetKeptFileNotices();
  const int code = runCommand(args, out, err, context);
  for (const std::string& notice : takeKeptFileNotices()) err << "tesselctl: " << notice << "\n";
  return code;
}

}  // namespace tessel::tools
