// The main window's part of audio-reactive lighting, offscreen on emulated
// products: sound packets reach the keyboard page even though the mouse
// page comes first, blocks of the wrong size are ignored, and a companion
// that cannot capture makes the keyboard page say audio lighting is
// unavailable.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "config/audio_light_edits.h"
#include "platform/settings_store.h"
#include "main_window_env.h"
#include "qt_env.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"
#include "ui/audio_companion_link.h"
#include "ui/demo_devices.h"
#include "ui/device/keyboard_page.h"
#include "ui/device/light_control.h"
#include "ui/main_wnd.h"
#include "ui/registered_messages.h"
#include "ui/skin_tags.h"
#include "ui/startup.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {
namespace {

using test::SpinUntil;

std::vector<uint8_t> Packet(int32_t sample, size_t bytes = 2000) {
  std::vector<uint8_t> out(bytes);
  for (size_t i = 0; i + 4 <= bytes; i += 4) {
    const auto u = static_cast<uint32_t>(sample);
    for (int k = 0; k < 4; ++k) out[i + k] = static_cast<uint8_t>(u >> (8 * k));
  }
  return out;
}

class AudioMainWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PrepareMainWindowTest(clock_);
    home_ = test::UseFreshHome("tessel-audio-mainwnd");
    // The companion of this test cannot capture.
    const std::string script = home_ + "/tessel-audio";
    std::ofstream(script) << "#!/bin/sh\necho 'tessel-audio: no sound server (test)' >&2\nexit 3\n";
    std::filesystem::permissions(script, std::filesystem::perms::owner_all);
    qputenv("TESSEL_AUDIO_COMPANION", QByteArray::fromStdString(script));
    SettingsStore().create();
    hid::setDefaultBackend(&bus_);
    wnd_.SetHidBackend(&bus_);
    wnd_.SetWatcherThread(false);
    wnd_.SetDeviceThreads(false);
    wnd_.SetDemoDevices(&demo_);
    ASSERT_TRUE(wnd_.Create(nullptr, QStringLiteral("Tessel RGB"), WS_VISIBLE, 0, 0, 0, 800, 572));
    ASSERT_TRUE(SpinUntil([&] { return wnd_.GetRegistry() != nullptr; }));
    const auto& pages = wnd_.GetRegistry()->pages();
    ASSERT_GE(pages.size(), 2u);
    ASSERT_EQ(pages[0].kind, DeviceKind::Mouse) << "the mouse page comes first";
    for (const DevicePage& p : pages)
      if (p.kind == DeviceKind::Keyboard) keyboard_ = dynamic_cast<CBrelvikKeyboardDevice*>(wnd_.PageOf(p));
    ASSERT_NE(keyboard_, nullptr);
  }
  void TearDown() override {
    wnd_.DestroyWindow();
    hid::setDefaultBackend(nullptr);
    CPaintManagerUI::SetDefaultScheduler(nullptr);
    qunsetenv("TESSEL_AUDIO_COMPANION");
    std::filesystem::remove_all(home_);
  }
  LRESULT Send(uint64_t kind, const std::vector<uint8_t>& data) {
    COPYDATASTRUCT cds;
    cds.dwData = kind;
    cds.cbData = static_cast<uint32_t>(data.size());
    cds.lpData = data.data();
    return wnd_.SendMessage(WM_COPYDATA, 4242, reinterpret_cast<LPARAM>(&cds));
  }
  CControlUI* KeyboardControl(const char* name) {
    const QString wanted = QString::fromLatin1(name);
    return keyboard_->FindControl([&wanted](CControlUI* c) { return c->GetName() == wanted; });
  }
  // Whether the keyboard engine's next step shows the colour anywhere.
  bool StepShows(uint32_t rgb) {
    keyboard_->Keyboard().lighting().step(stepMs_ += 100);
    for (uint32_t cell : keyboard_->Keyboard().picture())
      if ((cell & 0xFFFFFFu) == rgb) return true;
    return false;
  }

  ManualClock clock_;
  sim::VirtualHidBus bus_;
  std::string home_;
  DemoDevices demo_;  // its bus methods tell how audio lighting is doing
  CMainWnd wnd_;
  CBrelvikKeyboardDevice* keyboard_ = nullptr;
  uint32_t stepMs_ = 1000;
};

