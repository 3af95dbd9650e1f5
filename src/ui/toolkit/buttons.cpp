// Labels, buttons, options and check boxes.
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

// ======================================================================= label, button

void CLabelUI::SetAttribute(const QString& name, const QString& value) { CControlUI::SetAttribute(name, value); }

void CLabelUI::PaintText(QPainter& painter, const QRect& rc) {
  DWORD color = IsEnabled() ? textColor_ : (disabledTextColor_ ? disabledTextColor_ : 0xFF6B7080u);
  DrawText(painter, rc, text_, color, textStyle_);
}

CButtonUI::CButtonUI() {
  textStyle_ = DT_CENTER | DT_VCENTER;
  cursorHand_ = true;
}

void CButtonUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("normalimage")) SetNormalImage(value);
  else if (n == QLatin1String("hotimage")) SetHotImage(value);
  else if (n == QLatin1String("pushedimage")) SetPushedImage(value);
  else if (n == QLatin1String("disabledimage")) disabledImage_ = value;
  else if (n == QLatin1String("hotforeimage")) hotForeImage_ = value;
  else if (n == QLatin1String("hotbkcolor")) SetHotBkColor(ParseColor(value));
  else if (n == QLatin1String("pushedbkcolor")) pushedBkColor_ = ParseColor(value);
  else if (n == QLatin1String("hottextcolor")) hotTextColor_ = ParseColor(value);
  else if (n == QLatin1String("pushedtextcolor")) pushedTextColor_ = ParseColor(value);
  else CLabelUI::SetAttribute(name, value);
}

void CButtonUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEvent::ButtonDown:
      if (IsEnabled()) {
        pushed_ = true;
        event.lParam = 1;  // taken: no window drag
        Invalidate();
      }
      return;
    case UIEvent::ButtonUp:
      if (pushed_) {
        pushed_ = false;
        Invalidate();
        if (widget_ && widget_->rect().contains(event.ptMouse)) Activate();
      }
      return;
    default: CLabelUI::DoEvent(event);
  }
}

void CButtonUI::PaintBkColor(QPainter& painter, const QRect& rc) {
  DWORD saved = bkColor_;
  if (IsEnabled() && pushed_ && pushedBkColor_) bkColor_ = pushedBkColor_;
  else if (IsEnabled() && (hot_ || pushed_) && hotBkColor_) bkColor_ = hotBkColor_;
  CLabelUI::PaintBkColor(painter, rc);
  bkColor_ = saved;
}

void CButtonUI::PaintStatusImage(QPainter& painter, const QRect& rc) {
  const QString* image = &normalImage_;
  if (!IsEnabled() && !disabledImage_.isEmpty()) image = &disabledImage_;
  else if (pushed_ && !pushedImage_.isEmpty()) image = &pushedImage_;
  else if ((hot_ || pushed_) && !hotImage_.isEmpty()) image = &hotImage_;
  DrawImage(painter, rc, *image);
  if ((hot_ || pushed_) && !hotForeImage_.isEmpty()) DrawImage(painter, rc, hotForeImage_);
  else DrawImage(painter, rc, foreImage_);
}

DWORD CButtonUI::CurrentTextColor() const {
  if (!IsEnabled()) return disabledTextColor_ ? disabledTextColor_ : 0xFF6B7080u;
  if (pushed_ && pushedTextColor_) return pushedTextColor_;
  if ((hot_ || pushed_) && hotTextColor_) return hotTextColor_;
  return textColor_;
}

void CButtonUI::PaintText(QPainter& painter, const QRect& rc) {
  DrawText(painter, rc, text_, CurrentTextColor(), textStyle_);
}

// ----------------------------------------------------------------------- option

COptionUI::~COptionUI() {
  if (manager_ && !group_.isEmpty()) manager_->RemoveOptionGroup(group_, this);
}

void COptionUI::SetGroup(const QString& group) {
  if (group == group_) return;
  if (manager_ && !group_.isEmpty()) manager_->RemoveOptionGroup(group_, this);
  group_ = group;
  if (manager_ && !group_.isEmpty()) manager_->AddOptionGroup(group_, this);
}

void COptionUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  if (manager_ != manager) {
    if (manager_ && !group_.isEmpty()) manager_->RemoveOptionGroup(group_, this);
    if (manager && !group_.isEmpty()) manager->AddOptionGroup(group_, this);
  }
  CButtonUI::SetManager(manager, parent);
  if (selected_) BindTab();
}

