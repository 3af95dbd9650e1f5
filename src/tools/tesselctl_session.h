#pragma once
// What the sessions of `get`, `set` and `apply` share for every device kind:
// the current profile document bound to the kind's controller, the light
// modes of the kind's list, the command interface opened (the cable, else the
// receiver), and the exit codes of a device that is not there or did not
// answer. Each kind adds how its document is set up, how its device is read
// and how its write failures read.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "config/light_mode_list.h"
#include "macros/macro_library.h"
#include "platform/data_folders.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {

template <class Controller, class Document>
class KindSession {
 public:
  KindSession(const KindSession&) = delete;
  KindSession& operator=(const KindSession&) = delete;

  bool present() const { return present_; }
  bool answered() const { return answered_; }
  Document& document() { return doc_; }
  // The profile document as it is now, written again: false when it cannot
  // be written (a read-only folder, a full disk), so the change is not there.
  bool documentWritten() { return doc_.save(); }
  std::string documentName() const { return doc_.documentPath().string(); }

  // The device is there but did not answer: why, as an exit code (4 when
  // its receiver cannot reach it).
  int notAnswering(std::string_view what) {
    if (controller_.onReceiver()) {
      return inv_.fail(kExitUnreachable, "the receiver cannot reach the wireless " + kind_ +
                                             " (asleep or out of range); " + std::string(what));
    }
    return inv_.fail(kExitCommandFailed, "the " + kind_ + " did not answer; " + std::string(what));
  }

  // The first write the device did not take (its listener recorded it):
  // exit 1, or 4 through a receiver whose device sleeps.
  int reportFailures() {
    if (macrosTooLarge_ > 0) {
      return inv_.fail(kExitCommandFailed, "the macros bound to the " + bindings_.first + " do not fit the " + kind_ +
                                               "'s macro memory (" + std::to_string(macrosTooLarge_) +
                                               " more 4-byte units than it holds); neither the macros nor the " +
                                               bindings_.second + " were written, the profile document keeps the change");
    }
    if (failures_.empty()) return kExitOk;
    const auto& [memory, r] = failures_.front();
    return inv_.fail(r == ResultCode::Unreachable ? kExitUnreachable : kExitCommandFailed,
                     "the " + kind_ + " did not take the " + memory + ": " +
                         resultWithHolder(r, controller_.transport()) + " (" + std::to_string(toInt(r)) +
                         "); the profile document keeps the change");
  }
  void clearFailures() {
    failures_.clear();
    macrosTooLarge_ = 0;
  }

 protected:
  KindSession(Invocation& inv, std::string kind) : inv_(inv), kind_(std::move(kind)), controller_(inv.backend, inv.clock) {}
  ~KindSession() = default;

  // The current profile document's path, the factory document `factoryName`
  // and the light modes of list `kindIndex` given to the document and the
  // controller; nullopt after failing (the exit code in `code`).
  std::optional<std::filesystem::path> findDocument(const char* factoryName, int kindIndex, int& code) {
    std::string why;
    auto path = currentDocumentPath(kind_, why);
    if (!path) {
      code = inv_.fail(kExitCommandFailed, why);
      return std::nullopt;
    }
    if (const auto defaults = defaultDataFolder()) {
      doc_.setDefaultDocumentPath(*defaults / factoryName);
      LightModeList modes;
      if (modes.load(*defaults / "default_light.json")) controller_.setLightModes(modes.modes(kindIndex));
    }
    return path;
  }

  // Opens the kind's command interface when one is present (the receiver's
  // only with --receiver when `wireless`): kExitOk also when there is none.
  // `cableType` is the connection type the transport takes on the cable
  // (none: its defaults).
  int connectDevice(DeviceKind kind, bool wireless, std::optional<int> cableType) {
    const auto found = findCommandInterface(inv_.backend, kind, wireless && inv_.options.receiver);
    if (!found) return kExitOk;
    inv_.device = *found;
    const auto type = isReceiver(found->type) ? std::optional<int>(transport::kConnectionReceiver) : cableType;
    if (!controller_.transport().connect(found->path, type))
      return inv_.fail(kExitNoDevice, "cannot open " + found->path + " (check the udev rules for access)");
    present_ = true;
    return kExitOk;
  }

  // A write the controller's listener reports as failed: `memory` names it
  // ("settings", "key table").
  void recordFailure(std::string memory, ResultCode r) { failures_.emplace_back(std::move(memory), r); }
  void recordMacrosTooLarge(int units) { macrosTooLarge_ = units; }

  // The macro library beside the profile documents: a binding may name the
  // macros it holds, and they go to the device before its table. `bindings`
  // names what binds them and that table ("buttons", "button table").
  // Returns how many macros the library holds (0 when it is damaged).
  int useMacroLibrary(const std::filesystem::path& folder, std::pair<std::string, std::string> bindings) {
    bindings_ = std::move(bindings);
    macros::MacroLibrary library(folder, inv_.clock);
    library.load();
    const int count = library.damaged() ? 0 : static_cast<int>(library.size());
    controller_.setMacroFolder(folder);
    controller_.setMacroCount(count);
    return count;
  }

  Invocation& inv_;
  std::string kind_;
  Document doc_;
  Controller controller_;
  bool present_ = false;
  bool answered_ = false;

 private:
  std::vector<std::pair<std::string, ResultCode>> failures_;
  int macrosTooLarge_ = 0;
  std::pair<std::string, std::string> bindings_;
};

}  // namespace tessel::tools
