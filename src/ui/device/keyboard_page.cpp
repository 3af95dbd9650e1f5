#include "ui/device/keyboard_page.h"

#include <QFontMetrics>
#include <QTextEdit>
#include <algorithm>

#include "config/audio_light_edits.h"
#include "config/keyboard_profiledata.h"
#include "config/light_mode_list.h"
#include "macros/macro_library.h"
#include "platform/data_folders.h"
#include "platform/debug.h"
#include "ui/color_select_wnd.h"
#include "ui/device/device_profile.h"
#include "ui/device/device_profile_page.h"
#include "ui/device/key_set_control.h"
#include "ui/device/macro_control.h"
#include "ui/device/select_panel.h"
#include "ui/device/write_status.h"
#include "ui/msg_wnd.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {

namespace {

constexpr int kKeyboardTypeCode = 1;
constexpr int kLightLevelMax = 4;
constexpr int kMacroTab = 3;   // "macro_Op_tab": the macro library
constexpr int kSystemTab = 4;  // "system_Op_tab": the keyboard's options
constexpr int kZzccChoices = 4;
// The modes whose direction is not left / right: the row wave runs up or
// down, the ring wave in or out.
constexpr uint8_t kRowWaveMode = 12;
constexpr uint8_t kRingWaveMode = 18;
constexpr uint8_t kFixedColourMode = 17;

// A changed key is drawn in amber: its text and a thin frame.
constexpr DWORD kChangedColour = 0xFFFFB020u;
constexpr DWORD kKeyTextColour = 0xFFE6E8EEu;

// The function tabs of the profile selector the keyboard answers to, with
// their tab codes and the page each shows.
struct TabRow {
  const char* option;
  int code;
  int page;
};
constexpr TabRow kTabs[] = {{"deng_Op_tab", keyboard::kLightingTab, CBrelvikKeyboardDevice::kLightingPage},
                            {"key_Op_tab", keyboard::kKeyTab, CBrelvikKeyboardDevice::kKeysPage},
                            {"macro_Op_tab", kMacroTab, CBrelvikKeyboardDevice::kMacrosPage},
                            {"system_Op_tab", kSystemTab, CBrelvikKeyboardDevice::kOptionsPage}};

// N of "<prefix>N" (N decimal, nothing after it) when below `limit`, else -1.
int Indexed(const QString& name, const char* prefix, int limit) {
  const QLatin1String p(prefix);
  if (!name.startsWith(p) || name.size() == p.size() || name.size() > p.size() + 3) return -1;
  int n = 0;
  for (QChar c : name.mid(p.size())) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c.unicode() - '0');
  }
  return n < limit ? n : -1;
}

QString Named(const char* prefix, int n) { return QLatin1String(prefix) + QString::number(n); }

QString Tr(const QString& key) { return CResourceManager::GetInstance()->GetText(key); }

// A key of the picture whose name does not fit at its own font tries this
// smaller one (a page font of its own, added to the window's fonts).
constexpr int kSmallKeyFont = 1010;
constexpr int kSmallKeyFontSize = 8;

// Whether `text` fits the key (at the window's scale) as the key draws it:
// centred, wrapped at words.
bool FitsKey(const CDeviceKeyButtonUI& key, const QFont& font, const QString& text) {
  const QRect inside(0, 0, key.Scale(key.GetFixedWidth()), key.Scale(key.GetFixedHeight()));
  if (text.isEmpty() || inside.isEmpty()) return true;
  const QRect needed = QFontMetrics(font).boundingRect(inside, Qt::AlignCenter | Qt::TextWordWrap, text);
  return needed.width() <= inside.width() && needed.height() <= inside.height();
}

struct KeyCaption {
  QString text;
  int font;
};

// What a key of the picture shows: its full name at the key's own font or
// the small one, else each part's short form (the language's "short_" + its
// key, where there is one) at either; else the short form cut with an
// ellipsis. The tooltip keeps the full name.
KeyCaption CaptionFor(const CDeviceKeyButtonUI& key, int ownFont, const std::vector<NamePart>& parts,
                      const QString& full) {
  auto* rm = CResourceManager::GetInstance();
  const QString shortName = QString::fromStdString(joinFunctionName(parts, [rm](std::string_view k) {
    const QString name = QString::fromUtf8(k.data(), static_cast<int>(k.size()));
    const QString shortKey = QStringLiteral("short_") + name;
    return (rm->HasText(shortKey) ? rm->GetText(shortKey) : rm->GetText(name)).toStdString();
  }));
  CPaintManagerUI* pm = key.GetManager();
  if (!pm) return {full, ownFont};
  for (const QString& text : {full, shortName})
    for (int font : {ownFont, kSmallKeyFont})
      if (FitsKey(key, pm->GetFont(font), text)) return {text, font};
  const int width = std::max(1, key.Scale(key.GetFixedWidth()));
  return {QFontMetrics(pm->GetFont(kSmallKeyFont)).elidedText(shortName, Qt::ElideRight, width), kSmallKeyFont};
}

}  // namespace

