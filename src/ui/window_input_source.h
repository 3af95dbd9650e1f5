#pragma once
// WindowInputSource: our own window as an input source of the hook holder.
// It is always available (X11 and Wayland alike) and sees what the user
// types into the window and the buttons clicked on any of our windows.
//
// While it runs with the keyboard asked for, the main window takes the
// keyboard (QWidget::grabKeyboard), so keys typed during a recording or a
// key capture reach no other program and no control of ours types them.
// Caps Lock, Num Lock and Scroll Lock are handed on so the lock still
// toggles. The mouse is never grabbed: the stop button must keep working.
//
// Keys: Qt's native scan code is the X11 keycode (evdev + 8) under X11 and
// Wayland alike; auto-repeated presses arrive as further "down" events (the
// recorder drops them), auto-repeated releases are not passed on. Buttons:
// left, right, middle, back and forward presses and releases with the
// cursor's screen position. Each physical press is taken once, where it
// reaches one of our top-level windows.
//
// The grab is let go on stop, when the window hides or closes, and when the
// source is destroyed; nothing depends on the caller remembering to stop.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <optional>

#include "input/input_source.h"

class QKeyEvent;
class QMouseEvent;

namespace tessel::ui {

class WindowInputSource final : public QObject, public input::InputSource {
 public:
  explicit WindowInputSource(QWidget* window);
  ~WindowInputSource() override;

  std::string name() const override { return "window"; }
  std::string description() const override { return "the Tessel RGB window (keys typed into it, buttons on it)"; }
  input::SourceCoverage coverage() const override { return input::SourceCoverage::Window; }
  bool start(input::InputSink sink, bool grabKeyboard, std::string& reason) override;
  void stop() override;
  bool running() const override { return running_; }

  // Whether the window holds the keyboard now.
  bool HoldsKeyboard() const { return grabbed_; }

  // The events a Qt key or mouse event stands for (nothing for keys without
  // a scan code, auto-repeated releases, other buttons).
  static std::optional<input::InputEvent> KeyEventOf(const QKeyEvent& event);
  static std::optional<input::InputEvent> MouseEventOf(const QMouseEvent& event);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void releaseKeyboard();
  void Deliver(const input::InputEvent& event);

  QPointer<QWidget> window_;
  input::InputSink sink_;
  bool running_ = false;
  bool grabbed_ = false;
};

}  // namespace tessel::ui
