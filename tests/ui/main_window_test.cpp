// The main window as a whole, offscreen, on emulated products with a manual
// clock: the watcher's passes are driven by the test, so arrivals, removals,
// tiles, selection, the battery indicator and light control can be checked
// one step at a time.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QElapsedTimer>
#include <QTest>

#include "config/mouse_profiledata.h"
#include "platform/debug.h"
#include "platform/settings_store.h"
#include "main_window_env.h"
#include "qt_env.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"
#include "ui/device/device_option.h"
#include "ui/device/mouse_page.h"
#include "ui/device/mousepad_page.h"
#include "ui/device/mp_device_power.h"
#include "ui/main_wnd.h"
#include "ui/registered_messages.h"
#include "ui/set_wnd.h"
#include "ui/startup.h"
#include "ui/toolkit/controls.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/window_closing.h"

namespace tessel::ui {
namespace {

using test::SpinUntil;

// Another program's window that listens to the broadcasts.
class ListenerWnd : public WindowImplBase {
 public:
  QString GetWindowClassName() const override { return QStringLiteral("ListenerWnd"); }
  QString GetSkinFile() override { return QStringLiteral("<VerticalLayout name=\"root\"/>"); }
  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override {
    handled = true;
    if (msg == AppMessages().lightState) lightStates.emplace_back(wParam, lParam);
    if (msg == WM_CLOSE || msg == WM_DESTROY) handled = false;
    return 0;
  }
  std::vector<std::pair<WPARAM, LPARAM>> lightStates;
};

using MainWindowTest = test::MainWindowFixture;

TEST_F(MainWindowTest, StartsHiddenWithMouseAndKeyboardPagesAndShowsAfterTheFirstScan) {
  ASSERT_NE(Tile(0), nullptr);
  ASSERT_NE(Tile(1), nullptr);
  EXPECT_FALSE(Tile(0)->IsVisible());
  EXPECT_FALSE(wnd_.IsWindowVisible());
  ASSERT_TRUE(bus_.plug("mouse"));
  ASSERT_TRUE(bus_.plug("keyboard"));
  Pass();
  ASSERT_TRUE(SpinUntil([&] { return wnd_.IsWindowVisible(); }));
  EXPECT_TRUE(Tile(0)->GetOwnVisible());
  EXPECT_TRUE(Tile(1)->GetOwnVisible());
  EXPECT_FALSE(Find("No_device_Link")->GetOwnVisible());
  // Exactly one of the two is selected.
  EXPECT_NE(Tile(0)->IsSelected(), Tile(1)->IsSelected());
}

// Pointing at a caption tells a script writer the key `tesselctl` takes for it.
TEST_F(MainWindowTest, ASettingsCaptionNamesItsCommandLineKeys) {
  auto tipOf = [&](int option, const char* textKey) -> QString {
    const DevicePage* page = wnd_.GetRegistry()->pageForOption(option);
    CBrelvikUSBDevice* ui = page ? wnd_.PageOf(*page) : nullptr;
    if (!ui) return QStringLiteral("no page");
    CControlUI* caption = ui->FindControl([&](CControlUI* c) { return c->GetTextKey() == QLatin1String(textKey); });
    return caption ? caption->GetWidget()->toolTip() : QStringLiteral("no caption");
  };
  EXPECT_EQ(tipOf(0, "polling_rate"), QStringLiteral("tesselctl get|set mouse polling"));
  EXPECT_EQ(tipOf(0, "dpi_stage_1"),
            QStringLiteral("tesselctl get|set mouse stage.1.index, stage.1.dpi, stage.1.enabled, stage.1.colour"));
  EXPECT_EQ(tipOf(1, "kb_option_wkey"), QStringLiteral("tesselctl get|set keyboard option.wkey"));
  EXPECT_EQ(tipOf(1, "light_brightness"), QStringLiteral("tesselctl get|set keyboard light.brightness"));
}

TEST_F(MainWindowTest, UnpluggingTheSelectedSelectsTheOtherAndTheLastShowsTheOverlay) {
  ASSERT_TRUE(bus_.plug("mouse"));
  ASSERT_TRUE(bus_.plug("keyboard"));
  Pass();
  const bool mouseSelected = Tile(0)->IsSelected();
  ASSERT_TRUE(bus_.unplug(mouseSelected ? "mouse" : "keyboard"));
  Pass();
  EXPECT_FALSE(Tile(mouseSelected ? 0 : 1)->GetOwnVisible());
  EXPECT_TRUE(Tile(mouseSelected ? 1 : 0)->IsSelected());
  EXPECT_FALSE(Find("No_device_Link")->GetOwnVisible());
  ASSERT_TRUE(bus_.unplug(mouseSelected ? "keyboard" : "mouse"));
  Pass();
  EXPECT_TRUE(Find("No_device_Link")->GetOwnVisible());
  auto* pages = dynamic_cast<CTabLayoutUI*>(Find("device_switch"));
  ASSERT_NE(pages, nullptr);
  EXPECT_EQ(pages->GetCurSel(), 0);
}

TEST_F(MainWindowTest, BatteryIndicatorShowsTheMousesStatusBlock) {
  ASSERT_TRUE(bus_.plug("mouse"));
  // Byte 3 from the device is not believed: on the cable there is no receiver mark.
  firmware_["mouse"]->setStatusBlock({75, 1, 0, 1, 0, 0});
  Pass();
  clock_.advance(Millis(500 + 50));  // connect, then the first status poll
  const DevicePage* page = wnd_.GetRegistry()->pageForOption(0);
  ASSERT_NE(page, nullptr);
  CControlUI* value = wnd_.GetManager().FindSubControlByName(
      dynamic_cast<CTabLayoutUI*>(Find("device_power_switch"))->GetItemAt(page->powerIndex),
      QStringLiteral("device_power_value"));
  ASSERT_NE(value, nullptr);
  EXPECT_EQ(value->GetText(), QStringLiteral("75%"));
  CControlUI* bar = wnd_.GetManager().FindSubControlByName(
      dynamic_cast<CTabLayoutUI*>(Find("device_power_switch"))->GetItemAt(page->powerIndex),
      QStringLiteral("device_Power_progress"));
  ASSERT_NE(dynamic_cast<CProgressUI*>(bar), nullptr);
  EXPECT_EQ(dynamic_cast<CProgressUI*>(bar)->GetValue(), 25);
  CControlUI* mark = wnd_.GetManager().FindSubControlByName(
      dynamic_cast<CTabLayoutUI*>(Find("device_power_switch"))->GetItemAt(page->powerIndex),
      QStringLiteral("device_wuxian_logo"));
  ASSERT_NE(mark, nullptr);
  EXPECT_FALSE(mark->GetOwnVisible());
}

TEST_F(MainWindowTest, TheSameLightButtonIsOfferedWhileSeveralDevicesAreShown) {
  ASSERT_TRUE(bus_.plug("mouse"));
  ASSERT_TRUE(bus_.plug("keyboard"));
  Pass();
  const DevicePage* page = wnd_.GetRegistry()->pageForOption(0);
  ASSERT_NE(page, nullptr);
  auto* mouse = dynamic_cast<CBrelvikMouseDevice*>(wnd_.PageOf(*page));
  ASSERT_NE(mouse, nullptr);
  ASSERT_NE(mouse->LightEditor(), nullptr);
  LightRecord record = mouse->LightEditor()->GetRecord();
  record.selectItem = 2;  // breathing has a kind of its own
  mouse->LightEditor()->ShowRecord(record);
  CControlUI* same = mouse->FindControl([](CControlUI* c) { return c->GetName() == "deng_same_mode"; });
  ASSERT_NE(same, nullptr);
  EXPECT_TRUE(same->GetOwnVisible());
  ASSERT_TRUE(bus_.unplug("keyboard"));
  Pass();
  EXPECT_FALSE(same->GetOwnVisible());
}

TEST_F(MainWindowTest, TheSameLightButtonCarriesTheMousepadsLightToTheMouseAndBack) {
  ASSERT_TRUE(bus_.plug("mouse"));
  ASSERT_TRUE(bus_.plug("mousepad"));
  Pass();
  clock_.advance(Millis(500 + 50));  // both connected
  auto* mouse = dynamic_cast<CBrelvikMouseDevice*>(wnd_.PageOf(*wnd_.GetRegistry()->pageForOption(0)));
  auto* pad = dynamic_cast<CBrelvikMousePadDevice*>(wnd_.PageOf(*wnd_.GetRegistry()->pageForOption(2)));
  ASSERT_NE(mouse, nullptr);
  ASSERT_NE(pad, nullptr);
  ASSERT_NE(pad->LightEditor(), nullptr);
  // The pad offers the button for breathing while two devices are shown.
  LightRecord record = pad->Pad().lightInfo();
  record.selectItem = 2;
  record.light = 3;
  pad->Pad().changeLightRecord(record);
  pad->RefreshView();
  CControlUI* same = pad->FindControl([](CControlUI* c) { return c->GetName() == "deng_same_mode"; });
  ASSERT_NE(same, nullptr);
  EXPECT_TRUE(same->GetOwnVisible());
  ASSERT_TRUE(same->Activate());
  EXPECT_EQ(mouse->Mouse().document()->getLightInfo().selectItem, 2);
  EXPECT_EQ(mouse->Mouse().document()->getLightInfo().light, 3);
  EXPECT_TRUE(mouse->Controller().synchronised());
  // Off on the mouse (position 9) is off on the pad (position 8).
  record = mouse->Mouse().document()->getLightInfo();
  record.selectItem = 9;
  mouse->Mouse().changeLightRecord(record);
  ASSERT_TRUE(mouse->onSameMode);
  mouse->onSameMode(*mouse);
  EXPECT_EQ(pad->Pad().lightInfo().selectItem, 8);
  EXPECT_TRUE(pad->Controller().synchronised());
}

TEST_F(MainWindowTest, TheMousepadsIndicatorShowsThePhoneOnItsChargingArea) {
  ASSERT_TRUE(bus_.plug("mousepad"));
  Pass();
  const DevicePage* page = wnd_.GetRegistry()->pageForOption(2);
  ASSERT_NE(page, nullptr);
  CControlUI* phone = wnd_.GetManager().FindSubControlByName(
      dynamic_cast<CTabLayoutUI*>(Find("device_power_switch"))->GetItemAt(page->powerIndex),
      QStringLiteral("device_phone_type"));
  ASSERT_NE(phone, nullptr);
  EXPECT_FALSE(phone->GetBkImage().contains("Phone_type_iphone"));
  clock_.advance(Millis(500 + 50));
  EXPECT_TRUE(phone->GetBkImage().contains("Phone_type_iphone"));  // the emulated pad holds an iPhone
}

TEST_F(MainWindowTest, ArrivalsAndRemovalsWhileSuspendedAreNotLost) {
  wnd_.SendMessage(WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  ASSERT_FALSE(wnd_.IsSystemAwake());
  ASSERT_TRUE(bus_.plug("keyboard"));
  Pass();
  EXPECT_TRUE(Tile(1)->GetOwnVisible());
  EXPECT_TRUE(wnd_.GetRegistry()->pageForOption(1)->device->transport().isOpen());
  // A receiver reset during suspend: gone and back before the resume.
  ASSERT_TRUE(bus_.unplug("keyboard"));
  Pass();
  EXPECT_FALSE(Tile(1)->GetOwnVisible());
  ASSERT_TRUE(bus_.plug("keyboard"));
  Pass();
  wnd_.SendMessage(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
  EXPECT_TRUE(Tile(1)->GetOwnVisible());
  EXPECT_TRUE(wnd_.GetRegistry()->pageForOption(1)->device->transport().isOpen());
}

TEST_F(MainWindowTest, LightControlButtonBroadcastsAndRequestsFromOtherProgramsDoNot) {
  ListenerWnd listener;
  ASSERT_TRUE(listener.Create(nullptr, QStringLiteral("listener"), 0, 0, 0, 0, 10, 10));
  ASSERT_TRUE(bus_.plug("keyboard"));
  Pass();
  CControlUI* button = Find("control_light_status");
  ASSERT_NE(button, nullptr);
  QTest::mouseClick(button->GetWidget(), Qt::LeftButton);
  QTest::mouseClick(button->GetWidget(), Qt::LeftButton);
  ASSERT_TRUE(SpinUntil([&] { return listener.lightStates.size() >= 2; }));
  EXPECT_EQ(listener.lightStates[0], std::make_pair(WPARAM(1), LPARAM(0)));
  EXPECT_EQ(listener.lightStates[1], std::make_pair(WPARAM(1), LPARAM(1)));
  EXPECT_EQ(button->GetText(), QStringLiteral("控制灯光"));
  EXPECT_EQ(firmware_["keyboard"]->resumeLightingCount(), 1);  // switched back on

  listener.lightStates.clear();
  wnd_.PostMessage(AppMessages().lightRequest, 1, 0);
  ASSERT_TRUE(SpinUntil([&] { return button->GetText() == QStringLiteral("不控制灯光"); }));
  EXPECT_FALSE(wnd_.IsLightControlOn());
  wnd_.PostMessage(AppMessages().lightRequest, 0, 1);  // wParam 0: ignored
  wnd_.PostMessage(AppMessages().lightRequest, 1, 5);  // re-sends the state only
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_FALSE(wnd_.IsLightControlOn());
  EXPECT_EQ(button->GetText(), QStringLiteral("不控制灯光"));
  EXPECT_TRUE(listener.lightStates.empty());

  // Suspended, nothing is handled; after resume the keyboard is told again.
  wnd_.PostMessage(AppMessages().lightRequest, 1, 1);
  QCoreApplication::processEvents();
  const int before = firmware_["keyboard"]->resumeLightingCount();
  wnd_.SendMessage(WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
  wnd_.SendMessage(AppMessages().lightRequest, 1, 0);  // ignored while asleep
  EXPECT_TRUE(wnd_.IsLightControlOn());
  wnd_.SendMessage(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
  EXPECT_EQ(firmware_["keyboard"]->resumeLightingCount(), before + 1);
  listener.DestroyWindow();
}

TEST_F(MainWindowTest, ClosingHidesToTheTrayAndMarksTheBatteryDevicesHidden) {
  SetTrayAvailableForTests(true);
  ASSERT_TRUE(bus_.plug("mouse"));
  Pass();
  ASSERT_TRUE(SpinUntil([&] { return wnd_.IsWindowVisible(); }));
  QTest::mouseClick(Find("closebtn")->GetWidget(), Qt::LeftButton);
  EXPECT_FALSE(wnd_.IsWindowVisible());
  EXPECT_TRUE(wnd_.GetRegistry()->pageForOption(0)->device->windowHidden());
  // An arrival while hidden in the tray... brings the window back, as the
  // device bar changed; the flag is cleared with it.
  ASSERT_TRUE(bus_.plug("keyboard"));
  Pass();
  EXPECT_TRUE(wnd_.IsWindowVisible());
  EXPECT_FALSE(wnd_.GetRegistry()->pageForOption(0)->device->windowHidden());
}

TEST_F(MainWindowTest, LanguageIsSavedOnlyOnChange) {
  EXPECT_EQ(wnd_.GetLanguageIndex(), 0);
  std::vector<std::string> lines;
  setDebugCapture([&](std::string_view l) { lines.emplace_back(l); });
  wnd_.SendMessage(kMsgLanguageChanged, 1, 0);
  wnd_.SendMessage(kMsgLanguageChanged, 1, 0);  // the same again: nothing
  setDebugCapture({});
  EXPECT_EQ(wnd_.GetLanguageIndex(), 1);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "写成功！"), 1);
}

TEST_F(MainWindowTest, SettingsMessagesOpenTheSettingsWindowAndClearTheButtonImage) {
  EXPECT_EQ(CSetWnd::Current(), nullptr);
  wnd_.SendMessage(kMsgOpenSettings, 0, 0);
  CSetWnd* settings = CSetWnd::Current();
  ASSERT_NE(settings, nullptr);
  wnd_.SendMessage(kMsgOpenSettings, 0, 0);  // a second request brings the same window forward
  EXPECT_EQ(CSetWnd::Current(), settings);
  // A language chosen in the main window reaches the open settings window's list.
  wnd_.SendMessage(kMsgLanguageChanged, 1, 0);
  auto* combo = dynamic_cast<CComboUI*>(settings->GetManager().FindControl(QStringLiteral("Language_combox_info")));
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->GetCurSel(), 1);

  CControlUI* setbtn = wnd_.GetCaptionControl(QStringLiteral("setbtn"));
  ASSERT_NE(setbtn, nullptr);
  setbtn->SetForeImage(QStringLiteral("common/settings.svg"));
  wnd_.SendMessage(kMsgClearSettingsImage, 0, 0);
  EXPECT_EQ(setbtn->GetForeImage(), "");
  // Closing the program's window takes the settings window with it.
  wnd_.DestroyWindow();
  EXPECT_EQ(CSetWnd::Current(), nullptr);
}

}  // namespace

// The window starts with FIFOs where settings.json and the mouse's profile
// list belong: nothing blocks on them, they stay as they are, and a box names
// them once the window is up.
class HostileStartTest : public test::MainWindowFixture {
 protected:
  std::string HomePrefix() const override { return "tessel-hostile-start"; }
  void BeforeCreate() override {
    settings_ = SettingsStore().file();
    list_ = std::filesystem::path(home_) / "data" / "ORVIK Tessel RGB" / "mouse" / "ProfileList.ini";
    std::filesystem::remove(settings_);
    std::filesystem::create_directories(list_.parent_path());
    for (const auto& p : {settings_, list_}) ASSERT_EQ(::mkfifo(p.c_str(), 0600), 0);
  }
  std::filesystem::path settings_, list_;
};

TEST_F(HostileStartTest, FifosInPlaceOfKeptFilesNeitherBlockNorAreReplaced) {
  ASSERT_TRUE(bus_.plug("mouse"));
  Pass();
  clock_.advance(Millis(150));
  QCoreApplication::processEvents();
  EXPECT_TRUE(std::filesystem::is_fifo(settings_));
  EXPECT_TRUE(std::filesystem::is_fifo(list_));
  QString shown;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->windowTitle() == QStringLiteral("msgwnd")) shown = w->windowTitle();
  EXPECT_EQ(shown, QStringLiteral("msgwnd")) << "no box names the unusable files";
}

}  // namespace tessel::ui
