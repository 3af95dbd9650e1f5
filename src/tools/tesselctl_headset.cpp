// "get headset", "set headset KEY=VALUE...", "apply headset": the headset's
// light and audio settings as keys (devices/headset/headset_setting_keys.h),
// on the headset's controller and audio side bound to the current profile
// document, exactly as the page works on them.
//
//   get    reads the headset when it is there (its settings block, and the
//          audio chip's microphone, monitor and voice changer, as the page
//          does when it connects), else the document; says on stderr (or in
//          "unavailable" with --json) which audio groups cannot work here
//   set    checks every pair first (a bad one exits 2, a custom preset name
//          another preset has exits 1, and nothing changes),
//          then changes the document, writes the light to the headset and
//          the audio settings to the chip
//   apply  writes the current profile's light to the headset, as after a
//          profile switch (the audio chip is left as it is)
#include <memory>
#include <ostream>
#include <string_view>

#include "audio/alsa_audio_chip.h"
#include "audio/audio_chip_binding.h"
#include "audio/emulated_audio_chip.h"
#include "config/hs6533_profiledata.h"
#include "config/light_effect_library.h"
#include "config/light_mode_list.h"
#include "devices/headset/headset_audio.h"
#include "devices/headset/headset_audio_keys.h"
#include "devices/headset/headset_device.h"
#include "devices/headset/headset_setting_keys.h"
#include "platform/data_folders.h"
#include "sim/firmware_store.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {

namespace {

// The audio chip of this run: the demo's emulated chip (kept beside the
// emulated devices' memories, so a running demo sees the same chip), or the
// headset's USB sound card through ALSA.
std::shared_ptr<audio::AudioChip> chipFor(const TesselctlOptions& options) {
  if (options.demo) return audio::makeDemoAudioChip(sim::defaultFirmwareStoreFolder(), options.demoReset);
  return std::make_shared<audio::AlsaAudioChip>();
}

class HeadsetSession {
 public:
  explicit HeadsetSession(Invocation& inv)
      : inv_(inv),
        device_(inv.backend, inv.clock),
        binding_(chipFor(inv.options)),
        audio_(doc_, binding_),
        model_(device_, audio_) {}

  // The document, the audio chip, then the headset when present (read as on
  // connecting). Returns an exit code; kExitOk also when the headset is absent.
  int open() {
    std::string why;
    const auto path = currentDocumentPath("headset", why);
    if (!path) return inv_.fail(kExitCommandFailed, why);
    if (const auto defaults = defaultDataFolder()) {
      doc_.setDefaultDocumentPath(*defaults / "HD.Json");
      LightModeList modes;
      if (modes.load(*defaults / "default_light.json")) device_.setLightModes(modes.modes(kKindIndexHeadset));
    }
    doc_.setDocumentPath(*path);
    // light.mode reaches the user sequences of the light-effect library beside it.
    doc_.setLightLibraryPath(path->parent_path() / kLightEffectLibraryFile);
    device_.bindDocument(&doc_);
    headset::HeadsetDevice::Listener listener;
    listener.writeFailed = [this](ResultCode r) { failures_.push_back(r); };
    listener.documentLoaded = [this] { audio_.loadFromDocument(); };
    device_.setListener(listener);
    device_.setChipStateReader([this] { audio_.readChipState(); });
    problems_ = audio_.startBinding();
    device_.loadConfiguration();

    const auto found = findCommandInterface(inv_.backend, DeviceKind::Headset, false);
    if (!found) return kExitOk;
    inv_.device = *found;
    if (!device_.transport().connect(found->path, std::nullopt))
      return inv_.fail(kExitNoDevice, "cannot open " + found->path + " (check the udev rules for access)");
    present_ = true;
    device_.requestConnected();
    // The light thread animates the page's picture; nothing here looks at it.
    device_.stopLightThread();
    answered_ = device_.settingsBlock().read;
    return kExitOk;
  }

  bool present() const { return present_; }
  bool answered() const { return answered_; }
  HeadsetSettings& model() { return model_; }
  headset::HeadsetDevice& device() { return device_; }
  HeadsetAudio& audio() { return audio_; }
  const std::vector<std::string>& problems() const { return problems_; }

