#include "ui/device/mouse_page.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

#include "config/light_editor_rules.h"
#include "config/light_mode_list.h"
#include "config/mouse_profiledata.h"
#include "platform/data_folders.h"
#include "platform/debug.h"
#include "ui/color_select_wnd.h"
#include "ui/device/device_profile_page.h"
#include "ui/device/key_set_control.h"
#include "devices/mouse/mouse_buttons.h"
#include "devices/mouse/mouse_recoil.h"
#include "ui/device/macro_control.h"
#include "ui/device/shoot_control.h"
#include "ui/device/select_panel.h"
#include "ui/msg_wnd.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {

namespace {

constexpr int kStages = static_cast<int>(mouse::kMaxStages);
constexpr char kActiveThumb[] = "Control/SliderBar1_Thumb.png";
constexpr char kOtherThumb[] = "Control/SliderBar2_Thumb.png";
// The DPI calculator's bounds.
constexpr int kMirrorLowest = 200;
constexpr int kMirrorHighest = 6500;

// N of "<prefix>N" (N decimal, nothing after it) when below `limit`, else -1.
int Indexed(const QString& name, const char* prefix, int limit) {
  const QLatin1String p(prefix);
  if (!name.startsWith(p) || name.size() == p.size()) return -1;
  const QString digits = name.mid(p.size());
  for (QChar c : digits)
    if (c < '0' || c > '9') return -1;
  bool ok = false;
  const int n = digits.toInt(&ok);
  return ok && n < limit ? n : -1;
}

// Whether `control` is `container` or inside it.
bool Holds(const CControlUI* container, const CControlUI* control) {
  for (const CControlUI* c = control; c; c = c->GetParent())
    if (c == container) return true;
  return false;
}

QString Named(const char* prefix, int n) { return QLatin1String(prefix) + QString::number(n); }

DWORD Opaque(uint32_t rgb) { return 0xFF000000u | (rgb & 0xFFFFFFu); }

// "%[key]": a text the control looks up again when the language changes.
QString TextKey(std::string_view key) {
  return QStringLiteral("%[") + QString::fromLatin1(key.data(), static_cast<int>(key.size())) + QLatin1Char(']');
}

constexpr DWORD kEditedRowColour = 0xFF1F2A40u;


}  // namespace

CBrelvikMouseDevice::CBrelvikMouseDevice(hid::HidBackend& backend, Clock& clock)
    : CBrelvikUSBDevice(std::make_unique<MouseController>(backend, clock)), clock_(clock) {
  MouseController::Listener listener;
  listener.stateChanged = [this] { ShowState(); };
  listener.writeFailed = [this](MouseController::Write what, ResultCode) { WriteFailed(what); };
  listener.macrosTooLarge = [this](int exceedUnits) { MacrosTooLarge(exceedUnits); };
  Mouse().setListener(std::move(listener));
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    const QSize size = screen->size();
    Mouse().setScreenSize(static_cast<uint16_t>(size.width()), static_cast<uint16_t>(size.height()));
  }
  chooser_ = PaletteChooser();
  messageSink_ = MessageBoxSink();
}

CBrelvikMouseDevice::~CBrelvikMouseDevice() {
  // Completions that arrive while the page goes must not reach it.
  Mouse().setListener({});
}

template <typename T>
T* CBrelvikMouseDevice::Find(const QString& name) const {
  auto* self = const_cast<CBrelvikMouseDevice*>(this);
  return dynamic_cast<T*>(self->FindControl([&name](CControlUI* c) { return c->GetName() == name; }));
}

void CBrelvikMouseDevice::WriteFailed(MouseController::Write what) {
  // While the mouse is away every write fails; the page keeps working on the
  // document then, and says nothing.
  if (!Mouse().isConnected()) return;
  if (!messageSink_) return;
  messageSink_(what == MouseController::Write::MacroMemory ? QStringLiteral("message_text_7")
                                                           : QStringLiteral("mouse_write_failed"));
}

