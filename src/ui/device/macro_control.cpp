#include "ui/device/macro_control.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QWidget>
#include <json/json.h>

#include <algorithm>

#include "macros/macro_delete.h"
#include "ui/device/hook_host.h"
#include "ui/device/macro_action_list.h"
#include "ui/msg_wnd.h"
#include "ui/toolkit/paint_manager.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/toolkit/tray.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {

namespace {

// The editor whose event list opened the menu that is open now.
CMacroControlUI* g_menuOwner = nullptr;
// The main window's input hook.
IHookHost* g_hookHost = nullptr;

// The menu items that start a recording: the mode, and the delay mode (the
// "record" items record fixed delays while "macro_check_time" is selected).
struct RecordItem {
  const char* name;
  int mode;
  input::DelayMode delay;
};
constexpr RecordItem kRecordItems[] = {
    {"redio_previous_record_time", input::hook_mode::kMacroPrevious, input::DelayMode::Record},
    {"redio_previous_constant_time", input::hook_mode::kMacroPrevious, input::DelayMode::Fixed},
    {"redio_previous_ignore_time", input::hook_mode::kMacroPrevious, input::DelayMode::Ignore},
    {"redio_later_record_time", input::hook_mode::kMacroLater, input::DelayMode::Record},
    {"redio_later_constant_time", input::hook_mode::kMacroLater, input::DelayMode::Fixed},
    {"redio_later_ignore_time", input::hook_mode::kMacroLater, input::DelayMode::Ignore},
    {"macro_action_edit", input::hook_mode::kMacroSingle, input::DelayMode::Ignore},
};

const RecordItem* FindRecordItem(const QString& item) {
  for (const RecordItem& r : kRecordItems)
    if (item == QLatin1String(r.name)) return &r;
  return nullptr;
}

// The controls a recording keeps out of reach: the name list, the row
// buttons, the delay settings, the mouse moves (each would change the list
// under the recording).
constexpr const char* kLockedWhileRecording[] = {"macro_name_tab", "macro_tab_macroaction_edit",
                                                 "macro_tab_macrodelay_edit", "mouse_move_layout"};

QString Text(const std::string& key) { return CResourceManager::GetInstance()->GetText(QString::fromStdString(key)); }
QString Text(const char* key) { return CResourceManager::GetInstance()->GetText(QString::fromLatin1(key)); }

bool NameIs(const QString& name, const char* wanted) { return name == QLatin1String(wanted); }

// The row's user data: the event as compact JSON, all four members.
QString EventJson(const macros::MacroEvent& e) {
  Json::StreamWriterBuilder builder;
  builder["indentation"] = "";
  return QString::fromStdString(Json::writeString(builder, macros::eventToJson(e)));
}

// The text of an event's name label: its name in the language now loaded, a
// move's distance beside it; an event without a name shows none.
QString EventName(const macros::MacroEvent& e) {
  const macros::EventLabel label = macros::eventLabel(e);
  QString text = label.nameKey.empty() ? QString() : Text(label.nameKey);
  if (label.distance) text += QLatin1Char(' ') + QString::number(*label.distance);
  return text;
}

}  // namespace

CMacroControlUI::CMacroControlUI() {
  hooks_.ask = [this](const QString& text) {
    return CMsgWnd::ShowMessage(owner_, QString(), text, 96, 0, CMsgWnd::kConfirmCancel) == 1;
  };
  hooks_.show = [this](const QString& text) {
    CMsgWnd::ShowMessage(owner_, QString(), text, 96, 0, CMsgWnd::kConfirmOnly);
  };
  hooks_.chooseFile = [this](bool save) {
    QWidget* parent = owner_ ? owner_->GetHWND() : nullptr;
    const QString filter = QString::fromLatin1(kMacroFileFilter);
    if (!save) return QFileDialog::getOpenFileName(parent, Text("macro_import_title"), QString(), filter);
    QString path = QFileDialog::getSaveFileName(parent, Text("macro_export_title"), QString(), filter);
    // The dialog does not add the extension the filter names.
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".mac");
    return path;
  };
  hooks_.openMenu = [this](const QPoint& point) {
    CMenuWnd::CreateMenu(owner_, QString::fromLatin1(kMacroActionMenu), point);
  };
}

