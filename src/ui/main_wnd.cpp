#include "ui/main_wnd.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <atomic>

#include "platform/debug.h"
#include "ui/registered_messages.h"
#include "ui/toolkit/builder.h"
#include "ui/toolkit/message_bus.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {

namespace {
std::atomic<CMainWnd*> g_mainWnd{nullptr};

const char* const kCaptionControls[] = {"closebtn", "maxbtn",       "restorebtn", "minbtn", "skinbtn",
                                        "gamemodebtn", "cloudbtn", "smarteyesbtn", "setbtn"};
}  // namespace

CMainWnd* MainWindow() { return g_mainWnd.load(); }

CMainWnd::CMainWnd() = default;

CMainWnd::~CMainWnd() {
  CMainWnd* self = this;
  g_mainWnd.compare_exchange_strong(self, nullptr);
}

const std::vector<CMainWnd::TagEntry>& CMainWnd::TagTable() {
  // Device controllers, editors and the custom controls come with their own
  // parts of the program; their rows gain a creator there. Until then the tag
  // yields no control, like any unknown tag.
  static const std::vector<TagEntry> table = {
      {"CircleProgress", {}, nullptr},
      {"SelectPanel", {}, nullptr},
      {"DeviceKeyButton", {}, nullptr},
      {"HandImgButton", {}, nullptr},
      {"AudioRecord", {}, nullptr},
      {"HandImgSelectButton", {}, nullptr},
      {"RedioMacroButton", {}, nullptr},
      {"ComboEditContainerElement", {}, nullptr},
      {"BrelvikMousePadDevice", {}, nullptr},
      {"BrelvikHS6533Device", {}, nullptr},
      {"BrelvikMouseDevice", {}, nullptr},
      {"BrelvikKeyboardDevice", {}, nullptr},
      {"DeviceProfile", {}, nullptr},
      {"LightControl", {}, nullptr},
      {"MagicControl", {}, nullptr},
      {"Voice6533Control", {}, nullptr},
      {"KeySetControl", {}, nullptr},
      {"ShootControl", {}, nullptr},
      {"DeviceProfileUI", {}, "XML/CustomControlXML/DeviceProfile.xml"},
      {"LightSetControlUI", {}, "XML/CustomControlXML/LightControl.xml"},
      {"Voice6533SetControlUI", {}, "XML/CustomControlXML/Voice6533Control.xml"},
      {"MagicSetControlUI", {}, "XML/CustomControlXML/MagicControl.xml"},
      {"KeySetControlUI", {}, "XML/CustomControlXML/KeySetControl.xml"},
      {"MacroSetControlUI", {}, "XML/CustomControlXML/MacroControl.xml"},
      {"ShootKeySetControlUI", {}, "XML/CustomControlXML/ShootControl.xml"},
      {"VirtualSetControlUI", {}, "XML/CustomControlXML/VirtualSet.xml"},
  };
  return table;
}

CControlUI* CMainWnd::CreateControl(const QString& tag) {
  for (const TagEntry& entry : TagTable()) {
    if (tag.compare(QLatin1String(entry.tag), Qt::CaseInsensitive) != 0) continue;
    if (entry.builtFrom) {
      CDialogBuilder nested;
      return nested.Create(QString::fromLatin1(entry.builtFrom), QString(), this, &m_pm);
    }
    return entry.create ? entry.create() : nullptr;
  }
  return nullptr;
}

void CMainWnd::InitWindow() {
  debugLine("InitWindow");
  auto* rm = CResourceManager::GetInstance();
  rm->SetTextQueryInterface(this);
  rm->LoadLanguage(QStringLiteral("lan_cn.xml"));
  rm->ReloadText();
  caption_.clear();
  for (const char* name : kCaptionControls)
    caption_.emplace_back(QString::fromLatin1(name), m_pm.FindControl(QString::fromLatin1(name)));
  g_mainWnd = this;
  SetIcon(rm->GetImagePath(QString::number(kTrayIconId)));
  tray_.CreateTrayIcon(this, kTrayIconId, QStringLiteral("Tessel RGB"), 0);
  ExportToBus();
}

CControlUI* CMainWnd::GetCaptionControl(const QString& name) const {
  for (const auto& [n, c] : caption_)
    if (n == name) return c;
  return nullptr;
}

QString CMainWnd::QueryControlText(const QString&, const QString&) { return {}; }