CBrelvikKeyboardDevice::CBrelvikKeyboardDevice(hid::HidBackend& backend, Clock& clock)
    : CBrelvikUSBDevice(std::make_unique<KeyboardController>(backend, clock)), clock_(clock) {
  KeyboardController::Listener listener;
  listener.stateChanged = [this] { ShowState(); };
  listener.writeFailed = [this](KeyboardController::Write what, ResultCode) { WriteFailed(what); };
  listener.profileReported = [this](int) { ShowState(); };
  listener.macrosTooLarge = [this](int exceedUnits) { MacrosTooLarge(exceedUnits); };
  listener.profileListChanged = [this] { ReloadProfileList(); };
  Keyboard().setListener(std::move(listener));
  chooser_ = PaletteChooser();
  messageSink_ = MessageBoxSink();
}

CBrelvikKeyboardDevice::~CBrelvikKeyboardDevice() {
  // Completions that arrive while the page goes must not reach it.
  Keyboard().setListener({});
}

template <typename T>
T* CBrelvikKeyboardDevice::Find(const QString& name) const {
  auto* self = const_cast<CBrelvikKeyboardDevice*>(this);
  return dynamic_cast<T*>(self->FindControl([&name](CControlUI* c) { return c->GetName() == name; }));
}

CDeviceKeyButtonUI* CBrelvikKeyboardDevice::KeyButton(int position) const {
  return position >= 0 && position < static_cast<int>(keyboard::kPositions) ? keys_[static_cast<size_t>(position)]
                                                                           : nullptr;
}

CDeviceKeyButtonUI* CBrelvikKeyboardDevice::LightCell(int position) const {
  return position >= 0 && position < static_cast<int>(keyboard::kPositions) ? lights_[static_cast<size_t>(position)]
                                                                           : nullptr;
}

void CBrelvikKeyboardDevice::SetColourChooser(CLightControlUI::ColourChooser chooser) {
  chooser_ = std::move(chooser);
  if (lightEditor_) lightEditor_->SetColourChooser(chooser_);
}

// ------------------------------------------------------------------ failures

void CBrelvikKeyboardDevice::WriteFailed(KeyboardController::Write what) {
  // While the keyboard is away every write fails; the page keeps working on
  // the document then, and says nothing.
  if (!Keyboard().isConnected() || !messageSink_) return;
  messageSink_(what == KeyboardController::Write::MacroMemory ? QStringLiteral("keyboard_macros_failed")
                                                              : QStringLiteral("keyboard_write_failed"));
}

void CBrelvikKeyboardDevice::MacrosTooLarge(int exceedUnits) {
  // Neither the macros nor the key table went out: the key whose edit asked
  // for too much gets its default back, so the document does not claim a
  // binding the keyboard does not have.
  if (messageSink_) {
    QString text = Tr(QStringLiteral("message_text_16"));
    text.replace(QLatin1String("%d"), QString::number(exceedUnits));
    messageSink_(text);
  }
  if (editedPosition_ < 0) return;
  const std::vector<KeyListEntry> keys = Keyboard().keys();
  const KeyListEntry& entry = keys[static_cast<size_t>(editedPosition_)];
  Keyboard().StoreAssignment(editedPosition_, entry.defaultAssignment);
  Keyboard().saveProfileData();
  if (keyEditor_) keyEditor_->LoadRecord(entry.defaultAssignment, entry.defaultAssignment);
  ShowKeyList();
}

// ------------------------------------------------------------------ binding