CMacroControlUI::~CMacroControlUI() {
  if (g_menuOwner == this) g_menuOwner = nullptr;
  // The hook must not deliver to an editor that is gone.
  if (IsRecording() && g_hookHost) g_hookHost->StopRecording(*this);
  if (pm_) pm_->RemoveNotifier(this);
  // A draft is never lost: one still open when the page goes (the program
  // ends) is kept in the macro's file; the next key table write sends it.
  if (HasUnsavedChanges() && library_ && *shown_ < library_->size())
    library_->saveEvents(*shown_, events_.eventsForSave());
}

void CMacroControlUI::SetHooks(Hooks hooks) {
  // A hook left unset keeps the program's own.
  if (hooks.ask) hooks_.ask = std::move(hooks.ask);
  if (hooks.show) hooks_.show = std::move(hooks.show);
  if (hooks.chooseFile) hooks_.chooseFile = std::move(hooks.chooseFile);
  if (hooks.openMenu) hooks_.openMenu = std::move(hooks.openMenu);
}

void CMacroControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  if (manager != pm_) {
    if (pm_) pm_->RemoveNotifier(this);
    pm_ = manager;
    if (pm_) pm_->AddNotifier(this);
  }
  CVerticalLayoutUI::SetManager(manager, parent);
}

template <typename T>
T* CMacroControlUI::Find(const char* name) const {
  const QString wanted = QString::fromLatin1(name);
  auto* self = const_cast<CMacroControlUI*>(this);
  return dynamic_cast<T*>(self->FindControl([&wanted](CControlUI* c) { return c->GetName() == wanted; }));
}

void CMacroControlUI::FindParts() {
  nameList_ = Find<CListUI>("macro_name_list");
  actionList_ = Find<CMacroActionListUI>("macro_action_list");
}

void CMacroControlUI::DoInit() {
  FindParts();
  EnablePanels(false);
}

bool CMacroControlUI::IsMine(const CControlUI* control) const {
  for (const CControlUI* c = control; c; c = c->GetParent())
    if (c == this) return true;
  return false;
}

void CMacroControlUI::Init(const std::filesystem::path& dataFolder, const Clock& clock) {
  if (!nameList_) FindParts();
  folder_ = dataFolder;
  library_.emplace(dataFolder, clock);
  // One recording model for the editor's life: its recorded-event flag is
  // never cleared (a new model only for another clock, as tests give).
  if (!recorder_ || recorderClock_ != &clock) {
    recorder_.emplace(clock);
    recorderClock_ = &clock;
  }
  LoadLibrary();
  ShowRecordStatus(RecordStatusText());
}

// ------------------------------------------------------------------ showing

void CMacroControlUI::LoadLibrary() {
  if (!library_) return;
  const std::optional<size_t> before = SelectedMacro();
  // A draft stays when its macro is still in the library.
  const QString draftGuid = HasUnsavedChanges() && nameList_ ? nameList_->GetItemUserData(int(*shown_)) : QString();
  const macros::MacroEventList draft = events_;
  const std::vector<macros::MacroEvent> saved = savedEvents_;
  library_->load();
  std::optional<size_t> select;
  if (library_->size() > 0) select = before && *before < library_->size() ? *before : 0;
  if (!draftGuid.isEmpty())
    for (size_t i = 0; i < library_->size(); ++i)
      if (QString::fromStdString(library_->entries()[i].guid) == draftGuid) select = i;
  ShowNames(select);
  if (!draftGuid.isEmpty() && shown_ && nameList_->GetItemUserData(int(*shown_)) == draftGuid) {
    events_ = draft;
    savedEvents_ = saved;
    ShowEvents();
    ShowSaveState();
  }
}

void CMacroControlUI::ShowNames(std::optional<size_t> select) {
  names_ = library_ ? library_->names() : std::vector<std::string>{};
  if (nameList_) {
    showing_ = true;
    nameList_->RemoveAllItems();
    for (const macros::MacroEntry& e : library_->entries())
      nameList_->AddItem(QString::fromStdString(e.name), QString::fromStdString(e.guid));
    nameList_->SelectItem(select ? static_cast<int>(*select) : -1, false);
    if (select) nameList_->EnsureVisible(static_cast<int>(*select));
    showing_ = false;
  }
  SelectMacro(select ? static_cast<int>(*select) : -1);
}