void CBrelvikMouseDevice::MacrosTooLarge(int exceedUnits) {
  // Neither the macros nor the key table went out: the mouse keeps what it
  // had. The button whose edit asked for too much gets its default back, so
  // the document does not claim a binding the mouse does not have.
  const int button = tooLargeButton_;
  tooLargeButton_ = -1;
  if (messageSink_) {
    QString text = CResourceManager::GetInstance()->GetText(QStringLiteral("message_text_16"));
    text.replace(QLatin1String("%d"), QString::number(exceedUnits));
    messageSink_(text);
  }
  const std::vector<KeyListEntry> buttons = Mouse().buttons();
  if (button < 0 || button >= static_cast<int>(buttons.size())) return;
  Mouse().StoreAssignment(button, buttons[static_cast<size_t>(button)].defaultAssignment);
  Mouse().saveProfileData();
  if (keyEditor_ && editedButton_ == button) keyEditor_->ShowDefault();
}

void CBrelvikMouseDevice::WriteKeyTableFor(int button) {
  tooLargeButton_ = button;
  Mouse().WriteButtonTable([this](ResultCode, std::vector<int>) { tooLargeButton_ = -1; });
}

// A change of the macros themselves reverts no button.
void CBrelvikMouseDevice::DownloadMacros() { WriteKeyTableFor(-1); }

void CBrelvikMouseDevice::SetColourChooser(CLightControlUI::ColourChooser chooser) {
  chooser_ = std::move(chooser);
  if (lightEditor_) lightEditor_->SetColourChooser(chooser_);
}

// ------------------------------------------------------------------ binding

void CBrelvikMouseDevice::BindDocument(CBasicProfiledata& document, const std::filesystem::path& dataFolder) {
  auto* mouseDocument = dynamic_cast<CMouseProfiledata*>(&document);
  if (!mouseDocument) return;
  document.setKindIndex(kKindIndexMouse);
  document.setSequenceFolder(dataFolder);
  document.setLightLibraryPath(dataFolder / (GetLightName().toStdString() + ".config"));
  LoadLightLists();
  Mouse().bindDocument(mouseDocument);
  // The macro library sits in the same folder: key table writes download its bound macros first.
  Mouse().setMacroFolder(dataFolder);
  dataFolder_ = dataFolder;
  InitMacroEditor();
  InitShootEditor();
}

// The main window binds the document before the page's controls; a test
// window the other way round. Whichever comes second loads the library.
void CBrelvikMouseDevice::InitMacroEditor() {
  if (!macroEditor_ || dataFolder_.empty()) return;
  macroEditor_->Init(dataFolder_, clock_);
  if (keyEditor_) keyEditor_->SetMacroNames(macroEditor_->Names());
}

void CBrelvikMouseDevice::LoadLightLists() {
  // The model's modes and codes come with the factory data.
  LightModeList list;
  if (auto folder = defaultDataFolder()) list.load(*folder / std::string(kLightModeListFile));
  if (!list.modes(kKindIndexMouse).empty()) Mouse().setLightModes(list.modes(kKindIndexMouse));
  sequenceNames_.clear();
  if (CMouseProfiledata* doc = Mouse().document())
    for (const LightSequenceEntry& e : doc->lightLibrary().sequences(kKindIndexMouse)) sequenceNames_.push_back(e.name);
  if (lightEditor_) lightEditor_->FillModeList(Mouse().lightModes(), sequenceNames_, kLightLevelMax, kLightLevelMax);
}

void CBrelvikMouseDevice::InitPage() {
  CBrelvikUSBDevice::InitPage();
  if (GetPageXmlName().isEmpty()) return;
  BindPageControls();
}

