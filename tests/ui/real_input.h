#pragma once
// Real input for the window and page tests: a control is looked up by name
// only to learn where it is on the screen; the mouse and the keys then go to
// the widget under that point, the way the window system delivers them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QWidget>

#include "ui/toolkit/controls.h"

namespace tessel::ui::test {

// The widget of our window under the centre of `control`, and the point in
// its coordinates; nullptr while the control is not shown.
inline QWidget* WidgetUnder(CControlUI* control, QPoint* local) {
  QCoreApplication::processEvents();
  QWidget* own = control && control->IsVisible() ? control->GetWidget() : nullptr;
  if (!own || !own->isVisible()) return nullptr;
  QWidget* top = own->window();
  const QPoint inTop = own->mapTo(top, own->rect().center());
  if (!top->rect().contains(inTop)) return nullptr;
  QWidget* hit = top->childAt(inTop);
  if (!hit) hit = top;
  *local = hit->mapFrom(top, inTop);
  return hit;
}

inline QString Describe(const QWidget* w) {
  return w ? QString::fromLatin1(w->metaObject()->className()) + QLatin1Char(' ') + w->objectName() : QString();
}

// A left click at the centre of `control`; fails when the control is not
// shown, lies outside the window, or something else lies on top of it (the
// user would hit that).
inline ::testing::AssertionResult ClickAt(CControlUI* control) {
  if (!control) return ::testing::AssertionFailure() << "no such control";
  QPoint local;
  QWidget* hit = WidgetUnder(control, &local);
  if (!hit)
    return ::testing::AssertionFailure() << control->GetName().toStdString() << " is not shown in the window";
  QWidget* own = control->GetWidget();
  if (hit != own && !own->isAncestorOf(hit))
    return ::testing::AssertionFailure() << control->GetName().toStdString() << " is covered by "
                                         << Describe(hit).toStdString();
  QTest::mouseClick(hit, Qt::LeftButton, {}, local);
  QCoreApplication::processEvents();
  return ::testing::AssertionSuccess();
}

// Clicks into a text box, selects what it holds, types `text` and presses
// Enter, all as keys to the widget under the box's centre.
inline ::testing::AssertionResult TypeAt(CControlUI* control, const QString& text) {
  if (auto clicked = ClickAt(control); !clicked) return clicked;
  QPoint local;
  QWidget* hit = WidgetUnder(control, &local);
  QTest::keyClick(hit, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(hit, text);
  QTest::keyClick(hit, Qt::Key_Return);
  QCoreApplication::processEvents();
  return ::testing::AssertionSuccess();
}

// A key pressed while `control` (a drop-down, an edit) has the keyboard.
inline ::testing::AssertionResult KeyAt(CControlUI* control, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
  QPoint local;
  QWidget* hit = WidgetUnder(control, &local);
  if (!hit) return ::testing::AssertionFailure() << "the control is not shown in the window";
  QTest::keyClick(hit, key, modifiers);
  QCoreApplication::processEvents();
  return ::testing::AssertionSuccess();
}

}  // namespace tessel::ui::test
