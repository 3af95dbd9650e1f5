// Containers: vertical, horizontal, plain and tab layouts.
#include "ui/toolkit/controls.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTextEdit>
#include <QWheelEvent>
#include <QWidget>
#include <algorithm>

#include "ui/toolkit/controls_internal.h"
#include "ui/toolkit/paint_manager.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {

using namespace control_detail;

// ======================================================================= containers

CContainerUI::~CContainerUI() {
  // Children first: their widgets are children of ours.
  auto items = std::move(items_);
  items_.clear();
  for (CControlUI* c : items) delete c;
}

bool CContainerUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CContainerUI::AddAt(CControlUI* control, int index) {
  if (!control || index < 0 || index > GetCount()) return false;
  items_.insert(items_.begin() + index, control);
  QWidget* child = control->GetWidget();
  child->setParent(GetWidget());
  control->SetManager(manager_, this);
  control->UpdateWidgetVisibility();
  if (control->IsFloat()) child->raise();
  Relayout();
  return true;
}

bool CContainerUI::Remove(CControlUI* control) {
  auto it = std::find(items_.begin(), items_.end(), control);
  if (it == items_.end()) return false;
  items_.erase(it);
  delete control;
  Relayout();
  return true;
}

void CContainerUI::RemoveAll() {
  auto items = std::move(items_);
  items_.clear();
  for (CControlUI* c : items) delete c;
  Relayout();
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  if (index < 0 || index >= GetCount()) return nullptr;
  return items_[static_cast<size_t>(index)];
}

int CContainerUI::GetItemIndex(CControlUI* control) const {
  auto it = std::find(items_.begin(), items_.end(), control);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void CContainerUI::SetInset(const QMargins& inset) { inset_ = inset; Relayout(); }
void CContainerUI::SetChildPadding(int padding) { childPadding_ = std::max(0, padding); Relayout(); }

void CContainerUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("inset")) SetInset(ParseMargins(value));
  else if (n == QLatin1String("childpadding")) SetChildPadding(value.toInt());
  else CControlUI::SetAttribute(name, value);
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  CControlUI::SetManager(manager, parent);
  for (CControlUI* c : items_) c->SetManager(manager, this);
}

void CContainerUI::SetVisible(bool visible) { CControlUI::SetVisible(visible); }

void CContainerUI::ApplyDpi() {
  CControlUI::ApplyDpi();
  for (CControlUI* c : items_) c->ApplyDpi();
  Relayout();
}

QRect CContainerUI::InnerRect() const {
  if (!widget_) return {};
  return widget_->rect().marginsRemoved(QMargins(Scale(inset_.left()), Scale(inset_.top()),
                                                 Scale(inset_.right()), Scale(inset_.bottom())));
}

void CContainerUI::PlaceFloat(CControlUI* child, const QRect& inner) {
  QWidget* w = child->GetWidget();
  const QRect pos = child->GetFloatPos();
  int x = widget_->rect().left() + Scale(pos.left());
  int y = widget_->rect().top() + Scale(pos.top());
  int width = child->GetFixedWidth() ? Scale(child->GetFixedWidth()) : widget_->width() - x;
  int height = child->GetFixedHeight() ? Scale(child->GetFixedHeight()) : widget_->height() - y;
  (void)inner;
  w->setGeometry(x, y, std::max(0, width), std::max(0, height));
  w->raise();
}

void CContainerUI::Relayout() {
  if (!widget_) return;
  const QRect inner = InnerRect();
  for (CControlUI* c : items_) {
    if (!c->IsVisible()) continue;
    if (c->IsFloat()) {
      PlaceFloat(c, inner);
      continue;
    }
    QMargins p(Scale(c->GetPadding().left()), Scale(c->GetPadding().top()), Scale(c->GetPadding().right()),
               Scale(c->GetPadding().bottom()));
    QRect r = inner.marginsRemoved(p);
    if (c->GetFixedWidth()) r.setWidth(Scale(c->GetFixedWidth()));
    if (c->GetFixedHeight()) r.setHeight(Scale(c->GetFixedHeight()));
    c->GetWidget()->setGeometry(r);
  }
}