std::optional<size_t> CMacroControlUI::SelectedMacro() const {
  if (!nameList_) return std::nullopt;
  const int row = nameList_->GetCurSel();
  if (row < 0 || static_cast<size_t>(row) >= names_.size()) return std::nullopt;
  return static_cast<size_t>(row);
}

void CMacroControlUI::EnablePanels(bool on) {
  for (const char* panel : {"macro_action_layout", "mouse_move_layout"}) {
    if (auto* c = Find<CControlUI>(panel)) c->FindControl([on](CControlUI* x) {
        x->SetEnabled(on);
        return false;
      });
  }
  for (const char* button : {"macro_btn_export", "macro_btn_name_sub", "macro_btn_name_edit", "macro_btn_starredio"})
    if (auto* c = Find<CControlUI>(button)) c->SetEnabled(on);
  ShowSaveState();
}

bool CMacroControlUI::HasUnsavedChanges() const {
  if (!shown_) return false;
  macros::MacroEventList copy = events_;  // reading the delay fields normalises them
  return copy.eventsForSave() != savedEvents_;
}

void CMacroControlUI::ShowSaveState() {
  const bool draft = HasUnsavedChanges();
  if (auto* revert = Find<CControlUI>("macro_btn_cancel")) revert->SetEnabled(draft && SelectedMacro().has_value());
  auto* line = Find<CControlUI>("macro_save_status");
  if (draft) ShowWriteStatus(line, WriteOutcome::Unsaved);
  else if (line && line->GetTextKey() == QLatin1String("write_status_unsaved")) ClearWriteStatus(line);
}

void CMacroControlUI::ShowWriteResult(WriteOutcome outcome) {
  if (!HasUnsavedChanges()) ShowWriteStatus(Find<CControlUI>("macro_save_status"), outcome);
}

void CMacroControlUI::ShowRow(int index) {
  CMacroActionRowUI* row = actionList_ ? actionList_->GetRow(index) : nullptr;
  if (!row || index < 0 || static_cast<size_t>(index) >= events_.size()) return;
  const macros::EventRow& r = events_.rows()[static_cast<size_t>(index)];
  row->ShowState(r.event.down, Text(r.event.down ? "macro_action_down" : "macro_action_up"));
  row->NameLabel()->SetText(EventName(r.event));
  row->DelayField()->SetText(QString::fromStdString(r.delayText));
  row->SetUserData(EventJson(r.event));
}

void CMacroControlUI::ShowEvents() {
  if (!actionList_) return;
  showing_ = true;
  actionList_->SetRowCount(static_cast<int>(events_.size()));
  for (int i = 0; i < static_cast<int>(events_.size()); ++i) ShowRow(i);
  const auto selected = events_.selected();
  actionList_->SelectItem(selected ? static_cast<int>(*selected) : -1, false);
  showing_ = false;
}

void CMacroControlUI::ReloadText() {
  CVerticalLayoutUI::ReloadText();
  ShowEvents();
  ShowRecordStatus(fullShown_ ? Text("macro_record_full") : RecordStatusText());
}

void CMacroControlUI::ShowFailure(const macros::LibraryResult& result) {
  if (result.error == macros::LibraryError::Full) {
    hooks_.show(QStringLiteral("macro_library_full"));
    return;
  }
  if (!result.message.empty()) hooks_.show(QString::fromStdString(result.message));
}

// ------------------------------------------------------------------ library operations

void CMacroControlUI::SelectMacro(int row) {
  const bool usable = nameList_ && row >= 0 && row < nameList_->GetItemCount() &&
                      static_cast<size_t>(row) < names_.size() && !nameList_->GetItemUserData(row).isEmpty();
  EnablePanels(usable);
  if (!usable) {
    events_.clear();
    ShowEvents();
    return;
  }
  LoadEvents();
}

void CMacroControlUI::OfferToSaveDraft() {
  if (!HasUnsavedChanges()) return;
  if (hooks_.ask(QStringLiteral("macro_unsaved_question"))) SaveAndDownload();
}

