#include "ui/device/mousepad_page.h"

#include "config/basic_profiledata.h"
#include "config/light_editor_rules.h"
#include "config/light_mode_list.h"
#include "platform/data_folders.h"
#include "platform/debug.h"
#include "ui/color_select_wnd.h"
#include "ui/device/select_panel.h"

namespace tessel::ui {

namespace {

// Splits at the last underscore: the prefix (with the underscore) must be
// "light_" and the rest a decimal number below the zone count.
int ZoneOfText(const QString& text, int zoneCount) {
  const int cut = text.lastIndexOf(QLatin1Char('_'));
  if (cut < 0 || text.left(cut + 1) != QLatin1String("light_")) return -1;
  const QString digits = text.mid(cut + 1);
  if (digits.isEmpty()) return -1;
  for (QChar c : digits)
    if (c < '0' || c > '9') return -1;
  bool ok = false;
  const int n = digits.toInt(&ok);
  return ok && n < zoneCount ? n : -1;
}

}  // namespace

int MousepadZoneOf(const QString& name, const QString& userData, int zoneCount) {
  const int byName = ZoneOfText(name, zoneCount);
  return byName >= 0 ? byName : ZoneOfText(userData, zoneCount);
}

CBrelvikMousePadDevice::CBrelvikMousePadDevice(hid::HidBackend& backend, Clock& clock)
    : CBrelvikUSBDevice(std::make_unique<MousepadController>(backend, clock)) {
  MousepadController::Listener listener;
  listener.stateChanged = [this] { ShowState(); };
  listener.profileReported = [this](int profile) { reportedProfile_ = profile; };
  Pad().setListener(std::move(listener));
  chooser_ = [this](DWORD colour, bool multi, bool offerMulti) -> std::optional<CLightControlUI::ChosenColour> {
    auto choice = CColorSelectWnd::Choose(GetMainWindow(), colour, multi, offerMulti);
    if (!choice) return std::nullopt;
    return CLightControlUI::ChosenColour{choice->colour, choice->multiColour};
  };
}

CBrelvikMousePadDevice::~CBrelvikMousePadDevice() {
  // Completions that arrive while the page goes must not reach it.
  Pad().setListener({});
}

template <typename T>
T* CBrelvikMousePadDevice::Find(const QString& name) const {
  auto* self = const_cast<CBrelvikMousePadDevice*>(this);
  return dynamic_cast<T*>(self->FindControl([&name](CControlUI* c) { return c->GetName() == name; }));
}

void CBrelvikMousePadDevice::SetColourChooser(CLightControlUI::ColourChooser chooser) {
  chooser_ = std::move(chooser);
  if (lightEditor_) lightEditor_->SetColourChooser(chooser_);
}

void CBrelvikMousePadDevice::SetSameModeAllowed(bool allowed) {
  if (lightEditor_) lightEditor_->SetSameModeAllowed(allowed);
}

// ------------------------------------------------------------------ binding

void CBrelvikMousePadDevice::BindDocument(CBasicProfiledata& document, const std::filesystem::path& dataFolder) {
  document.setKindIndex(kKindIndexMousePad);
  document.setSequenceFolder(dataFolder);
  document.setLightLibraryPath(dataFolder / (GetLightName().toStdString() + ".config"));
  Pad().bindDocument(&document);
  LoadLightLists();
}

void CBrelvikMousePadDevice::LoadLightLists() {
  // The model's modes and codes come with the factory data.
  LightModeList list;
  if (auto folder = defaultDataFolder()) list.load(*folder / std::string(kLightModeListFile));
  if (!list.modes(kKindIndexMousePad).empty()) Pad().setLightModes(list.modes(kKindIndexMousePad));
  sequenceNames_.clear();
  if (CBasicProfiledata* doc = Pad().document())
    for (const LightSequenceEntry& e : doc->lightLibrary().sequences(kKindIndexMousePad))
      sequenceNames_.push_back(e.name);
  if (lightEditor_) lightEditor_->FillModeList(Pad().lightModes(), sequenceNames_, kLightLevelMax, kLightLevelMax);
}

void CBrelvikMousePadDevice::InitPage() {
  CBrelvikUSBDevice::InitPage();
  if (GetPageXmlName().isEmpty()) {
    zonePictures_.clear();
    lightEditor_ = nullptr;
    return;
  }
  BindPageControls();
}

void CBrelvikMousePadDevice::BindPageControls() {
  zonePictures_.assign(static_cast<size_t>(GetLightZoneCount()), nullptr);
  if (auto* panel = Find<CContainerUI>(QStringLiteral("mousepad_device_key_light"))) {
    for (int i = 0; i < panel->GetCount(); ++i) {
      auto* button = dynamic_cast<CDeviceKeyButtonUI*>(panel->GetItemAt(i));
      if (!button) continue;
      const int n = MousepadZoneOf(button->GetName(), button->GetUserData(), GetLightZoneCount());
      if (n < 0) continue;
      zonePictures_[static_cast<size_t>(n)] = button;
      button->SetZoneColour(0xFFFFFFFFu);  // white at full level until the first frame
    }
  }
  lightEditor_ = Find<CLightControlUI>(QStringLiteral("LightControlItem"));
  if (lightEditor_) {
    lightEditor_->SetDeviceType(3);
    lightEditor_->SetOwnerWindow(GetMainWindow());
    lightEditor_->SetColourChooser(chooser_);
    lightEditor_->onChange = [this](const LightRecord& record) {
      Pad().changeLightRecord(record);
      RefreshView();
    };
    lightEditor_->onSameMode = [this] {
      if (onSameMode) onSameMode(*this);
    };
    lightEditor_->FillModeList(Pad().lightModes(), sequenceNames_, kLightLevelMax, kLightLevelMax);
  }
  // The pad has one page, its lighting: a lone "Light" tab would switch nothing.
  HideSelectorTabs();
  RefreshView();
}

CDeviceKeyButtonUI* CBrelvikMousePadDevice::GetZonePicture(int n) const {
  return n >= 0 && n < static_cast<int>(zonePictures_.size()) ? zonePictures_[static_cast<size_t>(n)] : nullptr;
}

// ------------------------------------------------------------------ showing

void CBrelvikMousePadDevice::RefreshView() { ShowState(); }

void CBrelvikMousePadDevice::ShowState() {
  if (!Pad().document() || !lightEditor_) return;
  showing_ = true;
  lightEditor_->ShowRecord(Pad().lightInfo());
  showing_ = false;
}

void CBrelvikMousePadDevice::ShowFrame(const std::vector<uint8_t>& frame) {
  CBrelvikUSBDevice::ShowFrame(frame);
  if (frame.empty()) return;
  for (size_t i = 0; i < zonePictures_.size(); ++i) {
    CDeviceKeyButtonUI* picture = zonePictures_[i];
    if (picture && picture->IsVisible()) picture->SetZoneColour(Controller().zoneColour(static_cast<int>(i)));
  }
}

void CBrelvikMousePadDevice::OnNotify(TNotifyUI& msg) {
  if (showing_ || !msg.pSender) return;
  if (lightEditor_) lightEditor_->HandleNotify(msg);
}

}  // namespace tessel::ui
