#pragma once
// The device picture: a panel of key and light buttons ("key_N", "light_N")
// over the picture of the product. Dragging a rectangle with the left button
// selects the buttons it touches; the lighting editor reads the selection when
// the panel sends "click_select_end".
#include <QFont>
#include <QPoint>
#include <QRect>

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
  void PaintBkColor(QPainter& painter, const QRect& rc) override;
  void PaintBorder(QPainter& painter, const QRect& rc) override;
  void PaintText(QPainter& painter, const QRect& rc) override;

 private:
  int TextFlags() const;  // Qt flags of the skin's alignment and wrapping
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
