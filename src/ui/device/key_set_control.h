#pragma once
// CKeySetControlUI: the assignment editor of a button ("KeySetControlItem",
// built from XML/CustomControlXML/KeySetControl.xml, whose root element is
// this control). It forwards every notification of its lists, boxes, checks
// and buttons to a KeySetModel and shows the model's state; it knows no bytes
// beyond what the model builds.
//
// While "keyset_keyboard_text_edit" has the focus the main window's input
// hook captures keys (mode 1): the field's focus posts message 1054 with
// wParam 1, its loss wParam 0, and the hook hands each key pressed (a set-1
// scan code) to CaptureKey. The field itself never types what is pressed; a
// press that reaches it while the hook is not running is captured from its
// scan code. Without a loaded record only the title is shown.
//
// The page that owns the editor wires the callbacks: store (the code built
// for the current button), prosave (send everything to the device) and closed,
// and names the button it edits (SetSubject). Nothing is stored while the
// keyboard-key page has neither a key nor a modifier: that would switch the
// button off, which is what "Disabled" is for.
#include <QString>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "config/key_assignment.h"
#include "ui/toolkit/controls.h"

class QObject;

namespace tessel::ui {

class CComboUI;
class CEditUI;
class CCheckBoxUI;
class CTabLayoutUI;

// The text a page shows for a code: its display name in the language now
// loaded ("Left Ctrl+C"), a macro by its name from macroNames.
QString FunctionDisplayText(const FunctionCode& code, std::span<const std::string> macroNames = {});

class CKeySetControlUI : public CVerticalLayoutUI, public INotifyUI {
 public:
  struct Callbacks {
    std::function<void(const FunctionCode&)> store;  // "key_butt_keysave" and "key_butt_keydefalut"
    std::function<void()> prosave;                   // "key_butt_prosave"
    std::function<void()> closed;                    // after save, default or cancel
  };

  CKeySetControlUI();
  ~CKeySetControlUI() override;
  QString GetClass() const override { return QStringLiteral("KeySetControl"); }

  void SetCallbacks(Callbacks callbacks) { callbacks_ = std::move(callbacks); }
  // Fills "keyset_macro_combo".
  void SetMacroNames(std::vector<std::string> names);
  // Keeps the button's codes and shows the assigned one.
  void LoadRecord(const FunctionCode& assigned, const FunctionCode& defaultCode);
  void ShowDefault();
  void Cancel();
  // The code the controls describe.
  FunctionCode BuildCode() const { return model_.buildCode(); }
  // A key pressed while the key box has the focus (the hook's key capture);
  // false when ignored.
  bool CaptureKey(uint8_t scanCode, bool extended);
  // Empties the editor and reports "closed".
  void Close();
  // The button or key being edited, shown in the title ("Editing: A"); empty
  // shows the editor's plain title.
  void SetSubject(const QString& name);
  const QString& Subject() const { return subject_; }

  // Refills the lists in the language now loaded; keeps the selections.
  void ReloadText() override;
  // Shows the model's state in the controls.
  void RefreshView();

  const KeySetModel& Model() const { return model_; }

  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;
  void DoInit() override;
  void Notify(TNotifyUI& msg) override;

 private:
  struct Parts;
  void FindParts();
  void FillLists();
  void InstallKeyFilter();
  bool IsMine(const CControlUI* control) const;
  void OnItemSelect(CControlUI* sender, int index);
  void OnTextChanged(CControlUI* sender);
  void OnCheck(CControlUI* sender, bool checked);
  void OnClick(CControlUI* sender);
  void RequestKeyCapture(bool on);
  void ShowTitle();
  // "key_butt_keysave" and "key_butt_prosave" are available only while the
  // controls describe something to store (an empty key box does not).
  void ShowStoreButtons();

  KeySetModel model_;
  Callbacks callbacks_;
  std::unique_ptr<Parts> parts_;
  std::unique_ptr<QObject> keyFilter_;
  CPaintManagerUI* pm_ = nullptr;
  bool refreshing_ = false;
  bool capturing_ = false;  // key capture asked for (1054 with wParam 1 posted)
  bool loaded_ = false;     // a button's record is shown (LoadRecord until Close)
  QString subject_;
};

}  // namespace tessel::ui
