// The colour palette.
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

// ======================================================================= colour palette

CColorPaletteUI::CColorPaletteUI() { cursorHand_ = true; }

DWORD CColorPaletteUI::GetSelectColor() const {
  QColor c = QColor::fromHsv(hue_ % 360, saturation_, brightness_);
  return 0xFF000000u | (DWORD(c.red()) << 16) | (DWORD(c.green()) << 8) | DWORD(c.blue());
}

void CColorPaletteUI::SetSelectColor(DWORD color) {
  QColor c = Argb(color | 0xFF000000u);
  int h, s, v;
  c.getHsv(&h, &s, &v);
  if (h >= 0) hue_ = h;
  saturation_ = s;
  brightness_ = v;
  Invalidate();
}

void CColorPaletteUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("barheight")) barHeight_ = std::max(4, value.toInt());
  else if (n == QLatin1String("selectcolor")) SetSelectColor(ParseColor(value));
  else CControlUI::SetAttribute(name, value);
}

QRect CColorPaletteUI::FieldRect(const QRect& rc) const {
  return QRect(rc.left(), rc.top(), rc.width(), std::max(0, rc.height() - Scale(barHeight_) - Scale(8)));
}

QRect CColorPaletteUI::BarRect(const QRect& rc) const {
  return QRect(rc.left(), rc.bottom() - Scale(barHeight_) + 1, rc.width(), Scale(barHeight_));
}

void CColorPaletteUI::Paint(QPainter& painter, const QRect& rc) {
  PaintBkColor(painter, rc);
  const QRect field = FieldRect(rc);
  if (field.width() > 0 && field.height() > 0) {
    QImage image(field.size(), QImage::Format_RGB32);
    for (int y = 0; y < field.height(); ++y) {
      const int s = 255 - y * 255 / std::max(1, field.height() - 1);
      auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
      for (int x = 0; x < field.width(); ++x) {
        const int h = x * 359 / std::max(1, field.width() - 1);
        line[x] = QColor::fromHsv(h, s, brightness_).rgb();
      }
    }
    QPainterPath clip;
    clip.addRoundedRect(QRectF(field), Scale(4), Scale(4));
    painter.save();
    painter.setClipPath(clip);
    painter.drawImage(field, image);
    painter.restore();
    const QPointF mark(field.left() + hue_ * (field.width() - 1) / 359.0,
                       field.top() + (255 - saturation_) * (field.height() - 1) / 255.0);
    painter.setPen(QPen(Qt::white, Scale(2)));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(mark, Scale(5), Scale(5));
  }
  const QRect bar = BarRect(rc);
  QLinearGradient g(bar.topLeft(), bar.topRight());
  g.setColorAt(0, Qt::black);
  g.setColorAt(1, QColor::fromHsv(hue_ % 360, saturation_, 255));
  painter.setPen(Qt::NoPen);
  painter.setBrush(g);
  painter.drawRoundedRect(QRectF(bar), bar.height() / 2.0, bar.height() / 2.0);
  const qreal bx = bar.left() + brightness_ * (bar.width() - 1) / 255.0;
  painter.setPen(QPen(Qt::white, Scale(2)));
  painter.setBrush(Argb(GetSelectColor()));
  painter.drawEllipse(QPointF(bx, bar.center().y() + 0.5), bar.height() / 2.0 + 1, bar.height() / 2.0 + 1);
  PaintBorder(painter, rc);
}

void CColorPaletteUI::PickAt(const QPoint& point, bool fromBar) {
  if (!widget_) return;
  const QRect rc = widget_->rect();
  if (fromBar) {
    const QRect bar = BarRect(rc);
    brightness_ = std::clamp((point.x() - bar.left()) * 255 / std::max(1, bar.width() - 1), 0, 255);
  } else {
    const QRect field = FieldRect(rc);
    hue_ = std::clamp((point.x() - field.left()) * 359 / std::max(1, field.width() - 1), 0, 359);
    saturation_ = std::clamp(255 - (point.y() - field.top()) * 255 / std::max(1, field.height() - 1), 0, 255);
  }
  Invalidate();
  SendNotify(notify::kColorChanged, GetSelectColor());
}

bool CColorPaletteUI::OnWidgetEvent(QEvent* event) {
  if (!IsEnabled()) return CControlUI::OnWidgetEvent(event);
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* me = static_cast<QMouseEvent*>(event);
      if (me->button() != Qt::LeftButton) return false;
      const QPoint p = me->position().toPoint();
      dragPart_ = BarRect(widget_->rect()).adjusted(0, -Scale(4), 0, Scale(4)).contains(p) ? 2 : 1;
      PickAt(p, dragPart_ == 2);
      return true;
    }
    case QEvent::MouseMove:
      if (dragPart_) PickAt(static_cast<QMouseEvent*>(event)->position().toPoint(), dragPart_ == 2);
      return dragPart_ != 0;
    case QEvent::MouseButtonRelease: dragPart_ = 0; return true;
    default: return CControlUI::OnWidgetEvent(event);
  }
}

}  // namespace tessel::ui
