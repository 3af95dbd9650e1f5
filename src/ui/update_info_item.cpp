#include "ui/update_info_item.h"

#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {

namespace {
constexpr DWORD kUnknownText = 0xFFC9CED8u;
constexpr DWORD kUnknownBack = 0xFF1F232Cu;
constexpr DWORD kUnknownBorder = 0xFF2E3441u;

template <typename T>
T* makeChild(CContainerUI& parent, const char* name, int width) {
  auto* c = new T;
  c->SetName(QString::fromLatin1(name));
  if (width > 0) c->SetFixedWidth(width);
  parent.Add(c);
  return c;
}
}  // namespace

CUpdateInfoListItemUI::CUpdateInfoListItemUI() {
  SetName(QStringLiteral("update_info_item"));
  SetFixedHeight(kRowHeight);
  SetInset(QMargins(12, 0, 12, 0));
  SetChildPadding(6);
  SetBorderRound(6);
  SetBorderSize(1);
  // The mark keeps its column when a row cannot be marked.
  auto* markColumn = new CHorizontalLayoutUI;
  markColumn->SetFixedWidth(26);
  Add(markColumn);
  check_ = makeChild<CCheckBoxUI>(*markColumn, "check_name_select", 20);
  check_->SetFixedHeight(20);
  check_->SetBorderSize(1);
  check_->SetBorderColor(0xFF3A4150);
  check_->SetBorderRound(4);
  check_->SetSelectedBkColor(0xFF3D7BFF);
  // The column widths are those of the list's header in SetWnd.xml.
  name_ = makeChild<CLabelUI>(*this, "update_name_text", 130);
  installed_ = makeChild<CLabelUI>(*this, "update_installed_text", 90);
  available_ = makeChild<CLabelUI>(*this, "update_available_text", 90);
  auto* last = new CVerticalLayoutUI;
  Add(last);
  stateText_ = makeChild<CLabelUI>(*last, "update_state_text", 0);
  progress_ = makeChild<CProgressUI>(*last, "update_progress_value", 0);
  progress_->SetFixedHeight(4);
  progress_->SetBkColor(0xFF2C313C);
  progress_->SetVisible(false);
}

void CUpdateInfoListItemUI::SetRow(const UpdateListRow& row) {
  state_ = row.state;
  // The service's short row codes ("MS", "AP") mean nothing to a user: a
  // code with a language text shows that text.
  const QString code = QString::fromStdString(row.result.name);
  const QString nameKey = QStringLiteral("update_row_") + code;
  name_->SetText(CResourceManager::GetInstance()->GetText(nameKey) != nameKey
                     ? QStringLiteral("%[") + nameKey + QLatin1Char(']')
                     : code);
  installed_->SetText(QString::fromStdString(row.result.installedText));
  available_->SetText(row.state == 7 ? QString() : QString::fromStdString(row.result.availableText));
  SetUserData(QString::fromStdString(row.result.path));
  // A row nobody answered for is in no known state: it shows none rather
  // than "up to date".
  const bool known = row.state != kUpdateStatusNothingNewer || row.result.answered;
  const std::string_view key = known ? updateRowStateTextKey(row.state) : std::string_view();
  stateText_->SetText(key.empty() ? QString() : QStringLiteral("%[") + QString::fromLatin1(key.data(), int(key.size())) +
                                                    QStringLiteral("]"));
  // An unknown row takes plain panel colours, not the grey of "up to date".
  const DWORD text = known ? updateRowTextColour(row.state) : kUnknownText;
  for (CLabelUI* l : {name_, installed_, available_, stateText_}) l->SetTextColor(text);
  SetBkColor(known ? updateRowBackColour(row.state) : kUnknownBack);
  SetBorderColor(known ? updateRowBorderColour(row.state) : kUnknownBorder);
  progress_->SetVisible(updateRowStateShowsProgress(row.state));
  check_->SetEnabled(row.selectable);
  check_->SetVisible(updateRowStateMarkable(row.state));
  check_->SetCheck(row.selected, false);
}

}  // namespace tessel::ui