void CBrelvikKeyboardDevice::BindDocument(CBasicProfiledata& document, const std::filesystem::path& dataFolder) {
  auto* keyboardDocument = dynamic_cast<CKeyboardProfiledata*>(&document);
  if (!keyboardDocument) return;
  document.setKindIndex(kKindIndexKeyboard);
  document.setSequenceFolder(dataFolder);
  document.setLightLibraryPath(dataFolder / (GetLightName().toStdString() + ".config"));
  dataFolder_ = dataFolder;
  Keyboard().bindDocument(keyboardDocument);
  // The macro library sits in the same folder: key table writes download
  // its bound macros first.
  Keyboard().setMacroFolder(dataFolder);
  LoadOptionLists();
}

void CBrelvikKeyboardDevice::LoadOptionLists() {
  // The keyboard's modes and codes come with the factory data.
  LightModeList list;
  if (auto folder = defaultDataFolder()) list.load(*folder / std::string(kLightModeListFile));
  if (!list.modes(kKindIndexKeyboard).empty()) Keyboard().setLightModes(list.modes(kKindIndexKeyboard));
  sequenceNames_.clear();
  if (CKeyboardProfiledata* doc = Keyboard().document())
    for (const LightSequenceEntry& e : doc->lightLibrary().sequences(kKindIndexKeyboard))
      sequenceNames_.push_back(e.name);
  if (lightEditor_) lightEditor_->FillModeList(Keyboard().lightModes(), sequenceNames_, kLightLevelMax, kLightLevelMax);
  InitMacroEditor();
  // The macro names the key list and the assignment editor show.
  if (dataFolder_.empty()) return;
  if (macroEditor_) {
    MacroNamesChanged(macroEditor_->Names());
  } else {
    macros::MacroLibrary library(dataFolder_, clock_);
    library.load();
    MacroNamesChanged(library.names());
  }
}

void CBrelvikKeyboardDevice::MacroNamesChanged(const std::vector<std::string>& names) {
  Keyboard().setMacroNames(names);
  Keyboard().setMacroCount(static_cast<int>(names.size()));
  if (keyEditor_) keyEditor_->SetMacroNames(names);
  // Bindings past the library's end get their defaults back (saved when any
  // did), but not while the library's index cannot be read: its macros are
  // still there to be recovered, and so must the keys bound to them be.
  bool damaged = false;
  if (!dataFolder_.empty()) {
    macros::MacroLibrary library(dataFolder_, clock_);
    library.load();
    damaged = library.damaged();
  }
  if (!damaged) Keyboard().CheckMacroReferences(static_cast<int>(names.size()));
  ShowKeyList();
}

// The main window binds the document before the page's controls; a test
// window the other way round. Whichever comes second loads the library.
void CBrelvikKeyboardDevice::InitMacroEditor() {
  if (!macroEditor_ || dataFolder_.empty()) return;
  macroEditor_->Init(dataFolder_, clock_);
}

void CBrelvikKeyboardDevice::BindMacroEditor() {
  macroEditor_ = Find<CMacroControlUI>(QStringLiteral("MacroControlItem"));
  if (!macroEditor_) return;
  macroEditor_->SetOwnerWindow(GetMainWindow());
  CMacroControlUI::Callbacks callbacks;
  // A changed macro the keys are bound to goes to the keyboard with the key table.
  callbacks.download = [this] {
    Keyboard().WriteKeyTable([this](ResultCode r, std::vector<int>) {
      if (macroEditor_) macroEditor_->ShowWriteResult(WriteOutcomeOf(r, Keyboard().isConnected()));
    });
  };
  callbacks.namesChanged = [this] { MacroNamesChanged(macroEditor_->Names()); };
  // A delete renumbered the current profile's bindings in its file: the page
  // takes the document again, shows it and writes it.
  callbacks.currentProfileChanged = [this] { Profile().Rebind(); };
  macroEditor_->SetCallbacks(std::move(callbacks));
  InitMacroEditor();
  if (!dataFolder_.empty()) MacroNamesChanged(macroEditor_->Names());
}

void CBrelvikKeyboardDevice::ReloadProfileList() {
  // The keyboard changed its profiles itself: the selector reads the list
  // again and the document follows its current profile.
  if (CDeviceProfileUI* selector = Profile().Selector()) {
    selector->Initialise();
    Profile().BindCurrent();
  }
}

// ------------------------------------------------------------------ build page

void CBrelvikKeyboardDevice::InitPage() {
  CBrelvikUSBDevice::InitPage();
  if (GetPageXmlName().isEmpty()) {
    keys_.fill(nullptr);
    lights_.fill(nullptr);
    return;
  }
  BuildPicture();
  BindControls();
  SelectFunctionTab(keyboard::kLightingTab);
  RefreshView();
  // Nobody looks at the picture before the page shows it (ShowFrame).
  Keyboard().setPictureWanted(PageShown());
}