void CMacroControlUI::SaveAndDownload() {
  if (!SaveEvents()) return;
  ShowWriteStatus(Find<CControlUI>("macro_save_status"), WriteOutcome::Saved);
  if (callbacks_.download) callbacks_.download();
}

void CMacroControlUI::CreateMacro() {
  if (!library_) return;
  OfferToSaveDraft();
  const macros::LibraryResult r = library_->create();
  if (!r.ok()) {
    ShowFailure(r);
    return;
  }
  ShowNames(r.index);
  if (callbacks_.namesChanged) callbacks_.namesChanged();
}

void CMacroControlUI::RenameMacro() {
  const auto index = SelectedMacro();
  auto* edit = Find<CControlUI>("macro_edit_macroname");
  if (!library_ || !index || !edit) return;
  const macros::LibraryResult r = library_->rename(*index, edit->GetText().toStdString());
  if (r.error == macros::LibraryError::Blank) return;
  if (r.error == macros::LibraryError::DuplicateName) {
    hooks_.show(QStringLiteral("message_text_5"));
    return;
  }
  if (r.error == macros::LibraryError::BadName) {
    hooks_.show(QStringLiteral("message_bad_name"));
    return;
  }
  if (!r.ok()) {
    ShowFailure(r);
    return;
  }
  names_ = library_->names();
  nameList_->SetItemText(static_cast<int>(*index), QString::fromStdString(r.name));
  edit->SetText(QString());
  if (callbacks_.namesChanged) callbacks_.namesChanged();
}

void CMacroControlUI::DeleteMacro() {
  const auto index = SelectedMacro();
  if (!library_ || !index) return;
  macros::MacroDeleteQuestions questions;
  questions.confirmDelete = [this] { return hooks_.ask(QStringLiteral("message_text_4")); };
  questions.confirmInUse = [this] { return hooks_.ask(QStringLiteral("message_text_2")); };
  const macros::MacroDeleteOutcome outcome = macros::deleteMacro(*library_, folder_, *index, questions);
  if (outcome.status == macros::MacroDeleteStatus::Cancelled) return;
  if (!outcome.ok()) {
    if (!outcome.message.empty()) hooks_.show(QString::fromStdString(outcome.message));
    return;
  }
  events_.clear();
  ShowNames(library_->size() > 0 ? std::optional<size_t>(0) : std::nullopt);
  // The current profile's document is read again before anything saves it:
  // the copy in memory still holds the bindings from before the renumbering.
  if (outcome.currentChanged && callbacks_.currentProfileChanged) callbacks_.currentProfileChanged();
  if (callbacks_.namesChanged) callbacks_.namesChanged();
}

void CMacroControlUI::ExportMacro() {
  const auto index = SelectedMacro();
  if (!library_ || !index) return;
  const QString path = hooks_.chooseFile(true);
  if (path.isEmpty()) return;
  const macros::LibraryResult r = library_->exportTo(*index, path.toStdString());
  if (!r.ok()) ShowFailure(r);
}

void CMacroControlUI::ImportMacro() {
  if (!library_) return;
  const QString path = hooks_.chooseFile(false);
  if (path.isEmpty()) return;
  OfferToSaveDraft();
  const macros::LibraryResult r = library_->importFile(path.toStdString());
  if (!r.ok()) {
    ShowFailure(r);
    return;
  }
  ShowNames(r.index);
  if (callbacks_.namesChanged) callbacks_.namesChanged();
}

// ------------------------------------------------------------------ event operations

void CMacroControlUI::LoadEvents() {
  shown_ = library_ ? SelectedMacro() : std::nullopt;
  if (!shown_) {
    events_.clear();
  } else {
    const std::vector<macros::MacroEvent> loaded = library_->loadEvents(*shown_);
    events_.load(loaded);
  }
  // What the file holds, as the delay fields show it (65535 at most).
  savedEvents_ = events_.eventsForSave();
  ShowEvents();
  ShowSaveState();
}

