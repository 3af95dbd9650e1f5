// Game events reaching the main window from other programs, on a private
// session bus and emulated devices: a flood of posts on the bus method is
// coalesced to the latest per name, and a light edit made during an event
// (a click on the page, or tesselctl telling the window) stays where the
// restore used to put the old light back.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <fstream>
#include <sstream>
#include <thread>

#include "config/mouse_profiledata.h"
#include "main_window_env.h"
#include "tools/tesselctl.h"
#include "ui/device/mouse_page.h"
#include "ui/stall_monitor.h"
#include "ui/toolkit/message_bus.h"

namespace tessel::ui {
namespace {

using test::ClickOnScreen;

// Before the application exists (Qt reads both once): a 1280 x 800 screen the
// whole window fits on, and a session bus of the test's own.
struct Environment {
  pid_t daemon = 0;
  Environment() {
    const std::string screen = "/tmp/tessel-game-screen-" + std::to_string(::getpid()) + ".json";
    std::ofstream(screen) << R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1280, "height": 800,
                                  "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
    qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + QByteArray::fromStdString(screen));
    FILE* out = ::popen("dbus-daemon --session --fork --print-address=1 --print-pid=1 2>/dev/null", "r");
    if (!out) return;
    char address[512] = {}, pid[32] = {};
    if (std::fgets(address, sizeof address, out) && std::fgets(pid, sizeof pid, out)) {
      address[std::strcspn(address, "\n")] = 0;
      qputenv("DBUS_SESSION_BUS_ADDRESS", address);
      qputenv("TESSEL_TEST_PRIVATE_BUS", "1");
      daemon = static_cast<pid_t>(std::atoi(pid));
    }
    ::pclose(out);
  }
  ~Environment() {
    if (daemon > 0) ::kill(daemon, SIGTERM);
  }
};
const Environment kEnvironment;

class GameEventsWindowTest : public test::MainWindowFixture {
 protected:
  std::string HomePrefix() const override { return "tessel-game"; }
  CBrelvikMouseDevice* PlugMouse() {
    EXPECT_TRUE(bus_.plug("mouse"));
    Pass();
    clock_.advance(Millis(600));
    EXPECT_TRUE(test::SpinUntil([&] { return wnd_.IsWindowVisible(); }));
    wnd_.GetHWND()->activateWindow();
    QCoreApplication::processEvents();
    const DevicePage* p = wnd_.GetRegistry()->pageForOption(0);
    return p ? dynamic_cast<CBrelvikMouseDevice*>(wnd_.PageOf(*p)) : nullptr;
  }
  CControlUI* OnMouse(CBrelvikMouseDevice* page, const QString& name) {
    return page->FindControl([&name](CControlUI* c) { return c->GetName() == name; });
  }
  void Game(const char* name, WPARAM wParam, LPARAM lParam) {
    wnd_.SendMessage(FindRegisteredMessage(QString::fromLatin1(name)), wParam, lParam);
  }
  std::vector<uint8_t> MouseBlock() {
    const auto s = firmware_["mouse"]->settings();
    return {s.begin(), s.begin() + 71};
  }
  static LightRecord Saved(const std::filesystem::path& document) {
    CMouseProfiledata reread;
    reread.setDocumentPath(document);
    reread.loadDeviceElement();
    return reread.getLightInfo();
  }
};

TEST_F(GameEventsWindowTest, AFloodOfPostsOnTheBusIsCoalescedToTheLatestPerName) {
  CBrelvikMouseDevice* mouse = PlugMouse();
  ASSERT_NE(mouse, nullptr);
  ASSERT_TRUE(wnd_.IsExportedToBus()) << "no private session bus";
  const size_t modes = mouse->Mouse().lightModes().size();
  ASSERT_GT(modes, 6u);
  StallMonitor stalls;

  // Another program floods the bus method: 25,000 posts, game kills with
  // changing modes between light control requests, the last ones mode 4
  // and light control off.
  constexpr int kPosts = 25000;
  std::thread sender([] {
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("game"));
    const QString window = CMessageBus::BusNameForTitle(QStringLiteral("Tessel RGB"));
    for (int i = 0; i < kPosts; ++i) {
      const bool kill = i % 2 == 0;
      QDBusMessage call = QDBusMessage::createMethodCall(window, QStringLiteral("/org/orvik/TesselRGB/window"),
                                                         QStringLiteral("org.orvik.TesselRGB.Window"),
                                                         QStringLiteral("Post"));
      call << (kill ? QStringLiteral("Game_Kill") : QStringLiteral("{4695579F-999A-41d4-9FAF-EFFCE93EBF17}"))
           << qulonglong(1) << qlonglong(kill ? (i == kPosts - 2 ? 4 : (i / 2) % 4) : (i == kPosts - 1 ? 0 : 1));
      bus.send(call);
    }
  });
  const bool arrived = [&] {
    QElapsedTimer t;  // bound against a hang only
    t.start();
    while (wnd_.GetCoalescedCounts().received < kPosts && t.elapsed() < 60000)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return wnd_.GetCoalescedCounts().received == kPosts;
  }();
  sender.join();
  ASSERT_TRUE(arrived) << wnd_.GetCoalescedCounts().received;
  // The window acted on the first posts at once; the rest waits for the
  // pacing, and then only the latest of each name is left.
  clock_.advance(Millis(CWindowWnd::kCoalescePacingMs));
  QCoreApplication::processEvents();
  const auto counts = wnd_.GetCoalescedCounts();
  EXPECT_LE(counts.handled, 4u);
  EXPECT_EQ(mouse->Mouse().document()->getLightInfo().selectItem, 4);
  EXPECT_EQ(MouseBlock()[1], mouse->Mouse().lightModes()[4].code);
  EXPECT_FALSE(wnd_.IsLightControlOn());
  std::printf("bus flood: %d posts, %llu handled, worst UI stall %.1f ms over %llu ticks\n", kPosts,
              static_cast<unsigned long long>(counts.handled), static_cast<double>(stalls.WorstMicros()) / 1000.0,
              static_cast<unsigned long long>(stalls.Ticks()));
  RecordProperty("worst_ui_stall_us", static_cast<int>(stalls.WorstMicros()));
}

