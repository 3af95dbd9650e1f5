// The main window's part of audio-reactive lighting: the companion's sound
// packets become band levels for every keyboard page (a mouse page listed
// first must not keep them from the keyboard), the external colour goes to
// every keyboard page, the wave controls show the last samples, and the
// companion runs while any keyboard page plays the audio mode.
#include <span>

#include "platform/debug.h"
#include "ui/audio_companion_link.h"
#include "ui/audio_record_control.h"
#include "ui/demo_devices.h"
#include "ui/device/keyboard_page.h"
#include "ui/device/light_control.h"
#include "ui/main_wnd.h"

namespace tessel::ui {

namespace {

std::vector<CBrelvikKeyboardDevice*> KeyboardPages(DeviceRegistry* registry,
                                                   const std::function<CBrelvikUSBDevice*(const DevicePage&)>& pageOf) {
  std::vector<CBrelvikKeyboardDevice*> out;
  if (!registry) return out;
  for (const DevicePage& p : registry->pages())
    if (p.kind == DeviceKind::Keyboard)
      if (auto* k = dynamic_cast<CBrelvikKeyboardDevice*>(pageOf(p))) out.push_back(k);
  return out;
}

bool Shown(const CControlUI* c) {
  for (; c; c = c->GetParent())
    if (!c->IsVisible()) return false;
  return true;
}

}  // namespace

void CMainWnd::InitAudio() {
  audioLink_ = std::make_unique<AudioCompanionLink>();
  audioLink_->onStateChanged = [this] { ShowAudioAvailability(); };
  // The selected style's colour goes to the companion; the link keeps the
  // last one and sends it again whenever it connects.
  SetStyleColourSink([this](const StyleColourBlock& block) {
    if (audioLink_) audioLink_->SendStyleColour(block);
  });
  if (demo_) {
    DemoDevices::AudioView view;
    view.packets = [this] { return audioLevels_.acceptedPackets(); };
    view.levels = [this] { return std::vector<int>(handedLevels_.begin(), handedLevels_.end()); };
    view.companion = [this] { return audioLink_ ? audioLink_->StatusText() : QStringLiteral("stopped"); };
    demo_->SetAudioView(std::move(view));
  }
  UpdateAudioCompanion();
}

void CMainWnd::AudioPageInitialised(const DevicePage& page) {
  if (page.kind != DeviceKind::Keyboard) return;
  auto* keyboard = dynamic_cast<CBrelvikKeyboardDevice*>(PageOf(page));
  if (!keyboard) return;
  // Any path that changes the mode reaches the page's view: an edit, a
  // profile switch, a re-read after tesselctl, start-up.
  keyboard->SetAudioModeListener([this] { UpdateAudioCompanion(); });
  UpdateAudioCompanion();
}

void CMainWnd::UpdateAudioCompanion() {
  if (!audioLink_ || shutDown_) return;
  bool wanted = false;
  for (CBrelvikKeyboardDevice* k : KeyboardPages(registry_.get(), [this](const DevicePage& p) { return PageOf(p); }))
    wanted = wanted || k->PlaysAudioMode();
  audioLink_->SetWanted(wanted);
  ShowAudioAvailability();
}

void CMainWnd::ShowAudioAvailability() {
  const bool unavailable = audioLink_ && audioLink_->GetState() == AudioCompanionLink::State::Unavailable;
  const QString why = audioLink_ ? audioLink_->UnavailableLine() : QString();
  for (CBrelvikKeyboardDevice* k : KeyboardPages(registry_.get(), [this](const DevicePage& p) { return PageOf(p); }))
    if (CLightControlUI* editor = k->LightEditor()) editor->SetAudioUnavailable(unavailable, why);
}

LRESULT CMainWnd::OnAudioCopyData(const COPYDATASTRUCT* data) {
  if (!data) return 0;
  const AudioLevelAnalyser::Outcome out = audioLevels_.receive(data->dwData, data->lpData, data->cbData);
  if (out.kind == AudioLevelAnalyser::Outcome::Kind::Ignored) return 0;
  const auto keyboards = KeyboardPages(registry_.get(), [this](const DevicePage& p) { return PageOf(p); });
  if (out.kind == AudioLevelAnalyser::Outcome::Kind::External) {
    std::array<uint32_t, AudioLevelAnalyser::kExternalValues> values{};
    for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<uint32_t>(out.external[i]);
    for (CBrelvikKeyboardDevice* k : keyboards) k->Keyboard().lighting().setExternalColour(values);
    return 1;
  }
  if (!out.handout) return 1;
  handedLevels_ = *out.handout;
  const std::span<const int> levels(handedLevels_.data(), handedLevels_.size());
  // The keyboard steps its audio mode with the levels (every third packet);
  // the wave follows at that pace, and only where it can be seen.
  const AudioLevelAnalyser::Samples samples = audioLevels_.lastSamples();
  for (CBrelvikKeyboardDevice* k : keyboards) {
    k->Keyboard().takeSoundLevels(levels);
    auto* wave = dynamic_cast<CAudioRecordUI*>(
        k->FindControl([](CControlUI* c) { return c->GetName() == QLatin1String("audio_record_wave"); }));
    if (wave && Shown(wave)) wave->SetSamples(samples);
  }
  return 1;
}

void CMainWnd::ShutdownAudio() {
  if (!audioLink_) return;
  audioLink_->onStateChanged = nullptr;
  audioLink_->Shutdown();
}

}  // namespace tessel::ui
