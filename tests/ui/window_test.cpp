// Windows: SendMessage/PostMessage across threads, registered messages and
// their bus names, the message box, the tray icon and the tray menu.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTest>
#include <QSystemTrayIcon>
#include <QTimer>
#include <atomic>
#include <thread>

#include "platform/debug.h"
#include "qt_env.h"
#include "ui/main_wnd.h"
#include "ui/window_closing.h"
#include "ui/msg_wnd.h"
#include "ui/registered_messages.h"
#include "ui/toolkit/message_bus.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/toolkit/tray.h"

namespace tessel::ui {
namespace {

class EchoWnd : public WindowImplBase {
 public:
  QString GetWindowClassName() const override { return QStringLiteral("EchoWnd"); }
  QString GetSkinFile() override { return QStringLiteral("<VerticalLayout name=\"root\"/>"); }
  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override {
    handled = true;
    received.push_back({msg, wParam, lParam});
    if (msg == WM_COPYDATA) {
      auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
      copied = QByteArray(static_cast<const char*>(cds->lpData), static_cast<int>(cds->cbData));
      return static_cast<LRESULT>(cds->dwData) + 1;
    }
    if (msg == WM_CLOSE || msg == WM_DESTROY) handled = false;
    return static_cast<LRESULT>(wParam) * 2;
  }
  struct Msg {
    UINT msg;
    WPARAM w;
    LPARAM l;
  };
  std::vector<Msg> received;
  QByteArray copied;
};

using test::SpinUntil;

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseProjectResources();
    CPaintManagerUI::SetDefaultScheduler(&clock_);
  }
  void TearDown() override { CPaintManagerUI::SetDefaultScheduler(nullptr); }
  ManualClock clock_;
};

TEST_F(WindowTest, SendMessageRunsOnTheUiThreadAndNeverHangs) {
  EchoWnd wnd;
  ASSERT_TRUE(wnd.Create(nullptr, QStringLiteral("echo"), 0, 0, 0, 0, 100, 100));
  // On the UI thread: a direct call.
  EXPECT_EQ(wnd.SendMessage(WM_USER + 5, 21, 0), 42);
  // From a worker: waits for the UI thread, which runs the handler.
  std::atomic<LRESULT> result{-1};
  std::atomic<bool> ranOnUi{false};
  std::thread worker([&] { result = wnd.SendMessage(WM_USER + 6, 50, 1); });
  ASSERT_TRUE(SpinUntil([&] { return result.load() != -1; }));
  worker.join();
  EXPECT_EQ(result.load(), 100);
  // Posted messages arrive in order.
  wnd.received.clear();
  std::thread poster([&] {
    for (int i = 0; i < 5; ++i) wnd.PostMessage(WM_USER + 7, static_cast<WPARAM>(i), 0);
  });
  poster.join();
  ASSERT_TRUE(SpinUntil([&] { return wnd.received.size() == 5; }));
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(wnd.received[i].w, i);
  // A worker blocked in SendMessage is released when the window goes.
  std::atomic<bool> released{false};
  std::thread late([&] {
    wnd.SendMessage(WM_USER + 8, 1, 0);
    released = true;
  });
  while (!released) {
    wnd.CancelPendingSends();
    std::this_thread::yield();
  }
  late.join();
  EXPECT_EQ(wnd.SendMessage(WM_USER + 9, 1, 0), 2);  // the UI thread itself is never refused
  EXPECT_FALSE(wnd.PostMessage(WM_USER + 9, 1, 0));
}

TEST_F(WindowTest, WindowTimersDeliverWmTimer) {
  EchoWnd wnd;
  ASSERT_TRUE(wnd.Create(nullptr, QStringLiteral("timers"), 0, 0));
  wnd.SetTimer(1032, 10);
  clock_.advance(Millis(10));
  ASSERT_EQ(wnd.received.size(), 1u);
  EXPECT_EQ(wnd.received[0].msg, WM_TIMER);
  EXPECT_EQ(wnd.received[0].w, 1032u);
  wnd.KillTimer(1032);
  clock_.advance(Millis(100));
  EXPECT_EQ(wnd.received.size(), 1u);
}