void CBrelvikMouseDevice::BindPageControls() {
  zonePictures_.assign(static_cast<size_t>(GetLightZoneCount()), nullptr);
  logo_ = nullptr;
  auto* tabs = Find<CContainerUI>(QStringLiteral("mouse_device_seting_layout"));
  if (tabs) {
    // Every picture panel of the tabs: zone pictures "light_0_N" (a number
    // past the list is appended) and the picture whose user data is "logo".
    tabs->FindControl([this](CControlUI* c) {
      auto* panel = dynamic_cast<CContainerUI*>(c);
      if (!panel || c->GetClass() != QLatin1String("SelectPanel")) return false;
      for (int i = 0; i < panel->GetCount(); ++i) {
        auto* button = dynamic_cast<CDeviceKeyButtonUI*>(panel->GetItemAt(i));
        if (!button) continue;
        if (button->GetUserData() == QLatin1String("logo")) logo_ = button;
        const QString name = button->GetName();
        const int cut = name.lastIndexOf(QLatin1Char('_'));
        if (cut < 0 || name.left(cut + 1) != QLatin1String("light_0_")) continue;
        bool ok = false;
        const int n = name.mid(cut + 1).toInt(&ok);
        if (!ok || n < 0) continue;
        if (n < static_cast<int>(zonePictures_.size())) zonePictures_[static_cast<size_t>(n)] = button;
        else zonePictures_.push_back(button);
        button->SetZoneColour(0xFFFFFFFFu);  // white at full level until the first frame
      }
      return false;
    });
  }
  lightEditor_ = Find<CLightControlUI>(QStringLiteral("LightControlItem"));
  if (lightEditor_) {
    lightEditor_->SetDeviceType(2);
    lightEditor_->SetOwnerWindow(GetMainWindow());
    lightEditor_->SetColourChooser(chooser_);
    lightEditor_->onChange = [this](const LightRecord& record) {
      Mouse().changeLightRecord(record);
      ShowLogoTooltip();
    };
    lightEditor_->onSameMode = [this] {
      if (onSameMode) onSameMode(*this);
    };
    lightEditor_->FillModeList(Mouse().lightModes(), sequenceNames_, kLightLevelMax, kLightLevelMax);
  }
  BindKeyEditor();
  BindMacroEditor();
  BindShootEditor();
  // The picture and the list call every button by its one name.
  for (size_t i = 0; i < mouse::kButtonNames.size(); ++i) {
    const QString name = TextKey(mouse::kButtonNames[i].textKey);
    if (CDeviceKeyButtonUI* key = GetKeyButton(static_cast<int>(i))) key->SetToolTip(name);
    if (auto* label = Find<CControlUI>(Named("mouse_button_name_", static_cast<int>(i)))) label->SetText(name);
  }
  HideSelectorTabs();
  // The calculator's boxes start with their sliders' values.
  for (int i = 0; i < kStages; ++i) {
    auto* slider = Find<CSliderUI>(Named("zelto_DPI_slider_", i));
    auto* edit = Find<CControlUI>(Named("zelto_DPI_edit_", i));
    if (slider && edit) edit->SetText(QString::number(slider->GetValue()));
  }
  SelectTab(0);
  RefreshView();
}

void CBrelvikMouseDevice::MacroLibraryChangedElsewhere() {
  if (!macroEditor_) return;
  macroEditor_->LoadLibrary();
  MacroNamesChanged();
}

void CBrelvikMouseDevice::SelectTab(int n) {
  auto* tabs = Find<CTabLayoutUI>(QStringLiteral("mouse_device_seting_layout"));
  if (!tabs) return;
  if (n < 0 || n >= tabs->GetCount()) n = 0;
  tabs->SelectItem(n);
  // The library may have changed on disk (tesselctl) since the tab was last shown.
  if (macroEditor_ && Holds(tabs->GetItemAt(n), macroEditor_)) {
    macroEditor_->LoadLibrary();
    MacroNamesChanged();
  }
  if (shootEditor_ && Holds(tabs->GetItemAt(n), shootEditor_)) shootEditor_->Reload();
  auto* options = Find<CContainerUI>(QStringLiteral("mouse_option_layout"));
  if (!options) return;
  const QString wanted = Named("mouse_device_seting_option_", n);
  for (int i = 0; i < options->GetCount(); ++i)
    if (auto* option = dynamic_cast<COptionUI*>(options->GetItemAt(i)))
      option->Selected(option->GetName() == wanted, false);
}

int CBrelvikMouseDevice::GetTab() const {
  auto* tabs = Find<CTabLayoutUI>(QStringLiteral("mouse_device_seting_layout"));
  return tabs ? tabs->GetCurSel() : -1;
}

CDeviceKeyButtonUI* CBrelvikMouseDevice::GetZonePicture(int n) const {
  return n >= 0 && n < static_cast<int>(zonePictures_.size()) ? zonePictures_[static_cast<size_t>(n)] : nullptr;
}

void CBrelvikMouseDevice::SetSameModeAllowed(bool allowed) {
  if (lightEditor_) lightEditor_->SetSameModeAllowed(allowed);
}

