// Device tiles against emulated products: the connect timer, live colour
// frames, message 3331, the battery indicator fed from the status block,
// icons by type code, the tile's option, and timer 1002 from the input reader.
#include <gtest/gtest.h>

#include <QTest>

#include "device_env.h"

namespace tessel::ui {
namespace {

using namespace std::chrono_literals;
using test::DeviceWnd;

class TileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseProjectResources();
    CResourceManager::GetInstance()->LoadLanguage(QStringLiteral("lan_en.xml"));
    CPaintManagerUI::SetDefaultScheduler(&clock_);
    wnd_ = std::make_unique<DeviceWnd>(bus_);
    ASSERT_TRUE(wnd_->Create(nullptr, QStringLiteral("device tile test"), WS_VISIBLE, 0, 0, 0, 800, 572));
    QCoreApplication::processEvents();
  }
  void TearDown() override {
    wnd_.reset();
    CPaintManagerUI::SetDefaultScheduler(nullptr);
  }
  sim::CommandFirmware* Plug(std::string_view name) {
    std::shared_ptr<sim::CommandFirmware> fw = sim::makeProductFirmware(name);
    product_ = bus_.plug(name, fw);
    return fw.get();
  }
  static InterfaceKey Identity(int row) { return supportedInterfaceTable()[static_cast<size_t>(row)]; }
  QString Text(const char* name) { return wnd_->Find<CControlUI>(name)->GetText(); }

  ManualClock clock_;
  sim::VirtualHidBus bus_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  std::unique_ptr<DeviceWnd> wnd_;
};

TEST_F(TileTest, IconsAndNameFollowTheTypeCode) {
  const test::BuiltPage p = wnd_->CreatePage(0, Identity(4));
  ASSERT_TRUE(p.tile);
  CDeviceOptionUI* tile = p.tile;
  auto stemOf = [tile] { return tile->GetIcon(0).section('/', -1).section("_normal", 0, 0); };
  EXPECT_EQ(stemOf(), "ms_device");
  EXPECT_EQ(tile->GetIcon(1), "common/device_ico/ms_device_selected.png");
  EXPECT_EQ(tile->GetIcon(2), "common/device_ico/ms_device_synchro_normal.png");
  EXPECT_EQ(tile->GetIcon(3), "common/device_ico/ms_device_synchro_selected.png");
  EXPECT_EQ(tile->GetNameLabel()->GetText(), "Mouse");
  // Our skin draws SVG: the option shows the SVG of the same stem.
  EXPECT_TRUE(tile->GetSelectOption()->GetNormalImage().contains("common/device_ico/ms_device_normal.svg"));

  const std::pair<std::pair<int, int>, const char*> cases[] = {
      {{1, 0}, "kb_device"}, {{9, 0}, "unknow_device"}, {{3, 0}, "hard_mp_device"}, {{3, 1}, "soft_mp_device"},
      {{3, 2}, "soft_mp_device"},  // another mousepad variant keeps the icons it had
      {{4, 0}, "hd_device"},       {{7, 0}, "hd_device"},     {{5, 0}, "hub_device"}, {{0, 0}, "unknow_device"}};
  for (const auto& [type, stem] : cases) {
    tile->SetType(type.first, type.second);
    EXPECT_EQ(stemOf(), stem) << type.first << "/" << type.second;
  }
  tile->SetType(1, 0);
  EXPECT_EQ(tile->GetNameLabel()->GetText(), "Keyboard");
  tile->SetSynchronised(true);
  EXPECT_TRUE(tile->IsSynchronised());
  EXPECT_TRUE(tile->GetSynchroOption()->IsSelected());
  EXPECT_TRUE(tile->GetSelectOption()->GetNormalImage().contains("kb_device_synchro_normal.svg"));
  // A new tile starts unknown.
  std::unique_ptr<CControlUI> fresh(CreateSkinTag(QStringLiteral("DeviceOption"), nullptr, nullptr));
  EXPECT_TRUE(static_cast<CDeviceOptionUI*>(fresh.get())->GetIcon(0).endsWith("unknow_device_normal.png"));
}

