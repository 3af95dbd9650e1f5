// The mousepad page on the emulated pad: zone pictures bound by name or user
// data, the light editor's changes in the pad's block, the live picture, and
// a settings report from the pad re-read 500 ms later.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "config/basic_profiledata.h"
#include "device/base/software_effects.h"
#include "device_env.h"
#include "sim/firmware_mousepad.h"
#include "ui/device/device_profile_page.h"
#include "ui/device/light_control.h"

namespace tessel::ui {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
constexpr int kPadOption = 2;
constexpr int kPadCommandInterface = 8;

class MousepadPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseProjectResources();
    CResourceManager::GetInstance()->LoadLanguage(QStringLiteral("lan_en.xml"));
    CPaintManagerUI::SetDefaultScheduler(&clock_);
    root_ = fs::temp_directory_path() / ("tessel-pad-page-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fw_ = std::make_shared<sim::MousepadFirmware>();
    product_ = bus_.plug("mousepad", fw_);
    wnd_ = std::make_unique<test::DeviceWnd>(bus_);
    ASSERT_TRUE(wnd_->Create(nullptr, QStringLiteral("mousepad page test"), WS_VISIBLE, 0, 0, 0, 1000, 640));
    QCoreApplication::processEvents();
    built_ = wnd_->CreatePage(kPadOption, supportedInterfaceTable()[kPadCommandInterface]);
    page_ = dynamic_cast<CBrelvikMousePadDevice*>(built_.device);
    ASSERT_NE(page_, nullptr);
    const auto outcome =
        page_->Profile().Init(3, root_ / "MousePad", fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "MousePad.Json");
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    ASSERT_TRUE(page_->Controller().transport().connect(product_->commandPath(), 1));
    page_->Pad().requestConnected();
    // The zones are looked at by hand here, not by the running effect.
    page_->Pad().stopLightThread();
  }
  void TearDown() override {
    wnd_.reset();
    CPaintManagerUI::SetDefaultScheduler(nullptr);
    fs::remove_all(root_);
  }

  CControlUI* C(const char* name) {
    const QString n = QString::fromLatin1(name);
    return page_->FindControl([&n](CControlUI* c) { return c->GetName() == n; });
  }
  template <typename T>
  T* As(const char* name) {
    return dynamic_cast<T*>(C(name));
  }
  void Slide(const char* name, int value) {
    As<CSliderUI>(name)->SetValue(value);
    wnd_->GetManager().SendNotify(C(name), notify::kValueChanged);
  }
  std::vector<uint8_t> Block(int p = 0) {
    const auto s = fw_->settings();
    return {s.begin() + p * 31, s.begin() + p * 31 + 21};
  }

  ManualClock clock_;
  sim::VirtualHidBus bus_;
  std::shared_ptr<sim::MousepadFirmware> fw_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  std::unique_ptr<test::DeviceWnd> wnd_;
  test::BuiltPage built_;
  CBrelvikMousePadDevice* page_ = nullptr;
  fs::path root_;
};

TEST_F(MousepadPageTest, ZonePicturesAreFoundByNameOrUserDataWithinTheFifteenZones) {
  ASSERT_EQ(page_->GetZonePictureCount(), 15);
  for (int i = 0; i < 15; ++i) ASSERT_NE(page_->GetZonePicture(i), nullptr) << i;
  EXPECT_EQ(page_->GetZonePicture(14)->GetName(), "light_14");
  EXPECT_EQ(page_->GetZonePicture(15), nullptr);

  auto* panel = As<CContainerUI>("mousepad_device_key_light");
  ASSERT_NE(panel, nullptr);
  auto* far = new CDeviceKeyButtonUI;
  far->SetName(QStringLiteral("light_20"));
  auto* other = new CDeviceKeyButtonUI;
  other->SetName(QStringLiteral("pad_edge_7"));
  other->SetUserData(QStringLiteral("light_3"));
  ASSERT_TRUE(panel->Add(far));
  ASSERT_TRUE(panel->Add(other));
  page_->InitPage();
  EXPECT_EQ(page_->GetZonePictureCount(), 15);
  EXPECT_EQ(page_->GetZonePicture(3), other);
  for (int i = 0; i < 15; ++i) EXPECT_NE(page_->GetZonePicture(i), far) << i;
  EXPECT_FALSE(far->HasZoneColour());
  EXPECT_EQ(other->GetZoneColour(), 0xFFFFFFFFu);  // white at full level until the first frame

  EXPECT_EQ(MousepadZoneOf(QStringLiteral("light_2"), QString(), 15), 2);
  EXPECT_EQ(MousepadZoneOf(QStringLiteral("light_x"), QStringLiteral("light_9"), 15), 9);
  EXPECT_EQ(MousepadZoneOf(QStringLiteral("light_0_4"), QString(), 15), -1);
  EXPECT_EQ(MousepadZoneOf(QStringLiteral("light_"), QString(), 15), -1);
  EXPECT_EQ(MousepadZoneOf(QStringLiteral("light_-1"), QString(), 15), -1);
}