void CBrelvikMouseDevice::BindKeyEditor() {
  keyEditor_ = Find<CKeySetControlUI>(QStringLiteral("KeySetControlItem"));
  if (!keyEditor_) return;
  CKeySetControlUI::Callbacks callbacks;
  // Every edit reaches the mouse: the stored code goes into the key table at once.
  callbacks.store = [this](const FunctionCode& code) {
    if (editedButton_ < 0) return;
    if (Mouse().StoreAssignment(editedButton_, code)) WriteKeyTableFor(editedButton_);
  };
  // Sending everything takes the editor's code first, so what the user sees is sent.
  callbacks.prosave = [this] {
    if (editedButton_ >= 0) Mouse().StoreAssignment(editedButton_, keyEditor_->BuildCode());
    WriteKeyTableFor(editedButton_);
    Mouse().saveProfileData();
    keyEditor_->Close();
  };
  callbacks.closed = [this] { ShowKeyEditor(false); };
  keyEditor_->SetCallbacks(std::move(callbacks));
  keyEditor_->SetMacroNames({});
  ShowKeyEditor(false);
}

void CBrelvikMouseDevice::BindMacroEditor() {
  macroEditor_ = Find<CMacroControlUI>(QStringLiteral("MacroControlItem"));
  if (!macroEditor_) return;
  macroEditor_->SetOwnerWindow(GetMainWindow());
  CMacroControlUI::Callbacks callbacks;
  callbacks.download = [this] { DownloadMacros(); };
  callbacks.namesChanged = [this] { MacroNamesChanged(); };
  callbacks.currentProfileChanged = [this] { MacroBindingsChanged(); };
  macroEditor_->SetCallbacks(std::move(callbacks));
  InitMacroEditor();
}

void CBrelvikMouseDevice::BindShootEditor() {
  shootEditor_ = Find<CShootControlUI>(QStringLiteral("ShootControlItem"));
  if (!shootEditor_) return;
  shootEditor_->SetOwnerWindow(GetMainWindow());
  shootEditor_->onDownload = [this] { DownloadRecoil(); };
  InitShootEditor();
}

void CBrelvikMouseDevice::InitShootEditor() {
  if (!shootEditor_ || dataFolder_.empty()) return;
  if (defaultFolder_.empty())
    if (auto folder = defaultDataFolder()) defaultFolder_ = *folder;
  shootEditor_->Init(dataFolder_, defaultFolder_);
}

void CBrelvikMouseDevice::DownloadRecoil() {
  if (dataFolder_.empty()) return;
  requestRecoilDownload(Mouse(), dataFolder_, [this](RecoilDownload outcome) {
    if (outcome.ok() || !messageSink_) return;
    QString text = QString::fromStdString(describe(outcome));
    if (!text.isEmpty()) text[0] = text[0].toUpper();
    messageSink_(text + QLatin1Char('.'));
  });
}

void CBrelvikMouseDevice::MacroNamesChanged() {
  const std::vector<std::string>& names = macroEditor_->Names();
  if (keyEditor_) keyEditor_->SetMacroNames(names);
  // Bindings past the library's end get their defaults back (saved when any did).
  Mouse().CheckMacroReferences(static_cast<int>(names.size()));
  ShowButtonList();  // a renamed macro shows under its new name
}

void CBrelvikMouseDevice::MacroBindingsChanged() {
  // A delete renumbered the current profile's bindings in its file: the page
  // takes the document again, shows it and writes it (macros with the key table).
  Profile().Rebind();
  if (editedButton_ >= 0) OpenKeyEditor(editedButton_);
}

void CBrelvikMouseDevice::ShowKeyEditor(bool show) {
  if (!show) editedButton_ = -1;
  if (keyEditor_) keyEditor_->SetVisible(show);
  if (auto* tip = Find<CControlUI>(QStringLiteral("device_tishi_info"))) tip->SetVisible(!show);
  for (int i = 0; i < GetKeyButtonCount(); ++i)
    if (CDeviceKeyButtonUI* key = GetKeyButton(i)) key->SetSelected(show && i == editedButton_);
  ShowButtonList();
}

void CBrelvikMouseDevice::OpenKeyEditor(int index) {
  if (!keyEditor_ || index < 0 || index >= static_cast<int>(mouse::kLogicalButtons)) return;
  const std::vector<KeyListEntry> buttons = Mouse().buttons();
  const FunctionCode fallback = mouse::kMouseButtons[static_cast<size_t>(index)].defaultCode;
  KeyListEntry entry{fallback, fallback};
  if (index < static_cast<int>(buttons.size())) entry = buttons[static_cast<size_t>(index)];
  editedButton_ = index;
  keyEditor_->LoadRecord(entry.assignment, entry.defaultAssignment);
  // The editor says which button it edits, by the name the picture and the list use.
  if (auto* title = Find<CControlUI>(QStringLiteral("keyset_title")))
    title->SetText(TextKey(mouse::kButtonNames[static_cast<size_t>(index)].textKey));
  ShowKeyEditor(true);
}