// A light edit during a game event ends the event on that page: the mode the
// event took comes back at once, and the edit stays in the profile and on
// the mouse, also after the 5 s.
TEST_F(GameEventsWindowTest, ALightEditDuringAGameEventStaysAndEndsTheEventThere) {
  CBrelvikMouseDevice* mouse = PlugMouse();
  ASSERT_NE(mouse, nullptr);
  ASSERT_GT(mouse->Mouse().lightModes().size(), 6u);
  // The page's lighting tab, found as a person finds it.
  CControlUI* brightness = OnMouse(mouse, QStringLiteral("deng_light_slider"));
  ASSERT_NE(brightness, nullptr);
  for (int tab = 0; tab < 5 && !brightness->GetWidget()->isVisible(); ++tab)
    ClickOnScreen(OnMouse(mouse, QStringLiteral("mouse_device_seting_option_%1").arg(tab)));
  ASSERT_TRUE(brightness->GetWidget()->isVisible());

  ManualClock ctlClock;  // tesselctl's pauses do not move the window's time
  struct Edit {
    const char* how;
    std::function<void()> make;
    std::function<void(LightRecord&)> made;
  };
  const Edit edits[] = {
      {"the brightness slider clicked in its middle", [&] { ClickOnScreen(brightness); },
       [](LightRecord& r) { r.light = 2; }},
      {"tesselctl set, which tells the window",
       [&] {
         tools::TesselctlContext ctx;
         ctx.backend = &bus_;
         ctx.clock = &ctlClock;
         ctx.notifySettingsChanged = [&](const std::string& kind) {
           return kind == "mouse" && wnd_.SettingsChangedElsewhere(DeviceKind::Mouse) > 0;
         };
         std::ostringstream out, err;
         EXPECT_EQ(tools::runTesselctl({"set", "mouse", "light.colour=123456"}, out, err, ctx), 0) << err.str();
         QCoreApplication::processEvents();
         clock_.advance(Millis(100));  // the page re-reads the mouse
       },
       [](LightRecord& r) { r.red = 0x12, r.green = 0x34, r.blue = 0x56; }},
  };
  for (const Edit& edit : edits) {
    LightRecord own = mouse->Mouse().document()->getLightInfo();
    own.selectItem = 2, own.light = 1, own.speed = 0, own.fx = 0, own.multiColor = 0;
    own.red = 0x80, own.green = 0x10, own.blue = 0x20;
    mouse->Mouse().changeLightRecord(own);
    mouse->RefreshView();
    own = mouse->Mouse().document()->getLightInfo();
    const auto path = mouse->Mouse().document()->documentPath();

    Game("Game_Kill", 0, 0x01030405);  // mode 5, brightness 4, speed 3, direction 1
    ASSERT_EQ(MouseBlock()[1], mouse->Mouse().lightModes()[5].code) << edit.how;
    clock_.advance(Millis(1000));
    edit.make();
    QCoreApplication::processEvents();

    LightRecord expected = own;
    edit.made(expected);
    for (int after : {0, 5000}) {
      clock_.advance(Millis(after));
      EXPECT_EQ(mouse->Mouse().document()->getLightInfo(), expected) << edit.how << " +" << after;
      EXPECT_EQ(Saved(path), expected) << edit.how << " +" << after;
      const auto block = MouseBlock();
      EXPECT_EQ(std::vector<int>(block.begin() + 1, block.begin() + 9),
                (std::vector<int>{mouse->Mouse().lightModes()[2].code, expected.light, 4, 0, 0, expected.red,
                                  expected.green, expected.blue}))
          << edit.how << " +" << after;
    }
  }
}

}  // namespace
}  // namespace tessel::ui