void CBrelvikKeyboardDevice::BuildPicture() {
  keys_.fill(nullptr);
  lights_.fill(nullptr);
  skinHidden_.fill(false);
  lightSkinHidden_.fill(false);
  auto* panel = Find<CContainerUI>(QStringLiteral("keyboard_device_key_light"));
  if (!panel) return;
  for (int i = 0; i < panel->GetCount(); ++i) {
    auto* button = dynamic_cast<CDeviceKeyButtonUI*>(panel->GetItemAt(i));
    if (!button || button->GetClass() != QLatin1String("DeviceKeyButton")) continue;
    const auto cell = keyboard::parseCellName(button->GetName().toStdString());
    if (!cell) continue;
    if (cell->kind == keyboard::CellName::Kind::Key) {
      keys_[cell->position] = button;
      keyFonts_[cell->position] = button->GetFont();
      skinHidden_[cell->position] = !button->GetOwnVisible();
    } else {
      lights_[cell->position] = button;
      lightSkinHidden_[cell->position] = !button->GetOwnVisible();
    }
    // White at full alpha until the first frame.
    button->SetZoneColour(0xFFFFFFFFu);
  }
  // The key buttons draw their names over the light; only the cells show colour.
  for (CDeviceKeyButtonUI* key : keys_)
    if (key) key->ClearZoneColour();
  // The smaller font for names that do not fit, in the picture's own family.
  if (CPaintManagerUI* pm = GetManager(); pm && !pm->HasFont(kSmallKeyFont) && keys_[0])
    pm->AddFont(kSmallKeyFont, pm->GetFont(keyFonts_[0]).families().join(QLatin1Char(',')), kSmallKeyFontSize);
}

void CBrelvikKeyboardDevice::SetSameModeAllowed(bool allowed) {
  if (lightEditor_) lightEditor_->SetSameModeAllowed(allowed);
}

void CBrelvikKeyboardDevice::BindControls() {
  lightEditor_ = Find<CLightControlUI>(QStringLiteral("LightControlItem"));
  if (lightEditor_) {
    lightEditor_->SetDeviceType(kKeyboardTypeCode);
    lightEditor_->SetOwnerWindow(GetMainWindow());
    lightEditor_->SetColourChooser(chooser_);
    lightEditor_->onChange = [this](const LightRecord& record) {
      Keyboard().changeLightRecord(record);
      ShowLight();
    };
    lightEditor_->onSameMode = [this] {
      if (onSameMode) onSameMode(*this);
    };
    // Stored and saved; the light thread plays it, nothing goes to the keyboard.
    lightEditor_->onAudioChange = [this](const AudioLightRecord& record) {
      Keyboard().changeAudioLight(record);
      ShowLight();
      PaintFrame();
    };
    lightEditor_->FillModeList(Keyboard().lightModes(), sequenceNames_, kLightLevelMax, kLightLevelMax);
  }
  if (auto* zzcc = Find<CComboUI>(QStringLiteral("light_combo_ZZCCmodeSelect"))) {
    zzcc->RemoveAllItems();
    for (int i = 0; i < kZzccChoices; ++i) zzcc->AddItem(Tr(Named("kb_zzcc_", i)));
  }
  BindKeyEditor();
  BindMacroEditor();
  if (auto* edit = Find<CRichEditUI>(QStringLiteral("repeat_input_richedit")))
    if (QTextEdit* box = edit->GetTextEdit()) box->setPlaceholderText(Tr(QStringLiteral("Repeat_input_text")));
}

void CBrelvikKeyboardDevice::BindKeyEditor() {
  keyEditor_ = Find<CKeySetControlUI>(QStringLiteral("KeySetControlItem"));
  if (!keyEditor_) return;
  CKeySetControlUI::Callbacks callbacks;
  // Every stored edit reaches the keyboard at once: the bound macros, then
  // the key table, then the document.
  callbacks.store = [this](const FunctionCode& code) {
    if (editedPosition_ < 0) return;
    if (Keyboard().StoreAssignment(editedPosition_, code)) WriteKeys();
  };
  callbacks.prosave = [this] {
    if (editedPosition_ >= 0) Keyboard().StoreAssignment(editedPosition_, keyEditor_->BuildCode());
    WriteKeys();
  };
  callbacks.closed = [this] { OpenKeyEditor(-1); };
  keyEditor_->SetCallbacks(std::move(callbacks));
  keyEditor_->SetMacroNames(Keyboard().macroNames());
  keyEditor_->SetEnabled(false);
}

