// "get mousepad", "set mousepad KEY=VALUE...", "apply mousepad": the pad's
// light keys on its controller bound to the current profile document, as
// the page works on them. The pad is read as on connecting when it is
// there; without it only the document changes.
#include <ostream>

#include "config/basic_profiledata.h"
#include "config/light_mode_list.h"
#include "config/setting_keys.h"
#include "devices/mousepad/mousepad_controller.h"
#include "devices/mousepad/mousepad_setting_keys.h"
#include "platform/data_folders.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {

namespace {

// The light-effect library beside the profiles (the page's light name).
constexpr const char* kLightLibrary = "zelto_light.config";

class MousepadSession {
 public:
  explicit MousepadSession(Invocation& inv) : inv_(inv), pad_(inv.backend, inv.clock), model_(pad_) {}
  ~MousepadSession() { pad_.stopLightThread(); }

  int open() {
    std::string why;
    const auto path = currentDocumentPath("mousepad", why);
    if (!path) return inv_.fail(kExitCommandFailed, why);
    if (const auto defaults = defaultDataFolder()) {
      doc_.setDefaultDocumentPath(*defaults / "MousePad.Json");
      LightModeList modes;
      if (modes.load(*defaults / "default_light.json")) pad_.setLightModes(modes.modes(kKindIndexMousePad));
    }
    doc_.setKindIndex(kKindIndexMousePad);
    doc_.setSequenceFolder(path->parent_path());
    doc_.setLightLibraryPath(path->parent_path() / kLightLibrary);
    doc_.setDocumentPath(*path);
    pad_.bindDocument(&doc_);
    MousepadController::Listener listener;
    listener.writeFailed = [this](ResultCode r) { failures_.push_back(r); };
    pad_.setListener(listener);
    pad_.loadConfiguration();

    const auto found = findCommandInterface(inv_.backend, DeviceKind::MousePad, false);
    if (!found) return kExitOk;
    inv_.device = *found;
    if (!pad_.transport().connect(found->path, transport::kConnectionCable))
      return inv_.fail(kExitNoDevice, "cannot open " + found->path + " (check the udev rules for access)");
    present_ = true;
    pad_.requestConnected();
    // The tool shows no light: the thread connecting starts is not needed.
    pad_.stopLightThread();
    answered_ = pad_.settingsBlock().read;
    return kExitOk;
  }

  bool present() const { return present_; }
  bool answered() const { return answered_; }
  MousepadSettings& model() { return model_; }
  MousepadController& pad() { return pad_; }

  int reportFailures() {
    if (failures_.empty()) return kExitOk;
    const ResultCode r = failures_.front();
    return inv_.fail(kExitCommandFailed, "the mousepad did not take the settings: " + std::string(resultText(r)) +
                                             " (" + std::to_string(toInt(r)) + "); the profile document keeps the change");
  }
  // The profile document as it is now, written again: false when it cannot
  // be written (a read-only folder, a full disk), so the change is not there.
  bool documentWritten() { return doc_.save(); }
  std::string documentName() const { return doc_.documentPath().string(); }
  void clearFailures() { failures_.clear(); }
  CBasicProfiledata& document() { return doc_; }
  int notAnswering(std::string_view what) { return inv_.fail(kExitCommandFailed, "the mousepad did not answer; " + std::string(what)); }

 private:
  Invocation& inv_;
  CBasicProfiledata doc_;
  MousepadController pad_;
  MousepadSettings model_;
  std::vector<ResultCode> failures_;
  bool present_ = false;
  bool answered_ = false;
};

int get(Invocation& inv, MousepadSession& s) {
  if (s.present() && !s.answered())
    inv.err << "tesselctl: get mousepad: the mousepad did not answer; these are the profile document's values\n";
  const auto& table = mousepadSettingKeys();
  if (inv.options.json) printJsonValue(inv, settings::toJson(table, s.model()));
  else inv.out << settings::formatLines(table, s.model());
  return kExitOk;
}

int set(Invocation& inv, MousepadSession& s, const std::vector<std::string>& pairs) {
  using Assignment = settings::Assignment<MousepadSettings>;
  std::vector<Assignment> plan;
  settings::Problem problem;
  if (!settings::parseAssignments(mousepadSettingKeys(), s.model(), pairs, plan, problem))
    return inv.fail(problem.kind == settings::Refusal::BadInput ? kExitUsage : kExitNoDevice, problem.text);
  if (s.present() && !s.answered())
    return inv.fail(kExitCommandFailed, "the mousepad did not answer; nothing was changed");
  return writeChangedKeys(inv, s, s.model(), plan);
}

int apply(Invocation& inv, MousepadSession& s) {
  if (!s.present()) return inv.fail(kExitNoDevice, "no mousepad found");
  if (!s.answered()) return inv.fail(kExitCommandFailed, "the mousepad did not answer; nothing was written");
  s.clearFailures();
  s.pad().WriteSettingsBlock();
  notifyProgram(inv);
  return s.reportFailures();
}

}  // namespace

int runMousepadSettings(Invocation& inv, SettingsAction action, const std::vector<std::string>& pairs) {
  MousepadSession session(inv);
  if (int code = session.open(); code != kExitOk) return code;
  switch (action) {
    case SettingsAction::Get:
      return inv.options.device
                 ? printLightBlockBesideProfile(inv, session, session.pad(), "mousepad", mousepadSettingKeys())
                 : get(inv, session);
    case SettingsAction::Set: return set(inv, session, pairs);
    case SettingsAction::Apply: return apply(inv, session);
  }
  return kExitUsage;
}

}  // namespace tessel::tools