TEST_F(MousepadPageTest, LightEditorChangesReachThePadsBlockKeepingItsOwnBytes) {
  const auto before = Block();
  ASSERT_NE(page_->LightEditor(), nullptr);
  EXPECT_EQ(page_->LightEditor()->GetDeviceType(), 3);
  As<CComboUI>("light_combo_modeSelect")->SelectItem(6);  // band flow
  EXPECT_EQ(Block()[1], 6);
  // Band flow runs both ways and in colours: its groups are available.
  EXPECT_TRUE(C("deng_fx_layout")->IsEnabled());
  EXPECT_TRUE(C("deng_7color_check")->IsEnabled());
  Slide("deng_light_slider", 2);
  EXPECT_EQ(Block()[2], 2);
  Slide("deng_speed_slider", 4);
  EXPECT_EQ(Block()[3], 0);
  const auto after = Block();
  EXPECT_EQ(after[4], before[4]);
  EXPECT_EQ((std::vector<uint8_t>(after.begin() + 9, after.end())),
            (std::vector<uint8_t>(before.begin() + 9, before.end())));
  // The document keeps every change; the light thread plays position 6.
  CBasicProfiledata saved;
  saved.setDocumentPath(page_->Profile().DocumentPath());
  saved.loadDeviceElement();
  EXPECT_EQ(saved.getLightInfo().selectItem, 6);
  EXPECT_EQ(saved.getLightInfo().light, 2);
  EXPECT_EQ(saved.getLightInfo().speed, 4);
  EXPECT_EQ(page_->Pad().lighting().modeByte(), 6u);
  // Off offers nothing but the same-light button.
  As<CComboUI>("light_combo_modeSelect")->SelectItem(8);
  EXPECT_EQ(Block()[1], 8);
  EXPECT_FALSE(C("deng_light_layout")->IsEnabled());
}

TEST_F(MousepadPageTest, LivePictureShowsTheZones) {
  page_->Controller().setZoneColour(11, packZone(200, 100, 50, 128));
  page_->ShowFrame(page_->Controller().lightTick());
  ASSERT_NE(page_->GetZonePicture(11), nullptr);
  EXPECT_EQ(page_->GetZonePicture(11)->GetShownColor(), 0xFF643219u);
}

TEST_F(MousepadPageTest, ASettingsReportIsReadBack500msLater) {
  UsbDeviceController& pad = page_->Controller();
  ASSERT_TRUE(pad.openInput(product_->inputPath(), false));
  fw_->setSettings(0, {1});
  fw_->setSettings(31 + 1, {2});  // profile 1 plays breathing
  fw_->clearLog();
  ASSERT_TRUE(fw_->sendInputUsage(0x401));
  ASSERT_TRUE(test::WaitFor([&] { return built_.tile->GetDeviceTile()->timerRunning(DeviceTile::kDeviceChanged); }));
  clock_.advance(499ms);
  EXPECT_EQ(fw_->countOf(0x05), 0u);
  clock_.advance(1ms);
  EXPECT_EQ(fw_->countOf(0x05), 2u);
  EXPECT_EQ(page_->GetReportedProfile(), 1);
  EXPECT_EQ(page_->Pad().lighting().modeByte(), 2u);
  pad.closeInputs();
}

}  // namespace
}  // namespace tessel::ui
