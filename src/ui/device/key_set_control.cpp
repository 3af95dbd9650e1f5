#include "ui/device/key_set_control.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QObject>
#include <array>

#include "config/function_codes.h"
#include "config/scan_codes.h"
#include "input/input_mapping.h"
#include "shell/window_messages.h"
#include "ui/toolkit/window.h"
#include "ui/toolkit/paint_manager.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {

namespace {

QString Text(std::string_view key) {
  return CResourceManager::GetInstance()->GetText(QString::fromUtf8(key.data(), static_cast<int>(key.size())));
}
QString Text(const char* key) { return CResourceManager::GetInstance()->GetText(QString::fromLatin1(key)); }

// Swallows the key box's key presses, so the box never types what is
// pressed (Tab and Enter included). The key itself comes through the hook,
// whose window source takes it before the box does; a press that reaches the
// box anyway (the hook is not running: not started yet, refused, or stopped
// by another page) is captured from its scan code here, so no key is lost.
class KeyFilter : public QObject {
 public:
  explicit KeyFilter(CKeySetControlUI& editor) : editor_(editor) {}
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::ShortcutOverride) {
      event->accept();  // no window shortcut fires while a key is being chosen
      return true;
    }
    if (event->type() == QEvent::KeyPress) {
      const auto* key = static_cast<QKeyEvent*>(event);
      if (const auto e = input::eventFromX11Key(key->nativeScanCode(), true))
        editor_.CaptureKey(e->scanCode, e->extended);
      return true;
    }
    return event->type() == QEvent::KeyRelease;
  }

 private:
  CKeySetControlUI& editor_;
};

constexpr int kKeptPage = kFunctionListCount;  // the page of codes without one

}  // namespace

QString FunctionDisplayText(const FunctionCode& code, std::span<const std::string> macroNames) {
  const std::string text = joinFunctionName(FunctionName(code, macroNames), [](std::string_view key) {
    return Text(key).toStdString();
  });
  return QString::fromStdString(text);
}

struct CKeySetControlUI::Parts {
  CComboUI* function = nullptr;
  CTabLayoutUI* pages = nullptr;
  CComboUI* mouseKey = nullptr;
  CComboUI* swing = nullptr;
  CEditUI* swingCount = nullptr;
  CEditUI* swingDelay = nullptr;
  CEditUI* swingSpeed = nullptr;
  CComboUI* wheel = nullptr;
  CEditUI* wheelCount = nullptr;
  CEditUI* wheelDelay = nullptr;
  CEditUI* wheelSpeed = nullptr;
  CComboUI* dpi = nullptr;
  CEditUI* fireInterval = nullptr;
  CEditUI* fireCount = nullptr;
  CEditUI* key = nullptr;
  std::array<CCheckBoxUI*, kModifierCheckCount> checks{};
  CComboUI* media = nullptr;
  CComboUI* system = nullptr;
  CComboUI* macro = nullptr;
  CComboUI* macroOver = nullptr;
  CControlUI* macroCycleLayout = nullptr;
  CEditUI* macroCycle = nullptr;
  CComboUI* gun = nullptr;
  CComboUI* shortcut = nullptr;
  CControlUI* title = nullptr;
  CControlUI* save = nullptr;
  CControlUI* prosave = nullptr;
};

CKeySetControlUI::CKeySetControlUI() : parts_(std::make_unique<Parts>()) {}

CKeySetControlUI::~CKeySetControlUI() {
  if (pm_) pm_->RemoveNotifier(this);
}

void CKeySetControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  if (manager != pm_) {
    if (pm_) pm_->RemoveNotifier(this);
    pm_ = manager;
    if (pm_) pm_->AddNotifier(this);
  }
  CVerticalLayoutUI::SetManager(manager, parent);
}

void CKeySetControlUI::DoInit() {
  FindParts();
  FillLists();
  InstallKeyFilter();
  model_.clear();
  RefreshView();
}

