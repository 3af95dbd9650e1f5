#pragma once
// One row of the settings window's update list: the mark "check_name_select",
// the name, the installed and available versions, the state text and the
// progress "update_progress_value" (shown in the download and update states).
// Server texts are drawn as plain text.
#include "services/update_list.h"
#include "ui/toolkit/controls.h"

namespace tessel::ui {

class CUpdateInfoListItemUI : public CHorizontalLayoutUI {
 public:
  static constexpr int kRowHeight = 50;
  CUpdateInfoListItemUI();
  QString GetClass() const override { return QStringLiteral("UpdateInfoListItem"); }

  // Shows the row: texts, state text and colours, whether it can be marked.
  void SetRow(const UpdateListRow& row);
  int GetState() const { return state_; }
  CCheckBoxUI* GetCheck() const { return check_; }
  CLabelUI* GetStateLabel() const { return stateText_; }
  CLabelUI* GetAvailableLabel() const { return available_; }
  CProgressUI* GetProgress() const { return progress_; }

 private:
  CCheckBoxUI* check_;
  CLabelUI *name_, *installed_, *available_, *stateText_;
  CProgressUI* progress_;
  int state_ = -1;
};

}  // namespace tessel::ui
