// The headset page on the emulated headset: the page is driven by control
// name and the test looks at what the emulated headset keeps and receives.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "config/hs6533_profiledata.h"
#include "device/base/software_effects.h"
#include "device_env.h"
#include "sim/firmware_headset.h"
#include "ui/device/device_profile.h"
#include "ui/device/device_profile_page.h"
#include "ui/device/hs6533_page.h"
#include "ui/device/light_control.h"

namespace tessel::ui {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
constexpr uint8_t kWriteSettings = 0x06;
constexpr int kHeadsetOption = 3;
constexpr size_t kHeadsetInterface = 10;

class HeadsetPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseProjectResources();
    CResourceManager::GetInstance()->LoadLanguage(QStringLiteral("lan_en.xml"));
    CPaintManagerUI::SetDefaultScheduler(&clock_);
    root_ = fs::temp_directory_path() / ("tessel-headset-page-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fw_ = std::make_shared<sim::HeadsetFirmware>();
    product_ = bus_.plug("headset", fw_);
    wnd_ = std::make_unique<test::DeviceWnd>(bus_);
    ASSERT_TRUE(wnd_->Create(nullptr, QStringLiteral("headset page test"), WS_VISIBLE, 0, 0, 0, 1000, 640));
    QCoreApplication::processEvents();
    ASSERT_EQ(supportedInterfaceTable()[kHeadsetInterface].typeCode, 7);
    page_ = dynamic_cast<CBrelvikHS6533Device*>(
        wnd_->CreatePage(kHeadsetOption, supportedInterfaceTable()[kHeadsetInterface]).device);
    ASSERT_NE(page_, nullptr);
    page_->SetMessageSink([this](const QString& key) { messages_.push_back(key); });
    const auto outcome =
        page_->Profile().Init(7, root_ / "HD", fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "HD.Json");
    ASSERT_TRUE(outcome.ok()) << outcome.message;
  }
  void TearDown() override {
    wnd_.reset();
    CPaintManagerUI::SetDefaultScheduler(nullptr);
    fs::remove_all(root_);
  }
  void Connect() {
    ASSERT_TRUE(page_->Controller().transport().connect(product_->commandPath(), std::nullopt));
    page_->Headset().requestConnected();
  }

  CControlUI* C(const QString& name) {
    return page_->FindControl([&name](CControlUI* c) { return c->GetName() == name; });
  }
  CControlUI* C(const char* name) { return C(QString::fromLatin1(name)); }
  template <typename T>
  T* As(const char* name) {
    return dynamic_cast<T*>(C(name));
  }
  std::vector<uint8_t> Block() {
    const auto s = fw_->settings();
    return {s.begin(), s.begin() + 21};
  }
  std::unique_ptr<CHs6533Profiledata> Saved() {
    auto d = std::make_unique<CHs6533Profiledata>();
    d->setDocumentPath(page_->Profile().DocumentPath());
    d->loadDeviceElement();
    return d;
  }

  ManualClock clock_;
  sim::VirtualHidBus bus_;
  std::shared_ptr<sim::HeadsetFirmware> fw_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  std::unique_ptr<test::DeviceWnd> wnd_;
  CBrelvikHS6533Device* page_ = nullptr;
  fs::path root_;
  std::vector<QString> messages_;
};

TEST_F(HeadsetPageTest, ThirteenZonePicturesStartWhiteAndTheDocumentIsAHeadsetDocument) {
  ASSERT_EQ(page_->GetLightZoneCount(), 13);
  for (int i = 0; i < 13; ++i) {
    CDeviceKeyButtonUI* b = page_->GetLightButton(i);
    ASSERT_NE(b, nullptr) << i;
    EXPECT_EQ(b->GetName(), QStringLiteral("light_") + QString::number(i));
    EXPECT_EQ(b->GetZoneColour(), 0xFFFFFFFFu);
  }
  EXPECT_EQ(page_->GetLightButton(13), nullptr);
  EXPECT_NE(page_->Headset().document(), nullptr);
  ASSERT_NE(page_->LightEditor(), nullptr);
  EXPECT_EQ(page_->LightEditor()->GetDeviceType(), 7);
  // The document's light shows on the editor.
  EXPECT_EQ(page_->LightEditor()->GetRecord(), page_->Headset().document()->getLightInfo());
}

