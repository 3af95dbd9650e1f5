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
#include "tools/tesselctl_session.h"

namespace tessel::tools {

namespace {

// The audio chip of this run: the demo's emulated chip (kept beside the
// emulated devices' memories, so a running demo sees the same chip), or the
// headset's USB sound card through ALSA.
std::shared_ptr<audio::AudioChip> chipFor(const TesselctlOptions& options) {
  if (options.demo) return audio::makeDemoAudioChip(sim::defaultFirmwareStoreFolder(), options.demoReset);
  return std::make_shared<audio::AlsaAudioChip>();
}

class HeadsetSession : public KindSession<headset::HeadsetDevice, CHs6533Profiledata> {
 public:
  explicit HeadsetSession(Invocation& inv)
      : KindSession(inv, "headset"), binding_(chipFor(inv.options)), audio_(doc_, binding_), model_(controller_, audio_) {}

  // The document, the audio chip, then the headset when present (read as on
  // connecting). Returns an exit code; kExitOk also when the headset is absent.
  int open() {
    int code = kExitOk;
    const auto path = findDocument("HD.Json", kKindIndexHeadset, code);
    if (!path) return code;
    doc_.setDocumentPath(*path);
    // light.mode reaches the user sequences of the light-effect library beside it.
    doc_.setLightLibraryPath(path->parent_path() / kLightEffectLibraryFile);
    controller_.bindDocument(&doc_);
    headset::HeadsetDevice::Listener listener;
    listener.writeFailed = [this](ResultCode r) { recordFailure("light settings", r); };
    listener.documentLoaded = [this] { audio_.loadFromDocument(); };
    controller_.setListener(listener);
    controller_.setChipStateReader([this] { audio_.readChipState(); });
    problems_ = audio_.startBinding();
    controller_.loadConfiguration();

    if (int c = connectDevice(DeviceKind::Headset, false, std::nullopt); c != kExitOk || !present_) return c;
    controller_.requestConnected();
    // The light thread animates the page's picture; nothing here looks at it.
    controller_.stopLightThread();
    answered_ = controller_.settingsBlock().read;
    return kExitOk;
  }

  HeadsetSettings& model() { return model_; }
  headset::HeadsetDevice& device() { return controller_; }
  HeadsetAudio& audio() { return audio_; }
  const std::vector<std::string>& problems() const { return problems_; }

 private:
  audio::AudioChipBinding binding_;
  HeadsetAudio audio_;
  HeadsetSettings model_;
  std::vector<std::string> problems_;
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