void CBrelvikKeyboardDevice::WriteKeys() {
  Keyboard().saveProfileData();
  // The line under the editors says how the key table write went.
  Keyboard().WriteKeyTable([this](ResultCode r, std::vector<int>) {
    ShowWriteStatus(Find<CControlUI>(QStringLiteral("keyboard_write_status")),
                    WriteOutcomeOf(r, Keyboard().isConnected()));
  });
  ShowKeyList();
}

// ------------------------------------------------------------------ tabs and keys

void CBrelvikKeyboardDevice::SelectFunctionTab(int tabCode) {
  const TabRow* row = &kTabs[0];
  for (const TabRow& t : kTabs)
    if (t.code == tabCode) row = &t;
  tab_ = row->code;
  SetFunctionMode(tab_);
  Keyboard().selectFunctionTab(tab_);
  for (const char* name : {"keyboard_function_layout", "keyboard_picture_tools"})
    if (auto* tabs = Find<CTabLayoutUI>(QLatin1String(name))) tabs->SelectItem(row->page);
  for (const TabRow& t : kTabs)
    if (auto* option = Find<COptionUI>(QLatin1String(t.option))) option->Selected(&t == row, false);
  // The Fn key can be painted but not reassigned; keys the picture has no
  // key for stay hidden on every tab. A key hidden on this tab takes its light
  // cell along: a lit cell alone would look like a chosen key.
  for (size_t j = 0; j < keyboard::kPositions; ++j) {
    const bool hiddenHere = !Keyboard().keyVisible(static_cast<int>(j));
    const bool shown = !skinHidden_[j] && !hiddenHere;
    if (keys_[j] && keys_[j]->GetOwnVisible() != shown) keys_[j]->SetVisible(shown);
    const bool lit = !lightSkinHidden_[j] && (skinHidden_[j] || !hiddenHere);
    if (lights_[j] && lights_[j]->GetOwnVisible() != lit) lights_[j]->SetVisible(lit);
  }
  if (tab_ != keyboard::kKeyTab) OpenKeyEditor(-1);
  // The library may have changed on disk (tesselctl) since the tab was last shown.
  if (tab_ == kMacroTab && macroEditor_) {
    macroEditor_->LoadLibrary();
    MacroNamesChanged(macroEditor_->Names());
  }
}

void CBrelvikKeyboardDevice::ClickKey(int position) {
  if (!KeyButton(position) || !Keyboard().keyVisible(position)) return;
  if (tab_ == keyboard::kKeyTab) {
    OpenKeyEditor(position);
  } else if (tab_ == keyboard::kLightingTab) {
    // Only the custom mode keeps per-key colours; elsewhere a click does nothing.
    if (Keyboard().PaintKey(position)) PaintFrame();
  }
}

void CBrelvikKeyboardDevice::OpenKeyEditor(int position) {
  if (position >= 0 && Keyboard().selectKey(position)) {
    editedPosition_ = position;
  } else {
    editedPosition_ = -1;
  }
  for (size_t j = 0; j < keyboard::kPositions; ++j)
    if (keys_[j]) keys_[j]->SetSelected(static_cast<int>(j) == editedPosition_);
  if (!keyEditor_) return;
  if (editedPosition_ < 0) {
    keyEditor_->SetSubject(QString());
    keyEditor_->SetEnabled(false);
    return;
  }
  const auto entry = Keyboard().selectedAssignment();
  const FunctionCode fallback = keyboard::kPositionDefaults[static_cast<size_t>(editedPosition_)];
  // The key is named as it is labelled, whatever it does now.
  keyEditor_->SetSubject(FunctionDisplayText(fallback));
  keyEditor_->LoadRecord(entry ? entry->assignment : fallback, entry ? entry->defaultAssignment : fallback);
  keyEditor_->SetEnabled(true);
}

// ------------------------------------------------------------------ showing

void CBrelvikKeyboardDevice::RefreshView() { ShowState(); }

