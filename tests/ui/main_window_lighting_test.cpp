// Lighting across devices in the main window, offscreen on emulated products
// with a manual clock: "deng_same_mode" from the keyboard, the synchronised
// thread writing the mouse's zones, and game events with timer 1066.
#include <gtest/gtest.h>

#include "config/mouse_profiledata.h"
#include "platform/settings_store.h"
#include "main_window_env.h"
#include "qt_env.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"
#include "ui/device/device_kinds.h"
#include "ui/main_wnd.h"
#include "ui/registered_messages.h"
#include "ui/startup.h"
#include "ui/toolkit/controls.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/window_closing.h"

namespace tessel::ui {
namespace {

using test::SpinUntil;

class MainWindowLightingTest : public test::MainWindowFixture {
 protected:
  std::string HomePrefix() const override { return "tessel-mainlight"; }
  void BeforeCreate() override { wnd_.SetSynchronisedClock(clock_); }
  void SetUp() override {
    test::MainWindowFixture::SetUp();
    ASSERT_NE(wnd_.GetSynchronisedLighting(), nullptr);
  }
  template <typename Page>
  Page* PageFor(int option) {
    const DevicePage* p = wnd_.GetRegistry()->pageForOption(option);
    return p ? dynamic_cast<Page*>(wnd_.PageOf(*p)) : nullptr;
  }
  void Game(const char* name, WPARAM wParam, LPARAM lParam) {
    const UINT id = FindRegisteredMessage(QString::fromLatin1(name));
    ASSERT_NE(id, 0u) << name;
    wnd_.SendMessage(id, wParam, lParam);
  }
  // The mouse's settings block of profile 0 as its firmware stored it.
  std::vector<uint8_t> MouseBlock() {
    const auto s = firmware_["mouse"]->settings();
    return {s.begin(), s.begin() + 71};
  }
};

TEST_F(MainWindowLightingTest, AGameEventWithNoSelectedPageStillStartsTimer1066WhichThenDoesNothing) {
  ASSERT_EQ(wnd_.GetRegistry()->currentPage(), nullptr);
  Game("Game_Start", 0, 0x01020305);
  EXPECT_TRUE(wnd_.GameRestorePending());
  clock_.advance(Millis(4999));
  EXPECT_TRUE(wnd_.GameRestorePending());
  clock_.advance(Millis(1));
  EXPECT_FALSE(wnd_.GameRestorePending());
  // One-shot: nothing more comes.
  clock_.advance(Millis(10000));
  EXPECT_FALSE(wnd_.GameRestorePending());
}

TEST_F(MainWindowLightingTest, GameEventsChangeTheSelectedPageAndTimer1066PutsTheWholeRecordBack) {
  ASSERT_TRUE(bus_.plug("mouse"));
  Pass();
  clock_.advance(Millis(550));  // connected and read
  auto* mouse = PageFor<CBrelvikMouseDevice>(0);
  ASSERT_NE(mouse, nullptr);
  ASSERT_NE(mouse->Mouse().document(), nullptr);
  ASSERT_EQ(wnd_.PageOf(*wnd_.GetRegistry()->currentPage()), mouse);
  const auto& modes = mouse->Mouse().lightModes();
  ASSERT_GT(modes.size(), 6u);
  LightRecord before = mouse->Mouse().document()->getLightInfo();
  before.selectItem = 2;
  before.light = 1;
  before.speed = 0;
  before.fx = 0;
  mouse->Mouse().changeLightRecord(before);
  mouse->Controller().setSynchronised(true);

  // wParam 0: mode 5, brightness 3, speed 2, direction 1.
  Game("Game_Kill", 0, 0x01020305);
  LightRecord shown = mouse->Mouse().document()->getLightInfo();
  EXPECT_EQ(shown.selectItem, 5);
  EXPECT_EQ(shown.light, 3);
  EXPECT_EQ(shown.speed, 2);
  EXPECT_EQ(shown.fx, 1);
  EXPECT_EQ(shown.red, before.red);
  EXPECT_FALSE(mouse->Controller().synchronised());
  EXPECT_EQ(mouse->LightEditor()->GetRecord().selectItem, 5);
  auto block = MouseBlock();
  EXPECT_EQ(block[1], modes[5].code);
  EXPECT_EQ(block[2], 3);
  EXPECT_EQ(block[3], 4 - 2);
  EXPECT_EQ(block[4], 1);

  // A second event within the 5 s: only the mode, and the timer starts again.
  clock_.advance(Millis(3000));
  Game("Game_Death", 1, 6);
  EXPECT_EQ(mouse->Mouse().document()->getLightInfo().selectItem, 6);
  EXPECT_EQ(mouse->Mouse().document()->getLightInfo().light, 3);
  // Any other wParam leaves the page alone.
  Game("Game_End", 7, 1);
  EXPECT_EQ(mouse->Mouse().document()->getLightInfo().selectItem, 6);
  clock_.advance(Millis(4999));
  EXPECT_EQ(mouse->Mouse().document()->getLightInfo().selectItem, 6);
  clock_.advance(Millis(1));
  // Back to what the page had before the first event: mode and the bytes
  // wParam 0 overwrote, in the document, the editor and the mouse.
  EXPECT_EQ(mouse->Mouse().document()->getLightInfo(), before);
  EXPECT_EQ(mouse->LightEditor()->GetRecord(), before);
  block = MouseBlock();
  EXPECT_EQ(block[1], modes[2].code);
  EXPECT_EQ(block[2], 1);
  EXPECT_EQ(block[3], 4);
  EXPECT_EQ(block[4], 0);
  EXPECT_FALSE(wnd_.GameRestorePending());
  // The saved profile holds it too.
  CMouseProfiledata reread;
  reread.setDocumentPath(mouse->Mouse().document()->documentPath());
  reread.loadDeviceElement();
  EXPECT_EQ(reread.getLightInfo(), before);
}

TEST_F(MainWindowLightingTest, ClosingWithinTheFiveSecondsKeepsThePagesOwnLightInItsProfile) {
  ASSERT_TRUE(bus_.plug("mouse"));
  Pass();
  clock_.advance(Millis(550));
  auto* mouse = PageFor<CBrelvikMouseDevice>(0);
  ASSERT_NE(mouse, nullptr);
  ASSERT_NE(mouse->Mouse().document(), nullptr);
  const LightRecord before = mouse->Mouse().document()->getLightInfo();
  const auto path = mouse->Mouse().document()->documentPath();
  Game("Game_Start", 1, before.selectItem == 6 ? 5 : 6);
  ASSERT_NE(mouse->Mouse().document()->getLightInfo(), before);
  wnd_.DestroyWindow();
  CMouseProfiledata reread;
  reread.setDocumentPath(path);
  reread.loadDeviceElement();
  EXPECT_EQ(reread.getLightInfo(), before);
}

TEST_F(MainWindowLightingTest, SameLightFromTheKeyboardFillsTheSettingsAndSynchronisesTheMouse) {
  ASSERT_TRUE(bus_.plug("mouse"));
  ASSERT_TRUE(bus_.plug("keyboard"));
  Pass();
  clock_.advance(Millis(550));
  auto* mouse = PageFor<CBrelvikMouseDevice>(0);
  auto* keyboard = PageFor<CBrelvikKeyboardDevice>(1);
  ASSERT_NE(mouse, nullptr);
  ASSERT_NE(keyboard, nullptr);
  ASSERT_NE(keyboard->LightEditor(), nullptr);
  ASSERT_NE(keyboard->Keyboard().document(), nullptr);
  // Two devices shown: the keyboard's editor may offer the button.
  EXPECT_TRUE(keyboard->LightEditor()->IsSameModeAllowed());
  // The keyboard's flashing (mode code 23) is kind 2: the mouse's position 4.
  const auto& codes = keyboard->Keyboard().lightModes();
  size_t flashing = codes.size();
  for (size_t i = 0; i < codes.size(); ++i)
    if (codes[i].code == 23) flashing = i;
  ASSERT_LT(flashing, codes.size());
  LightRecord record = keyboard->Keyboard().light();
  record.selectItem = static_cast<uint8_t>(flashing);
  record.light = 2;
  record.speed = 3;
  record.fx = 1;
  record.multiColor = 0;
  record.red = 200, record.green = 100, record.blue = 50;
  keyboard->Keyboard().changeLightRecord(record);
  keyboard->RefreshView();
  const LightRecord mouseBefore = mouse->Mouse().document()->getLightInfo();

  // The keyboard offers the button for its flashing (no mouse rule applies).
  CControlUI* same = keyboard->FindControl([](CControlUI* c) { return c->GetName() == "deng_same_mode"; });
  ASSERT_NE(same, nullptr);
  ASSERT_TRUE(same->GetOwnVisible());
  ASSERT_TRUE(same->Activate());

  SynchronisedLighting* sync = wnd_.GetSynchronisedLighting();
  const SynchronisedSettings s = sync->settings();
  EXPECT_EQ(s.mode, SynchronisedSettings::kFlashing);
  EXPECT_EQ(s.brightnessIndex, 2);
  EXPECT_EQ(s.speedIndex, 3);
  EXPECT_EQ(s.direction, 1);
  EXPECT_EQ(s.colour, (Rgb{200, 100, 50}));
  EXPECT_TRUE(mouse->Controller().synchronised());
  EXPECT_FALSE(keyboard->Controller().synchronised());
  const LightRecord mouseNow = mouse->Mouse().document()->getLightInfo();
  EXPECT_EQ(mouseNow.selectItem, 4);
  EXPECT_EQ(mouseNow.light, 2);
  EXPECT_EQ(mouseNow.red, 200);
  EXPECT_EQ(mouseNow.customGroup, mouseBefore.customGroup);
  EXPECT_EQ(MouseBlock()[1], mouse->Mouse().lightModes()[4].code);
  // The thread shows the flash on every zone of the mouse at once, and
  // again at each step (13 passes of 15.625 ms at speed index 3); the
  // mouse's own light thread stands still meanwhile.
  ASSERT_TRUE(sync->waitUntilAsleep());
  EXPECT_GE(sync->steps(), 1u);
  ASSERT_TRUE(mouse->Mouse().lightThread().waitUntilAsleep());
  const uint64_t steps = sync->steps();
  clock_.advance(Millis(204));
  ASSERT_TRUE(sync->waitUntilAsleep());
  EXPECT_EQ(sync->steps(), steps + 1);
  for (int z = 0; z < mouse->Controller().lightZoneCount(); ++z)
    EXPECT_EQ(mouse->Controller().zoneColour(z), packZone(200, 100, 50, 135)) << z;
  // The tile's light tick streams them: the mouse receives 200, 100, 50 at
  // 135 / 256 in every zone of its live frame.
  clock_.advance(Millis(20));
  ASSERT_TRUE(SpinUntil([&] {
    const auto frame = firmware_["mouse"]->liveFrame();
    return frame.size() >= 45 && frame[0] == 105 && frame[44] == 26;
  }));
  const auto frame = firmware_["mouse"]->liveFrame();
  for (int z = 0; z < 15; ++z) {
    EXPECT_EQ(frame[3 * z], 105) << z;
    EXPECT_EQ(frame[3 * z + 1], 52) << z;
    EXPECT_EQ(frame[3 * z + 2], 26) << z;
  }

  // The mouse's own light edit ends its part in the effect.
  mouse->Mouse().changeLightRecord(mouseNow);
  EXPECT_FALSE(mouse->Controller().synchronised());
  // One device left: the button is no longer offered on the keyboard.
  ASSERT_TRUE(bus_.unplug("mouse"));
  Pass();
  EXPECT_FALSE(keyboard->LightEditor()->IsSameModeAllowed());
}

TEST_F(MainWindowLightingTest, TheMouseCarriesItsLightToTheKeyboardAndTheHeadsetTakesPart) {
  ASSERT_TRUE(bus_.plug("mouse"));
  ASSERT_TRUE(bus_.plug("keyboard"));
  ASSERT_TRUE(bus_.plug("headset"));
  Pass();
  clock_.advance(Millis(1100));
  auto* mouse = PageFor<CBrelvikMouseDevice>(0);
  auto* keyboard = PageFor<CBrelvikKeyboardDevice>(1);
  CBrelvikHS6533Device* headset = nullptr;
  for (const DevicePage& p : wnd_.GetRegistry()->pages())
    if (auto* h = dynamic_cast<CBrelvikHS6533Device*>(wnd_.PageOf(p))) headset = h;
  ASSERT_NE(mouse, nullptr);
  ASSERT_NE(keyboard, nullptr);
  ASSERT_NE(headset, nullptr);
  ASSERT_TRUE(headset->Controller().isConnected());
  ASSERT_NE(headset->LightEditor(), nullptr);
  EXPECT_TRUE(headset->LightEditor()->IsSameModeAllowed());
  // The mouse's breathing (position 2) is kind 0: keyboard code 5, headset position 2.
  LightRecord record = mouse->Mouse().document()->getLightInfo();
  record.selectItem = 2;
  record.light = 4;
  mouse->Mouse().changeLightRecord(record);
  ASSERT_TRUE(mouse->onSameMode);
  mouse->onSameMode(*mouse);
  EXPECT_EQ(keyboard->Keyboard().lightModes()[keyboard->Keyboard().light().selectItem].code, 5);
  EXPECT_EQ(keyboard->Keyboard().light().light, 4);
  EXPECT_TRUE(keyboard->Controller().synchronised());
  EXPECT_EQ(headset->Headset().lightInfo().selectItem, 2);
  EXPECT_TRUE(headset->Controller().synchronised());
  EXPECT_EQ(wnd_.GetSynchronisedLighting()->settings().mode, SynchronisedSettings::kBreathing);
  // And from the headset: its off (position 8) turns the mouse off (position 9).
  LightRecord off = headset->Headset().lightInfo();
  off.selectItem = 8;
  headset->Headset().changeLightRecord(off);
  ASSERT_TRUE(headset->LightEditor()->onSameMode);
  headset->LightEditor()->onSameMode();
  EXPECT_EQ(mouse->Mouse().document()->getLightInfo().selectItem, 9);
  EXPECT_TRUE(mouse->Controller().synchronised());
  EXPECT_EQ(wnd_.GetSynchronisedLighting()->settings().mode, SynchronisedSettings::kOff);
}

}  // namespace
}  // namespace tessel::ui
