// Progress bars and sliders.
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

// ======================================================================= progress, slider

void CProgressUI::SetMinValue(int value) { min_ = value; if (max_ < min_) max_ = min_; SetValue(value_); }
void CProgressUI::SetMaxValue(int value) { max_ = value; if (min_ > max_) min_ = max_; SetValue(value_); }

void CProgressUI::SetValue(int value) {
  value_ = std::clamp(value, min_, max_);
  Invalidate();
}

void CProgressUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("min")) SetMinValue(value.toInt());
  else if (n == QLatin1String("max")) SetMaxValue(value.toInt());
  else if (n == QLatin1String("value")) SetValue(value.toInt());
  else if (n == QLatin1String("hor")) horizontal_ = ParseBool(value);
  else if (n == QLatin1String("forecolor")) foreColor_ = ParseColor(value);
  else if (n == QLatin1String("trackcolor")) trackColor_ = ParseColor(value);
  else CLabelUI::SetAttribute(name, value);
}

QRect CProgressUI::ForeRect(const QRect& rc) const {
  const double span = max_ > min_ ? double(value_ - min_) / double(max_ - min_) : 0.0;
  if (horizontal_) return QRect(rc.left(), rc.top(), int(rc.width() * span + 0.5), rc.height());
  int h = int(rc.height() * span + 0.5);
  return QRect(rc.left(), rc.bottom() - h + 1, rc.width(), h);
}

void CProgressUI::PaintStatusImage(QPainter& painter, const QRect& rc) {
  const qreal radius = horizontal_ ? rc.height() / 2.0 : rc.width() / 2.0;
  if (trackColor_) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Argb(trackColor_));
    painter.drawRoundedRect(QRectF(rc), radius, radius);
  }
  QRect fore = ForeRect(rc);
  if (fore.isEmpty()) return;
  if (!foreImage_.isEmpty()) {
    painter.save();
    painter.setClipRect(fore);
    DrawImage(painter, rc, foreImage_);
    painter.restore();
  } else if (foreColor_) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Argb(foreColor_));
    painter.drawRoundedRect(QRectF(fore), radius, radius);
  }
}

CSliderUI::CSliderUI() {
  trackColor_ = 0xFF2A2F3Au;
  cursorHand_ = true;
}

void CSliderUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("thumbimage")) SetThumbImage(value);
  else if (n == QLatin1String("thumbsize")) {
    QMargins m = ParseMargins(value);
    thumbSize_ = QSize(m.left(), m.top());
  } else if (n == QLatin1String("step")) SetStep(value.toInt());
  else CProgressUI::SetAttribute(name, value);
}

QRect CSliderUI::ThumbRect(const QRect& rc) const {
  const QSize ts(Scale(thumbSize_.width()), Scale(thumbSize_.height()));
  const double span = max_ > min_ ? double(value_ - min_) / double(max_ - min_) : 0.0;
  if (horizontal_) {
    int x = rc.left() + int((rc.width() - ts.width()) * span + 0.5);
    return QRect(x, rc.center().y() - ts.height() / 2, ts.width(), ts.height());
  }
  int y = rc.bottom() - ts.height() + 1 - int((rc.height() - ts.height()) * span + 0.5);
  return QRect(rc.center().x() - ts.width() / 2, y, ts.width(), ts.height());
}

int CSliderUI::ValueAt(const QPoint& point) const {
  if (!widget_) return value_;
  const QRect rc = widget_->rect();
  const QSize ts(Scale(thumbSize_.width()), Scale(thumbSize_.height()));
  double span;
  if (horizontal_) span = double(point.x() - rc.left() - ts.width() / 2) / std::max(1, rc.width() - ts.width());
  else span = double(rc.bottom() - point.y() - ts.height() / 2) / std::max(1, rc.height() - ts.height());
  span = std::clamp(span, 0.0, 1.0);
  int v = min_ + int(span * (max_ - min_) + 0.5);
  if (step_ > 1) v = min_ + ((v - min_ + step_ / 2) / step_) * step_;
  return std::clamp(v, min_, max_);
}

void CSliderUI::PaintStatusImage(QPainter& painter, const QRect& rc) {
  const int thick = Scale(4);
  QRect track = horizontal_ ? QRect(rc.left(), rc.center().y() - thick / 2, rc.width(), thick)
                            : QRect(rc.center().x() - thick / 2, rc.top(), thick, rc.height());
  CProgressUI::PaintStatusImage(painter, track);
  QRect thumb = ThumbRect(rc);
  if (!DrawImage(painter, thumb, thumbImage_)) {
    painter.setPen(QPen(Argb(0xFF3D7BFFu), Scale(2)));
    painter.setBrush(Argb(IsEnabled() ? 0xFFFFFFFFu : 0xFF8A8F9Au));
    painter.drawEllipse(QRectF(thumb).adjusted(1, 1, -1, -1));
  }
}

void CSliderUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEvent::ButtonDown:
      if (!IsEnabled()) return;
      event.lParam = 1;
      dragging_ = true;
      if (int v = ValueAt(event.ptMouse); v != value_) {
        SetValue(v);
        SendNotify(notify::kMoveValueChanged);
      }
      return;
    case UIEvent::MouseMove:
      if (dragging_) {
        if (int v = ValueAt(event.ptMouse); v != value_) {
          SetValue(v);
          SendNotify(notify::kMoveValueChanged);
        }
      }
      return;
    case UIEvent::ButtonUp:
      if (dragging_) {
        dragging_ = false;
        SetValue(ValueAt(event.ptMouse));
        SendNotify(notify::kValueChanged);
      }
      return;
    default: CProgressUI::DoEvent(event);
  }
}

bool CSliderUI::OnWidgetEvent(QEvent* event) {
  if (event->type() == QEvent::Wheel && IsEnabled()) {
    auto* we = static_cast<QWheelEvent*>(event);
    int delta = we->angleDelta().y() > 0 ? step_ : -step_;
    int before = value_;
    SetValue(value_ + delta);
    if (value_ != before) SendNotify(notify::kValueChanged);
    return true;
  }
  return CProgressUI::OnWidgetEvent(event);
}

}  // namespace tessel::ui
