// The main window's input hook, offscreen on emulated products with a manual
// clock: key capture for the assignment editor through message 1054,
// recording routed to the current page's macro editor, the controls a
// recording keeps out of reach, and the recording stopping (and saved) when
// its device leaves or the window hides. Keys come from our window (Qt key
// events with X11 keycodes) and from the demo object's Key method, as
// "tesselctl demo key" sends them.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTest>
#include <linux/input-event-codes.h>

#include "macros/macro_library.h"
#include "platform/data_folders.h"
#include "platform/settings_store.h"
#include "main_window_env.h"
#include "qt_env.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"
#include "ui/demo_devices.h"
#include "ui/device/device_option.h"
#include "ui/device/key_set_control.h"
#include "ui/device/macro_control.h"
#include "ui/device/mouse_page.h"
#include "ui/main_hook.h"
#include "ui/main_wnd.h"
#include "ui/registered_messages.h"
#include "ui/startup.h"
#include "ui/toolkit/controls.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/window_closing.h"
#include "ui/window_input_source.h"

namespace tessel::ui {
namespace {

using test::SpinUntil;

class MainWindowHookTest : public test::MainWindowFixture {
 protected:
  std::string HomePrefix() const override { return "tessel-mainhook"; }
  void BeforeCreate() override {
    qputenv("LC_ALL", "en_GB.UTF-8");
    wnd_.SetDesktopInput(false);  // no XInput2 or evdev in tests
    wnd_.SetDemoDevices(&demo_);
  }
  void SetUp() override {
    test::MainWindowFixture::SetUp();
    ASSERT_NE(wnd_.GetHook(), nullptr);
    ASSERT_TRUE(bus_.plug("mouse"));
    Pass();
    clock_.advance(Millis(550));  // the tile connects the mouse
    const DevicePage* page = wnd_.GetRegistry()->pageForOption(0);
    ASSERT_NE(page, nullptr);
    mouse_ = dynamic_cast<CBrelvikMouseDevice*>(wnd_.PageOf(*page));
    ASSERT_NE(mouse_, nullptr);
    ASSERT_EQ(wnd_.GetRegistry()->currentPage(), page);
    CMacroControlUI::Hooks hooks;
    hooks.show = [this](const QString& text) { shown_.push_back(text); };
    mouse_->MacroEditor()->SetHooks(std::move(hooks));
  }
  // Events the sources posted are placed on the UI thread's scheduler.
  void Deliver() {
    QCoreApplication::processEvents();
    clock_.advance(Millis(0));
  }
  CControlUI* InPage(const char* name) {
    const QString wanted = QString::fromLatin1(name);
    return mouse_->FindControl([&wanted](CControlUI* c) { return c->GetName() == wanted; });
  }
  // A key as X11 reports it (keycode = evdev + 8) reaching our window.
  void WindowKey(uint16_t evdev, bool down) {
    QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, evdev + 8, 0, 0);
    QCoreApplication::sendEvent(wnd_.GetHWND()->windowHandle(), &event);
    Deliver();
  }
  std::vector<macros::MacroEvent> Saved(size_t index) {
    macros::MacroLibrary library(deviceDataFolder("mouse"), clock_);
    library.load();
    return library.loadEvents(index);
  }
  void StartRecording() {
    mouse_->SelectTab(3);
    mouse_->MacroEditor()->CreateMacro();
    ASSERT_TRUE(InPage("macro_btn_starredio")->Activate());
    ASSERT_TRUE(mouse_->MacroEditor()->IsRecording());
    ASSERT_TRUE(wnd_.GetHook()->IsRecording());
  }
  bool Locked() {
    const bool tile = !wnd_.TileOf(*wnd_.GetRegistry()->pageForOption(0))->GetSelectOption()->IsEnabled();
    const bool profile = !InPage("DeviceProfileItem")->IsEnabled();
    const bool keys = !InPage("KeySetControlItem")->IsEnabled();
    const bool arrows = !wnd_.GetManager().FindControl(QStringLiteral("device_select_next"))->IsEnabled();
    EXPECT_TRUE(tile == profile && profile == keys && keys == arrows);
    return tile && profile && keys && arrows;
  }

