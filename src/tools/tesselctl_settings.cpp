// "get KIND", "set KIND KEY=VALUE...", "apply KIND": a device kind's settings
// as keys (config/setting_keys.h), on the kind's controller bound to the
// current profile document, exactly as the page works on them.
//
//   get    reads the device when it is there (as the page does when it
//          connects), else the document, and prints key=value lines;
//          --device prints what the device holds instead, marking what
//          differs from the profile
//   set    checks every pair first (a bad one exits 2 and nothing changes),
//          then changes the document and writes what changed to the device
//   apply  writes the whole current profile to the device, as after a
//          profile switch
// After set and apply a running tessel-rgb is asked to re-read that kind.
#include <functional>
#include <ostream>

#include "config/light_effect_library.h"
#include "config/light_mode_list.h"
#include "config/mouse_profiledata.h"
#include "config/setting_keys.h"
#include "devices/mouse/mouse_buttons.h"
#include "devices/mouse/mouse_controller.h"
#include "devices/mouse/mouse_encoding.h"
#include "devices/mouse/mouse_setting_keys.h"
#include "macros/macro_library.h"
#include "platform/data_folders.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {

namespace {

enum class Action { Get, Set, Apply };

// The settings block carries the screen size the window measured; the tool
// has no screen of its own, so it writes back what the mouse holds, or this.
constexpr uint16_t kScreenWidth = 1920;
constexpr uint16_t kScreenHeight = 1080;

int exitFor(ResultCode r) { return r == ResultCode::Unreachable ? kExitUnreachable : kExitCommandFailed; }

// The mouse: its controller on the current profile document, connected to
// the mouse when it is there.
class MouseSession {
 public:
  explicit MouseSession(Invocation& inv) : inv_(inv), mouse_(inv.backend, inv.clock), model_(mouse_, 0) {}

  // The document, then the mouse when present (read as on connecting).
  // Returns an exit code; kExitOk also when the mouse is absent.
  int open() {
    std::string why;
    const auto path = currentDocumentPath("mouse", why);
    if (!path) return inv_.fail(kExitCommandFailed, why);
    if (const auto defaults = defaultDataFolder()) {
      doc_.setDefaultDocumentPath(*defaults / "mouse.Json");
      LightModeList modes;
      if (modes.load(*defaults / "default_light.json")) mouse_.setLightModes(modes.modes(kKindIndexMouse));
    }
    doc_.setDocumentPath(*path);
    // light.mode reaches the user sequences of the light-effect library beside it.
    doc_.setLightLibraryPath(path->parent_path() / kLightEffectLibraryFile);
    mouse_.bindDocument(&doc_);
    mouse_.setScreenSize(kScreenWidth, kScreenHeight);
    // The macro library sits beside the profile documents: a button may name
    // the macros it holds, and they go to the mouse before the key table.
    const std::filesystem::path folder = path->parent_path();
    macros::MacroLibrary library(folder, inv_.clock);
    library.load();
    const int macroCount = library.damaged() ? 0 : static_cast<int>(library.size());
    mouse_.setMacroFolder(folder);
    mouse_.setMacroCount(macroCount);
    model_.setMacroCount(macroCount);
    MouseController::Listener listener;
    listener.writeFailed = [this](MouseController::Write what, ResultCode r) { failures_.push_back({what, r}); };
    listener.macrosTooLarge = [this](int units) { macrosTooLarge_ = units; };
    mouse_.setListener(listener);
    mouse_.loadConfiguration();

    const auto found = findCommandInterface(inv_.backend, DeviceKind::Mouse, inv_.options.receiver);
    if (!found) return kExitOk;
    inv_.device = *found;
    const bool receiver = isReceiver(found->type);
    if (!mouse_.transport().connect(found->path, receiver ? transport::kConnectionReceiver
                                                          : transport::kConnectionCable)) {
      return inv_.fail(kExitNoDevice, "cannot open " + found->path + " (check the udev rules for access)");
    }
    present_ = true;
    // Reading the mouse never changes the profile.
    answered_ = mouse_.readDevice() == ResultCode::Success;
    const auto block = mouse_.lastBlock();
    if (block) {
      const uint16_t w = static_cast<uint16_t>((*block)[mouse::kScreenOffset] | (*block)[mouse::kScreenOffset + 1] << 8);
      const uint16_t h = static_cast<uint16_t>((*block)[mouse::kScreenOffset + 2] | (*block)[mouse::kScreenOffset + 3] << 8);
      if (w != 0 && h != 0) mouse_.setScreenSize(w, h);
    }
    return kExitOk;
  }

