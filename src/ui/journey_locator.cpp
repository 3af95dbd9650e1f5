#include "ui/journey_locator.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QDBusConnection>
#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>
#include <QWidget>
#include <algorithm>
#include <vector>

#include "ui/toolkit/controls.h"
#include "ui/toolkit/paint_manager.h"

namespace tessel::ui {

namespace {

const QString kPath = QStringLiteral("/org/orvik/TesselRGB/Journey");

// Windows in the order a person sees them: the open popup, the modal window,
// the active one, then the rest.
std::vector<QWidget*> WindowsInOrder() {
  std::vector<QWidget*> out;
  auto add = [&out](QWidget* w) {
    if (w && w->isVisible() && std::find(out.begin(), out.end(), w) == out.end()) out.push_back(w);
  };
  add(QApplication::activePopupWidget());
  add(QApplication::activeModalWidget());
  add(QApplication::activeWindow());
  for (QWidget* w : QApplication::topLevelWidgets()) add(w);
  return out;
}

// The part of the widget its parents leave visible, in global coordinates;
// empty when clipped away or (`onTop`) when something else is on top at its
// centre.
QRect ShownRect(QWidget* w, bool onTop) {
  if (!w->isVisible()) return {};
  QRect r = w->rect();
  QWidget* child = w;
  while (!child->isWindow()) {
    QWidget* parent = child->parentWidget();
    r = r.translated(child->pos()).intersected(parent->rect());
    if (r.isEmpty()) return {};
    child = parent;
  }
  r.moveTopLeft(child->mapToGlobal(r.topLeft()));
  QWidget* hit = onTop ? QApplication::widgetAt(r.center()) : w;
  if (hit != w && !w->isAncestorOf(hit)) return {};
  return r;
}

// Row `text` of a list view, in global coordinates; empty when scrolled away.
QRect RowRect(QAbstractItemView* view, int column, const QString& text) {
  const QAbstractItemModel* model = view->model();
  if (!model || !view->isVisible()) return {};
  for (int row = 0; row < model->rowCount(view->rootIndex()); ++row) {
    const QModelIndex index = model->index(row, column, view->rootIndex());
    if (index.data(Qt::DisplayRole).toString() != text) continue;
    const QRect r = view->visualRect(index).intersected(view->viewport()->rect());
    if (r.isEmpty()) return {};
    return QRect(view->viewport()->mapToGlobal(r.topLeft()), r.size());
  }
  return {};
}

bool Fill(const QRect& r, int& x, int& y, int& w, int& h) {
  x = r.x();
  y = r.y();
  w = r.width();
  h = r.height();
  return !r.isEmpty();
}

CControlUI* ControlOf(QWidget* widget) {
  for (CPaintManagerUI* manager : CPaintManagerUI::GetAllManagers()) {
    if (!manager->GetRoot()) continue;
    if (CControlUI* c = manager->GetRoot()->FindControl([widget](CControlUI* c) { return c->ExistingWidget() == widget; }))
      return c;
  }
  return nullptr;
}

QString ShownText(QWidget* w) {
  if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
  if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* text = qobject_cast<QTextEdit*>(w)) return text->toPlainText();
  CControlUI* control = ControlOf(w);
  if (auto* progress = dynamic_cast<CProgressUI*>(control)) return QString::number(progress->GetValue());
  return control ? control->GetText() : QString();
}

// "device_select@Keyboard": of several controls with one name (the tiles'),
// the one whose parent also holds a control showing "Keyboard" (whole text,
// any case).
bool BesideText(QWidget* w, const QString& text) {
  QWidget* parent = w->parentWidget();
  if (!parent) return false;
  for (QWidget* sibling : parent->findChildren<QWidget*>())
    if (ShownText(sibling).trimmed().compare(text, Qt::CaseInsensitive) == 0) return true;
  return false;
}

}  // namespace

JourneyLocator::~JourneyLocator() {
  if (exported_) QDBusConnection::sessionBus().unregisterObject(kPath);
}

bool JourneyLocator::ExportIfAsked() {
  if (qEnvironmentVariable("TESSEL_JOURNEY") != QLatin1String("1")) return false;
  QDBusConnection bus = QDBusConnection::sessionBus();
  exported_ = bus.isConnected() && bus.registerObject(kPath, this, QDBusConnection::ExportAllSlots);
  return exported_;
}

QWidget* JourneyLocator::FindShown(const QString& name, QRect* globalRect, bool onTop) {
  const QString objectName = name.section(QLatin1Char('@'), 0, 0);
  const QString beside = name.section(QLatin1Char('@'), 1);
  if (objectName.isEmpty()) return nullptr;
  for (QWidget* window : WindowsInOrder()) {
    QList<QWidget*> named = window->findChildren<QWidget*>(objectName);
    if (window->objectName() == objectName) named.prepend(window);
    for (QWidget* w : named) {
      const QRect r = ShownRect(w, onTop);
      if (r.isEmpty() || (!beside.isEmpty() && !BesideText(w, beside))) continue;
      if (globalRect) *globalRect = r;
      return w;
    }
  }
  return nullptr;
}

bool JourneyLocator::Locate(const QString& name, int& x, int& y, int& w, int& h) {
  QRect r;
  FindShown(name, &r);
  return Fill(r, x, y, w, h);
}

bool JourneyLocator::Item(const QString& name, const QString& text, int& x, int& y, int& w, int& h) {
  QRect r;
  // The open popup covers its drop-down.
  QWidget* widget = FindShown(name, nullptr, false);
  if (auto* combo = qobject_cast<QComboBox*>(widget)) r = RowRect(combo->view(), combo->modelColumn(), text);
  else if (auto* view = qobject_cast<QAbstractItemView*>(widget)) r = RowRect(view, 0, text);
  return Fill(r, x, y, w, h);
}

QString JourneyLocator::Text(const QString& name) {
  QWidget* w = FindShown(name);
  return w ? ShownText(w) : QString();
}

QStringList JourneyLocator::Names() {
  QStringList out;
  for (QWidget* window : WindowsInOrder()) {
    for (QWidget* w : window->findChildren<QWidget*>()) {
      if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_"))) continue;
      const QRect r = ShownRect(w, true);
      if (!r.isEmpty())
        out << QStringLiteral("%1 %2 %3 %4 %5").arg(w->objectName()).arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    }
  }
  return out;
}

}  // namespace tessel::ui