// ------------------------------------------------------------------ showing

void CBrelvikMouseDevice::RefreshView() { ShowState(); }

void CBrelvikMouseDevice::ShowState() {
  if (!Mouse().document()) return;
  showing_ = true;
  const auto views = Mouse().stageViews();
  const int maxIndex = Mouse().sliderMaximum();
  const int maxDpi = Mouse().dpiMaximum();
  for (int i = 0; i < kStages; ++i) {
    const MouseStageView& v = views[static_cast<size_t>(i)];
    if (auto* slider = Find<CSliderUI>(Named("DPI_slider_", i))) {
      slider->SetMinValue(0);
      if (maxIndex > 0) slider->SetMaxValue(maxIndex);
      slider->SetValue(v.index);
      slider->SetThumbImage(QLatin1String(v.selected ? kActiveThumb : kOtherThumb));
    }
    if (auto* edit = Find<CEditUI>(Named("DPI_edit_", i))) {
      edit->SetMinValue(0);
      if (maxDpi > 0) edit->SetMaxValue(maxDpi);
      edit->SetText(v.present ? QString::number(v.dpi) : QString());
    }
    if (auto* check = Find<CCheckBoxUI>(Named("DPI_enable_check_", i))) {
      check->SetCheck(v.enabled, false);
      check->SetEnabled(v.enableAvailable);
    }
    if (auto* select = Find<COptionUI>(Named("DPI_select_check_", i))) select->Selected(v.selected, false);
    if (auto* layout = Find<CControlUI>(Named("DPI_layout_", i))) {
      const bool on = v.enabled;
      layout->FindControl([on](CControlUI* c) {
        c->SetEnabled(on);
        return false;
      });
    }
    if (auto* swatch = Find<CControlUI>(Named("DPI_color_option_", i)))
      swatch->SetBkColor(v.present ? Opaque(v.colour) : 0xFF2A303Cu);
  }
  const MouseSystemStages sys = Mouse().systemStages();
  const int polling = sys.reportRate < mouse::kPollingOptions ? sys.reportRate : 0;
  for (int i = 0; i < mouse::kPollingOptions; ++i)
    if (auto* option = Find<COptionUI>(Named("polling_rate_option_", i))) option->Selected(i == polling, false);
  if (auto* s = Find<CSliderUI>(QStringLiteral("pointer_speed_slider"))) s->SetValue(sys.mouseSpeed);
  if (auto* s = Find<CSliderUI>(QStringLiteral("double_click_slider"))) s->SetValue(sys.doubleClickTime);
  if (auto* s = Find<CSliderUI>(QStringLiteral("scroll_speed_slider"))) s->SetValue(sys.wheelScrollLines);
  if (auto* c = Find<CCheckBoxUI>(QStringLiteral("pointer_precision_check"))) c->SetCheck(sys.pointerPrecision != 0, false);
  if (auto* c = Find<CCheckBoxUI>(QStringLiteral("scrolls_page_check"))) c->SetCheck((sys.scrollPage & 0xFF) != 0, false);
  ShowLightRecord();
  ShowButtonList();
  showing_ = false;
}

void CBrelvikMouseDevice::ShowButtonList() {
  if (!Mouse().document()) return;
  const std::vector<KeyListEntry> buttons = Mouse().buttons();
  const std::vector<std::string> noMacros;
  const std::vector<std::string>& macros = macroEditor_ ? macroEditor_->Names() : noMacros;
  for (int i = 0; i < static_cast<int>(mouse::kLogicalButtons); ++i) {
    auto* function = Find<CControlUI>(Named("mouse_button_function_", i));
    if (!function) continue;
    // A document that lists fewer buttons leaves the rest on their defaults.
    const FunctionCode code = i < static_cast<int>(buttons.size()) ? buttons[static_cast<size_t>(i)].assignment
                                                                  : mouse::kMouseButtons[static_cast<size_t>(i)].defaultCode;
    const QString text = FunctionDisplayText(code, macros);
    function->SetText(text);
    function->SetToolTip(text);  // the whole name where the row cuts it short
    if (auto* row = Find<CControlUI>(Named("mouse_button_row_", i)))
      row->SetBkColor(i == editedButton_ ? kEditedRowColour : 0);
  }
}

