// Combo boxes and lists and their items.
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

// ======================================================================= combo and list items

bool CItemsUI::Add(CControlUI* control) {
  if (auto* element = dynamic_cast<CListLabelElementUI*>(control)) {
    AddItem(element->GetText(), element->GetUserData());
    delete element;
    return true;
  }
  delete control;  // a combo or list holds items only
  return false;
}

int CItemsUI::AddItem(const QString& text, const QString& userData) {
  GetWidget();
  updating_ = true;
  WidgetAdd(text, userData);
  WidgetShowSelection(curSel_);  // a combo would otherwise select its first item
  updating_ = false;
  return WidgetCount() - 1;
}

bool CItemsUI::RemoveItemAt(int index) {
  GetWidget();
  if (index < 0 || index >= WidgetCount()) return false;
  updating_ = true;
  WidgetRemove(index);
  if (curSel_ == index) curSel_ = -1;
  else if (curSel_ > index) --curSel_;
  WidgetShowSelection(curSel_);
  updating_ = false;
  return true;
}

void CItemsUI::RemoveAllItems() {
  GetWidget();
  updating_ = true;
  WidgetClear();
  curSel_ = -1;
  updating_ = false;
}

int CItemsUI::GetItemCount() const { return HasWidget() ? WidgetCount() : 0; }

QString CItemsUI::GetItemText(int index) const {
  return index >= 0 && index < GetItemCount() ? WidgetText(index) : QString();
}

QString CItemsUI::GetItemUserData(int index) const {
  return index >= 0 && index < GetItemCount() ? WidgetUserData(index) : QString();
}

bool CItemsUI::SelectItem(int index, bool triggerEvent) {
  GetWidget();
  if (index < -1 || index >= WidgetCount()) return false;
  const int old = curSel_;
  curSel_ = index;
  updating_ = true;
  WidgetShowSelection(index);
  updating_ = false;
  if (triggerEvent && old != index) SendNotify(notify::kItemSelect, static_cast<WPARAM>(index), old);
  return true;
}

// ======================================================================= combo

QWidget* CComboUI::CreateWidget() {
  auto* combo = new QComboBox();
  // Clicked or tabbed to, never focused by the wheel: scrolling past a
  // drop-down must not change what it holds.
  combo->setFocusPolicy(Qt::StrongFocus);
  QObject::connect(combo, &QComboBox::activated, bridge_, [this](int index) {
    if (!updating_) SelectItem(index, true);
  });
  return combo;
}

QComboBox* CComboUI::GetComboBox() const { return static_cast<QComboBox*>(widget_.data()); }

int CComboUI::WidgetCount() const { return GetComboBox()->count(); }
QString CComboUI::WidgetText(int index) const { return GetComboBox()->itemText(index); }
QString CComboUI::WidgetUserData(int index) const { return GetComboBox()->itemData(index).toString(); }
void CComboUI::WidgetAdd(const QString& text, const QString& userData) { GetComboBox()->addItem(text, userData); }
void CComboUI::WidgetRemove(int index) { GetComboBox()->removeItem(index); }
void CComboUI::WidgetClear() { GetComboBox()->clear(); }
void CComboUI::WidgetShowSelection(int index) { GetComboBox()->setCurrentIndex(index); }

void CComboUI::ApplyStyle() {
  if (!widget_) return;
  widget_->setStyleSheet(
      QStringLiteral("QComboBox{background:#1E222B;color:#E6E8EE;border:1px solid #343A46;border-radius:%1px;"
                     "padding:0 %2px;}QComboBox::drop-down{border:none;width:%3px;}"
                     "QComboBox QAbstractItemView{background:#1E222B;color:#E6E8EE;"
                     "selection-background-color:#3D7BFF;border:1px solid #343A46;}")
          .arg(Scale(4))
          .arg(Scale(8))
          .arg(Scale(20)));
}









void CComboUI::SetAttribute(const QString& name, const QString& value) {
  if (name.compare(QLatin1String("selectedid"), Qt::CaseInsensitive) == 0) {
    int index = value.toInt();
    if (index < GetItemCount()) SelectItem(index, false);
  } else {
    CContainerUI::SetAttribute(name, value);
  }
}

void CComboUI::SetEnabled(bool enabled) { CControlUI::SetEnabled(enabled); }

bool CComboUI::OnWidgetEvent(QEvent* event) {
  // The wheel changes the choice only once the user has put the focus here.
  if (event->type() == QEvent::Wheel && !widget_->hasFocus()) return true;
  return CItemsUI::OnWidgetEvent(event);
}

void CComboUI::ApplyDpi() {
  CControlUI::ApplyDpi();
  ApplyStyle();
}

// ======================================================================= list

QWidget* CListUI::CreateWidget() {
  auto* list = new QListWidget();
  list->setStyleSheet(QStringLiteral("QListWidget{background:#1E222B;color:#E6E8EE;border:1px solid #343A46;"
                                     "border-radius:4px;outline:none;}"
                                     "QListWidget::item:selected{background:#3D7BFF;color:white;}"));
  QObject::connect(list, &QListWidget::currentRowChanged, bridge_, [this](int row) {
    if (updating_) return;
    const int old = curSel_;
    curSel_ = row;
    if (old != row) SendNotify(notify::kItemSelect, static_cast<WPARAM>(row), old);
  });
  QObject::connect(list, &QListWidget::itemClicked, bridge_, [this, list](QListWidgetItem* item) {
    SendNotify(notify::kItemClick, static_cast<WPARAM>(list->row(item)));
  });
  QObject::connect(list, &QListWidget::itemDoubleClicked, bridge_, [this, list](QListWidgetItem* item) {
    SendNotify(notify::kItemActivate, static_cast<WPARAM>(list->row(item)));
  });
  return list;
}

QListWidget* CListUI::GetListWidget() const { return static_cast<QListWidget*>(widget_.data()); }

int CListUI::WidgetCount() const { return GetListWidget()->count(); }
QString CListUI::WidgetText(int index) const { return GetListWidget()->item(index)->text(); }
QString CListUI::WidgetUserData(int index) const {
  return GetListWidget()->item(index)->data(Qt::UserRole).toString();
}
void CListUI::WidgetAdd(const QString& text, const QString& userData) {
  auto* item = new QListWidgetItem(text);
  item->setData(Qt::UserRole, userData);
  GetListWidget()->addItem(item);
}
void CListUI::WidgetRemove(int index) { delete GetListWidget()->takeItem(index); }
void CListUI::WidgetClear() { GetListWidget()->clear(); }
void CListUI::WidgetShowSelection(int index) { GetListWidget()->setCurrentRow(index); }








bool CListUI::SetItemText(int index, const QString& text) {
  auto* list = GetListWidget();
  if (!list || index < 0 || index >= list->count()) return false;
  list->item(index)->setText(text);
  return true;
}


void CListUI::EnsureVisible(int index) {
  auto* list = GetListWidget();
  if (list && index >= 0 && index < list->count()) list->scrollToItem(list->item(index));
}

void CListUI::SetAttribute(const QString& name, const QString& value) { CContainerUI::SetAttribute(name, value); }

void CListUI::ApplyDpi() { CControlUI::ApplyDpi(); }

}  // namespace tessel::ui
