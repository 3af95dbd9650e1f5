#pragma once
// Tray icon and menu window.
#include <QPoint>
#include <QString>
#include <memory>

#include "ui/toolkit/window.h"

class QSystemTrayIcon;

namespace tessel::ui {

// The icon reports left and right button releases to its window as the tray
// message (1025 unless another is given) with wParam = icon id and lParam =
// WM_LBUTTONUP (514) or WM_RBUTTONUP (517).
class CTrayIcon {
 public:
  CTrayIcon();
  ~CTrayIcon();
  // `iconId` names an image in res.xml ("107"). False when the desktop has no
  // notification area (the window still works; it just has no icon).
  bool CreateTrayIcon(CWindowWnd* receiver, int iconId, const QString& tooltip, UINT message = 0);
  void DeleteTrayIcon();
  bool SetTooltipText(const QString& text);
  QString GetTooltipText() const;
  UINT GetMessage() const { return message_; }
  bool IsCreated() const { return icon_ != nullptr; }
  static bool IsAvailable();
  // What the icon does on a click; public so that tests can click it.
  void OnActivated(int reason);

 private:
  QSystemTrayIcon* icon_ = nullptr;
  CWindowWnd* receiver_ = nullptr;
  int iconId_ = 0;
  UINT message_ = WM_TRAYNOTIFY;
  QString tooltip_;
};

// Menu alignment flags: where the menu opens relative to its point.
enum MenuAlignment : UINT {
  eMenuAlignment_Left = 1 << 1,    // the menu's left edge at the point
  eMenuAlignment_Top = 1 << 2,     // the menu's top edge at the point
  eMenuAlignment_Right = 1 << 3,   // the menu's right edge at the point
  eMenuAlignment_Bottom = 1 << 4,  // the menu's bottom edge at the point
};

// One menu item; in "menu.xml" <MenuElement name=".." text=".." userdata=".."/>.
class CMenuElementUI : public CButtonUI {
 public:
  QString GetClass() const override { return QStringLiteral("MenuElement"); }
  bool Activate() override;
};

// The menu root; in "menu.xml" <Menu width=".."> around the elements.
class CMenuUI : public CVerticalLayoutUI {
 public:
  QString GetClass() const override { return QStringLiteral("Menu"); }
};

// A popup window built from a menu XML. Choosing an item posts WM_MENUCLICK
// (1145) to the receiver with a MenuCmd; clicking elsewhere closes the menu.
class CMenuWnd : public WindowImplBase {
 public:
  // Shows the menu at `point` (screen coordinates), kept on the screen. The
  // menu deletes itself when it closes. nullptr when the XML cannot be built.
  static CMenuWnd* CreateMenu(CWindowWnd* receiver, const QString& xml, QPoint point,
                              UINT alignment = eMenuAlignment_Left | eMenuAlignment_Top);
  // The menu that is open, if any.
  static CMenuWnd* GetActiveMenu();
  static void CloseActiveMenu();

  QString GetWindowClassName() const override { return QStringLiteral("MenuWnd"); }
  QString GetSkinFile() override { return xml_; }
  void Notify(TNotifyUI& msg) override;
  // Chooses an item by name as a click would.
  bool ChooseItem(const QString& name);
  QRect PlacedRect() const { return placed_; }
  // Where a menu of `size` opens at `point` with `alignment` on `screen`.
  static QRect PlaceMenu(QPoint point, QSize size, UINT alignment, const QRect& screen);

 protected:
  void OnFinalMessage(QWidget*) override;

 private:
  CMenuWnd() = default;
  ~CMenuWnd() override;
  CWindowWnd* receiver_ = nullptr;
  QString xml_;
  QRect placed_;
};

}  // namespace tessel::ui