void COptionUI::Selected(bool selected, bool triggerEvent) {
  if (selected_ == selected) return;
  selected_ = selected;
  Invalidate();
  if (selected_ && manager_ && !group_.isEmpty()) {
    for (COptionUI* other : manager_->GetOptionGroup(group_)) {
      if (other != this) other->Selected(false, triggerEvent);
    }
  }
  if (selected_) BindTab();
  if (triggerEvent && (group_.isEmpty() || selected_)) SendNotify(notify::kSelectChanged);
}

void COptionUI::BindTab() {
  if (!manager_ || bindTabName_.isEmpty() || bindTabIndex_ < 0) return;
  if (auto* tab = dynamic_cast<CTabLayoutUI*>(manager_->FindControl(bindTabName_))) tab->SelectItem(bindTabIndex_);
}

bool COptionUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  if (!group_.isEmpty()) Selected(true);
  else Selected(!selected_);
  return true;
}

void COptionUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("group")) SetGroup(value);
  else if (n == QLatin1String("selected")) Selected(ParseBool(value), false);
  else if (n == QLatin1String("bindtabindex")) SetBindTabLayoutIndex(value.toInt());
  else if (n == QLatin1String("bindtablayoutname")) SetBindTabLayoutName(value);
  else if (n == QLatin1String("selectedimage")) SetSelectedImage(value);
  else if (n == QLatin1String("selectedhotimage")) selectedHotImage_ = value;
  else if (n == QLatin1String("selectedforeimage")) selectedForeImage_ = value;
  else if (n == QLatin1String("selectedbkcolor")) SetSelectedBkColor(ParseColor(value));
  else if (n == QLatin1String("selectedtextcolor")) selectedTextColor_ = ParseColor(value);
  else CButtonUI::SetAttribute(name, value);
}

void COptionUI::PaintBkColor(QPainter& painter, const QRect& rc) {
  if (selected_ && selectedBkColor_) {
    DWORD saved = bkColor_;
    bkColor_ = selectedBkColor_;
    // An unavailable option keeps showing its choice, faded, so it does not
    // look like a control the user can change.
    if (!IsEnabled()) bkColor_ = (bkColor_ & 0x00FFFFFFu) | (((bkColor_ >> 24) * 3 / 10) << 24);
    CLabelUI::PaintBkColor(painter, rc);
    bkColor_ = saved;
    return;
  }
  CButtonUI::PaintBkColor(painter, rc);
}

void COptionUI::PaintStatusImage(QPainter& painter, const QRect& rc) {
  if (selected_) {
    const QString& image = (hot_ && !selectedHotImage_.isEmpty()) ? selectedHotImage_ : selectedImage_;
    if (!image.isEmpty()) {
      DrawImage(painter, rc, image);
      DrawImage(painter, rc, selectedForeImage_.isEmpty() ? foreImage_ : selectedForeImage_);
      return;
    }
  }
  CButtonUI::PaintStatusImage(painter, rc);
}

DWORD COptionUI::CurrentTextColor() const {
  if (selected_ && selectedTextColor_ && IsEnabled()) return selectedTextColor_;
  return CButtonUI::CurrentTextColor();
}

bool CCheckBoxUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  Selected(!selected_);
  SendNotify(notify::kCheckClick, selected_ ? 1 : 0);
  return true;
}

void CCheckBoxUI::PaintStatusImage(QPainter& painter, const QRect& rc) {
  if (!normalImage_.isEmpty() || !selectedImage_.isEmpty()) {
    COptionUI::PaintStatusImage(painter, rc);
    return;
  }
  // Drawn box at the left, text after it.
  const int s = std::min(rc.height(), Scale(16));
  QRectF box(rc.left() + 1, rc.center().y() - s / 2.0, s - 2, s - 2);
  painter.setPen(QPen(Argb(selected_ ? 0xFF3D7BFFu : 0xFF5A6070u), Scale(1)));
  painter.setBrush(selected_ ? Argb(0xFF3D7BFFu) : QColor(Qt::transparent));
  painter.drawRoundedRect(box, Scale(3), Scale(3));
  if (selected_) {
    painter.setPen(QPen(Qt::white, Scale(2)));
    QPointF a(box.left() + box.width() * 0.22, box.top() + box.height() * 0.52);
    QPointF b(box.left() + box.width() * 0.43, box.top() + box.height() * 0.72);
    QPointF c(box.left() + box.width() * 0.78, box.top() + box.height() * 0.30);
    painter.drawLine(a, b);
    painter.drawLine(b, c);
  }
  if (textPadding_.left() == 0) textPadding_.setLeft(22);
}

}  // namespace tessel::ui
