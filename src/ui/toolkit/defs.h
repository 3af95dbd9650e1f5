#pragma once
// Basic vocabulary of the toolkit layer: message numbers, notification records
// and the small interfaces windows and builders implement.
#include <QPoint>
#include <QString>
#include <cstdint>

namespace tessel::ui {

using UINT = uint32_t;
using WPARAM = uint64_t;
using LPARAM = int64_t;
using LRESULT = int64_t;
using DWORD = uint32_t;

// Wide text of the toolkit: QString (format with arg(), compare ignoring case
// with compare(..., Qt::CaseInsensitive), indexOf, mid).
using CDuiString = QString;

// Plain message numbers.
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_COPYDATA = 0x004A;
inline constexpr UINT WM_DISPLAYCHANGE = 0x007E;
inline constexpr UINT WM_SYSCOMMAND = 0x0112;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_LBUTTONUP = 0x0202;    // 514
inline constexpr UINT WM_RBUTTONUP = 0x0205;    // 517
inline constexpr UINT WM_POWERBROADCAST = 0x0218;
inline constexpr UINT WM_MOUSEHOVER = 0x02A1;
inline constexpr UINT WM_MOUSELEAVE = 0x02A3;
inline constexpr UINT WM_DPICHANGED = 0x02E0;
inline constexpr UINT WM_USER = 0x0400;
inline constexpr UINT WM_TRAYNOTIFY = WM_USER + 1;   // 1025, the tray icon's default message
inline constexpr UINT WM_MENUCLICK = WM_USER + 121;  // 1145, the chosen menu item
inline constexpr UINT SC_MINIMIZE = 0xF020;
inline constexpr UINT SC_MAXIMIZE = 0xF030;
inline constexpr UINT SC_RESTORE = 0xF120;
// Registered message ids start here (as on the desktop this layer mirrors).
inline constexpr UINT kFirstRegisteredMessage = 0xC000;

// Copy-data block of WM_COPYDATA; lParam of the message points to it while the
// handler runs.
struct COPYDATASTRUCT {
  uint64_t dwData = 0;
  uint32_t cbData = 0;
  const void* lpData = nullptr;
};

// Chosen menu item, wParam of WM_MENUCLICK. The toolkit owns it: it stays valid
// while the handler runs and is freed afterwards.
struct MenuCmd {
  QString szName;
  QString szUserData;
  QString szText;
  bool bChecked = false;
};

class CControlUI;

// Notification type names.
namespace notify {
inline const QString kClick = QStringLiteral("click");
inline const QString kSelectChanged = QStringLiteral("selectchanged");
inline const QString kItemSelect = QStringLiteral("itemselect");
inline const QString kItemClick = QStringLiteral("itemclick");
inline const QString kItemActivate = QStringLiteral("itemactivate");
inline const QString kValueChanged = QStringLiteral("valuechanged");
inline const QString kMoveValueChanged = QStringLiteral("movevaluechanged");
inline const QString kTextChanged = QStringLiteral("textchanged");
inline const QString kReturn = QStringLiteral("return");
inline const QString kKillFocus = QStringLiteral("killfocus");
inline const QString kSetFocus = QStringLiteral("setfocus");
inline const QString kTimer = QStringLiteral("timer");
inline const QString kWindowInit = QStringLiteral("windowinit");
inline const QString kWindowSize = QStringLiteral("windowsize");
inline const QString kMenu = QStringLiteral("menu");
inline const QString kColorChanged = QStringLiteral("colorchanged");
inline const QString kMouseEnter = QStringLiteral("msenter");
inline const QString kMouseLeave = QStringLiteral("msleave");
inline const QString kCheckClick = QStringLiteral("checkclick");
}  // namespace notify

// One notification of a control.
struct TNotifyUI {
  QString sType;
  QString sVirtualWnd;
  CControlUI* pSender = nullptr;
  uint64_t dwTimestamp = 0;
  QPoint ptMouse;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

// Events the toolkit hands to a control's DoEvent.
enum class UIEvent { Timer, MouseEnter, MouseLeave, ButtonDown, ButtonUp, DoubleClick, MouseMove, SetFocus, KillFocus };

struct TEventUI {
  UIEvent Type = UIEvent::Timer;
  CControlUI* pSender = nullptr;
  QPoint ptMouse;
  WPARAM wParam = 0;  // the timer id for UIEvent::Timer
  LPARAM lParam = 0;
};

class INotifyUI {
 public:
  virtual ~INotifyUI() = default;
  virtual void Notify(TNotifyUI& msg) = 0;
};

class IMessageFilterUI {
 public:
  virtual ~IMessageFilterUI() = default;
  virtual LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, bool& bHandled) = 0;
};

class IDialogBuilderCallback {
 public:
  virtual ~IDialogBuilderCallback() = default;
  // nullptr: the builder falls back to its own classes and the control factory.
  virtual CControlUI* CreateControl(const QString& pstrClass) = 0;
};

// Asked for a text key that no loaded language file defines.
class IQueryControlText {
 public:
  virtual ~IQueryControlText() = default;
  virtual QString QueryControlText(const QString& lpstrId, const QString& lpstrType) = 0;
};

}  // namespace tessel::ui