void CKeySetControlUI::FindParts() {
  auto find = [this](const char* name) {
    const QString wanted = QString::fromLatin1(name);
    return FindControl([&wanted](CControlUI* c) { return c->GetName() == wanted; });
  };
  auto combo = [&](const char* n) { return dynamic_cast<CComboUI*>(find(n)); };
  auto edit = [&](const char* n) { return dynamic_cast<CEditUI*>(find(n)); };
  Parts& p = *parts_;
  p.function = combo("keyset_function_combo");
  p.pages = dynamic_cast<CTabLayoutUI*>(find("keyset_function_switch"));
  p.mouseKey = combo("keyset_mousekey_combo");
  p.swing = combo("keyset_mouseswing_combo");
  p.swingCount = edit("keyset_mouseswing_num_edit");
  p.swingDelay = edit("keyset_mouseswing_delay_edit");
  p.swingSpeed = edit("keyset_mouseswing_speed_edit");
  p.wheel = combo("keyset_mousewheel_combo");
  p.wheelCount = edit("keyset_mousewheel_num_edit");
  p.wheelDelay = edit("keyset_mousewheel_delay_edit");
  p.wheelSpeed = edit("keyset_mousewheel_speed_edit");
  p.dpi = combo("keyset_mousedpi_combo");
  p.fireInterval = edit("keyset_mousefire_interval_edit");
  p.fireCount = edit("keyset_mousefire_num_edit");
  p.key = edit("keyset_keyboard_text_edit");
  for (int i = 0; i < kModifierCheckCount; ++i)
    p.checks[static_cast<size_t>(i)] =
        dynamic_cast<CCheckBoxUI*>(find(("key_ComBox_check_" + std::to_string(i)).c_str()));
  p.media = combo("keyset_media_combo");
  p.system = combo("keyset_system_combo");
  p.macro = combo("keyset_macro_combo");
  p.macroOver = combo("keyset_macro_over_combo");
  p.macroCycleLayout = find("keyset_macro_cycle_layout");
  p.macroCycle = edit("keyset_macro_cycle_edit");
  p.gun = combo("keyset_gunkey_combo");
  p.shortcut = combo("keyset_combokey_combo");
  p.title = find("keyset_title");
  p.save = find("key_butt_keysave");
  p.prosave = find("key_butt_prosave");
}

void CKeySetControlUI::FillLists() {
  const Parts& p = *parts_;
  auto fill = [](CComboUI* combo, const std::vector<QString>& texts, const std::vector<QString>& data = {}) {
    if (!combo) return;
    const int keep = combo->GetCurSel();
    combo->RemoveAllItems();
    for (size_t i = 0; i < texts.size(); ++i) combo->AddItem(texts[i], i < data.size() ? data[i] : QString());
    if (keep < static_cast<int>(texts.size())) combo->SelectItem(keep, false);
  };
  auto tableTexts = [](std::span<const CodeEntry> table) {
    std::vector<QString> out;
    for (const auto& e : table) out.push_back(Text(e.name));
    return out;
  };
  std::vector<QString> functions, numbers;
  for (int i = 0; i < kFunctionListCount; ++i) {
    functions.push_back(Text(("keyset_function_" + std::to_string(i)).c_str()));
    numbers.push_back(QString::number(i));
  }
  fill(p.function, functions, numbers);
  fill(p.mouseKey, tableTexts(mouseButtonTable()));
  fill(p.swing, {Text("keyset_swing_left"), Text("keyset_swing_right")});
  fill(p.wheel, {Text("keyset_wheel_up"), Text("keyset_wheel_down")});
  fill(p.dpi, tableTexts(stageFunctionTable()));
  fill(p.media, tableTexts(mediaTable()));
  fill(p.system, tableTexts(systemTable()));
  std::vector<QString> ends;
  for (int i = 0; i < kMacroEndModeCount; ++i) ends.push_back(Text(("keyset_macro_over_" + std::to_string(i)).c_str()));
  fill(p.macroOver, ends);
  std::vector<QString> guns;
  for (auto name : recoilPatternNames()) guns.push_back(Text(name));
  fill(p.gun, guns);
  fill(p.shortcut, tableTexts(shortcutTable()));
  std::vector<QString> macros;
  for (const auto& name : model_.macroNames()) macros.push_back(QString::fromStdString(name));
  fill(p.macro, macros);
}

void CKeySetControlUI::InstallKeyFilter() {
  if (keyFilter_ || !parts_->key) return;
  QWidget* box = parts_->key->GetWidget();
  if (QLineEdit* line = parts_->key->GetLineEdit()) line->setPlaceholderText(Text("keyset_key_placeholder"));
  keyFilter_ = std::make_unique<KeyFilter>(*this);
  box->installEventFilter(keyFilter_.get());
}

void CKeySetControlUI::ReloadText() {
  CVerticalLayoutUI::ReloadText();
  if (QLineEdit* line = parts_->key ? parts_->key->GetLineEdit() : nullptr)
    line->setPlaceholderText(Text("keyset_key_placeholder"));
  FillLists();
  RefreshView();
  ShowTitle();
}