  // A settings block the headset did not take: exit 1.
  int reportFailures() {
    if (failures_.empty()) return kExitOk;
    const ResultCode r = failures_.front();
    return inv_.fail(kExitCommandFailed, "the headset did not take the light settings: " + std::string(resultText(r)) +
                                             " (" + std::to_string(toInt(r)) + "); the profile document keeps the change");
  }
  // The profile document as it is now, written again: false when it cannot
  // be written (a read-only folder, a full disk), so the change is not there.
  bool documentWritten() { return doc_.save(); }
  std::string documentName() const { return doc_.documentPath().string(); }
  void clearFailures() { failures_.clear(); }
  CHs6533Profiledata& document() { return doc_; }
  int notAnswering(std::string_view what) { return inv_.fail(kExitCommandFailed, "the headset did not answer; " + std::string(what)); }

 private:
  Invocation& inv_;
  CHs6533Profiledata doc_;
  headset::HeadsetDevice device_;
  audio::AudioChipBinding binding_;
  HeadsetAudio audio_;
  HeadsetSettings model_;
  std::vector<ResultCode> failures_;
  std::vector<std::string> problems_;
  bool present_ = false;
  bool answered_ = false;
};

int getHeadset(Invocation& inv, HeadsetSession& s) {
  if (s.present() && !s.answered()) {
    inv.err << "tesselctl: get headset: the headset did not answer; the light values are the profile document's\n";
  }
  const auto& table = headsetSettingKeys();
  const std::vector<std::string> unavailable = headsetAudioUnavailableLines(s.audio());
  if (inv.options.json) {
    Json::Value object = settings::toJson(table, s.model());
    if (!unavailable.empty()) {
      Json::Value lines(Json::arrayValue);
      for (const std::string& line : unavailable) lines.append(line);
      object["unavailable"] = lines;
    }
    printJsonValue(inv, object);
  } else {
    inv.out << settings::formatLines(table, s.model());
    // Not key lines: they go where `set` will not be handed them back.
    for (const std::string& line : unavailable) inv.err << "tesselctl: get headset: " << line << "\n";
  }
  return kExitOk;
}

int setHeadset(Invocation& inv, HeadsetSession& s, const std::vector<std::string>& pairs) {
  using Assignment = settings::Assignment<HeadsetSettings>;
  // A preset name that is taken is the equaliser refusing, not a bad command
  // line: exit 1 naming the preset that has it, before anything changes.
  constexpr std::string_view kSave = "eq.save=";
  for (const std::string& pair : pairs) {
    if (pair.compare(0, kSave.size(), kSave) != 0) continue;
    const std::string name = pair.substr(kSave.size());
    const std::string why = headsetEqSaveRefusal(s.audio(), name);
    if (!name.empty() && !why.empty()) return inv.fail(kExitCommandFailed, "eq.save: \"" + name + "\": " + why);
  }
  std::vector<Assignment> plan;
  settings::Problem problem;
  if (!settings::parseAssignments(headsetSettingKeys(), s.model(), pairs, plan, problem)) {
    return inv.fail(problem.kind == settings::Refusal::BadInput ? kExitUsage : kExitCommandFailed, problem.text);
  }
  return writeChangedKeys(inv, s, s.model(), plan);
}

int applyHeadset(Invocation& inv, HeadsetSession& s) {
  if (!s.present()) return inv.fail(kExitNoDevice, "no headset found");
  if (!s.answered()) return inv.fail(kExitCommandFailed, "the headset did not answer; nothing was written");
  s.clearFailures();
  s.device().WriteSettingsBlock();
  notifyProgram(inv);
  return s.reportFailures();
}

}  // namespace

int runHeadsetSettings(Invocation& inv, SettingsAction action, const std::vector<std::string>& pairs) {
  HeadsetSession session(inv);
  if (int code = session.open(); code != kExitOk) return code;
  switch (action) {
    case SettingsAction::Get:
      return inv.options.device
                 ? printLightBlockBesideProfile(inv, session, session.device(), "headset", headsetSettingKeys())
                 : getHeadset(inv, session);
    case SettingsAction::Set: return setHeadset(inv, session, pairs);
    case SettingsAction::Apply: return applyHeadset(inv, session);
  }
  return kExitUsage;
}

}  // namespace tessel::tools
