// "get keyboard", "set keyboard KEY=VALUE...", "apply keyboard": the
// keyboard's keys (devices/keyboard/keyboard_setting_keys.h) on its
// controller bound to the current profile document, as the page works on
// them. The keyboard is read as on connecting when it is there (on its cable,
// else through its receiver; --receiver: the receiver only); without it only
// the document changes.
#include <ostream>

#include "config/keyboard_profiledata.h"
#include "config/light_mode_list.h"
#include "config/setting_keys.h"
#include "devices/keyboard/keyboard_controller.h"
#include "devices/keyboard/keyboard_encoding.h"
#include "devices/keyboard/keyboard_setting_keys.h"
#include "platform/data_folders.h"
#include "tools/tesselctl_internal.h"
#include "tools/tesselctl_session.h"

namespace tessel::tools {

namespace {

// The light-effect library beside the profiles (the page's light name).
constexpr const char* kLightLibrary = "zelto_light.config";

class KeyboardSession : public KindSession<KeyboardController, CKeyboardProfiledata> {
 public:
  explicit KeyboardSession(Invocation& inv) : KindSession(inv, "keyboard"), model_(controller_, 0) {}
  ~KeyboardSession() { controller_.stopLightThread(); }

  // The document, then the keyboard when present. Returns an exit code;
  // kExitOk also when the keyboard is absent.
  int open() {
    int code = kExitOk;
    const auto path = findDocument("keyboard.Json", kKindIndexKeyboard, code);
    if (!path) return code;
    const std::filesystem::path folder = path->parent_path();
    doc_.setKindIndex(kKindIndexKeyboard);
    doc_.setSequenceFolder(folder);
    doc_.setLightLibraryPath(folder / kLightLibrary);
    doc_.setDocumentPath(*path);
    controller_.bindDocument(&doc_);
    model_.setMacroCount(useMacroLibrary(folder, {"keys", "key table"}));
    KeyboardController::Listener listener;
    listener.writeFailed = [this](KeyboardController::Write what, ResultCode r) {
      recordFailure(what == KeyboardController::Write::Settings        ? "settings"
                    : what == KeyboardController::Write::MacroMemory   ? "macros (the key table was not written)"
                    : what == KeyboardController::Write::CustomColours ? "custom colours"
                                                                       : "key table",
                    r);
    };
    listener.macrosTooLarge = [this](int units) { recordMacrosTooLarge(units); };
    controller_.setListener(listener);
    controller_.loadConfiguration();

    if (int c = connectDevice(DeviceKind::Keyboard, true, transport::kConnectionCable); c != kExitOk || !present_)
      return c;
    // Reading the keyboard never changes the profile.
    answered_ = controller_.readDevice() == ResultCode::Success;
    return kExitOk;
  }

  KeyboardSettings& model() { return model_; }
  KeyboardController& keyboard() { return controller_; }

 private:
  KeyboardSettings model_;
};

int get(Invocation& inv, KeyboardSession& s) {
  if (s.present() && !s.answered())
    inv.err << "tesselctl: get keyboard: the keyboard did not answer; these are the profile document's values\n";
  const auto& table = keyboardSettingKeys();
  if (inv.options.json) printJsonValue(inv, settings::toJson(table, s.model()));
  else inv.out << settings::formatLines(table, s.model());
  return kExitOk;
}

// The keyboard's settings block carries the light and the three option flags;
// the polling choice, the keys, the custom colours and the repeat keys are not
// read back.
int getDevice(Invocation& inv, KeyboardSession& s) {
  const auto decode = [&s](const keyboard::SettingsBlock& block, const std::vector<uint8_t>& codes,
                           CKeyboardProfiledata& held) {
    const keyboard::DecodedSettings d =
        keyboard::decodeSettingsBlock(block, codes, s.document().getLightInfo(), s.document().getSystemStages());
    held.setLightInfo(d.light);
    held.setSystemStages(d.system);
  };
  return printDeviceBesideProfile(inv, s, s.keyboard(), "keyboard", keyboardSettingKeys(), s.keyboard().lastBlock(),
                                  decode,
                                  [](std::string_view key) {
                                    return (key.rfind("light.", 0) == 0 && key != "light.group") ||
                                           key.rfind("option.", 0) == 0;
                                  });
}

int set(Invocation& inv, KeyboardSession& s, const std::vector<std::string>& pairs) {
  using Assignment = settings::Assignment<KeyboardSettings>;
  std::vector<Assignment> plan;
  settings::Problem problem;
  if (!settings::parseAssignments(keyboardSettingKeys(), s.model(), pairs, plan, problem))
    return inv.fail(problem.kind == settings::Refusal::BadInput ? kExitUsage : kExitNoDevice, problem.text);
  if (s.present() && !s.answered()) return s.notAnswering("nothing was changed");

  return writeChangedKeys(inv, s, s.model(), plan);
}

int apply(Invocation& inv, KeyboardSession& s) {
  if (!s.present()) return inv.fail(kExitNoDevice, "no keyboard found");
  if (!s.answered()) return s.notAnswering("nothing was written");
  s.clearFailures();
  s.keyboard().applyAll();
  notifyProgram(inv);
  return s.reportFailures();
}

}  // namespace

int runKeyboardSettings(Invocation& inv, SettingsAction action, const std::vector<std::string>& pairs) {
  KeyboardSession session(inv);
  if (int code = session.open(); code != kExitOk) return code;
  switch (action) {
    case SettingsAction::Get: return inv.options.device ? getDevice(inv, session) : get(inv, session);
    case SettingsAction::Set: return set(inv, session, pairs);
    case SettingsAction::Apply: return apply(inv, session);
  }
  return kExitUsage;
}

}  // namespace tessel::tools
