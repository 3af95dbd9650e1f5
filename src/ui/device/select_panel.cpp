#include "ui/device/select_panel.h"

#include <QPainter>
#include <QPainterPath>

#include "device/base/software_effects.h"

namespace tessel::ui {

// ------------------------------------------------------------------ key button

void CDeviceKeyButtonUI::SetSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  Invalidate();
}

void CDeviceKeyButtonUI::SetZoneColour(uint32_t record) {
  if (hasZone_ && zone_ == record) return;
  zone_ = record;
  hasZone_ = true;
  Invalidate();
}

void CDeviceKeyButtonUI::ClearZoneColour() {
  hasZone_ = false;
  zone_ = 0;
  Invalidate();
}

DWORD CDeviceKeyButtonUI::GetShownColor() const {
  if (!hasZone_) return 0;
  const unsigned b = zoneBrightness(zone_);
  const unsigned r = zoneRed(zone_) * b / 256, g = zoneGreen(zone_) * b / 256, bl = zoneBlue(zone_) * b / 256;
  return 0xFF000000u | (r << 16) | (g << 8) | bl;
}

void CDeviceKeyButtonUI::SetAttribute(const QString& name, const QString& value) {
  const QString n = name.toLower();
  if (n == QLatin1String("selected")) SetSelected(value == QLatin1String("true"));
  else if (n == QLatin1String("selectedbordercolor")) {
    // "#AARRGGBB" or "#RRGGBB"
    QString v = value.trimmed();
    if (v.startsWith('#')) v.remove(0, 1);
    bool ok = false;
    DWORD c = v.toUInt(&ok, 16);
    if (ok) selectedBorderColor_ = v.size() <= 6 ? (0xFF000000u | c) : c;
  } else CButtonUI::SetAttribute(name, value);
}

void CDeviceKeyButtonUI::PaintBkColor(QPainter& painter, const QRect& rc) {
  CButtonUI::PaintBkColor(painter, rc);
  if (!hasZone_) return;
  const DWORD c = GetShownColor();
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor::fromRgb(c));
  const qreal radius = borderRound_ > 0 ? Scale(borderRound_) : std::min(rc.width(), rc.height()) / 4.0;
  painter.drawRoundedRect(QRectF(rc).adjusted(1, 1, -1, -1), radius, radius);
}

void CDeviceKeyButtonUI::PaintBorder(QPainter& painter, const QRect& rc) {
  CButtonUI::PaintBorder(painter, rc);
  if (!selected_) return;
  const qreal w = std::max(1, Scale(2));
  painter.setPen(QPen(QColor::fromRgba(selectedBorderColor_), w));
  painter.setBrush(Qt::NoBrush);
  const qreal radius = borderRound_ > 0 ? Scale(borderRound_) : std::min(rc.width(), rc.height()) / 4.0;
  painter.drawRoundedRect(QRectF(rc).adjusted(w / 2, w / 2, -w / 2, -w / 2), radius, radius);
}

// ------------------------------------------------------------------ panel

void CSelectPanelUI::UpdateRect(const QPoint& current) {
  selectRect_ = QRect(QPoint(std::min(pressPoint_.x(), current.x()), std::min(pressPoint_.y(), current.y())),
                      QPoint(std::max(pressPoint_.x(), current.x()), std::max(pressPoint_.y(), current.y())));
}

void CSelectPanelUI::DoEvent(TEventUI& event) {
  switch (event.Type) {
    case UIEvent::ButtonDown:
      if (!IsEnabled()) return;
      pressPoint_ = event.ptMouse;
      pressed_ = true;
      dragging_ = false;
      event.lParam = 1;  // taken: a press on the picture never drags the window
      return;
    case UIEvent::MouseMove:
      // A move event at the press point itself is no movement.
      if (!pressed_ || (!dragging_ && event.ptMouse == pressPoint_)) return;
      dragging_ = true;
      UpdateRect(event.ptMouse);
      Invalidate();
      return;
    case UIEvent::ButtonUp: {
      if (!pressed_) return;
      pressed_ = false;
      if (!dragging_) return;  // a click selects nothing and says nothing
      dragging_ = false;
      UpdateRect(event.ptMouse);
      for (CControlUI* child : items_) {
        auto* button = dynamic_cast<CDeviceKeyButtonUI*>(child);
        if (!button || button->GetClass() != QLatin1String("DeviceKeyButton")) continue;
        button->SetSelected(button->IsVisible() && button->GetPos().intersects(selectRect_));
      }
      Invalidate();
      SendNotify(kNotifyClickSelectEnd, 0, 0);
      return;
    }
    default: CVerticalLayoutUI::DoEvent(event);
  }
}

}  // namespace tessel::ui
