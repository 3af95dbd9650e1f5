#include "ui/toolkit/tray.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QWidget>
#include <algorithm>

#include "platform/debug.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {

// ------------------------------------------------------------------ tray icon

CTrayIcon::CTrayIcon() = default;

CTrayIcon::~CTrayIcon() { DeleteTrayIcon(); }

bool CTrayIcon::IsAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }

bool CTrayIcon::CreateTrayIcon(CWindowWnd* receiver, int iconId, const QString& tooltip, UINT message) {
  DeleteTrayIcon();
  receiver_ = receiver;
  iconId_ = iconId;
  message_ = message ? message : WM_TRAYNOTIFY;
  tooltip_ = tooltip;
  if (!IsAvailable()) {
    debugLine("no notification area: the tray icon is not shown");
    return false;
  }
  icon_ = new QSystemTrayIcon();
  const QString path = CResourceManager::GetInstance()->GetImagePath(QString::number(iconId));
  icon_->setIcon(QIcon(path));
  icon_->setToolTip(tooltip);
  QObject::connect(icon_, &QSystemTrayIcon::activated, icon_,
                   [this](QSystemTrayIcon::ActivationReason reason) { OnActivated(static_cast<int>(reason)); });
  icon_->show();
  return true;
}

void CTrayIcon::OnActivated(int reason) {
  if (!receiver_) return;
  switch (static_cast<QSystemTrayIcon::ActivationReason>(reason)) {
    case QSystemTrayIcon::Trigger:
      receiver_->PostMessage(message_, static_cast<WPARAM>(iconId_), WM_LBUTTONUP);
      break;
    case QSystemTrayIcon::Context:
      receiver_->PostMessage(message_, static_cast<WPARAM>(iconId_), WM_RBUTTONUP);
      break;
    default: break;
  }
}

void CTrayIcon::DeleteTrayIcon() {
  if (icon_) {
    icon_->hide();
    delete icon_;
    icon_ = nullptr;
  }
}

bool CTrayIcon::SetTooltipText(const QString& text) {
  tooltip_ = text;
  if (icon_) icon_->setToolTip(text);
  return true;
}

QString CTrayIcon::GetTooltipText() const { return tooltip_; }

// ------------------------------------------------------------------ menu

namespace {
CMenuWnd* g_activeMenu = nullptr;
}

bool CMenuElementUI::Activate() {
  if (!CButtonUI::Activate()) return false;
  if (auto* menu = CMenuWnd::GetActiveMenu()) menu->ChooseItem(GetName());
  return true;
}

CMenuWnd* CMenuWnd::GetActiveMenu() { return g_activeMenu; }

void CMenuWnd::CloseActiveMenu() {
  if (g_activeMenu) g_activeMenu->Close(0);
}

QRect CMenuWnd::PlaceMenu(QPoint point, QSize size, UINT alignment, const QRect& screen) {
  QRect r(QPoint(0, 0), size);
  if (alignment & eMenuAlignment_Right) r.moveRight(point.x());
  else r.moveLeft(point.x());
  if (alignment & eMenuAlignment_Bottom) r.moveBottom(point.y());
  else r.moveTop(point.y());
  if (!screen.isEmpty()) {
    // Kept on the screen: a menu that would leave it opens on the other side.
    if (r.right() > screen.right()) r.moveRight(std::min(point.x(), screen.right()));
    if (r.left() < screen.left()) r.moveLeft(screen.left());
    if (r.bottom() > screen.bottom()) r.moveBottom(std::min(point.y(), screen.bottom()));
    if (r.top() < screen.top()) r.moveTop(screen.top());
  }
  return r;
}

CMenuWnd* CMenuWnd::CreateMenu(CWindowWnd* receiver, const QString& xml, QPoint point, UINT alignment) {
  CloseActiveMenu();
  auto* menu = new CMenuWnd();
  menu->receiver_ = receiver;
  menu->xml_ = xml;
  if (!menu->Create(nullptr, QStringLiteral("menu"), 0, WS_EX_TOOLWINDOW)) {
    delete menu;
    return nullptr;
  }
  QWidget* w = menu->GetHWND();
  w->setWindowFlags(Qt::Popup | Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint);
  CControlUI* root = menu->m_pm.GetRoot();
  if (!root || root->GetCount() == 0) {
    menu->DestroyWindow();
    return nullptr;
  }
  // Size: the root's width and the sum of the visible items.
  int width = root->GetFixedWidth() ? root->GetFixedWidth() : 160;
  int height = 0;
  if (auto* container = dynamic_cast<CContainerUI*>(root)) {
    height += container->GetInset().top() + container->GetInset().bottom();
    int shown = 0;
    for (int i = 0; i < container->GetCount(); ++i) {
      CControlUI* c = container->GetItemAt(i);
      if (!c->IsVisible()) continue;
      height += (c->GetFixedHeight() ? c->GetFixedHeight() : 32) + c->GetPadding().top() + c->GetPadding().bottom();
      ++shown;
    }
    if (shown > 1) height += container->GetChildPadding() * (shown - 1);
  }
  const QSize size(menu->m_pm.Scale(width), menu->m_pm.Scale(height));
  QScreen* screen = QGuiApplication::screenAt(point);
  if (!screen) screen = QGuiApplication::primaryScreen();
  menu->placed_ = PlaceMenu(point, size, alignment, screen ? screen->availableGeometry() : QRect());
  w->setGeometry(menu->placed_);
  g_activeMenu = menu;
  w->show();
  w->activateWindow();
  return menu;
}

CMenuWnd::~CMenuWnd() {
  if (g_activeMenu == this) g_activeMenu = nullptr;
}

void CMenuWnd::Notify(TNotifyUI&) {}

bool CMenuWnd::ChooseItem(const QString& name) {
  if (!GetHWND()) return false;
  CControlUI* item = m_pm.FindControl(name);
  if (!dynamic_cast<CMenuElementUI*>(item)) return false;
  auto cmd = std::make_unique<MenuCmd>();
  cmd->szName = item->GetName();
  cmd->szUserData = item->GetUserData();
  cmd->szText = item->GetText();
  if (receiver_) receiver_->PostMenuCommand(std::move(cmd));
  Close(1);
  return true;
}

void CMenuWnd::OnFinalMessage(QWidget*) {
  if (g_activeMenu == this) g_activeMenu = nullptr;
  // Deleted once control is back in the event loop (the click that chose the
  // item is still being delivered to one of this window's controls).
  QMetaObject::invokeMethod(qApp, [this] { delete this; }, Qt::QueuedConnection);
}

}  // namespace tessel::ui
