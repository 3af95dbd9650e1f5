#pragma once
// Shared by the toolkit's control files only: the widget event bridge and the
// small attribute helpers every control family uses.
#include <QObject>
#include <QColor>
#include <QString>

#include "ui/toolkit/controls.h"

namespace tessel::ui {

// Forwards the events of a control's widget to the control. Connections to
// the widget's signals use the bridge as context, so deleting the bridge cuts
// them before the widget goes.
class ControlBridge : public QObject {
 public:
  explicit ControlBridge(CControlUI* owner) : owner_(owner) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (owner_ && watched == owner_->widget_) return owner_->OnWidgetEvent(event);
    return false;
  }
  CControlUI* owner_;
};

namespace control_detail {

// "align" attribute words ("left", "center", "right", "top", "vcenter",
// "bottom") folded into a DT_* style.
unsigned ParseAlign(const QString& value, unsigned style);
// "%[key]" resolves through the language resources and gives the key back.
QString ResolveTextKey(const QString& text, QString* key);
inline QColor Argb(DWORD c) { return QColor::fromRgba(c); }
// Style sheet colour text of an ARGB value.
QString CssColor(DWORD c);
// A control about to be hidden gives up the keyboard focus it or one of its
// children holds, so typing never reaches a page nobody sees; the edit that
// loses it commits to its own page as on any focus-out.
void ReleaseFocusFrom(QWidget* hidden);

}  // namespace control_detail
}  // namespace tessel::ui