  bool present() const { return present_; }
  CMouseProfiledata& document() { return doc_; }
  int macroCount() const { return model_.macroCount(); }
  bool answered() const { return answered_; }
  MouseSettings& model() { return model_; }
  MouseController& mouse() { return mouse_; }

  // The mouse is there but did not answer: why, as an exit code.
  int notAnswering(std::string_view what) {
    if (mouse_.onReceiver()) {
      return inv_.fail(kExitUnreachable, "the receiver cannot reach the wireless mouse (asleep or out of range); " +
                                             std::string(what));
    }
    return inv_.fail(kExitCommandFailed, "the mouse did not answer; " + std::string(what));
  }

  // A write the mouse did not take: exit 1 (4 through a sleeping receiver).
  int reportFailures() {
    if (macrosTooLarge_ > 0) {
      return inv_.fail(kExitCommandFailed,
                       "the macros bound to the buttons do not fit the mouse's macro memory (" +
                           std::to_string(macrosTooLarge_) +
                           " more 4-byte units than it holds); neither the macros nor the button table were "
                           "written, the profile document keeps the change");
    }
    if (failures_.empty()) return kExitOk;
    const auto& [what, r] = failures_.front();
    const char* memory = what == MouseController::Write::SettingsBlock ? "settings"
                         : what == MouseController::Write::MacroMemory ? "macros (the button table was not written)"
                                                                       : "button table";
    return inv_.fail(exitFor(r), std::string("the mouse did not take the ") + memory + ": " +
                                     resultWithHolder(r, mouse_.transport()) + " (" + std::to_string(toInt(r)) +
                                     "); the profile document keeps the change");
  }
  // The profile document as it is now, written again: false when it cannot
  // be written (a read-only folder, a full disk), so the change is not there.
  bool documentWritten() { return doc_.save(); }
  std::string documentName() const { return doc_.documentPath().string(); }
  void clearFailures() {
    failures_.clear();
    macrosTooLarge_ = 0;
  }