void CKeySetControlUI::SetSubject(const QString& name) {
  subject_ = name;
  ShowTitle();
}

void CKeySetControlUI::ShowTitle() {
  CControlUI* title = parts_->title;
  if (!title) return;
  if (subject_.isEmpty()) {
    title->SetText(QStringLiteral("%[keyset_title]"));
    title->SetToolTip(QString());
    return;
  }
  QString text = Text("keyset_editing");
  text.replace(QLatin1String("%s"), subject_);
  title->SetText(text);
  title->SetToolTip(text);
}

void CKeySetControlUI::ShowStoreButtons() {
  const bool storable = model_.canStore();
  for (CControlUI* c : {parts_->save, parts_->prosave})
    if (c) c->SetEnabled(storable);
}

void CKeySetControlUI::SetMacroNames(std::vector<std::string> names) {
  model_.setMacroNames(std::move(names));
  FillLists();
  RefreshView();
}

void CKeySetControlUI::LoadRecord(const FunctionCode& assigned, const FunctionCode& defaultCode) {
  loaded_ = true;
  model_.loadRecord(assigned, defaultCode);
  RefreshView();
}

void CKeySetControlUI::ShowDefault() {
  model_.showDefault();
  RefreshView();
}

void CKeySetControlUI::Cancel() {
  model_.cancel();
  RefreshView();
}

bool CKeySetControlUI::CaptureKey(uint8_t scanCode, bool extended) {
  if (!model_.captureKey(scanCode, extended)) return false;
  RefreshView();
  return true;
}

void CKeySetControlUI::RequestKeyCapture(bool on) {
  // Asked again at every focus: the one hook may have been stopped meanwhile
  // (a recording, another page's editor); a stop only when this editor asked.
  if (!on && !capturing_) return;
  capturing_ = on;
  // The main window starts or stops its hook in key capture mode.
  if (CWindowWnd* window = pm_ ? pm_->GetWindow() : nullptr) window->PostMessage(messages::kHook, on ? 1 : 0, 0);
}

void CKeySetControlUI::Close() {
  loaded_ = false;
  model_.clear();
  RefreshView();
  if (callbacks_.closed) callbacks_.closed();
}

void CKeySetControlUI::RefreshView() {
  const Parts& p = *parts_;
  const KeySetState& s = model_.state();
  refreshing_ = true;
  auto select = [](CComboUI* combo, int index) {
    if (combo) combo->SelectItem(index >= 0 && index < combo->GetItemCount() ? index : -1, false);
  };
  auto text = [](CEditUI* edit, const std::string& value) {
    if (edit) edit->SetText(QString::fromStdString(value));
  };
  const int function = static_cast<int>(s.function);
  if (p.function) {
    int item = -1;
    for (int i = 0; i < p.function->GetItemCount(); ++i)
      if (p.function->GetItemUserData(i).toInt() == function && function >= 0) item = i;
    p.function->SelectItem(item, false);
  }
  if (p.pages) p.pages->SelectItem(function >= 0 && function < kFunctionListCount ? function : kKeptPage);
  select(p.mouseKey, s.mouseButton);
  select(p.swing, s.swingDirection);
  text(p.swingCount, s.swingCount);
  text(p.swingDelay, s.swingDelay);
  text(p.swingSpeed, s.swingSpeed);
  select(p.wheel, s.wheelDirection);
  text(p.wheelCount, s.wheelCount);
  text(p.wheelDelay, s.wheelDelay);
  text(p.wheelSpeed, s.wheelSpeed);
  select(p.dpi, s.stage);
  text(p.fireInterval, s.fireInterval);
  text(p.fireCount, s.fireCount);
  if (p.key) p.key->SetText(s.keyName.empty() ? QString() : Text(s.keyName));
  for (int i = 0; i < kModifierCheckCount; ++i)
    if (CCheckBoxUI* check = p.checks[static_cast<size_t>(i)]) check->Selected(i == s.modifierCheck, false);
  select(p.media, s.media);
  select(p.system, s.system);
  select(p.macro, s.macro);
  select(p.macroOver, s.macroEndMode);
  if (p.macroCycleLayout) p.macroCycleLayout->SetVisible(s.macroEndMode == kMacroRepeatItem);
  text(p.macroCycle, s.macroRepeat);
  select(p.gun, s.recoil);
  select(p.shortcut, s.shortcut);
  // Without a button to edit only the title shows: an empty editor would
  // look like one editing something.
  for (int i = 0; i < GetCount(); ++i)
    if (CControlUI* c = GetItemAt(i); c != p.title) c->SetVisible(loaded_);
  refreshing_ = false;
  ShowStoreButtons();
}