void CBrelvikMouseDevice::ReloadText() {
  CBrelvikUSBDevice::ReloadText();
  ShowButtonList();
}

void CBrelvikMouseDevice::ShowLightRecord() {
  CMouseProfiledata* doc = Mouse().document();
  if (!doc) return;
  if (lightEditor_) lightEditor_->ShowRecord(doc->getLightInfo());
  ShowLogoTooltip();
}

void CBrelvikMouseDevice::ShowLogoTooltip() {
  if (!logo_ || !Mouse().document()) return;
  std::vector<std::string> modeNames;
  for (const LightModeEntry& m : Mouse().lightModes()) modeNames.push_back(m.name);
  const LightRecord r = Mouse().document()->getLightInfo();
  auto* rm = CResourceManager::GetInstance();
  QString tip = rm->GetText(QStringLiteral("Logo")) + rm->GetText(QStringLiteral("Light_Set")) + QLatin1Char('\n') +
                rm->GetText(QStringLiteral("Overall_Light_Set"));
  // Sequence names are only read within their list.
  if (auto name = lightModeName(r.selectItem, modeNames, sequenceNames_)) {
    const QString n = QString::fromStdString(*name);
    tip += r.selectItem < kFirstUserSequenceItem ? rm->GetText(n) : n;
  }
  logo_->SetToolTip(tip);
}

void CBrelvikMouseDevice::ShowFrame(const std::vector<uint8_t>& frame) {
  CBrelvikUSBDevice::ShowFrame(frame);
  if (frame.empty()) return;
  for (size_t i = 0; i < zonePictures_.size(); ++i) {
    CDeviceKeyButtonUI* picture = zonePictures_[i];
    if (picture && picture->IsVisible()) picture->SetZoneColour(Controller().zoneColour(static_cast<int>(i)));
  }
  if (logo_ && mouseParameter_ >= 0 && mouseParameter_ < Controller().lightZoneCount())
    logo_->SetZoneColour(Controller().zoneColour(mouseParameter_));
}

// ------------------------------------------------------------------ notifications

void CBrelvikMouseDevice::OnNotify(TNotifyUI& msg) {
  if (showing_ || !msg.pSender) return;
  if (lightEditor_ && lightEditor_->HandleNotify(msg)) return;
  const QString name = msg.pSender->GetName();
  if (msg.sType == notify::kSelectChanged) {
    if (const int n = Indexed(name, "mouse_device_seting_option_", 16); n >= 0) {
      if (static_cast<COptionUI*>(msg.pSender)->IsSelected()) SelectTab(n);
      return;
    }
  }
  if (msg.sType == notify::kClick) {
    if (const int n = Indexed(name, "key_", GetKeyButtonCount()); n >= 0 && msg.pSender == GetKeyButton(n)) {
      OpenKeyEditor(n);
      return;
    }
    constexpr int kButtons = static_cast<int>(mouse::kLogicalButtons);
    int n = Indexed(name, "mouse_button_name_", kButtons);
    if (n < 0) n = Indexed(name, "mouse_button_function_", kButtons);
    if (n >= 0) {
      OpenKeyEditor(n);
      return;
    }
  }
  if (HandleStageNotify(msg, name)) return;
  if (HandlePointerNotify(msg, name)) return;
  HandleMirrorNotify(msg, name);
}