void CMainWnd::Notify(TNotifyUI& msg) {
  if (msg.sType == notify::kWindowInit) {
    // Other programs learn that light control is on.
    CMessageBus::Instance().Broadcast(AppMessages().lightState, 1, 1);
    return;
  }
  if (msg.sType != notify::kClick || !msg.pSender) return;
  const QString name = msg.pSender->GetName();
  if (name.compare(QLatin1String("closebtn"), Qt::CaseInsensitive) == 0 ||
      name.compare(QLatin1String("nodevice_ok_btn"), Qt::CaseInsensitive) == 0) {
    ShowWindow(false);
  } else if (name.compare(QLatin1String("minbtn"), Qt::CaseInsensitive) == 0) {
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (name.compare(QLatin1String("maxbtn"), Qt::CaseInsensitive) == 0) {
    SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (name.compare(QLatin1String("restorebtn"), Qt::CaseInsensitive) == 0) {
    SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
  }
}

void CMainWnd::BringToFront() {
  QWidget* w = GetHWND();
  if (!w) return;
  HandleMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
  w->show();
  w->raise();
  w->activateWindow();
}

void CMainWnd::ToggleFromTray() {
  if (IsWindowVisible() && !IsMinimized()) {
    CMenuWnd::CloseActiveMenu();
    ShowWindow(false);
  } else {
    BringToFront();
  }
}

void CMainWnd::ShowTrayMenu() {
  CMenuWnd::CloseActiveMenu();
  QPoint point = QCursor::pos();
  UINT alignment = eMenuAlignment_Left | eMenuAlignment_Top;
  // The panel that holds the notification area decides where the menu opens.
  if (QScreen* screen = QGuiApplication::screenAt(point) ? QGuiApplication::screenAt(point)
                                                          : QGuiApplication::primaryScreen()) {
    const QRect full = screen->geometry();
    const QRect avail = screen->availableGeometry();
    if (avail.top() > full.top()) {
      point.setY(avail.top() + 1);
      alignment = eMenuAlignment_Top | eMenuAlignment_Right;
    } else if (avail.left() > full.left()) {
      point.setX(avail.left() + 1);
      alignment = eMenuAlignment_Left | eMenuAlignment_Bottom;
    } else if (avail.bottom() < full.bottom()) {
      point.setY(avail.bottom() - 20);
      alignment = eMenuAlignment_Right | eMenuAlignment_Bottom;
    } else if (avail.right() < full.right()) {
      point.setX(avail.right() - 1);
      alignment = eMenuAlignment_Right | eMenuAlignment_Bottom;
    }
  }
  CMenuWnd::CreateMenu(this, QStringLiteral("menu.xml"), point, alignment);
}

LRESULT CMainWnd::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  bHandled = true;
  const RegisteredMessages& rm = AppMessages();
  if (msg == rm.instance && msg != 0) {
    debugPrintf("instance message wParam=%llu lParam=%lld", static_cast<unsigned long long>(wParam),
                static_cast<long long>(lParam));
    BringToFront();
    return 0;
  }
  switch (msg) {
    case WM_TRAYNOTIFY:
      if (lParam == WM_LBUTTONUP) ToggleFromTray();
      else if (lParam == WM_RBUTTONUP) SetTimer(kTimerTrayMenu, 10);
      return 0;
    case WM_TIMER:
      if (wParam == kTimerTrayMenu) {
        KillTimer(kTimerTrayMenu);
        ShowTrayMenu();
        return 0;
      }
      bHandled = false;
      return 0;
    case WM_MENUCLICK: {
      // The toolkit owns the item record; it is freed after this returns.
      const auto* cmd = reinterpret_cast<const MenuCmd*>(wParam);
      if (cmd && cmd->szName == QLatin1String("exit")) {
        CMenuWnd::CloseActiveMenu();
        exiting_ = true;
        Close(0);
      }
      return 0;
    }
    case WM_CLOSE:
      // Only the tray menu's "exit" ends the program; any other close hides
      // the window and the program stays in the tray.
      if (!exiting_) {
        ShowWindow(false);
        return 0;
      }
      bHandled = false;
      return 0;
    case WM_DESTROY:
      debugLine("退出测试");
      tray_.DeleteTrayIcon();
      PostQuitMessage(0);
      return 0;
    default: bHandled = false; return 0;
  }
}

}  // namespace tessel::ui