void CBrelvikKeyboardDevice::ShowState() {
  if (!Keyboard().document()) return;
  showing_ = true;
  ShowKeyList();
  ShowLight();
  ShowOptions();
  showing_ = false;
  // A profile switch or a re-read may have changed the edited key.
  if (editedPosition_ >= 0) OpenKeyEditor(editedPosition_);
}

void CBrelvikKeyboardDevice::ShowKeyList() {
  const auto views = Keyboard().keyViews();
  const QString tipKey = Tr(QString::fromLatin1(keyboard::kKeySetTooltipKey.data(),
                                                static_cast<int>(keyboard::kKeySetTooltipKey.size())));
  for (size_t j = 0; j < keyboard::kPositions; ++j) {
    CDeviceKeyButtonUI* key = keys_[j];
    if (!key) continue;
    const QString name = QString::fromStdString(joinFunctionName(views[j].name, [](std::string_view k) {
      return Tr(QString::fromUtf8(k.data(), static_cast<int>(k.size()))).toStdString();
    }));
    const KeyCaption caption = CaptionFor(*key, keyFonts_[j], views[j].name, name);
    if (key->GetFont() != caption.font) key->SetFont(caption.font);
    key->SetText(caption.text);
    key->SetToolTip(tipKey + name);
    key->SetTextColor(views[j].highlighted ? kChangedColour : kKeyTextColour);
    key->SetBorderColor(kChangedColour);
    key->SetBorderSize(views[j].highlighted ? 1 : 0);
  }
}

void CBrelvikKeyboardDevice::ShowLight() {
  CKeyboardProfiledata* doc = Keyboard().document();
  if (!doc) return;
  const bool wasShowing = showing_;
  showing_ = true;
  const LightRecord r = doc->getLightInfo();
  if (lightEditor_) lightEditor_->ShowRecord(r);
  if (auto* zzcc = Find<CComboUI>(QStringLiteral("light_combo_ZZCCmodeSelect"))) {
    zzcc->SelectItem(r.zzccLedMode < kZzccChoices ? r.zzccLedMode : 0, false);
    zzcc->SetEnabled(r.selectItem == kFixedColourMode);
  }
  if (auto* groups = Find<CComboUI>(QStringLiteral("light_combo_custommodeSelect"))) {
    const int count = std::max<int>(1, static_cast<int>(doc->customGroupCount()));
    if (groups->GetItemCount() != count) {
      groups->RemoveAllItems();
      for (int i = 0; i < count; ++i) {
        QString text = Tr(QStringLiteral("kb_custom_group_item"));
        groups->AddItem(text.replace(QLatin1String("%d"), QString::number(i + 1)));
      }
    }
    groups->SelectItem(std::min<int>(r.customGroup, count - 1), false);
  }
  // The direction checks say where the mode's colours travel.
  const char* forward = "light_direction_left";
  const char* backward = "light_direction_right";
  if (r.selectItem == kRowWaveMode) {
    forward = "kb_direction_up";
    backward = "kb_direction_down";
  } else if (r.selectItem == kRingWaveMode) {
    forward = "kb_direction_in";
    backward = "kb_direction_out";
  }
  if (auto* left = Find<COptionUI>(QStringLiteral("deng_FXL_check"))) left->SetText(Tr(QLatin1String(forward)));
  if (auto* right = Find<COptionUI>(QStringLiteral("deng_FXR_check"))) right->SetText(Tr(QLatin1String(backward)));
  const bool custom = r.selectItem == keyboard::kCustomMode;
  for (const char* name : {"custom_bright_color_btn", "custom_off_color_btn"})
    if (auto* button = Find<CControlUI>(QLatin1String(name))) button->SetEnabled(custom);
  if (lightEditor_) lightEditor_->ShowAudioRecord(Keyboard().audioLight());
  showing_ = wasShowing;
  const bool plays = r.selectItem == kAudioLightMode;
  if (plays != playsAudio_) {
    playsAudio_ = plays;
    if (audioModeListener_) audioModeListener_();
  }
}

