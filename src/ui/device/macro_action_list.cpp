#include "ui/device/macro_action_list.h"

#include <QContextMenuEvent>
#include <QEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>

#include "ui/toolkit/paint_manager.h"

namespace tessel::ui {

namespace {

constexpr DWORD kRowColour = 0xFF1A1D24u;
constexpr DWORD kSelectedRowColour = 0xFF24365Cu;
constexpr DWORD kDownColour = 0xFF6FA0FFu;
constexpr DWORD kUpColour = 0xFF8A93A6u;
constexpr int kStateWidth = 78;
constexpr int kDelayWidth = 76;
constexpr int kUnitWidth = 26;
constexpr int kBarWidth = 8;
constexpr int kBarGap = 4;
constexpr int kWheelRows = 3;

// Labels let the row take their clicks, so a click anywhere but the delay
// field selects the row.
CLabelUI* RowLabel(int width, DWORD colour) {
  auto* label = new CLabelUI;
  if (width > 0) label->SetFixedWidth(width);
  label->SetTextColor(colour);
  label->SetFont(8);
  label->SetTextPadding(QMargins(8, 0, 4, 0));
  label->SetTextStyle(DT_LEFT | DT_VCENTER | DT_END_ELLIPSIS);
  return label;
}

}  // namespace

// ------------------------------------------------------------------ row

CMacroActionRowUI::CMacroActionRowUI(CMacroActionListUI& list) : list_(list) {
  SetBkColor(kRowColour);
  SetBorderRound(6);
  SetInset(QMargins(2, 3, 6, 3));
  SetChildPadding(4);
  state_ = RowLabel(kStateWidth, kDownColour);
  name_ = RowLabel(0, 0xFFE6E8EEu);
  delay_ = new CEditUI;
  delay_->SetName(QStringLiteral("macro_delay"));
  delay_->SetFixedWidth(kDelayWidth);
  delay_->SetMaxChar(6);
  delay_->SetNumberOnly(true);
  delay_->SetMinValue(0);
  delay_->SetMaxValue(65535);
  delay_->SetFont(8);
  delay_->SetBkColor(0xFF14171D);
  delay_->SetBorderColor(0xFF2E3441);
  delay_->SetBorderSize(1);
  delay_->SetBorderRound(5);
  auto* unit = RowLabel(kUnitWidth, kUpColour);
  unit->SetTextPadding(QMargins(2, 0, 0, 0));
  unit->SetText(QStringLiteral("%[macro_delay_unit]"));
  Add(state_);
  Add(name_);
  Add(delay_);
  Add(unit);
  for (CControlUI* label : {static_cast<CControlUI*>(state_), static_cast<CControlUI*>(name_),
                            static_cast<CControlUI*>(unit)})
    label->GetWidget()->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void CMacroActionRowUI::ShowState(bool down, const QString& text) {
  state_->SetText(text);
  state_->SetTextColor(down ? kDownColour : kUpColour);
}

void CMacroActionRowUI::SetSelectedLook(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  SetBkColor(selected ? kSelectedRowColour : kRowColour);
}

void CMacroActionRowUI::DoEvent(TEventUI& event) {
  if (event.Type == UIEvent::ButtonDown) {
    event.lParam = 1;  // a row is no caption: the window does not start a drag
    list_.RowPressed(this);
    return;
  }
  CHorizontalLayoutUI::DoEvent(event);
}

bool CMacroActionRowUI::OnWidgetEvent(QEvent* event) {
  if (event->type() == QEvent::MouseButtonPress &&
      static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
    list_.RowPressed(this);
    return true;
  }
  if (event->type() == QEvent::ContextMenu) {
    list_.RequestMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
    return true;
  }
  return CHorizontalLayoutUI::OnWidgetEvent(event);
}

// ------------------------------------------------------------------ list

CMacroActionListUI::CMacroActionListUI() { childPadding_ = 4; }

CMacroActionRowUI* CMacroActionListUI::GetRow(int index) const {
  return dynamic_cast<CMacroActionRowUI*>(GetItemAt(index));
}

int CMacroActionListUI::RowOf(const CControlUI* control) const {
  for (const CControlUI* c = control; c; c = c->GetParent()) {
    if (c->GetParent() == this) return GetItemIndex(const_cast<CControlUI*>(c));
  }
  return -1;
}

void CMacroActionListUI::SetRowCount(int count) {
  count = std::max(0, count);
  if (count == GetCount()) return;
  // One layout pass for the whole change, not one per row.
  batch_ = true;
  while (GetCount() > count) Remove(GetItemAt(GetCount() - 1));
  while (GetCount() < count) Add(new CMacroActionRowUI(*this));
  batch_ = false;
  if (curSel_ >= count) curSel_ = -1;
  Relayout();
}

void CMacroActionListUI::SelectItem(int index, bool triggerEvent) {
  if (index < 0 || index >= GetCount()) index = -1;
  const int previous = curSel_;
  if (auto* old = GetRow(previous)) old->SetSelectedLook(false);
  curSel_ = index;
  if (auto* row = GetRow(index)) {
    row->SetSelectedLook(true);
    EnsureVisible(index);
  }
  if (triggerEvent && previous != index)
    SendNotify(notify::kItemSelect, static_cast<WPARAM>(index), static_cast<LPARAM>(previous));
}

void CMacroActionListUI::EnsureVisible(int index) {
  if (index < 0 || index >= GetCount()) return;
  const int step = Scale(rowHeight_) + Scale(childPadding_);
  const int top = index * step;
  const int bottom = top + Scale(rowHeight_);
  const int view = ViewHeight();
  if (top < scroll_) ScrollTo(top);
  else if (view > 0 && bottom > scroll_ + view) ScrollTo(bottom - view);
}

void CMacroActionListUI::RowPressed(CMacroActionRowUI* row) { SelectItem(GetItemIndex(row)); }

void CMacroActionListUI::RequestMenu(const QPoint& globalPoint) {
  menuPoint_ = globalPoint;
  SendNotify(notify::kMenu);
}

void CMacroActionListUI::SetAttribute(const QString& name, const QString& value) {
  if (name.compare(QLatin1String("itemheight"), Qt::CaseInsensitive) == 0) {
    rowHeight_ = std::max(16, value.toInt());
    Relayout();
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

void CMacroActionListUI::OnWidgetCreated() {
  bar_ = new QScrollBar(Qt::Vertical, widget_);
  bar_->setStyleSheet(QStringLiteral(
      "QScrollBar:vertical{background:transparent;width:8px;margin:0;}"
      "QScrollBar::handle:vertical{background:#3A4150;border-radius:4px;min-height:24px;}"
      "QScrollBar::add-line:vertical,QScrollBar::sub-line:vertical{height:0;}"
      "QScrollBar::add-page:vertical,QScrollBar::sub-page:vertical{background:transparent;}"));
  bar_->hide();
  QObject::connect(bar_, &QScrollBar::valueChanged, widget_, [this](int value) {
    if (!settingBar_) ScrollTo(value);
  });
}

bool CMacroActionListUI::OnWidgetEvent(QEvent* event) {
  switch (event->type()) {
    case QEvent::Wheel: {
      const int notches = static_cast<QWheelEvent*>(event)->angleDelta().y() / 120;
      ScrollTo(scroll_ - notches * kWheelRows * (Scale(rowHeight_) + Scale(childPadding_)));
      return true;
    }
    case QEvent::ContextMenu:
      RequestMenu(static_cast<QContextMenuEvent*>(event)->globalPos());
      return true;
    default: return CContainerUI::OnWidgetEvent(event);
  }
}

int CMacroActionListUI::ContentHeight() const {
  const int n = GetCount();
  return n == 0 ? 0 : n * Scale(rowHeight_) + (n - 1) * Scale(childPadding_);
}

int CMacroActionListUI::ViewHeight() const { return widget_ ? InnerRect().height() : 0; }

void CMacroActionListUI::ScrollTo(int position) {
  const int most = std::max(0, ContentHeight() - ViewHeight());
  position = std::clamp(position, 0, most);
  if (position == scroll_) return;
  scroll_ = position;
  Relayout();
}

void CMacroActionListUI::Relayout() {
  if (!widget_ || batch_) return;
  const QRect inner = InnerRect();
  const int content = ContentHeight();
  const int view = inner.height();
  const bool scrolling = content > view;
  scroll_ = std::clamp(scroll_, 0, std::max(0, content - view));
  const int barSpace = scrolling ? Scale(kBarWidth) + Scale(kBarGap) : 0;
  const int height = Scale(rowHeight_);
  const int step = height + Scale(childPadding_);
  for (int i = 0; i < GetCount(); ++i) {
    CControlUI* row = GetItemAt(i);
    row->GetWidget()->setGeometry(inner.left(), inner.top() + i * step - scroll_,
                                  std::max(0, inner.width() - barSpace), height);
  }
  if (bar_) {
    settingBar_ = true;
    bar_->setVisible(scrolling);
    bar_->setGeometry(inner.right() - Scale(kBarWidth) + 1, inner.top(), Scale(kBarWidth), std::max(0, view));
    bar_->setRange(0, std::max(0, content - view));
    bar_->setPageStep(std::max(1, view));
    bar_->setSingleStep(step);
    bar_->setValue(scroll_);
    settingBar_ = false;
  }
}

}  // namespace tessel::ui