// Lays out the children of a vertical (rows) or horizontal (columns) layout:
// fixed sizes first, the rest shared out evenly among the children without one.
void CContainerUI::RelayoutLinear(bool vertical) {
  if (!widget_) return;
  const QRect inner = InnerRect();
  auto fixedAlong = [vertical](CControlUI* c) { return vertical ? c->GetFixedHeight() : c->GetFixedWidth(); };
  auto fixedAcross = [vertical](CControlUI* c) { return vertical ? c->GetFixedWidth() : c->GetFixedHeight(); };
  auto before = [vertical](const QMargins& m) { return vertical ? m.top() : m.left(); };
  auto after = [vertical](const QMargins& m) { return vertical ? m.bottom() : m.right(); };
  auto acrossBefore = [vertical](const QMargins& m) { return vertical ? m.left() : m.top(); };
  auto acrossAfter = [vertical](const QMargins& m) { return vertical ? m.right() : m.bottom(); };
  const int length = vertical ? inner.height() : inner.width();
  const int breadth = vertical ? inner.width() : inner.height();
  int fixedSum = 0, autoCount = 0, shown = 0;
  for (CControlUI* c : items_) {
    if (!c->IsVisible() || c->IsFloat()) continue;
    ++shown;
    fixedSum += Scale(before(c->GetPadding())) + Scale(after(c->GetPadding()));
    if (fixedAlong(c)) fixedSum += Scale(fixedAlong(c));
    else ++autoCount;
  }
  if (shown > 1) fixedSum += Scale(childPadding_) * (shown - 1);
  const int remaining = std::max(0, length - fixedSum);
  int pos = vertical ? inner.top() : inner.left();
  int autoSeen = 0;
  for (CControlUI* c : items_) {
    if (!c->IsVisible()) continue;
    if (c->IsFloat()) {
      PlaceFloat(c, inner);
      continue;
    }
    const QMargins p = c->GetPadding();
    pos += Scale(before(p));
    int along;
    if (fixedAlong(c)) {
      along = Scale(fixedAlong(c));
    } else {
      ++autoSeen;
      along = remaining / autoCount + (autoSeen == autoCount ? remaining % autoCount : 0);
    }
    const int avail = breadth - Scale(acrossBefore(p)) - Scale(acrossAfter(p));
    const int across = fixedAcross(c) ? Scale(fixedAcross(c)) : avail;
    // Rows start at the left edge; fixed-height children are centred in a column layout's row.
    const int offset = (!vertical && fixedAcross(c)) ? std::max(0, (avail - across) / 2) : 0;
    const int crossPos = (vertical ? inner.left() : inner.top()) + Scale(acrossBefore(p)) + offset;
    if (vertical) c->GetWidget()->setGeometry(crossPos, pos, std::max(0, across), std::max(0, along));
    else c->GetWidget()->setGeometry(pos, crossPos, std::max(0, along), std::max(0, across));
    pos += along + Scale(after(p)) + Scale(childPadding_);
  }
}

void CVerticalLayoutUI::Relayout() { RelayoutLinear(true); }

void CHorizontalLayoutUI::Relayout() { RelayoutLinear(false); }

// ----------------------------------------------------------------------- tab layout

bool CTabLayoutUI::Add(CControlUI* control) { return AddAt(control, GetCount()); }

bool CTabLayoutUI::AddAt(CControlUI* control, int index) {
  if (!CContainerUI::AddAt(control, index)) return false;
  if (curSel_ < 0) curSel_ = 0;
  else if (index <= curSel_ && curSel_ < GetCount() - 1) ++curSel_;
  ApplySelection();
  return true;
}

bool CTabLayoutUI::Remove(CControlUI* control) {
  int index = GetItemIndex(control);
  if (!CContainerUI::Remove(control)) return false;
  if (GetCount() == 0) curSel_ = -1;
  else if (index < curSel_ || curSel_ >= GetCount()) curSel_ = std::max(0, curSel_ - 1);
  ApplySelection();
  return true;
}

void CTabLayoutUI::RemoveAll() {
  CContainerUI::RemoveAll();
  curSel_ = -1;
}

bool CTabLayoutUI::SelectItem(int index) {
  if (index < 0 || index >= GetCount()) return false;
  if (index == curSel_) return true;
  curSel_ = index;
  ApplySelection();
  return true;
}

void CTabLayoutUI::ApplySelection() {
  for (int i = 0; i < GetCount(); ++i) items_[static_cast<size_t>(i)]->SetInternVisible(i == curSel_);
  Relayout();
}

void CTabLayoutUI::DoInit() {
  if (pendingSel_ >= 0) SelectItem(pendingSel_);
}

bool CTabLayoutUI::ShowsChild(const CControlUI* child) const {
  return curSel_ >= 0 && curSel_ < GetCount() && items_[static_cast<size_t>(curSel_)] == child;
}

void CTabLayoutUI::SetAttribute(const QString& name, const QString& value) {
  if (name.compare(QLatin1String("selectedid"), Qt::CaseInsensitive) == 0) {
    pendingSel_ = value.toInt();
    SelectItem(pendingSel_);  // applied again in DoInit, once the pages exist
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

}  // namespace tessel::ui