void CBrelvikKeyboardDevice::ShowOptions() {
  const KeyboardSystemStages s = Keyboard().systemStages();
  if (auto* c = Find<CCheckBoxUI>(QStringLiteral("6flag_option"))) c->SetCheck(s.key6Flag != 0, false);
  if (auto* c = Find<CCheckBoxUI>(QStringLiteral("wflag_option"))) c->SetCheck(s.wFlag != 0, false);
  if (auto* c = Find<CCheckBoxUI>(QStringLiteral("winlockflag_option"))) c->SetCheck(s.winFlag != 0, false);
  const int polling = keyboard::choiceIndex(s.pollingRate, keyboard::kPollingChoices);
  for (int i = 0; i < keyboard::kPollingChoices; ++i)
    if (auto* o = Find<COptionUI>(Named("polling_rate_option_", i))) o->Selected(i == polling, false);
  if (auto* slider = Find<CSliderUI>(QStringLiteral("repeat_rate_slider"))) slider->SetValue(s.repeat);
  const int delay = keyboard::choiceIndex(s.repeatDelay, keyboard::kRepeatDelayChoices);
  for (int i = 0; i < keyboard::kRepeatDelayChoices; ++i)
    if (auto* o = Find<COptionUI>(Named("repeat_delay_check_", i))) o->Selected(i == delay, false);
  if (auto* label = Find<CControlUI>(QStringLiteral("repeat_delay_time_label1")))
    label->SetText(Tr(QStringLiteral("Repeat_Delay_Time")) + QString::number(keyboard::repeatDelayMs(delay)) +
                   QStringLiteral("ms"));
  ShowRepeatTip();
}

void CBrelvikKeyboardDevice::ShowRepeatTip() {
  auto* edit = Find<CRichEditUI>(QStringLiteral("repeat_input_richedit"));
  if (!edit) return;
  edit->SetToolTip(edit->GetPlainText().isEmpty() ? Tr(QStringLiteral("Repeat_input_text")) : QString());
}

void CBrelvikKeyboardDevice::ShowFrame(const std::vector<uint8_t>&) {
  // Light control off: the picture keeps what it shows.
  if (!Controller().lightControlOn() || !PageShown()) return;
  Keyboard().setPictureWanted(true);
  PaintFrame();
  if (CPaintManagerUI* pm = GetManager(); pm && !pm->HasTimer(this, kPictureTimer))
    pm->SetTimer(this, kPictureTimer, kPicturePaceMs);
}

bool CBrelvikKeyboardDevice::PictureTimerRunning() const {
  CPaintManagerUI* pm = GetManager();
  return pm && pm->HasTimer(const_cast<CBrelvikKeyboardDevice*>(this), kPictureTimer);
}

void CBrelvikKeyboardDevice::DoEvent(TEventUI& event) {
  if (event.Type != UIEvent::Timer || event.wParam != kPictureTimer) {
    CBrelvikUSBDevice::DoEvent(event);
    return;
  }
  // A hidden page or window costs nothing: the timer stops, the keyboard's
  // light thread rests unless the keyboard's frame needs it, and the tile's
  // next tick after the page is shown again starts both.
  if (!PageShown() || !Controller().lightControlOn() || !Controller().windowActive()) {
    if (CPaintManagerUI* pm = GetManager()) pm->KillTimer(this, kPictureTimer);
    Keyboard().setPictureWanted(false);
    return;
  }
  PaintFrame();
}

bool CBrelvikKeyboardDevice::PageShown() const {
  for (const CControlUI* c = this; c; c = c->GetParent())
    if (!c->IsVisible()) return false;
  // A window hidden to the tray (or started hidden) or minimised paints
  // nothing: the page's own flags stay set there.
  const CPaintManagerUI* pm = GetManager();
  const QWidget* window = pm ? pm->GetPaintWindow() : nullptr;
  return window && window->isVisible() && !window->isMinimized();
}

void CBrelvikKeyboardDevice::PaintFrame() {
  if (!PageShown()) return;
  const KeyboardController::Picture picture = Keyboard().picture();
  for (size_t j = 0; j < keyboard::kPositions; ++j)
    if (CDeviceKeyButtonUI* cell = lights_[j]; cell && cell->IsVisible()) cell->SetZoneColour(picture[j]);
}

void CBrelvikKeyboardDevice::FillCustomGroup(bool on) {
  CKeyboardProfiledata* doc = Keyboard().document();
  if (!doc) return;
  const LightRecord r = doc->getLightInfo();
  const uint8_t red = on ? r.red : 0, green = on ? r.green : 0, blue = on ? r.blue : 0;
  // Every position of the group at once; the last one goes through the
  // controller, which saves the group, feeds the light thread and writes the
  // colour memory once.
  std::vector<CustomColor> colours(keyboard::kPositions,
                                   CustomColor{red, green, blue, keyboard::brightnessAlpha(r.light)});
  doc->setCustomGroupColors(doc->getCustomGroupIndex(), colours);
  Keyboard().setCustomColour(static_cast<int>(keyboard::kPositions) - 1, red, green, blue);
  PaintFrame();
}