TEST_F(WindowTest, RegisteredMessagesAndBusNames) {
  const UINT a = RegisterWindowMessage(QStringLiteral("{4695579F-999A-41d4-9FAF-EFFCE93EBF17}"));
  EXPECT_GE(a, kFirstRegisteredMessage);
  EXPECT_EQ(RegisterWindowMessage(QStringLiteral("{4695579F-999A-41d4-9FAF-EFFCE93EBF17}")), a);
  EXPECT_NE(RegisterWindowMessage(QStringLiteral("{4695579F-999A-41d4-9FAF-EFFCE93EBE19}")), a);
  EXPECT_EQ(GetRegisteredMessageName(a), "{4695579F-999A-41d4-9FAF-EFFCE93EBF17}");
  EXPECT_EQ(FindRegisteredMessage(QStringLiteral("never registered")), 0u);
  RegisterHookMessages();
  EXPECT_NE(FindRegisteredMessage(QStringLiteral("UWM_MOUSERBUTTONDOWN_USER_MSG")), 0u);
  EXPECT_EQ(HookMessageNames().size(), 24);

  EXPECT_EQ(CMessageBus::BusNameForTitle(QStringLiteral("Tessel RGB")), "org.orvik.TesselRGB.w.Tessel_20RGB");
  EXPECT_EQ(CMessageBus::BusNameForTitle(QStringLiteral("ZuraRozu")), "org.orvik.TesselRGB.w.ZuraRozu");
  EXPECT_EQ(CMessageBus::BusNameForTitle(QStringLiteral("3D_ü")), "org.orvik.TesselRGB.w._33D_5f_c3_bc");
  EXPECT_EQ(CMessageBus::BusNameForTitle(QString()), "");
  EXPECT_EQ(CMessageBus::BusNameForTitle(QString(300, 'a')), "");
}

TEST_F(WindowTest, WithoutABusMessagesStayInTheProcess) {
  std::vector<std::string> lines;
  setDebugCapture([&](std::string_view l) { lines.emplace_back(l); });
  EchoWnd wnd;
  ASSERT_TRUE(wnd.Create(nullptr, QStringLiteral("ZuraRozu"), 0, 0));
  EXPECT_FALSE(CMessageBus::Instance().Connect());
  const UINT id = RegisterWindowMessage(QStringLiteral("{4695579F-999A-41d4-9FAF-EFFCE93EBF16}"));
  EXPECT_TRUE(CMessageBus::Instance().Broadcast(id, 1, 0));
  ASSERT_TRUE(SpinUntil([&] { return !wnd.received.empty(); }));
  EXPECT_EQ(wnd.received[0].msg, id);
  EXPECT_EQ(wnd.received[0].l, 0);
  EXPECT_TRUE(CMessageBus::Instance().FindWindow(QStringLiteral("ZuraRozu")));
  EXPECT_FALSE(CMessageBus::Instance().FindWindow(QStringLiteral("Nobody")));
  auto answer = CMessageBus::Instance().CopyDataToWindow(QStringLiteral("ZuraRozu"), 9, 5, QByteArray("abc"));
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(*answer, 6);
  EXPECT_EQ(wnd.copied, "abc");
  EXPECT_FALSE(CMessageBus::Instance().CopyDataToWindow(QStringLiteral("Nobody"), 0, 5, {}).has_value());
  setDebugCapture({});
}

TEST_F(WindowTest, MessageBoxReturnsOneOnConfirmAndZeroOtherwise) {
  CResourceManager::GetInstance()->LoadLanguage(QStringLiteral("lan_en.xml"));
  auto clickLater = [](const char* button, QString* text, bool* cancelShown) {
    QTimer::singleShot(0, [=] {
      for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() != "MsgWnd" || !top->isVisible()) continue;
        if (auto* t = top->findChild<QWidget*>("MessageText")) (void)t;
        if (text) {
          for (CWindowWnd* w : CWindowWnd::GetAllWindows())
            if (w->GetHWND() == top)
              *text = static_cast<CMsgWnd*>(w)->GetManager().FindControl("MessageText")->GetText();
        }
        if (cancelShown) *cancelShown = top->findChild<QWidget*>("cancel_btn")->isVisible();
        QTest::mouseClick(top->findChild<QWidget*>(button), Qt::LeftButton);
      }
    });
  };
  QString text;
  bool cancelShown = true;
  clickLater("confirm_btn", &text, &cancelShown);
  EXPECT_EQ(CMsgWnd::ShowMessage(nullptr, QStringLiteral("msg_title"), QStringLiteral("message_text_22"), 96, 0, 0), 1);
  EXPECT_EQ(text, "Restore the default settings?");
  EXPECT_FALSE(cancelShown);

  clickLater("cancel_btn", nullptr, &cancelShown);
  EXPECT_EQ(CMsgWnd::ShowMessage(nullptr, QString(), QStringLiteral("plain words"), 144, 0, 1), 0);
  EXPECT_TRUE(cancelShown);

  std::vector<std::string> lines;
  setDebugCapture([&](std::string_view l) { lines.emplace_back(l); });
  clickLater("closebtn", nullptr, nullptr);
  EXPECT_EQ(CMsgWnd::ShowMessage(nullptr, QString(), QStringLiteral("x"), 100, 0, 1), 0);
  setDebugCapture({});
  EXPECT_NE(std::find(lines.begin(), lines.end(), "MSG_WND DPI SET ERROR"), lines.end());
  EXPECT_EQ(CMsgWnd::CheckDpi(168), 168);
  CResourceManager::GetInstance()->Release();
}

