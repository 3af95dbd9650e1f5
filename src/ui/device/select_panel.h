#pragma once
// The device picture: a panel of key and light buttons ("key_N", "light_N")
// over the picture of the product. Dragging a rectangle with the left button
// selects the buttons it touches; the lighting editor reads the selection when
// the panel sends "click_select_end".
#include <QFont>
#include <QMargins>
#include <QPixmap>
#include <QPolygonF>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <optional>
#include <utility>
#include <vector>

#include "ui/toolkit/controls.h"

namespace tessel::ui {

inline const QString kNotifyClickSelectEnd = QStringLiteral("click_select_end");

// One key or light button of a device picture. It can be selected (drag
// selection, lighting editor) and can show a light zone's colour.
class CDeviceKeyButtonUI : public CButtonUI {
 public:
  QString GetClass() const override { return QStringLiteral("DeviceKeyButton"); }

  bool IsSelected() const { return selected_; }
  void SetSelected(bool selected);

  // A zone record (red | green << 8 | blue << 16 | brightness << 24): the
  // button shows the colour dimmed by the brightness, as the device does.
  void SetZoneColour(uint32_t record);
  uint32_t GetZoneColour() const { return zone_; }
  bool HasZoneColour() const { return hasZone_; }
  void ClearZoneColour();
  // The colour as drawn (0xFFRRGGBB).
  DWORD GetShownColor() const;

  void SetAttribute(const QString& name, const QString& value) override;

  // What the button draws in `room`: its text or, where that does not fit,
  // the short form the language gives for it ("short:" + the text, "PgUp"
  // for "Page Up"), at the skin's font or up to a fifth smaller; when neither
  // fits, the text cut short with "...", whose whole name the page puts in
  // the tooltip.
  struct ShownText {
    QString text;
    QFont font;
    bool cut = false;
  };
  ShownText FitText(const QRect& room) const;

 protected:
  // A key whose look did not change since it was last drawn is copied from
  // the picture of it kept then; a lit cell (PaintLit) fills its colour
  // between two kept pictures.
  void Paint(QPainter& painter, const QRect& rc) override;
  void PaintBorder(QPainter& painter, const QRect& rc) override;
  void PaintText(QPainter& painter, const QRect& rc) override;

 private:
  int TextFlags() const;  // Qt flags of the skin's alignment and wrapping
  ShownText Fit(const QRect& room, const std::vector<QString>& candidates, ShownText shown) const;
  // What FitText last measured, and for what.
  struct FitKey {
    QSize room;
    QString text, shortText;
    QFont font;
    int flags = 0;
    bool operator==(const FitKey&) const = default;
  };
  mutable std::optional<std::pair<FitKey, ShownText>> fitted_;
  // Everything a key's drawing reads; the kept picture is redrawn when any
  // of it differs.
  struct LookKey {
    QSize size;
    qreal dpr = 1;
    int scale = 100;
    QString text, shortText, images[7];
    QFont font;
    DWORD colors[10] = {};
    int borderSize = 0, borderRound = 0;
    unsigned textStyle = 0;
    QMargins textPadding;
    bool enabled = true, hot = false, pushed = false, selected = false;
    bool operator==(const LookKey&) const = default;
  };
  LookKey CurrentLook(const QRect& rc, qreal dpr) const;
  std::optional<std::pair<LookKey, QPixmap>> drawn_;
  // A lit cell: what lies under its colour (the parent's picture and the
  // cell's own background) and what lies over it (text, images, border) are
  // kept as pictures, and the colour's round shape as a polygon; each new
  // colour is a fill between two copies.
  void PaintLit(QPainter& painter, const QRect& rc);
  qreal Radius(const QRect& rc) const;  // of the round corners
  struct LitLook {
    LookKey look;  // without the zone colour
    QRect place;   // in the parent
    QSize parentSize;
    QString parentImage;
    DWORD parentColour = 0;
    bool operator==(const LitLook&) const = default;
  };
  struct LitPictures {
    LitLook key;
    QPixmap under, over;
    QPolygonF shape;
  };
  std::optional<LitPictures> lit_;

  bool selected_ = false;
  bool hasZone_ = false;
  uint32_t zone_ = 0;
  DWORD selectedBorderColor_ = 0xFF3D7BFFu;
};

// A vertical layout whose direct "DeviceKeyButton" children can be picked by
// dragging a rectangle.
class CSelectPanelUI : public CVerticalLayoutUI {
 public:
  QString GetClass() const override { return QStringLiteral("SelectPanel"); }
  void DoEvent(TEventUI& event) override;

  bool IsPressed() const { return pressed_; }
  bool IsDragging() const { return dragging_; }
  // The last selection rectangle, in the panel's coordinates.
  QRect GetSelectRect() const { return selectRect_; }

 private:
  void UpdateRect(const QPoint& current);
  bool pressed_ = false;
  bool dragging_ = false;
  QPoint pressPoint_;
  QRect selectRect_;
};

}  // namespace tessel::ui