bool CMacroControlUI::SaveEvents() {
  // The macro the rows belong to (the name list may show another one by now).
  if (!library_ || !shown_ || *shown_ >= library_->size()) return false;
  const std::vector<macros::MacroEvent> events = events_.eventsForSave();
  const macros::LibraryResult r = library_->saveEvents(*shown_, events);
  if (r.ok()) savedEvents_ = events;
  ShowEvents();  // the delay fields show what was saved
  ShowSaveState();
  if (!r.ok()) ShowFailure(r);
  return r.ok();
}

void CMacroControlUI::SelectEvent(int row) {
  events_.select(row < 0 ? std::nullopt : std::optional<size_t>(static_cast<size_t>(row)));
}

void CMacroControlUI::AfterEdit() {
  ShowEvents();
  ShowSaveState();
}

bool CMacroControlUI::ChooseMenuItem(const QString& item) {
  if (!SelectedMacro()) return false;
  if (!events_.insertMouseMenuItem(item.toStdString(), fixedDelay_)) return false;
  AfterEdit();
  return true;
}

bool CMacroControlUI::HandleMenuCommand(const QString& item) {
  CMacroControlUI* owner = g_menuOwner;
  if (!owner) return false;
  if (macros::mouseMenuEvents(item.toStdString(), 0)) {
    g_menuOwner = nullptr;
    owner->ChooseMenuItem(item);
    return true;
  }
  if (FindRecordItem(item)) {
    g_menuOwner = nullptr;
    owner->ChooseRecordItem(item);
    return true;
  }
  return false;
}

void CMacroControlUI::InsertMove(macros::MoveDirection direction, const char* field) {
  if (!SelectedMacro()) return;
  auto* edit = Find<CControlUI>(field);
  events_.insertMouseMove(direction, edit ? edit->GetText().toStdString() : std::string(), fixedDelay_);
  AfterEdit();
}

// ------------------------------------------------------------------ notifications

void CMacroControlUI::Notify(TNotifyUI& msg) {
  if (showing_ || !msg.pSender || !IsMine(msg.pSender)) return;
  CControlUI* sender = msg.pSender;
  if (msg.sType == notify::kTimer) {
    if (HandleWriteStatusTimer(msg)) return;
    if (sender == this && msg.wParam == static_cast<WPARAM>(input::kScrollTimerId)) {
      // The list shows the row the last recorded event went to.
      if (pm_) pm_->KillTimer(this, input::kScrollTimerId);
      if (const auto selected = events_.selected(); selected && actionList_)
        actionList_->EnsureVisible(static_cast<int>(*selected));
    }
    return;
  }
  const QString name = sender->GetName();
  if (msg.sType == notify::kItemSelect) {
    if (sender == nameList_) {
      if (shown_ && static_cast<WPARAM>(*shown_) != msg.wParam) OfferToSaveDraft();
      SelectMacro(static_cast<int>(msg.wParam));
    }
    else if (sender == actionList_) SelectEvent(actionList_->GetCurSel());
    return;
  }
  if (msg.sType == notify::kMenu && sender == actionList_) {
    if (!SelectedMacro()) return;
    g_menuOwner = this;
    if (hooks_.openMenu) hooks_.openMenu(actionList_->GetMenuPoint());
    return;
  }
  if (NameIs(name, "macro_delay") && actionList_) {
    const int row = actionList_->RowOf(sender);
    if (row < 0) return;
    if (msg.sType == notify::kSetFocus) {
      // Typing into a row's delay makes that row the selected one.
      events_.select(static_cast<size_t>(row));
      actionList_->SelectItem(row, false);
    } else if (msg.sType == notify::kTextChanged) {
      if (!events_.setDelayText(static_cast<size_t>(row), sender->GetText().toStdString()))
        sender->SetText(QString::fromStdString(events_.rows()[static_cast<size_t>(row)].delayText));
      ShowSaveState();
    } else if (msg.sType == notify::kKillFocus || msg.sType == notify::kReturn) {
      // The field has clamped what was typed to 0..65535 by now; the delay
      // is part of the draft until "save".
      events_.setDelayText(static_cast<size_t>(row), sender->GetText().toStdString());
      ShowSaveState();
    }
    return;
  }
  if (msg.sType == notify::kReturn && NameIs(name, "macro_edit_macroname")) {
    RenameMacro();
    return;
  }
  if (msg.sType == notify::kClick) OnClick(name);
}