TEST_F(AudioMainWindowTest, PacketsReachTheKeyboardBehindTheMousePage) {
  // The keyboard plays audio style 0: white bars on black.
  AudioLightRecord audio;
  audio.fgColorR = audio.fgColorG = audio.fgColorB = 255;
  keyboard_->Keyboard().changeAudioLight(audio);
  auto* modes = dynamic_cast<CComboUI*>(KeyboardControl("light_combo_modeSelect"));
  ASSERT_NE(modes, nullptr);
  modes->SelectItem(kAudioLightMode);
  ASSERT_EQ(keyboard_->Keyboard().light().selectItem, kAudioLightMode);
  EXPECT_FALSE(StepShows(0xFFFFFFu)) << "silence lights nothing";

  // Wrong sizes and kinds are not taken.
  EXPECT_EQ(Send(1, Packet(8000, 1999)), 0);
  EXPECT_EQ(Send(1, Packet(8000, 2004)), 0);
  EXPECT_EQ(Send(7, Packet(8000)), 0);
  EXPECT_EQ(wnd_.GetAudioAnalyser().acceptedPackets(), 0u);
  EXPECT_EQ(demo_.AudioLevels(), QList<int>(25, 0)) << "all 0 before any";
  EXPECT_EQ(Send(1, Packet(8000)), 1);
  EXPECT_EQ(wnd_.GetHandedAudioLevels()[0], 2000) << "the first sound goes out at once";
  EXPECT_EQ(Send(1, Packet(-8000)), 1);
  EXPECT_EQ(Send(1, Packet(8000)), 1);
  EXPECT_EQ(wnd_.GetAudioAnalyser().acceptedPackets(), 3u);
  for (int level : wnd_.GetHandedAudioLevels()) EXPECT_EQ(level, 2000);
  EXPECT_EQ(demo_.AudioPackets(), 3u);
  EXPECT_EQ(demo_.AudioLevels(), QList<int>(25, 2000));
  EXPECT_TRUE(StepShows(0xFFFFFFu)) << "the keyboard's bars rise with the sound";
  // The external colour input: exactly 24 bytes.
  EXPECT_EQ(Send(2, Packet(1, 24)), 1);
  EXPECT_EQ(Send(2, Packet(1, 28)), 0);
}

TEST_F(AudioMainWindowTest, ACompanionThatCannotCaptureMakesThePageSaySo) {
  CControlUI* label = KeyboardControl("audio_unavailable_label");
  ASSERT_NE(label, nullptr);
  EXPECT_FALSE(label->GetOwnVisible());
  ASSERT_NE(wnd_.GetAudioLink(), nullptr);
  EXPECT_EQ(wnd_.GetAudioLink()->StatusText(), "stopped");
  auto* modes = dynamic_cast<CComboUI*>(KeyboardControl("light_combo_modeSelect"));
  modes->SelectItem(kAudioLightMode);
  ASSERT_TRUE(SpinUntil([&] { return label->GetOwnVisible(); }));
  EXPECT_EQ(label->GetText(), CResourceManager::GetInstance()->GetText(QStringLiteral("audio_unavailable")));
  EXPECT_FALSE(label->GetText().isEmpty());
  EXPECT_EQ(label->GetToolTip(), "tessel-audio: no sound server (test)");
  EXPECT_EQ(wnd_.GetAudioLink()->StatusText(), "unavailable: tessel-audio: no sound server (test)");
  EXPECT_EQ(demo_.AudioCompanion(), "unavailable: tessel-audio: no sound server (test)");
}

}  // namespace
}  // namespace tessel::ui
