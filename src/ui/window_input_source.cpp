#include "ui/window_input_source.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>

#include "input/input_mapping.h"
#include "platform/debug.h"

namespace tessel::ui {

WindowInputSource::WindowInputSource(QWidget* window) : window_(window) {}

WindowInputSource::~WindowInputSource() { stop(); }

bool WindowInputSource::start(input::InputSink sink, bool grabKeyboard, std::string& reason) {
  stop();
  if (!window_) {
    reason = "the window is gone";
    return false;
  }
  sink_ = std::move(sink);
  // Every top-level window of ours passes its events through the
  // application first: the stop button, menus and message boxes included.
  qApp->installEventFilter(this);
  window_->installEventFilter(this);
  if (grabKeyboard) {
    window_->grabKeyboard();
    grabbed_ = true;
  }
  running_ = true;
  return true;
}

void WindowInputSource::stop() {
  releaseKeyboard();
  if (running_) {
    qApp->removeEventFilter(this);
    if (window_) window_->removeEventFilter(this);
  }
  running_ = false;
  sink_ = {};
}

void WindowInputSource::releaseKeyboard() {
  if (!grabbed_) return;
  grabbed_ = false;
  if (window_) window_->releaseKeyboard();
}

std::optional<input::InputEvent> WindowInputSource::KeyEventOf(const QKeyEvent& event) {
  const bool down = event.type() == QEvent::KeyPress;
  // A held key repeats press and release pairs; the presses stand for the
  // repeated "down" of a held key, the releases for nothing.
  if (!down && event.isAutoRepeat()) return std::nullopt;
  return input::eventFromX11Key(event.nativeScanCode(), down);
}

std::optional<input::InputEvent> WindowInputSource::MouseEventOf(const QMouseEvent& event) {
  const bool down = event.type() == QEvent::MouseButtonPress;
  uint32_t message = 0;
  uint32_t data = 0;
  switch (event.button()) {
    case Qt::LeftButton: message = down ? input::kLeftDown : input::kLeftUp; break;
    case Qt::RightButton: message = down ? input::kRightDown : input::kRightUp; break;
    case Qt::MiddleButton: message = down ? input::kMiddleDown : input::kMiddleUp; break;
    case Qt::BackButton:
      message = down ? input::kExtraDown : input::kExtraUp;
      data = static_cast<uint32_t>(input::kExtraBack) << 16;
      break;
    case Qt::ForwardButton:
      message = down ? input::kExtraDown : input::kExtraUp;
      data = static_cast<uint32_t>(input::kExtraForward) << 16;
      break;
    default: return std::nullopt;
  }
  input::InputEvent e = input::mouseEvent(message, data);
  const QPoint global = event.globalPosition().toPoint();
  e.hasPosition = true;
  e.x = global.x();
  e.y = global.y();
  return e;
}

void WindowInputSource::Deliver(const input::InputEvent& event) {
  // A copy: the sink may stop this source while it runs.
  const input::InputSink sink = sink_;
  if (sink) sink(event);
}

bool WindowInputSource::eventFilter(QObject* watched, QEvent* event) {
  if (!running_) return false;
  const QEvent::Type type = event->type();
  if (watched == window_ && (type == QEvent::Hide || type == QEvent::Close)) {
    // A hidden window cannot be where the user types: the keyboard goes back.
    if (grabbed_) debugLine("input hook: window hidden, keyboard released");
    releaseKeyboard();
    return false;
  }
  // Our top-level windows see each event once before their widgets do.
  if (!watched->isWindowType()) return false;
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      const auto e = KeyEventOf(*static_cast<QKeyEvent*>(event));
      if (e) Deliver(*e);
      // Lock keys go on so they still toggle; every other key stops here,
      // so no control types it and no shortcut fires.
      return !(e && e->lockKey);
    }
    case QEvent::ShortcutOverride:
      event->accept();
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
      // Clicks go on to the controls: the stop button must keep working.
      if (const auto e = MouseEventOf(*static_cast<QMouseEvent*>(event))) Deliver(*e);
      return false;
    }
    default: return false;
  }
}

}  // namespace tessel::ui