// ------------------------------------------------------------------ notifications

void CBrelvikKeyboardDevice::OnNotify(TNotifyUI& msg) {
  if (!msg.pSender) return;
  if (msg.pSender->GetName() == QLatin1String("keyboard_write_status") && HandleWriteStatusTimer(msg)) return;
  if (showing_) return;
  const QString name = msg.pSender->GetName();
  if (lightEditor_ && lightEditor_->HandleNotify(msg)) return;
  if (msg.sType == notify::kSelectChanged) {
    for (const TabRow& t : kTabs) {
      if (name != QLatin1String(t.option)) continue;
      if (static_cast<COptionUI*>(msg.pSender)->IsSelected()) SelectFunctionTab(t.code);
      return;
    }
  }
  if (msg.sType == notify::kClick) {
    if (const int n = Indexed(name, "key_", static_cast<int>(keyboard::kPositions));
        n >= 0 && msg.pSender == KeyButton(n)) {
      ClickKey(n);
      return;
    }
  }
  if (HandleLightNotify(msg, name)) return;
  HandleOptionNotify(msg, name);
}

bool CBrelvikKeyboardDevice::HandleLightNotify(TNotifyUI& msg, const QString& name) {
  CKeyboardProfiledata* doc = Keyboard().document();
  if (!doc) return false;
  if (msg.sType == notify::kItemSelect) {
    const int index = static_cast<CComboUI*>(msg.pSender)->GetCurSel();
    if (index < 0) return false;
    LightRecord r = doc->getLightInfo();
    if (name == QLatin1String("light_combo_ZZCCmodeSelect")) r.zzccLedMode = static_cast<uint8_t>(index);
    else if (name == QLatin1String("light_combo_custommodeSelect")) {
      r.customGroup = static_cast<uint8_t>(index);
      doc->setCustomGroupIndex(static_cast<unsigned>(index));
    } else
      return false;
    Keyboard().changeLightRecord(r);
    ShowLight();
    PaintFrame();
    return true;
  }
  if (msg.sType == notify::kClick) {
    if (name == QLatin1String("custom_bright_color_btn")) FillCustomGroup(true);
    else if (name == QLatin1String("custom_off_color_btn")) FillCustomGroup(false);
    else return false;
    return true;
  }
  return false;
}

bool CBrelvikKeyboardDevice::HandleOptionNotify(TNotifyUI& msg, const QString& name) {
  KeyboardController& k = Keyboard();
  if (msg.sType == notify::kSelectChanged) {
    const bool on = static_cast<COptionUI*>(msg.pSender)->IsSelected();
    if (name == QLatin1String("6flag_option")) k.setRollover(on);
    else if (name == QLatin1String("wflag_option")) k.setWKey(on);
    else if (name == QLatin1String("winlockflag_option")) k.setWindowsLock(on);
    else if (const int i = Indexed(name, "polling_rate_option_", keyboard::kPollingChoices); i >= 0 && on)
      k.setPollingRate(i);
    else if (const int d = Indexed(name, "repeat_delay_check_", keyboard::kRepeatDelayChoices); d >= 0 && on)
      k.setRepeatDelay(d);
    else
      return false;
    showing_ = true;
    ShowOptions();  // a refused change shows the stored state again
    showing_ = false;
    return true;
  }
  if (msg.sType == notify::kValueChanged && name == QLatin1String("repeat_rate_slider")) {
    k.setRepeatRate(static_cast<CSliderUI*>(msg.pSender)->GetValue());
    return true;
  }
  if (msg.sType == notify::kTextChanged && name == QLatin1String("repeat_input_richedit")) {
    ShowRepeatTip();
    return true;
  }
  if (msg.sType == notify::kClick && name == QLatin1String("reset_repeat_btn")) {
    if (auto* edit = Find<CRichEditUI>(QStringLiteral("repeat_input_richedit"))) edit->SetText(QString());
    ShowRepeatTip();
    return true;
  }
  return false;
}

void CBrelvikKeyboardDevice::MacroLibraryChangedElsewhere() {
  if (!macroEditor_) return;
  macroEditor_->LoadLibrary();
  MacroNamesChanged(macroEditor_->Names());
}

}  // namespace tessel::ui
