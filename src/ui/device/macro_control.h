#pragma once
// CMacroControlUI: the macro editor of a device page ("MacroControlItem",
// built from XML/CustomControlXML/MacroControl.xml, whose root element is
// this control). It shows the device model's macro library as the name list
// "macro_name_list" (row text the name, row user data the identifier) and the
// selected macro's events as the rows of "macro_action_list" (state label,
// name label, delay field "macro_delay"; row user data the event as JSON).
//
// The editor keeps no rules of its own: the library (macros/macro_library.h),
// the event list model (macros/macro_event_list.h) and the delete across
// profiles (macros/macro_delete.h) do the work; the editor maps its controls'
// notifications to them and shows their state.
//
//   "macro_btn_name_add"  create          "macro_btn_save"       save events, then download
//   "macro_btn_name_edit" rename from     "macro_btn_cancel"     revert: load the saved events
//                         "macro_edit_macroname"
//   "macro_btn_name_sub"  delete (asks    "macro_btn_up" / "_down" / "_uptop" /
//                         "message_text_4",  "_downbottom"       move the selected row
//                         and "message_text_2" when the current profile uses it)
//   "macro_btn_import" / "macro_btn_export"  "Macro Files(*.mac)"
//   "macro_btn_delete" / "macro_btn_deleteall"   remove rows
//   "macro_inset_move{left,right,up,down}key_btn" a move of the distance typed in
//       "mouse_x_left_edit", "mouse_x_right_edit", "mouse_y_up_edit", "mouse_y_down_edit"
//   the event list's menu "XML/Menus/macro_action_menu.xml": "left_down" ... "back_click"
//
// Recording through the main window's input hook (ui/device/hook_host.h):
//   "macro_btn_starredio"   record at the end (mode 4); fixed delays when
//                           "macro_check_time" is selected, from "macro_fixed_time_edit"
//   menu "redio_previous_record_time" / "_constant_time" / "_ignore_time"
//                           record before the selected row (mode 8)
//   menu "redio_later_..."  record after it (mode 16)
//   menu "macro_action_edit" replace its key or button (mode 32)
//   "macro_btn_stopredio"   stop (what was recorded is a draft)
//
// Every change of the event list (recording, typed delays, inserted events,
// moves and removals) is a draft until "macro_btn_save": "macro_save_status"
// says so and "macro_btn_cancel" (revert) is available only while there is a
// draft. Choosing, creating or importing another macro asks whether to save
// the draft ("macro_unsaved_question"); reading the library again (the page
// shown again) keeps it, and a draft still open when the editor goes (the
// program ends) is saved rather than lost. After a save the line says
// "saved"; the page tells how the download went through ShowWriteResult.
// While recording, "macro_name_tab", "macro_tab_macroaction_edit",
// "macro_tab_macrodelay_edit", the mouse moves and the event list are
// unavailable; the hook messages the main window routes here are placed by
// the recording model (input/macro_recorder.h). "macro_record_status" says
// which source records, and that the macro is full at 4000 rows.
//
// The owning page wires the callbacks: `download` after every change the
// mouse must get (macros, then the key table), `namesChanged` after the
// library's names changed, `currentProfileChanged` after a delete rewrote the
// current profile's bindings. Questions, messages and file choices go through
// hooks, so tests answer them.
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/clock.h"
#include "input/device_hook.h"
#include "input/macro_recorder.h"
#include "macros/macro_event_list.h"
#include "macros/macro_library.h"
#include "ui/device/write_status.h"
#include "ui/toolkit/controls.h"

namespace tessel::ui {

class CListUI;
class CMacroActionListUI;
class CWindowWnd;
class IHookHost;

inline constexpr char kMacroFileFilter[] = "Macro Files(*.mac)";
inline constexpr char kMacroActionMenu[] = "XML/Menus/macro_action_menu.xml";

class CMacroControlUI : public CVerticalLayoutUI, public INotifyUI {
 public:
  struct Hooks {
    // A question with confirm and cancel (a language text key); true on confirm.
    std::function<bool(const QString& text)> ask;
    // A message with a confirm button: a language text key or a sentence.
    std::function<void(const QString& text)> show;
    // The file to export to (save) or import from; empty when cancelled.
    std::function<QString(bool save)> chooseFile;
    // Opens the event list's menu at a screen point (the toolkit's menu window by default).
    std::function<void(const QPoint& point)> openMenu;
  };
  struct Callbacks {
    std::function<void()> download;
    std::function<void()> namesChanged;
    std::function<void()> currentProfileChanged;
  };

  CMacroControlUI();
  ~CMacroControlUI() override;
  QString GetClass() const override { return QStringLiteral("MacroControl"); }