TEST_F(HeadsetPageTest, TheFunctionTabsOfTheHeadsetSwitchThePanels) {
  EXPECT_EQ(page_->GetTab(), CBrelvikHS6533Device::kLightTab);
  EXPECT_TRUE(C("6533_voice_Op_tab")->IsVisible());
  EXPECT_TRUE(C("magic_Op_tab")->IsVisible());
  EXPECT_FALSE(C("key_Op_tab")->IsVisible());
  ASSERT_TRUE(C("6533_voice_Op_tab")->Activate());
  EXPECT_EQ(page_->GetTab(), CBrelvikHS6533Device::kVoiceTab);
  ASSERT_TRUE(C("magic_Op_tab")->Activate());
  EXPECT_EQ(page_->GetTab(), CBrelvikHS6533Device::kMagicTab);
  EXPECT_FALSE(As<COptionUI>("6533_voice_Op_tab")->IsSelected());
  ASSERT_TRUE(C("deng_Op_tab")->Activate());
  EXPECT_EQ(page_->GetTab(), CBrelvikHS6533Device::kLightTab);
  page_->SelectTab(9);
  EXPECT_EQ(page_->GetTab(), CBrelvikHS6533Device::kLightTab);
  EXPECT_TRUE(As<COptionUI>("deng_Op_tab")->IsSelected());
}

TEST_F(HeadsetPageTest, TheLightEditorReachesTheHeadsetsBlockAndTheDocument) {
  Connect();
  As<CComboUI>("light_combo_modeSelect")->SelectItem(3);  // static
  EXPECT_EQ(Block()[1], page_->Headset().lightModes()[3].code);
  EXPECT_EQ(Saved()->getLightInfo().selectItem, 3);
  const uint8_t ownByte = Block()[4];
  As<CSliderUI>("deng_light_slider")->SetValue(1);
  wnd_->GetManager().SendNotify(C("deng_light_slider"), notify::kValueChanged);
  EXPECT_EQ(Block()[2], 1);
  EXPECT_EQ(Block()[4], ownByte);  // the headset's own byte stays
  EXPECT_EQ(Saved()->getLightInfo().light, 1);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(HeadsetPageTest, ZonePicturesShowTheZonesOnlyWhileVisible) {
  Connect();
  page_->Headset().stopLightThread();  // the zones are set by hand here
  page_->Controller().setZoneColour(3, packZone(200, 100, 50, 128));
  page_->ShowFrame(page_->Controller().lightTick());
  EXPECT_EQ(page_->GetLightButton(3)->GetZoneColour(), packZone(200, 100, 50, 128));
  page_->GetLightButton(3)->SetVisible(false);
  page_->Controller().setZoneColour(3, packZone(100, 2, 3, 255));
  page_->ShowFrame(page_->Controller().lightTick());
  EXPECT_EQ(page_->GetLightButton(3)->GetZoneColour(), packZone(200, 100, 50, 128));
  // The frame went to the headset all the same.
  ASSERT_TRUE(page_->Headset().waitLedIdle(5000ms));
  const auto frame = fw_->ledFrame();
  ASSERT_TRUE(frame);
  EXPECT_EQ(frame->red[3], 99);
}

TEST_F(HeadsetPageTest, ARefusedWriteIsToldOnceConnectedAndTheDocumentKeepsIt) {
  Connect();
  fw_->injectFault({sim::FaultKind::StatusFF, kWriteSettings, 0, 5});
  As<CComboUI>("light_combo_modeSelect")->SelectItem(8);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "headset_write_failed");
  EXPECT_EQ(Saved()->getLightInfo().selectItem, 8);
  page_->Controller().transport().disconnect();
  As<CComboUI>("light_combo_modeSelect")->SelectItem(2);
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_EQ(Saved()->getLightInfo().selectItem, 2);
}

TEST_F(HeadsetPageTest, ASwitchedProfileIsShownAndItsLightWritten) {
  Connect();
  As<CComboUI>("light_combo_modeSelect")->SelectItem(4);
  ASSERT_EQ(Block()[1], 4);
  CDeviceProfileUI* selector = page_->Profile().Selector();
  ASSERT_NE(selector, nullptr);
  ASSERT_TRUE(selector->Add().ok());
  ASSERT_TRUE(selector->Select(1, false).ok());
  ASSERT_TRUE(page_->Profile().Rebind());
  const LightRecord fresh = page_->Headset().document()->getLightInfo();
  EXPECT_EQ(Block()[1], page_->Headset().lightModes()[fresh.selectItem].code);
  EXPECT_EQ(page_->LightEditor()->GetRecord(), fresh);
  ASSERT_TRUE(selector->Select(0, false).ok());
  ASSERT_TRUE(page_->Profile().Rebind());
  EXPECT_EQ(Block()[1], 4);
}
}  // namespace
}  // namespace tessel::ui
