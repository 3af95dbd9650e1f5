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
#include "platform/data_folders.h"
#include "tools/tesselctl_internal.h"
#include "tools/tesselctl_kinds.h"
#include "tools/tesselctl_session.h"

namespace tessel::tools {

namespace {

enum class Action { Get, Set, Apply };

// The settings block carries the screen size the window measured; the tool
// has no screen of its own, so it writes back what the mouse holds, or this.
constexpr uint16_t kScreenWidth = 1920;
constexpr uint16_t kScreenHeight = 1080;

// The mouse: its controller on the current profile document, connected to
// the mouse when it is there.
class MouseSession : public KindSession<MouseController, CMouseProfiledata> {
 public:
  explicit MouseSession(Invocation& inv) : KindSession(inv, "mouse"), model_(controller_, 0) {}

  // The document, then the mouse when present (read as on connecting).
  // Returns an exit code; kExitOk also when the mouse is absent.
  int open() {
    int code = kExitOk;
    const auto path = findDocument("mouse.Json", kKindIndexMouse, code);
    if (!path) return code;
    doc_.setDocumentPath(*path);
    // light.mode reaches the user sequences of the light-effect library beside it.
    doc_.setLightLibraryPath(path->parent_path() / kLightEffectLibraryFile);
    controller_.bindDocument(&doc_);
    controller_.setScreenSize(kScreenWidth, kScreenHeight);
    model_.setMacroCount(useMacroLibrary(path->parent_path(), {"buttons", "button table"}));
    MouseController::Listener listener;
    listener.writeFailed = [this](MouseController::Write what, ResultCode r) {
      recordFailure(what == MouseController::Write::SettingsBlock ? "settings"
                    : what == MouseController::Write::MacroMemory ? "macros (the button table was not written)"
                                                                  : "button table",
                    r);
    };
    listener.macrosTooLarge = [this](int units) { recordMacrosTooLarge(units); };
    controller_.setListener(listener);
    controller_.loadConfiguration();

    if (int c = connectDevice(DeviceKind::Mouse, true, transport::kConnectionCable); c != kExitOk || !present_) return c;
    // Reading the mouse never changes the profile.
    answered_ = controller_.readDevice() == ResultCode::Success;
    if (const auto block = controller_.lastBlock()) {
      const mouse::BlockContents held = mouse::decodeSettingsBlock(*block);
      if (held.screenWidth != 0 && held.screenHeight != 0) controller_.setScreenSize(held.screenWidth, held.screenHeight);
    }
    return kExitOk;
  }

  int macroCount() const { return model_.macroCount(); }
  MouseSettings& model() { return model_; }
  MouseController& mouse() { return controller_; }

 private:
  MouseSettings model_;
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

}  // namespace

int runMouseSettings(Invocation& inv, SettingsAction action, const std::vector<std::string>& pairs) {
  MouseSession session(inv);
  if (int code = session.open(); code != kExitOk) return code;
  switch (action) {
    case SettingsAction::Get: return inv.options.device ? getMouseDevice(inv, session) : getMouse(inv, session);
    case SettingsAction::Set: return setMouse(inv, session, pairs);
    case SettingsAction::Apply: return applyMouse(inv, session);
  }
  return kExitUsage;
}

namespace {

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
  const CliKind& entry = *findCliKind(ops[1]);
  if (inv.options.receiver && !entry.d->wireless())
    return inv.fail(kExitUsage, "--receiver: a " + inv.kindText + " has no receiver");
  const SettingsAction a = action == Action::Get   ? SettingsAction::Get
                           : action == Action::Set ? SettingsAction::Set
                                                   : SettingsAction::Apply;
  return entry.runSettings(inv, a, {ops.begin() + 2, ops.end()});
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
