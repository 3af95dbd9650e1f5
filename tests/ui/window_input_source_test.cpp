// Our window as an input source: what Qt's key and mouse events become, and
// that the keyboard is let go on stop, on hiding and when the source goes.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWindow>
#include <QWidget>
#include <linux/input-event-codes.h>

#include "qt_env.h"
#include "ui/window_input_source.h"

namespace tessel::ui {
namespace {

QMouseEvent Mouse(QEvent::Type type, Qt::MouseButton button, QPointF global = {40, 50}) {
  return QMouseEvent(type, QPointF(1, 2), global, button, button, Qt::NoModifier);
}

TEST(WindowInputSource, QtEventsBecomeTheEditorsKeyAndButtonRecords) {
  test::EnsureQtApp();
  // X11 keycode = evdev code + 8; right Ctrl is 0x1D with E0.
  QKeyEvent rctrl(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier, KEY_RIGHTCTRL + 8, 0, 0);
  auto key = WindowInputSource::KeyEventOf(rctrl);
  ASSERT_TRUE(key.has_value());
  EXPECT_EQ(key->message, input::kKeyDown);
  EXPECT_EQ(key->scanCode, 0x1D);
  EXPECT_TRUE(key->extended);
  // A held key's repeated presses are downs; its repeated releases nothing.
  QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, KEY_A + 8, 0, 0, QString(), true);
  ASSERT_TRUE(WindowInputSource::KeyEventOf(repeatPress).has_value());
  QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, KEY_A + 8, 0, 0, QString(), true);
  EXPECT_FALSE(WindowInputSource::KeyEventOf(repeatRelease).has_value());
  QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, KEY_A + 8, 0, 0);
  ASSERT_TRUE(WindowInputSource::KeyEventOf(release).has_value());
  EXPECT_EQ(WindowInputSource::KeyEventOf(release)->message, input::kKeyUp);
  // Without a native code (a synthetic key) there is nothing to record.
  QKeyEvent synthetic(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
  EXPECT_FALSE(WindowInputSource::KeyEventOf(synthetic).has_value());
  QKeyEvent caps(QEvent::KeyPress, Qt::Key_CapsLock, Qt::NoModifier, KEY_CAPSLOCK + 8, 0, 0);
  EXPECT_TRUE(WindowInputSource::KeyEventOf(caps)->lockKey);

  const auto left = WindowInputSource::MouseEventOf(Mouse(QEvent::MouseButtonPress, Qt::LeftButton, {40, 50}));
  ASSERT_TRUE(left.has_value());
  EXPECT_EQ(left->message, input::kLeftDown);
  EXPECT_TRUE(left->hasPosition);
  EXPECT_EQ(left->x, 40);
  EXPECT_EQ(left->y, 50);
  EXPECT_EQ(WindowInputSource::MouseEventOf(Mouse(QEvent::MouseButtonRelease, Qt::RightButton))->message,
            input::kRightUp);
  EXPECT_EQ(WindowInputSource::MouseEventOf(Mouse(QEvent::MouseButtonPress, Qt::MiddleButton))->message,
            input::kMiddleDown);
  const auto back = WindowInputSource::MouseEventOf(Mouse(QEvent::MouseButtonPress, Qt::BackButton));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->message, input::kExtraDown);
  EXPECT_EQ(back->mouseData >> 16, input::kExtraBack);
  const auto forward = WindowInputSource::MouseEventOf(Mouse(QEvent::MouseButtonRelease, Qt::ForwardButton));
  ASSERT_TRUE(forward.has_value());
  EXPECT_EQ(forward->message, input::kExtraUp);
  EXPECT_EQ(forward->mouseData >> 16, input::kExtraForward);
  EXPECT_FALSE(WindowInputSource::MouseEventOf(Mouse(QEvent::MouseButtonPress, Qt::ExtraButton4)).has_value());
}

TEST(WindowInputSource, TheKeyboardIsLetGoOnStopOnHidingAndWithTheSource) {
  test::EnsureQtApp();
  QWidget window;
  window.show();
  std::vector<input::InputEvent> seen;
  std::string reason;
  {
    WindowInputSource source(&window);
    ASSERT_TRUE(source.start([&](const input::InputEvent& e) { seen.push_back(e); }, true, reason));
    EXPECT_EQ(QWidget::keyboardGrabber(), &window);
    source.stop();
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    EXPECT_FALSE(source.running());

    ASSERT_TRUE(source.start([&](const input::InputEvent& e) { seen.push_back(e); }, true, reason));
    window.hide();
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    EXPECT_FALSE(source.HoldsKeyboard());
    window.show();
    // Started without the keyboard (a mode without a keyboard hook): nothing grabbed.
    ASSERT_TRUE(source.start([&](const input::InputEvent& e) { seen.push_back(e); }, false, reason));
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    ASSERT_TRUE(source.start([&](const input::InputEvent& e) { seen.push_back(e); }, true, reason));
  }
  EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);  // the source is gone

  // Events sent to the window after a stop reach no sink.
  WindowInputSource source(&window);
  ASSERT_TRUE(source.start([&](const input::InputEvent& e) { seen.push_back(e); }, true, reason));
  QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, KEY_A + 8, 0, 0);
  QCoreApplication::sendEvent(window.windowHandle(), &press);
  ASSERT_EQ(seen.size(), 1u);
  source.stop();
  QCoreApplication::sendEvent(window.windowHandle(), &press);
  EXPECT_EQ(seen.size(), 1u);

  // A window that is gone cannot record.
  auto* gone = new QWidget;
  WindowInputSource orphan(gone);
  delete gone;
  EXPECT_FALSE(orphan.start([](const input::InputEvent&) {}, true, reason));
  EXPECT_FALSE(reason.empty());
}

}  // namespace
}  // namespace tessel::ui