 private:
  Invocation& inv_;
  CMouseProfiledata doc_;
  MouseController mouse_;
  MouseSettings model_;
  std::vector<std::pair<MouseController::Write, ResultCode>> failures_;
  int macrosTooLarge_ = 0;
  bool present_ = false;
  bool answered_ = false;
};

int getMouse(Invocation& inv, MouseSession& s) {
  if (s.present() && !s.answered()) {
    inv.err << "tesselctl: get mouse: the mouse did not answer; these are the profile document's values\n";
  }
  const auto& table = mouseSettingKeys();
  if (inv.options.json) {
    Json::StreamWriterBuilder builder;
    builder["indentation"] = "  ";
    inv.out << Json::writeString(builder, settings::toJson(table, s.model())) << "\n";
  } else {
    inv.out << settings::formatLines(table, s.model());
  }
  return kExitOk;
}

// The mouse's settings block carries the stages, the polling rate and the
// light; the buttons are left out (its key table holds device slots and
// codes, not the document's macro numbers) and so are the pointer keys (the
// mouse does not hold them).
int getMouseDevice(Invocation& inv, MouseSession& s) {
  const auto decode = [&s](const auto& block, const std::vector<uint8_t>& codes, CMouseProfiledata& held) {
    const mouse::HeldSettings h =
        mouse::decodeHeldSettings(block, mouse::kMaxStages, codes, s.document().getLightInfo());
    held.setStages(h.stages);
    held.setActiveStage(h.activeStage);
    MouseSystemStages system = held.getSystemStages();
    system.reportRate = h.polling;
    held.setSystemStages(system);
    held.setLightInfo(h.light);
  };
  return printDeviceBesideProfile(inv, s, s.mouse(), "mouse", mouseSettingKeys(), s.mouse().lastBlock(), decode,
                                  [](std::string_view key) {
                                    return key.rfind("stage.", 0) == 0 || key == "polling" ||
                                           key.rfind("light.", 0) == 0;
                                  });
}

int setMouse(Invocation& inv, MouseSession& s, const std::vector<std::string>& pairs) {
  using Assignment = settings::Assignment<MouseSettings>;
  std::vector<Assignment> plan;
  settings::Problem problem;
  if (!settings::parseAssignments(mouseSettingKeys(), s.model(), pairs, plan, problem)) {
    return inv.fail(problem.kind == settings::Refusal::BadInput ? kExitUsage : kExitNoDevice, problem.text);
  }
  if (auto refused = checkMouseStagePlan(s.model(), plan)) return inv.fail(kExitUsage, *refused);
  if (s.present() && !s.answered()) return s.notAnswering("nothing was changed");

  // Prints what the keys hold now (a typed DPI lands on the mouse's scale).
  return writeChangedKeys(inv, s, s.model(), plan);
}

int applyMouse(Invocation& inv, MouseSession& s) {
  if (!s.present()) return inv.fail(kExitNoDevice, "no mouse found");
  if (!s.answered()) return s.notAnswering("nothing was written");
  s.clearFailures();
  s.mouse().applyAll();
  notifyProgram(inv);
  return s.reportFailures();
}

int runSettingsCommand(Invocation& inv, Action action) {
  const auto& ops = inv.options.operands;  // COMMAND KIND [PAIRS...]
  const std::string usage = action == Action::Set ? "usage: set KIND KEY=VALUE..." : "usage: " + inv.commandName + " KIND";
  if (ops.size() < 2) return inv.fail(kExitUsage, usage);
  const auto kind = parseCliKind(ops[1]);
  if (!kind) return inv.fail(kExitUsage, "unknown device kind \"" + ops[1] + "\" (mouse, keyboard, mousepad or headset)");
  inv.kind = kind;
  inv.kindText = ops[1];
  if (action != Action::Set && ops.size() > 2) return inv.fail(kExitUsage, "too many arguments; " + usage);
  if (inv.options.device && action != Action::Get) return inv.fail(kExitUsage, "--device only goes with get");
  if (action == Action::Set && ops.size() < 3) return inv.fail(kExitUsage, "no KEY=VALUE given; " + usage);
  if (inv.options.receiver && *kind != DeviceKind::Mouse && *kind != DeviceKind::Keyboard)
    return inv.fail(kExitUsage, "--receiver: a " + inv.kindText + " has no receiver");
  if (*kind == DeviceKind::MousePad || *kind == DeviceKind::Headset || *kind == DeviceKind::Keyboard) {
    const SettingsAction a = action == Action::Get ? SettingsAction::Get
                             : action == Action::Set ? SettingsAction::Set
                                                     : SettingsAction::Apply;
    const std::vector<std::string> pairs(ops.begin() + 2, ops.end());
    if (*kind == DeviceKind::Keyboard) return runKeyboardSettings(inv, a, pairs);
    return *kind == DeviceKind::MousePad ? runMousepadSettings(inv, a, pairs) : runHeadsetSettings(inv, a, pairs);
  }

  MouseSession session(inv);
  if (int code = session.open(); code != kExitOk) return code;
  switch (action) {
    case Action::Get: return inv.options.device ? getMouseDevice(inv, session) : getMouse(inv, session);
    case Action::Set: return setMouse(inv, session, {ops.begin() + 2, ops.end()});
    case Action::Apply: return applyMouse(inv, session);
  }
  return kExitUsage;
}

}  // namespace

int applyToConnectedDevice(Invocation& inv) {
  const auto kind = parseCliKind(inv.kindText);
  if (!kind || !findCommandInterface(inv.backend, *kind, inv.options.receiver)) return kExitOk;
  TesselctlOptions options = inv.options;
  options.operands = {"apply", inv.kindText};
  Invocation apply{options, inv.out, inv.err, inv.backend, inv.clock, "apply", {}, {}, {}, nullptr, inv.context};
  return runSettingsCommand(apply, Action::Apply);
}

int runGet(Invocation& inv) { return runSettingsCommand(inv, Action::Get); }
int runSet(Invocation& inv) { return runSettingsCommand(inv, Action::Set); }
int runApply(Invocation& inv) { return runSettingsCommand(inv, Action::Apply); }

}  // namespace tessel::tools