TEST_F(TileTest, ConnectTimerStreamsTheLiveFrameOfACableMouseAndColoursItsPicture) {
  sim::CommandFirmware* fw = Plug("mouse");
  const test::BuiltPage p = wnd_->CreatePage(0, Identity(4));
  ASSERT_TRUE(p.device);
  UsbDeviceController& mouse = p.device->Controller();
  ASSERT_TRUE(mouse.transport().connect(product_->commandPath(), transport::kConnectionCable));
  for (int i = 0; i < 15; ++i) mouse.setZoneColour(i, packZone(200, 100, 50, 128));
  // As the main window does for a cable connection: shown, selected, connect timer.
  p.tile->SetVisible(true);
  p.tile->Select(true);
  p.tile->StartConnectTimer();
  clock_.advance(499ms);
  EXPECT_EQ(fw->liveFrameChunks(), 0);
  clock_.advance(1ms + 5ms);  // connect, then the first light tick
  ASSERT_TRUE(test::WaitFor([&] { return fw->liveFrameChunks() >= 1; }));
  std::vector<uint8_t> expected;
  for (int i = 0; i < 15; ++i) expected.insert(expected.end(), {100, 50, 25});
  std::vector<uint8_t> frame = fw->liveFrame();
  ASSERT_GE(frame.size(), expected.size());
  EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 45), expected);
  EXPECT_EQ(p.device->GetLightButton(7)->GetShownColor(), 0xFF643219u);
  EXPECT_TRUE(wnd_->reachability.empty());  // a cable device needs no 3331

  // The tick goes on every 5 ms with the newest colours.
  for (int i = 0; i < 15; ++i) mouse.setZoneColour(i, packZone(0, 255, 0, 255));
  clock_.advance(5ms);
  ASSERT_TRUE(test::WaitFor([&] { return fw->liveFrame().size() > 1 && fw->liveFrame()[1] == 254; }));
  EXPECT_EQ(fw->liveFrame()[0], 0);
  EXPECT_EQ(p.device->GetLightButton(0)->GetShownColor(), 0xFF00FE00u);

  // A tile that is not selected leaves the picture alone; the device still gets frames.
  p.tile->Select(false);
  mouse.setZoneColour(0, packZone(255, 0, 0, 255));
  const int chunks = fw->liveFrameChunks();
  clock_.advance(5ms);
  ASSERT_TRUE(test::WaitFor([&] { return fw->liveFrameChunks() > chunks; }));
  EXPECT_EQ(p.device->GetLightButton(0)->GetShownColor(), 0xFF00FE00u);
}

TEST_F(TileTest, AWirelessMouseReportsReachabilityAndItsBatteryToTheWindow) {
  sim::CommandFirmware* fw = Plug("mouse-receiver");
  fw->setStatusBlock({75, 1, 0, 0, 0, 0});  // the receiver mark comes from the host, not from byte 3
  const test::BuiltPage p = wnd_->CreatePage(0, Identity(4));
  ASSERT_TRUE(p.device);
  ASSERT_TRUE(p.device->Controller().transport().connect(product_->commandPath(), transport::kConnectionReceiver));
  EXPECT_TRUE(wnd_->Find<CControlUI>("device_power_Layout")->GetOwnVisible());  // battery flag of the mouse
  p.tile->StartConnectTimer();
  clock_.advance(500ms);
  ASSERT_EQ(wnd_->reachability, (std::vector<std::pair<int, int>>{{0, 1}}));
  p.tile->SetVisible(true);  // the window's answer to 3331
  clock_.advance(50ms);      // status poll
  EXPECT_EQ(Text("device_power_value"), "75%");
  EXPECT_EQ(wnd_->Find<CProgressUI>("device_Power_progress")->GetValue(), 25);
  EXPECT_TRUE(wnd_->Find<CControlUI>("device_wuxian_logo")->GetOwnVisible());
  EXPECT_TRUE(wnd_->Find<CControlUI>("device_power_status")->GetBkImage().contains("power/powering.svg"));
  EXPECT_FALSE(wnd_->Find<CControlUI>("device_phone_type")->GetOwnVisible());  // no phone on a mouse

  // Asleep at the next link watch: the window hears lParam 0.
  fw->setDeviceAwake(false);
  clock_.advance(2000ms);
  ASSERT_EQ(wnd_->reachability.size(), 2u);
  EXPECT_EQ(wnd_->reachability[1], std::make_pair(0, 0));
  // Hidden in the tray the mouse is not polled.
  p.device->Controller().setWindowHidden(true);
  fw->setDeviceAwake(true);
  fw->setStatusBlock({40, 0, 0, 0, 0, 0});
  const size_t polls = fw->countOf(transport::command::kReadStatus);
  p.tile->SetVisible(false);
  clock_.advance(3000ms);  // awake again: 3331 with lParam 1, no poll while hidden
  EXPECT_EQ(wnd_->reachability.back(), std::make_pair(0, 1));
  EXPECT_EQ(fw->countOf(transport::command::kReadStatus), polls);
  EXPECT_EQ(Text("device_power_value"), "75%");
}

