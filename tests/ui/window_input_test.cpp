// The main window driven as a person drives it: mouse clicks where a control
// is on screen and keys to whatever holds the focus, on emulated devices; the
// outcome is read from the emulated firmware and the profile files.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <unistd.h>

#include "config/mouse_profiledata.h"
#include "main_window_env.h"
#include "platform/json_file.h"
#include "profiles/profile_store.h"
#include "ui/about_wnd.h"
#include "ui/device/device_profile.h"
#include "ui/device/device_profile_page.h"
#include "ui/device/mouse_page.h"
#include "ui/set_wnd.h"
#include "ui/toolkit/tray.h"

namespace tessel::ui {
namespace {

using test::ClickOnScreen;
using test::SpinUntil;

// A 1280 x 800 screen, as on a small laptop: the whole window is on it, so
// every control can be reached at its place.
const bool kLaptopScreen = [] {
  const std::string path = "/tmp/tessel-input-screen-" + std::to_string(::getpid()) + ".json";
  std::ofstream(path) << R"({"screens": [{"name": "laptop", "x": 0, "y": 0, "width": 1280, "height": 800,
                              "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})";
  qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + QByteArray::fromStdString(path));
  return true;
}();

class WindowInputTest : public test::MainWindowFixture {
 protected:
  std::string HomePrefix() const override { return "tessel-input"; }

  // Plugs the products, lets them connect and shows the window.
  void Plug(std::initializer_list<const char*> products) {
    for (const char* p : products) ASSERT_TRUE(bus_.plug(p));
    Pass();
    clock_.advance(Millis(600));
    ASSERT_TRUE(SpinUntil([&] { return wnd_.IsWindowVisible(); }));
    wnd_.GetHWND()->activateWindow();
    QCoreApplication::processEvents();
  }
  CBrelvikUSBDevice* Page(int option) {
    const DevicePage* p = wnd_.GetRegistry()->pageForOption(option);
    return p ? wnd_.PageOf(*p) : nullptr;
  }
  CControlUI* OnPage(int option, const char* name) {
    const QString wanted = QString::fromLatin1(name);
    return Page(option)->FindControl([&wanted](CControlUI* c) { return c->GetName() == wanted; });
  }
  void ChooseTile(int option) { ClickOnScreen(Tile(option)->GetSelectOption()); }
  // Keys go where the window sends them: its focus widget, else the window.
  void TypeKeys(const char* text, bool enter) {
    QWidget* window = wnd_.GetHWND();
    QWidget* target = window->focusWidget() ? window->focusWidget() : window;
    QTest::keyClicks(target, QString::fromLatin1(text));
    if (enter) QTest::keyClick(target, Qt::Key_Return);
    QCoreApplication::processEvents();
  }
  std::vector<uint8_t> MouseBlock() {
    const auto s = firmware_["mouse"]->settings();
    return {s.begin(), s.begin() + 71};
  }
  // The five DPI stages of the block (9 bytes each from byte 14).
  std::vector<uint8_t> Stages(std::vector<uint8_t> block = {}) {
    if (block.empty()) block = MouseBlock();
    return {block.begin() + 14, block.begin() + 14 + 5 * 9};
  }
  static int SavedPolling(const std::filesystem::path& document) {
    CMouseProfiledata d;
    d.setDocumentPath(document);
    d.loadDeviceElement();
    return d.getSystemStages().reportRate;
  }
  // Answers the next message box with "confirm_btn", clicked where it shows
  // once the box has been on screen for a moment (as a person's click is).
  static void ConfirmNextMessage(bool seen = false) {
    QTimer::singleShot(20, [seen] {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        QWidget* confirm = w->isVisible() ? w->findChild<QWidget*>(QStringLiteral("confirm_btn")) : nullptr;
        if (!confirm || confirm->window() != w || !confirm->isVisible() || confirm->rect().isEmpty()) continue;
        if (seen) QTest::mouseClick(confirm, Qt::LeftButton);
        else ConfirmNextMessage(true);
        return;
      }
      ConfirmNextMessage(false);
    });
  }
};

