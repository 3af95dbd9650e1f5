#pragma once
// tesselctl: the command line for scripts and quick checks.
//
//   tesselctl [--demo[=LIST]] [--receiver] [--json] COMMAND [ARGS]
//
// The whole tool is runTesselctl(); main() only hands it argv and the
// standard streams, so tests call it directly.
//
// Adding a subcommand: add a row to the table in tesselctl_commands.cpp
// (name, synopsis, help line, whether it needs a device KIND, handler). A
// subcommand that talks to the running program instead of a device (the
// planned "demo plug|unplug|awake PRODUCT" over D-Bus) sets needsDevice to
// false and gets the parsed options and its operands only.
#include <chrono>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "device/hid/hid_backend.h"

namespace tessel::tools {

// Exit codes (documented in --help).
inline constexpr int kExitOk = 0;
inline constexpr int kExitCommandFailed = 1;  // the device refused or did not answer
inline constexpr int kExitUsage = 2;          // bad command line
inline constexpr int kExitNoDevice = 3;       // no such device present
inline constexpr int kExitUnreachable = 4;    // the receiver cannot reach its wireless device

struct TesselctlContext {
  // The HID backend to use. nullptr: the virtual bus built for --demo, or
  // the system's HID devices.
  hid::HidBackend* backend = nullptr;
  // Paces the end command's short delay; nullptr: the system clock.
  Clock* clock = nullptr;
  // "tesselctl demo VERB PRODUCT": asks the running program (tessel-rgb
  // --demo) to plug, unplug, wake or put to sleep one of its emulated
  // products. The executable supplies it (over D-Bus); empty: unavailable.
  std::function<int(const std::string& verb, const std::string& product, std::ostream& out,
                    std::ostream& err)>
      demoControl;
  // "tesselctl demo input PRODUCT USAGE": the running program's emulated
  // product sends a consumer usage as an input report. Empty: unavailable.
  std::function<int(const std::string& product, uint16_t usage, std::ostream& out, std::ostream& err)>
      demoInput;
  // "tesselctl demo key NAME down|up" and "demo button NAME down|up": the
  // running program's scripted input source takes a key or mouse button
  // (what = "key" or "button") as if it had been pressed. Empty: unavailable.
  std::function<int(const std::string& what, const std::string& name, bool down, std::ostream& out,
                    std::ostream& err)>
      demoScripted;
  // After set / apply: asks a running tessel-rgb to re-read the devices of a
  // kind ("mouse", ...). False when no program took the request (nothing
  // runs, or no session bus); that is not an error. Empty: nobody is told.
  std::function<bool(const std::string& kind)> notifySettingsChanged;
  // "tesselctl event NAME WPARAM LPARAM": posts the registered message NAME
  // to the running program's main window. Empty: unavailable.
  std::function<int(const std::string& name, uint64_t wParam, int64_t lParam, std::ostream& out,
                    std::ostream& err)>
      postEvent;
  // How long a command waits for another tesselctl that is changing the
  // data folder before it gives up naming it. Every command on documents holds the data
  // folder's lock while it runs, so two writers never lose each other's
  // changes to one document.
  std::chrono::milliseconds folderLockWait{10000};
  // The running program's settings service (tesselctl_main): runs the whole
  // command line in the program, which owns the devices and documents.
  // nullopt when no program answers, and the command runs here.
  std::function<std::optional<int>(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)>
      runInProgram;
};

// Makes the FILE operands of the import and export commands absolute against
// `folder` (the caller's working folder), so another process can run them.
void absoluteFileOperands(std::vector<std::string>& args, const std::string& folder);

struct TesselctlOptions {
  bool demo = false;
  std::string demoList = "all";
  bool demoReset = false;  // --demo-reset: the emulated products start from the factory state
  bool receiver = false;
  bool json = false;
  bool device = false;  // get --device: what the device holds, beside the profile
  bool markdown = false;  // help keys: the README's Markdown table
  std::optional<int> profile;
  std::optional<std::string> server;  // update-check: the update server's base address
  bool help = false;
  bool version = false;
  std::vector<std::string> operands;  // COMMAND first
};

// Parses argv[1..]; false with a message in `error` on a bad command line.
bool parseTesselctlArgs(const std::vector<std::string>& args, TesselctlOptions& options,
                        std::string& error);

// Runs one invocation; returns the exit code.
int runTesselctl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                 const TesselctlContext& context = {});

std::string tesselctlUsage();
// The help of one subcommand (its synopsis, what it does, the options that go
// with it); false when there is no such command.
bool tesselctlCommandHelp(std::string_view command, std::string& text);

}  // namespace tessel::tools
