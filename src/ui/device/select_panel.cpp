#include "ui/device/select_panel.h"

#include <QFontMetrics>
#include <QPaintDevice>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <functional>
#include <iterator>

#include "device/base/software_effects.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {

// ------------------------------------------------------------------ key button

void CDeviceKeyButtonUI::SetSelected(bool selected) {
  if (selected_ == selected) return;
  selected_ = selected;
  Invalidate();
}

void CDeviceKeyButtonUI::SetZoneColour(uint32_t record) {
  if (hasZone_ && zone_ == record) return;
  // A light cell paints every pixel of itself (PaintLit): the picture behind
  // it is not painted again for a new colour.
  if (!hasZone_) GetWidget()->setAttribute(Qt::WA_OpaquePaintEvent, true);
  zone_ = record;
  hasZone_ = true;
  Invalidate();
}

void CDeviceKeyButtonUI::ClearZoneColour() {
  if (hasZone_) GetWidget()->setAttribute(Qt::WA_OpaquePaintEvent, false);
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

int CDeviceKeyButtonUI::TextFlags() const {
  int flags = (textStyle_ & DT_CENTER) ? Qt::AlignHCenter : (textStyle_ & DT_RIGHT) ? Qt::AlignRight : Qt::AlignLeft;
  flags |= (textStyle_ & DT_VCENTER) ? Qt::AlignVCenter : (textStyle_ & DT_BOTTOM) ? Qt::AlignBottom : Qt::AlignTop;
  if (textStyle_ & DT_WORDBREAK) flags |= Qt::TextWordWrap;
  return flags;
}

CDeviceKeyButtonUI::ShownText CDeviceKeyButtonUI::FitText(const QRect& room) const {
  ShownText shown{text_, CurrentFont(), false};
  if (text_.isEmpty()) return shown;
  const QString shortKey = QStringLiteral("short:") + text_;
  const QString shortText = CResourceManager::GetInstance()->GetText(shortKey);
  // The picture repaints its keys many times a second while the lighting
  // runs; measuring the text at every size each time cost most of that.
  // The answer depends only on these, so it is kept until one changes.
  FitKey key{room.size(), text_, shortText, shown.font, TextFlags()};
  if (fitted_ && fitted_->first == key) return fitted_->second;
  std::vector<QString> candidates{text_};
  if (shortText != shortKey && !shortText.isEmpty()) candidates.push_back(shortText);
  shown = Fit(room, candidates, shown);
  fitted_.emplace(std::move(key), shown);
  return shown;
}

CDeviceKeyButtonUI::ShownText CDeviceKeyButtonUI::Fit(const QRect& room, const std::vector<QString>& candidates,
                                                      ShownText shown) const {
  const int base = std::max(1, shown.font.pixelSize());
  const int smallest = std::max(1, base * 4 / 5);  // smaller than that is hard to read on a key
  for (int size = base; size >= smallest; --size) {
    QFont font = shown.font;
    font.setPixelSize(size);
    const QFontMetrics fm(font);
    for (const QString& text : candidates) {
      const QRect need = fm.boundingRect(QRect(room.topLeft(), QSize(room.width(), 100000)), TextFlags(), text);
      if (need.width() <= room.width() && need.height() <= room.height()) return {text, font, false};
    }
  }
  shown.text = candidates.back();
  shown.font.setPixelSize(smallest);
  shown.text = QFontMetrics(shown.font).elidedText(shown.text, Qt::ElideRight, room.width());
  shown.cut = true;
  return shown;
}

void CDeviceKeyButtonUI::PaintText(QPainter& painter, const QRect& rc) {
  if (text_.isEmpty()) return;
  const QRect room = rc.marginsRemoved(QMargins(Scale(textPadding_.left()), Scale(textPadding_.top()),
                                                Scale(textPadding_.right()), Scale(textPadding_.bottom())));
  const ShownText shown = FitText(room);
  const DWORD color = CurrentTextColor();
  painter.setFont(shown.font);
  painter.setPen(QColor::fromRgba(color ? color : 0xFFE6E8EEu));
  // A cut text stays on one line, so its "..." shows.
  painter.drawText(room, shown.cut ? TextFlags() & ~Qt::TextWordWrap : TextFlags(), shown.text);
}

CDeviceKeyButtonUI::LookKey CDeviceKeyButtonUI::CurrentLook(const QRect& rc, qreal dpr) const {
  LookKey k;
  k.size = rc.size();
  k.dpr = dpr;
  k.scale = Scale(100);
  k.text = text_;
  if (!text_.isEmpty()) k.shortText = CResourceManager::GetInstance()->GetText(QStringLiteral("short:") + text_);
  const QString images[7] = {bkImage_, foreImage_, normalImage_, hotImage_, pushedImage_, disabledImage_, hotForeImage_};
  std::copy(std::begin(images), std::end(images), std::begin(k.images));
  k.font = CurrentFont();
  const DWORD colors[10] = {bkColor_,     borderColor_,   textColor_,      disabledTextColor_, hotBkColor_,
                            pushedBkColor_, hotTextColor_, pushedTextColor_, selectedBorderColor_, zone_};
  std::copy(std::begin(colors), std::end(colors), std::begin(k.colors));
  k.borderSize = borderSize_;
  k.borderRound = borderRound_;
  k.textStyle = textStyle_;
  k.textPadding = textPadding_;
  k.enabled = IsEnabled();
  k.hot = hot_;
  k.pushed = pushed_;
  k.selected = selected_;
  return k;
}

namespace {

// A transparent picture of `size` at `dpr`, painted by `paint` into a
// rectangle at (0, 0) with `painter`'s render hints.
QPixmap KeptPicture(const QPainter& painter, QSize size, qreal dpr,
                    const std::function<void(QPainter&, const QRect&)>& paint) {
  QPixmap picture(size * dpr);
  picture.setDevicePixelRatio(dpr);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHints(painter.renderHints());
  paint(p, QRect(QPoint(0, 0), size));
  return picture;
}

}  // namespace

qreal CDeviceKeyButtonUI::Radius(const QRect& rc) const {
  return borderRound_ > 0 ? Scale(borderRound_) : std::min(rc.width(), rc.height()) / 4.0;
}

void CDeviceKeyButtonUI::Paint(QPainter& painter, const QRect& rc) {
  if (rc.isEmpty()) return;
  if (hasZone_) {
    PaintLit(painter, rc);
    return;
  }
  const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
  LookKey look = CurrentLook(rc, dpr);
  if (!drawn_ || !(drawn_->first == look)) {
    QPixmap picture =
        KeptPicture(painter, rc.size(), dpr, [this](QPainter& p, const QRect& r) { CButtonUI::Paint(p, r); });
    drawn_.emplace(std::move(look), std::move(picture));
  }
  painter.drawPixmap(rc.topLeft(), drawn_->second);
}

void CDeviceKeyButtonUI::PaintLit(QPainter& painter, const QRect& rc) {
  const qreal dpr = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
  CControlUI* parent = GetParent();
  LitLook key{CurrentLook(rc, dpr), GetPos(), parent ? parent->GetPos().size() : QSize(),
              parent ? parent->GetBkImage() : QString(), parent ? parent->GetBkColor() : 0};
  key.look.colors[9] = 0;  // the zone colour is the fill, not the pictures
  if (!lit_ || !(lit_->key == key)) {
    LitPictures pictures;
    // Opaque: what lies under the round corners is the parent's picture.
    pictures.under = KeptPicture(painter, rc.size(), dpr, [&](QPainter& p, const QRect& r) {
      if (parent) parent->PaintBackground(p, QRect(-key.place.topLeft(), key.parentSize));
      CButtonUI::PaintBkColor(p, r);
    });
    pictures.over = KeptPicture(painter, rc.size(), dpr, [this](QPainter& p, const QRect& r) {
      PaintBkImage(p, r);
      PaintStatusImage(p, r);
      PaintText(p, r);
      PaintBorder(p, r);
    });
    QPainterPath shape;
    const qreal radius = Radius(rc);
    shape.addRoundedRect(QRectF(QPoint(0, 0), rc.size()).adjusted(1, 1, -1, -1), radius, radius);
    pictures.shape = shape.toFillPolygon();
    pictures.key = std::move(key);
    lit_ = std::move(pictures);
  }
  painter.drawPixmap(rc.topLeft(), lit_->under);
  painter.save();
  painter.translate(rc.topLeft());
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor::fromRgb(GetShownColor()));
  painter.drawPolygon(lit_->shape);
  painter.restore();
  painter.drawPixmap(rc.topLeft(), lit_->over);
}

void CDeviceKeyButtonUI::PaintBorder(QPainter& painter, const QRect& rc) {
  CButtonUI::PaintBorder(painter, rc);
  if (!selected_) return;
  const qreal w = std::max(1, Scale(2));
  painter.setPen(QPen(QColor::fromRgba(selectedBorderColor_), w));
  painter.setBrush(Qt::NoBrush);
  const qreal radius = Radius(rc);
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