TEST_F(WindowInputTest, ADropDownOpensOnAClickAndTheClickedItemIsChosen) {
  Plug({"mouse"});
  CDeviceProfileUI* selector = Page(0)->Profile().Selector();
  ASSERT_EQ(selector->GetProfileCount(), 1);
  ASSERT_TRUE(selector->Add().ok());  // two profiles to choose from, the second current
  QComboBox* combo = selector->GetCombo()->GetComboBox();
  ClickOnScreen(selector->GetCombo());
  ASSERT_TRUE(SpinUntil([&] { return combo->view()->isVisible(); })) << "the list did not open";
  // The list ignores a release right after it opened (the opening click's
  // own); a person's next click comes later.
  QTest::qWait(QApplication::doubleClickInterval() + 50);
  QAbstractItemView* list = combo->view();
  const QRect row = list->visualRect(list->model()->index(0, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
  QCoreApplication::processEvents();
  EXPECT_EQ(selector->GetCurrentIndex(), 0);
  clock_.advance(Millis(400));  // the switch waits for the choice to settle
  EXPECT_EQ(selector->Store()->current(), 0);
  EXPECT_EQ(Page(0)->Profile().DocumentPath(), *selector->GetProfileDocumentPath(0));

  // The wheel over a drop-down that has not got the focus changes nothing.
  ClickOnScreen(Tile(0)->GetSelectOption());
  QWheelEvent wheel(QPointF(5, 5), combo->mapToGlobal(QPointF(5, 5)), {}, QPoint(0, -120), Qt::NoButton, {},
                    Qt::NoScrollPhase, false);
  combo->clearFocus();
  QApplication::sendEvent(combo, &wheel);
  EXPECT_EQ(combo->currentIndex(), 0);
}

TEST_F(WindowInputTest, TypingAfterChoosingAnotherDeviceNeverReachesTheHiddenPage) {
  Plug({"mouse", "keyboard"});
  ChooseTile(0);
  CControlUI* stage = OnPage(0, "DPI_edit_1");
  ASSERT_TRUE(stage->IsVisible());
  const QString shown = stage->GetText();
  const char* typed = shown == QLatin1String("3200") ? "2400" : "3200";
  const auto before = MouseBlock();
  ClickOnScreen(stage);
  ASSERT_TRUE(stage->GetWidget()->hasFocus());
  ChooseTile(1);
  ASSERT_FALSE(stage->GetWidget()->isVisible());
  EXPECT_FALSE(stage->GetWidget()->hasFocus());
  TypeKeys(typed, true);
  EXPECT_EQ(stage->GetText(), shown);
  EXPECT_EQ(Stages(), Stages(before));

  // Back on the mouse page, a click and typing edit the stage as usual.
  ChooseTile(0);
  ClickOnScreen(stage);
  auto* edit = qobject_cast<QLineEdit*>(stage->GetWidget());
  edit->selectAll();
  TypeKeys(typed, true);
  EXPECT_EQ(stage->GetText(), QLatin1String(typed));
  EXPECT_NE(Stages(), Stages(before));
}

// After each profile operation the selector, the document edits go to, the
// list file and the device all name the same profile.
TEST_F(WindowInputTest, ProfileButtonsKeepSelectorDocumentListAndDeviceTogether) {
  Plug({"mouse"});
  CBrelvikUSBDevice* page = Page(0);
  CDeviceProfileUI* selector = page->Profile().Selector();
  const int factory = MouseBlock()[11];
  const int chosen = factory == 1 ? 2 : 1;
  const std::string option = "polling_rate_option_" + std::to_string(chosen);
  ClickOnScreen(OnPage(0, option.c_str()));
  ASSERT_EQ(MouseBlock()[11], chosen);
  const auto first = page->Profile().DocumentPath();

  ClickOnScreen(OnPage(0, "profile_menu_btn"));  // the profile buttons live in this menu
  ClickOnScreen(OnPage(0, "device_add_btn"));
  EXPECT_EQ(selector->GetCombo()->GetItemText(selector->GetCurrentIndex()), QStringLiteral("profile2"));
  EXPECT_EQ(selector->Store()->current(), 1);
  EXPECT_EQ(page->Profile().DocumentPath(), *selector->GetProfileDocumentPath(1));
  EXPECT_EQ(MouseBlock()[11], factory);  // the new profile's settings on the device

  // An edit now goes to profile2 and to the device; profile1 keeps its own.
  ClickOnScreen(OnPage(0, "polling_rate_option_3"));
  EXPECT_EQ(SavedPolling(*selector->GetProfileDocumentPath(1)), 3);
  EXPECT_EQ(SavedPolling(first), chosen);
  EXPECT_EQ(MouseBlock()[11], 3);

  // Delete asks first; confirmed, profile1 is current everywhere again.
  ConfirmNextMessage();
  ClickOnScreen(OnPage(0, "device_sub_btn"));
  EXPECT_EQ(selector->GetProfileCount(), 1);
  EXPECT_EQ(selector->Store()->current(), 0);
  EXPECT_EQ(page->Profile().DocumentPath(), first);
  EXPECT_EQ(MouseBlock()[11], chosen);

  // Another program adds and selects a profile: the window follows.
  profiles::ProfileStore other(selector->Store()->dataFolder(), std::filesystem::path(TESSEL_SOURCE_DIR) / "DefaultData" / "mouse.Json", 2);
  ASSERT_TRUE(other.add().ok());
  EXPECT_GT(wnd_.SettingsChangedElsewhere(DeviceKind::Mouse), 0);
  clock_.advance(Millis(100));
  EXPECT_EQ(selector->GetCombo()->GetItemText(selector->GetCurrentIndex()), QStringLiteral("profile2"));
  EXPECT_EQ(page->Profile().DocumentPath(), *selector->GetProfileDocumentPath(1));
  EXPECT_EQ(MouseBlock()[11], factory);
}

TEST_F(WindowInputTest, WithoutATrayTheMenuButtonReachesAboutSettingsAndExitAndCloseEndsTheProgram) {
  SetTrayAvailableForTests(false);
  Plug({"mouse"});
  for (const char* dead : {"gamemodebtn", "cloudbtn", "smarteyesbtn"}) EXPECT_FALSE(Find(dead)->IsVisible()) << dead;
  auto chooseFromMenu = [&](const char* item) {
    ClickOnScreen(Find("menubtn"));
    CMenuWnd* menu = CMenuWnd::GetActiveMenu();
    ASSERT_NE(menu, nullptr);
    ClickOnScreen(menu->GetManager().FindControl(QString::fromLatin1(item)));
  };
  chooseFromMenu("about_menu");
  ASSERT_NE(CAboutWnd::Current(), nullptr);
  // Escape closes it as its close button does.
  QTest::keyClick(CAboutWnd::Current()->GetHWND(), Qt::Key_Escape);
  ASSERT_TRUE(SpinUntil([] { return CAboutWnd::Current() == nullptr; }));
  chooseFromMenu("setwnd_menu");
  ASSERT_NE(CSetWnd::Current(), nullptr);
  CSetWnd::Current()->StopThreads();
  CSetWnd::Current()->DestroyWindow();

  int code = -1;
  QTimer::singleShot(0, [&] { ClickOnScreen(Find("closebtn")); });
  QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });  // safety bound only
  code = CPaintManagerUI::MessageLoop();
  EXPECT_EQ(code, 0);
  EXPECT_FALSE(wnd_.IsWindowVisible());
}

}  // namespace
}  // namespace tessel::ui
