#pragma once
// Shared between the parts of tesselctl; not used outside src/tools.
#include <json/json.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "core/device_types.h"
#include "core/result_code.h"
#include "device/transport/command_transport.h"
#include "config/setting_keys.h"
#include "device/base/light_settings_block.h"
#include "tools/tesselctl.h"

namespace tessel::tools {

// One supported command interface found on the bus.
struct FoundInterface {
  int row = -1;  // row of the supported interface table
  DeviceType type = DeviceType::MouseCable;
  uint16_t role = 0;
  std::string path;
};

struct Invocation {
  const TesselctlOptions& options;
  std::ostream& out;
  std::ostream& err;
  hid::HidBackend& backend;
  Clock& clock;
  std::string commandName;
  // Set for subcommands that need a device.
  std::optional<DeviceKind> kind;
  std::string kindText;  // as typed: "mouse", "keyboard", "mousepad", "headset"
  FoundInterface device;
  std::unique_ptr<transport::CommandTransport> transport;
  const TesselctlContext* context = nullptr;

  // "tesselctl: COMMAND KIND: text" on the error stream.
  int fail(int code, std::string_view text);
  // A failed command: names the result code, e.g. "device answered status 0xFF (-102)".
  int failResult(ResultCode r, std::string_view what = {});
  // Writes a JSON document (with the device fields added) to out.
  void printJson(Json::Value value);
  // "mouse on its cable (PATH)" header line of the text output.
  void printHeader();
  bool onReceiver() const;
};

using Handler = int (*)(Invocation&);

// resultText, and for a device another process holds past the wait limit
// "device busy: held by process N".
std::string resultWithHolder(ResultCode r, const transport::CommandTransport& transport);

struct Subcommand {
  std::string_view name;
  std::string_view synopsis;  // "identity KIND"
  std::string_view help;      // one line for --help
  bool needsDevice = true;
  Handler run = nullptr;
};

const std::vector<Subcommand>& subcommands();

// The words that may follow `typed` (the words after "tesselctl", options
// included) on a command line: commands, actions, kinds, setting keys ("key=").
std::vector<std::string> completionsAfter(const std::vector<std::string>& typed);
int runComplete(Invocation& inv);

// The error of a --json run as a JSON object on `out`:
//   {"error": TEXT, "exitCode": CODE, "command": COMMAND, "kind": KIND}
// (command and kind left out when empty). The text also goes to stderr.
void printJsonError(std::ostream& out, int code, std::string_view text, std::string_view command = {},
                    std::string_view kind = {});

// Profile store commands (tesselctl_profile.cpp); they need no device.
int runProfile(Invocation& inv);
int runDoc(Invocation& inv);
// Macro library commands (tesselctl_macro.cpp); they need no device.
int runMacro(Invocation& inv);
// The mouse's recoil patterns (tesselctl_recoil.cpp): on disk, and "download" to the mouse.
int runRecoil(Invocation& inv);

// Handlers living in their own files.
int runUpdateCheckCommand(Invocation& inv);  // tesselctl_update.cpp
int runDoctorCommand(Invocation& inv);       // tesselctl_doctor.cpp
// "event NAME WPARAM LPARAM" (tesselctl_event.cpp): numbers in decimal or 0x
// hex; WPARAM unsigned 64-bit, LPARAM signed 64-bit (a leading - allowed).
int runEvent(Invocation& inv);
std::optional<uint64_t> parseEventWParam(std::string_view text);
std::optional<int64_t> parseEventLParam(std::string_view text);
// The audio styles of "AudioFile.json" (tesselctl_audio_style.cpp); no device.
int runAudioStyle(Invocation& inv);

// The command interface of a device kind: its cable, else its receiver
// (receiverOnly: the receiver only); nullopt when none is present.
std::optional<FoundInterface> findCommandInterface(hid::HidBackend& backend, DeviceKind kind, bool receiverOnly);
// "mouse", "keyboard", "mousepad", "headset".
std::optional<DeviceKind> parseCliKind(std::string_view text);

// Settings as keys (tesselctl_settings.cpp): get KIND, set KIND KEY=VALUE..., apply KIND.
int runGet(Invocation& inv);
int runSet(Invocation& inv);
int runApply(Invocation& inv);
// The keys of every kind, for the help of get, set and apply, from the
// kinds' setting rows (tesselctl_key_help.cpp).
std::string settingsKeysHelp();
// "help keys [KIND|values]": one kind's keys (or the button values), as text
// or as the README's Markdown table; false for an unknown name.
bool keyTableHelp(std::string_view name, bool markdown, std::string& text);
enum class SettingsAction { Get, Set, Apply };
// After a profile selection or a macro change: the kind's current profile
// goes to its device when one is connected, as the window does; exit 0 when
// none is there.
int applyToConnectedDevice(Invocation& inv);
// The mousepad's light keys (tesselctl_mousepad.cpp); `pairs` only for Set.
int runMousepadSettings(Invocation& inv, SettingsAction action, const std::vector<std::string>& pairs);
// The headset's kind session (tesselctl_headset.cpp); `pairs` for set only.
int runHeadsetSettings(Invocation& inv, SettingsAction action, const std::vector<std::string>& pairs);
// The keyboard's kind session (tesselctl_keyboard.cpp); `pairs` for set only.
int runKeyboardSettings(Invocation& inv, SettingsAction action, const std::vector<std::string>& pairs);

// The current profile document of a kind's data folder (the list and a
// first profile are made when missing); nullopt with `why` when there is none.
std::optional<std::filesystem::path> currentDocumentPath(std::string_view kindText, std::string& why);

// Every supported interface present on `backend`, in table order.
std::vector<FoundInterface> findSupportedInterfaces(hid::HidBackend& backend, bool* enumerated = nullptr);

std::string hexBytes(const uint8_t* bytes, size_t count);
std::string colourText(uint8_t r, uint8_t g, uint8_t b);  // "#rrggbb"
std::string_view connectionName(DeviceType type);          // "cable" or "receiver"
std::string_view cliKindName(DeviceKind kind);             // "mouse", "keyboard", "mousepad", "headset"

// ---- `set` on a kind's settings keys, shared by every kind

// Tells a running tessel-rgb that this kind's settings changed.
void notifyProgram(Invocation& inv);
// One JSON value, indented, on the output.
void printJsonValue(Invocation& inv, const Json::Value& value);

// The pairs of a set whose value differs from what the model holds: a line of
// `get` given back unchanged writes nothing, whatever other lines change.
template <class Model>
std::vector<const settings::Assignment<Model>*> changedAssignments(
    const std::vector<settings::Assignment<Model>>& plan, const Model& model) {
  std::vector<const settings::Assignment<Model>*> changed;
  for (const auto& a : plan)
    if (a.row->read(model) != a.value) changed.push_back(&a);
  return changed;
}

// Prints what the changed keys hold now ("key=value" lines, or one JSON
// object with --json).
template <class Model>
void printChangedKeys(Invocation& inv, const Model& model,
                      const std::vector<const settings::Assignment<Model>*>& changed) {
  Json::Value now(Json::objectValue);
  for (const auto* a : changed) {
    const auto v = a->row->read(model);
    if (!v) continue;
    if (inv.options.json) now[a->row->key] = settings::jsonValue(*a->row, model, *v);
    else inv.out << a->row->key << "=" << settings::formatValue(*a->row, model, *v) << "\n";
  }
  if (inv.options.json) printJsonValue(inv, now);
}

// The second half of every kind's `set`: the pairs that change are written
// into the model (its rows store, save and write to the device), a running
// program is told, and a refused pair or a write the device did not take is
// reported before what the changed keys hold now is printed.
template <class Session, class Model>
int writeChangedKeys(Invocation& inv, Session& session, Model& model,
                     const std::vector<settings::Assignment<Model>>& plan) {
  const auto changed = changedAssignments(plan, model);
  session.clearFailures();
  std::vector<std::string> refused;
  if constexpr (requires { model.begin(); }) model.begin();  // a kind that batches its writes
  for (const auto* a : changed)
    if (!a->row->write(model, a->value)) refused.push_back(a->row->key);
  model.finish();
  if (!changed.empty() && !session.documentWritten())
    return inv.fail(kExitCommandFailed, "the profile document " + session.documentName() +
                                            " could not be written: the profile does not keep the change");

  if (!changed.empty()) notifyProgram(inv);
  if (!refused.empty()) return inv.fail(kExitCommandFailed, "refused: " + refused.front());
  if (session.present()) {
    if (int code = session.reportFailures(); code != kExitOk) return code;
  }
  printChangedKeys(inv, model, changed);
  return kExitOk;
}

// get --device: each listed key whose value the device gave, and what the
// profile holds where that differs ("key=value  # profile: VALUE"; --json:
// {"device": ..., "profile": ...} for such a key). The two sides are read
// into lists first (row by row of `table`): on the mouse one controller reads
// either document, not both at once.
using Values = std::vector<std::optional<settings::Value>>;

template <class Model>
Values readRows(const settings::KeyTable<Model>& table, const Model& model) {
  Values values;
  for (const auto& row : table) values.push_back(row.listed ? row.read(model) : std::nullopt);
  return values;
}

template <class Model>
void printHeldKeys(Invocation& inv, const settings::KeyTable<Model>& table, const Model& model, const Values& held,
                   const Values& profile, const std::function<bool(std::string_view)>& fromDevice) {
  Json::Value object(Json::objectValue);
  for (size_t i = 0; i < table.size(); ++i) {
    const auto& row = table[i];
    const auto& d = held[i];
    if (!fromDevice(row.key) || !d) continue;
    const auto& p = profile[i];
    const bool differs = p && *p != *d;
    if (inv.options.json) {
      if (!differs) {
        object[row.key] = settings::jsonValue(row, model, *d);
        continue;
      }
      Json::Value both(Json::objectValue);
      both["device"] = settings::jsonValue(row, model, *d);
      both["profile"] = settings::jsonValue(row, model, *p);
      object[row.key] = both;
    } else {
      inv.out << row.key << "=" << settings::formatValue(row, model, *d);
      if (differs) inv.out << "  # profile: " << settings::formatValue(row, model, *p);
      inv.out << "\n";
    }
  }
  if (inv.options.json) printJsonValue(inv, object);
}

// get KIND --device: `block`, what the session's controller read (nullopt:
// nothing), is decoded by `decode(block, modeCodes, held)` into `held`, a
// copy of the session's document that is never saved; the controller reads
// its rows from that copy and is bound to its own document again. The rows
// `fromDevice` names are printed beside the profile's values.
template <class Session, class Controller, class Model, class Block, class Decode>
int printDeviceBesideProfile(Invocation& inv, Session& s, Controller& controller, std::string_view kind,
                             const settings::KeyTable<Model>& table, const std::optional<Block>& block,
                             const Decode& decode, const std::function<bool(std::string_view)>& fromDevice) {
  if (!s.present()) return inv.fail(kExitCommandFailed, "--device: no " + std::string(kind) + " found to read");
  if (!s.answered() || !block) return s.notAnswering("nothing was read");
  std::vector<uint8_t> codes;
  for (const auto& m : controller.lightModes()) codes.push_back(m.code);
  std::remove_reference_t<decltype(s.document())> held;
  held.setWorkingCopy(s.document().workingCopy());
  decode(*block, codes, held);
  const Values profile = readRows(table, s.model());
  controller.bindDocument(&held);
  const Values device = readRows(table, s.model());
  controller.bindDocument(&s.document());
  printHeldKeys(inv, table, s.model(), device, profile, fromDevice);
  return kExitOk;
}

// get mousepad|headset --device: their light settings block carries the
// light but its direction; the other keys come only from the profile. The
// controller's image of the block follows the document once connected, so
// the block of the profile connecting found is read again.
template <class Session, class Controller, class Model>
int printLightBlockBesideProfile(Invocation& inv, Session& s, Controller& controller, std::string_view kind,
                                 const settings::KeyTable<Model>& table) {
  const LightSettingsBlock found = controller.settingsBlock();
  std::optional<LightSettingsBlock> block;
  std::array<uint8_t, kLightBlockReadSize> bytes{};
  if (found.read && controller.transport().readSettings(bytes, lightBlockOffset(found.profile)) == ResultCode::Success) {
    std::vector<uint8_t> codes;
    for (const auto& m : controller.lightModes()) codes.push_back(m.code);
    block = decodeLightSettingsBlock(bytes, found.profile, codes);
  }
  const auto decode = [&s](const LightSettingsBlock& b, const std::vector<uint8_t>&, auto& held) {
    held.setLightInfo(lightRecordOfImage(b.image, s.document().getLightInfo()));
  };
  return printDeviceBesideProfile(inv, s, controller, kind, table, block, decode, [](std::string_view key) {
    return key.rfind("light.", 0) == 0 && key != "light.direction";
  });
}

}  // namespace tessel::tools