TEST_F(TileTest, BatteryIndicatorShowsTheStatusBlock) {
  const test::BuiltPage pad = wnd_->CreatePage(2, Identity(8));
  ASSERT_TRUE(pad.power);
  CMpDevicePowerUI* power = pad.power;
  EXPECT_EQ(power->GetTypeCode(), 3);
  auto sub = [power](const char* name) {
    return power->FindControl([name](CControlUI* c) { return c->GetName() == name; });
  };
  EXPECT_FALSE(sub("device_power_Layout")->GetOwnVisible());  // no battery on a mousepad
  EXPECT_TRUE(sub("device_phone_type")->GetOwnVisible());
  const uint8_t block[] = {75, 2, 0, 0, 0, 2};
  power->Update(block, sizeof block);
  EXPECT_EQ(sub("device_power_value")->GetText(), "75%");
  EXPECT_EQ(dynamic_cast<CProgressUI*>(sub("device_Power_progress"))->GetValue(), 25);
  EXPECT_FALSE(sub("device_wuxian_logo")->GetOwnVisible());
  EXPECT_TRUE(sub("device_power_status")->GetBkImage().contains("power/power.svg"));
  EXPECT_EQ(sub("device_phone_type")->GetText(), "Samsung");
  EXPECT_TRUE(sub("device_phone_type")->GetBkImage().contains("power/Phone_type_samsung.svg"));
  const uint8_t none[] = {100, 7, 0, 0, 0, 9};  // unknown charge state keeps the icon
  power->Update(none, sizeof none);
  EXPECT_EQ(dynamic_cast<CProgressUI*>(sub("device_Power_progress"))->GetValue(), 0);
  EXPECT_TRUE(sub("device_power_status")->GetBkImage().contains("power/power.svg"));
  EXPECT_EQ(sub("device_phone_type")->GetText(), "No phone");
  power->Update(nullptr, 0);
  EXPECT_EQ(sub("device_power_value")->GetText(), "0%");
}

TEST_F(TileTest, ChoosingATileSelectsItsPageAndTellsTheWindow) {
  const test::BuiltPage mouse = wnd_->CreatePage(0, Identity(4));
  const test::BuiltPage keyboard = wnd_->CreatePage(1, Identity(0));
  ASSERT_TRUE(mouse.tile && keyboard.tile);
  mouse.tile->SetVisible(true);
  keyboard.tile->SetVisible(true);
  mouse.tile->Select(true);
  auto* pages = wnd_->Find<CTabLayoutUI>("device_switch");
  EXPECT_EQ(pages->GetCurSel(), mouse.tile->GetPageIndex());
  EXPECT_TRUE(wnd_->notes.empty());  // selecting by code is silent
  QCoreApplication::processEvents();
  QTest::mouseClick(keyboard.tile->GetSelectOption()->GetWidget(), Qt::LeftButton);
  EXPECT_TRUE(keyboard.tile->IsSelected());
  EXPECT_FALSE(mouse.tile->IsSelected());
  EXPECT_EQ(pages->GetCurSel(), keyboard.tile->GetPageIndex());
  EXPECT_EQ(std::count(wnd_->notes.begin(), wnd_->notes.end(), "selectchanged:device_select"), 1);
  EXPECT_EQ(keyboard.tile->GetPowerSwitchName(), "device_power_switch");
  EXPECT_EQ(keyboard.tile->GetPowerSwitchIndex(), 1);
}

TEST_F(TileTest, ChangedSettingsStartTimer1002AndAGoneTileIsNotReached) {
  Plug("keyboard");
  const test::BuiltPage p = wnd_->CreatePage(1, Identity(0));
  ASSERT_TRUE(p.device);
  UsbDeviceController& keyboard = p.device->Controller();
  ASSERT_TRUE(keyboard.openInput(product_->inputPath(), false));
  product_->pushConsumerInput({3, 0x01, 0x04});  // usage 0x401
  ASSERT_TRUE(test::WaitFor([&] { return p.tile->GetDeviceTile()->timerRunning(DeviceTile::kDeviceChanged); }));
  clock_.advance(50ms);
  EXPECT_FALSE(p.tile->GetDeviceTile()->timerRunning(DeviceTile::kDeviceChanged));

  // The tile goes first: the reader's next report reaches nothing.
  ASSERT_TRUE(wnd_->Find<CContainerUI>("device_select_layout")->Remove(p.tile));
  EXPECT_EQ(p.device->GetTile(), nullptr);
  product_->pushConsumerInput({3, 0x01, 0x04});
  product_->pushConsumerInput({3, 0x02, 0x04});
  clock_.advance(1000ms);
  keyboard.closeInputs();
  EXPECT_FALSE(keyboard.inputOpen(false));
}

TEST_F(TileTest, APageThatGoesFirstLeavesItsTileWithoutTimers) {
  Plug("mouse");
  const test::BuiltPage p = wnd_->CreatePage(0, Identity(4));
  ASSERT_TRUE(p.device);
  ASSERT_TRUE(p.device->Controller().transport().connect(product_->commandPath(), transport::kConnectionCable));
  p.tile->StartConnectTimer();
  clock_.advance(505ms);
  ASSERT_TRUE(p.tile->GetDeviceTile()->timerRunning(DeviceTile::kLightTick));
  ASSERT_TRUE(wnd_->Find<CContainerUI>("device_switch")->Remove(p.device));
  EXPECT_EQ(p.tile->GetDevice(), nullptr);
  EXPECT_EQ(p.tile->GetDeviceTile(), nullptr);
  p.tile->StartConnectTimer();
  p.tile->StartLinkWatch(2000);
  clock_.advance(5000ms);  // nothing left to run
  EXPECT_EQ(p.power->GetTypeCode(), 2);
}

}  // namespace
}  // namespace tessel::ui
