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
#include "tools/tesselctl_session.h"

namespace tessel::tools {

namespace {

// The light-effect library beside the profiles (the page's light name).
constexpr const char* kLightLibrary = "zelto_light.config";

class MousepadSession : public KindSession<MousepadController, CBasicProfiledata> {
 public:
  explicit MousepadSession(Invocation& inv) : KindSession(inv, "mousepad"), model_(controller_) {}
  ~MousepadSession() { controller_.stopLightThread(); }

  int open() {
    int code = kExitOk;
    const auto path = findDocument("MousePad.Json", kKindIndexMousePad, code);
    if (!path) return code;
    doc_.setKindIndex(kKindIndexMousePad);
    doc_.setSequenceFolder(path->parent_path());
    doc_.setLightLibraryPath(path->parent_path() / kLightLibrary);
    doc_.setDocumentPath(*path);
    controller_.bindDocument(&doc_);
    MousepadController::Listener listener;
    listener.writeFailed = [this](ResultCode r) { recordFailure("settings", r); };
    controller_.setListener(listener);
    controller_.loadConfiguration();

    if (int c = connectDevice(DeviceKind::MousePad, false, transport::kConnectionCable); c != kExitOk || !present_)
      return c;
    controller_.requestConnected();
    // The tool shows no light: the thread connecting starts is not needed.
    controller_.stopLightThread();
    answered_ = controller_.settingsBlock().read;
    return kExitOk;
  }

  MousepadSettings& model() { return model_; }
  MousepadController& pad() { return controller_; }

 private:
  MousepadSettings model_;
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