void CMacroControlUI::OnClick(const QString& name) {
  if (NameIs(name, "macro_btn_stopredio")) return StopRecordingAsDraft();
  if (NameIs(name, "macro_btn_starredio")) {
    auto* check = Find<COptionUI>("macro_check_time");
    StartRecording(input::hook_mode::kMacro,
                   check && check->IsSelected() ? input::DelayMode::Fixed : input::DelayMode::Record);
    return;
  }
  if (NameIs(name, "macro_btn_name_add")) return CreateMacro();
  if (NameIs(name, "macro_btn_name_edit")) return RenameMacro();
  if (NameIs(name, "macro_btn_name_sub")) return DeleteMacro();
  if (NameIs(name, "macro_btn_export")) return ExportMacro();
  if (NameIs(name, "macro_btn_import")) return ImportMacro();
  if (!SelectedMacro()) return;  // every other button works on the selected macro's events
  if (NameIs(name, "macro_btn_save")) {
    SaveAndDownload();
  } else if (NameIs(name, "macro_btn_cancel")) {
    LoadEvents();
  } else if (NameIs(name, "macro_btn_up")) {
    events_.moveUp();
    AfterEdit();
  } else if (NameIs(name, "macro_btn_down")) {
    events_.moveDown();
    AfterEdit();
  } else if (NameIs(name, "macro_btn_uptop")) {
    events_.moveToTop();
    AfterEdit();
  } else if (NameIs(name, "macro_btn_downbottom")) {
    events_.moveToBottom();
    AfterEdit();
  } else if (NameIs(name, "macro_btn_delete")) {
    events_.removeSelected();
    AfterEdit();
  } else if (NameIs(name, "macro_btn_deleteall")) {
    events_.removeAll();
    AfterEdit();
  } else if (NameIs(name, "macro_inset_moveleftkey_btn")) {
    InsertMove(macros::MoveDirection::Left, "mouse_x_left_edit");
  } else if (NameIs(name, "macro_inset_moverightkey_btn")) {
    InsertMove(macros::MoveDirection::Right, "mouse_x_right_edit");
  } else if (NameIs(name, "macro_inset_moveupkey_btn")) {
    InsertMove(macros::MoveDirection::Up, "mouse_y_up_edit");
  } else if (NameIs(name, "macro_inset_movedownkey_btn")) {
    InsertMove(macros::MoveDirection::Down, "mouse_y_down_edit");
  }
}

// ------------------------------------------------------------------ recording

void CMacroControlUI::SetHookHost(IHookHost* host) { g_hookHost = host; }

QString CMacroControlUI::RecordStatusText() const {
  const std::string line = g_hookHost ? g_hookHost->SourceLine() : std::string();
  if (line.empty()) return {};
  // The line names the sources; a mark in front while they record.
  return (IsRecording() ? QStringLiteral("\u25CF ") : QString()) + QString::fromStdString(line);
}

void CMacroControlUI::ShowRecordStatus(const QString& text) {
  if (auto* label = Find<CControlUI>("macro_record_status")) {
    label->SetText(text);
    label->SetToolTip(text);  // the label is one line; the whole text on hover
  }
}

bool CMacroControlUI::ChooseRecordItem(const QString& item) {
  const RecordItem* r = FindRecordItem(item);
  if (!r) return false;
  input::DelayMode delay = r->delay;
  if (delay == input::DelayMode::Record) {
    if (auto* check = Find<COptionUI>("macro_check_time"); check && check->IsSelected())
      delay = input::DelayMode::Fixed;
  }
  return StartRecording(r->mode, delay);
}

void CMacroControlUI::EnableWhileRecording(bool on) {
  for (const char* name : kLockedWhileRecording)
    if (auto* c = Find<CControlUI>(name)) c->SetEnabled(on);
  if (actionList_) actionList_->SetEnabled(on);
  if (auto* start = Find<CControlUI>("macro_btn_starredio")) start->SetVisible(on);
  if (auto* stop = Find<CControlUI>("macro_btn_stopredio")) stop->SetVisible(!on);
}