bool CKeySetControlUI::IsMine(const CControlUI* control) const {
  for (const CControlUI* c = control; c; c = c->GetParent())
    if (c == this) return true;
  return false;
}

void CKeySetControlUI::Notify(TNotifyUI& msg) {
  if (!msg.pSender || !IsMine(msg.pSender)) return;
  // The key box's focus decides key capture even while the view is being
  // shown: showing another page hides the box and takes its focus then.
  if (msg.pSender == parts_->key && (msg.sType == notify::kSetFocus || msg.sType == notify::kKillFocus)) {
    RequestKeyCapture(msg.sType == notify::kSetFocus);
    return;
  }
  if (refreshing_) return;
  if (msg.sType == notify::kItemSelect) OnItemSelect(msg.pSender, static_cast<int>(msg.wParam));
  else if (msg.sType == notify::kTextChanged) OnTextChanged(msg.pSender);
  else if (msg.sType == notify::kCheckClick) OnCheck(msg.pSender, msg.wParam != 0);
  else if (msg.sType == notify::kSelectChanged) {
    if (auto* check = dynamic_cast<COptionUI*>(msg.pSender); check && check->IsSelected()) OnCheck(msg.pSender, true);
  } else if (msg.sType == notify::kClick) OnClick(msg.pSender);
}

void CKeySetControlUI::OnItemSelect(CControlUI* sender, int index) {
  const Parts& p = *parts_;
  KeySetState& s = model_.edit();
  if (sender == p.function) {
    const QString data = p.function->GetItemUserData(index);
    model_.selectFunction(index < 0 ? FunctionList::None : static_cast<FunctionList>(data.toInt()));
  } else if (sender == p.mouseKey) s.mouseButton = index;
  else if (sender == p.swing) s.swingDirection = index;
  else if (sender == p.wheel) s.wheelDirection = index;
  else if (sender == p.dpi) s.stage = index;
  else if (sender == p.media) s.media = index;
  else if (sender == p.system) s.system = index;
  else if (sender == p.macro) s.macro = index;
  else if (sender == p.macroOver) s.macroEndMode = index;
  else if (sender == p.gun) s.recoil = index;
  else if (sender == p.shortcut) s.shortcut = index;
  else return;
  RefreshView();
}

void CKeySetControlUI::OnTextChanged(CControlUI* sender) {
  const Parts& p = *parts_;
  KeySetState& s = model_.edit();
  const std::string value = sender->GetText().toStdString();
  if (sender == p.swingCount) s.swingCount = value;
  else if (sender == p.swingDelay) s.swingDelay = value;
  else if (sender == p.swingSpeed) s.swingSpeed = value;
  else if (sender == p.wheelCount) s.wheelCount = value;
  else if (sender == p.wheelDelay) s.wheelDelay = value;
  else if (sender == p.wheelSpeed) s.wheelSpeed = value;
  else if (sender == p.fireInterval) s.fireInterval = value;
  else if (sender == p.fireCount) s.fireCount = value;
  else if (sender == p.macroCycle) s.macroRepeat = value;
  else if (sender == p.key && value.empty()) model_.clearKeyBox();
  ShowStoreButtons();
}

void CKeySetControlUI::OnCheck(CControlUI* sender, bool checked) {
  const auto& checks = parts_->checks;
  for (int i = 0; i < kModifierCheckCount; ++i) {
    if (sender != checks[static_cast<size_t>(i)]) continue;
    if (checked) model_.selectModifierCheck(i);
    else if (model_.state().modifierCheck == i) model_.selectModifierCheck(-1);
    ShowStoreButtons();
    return;
  }
}

void CKeySetControlUI::OnClick(CControlUI* sender) {
  const QString name = sender->GetName();
  if (name == QLatin1String("key_butt_keysave")) {
    if (!model_.canStore()) return;
    const FunctionCode code = model_.buildCode();
    if (callbacks_.store) callbacks_.store(code);
    Close();
  } else if (name == QLatin1String("key_butt_keydefalut")) {
    // "Default" gives the button its default function back.
    ShowDefault();
    if (callbacks_.store) callbacks_.store(model_.defaultCode());
    Close();
  } else if (name == QLatin1String("key_butt_keycancel")) {
    Cancel();
    Close();
  } else if (name == QLatin1String("key_butt_prosave")) {
    if (model_.canStore() && callbacks_.prosave) callbacks_.prosave();
  }
}

}  // namespace tessel::ui