TEST_F(WindowTest, TrayClicksAndMenuExitEndTheMainWindow) {
  CResourceManager::GetInstance()->LoadResource(QStringLiteral("res.xml"));
  RegisterInstanceMessage();
  RegisterGuidMessages();
  CMainWnd wnd;
  ASSERT_TRUE(wnd.Create(nullptr, QStringLiteral("Tessel RGB"), WS_VISIBLE, 0, 0, 0, 800, 572));
  QCoreApplication::processEvents();
  EXPECT_EQ(MainWindow(), &wnd);
  for (const char* name : {"closebtn", "minbtn", "maxbtn", "restorebtn", "skinbtn", "setbtn"})
    EXPECT_NE(wnd.GetCaptionControl(QString::fromLatin1(name)), nullptr) << name;
  EXPECT_TRUE(wnd.GetManager().FindControl("No_device_Link")->IsVisible());

  // Closing hides the window in the tray; the program keeps running.
  SetTrayAvailableForTests(true);
  QTest::mouseClick(wnd.GetManager().FindControl("closebtn")->GetWidget(), Qt::LeftButton);
  EXPECT_FALSE(wnd.IsWindowVisible());
  wnd.GetHWND()->close();
  EXPECT_NE(wnd.GetHWND(), nullptr);
  // The device watcher's first scan ending late (0, 0) does not undo that.
  wnd.PostMessage(AppMessages().instance, 0, 0);
  QCoreApplication::processEvents();
  EXPECT_FALSE(wnd.IsWindowVisible());
  // Left click on the tray icon (1025 with 514) shows it again.
  wnd.PostMessage(WM_TRAYNOTIFY, CMainWnd::kTrayIconId, WM_LBUTTONUP);
  ASSERT_TRUE(SpinUntil([&] { return wnd.IsWindowVisible(); }));
  // The instance message brings it back too.
  wnd.ShowWindow(false);
  wnd.PostMessage(AppMessages().instance, 0, 1);
  ASSERT_TRUE(SpinUntil([&] { return wnd.IsWindowVisible(); }));

  // Right click (517): the menu opens 10 ms later; "exit" ends the loop with 0.
  wnd.GetTrayIcon().OnActivated(QSystemTrayIcon::Context);
  QCoreApplication::processEvents();
  clock_.advance(Millis(10));
  ASSERT_NE(CMenuWnd::GetActiveMenu(), nullptr);
  CMenuWnd* menu = CMenuWnd::GetActiveMenu();
  QWidget* exitItem = menu->GetHWND()->findChild<QWidget*>("exit");
  ASSERT_NE(exitItem, nullptr);
  int code = -1;
  QTimer::singleShot(0, [&] { QTest::mouseClick(exitItem, Qt::LeftButton); });
  QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });  // safety bound only
  code = CPaintManagerUI::MessageLoop();
  SetTrayAvailableForTests(std::nullopt);
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(wnd.IsWindowVisible());
}

TEST(MenuPlacement, AlignmentFlagsAndScreenEdges) {
  const QRect screen(0, 0, 1000, 800);
  const QSize size(100, 60);
  EXPECT_EQ(CMenuWnd::PlaceMenu({500, 400}, size, eMenuAlignment_Left | eMenuAlignment_Top, screen),
            QRect(500, 400, 100, 60));
  EXPECT_EQ(CMenuWnd::PlaceMenu({500, 400}, size, eMenuAlignment_Right | eMenuAlignment_Bottom, screen),
            QRect(401, 341, 100, 60));
  // Near the bottom right corner the menu flips to stay on the screen.
  EXPECT_EQ(CMenuWnd::PlaceMenu({990, 790}, size, eMenuAlignment_Left | eMenuAlignment_Top, screen),
            QRect(891, 731, 100, 60));
}

}  // namespace
}  // namespace tessel::ui
