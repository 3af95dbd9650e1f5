#pragma once
// Where a control is on the screen, for the user-journey scripts. With
// TESSEL_JOURNEY=1 in the environment the program exports
// org.orvik.TesselRGB.Journey at /org/orvik/TesselRGB/Journey on its session
// bus connection. A script asks where the control named "setbtn" is shown,
// moves the X pointer there and clicks (xdotool): the locator only answers
// questions, every click and key still goes through the X server.
//
// A control's widget carries the control's name as its object name. Of the
// widgets with that name, the one shown counts: visible, not clipped away by
// its parents, and hit at its centre (nothing else on top there). The active
// popup, then the modal window, then the active window are searched before
// the other top-level windows. "NAME@TEXT" picks, of several shown controls
// named NAME (the device tiles' "device_select"), the one whose parent also
// holds a control showing TEXT (the whole text, in any case).
#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>

class QWidget;

namespace tessel::ui {

class JourneyLocator : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.orvik.TesselRGB.Journey")

 public:
  JourneyLocator() = default;
  ~JourneyLocator() override;
  JourneyLocator(const JourneyLocator&) = delete;
  JourneyLocator& operator=(const JourneyLocator&) = delete;

  // Exports the object when TESSEL_JOURNEY=1 and a session bus is there.
  bool ExportIfAsked();

  // The shown widget named `name`, and its shown part in global coordinates;
  // `onTop`: only where nothing else covers its centre.
  static QWidget* FindShown(const QString& name, QRect* globalRect = nullptr, bool onTop = true);

 public Q_SLOTS:
  // Global rectangle of the shown part of the control; false when none is shown.
  bool Locate(const QString& name, int& x, int& y, int& w, int& h);
  // The row whose text is `text` in the shown list or the open popup of the
  // shown drop-down named `name` (a drop-down whose popup is closed has none).
  bool Item(const QString& name, const QString& text, int& x, int& y, int& w, int& h);
  // What the control shows: an edit's or drop-down's text, a slider's value,
  // a drawn control's text; empty when none is shown.
  QString Text(const QString& name);
  // "name x y w h" of every shown named widget (for writing journeys).
  QStringList Names();

 private:
  bool exported_ = false;
};

}  // namespace tessel::ui
