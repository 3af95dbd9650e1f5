#include "ui/device/hs6533_page.h"

#include "audio/audio_chip_binding.h"
#include "audio/sound_card_events.h"
#include "config/hs6533_profiledata.h"
#include "config/light_mode_list.h"
#include "devices/headset/headset_audio.h"
#include "platform/data_folders.h"
#include "platform/debug.h"
#include "ui/color_select_wnd.h"
#include "ui/device/magic_control.h"
#include "ui/device/select_panel.h"
#include "ui/device/voice6533_control.h"
#include "ui/msg_wnd.h"

namespace tessel::ui {

namespace {

constexpr int kHeadsetTypeCode = 7;
constexpr int kLightLevelMax = 4;
// The function tabs of the profile selector, in the order of the page's tabs.
constexpr const char* kTabOptions[] = {"deng_Op_tab", "6533_voice_Op_tab", "magic_Op_tab", "Virtual7.1_Op_tab"};
constexpr int kTabCount = 4;


}  // namespace

CBrelvikHS6533Device::CBrelvikHS6533Device(hid::HidBackend& backend, Clock& clock)
    : CBrelvikUSBDevice(std::make_unique<headset::HeadsetDevice>(backend, clock)) {
  headset::HeadsetDevice::Listener listener;
  listener.stateChanged = [this] { ShowState(); };
  listener.writeFailed = [this](ResultCode) { WriteFailed(); };
  // Activation and a profile switch load the audio settings with the document.
  listener.documentLoaded = [this] {
    if (audio_) audio_->loadFromDocument();
  };
  Headset().setListener(std::move(listener));
  // Connecting reads the chip's microphone, monitor and voice changer.
  Headset().setChipStateReader([this] {
    if (audio_) audio_->readChipState();
  });
  chooser_ = PaletteChooser();
  messageSink_ = MessageBoxSink();
}

CBrelvikHS6533Device::~CBrelvikHS6533Device() {
  // Completions that arrive while the page goes must not reach it.
  Headset().setListener({});
  Headset().setChipStateReader({});
  Headset().followSoundCards(nullptr, {});
  if (voicePanel_) voicePanel_->Bind(nullptr);
  if (magicPanel_) magicPanel_->Bind(nullptr);
}

template <typename T>
T* CBrelvikHS6533Device::Find(const QString& name) const {
  auto* self = const_cast<CBrelvikHS6533Device*>(this);
  return dynamic_cast<T*>(self->FindControl([&name](CControlUI* c) { return c->GetName() == name; }));
}

void CBrelvikHS6533Device::WriteFailed() {
  // While the headset is away every write fails; the page keeps working on
  // the document then, and says nothing.
  if (!Headset().isConnected()) return;
  if (messageSink_) messageSink_(QStringLiteral("headset_write_failed"));
}

void CBrelvikHS6533Device::SetColourChooser(CLightControlUI::ColourChooser chooser) {
  chooser_ = std::move(chooser);
  if (lightEditor_) lightEditor_->SetColourChooser(chooser_);
}

// ------------------------------------------------------------------ binding

void CBrelvikHS6533Device::BindDocument(CBasicProfiledata& document, const std::filesystem::path& dataFolder) {
  auto* headsetDocument = dynamic_cast<CHs6533Profiledata*>(&document);
  if (!headsetDocument) return;
  document.setKindIndex(kKindIndexHeadset);
  document.setSequenceFolder(dataFolder);
  document.setLightLibraryPath(dataFolder / (GetLightName().toStdString() + ".config"));
  Headset().bindDocument(headsetDocument);
  LoadLightLists();
  // The audio side works on the same document, through the program's chip.
  if (voicePanel_) voicePanel_->Bind(nullptr);
  if (magicPanel_) magicPanel_->Bind(nullptr);
  audio_ = std::make_unique<HeadsetAudio>(*headsetDocument, audio::AudioChipBinding::process());
  audio_->onSaved = [this] { ShowPanels(); };
  // The headset's sound card may come after its HID node, or come back after
  // a replug: the chip is bound again then (followed before the first
  // binding, so a card arriving meanwhile is not missed).
  Headset().followSoundCards(&audio::systemSoundCards(), [this] {
    if (audio_) audioProblems_ = audio_->startBinding();
  });
  audioProblems_ = audio_->startBinding();
  for (const std::string& problem : audioProblems_) debugLine(problem.c_str());
  audio_->loadFromDocument();
  BindPanels();
}

void CBrelvikHS6533Device::BindPanels() {
  if (voicePanel_) {
    voicePanel_->Bind(audio_.get());
    voicePanel_->onMessage = [this](const char* key) {
      if (messageSink_) messageSink_(QLatin1String(key));
    };
  }
  if (magicPanel_) magicPanel_->Bind(audio_.get());
  ShowPanels();
}

void CBrelvikHS6533Device::ShowPanels() {
  if (!audio_) return;
  if (voicePanel_) voicePanel_->ShowState();
  if (magicPanel_) magicPanel_->ShowState();
}

void CBrelvikHS6533Device::LoadLightLists() {
  // The headset's modes and codes come with the factory data.
  LightModeList list;
  if (auto folder = defaultDataFolder()) list.load(*folder / std::string(kLightModeListFile));
  if (!list.modes(kKindIndexHeadset).empty()) Headset().setLightModes(list.modes(kKindIndexHeadset));
  sequenceNames_.clear();
  if (CHs6533Profiledata* doc = Headset().document())
    for (const LightSequenceEntry& e : doc->lightLibrary().sequences(kKindIndexHeadset))
      sequenceNames_.push_back(e.name);
  if (lightEditor_)
    lightEditor_->FillModeList(Headset().lightModes(), sequenceNames_, kLightLevelMax, kLightLevelMax);
}

void CBrelvikHS6533Device::InitPage() {
  CBrelvikUSBDevice::InitPage();
  if (GetPageXmlName().isEmpty()) return;
  // The light buttons are the "light_N" of "hs6533_device_key_light" (the
  // page's picture panel); each starts white at full brightness until the
  // first frame.
  for (int i = 0; i < GetLightZoneCount(); ++i)
    if (CDeviceKeyButtonUI* button = GetLightButton(i)) button->SetZoneColour(0xFFFFFFFFu);
  lightEditor_ = Find<CLightControlUI>(QStringLiteral("LightControlItem"));
  if (lightEditor_) {
    lightEditor_->SetDeviceType(kHeadsetTypeCode);
    lightEditor_->SetOwnerWindow(GetMainWindow());
    lightEditor_->SetColourChooser(chooser_);
    lightEditor_->onChange = [this](const LightRecord& record) { Headset().changeLightRecord(record); };
    lightEditor_->onSameMode = [this] {
      if (onSameMode) onSameMode(*this);
    };
    lightEditor_->FillModeList(Headset().lightModes(), sequenceNames_, kLightLevelMax, kLightLevelMax);
  }
  voicePanel_ = Find<CVoice6533ControlUI>(QStringLiteral("Voice6533ControlItem"));
  magicPanel_ = Find<CMagicControlUI>(QStringLiteral("MagicControlItem"));
  if (voicePanel_) voicePanel_->SetDeviceType(kHeadsetTypeCode);
  if (magicPanel_) magicPanel_->SetDeviceType(kHeadsetTypeCode);
  if (audio_) BindPanels();
  SelectTab(kLightTab);
  RefreshView();
}

void CBrelvikHS6533Device::SetSameModeAllowed(bool allowed) {
  if (lightEditor_) lightEditor_->SetSameModeAllowed(allowed);
}

void CBrelvikHS6533Device::SelectTab(int n) {
  auto* tabs = Find<CTabLayoutUI>(QStringLiteral("hs6533_function_layout"));
  if (!tabs) return;
  if (n < 0 || n >= tabs->GetCount() || n >= kTabCount) n = kLightTab;
  tabs->SelectItem(n);
  for (int i = 0; i < kTabCount; ++i)
    if (auto* option = Find<COptionUI>(QLatin1String(kTabOptions[i]))) option->Selected(i == n, false);
  // Another mixer may have changed the microphone or monitor since: the
  // audio tabs show the chip as it is now.
  if ((n == kVoiceTab || n == kMagicTab) && audio_) {
    audio_->readChipState();
    ShowPanels();
  }
}

int CBrelvikHS6533Device::GetTab() const {
  auto* tabs = Find<CTabLayoutUI>(QStringLiteral("hs6533_function_layout"));
  return tabs ? tabs->GetCurSel() : -1;
}

// ------------------------------------------------------------------ showing

void CBrelvikHS6533Device::RefreshView() { ShowState(); }

void CBrelvikHS6533Device::ShowState() {
  CHs6533Profiledata* doc = Headset().document();
  if (!doc) return;
  showing_ = true;
  if (lightEditor_) lightEditor_->ShowRecord(doc->getLightInfo());
  ShowPanels();
  showing_ = false;
}

// ------------------------------------------------------------------ notifications

void CBrelvikHS6533Device::OnNotify(TNotifyUI& msg) {
  if (showing_ || !msg.pSender) return;
  if (lightEditor_ && lightEditor_->HandleNotify(msg)) return;
  if (voicePanel_ && voicePanel_->HandleNotify(msg)) return;
  if (magicPanel_ && magicPanel_->HandleNotify(msg)) return;
  const QString name = msg.pSender->GetName();
  if (msg.sType == notify::kSelectChanged) {
    for (int i = 0; i < kTabCount; ++i) {
      if (name != QLatin1String(kTabOptions[i])) continue;
      if (static_cast<COptionUI*>(msg.pSender)->IsSelected()) SelectTab(i);
      return;
    }
  }
}

}  // namespace tessel::ui
