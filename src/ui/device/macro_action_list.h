#pragma once
// The macro editor's event list "macro_action_list": a scrolling column of
// rows, one per event, each holding a state label (press or release style),
// a name label and the row's delay field "macro_delay". The list keeps the
// selected row and reports a change of it as "itemselect" (wParam the new
// row, lParam the previous one, -1 for none); a right click raises "menu"
// (on a row, after selecting it; on the empty area below the rows too).
//
// The list only shows rows; what they hold comes from the editor
// (CMacroControlUI), which rebuilds their texts from its event model.
//
// In a skin: <MacroActionList name="macro_action_list" itemheight="32"/>.
#include <QPoint>
#include <QString>

#include "ui/toolkit/controls.h"

class QScrollBar;

namespace tessel::ui {

class CMacroActionListUI;

// One event row. Its children are made by the list; clicks on the labels
// reach the row.
class CMacroActionRowUI : public CHorizontalLayoutUI {
 public:
  explicit CMacroActionRowUI(CMacroActionListUI& list);
  QString GetClass() const override { return QStringLiteral("MacroActionRow"); }

  CLabelUI* StateLabel() const { return state_; }
  CLabelUI* NameLabel() const { return name_; }
  CEditUI* DelayField() const { return delay_; }
  // Press rows and release rows look different.
  void ShowState(bool down, const QString& text);
  void SetSelectedLook(bool selected);
  bool IsSelectedLook() const { return selected_; }

  void DoEvent(TEventUI& event) override;

 protected:
  bool OnWidgetEvent(QEvent* event) override;

 private:
  CMacroActionListUI& list_;
  CLabelUI* state_ = nullptr;
  CLabelUI* name_ = nullptr;
  CEditUI* delay_ = nullptr;
  bool selected_ = false;
};

class CMacroActionListUI : public CContainerUI {
 public:
  CMacroActionListUI();
  QString GetClass() const override { return QStringLiteral("MacroActionList"); }

  int GetRowCount() const { return GetCount(); }
  CMacroActionRowUI* GetRow(int index) const;
  // The row that holds `control` (a row or one of its children), -1 if none.
  int RowOf(const CControlUI* control) const;
  // Keeps exactly `count` rows: new rows are added at the end, surplus rows
  // removed from the end; the rows kept keep their controls.
  void SetRowCount(int count);

  int GetCurSel() const { return curSel_; }
  // Selects row `index` (-1 or out of range: none) and scrolls it into view;
  // "itemselect" when the selection changed and triggerEvent is set.
  void SelectItem(int index, bool triggerEvent = true);
  void EnsureVisible(int index);
  // Where the last "menu" was asked for, in screen coordinates.
  QPoint GetMenuPoint() const { return menuPoint_; }
  int GetScrollPos() const { return scroll_; }
  int GetRowHeight() const { return rowHeight_; }

  void SetAttribute(const QString& name, const QString& value) override;
  void Relayout() override;

  // A row asks for the selection or the menu.
  void RowPressed(CMacroActionRowUI* row);
  void RequestMenu(const QPoint& globalPoint);

 protected:
  void OnWidgetCreated() override;
  bool OnWidgetEvent(QEvent* event) override;

 private:
  int ContentHeight() const;
  int ViewHeight() const;
  void ScrollTo(int position);

  int rowHeight_ = 32;
  int curSel_ = -1;
  int scroll_ = 0;
  QPoint menuPoint_;
  QScrollBar* bar_ = nullptr;
  bool settingBar_ = false;
  bool batch_ = false;  // rows being added or removed: one layout at the end
};

}  // namespace tessel::ui