bool CMacroControlUI::StartRecording(int mode, input::DelayMode delay) {
  if (IsRecording() || !recorder_ || !SelectedMacro() || !input::isRecordingMode(mode)) return false;
  if (delay == input::DelayMode::Fixed) {
    // The typed delay, clamped; what is not a number leaves the last one.
    if (auto* field = Find<CControlUI>("macro_fixed_time_edit")) {
      bool ok = false;
      const qulonglong typed = field->GetText().trimmed().toULongLong(&ok);
      if (ok) fixedDelay_ = static_cast<uint16_t>(std::min<qulonglong>(typed, 65535));
      field->SetText(QString::number(fixedDelay_));
    }
  }
  recorder_->Start(delay, fixedDelay_);
  fullShown_ = false;
  recordingMode_ = mode;
  EnableWhileRecording(false);
  std::string reason = "the input hook is not available";
  if (!g_hookHost || !g_hookHost->StartRecording(*this, mode, reason)) {
    // Nothing records: the editor stays idle and says why.
    recordingMode_ = 0;
    EnableWhileRecording(true);
    const QString text = Text("macro_record_failed") + QLatin1Char(' ') + QString::fromStdString(reason);
    ShowRecordStatus(text);
    hooks_.show(text);
    return false;
  }
  ShowRecordStatus(RecordStatusText());
  return true;
}

void CMacroControlUI::StopRecordingAsDraft() {
  if (!IsRecording()) return;
  recordingMode_ = 0;
  if (pm_) pm_->KillTimer(this, input::kScrollTimerId);
  EnableWhileRecording(true);
  if (g_hookHost) g_hookHost->StopRecording(*this);
  ShowRecordStatus(RecordStatusText());
  AfterEdit();
}

void CMacroControlUI::StopRecording() {
  if (!IsRecording()) return;
  StopRecordingAsDraft();
  // Stopped by the program (the device went, the window hid or closes): what
  // was recorded is kept and sent rather than left as a draft nobody sees.
  SaveAndDownload();
}

std::optional<input::ScreenRect> CMacroControlUI::StopButtonRect() const {
  auto* button = Find<CControlUI>("macro_btn_stopredio");
  QWidget* w = button && button->IsVisible() ? button->GetWidget() : nullptr;
  if (!w || !w->isVisible()) return std::nullopt;
  const QPoint origin = w->mapToGlobal(QPoint(0, 0));
  return input::ScreenRect{origin.x(), origin.y(), w->width(), w->height()};
}

void CMacroControlUI::ShowRowsFrom(int first) {
  if (!actionList_) return;
  showing_ = true;
  actionList_->SetRowCount(static_cast<int>(events_.size()));
  for (int i = std::max(0, first); i < static_cast<int>(events_.size()); ++i) ShowRow(i);
  const auto selected = events_.selected();
  actionList_->SelectItem(selected ? static_cast<int>(*selected) : -1, false);
  showing_ = false;
}

void CMacroControlUI::OnHookMessage(const input::HookMessage& message) {
  // A message of a mode that has ended meanwhile is not this recording's.
  if (!IsRecording() || !recorder_ || message.mode != recordingMode_) return;
  if (message.event.kind == input::InputKind::Mouse) recorder_->SetStopButton(StopButtonRect());
  const input::RecordOutcome outcome = recorder_->OnHookMessage(message.mode, message.event, events_);
  switch (outcome.what) {
    case input::RecordOutcome::What::Added: {
      // Rows from the changed predecessor on: an insertion moves every row below it.
      const int selected = outcome.selected ? static_cast<int>(*outcome.selected) : static_cast<int>(events_.size());
      ShowRowsFrom(selected - 2);
      if (pm_) pm_->SetTimer(this, input::kScrollTimerId, static_cast<UINT>(input::kScrollDelay.count()));
      break;
    }
    case input::RecordOutcome::What::Replaced:
      if (outcome.selected) ShowRow(static_cast<int>(*outcome.selected));
      break;
    case input::RecordOutcome::What::Full:
      if (!fullShown_) {
        fullShown_ = true;
        ShowRecordStatus(Text("macro_record_full"));
      }
      break;
    case input::RecordOutcome::What::Dropped: break;
  }
}

}  // namespace tessel::ui