  DemoDevices demo_;
  CBrelvikMouseDevice* mouse_ = nullptr;
  std::vector<QString> shown_;
};

TEST_F(MainWindowHookTest, TheKeyFieldsFocusCapturesTheNextKeyThroughTheHook) {
  mouse_->SelectTab(1);
  mouse_->OpenKeyEditor(0);
  CControlUI* field = InPage("keyset_keyboard_text_edit");
  ASSERT_NE(field, nullptr);
  wnd_.GetManager().SendNotify(field, notify::kSetFocus);  // what the field raises when it gains the focus
  QCoreApplication::processEvents();                         // message 1054, wParam 1
  ASSERT_TRUE(wnd_.GetHook()->IsCapturingKey());
  EXPECT_EQ(QWidget::keyboardGrabber(), wnd_.GetHWND());

  // Right Shift (the key table's 0x36 with E0) selects the Shift check.
  WindowKey(KEY_RIGHTSHIFT, true);
  WindowKey(KEY_RIGHTSHIFT, false);
  auto* shift = dynamic_cast<CCheckBoxUI*>(InPage("key_ComBox_check_2"));
  ASSERT_NE(shift, nullptr);
  EXPECT_TRUE(shift->GetCheck());
  // A demo key is captured the same way.
  ASSERT_TRUE(demo_.Key(QStringLiteral("c"), true));
  Deliver();
  EXPECT_EQ(field->GetText(), "C");
  EXPECT_TRUE(shift->GetCheck());

  wnd_.GetManager().SendNotify(field, notify::kKillFocus);
  QCoreApplication::processEvents();  // 1054, wParam 0
  EXPECT_FALSE(wnd_.GetHook()->Holder().IsRunning());
  EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
  // Keys after that change nothing.
  ASSERT_TRUE(demo_.Key(QStringLiteral("d"), true));
  Deliver();
  EXPECT_EQ(field->GetText(), "C");
}

TEST_F(MainWindowHookTest, RecordingLocksTheWindowAndTheDevicesDepartureStopsAndSavesIt) {
  StartRecording();
  EXPECT_TRUE(Locked());
  // The focus leaving the key field while recording does not end the recording.
  wnd_.PostMessage(kMsgHook, 0, 0);
  QCoreApplication::processEvents();
  EXPECT_TRUE(wnd_.GetHook()->IsRecording());
  wnd_.PostMessage(kMsgHook, 1, 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(wnd_.GetHook()->Holder().Mode(), input::hook_mode::kMacro);

  ASSERT_TRUE(demo_.Key(QStringLiteral("rctrl"), true));
  Deliver();
  clock_.advance(Millis(80));
  WindowKey(KEY_RIGHTCTRL, false);
  ASSERT_TRUE(demo_.Button(QStringLiteral("back"), true));
  Deliver();
  EXPECT_TRUE(Saved(0).empty());

  // The mouse goes away while recording: the recording stops first and is kept.
  ASSERT_TRUE(bus_.unplug("mouse"));
  Pass();
  EXPECT_FALSE(wnd_.GetHook()->IsRecording());
  EXPECT_FALSE(mouse_->MacroEditor()->IsRecording());
  EXPECT_FALSE(Locked());
  EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
  const std::vector<macros::MacroEvent> saved = Saved(0);
  ASSERT_EQ(saved.size(), 3u);
  // (The page measures delays on the system clock.)
  EXPECT_TRUE(saved[0].down);
  EXPECT_EQ(saved[0].button, 0x10);  // right Ctrl
  EXPECT_EQ(saved[0].type, 9);
  EXPECT_FALSE(saved[1].down);
  EXPECT_EQ(saved[1].button, 0x10);
  EXPECT_TRUE(saved[2].down);
  EXPECT_EQ(saved[2].type, 1);
}

TEST_F(MainWindowHookTest, HidingTheWindowStopsTheRecordingAndLetsTheKeyboardGo) {
  SetTrayAvailableForTests(true);
  StartRecording();
  ASSERT_TRUE(demo_.Key(QStringLiteral("space"), true));
  Deliver();
  EXPECT_EQ(QWidget::keyboardGrabber(), wnd_.GetHWND());
  wnd_.HideToTray();
  EXPECT_FALSE(wnd_.IsWindowVisible());
  EXPECT_FALSE(wnd_.GetHook()->IsRecording());
  EXPECT_FALSE(Locked());
  EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
  ASSERT_EQ(Saved(0).size(), 1u);
  EXPECT_EQ(Saved(0)[0].button, 0x2C);  // Space
  EXPECT_TRUE(shown_.empty());
}

TEST_F(MainWindowHookTest, UnknownDemoNamesAreRefusedAndNothingIsRecordedWhileIdle) {
  EXPECT_FALSE(demo_.Key(QStringLiteral("hyper"), true));
  EXPECT_FALSE(demo_.Button(QStringLiteral("wheel"), true));
  // Known keys while nothing records go nowhere, as real ones would.
  EXPECT_TRUE(demo_.Key(QStringLiteral("a"), true));
  Deliver();
  EXPECT_FALSE(wnd_.GetHook()->Holder().IsRunning());
  EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
}

}  // namespace
}  // namespace tessel::ui