bool CBrelvikMouseDevice::HandleStageNotify(TNotifyUI& msg, const QString& name) {
  const QString& type = msg.sType;
  MouseController& m = Mouse();
  if (const int i = Indexed(name, "DPI_slider_", kStages); i >= 0) {
    const int value = static_cast<CSliderUI*>(msg.pSender)->GetValue();
    if (type == notify::kMoveValueChanged) {
      // While dragging only the box follows; the value is stored on release.
      if (auto* edit = Find<CEditUI>(Named("DPI_edit_", i)))
        edit->SetText(QString::number(mouse::IndexToDpi(m.identityFields(), value)));
      return true;
    }
    if (type != notify::kValueChanged) return false;
    m.setStageIndex(i, value);
    RefreshView();
    return true;
  }
  if (const int i = Indexed(name, "DPI_edit_", kStages); i >= 0) {
    if (type != notify::kKillFocus && type != notify::kReturn) return false;
    m.setStageDpiText(i, msg.pSender->GetText().toStdString());
    RefreshView();
    return true;
  }
  if (const int i = Indexed(name, "DPI_enable_check_", kStages); i >= 0) {
    if (type != notify::kSelectChanged) return false;
    m.setStageEnabled(i, static_cast<CCheckBoxUI*>(msg.pSender)->GetCheck());
    RefreshView();  // a refused change shows the stored state again
    return true;
  }
  if (const int i = Indexed(name, "DPI_select_check_", kStages); i >= 0) {
    // After the option's own toggle: a click on the active stage keeps it active.
    if (type != notify::kSelectChanged) return false;
    // Every stage's index is taken from its slider first.
    for (int s = 0; s < kStages; ++s) {
      const auto views = m.stageViews();
      auto* slider = Find<CSliderUI>(Named("DPI_slider_", s));
      if (slider && views[static_cast<size_t>(s)].present && views[static_cast<size_t>(s)].index != slider->GetValue())
        m.setStageIndex(s, slider->GetValue());
    }
    m.selectStage(i);
    RefreshView();
    return true;
  }
  if (const int i = Indexed(name, "DPI_color_option_", kStages); i >= 0) {
    if (type != notify::kClick) return false;
    ChooseStageColour(i);
    return true;
  }
  if (const int i = Indexed(name, "polling_rate_option_", mouse::kPollingOptions); i >= 0) {
    if (type != notify::kSelectChanged || !static_cast<COptionUI*>(msg.pSender)->IsSelected()) return false;
    m.setPollingRate(i);
    RefreshView();
    return true;
  }
  return false;
}

void CBrelvikMouseDevice::ChooseStageColour(int stage) {
  if (!chooser_) return;
  const auto views = Mouse().stageViews();
  const auto chosen = chooser_(Opaque(views[static_cast<size_t>(stage)].colour), false, false);
  if (!chosen) return;
  Mouse().setStageColour(stage, chosen->colour & 0xFFFFFFu);
  RefreshView();
}

bool CBrelvikMouseDevice::HandlePointerNotify(TNotifyUI& msg, const QString& name) {
  MouseController& m = Mouse();
  if (msg.sType == notify::kValueChanged) {
    const int value = static_cast<CSliderUI*>(msg.pSender)->GetValue();
    if (name == QLatin1String("pointer_speed_slider")) m.setPointerSpeed(value);
    else if (name == QLatin1String("double_click_slider")) m.setDoubleClickTime(value);
    else if (name == QLatin1String("scroll_speed_slider")) m.setWheelSpeed(value);
    else return false;
    RefreshView();
    return true;
  }
  if (msg.sType == notify::kSelectChanged) {
    const bool on = static_cast<COptionUI*>(msg.pSender)->IsSelected();
    if (name == QLatin1String("pointer_precision_check")) m.setPointerPrecision(on);
    else if (name == QLatin1String("scrolls_page_check")) m.setScrollByPage(on);
    else return false;
    RefreshView();
    return true;
  }
  return false;
}

bool CBrelvikMouseDevice::HandleMirrorNotify(TNotifyUI& msg, const QString& name) {
  if (const int i = Indexed(name, "zelto_DPI_slider_", kStages); i >= 0) {
    if (msg.sType != notify::kValueChanged && msg.sType != notify::kMoveValueChanged) return false;
    if (auto* edit = Find<CControlUI>(Named("zelto_DPI_edit_", i)))
      edit->SetText(QString::number(static_cast<CSliderUI*>(msg.pSender)->GetValue()));
    return true;
  }
  if (const int i = Indexed(name, "zelto_DPI_edit_", kStages); i >= 0) {
    if (msg.sType != notify::kKillFocus && msg.sType != notify::kReturn) return false;
    const int64_t typed = mouse::parseTypedNumber(msg.pSender->GetText().toStdString());
    const int value = static_cast<int>(std::clamp<int64_t>(typed, kMirrorLowest, kMirrorHighest));
    msg.pSender->SetText(QString::number(value));
    if (auto* slider = Find<CSliderUI>(Named("zelto_DPI_slider_", i))) slider->SetValue(value);
    return true;
  }
  return false;
}

}  // namespace tessel::ui
