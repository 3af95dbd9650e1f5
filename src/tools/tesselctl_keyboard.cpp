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
#include "macros/macro_library.h"
#include "platform/data_folders.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {

namespace {

// The light-effect library beside the profiles (the page's light name).
constexpr const char* kLightLibrary = "zelto_light.config";

int exitFor(ResultCode r) { return r == ResultCode::Unreachable ? kExitUnreachable : kExitCommandFailed; }

class KeyboardSession {
 public:
  explicit KeyboardSession(Invocation& inv) : inv_(inv), keyboard_(inv.backend, inv.clock), model_(keyboard_, 0) {}
  ~KeyboardSession() { keyboard_.stopLightThread(); }

  // The document, then the keyboard when present. Returns an exit code;
  // kExitOk also when the keyboard is absent.
  int open() {
    std::string why;
    const auto path = currentDocumentPath("keyboard", why);
    if (!path) return inv_.fail(kExitCommandFailed, why);
    if (const auto defaults = defaultDataFolder()) {
      doc_.setDefaultDocumentPath(*defaults / "keyboard.Json");
      LightModeList modes;
      if (modes.load(*defaults / "default_light.json")) keyboard_.setLightModes(modes.modes(kKindIndexKeyboard));
    }
    const std::filesystem::path folder = path->parent_path();
    doc_.setKindIndex(kKindIndexKeyboard);
    doc_.setSequenceFolder(folder);
    doc_.setLightLibraryPath(folder / kLightLibrary);
    doc_.setDocumentPath(*path);
    keyboard_.bindDocument(&doc_);
    // The macro library sits beside the profile documents: a key may name the
    // macros it holds, and they go to the keyboard before the key table.
    macros::MacroLibrary library(folder, inv_.clock);
    library.load();
    const int macroCount = library.damaged() ? 0 : static_cast<int>(library.size());
    keyboard_.setMacroFolder(folder);
    keyboard_.setMacroCount(macroCount);
    model_.setMacroCount(macroCount);
    KeyboardController::Listener listener;
    listener.writeFailed = [this](KeyboardController::Write what, ResultCode r) { failures_.push_back({what, r}); };
    listener.macrosTooLarge = [this](int units) { macrosTooLarge_ = units; };
    keyboard_.setListener(listener);
    keyboard_.loadConfiguration();

    const auto found = findCommandInterface(inv_.backend, DeviceKind::Keyboard, inv_.options.receiver);
    if (!found) return kExitOk;
    inv_.device = *found;
    const bool receiver = isReceiver(found->type);
    if (!keyboard_.transport().connect(found->path, receiver ? transport::kConnectionReceiver
                                                             : transport::kConnectionCable)) {
      return inv_.fail(kExitNoDevice, "cannot open " + found->path + " (check the udev rules for access)");
    }
    present_ = true;
    // Reading the keyboard never changes the profile.
    answered_ = keyboard_.readDevice() == ResultCode::Success;
    return kExitOk;
  }

  bool present() const { return present_; }
  bool answered() const { return answered_; }
  KeyboardSettings& model() { return model_; }
  KeyboardController& keyboard() { return keyboard_; }
  CKeyboardProfiledata& document() { return doc_; }

  // The keyboard is there but did not answer: why, as an exit code.
  int notAnswering(std::string_view what) {
    if (keyboard_.onReceiver()) {
      return inv_.fail(kExitUnreachable, "the receiver cannot reach the wireless keyboard (asleep or out of range); " +
                                             std::string(what));
    }
    return inv_.fail(kExitCommandFailed, "the keyboard did not answer; " + std::string(what));
  }

  // A write the keyboard did not take: exit 1 (4 through a sleeping receiver).
  int reportFailures() {
    if (macrosTooLarge_ > 0) {
      return inv_.fail(kExitCommandFailed,
                       "the macros bound to the keys do not fit the keyboard's macro memory (" +
                           std::to_string(macrosTooLarge_) +
                           " more 4-byte units than it holds); neither the macros nor the key table were written, "
                           "the profile document keeps the change");
    }
    if (failures_.empty()) return kExitOk;
    const auto& [what, r] = failures_.front();
    const char* memory = what == KeyboardController::Write::Settings       ? "settings"
                         : what == KeyboardController::Write::MacroMemory  ? "macros (the key table was not written)"
                         : what == KeyboardController::Write::CustomColours ? "custom colours"
                                                                            : "key table";
    return inv_.fail(exitFor(r), std::string("the keyboard did not take the ") + memory + ": " +
                                     resultWithHolder(r, keyboard_.transport()) + " (" + std::to_string(toInt(r)) +
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
  CKeyboardProfiledata doc_;
  KeyboardController keyboard_;
  KeyboardSettings model_;
  std::vector<std::pair<KeyboardController::Write, ResultCode>> failures_;
  int macrosTooLarge_ = 0;
  bool present_ = false;
  bool answered_ = false;
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