  // The device data folder (library and profiles) and the clock that names
  // new macros; loads the library (the name list and the names).
  void Init(const std::filesystem::path& dataFolder, const Clock& clock);
  void SetOwnerWindow(CWindowWnd* owner) { owner_ = owner; }
  void SetHooks(Hooks hooks);
  void SetCallbacks(Callbacks callbacks) { callbacks_ = std::move(callbacks); }
  // How the download after a save went (the page knows when it is done).
  void ShowWriteResult(WriteOutcome outcome);

  // The library's names in library order (for the assignment editor).
  const std::vector<std::string>& Names() const { return names_; }
  size_t MacroCount() const { return names_.size(); }
  // The selected macro's index, if any.
  std::optional<size_t> SelectedMacro() const;
  const macros::MacroEventList& Events() const { return events_; }
  uint16_t FixedDelay() const { return fixedDelay_; }
  void SetFixedDelay(uint16_t delay) { fixedDelay_ = delay; }

  // Reads the library again and shows it (a change made elsewhere, e.g. by
  // tesselctl); keeps the selected macro when it is still there.
  void LoadLibrary();
  // The editor's operations, as their controls call them.
  void SelectMacro(int row);
  void CreateMacro();
  void RenameMacro();
  void DeleteMacro();
  void ExportMacro();
  void ImportMacro();
  bool SaveEvents();
  void LoadEvents();
  // Whether the event list differs from the macro's file (an edit not saved yet).
  bool HasUnsavedChanges() const;
  void SelectEvent(int row);
  // A menu item of the event list ("left_down" ... "back_click").
  bool ChooseMenuItem(const QString& item);
  // The menu item chosen in the toolkit's menu window goes to the editor
  // that opened the menu; false when no editor opened it or the item is not
  // one of the editor's.
  static bool HandleMenuCommand(const QString& item);

  // ---- recording
  // The main window's hook (one for the process; nullptr: recording cannot start).
  static void SetHookHost(IHookHost* host);
  // Starts recording in `mode` (4, 8, 16, 32) with `delay`; false when no
  // macro is selected, a recording runs already, or no input source started
  // (the editor stays idle and says why).
  bool StartRecording(int mode, input::DelayMode delay);
  // The program stops a recording (its device went, the window hides or
  // closes): the controls come back, the hook stops, and what was recorded
  // is saved and downloaded. Nothing while idle. ("macro_btn_stopredio"
  // leaves it a draft instead: the user saves or reverts it.)
  void StopRecording();
  bool IsRecording() const { return recordingMode_ != 0; }
  int RecordingMode() const { return recordingMode_; }
  // One hook message of the running recording (the main window routes it).
  void OnHookMessage(const input::HookMessage& message);
  // The text of "macro_record_status".
  QString RecordStatusText() const;

  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;
  void DoInit() override;
  void Notify(TNotifyUI& msg) override;
  void ReloadText() override;

 private:
  template <typename T>
  T* Find(const char* name) const;
  void FindParts();
  bool IsMine(const CControlUI* control) const;
  void ShowNames(std::optional<size_t> select);
  void ShowEvents();
  void ShowRow(int index);
  void EnablePanels(bool on);
  void AfterEdit();
  void ShowSaveState();
  // Before another macro's events replace a draft: asks whether to save it.
  void OfferToSaveDraft();
  void StopRecordingAsDraft();
  void SaveAndDownload();
  void InsertMove(macros::MoveDirection direction, const char* field);
  void OnClick(const QString& name);
  void ShowFailure(const macros::LibraryResult& result);
  bool ChooseRecordItem(const QString& item);
  void EnableWhileRecording(bool on);
  void ShowRecordStatus(const QString& text);
  void ShowRowsFrom(int first);
  std::optional<input::ScreenRect> StopButtonRect() const;

  std::optional<macros::MacroLibrary> library_;
  std::filesystem::path folder_;
  macros::MacroEventList events_;
  // The macro whose events the list shows, and its events as its file holds them.
  std::optional<size_t> shown_;
  std::vector<macros::MacroEvent> savedEvents_;
  std::vector<std::string> names_;
  uint16_t fixedDelay_ = macros::kDefaultFixedDelay;
  Hooks hooks_;
  Callbacks callbacks_;
  CWindowWnd* owner_ = nullptr;
  CPaintManagerUI* pm_ = nullptr;
  CListUI* nameList_ = nullptr;
  CMacroActionListUI* actionList_ = nullptr;
  bool showing_ = false;
  std::optional<input::MacroRecorder> recorder_;  // one per editor: its recorded-event flag lasts
  const Clock* recorderClock_ = nullptr;
  int recordingMode_ = 0;
  bool fullShown_ = false;
};

}  // namespace tessel::ui
