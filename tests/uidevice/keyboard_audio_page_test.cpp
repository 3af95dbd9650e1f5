// The keyboard page's audio settings on the emulated keyboard: the group of
// the audio mode, what each control stores in the profile document, that
// nothing is written to the keyboard, and that the light thread plays the
// new settings at once.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "config/keyboard_profiledata.h"
#include "device_env.h"
#include "sim/firmware_keyboard.h"
#include "ui/device/device_profile.h"
#include "ui/device/device_profile_page.h"
#include "ui/device/keyboard_page.h"
#include "ui/device/light_control.h"

namespace tessel::ui {
namespace {

namespace fs = std::filesystem;
constexpr uint8_t kWriteSettings = 0x06;
constexpr int kAudioMode = 29;

class KeyboardAudioPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseProjectResources();
    CResourceManager::GetInstance()->LoadLanguage(QStringLiteral("lan_en.xml"));
    CPaintManagerUI::SetDefaultScheduler(&clock_);
    root_ = fs::temp_directory_path() / ("tessel-keyboard-audio-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fw_ = std::make_shared<sim::KeyboardFirmware>(false);
    product_ = bus_.plug("keyboard", fw_);
    wnd_ = std::make_unique<test::DeviceWnd>(bus_);
    ASSERT_TRUE(wnd_->Create(nullptr, QStringLiteral("keyboard audio test"), WS_VISIBLE, 0, 0, 0, 1000, 640));
    QCoreApplication::processEvents();
    page_ = dynamic_cast<CBrelvikKeyboardDevice*>(wnd_->CreatePage(1, supportedInterfaceTable()[0]).device);
    ASSERT_NE(page_, nullptr);
    page_->SetMessageSink([](const QString&) {});
    const auto outcome =
        page_->Profile().Init(1, root_ / "keyboard", fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "keyboard.Json");
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    ASSERT_TRUE(page_->Controller().transport().connect(product_->commandPath(), 1));
    page_->Keyboard().requestConnected();
    ASSERT_TRUE(page_->Keyboard().tablesValid());
  }
  void TearDown() override {
    wnd_.reset();
    CPaintManagerUI::SetDefaultScheduler(nullptr);
    fs::remove_all(root_);
  }

  CControlUI* C(const char* name) {
    const QString wanted = QString::fromLatin1(name);
    return page_->FindControl([&wanted](CControlUI* c) { return c->GetName() == wanted; });
  }
  template <typename T>
  T* As(const char* name) {
    return dynamic_cast<T*>(C(name));
  }
  void Send(CControlUI* c, const QString& type) { wnd_->GetManager().SendNotify(c, type); }
  void Type(const char* name, const char* text) {
    C(name)->SetText(QString::fromLatin1(text));
    Send(C(name), notify::kKillFocus);
  }
  AudioLightRecord Saved() {
    CKeyboardProfiledata d;
    d.setDocumentPath(page_->Profile().DocumentPath());
    d.loadDeviceElement();
    return d.getAudioLightInfo();
  }
  void SelectMode(int mode) { As<CComboUI>("light_combo_modeSelect")->SelectItem(mode); }

  ManualClock clock_;
  sim::VirtualHidBus bus_;
  std::shared_ptr<sim::KeyboardFirmware> fw_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  std::unique_ptr<test::DeviceWnd> wnd_;
  CBrelvikKeyboardDevice* page_ = nullptr;
  fs::path root_;
};

TEST_F(KeyboardAudioPageTest, TheAudioGroupBelongsToTheAudioModeAndTellsTheMainWindow) {
  int heard = 0;
  page_->SetAudioModeListener([&] { ++heard; });
  ASSERT_NE(C("audio_setting_layout"), nullptr);
  EXPECT_FALSE(C("audio_setting_layout")->GetOwnVisible());
  EXPECT_FALSE(page_->PlaysAudioMode());
  SelectMode(kAudioMode);
  EXPECT_TRUE(C("audio_setting_layout")->GetOwnVisible());
  EXPECT_TRUE(page_->PlaysAudioMode());
  EXPECT_EQ(heard, 1);
  // The seven styles, by their language texts.
  auto* styles = As<CComboUI>("light_combo_audiomodeSelect");
  ASSERT_NE(styles, nullptr);
  EXPECT_EQ(styles->GetItemCount(), 7);
  SelectMode(3);
  EXPECT_FALSE(C("audio_setting_layout")->GetOwnVisible());
  EXPECT_FALSE(page_->PlaysAudioMode());
  EXPECT_EQ(heard, 2);
  // A re-read of the same document does not call again.
  page_->RefreshView();
  EXPECT_EQ(heard, 2);
}

TEST_F(KeyboardAudioPageTest, EditsAreStoredAndSavedButNeverWrittenToTheKeyboard) {
  SelectMode(kAudioMode);
  fw_->clearLog();
  As<CComboUI>("light_combo_audiomodeSelect")->SelectItem(2);
  EXPECT_EQ(Saved().audioMode, 2);
  // The check flips the flag (the factory document has it set).
  const uint8_t multi = page_->Keyboard().audioLight().sevenColorFlags;
  ASSERT_TRUE(C("deng_7audiocolor_check")->Activate());
  EXPECT_EQ(Saved().sevenColorFlags, multi ? 0 : 1);
  if (multi) {
    ASSERT_TRUE(C("deng_7audiocolor_check")->Activate());
  }
  EXPECT_EQ(Saved().sevenColorFlags, 1);
  EXPECT_TRUE(As<CCheckBoxUI>("deng_7audiocolor_check")->IsSelected());
  // The foreground is edited: a swatch takes it and clears the multi-colour flag.
  ASSERT_TRUE(C("audio_FgColor_check")->Activate());
  EXPECT_EQ(Saved().colorTypeFlags, 1);
  Send(C("audiocolor_option_2"), notify::kClick);  // yellow
  AudioLightRecord r = Saved();
  EXPECT_EQ((std::array{r.fgColorR, r.fgColorG, r.fgColorB}), (std::array<uint8_t, 3>{255, 255, 0}));
  EXPECT_EQ(r.sevenColorFlags, 0);
  EXPECT_FALSE(As<CCheckBoxUI>("deng_7audiocolor_check")->IsSelected());
  EXPECT_EQ(C("deng_audioedit_G")->GetText(), "255");
  // The boxes: above 255 counts 255, empty 0.
  Type("deng_audioedit_B", "300");
  EXPECT_EQ(Saved().fgColorB, 255);
  EXPECT_EQ(C("deng_audioedit_B")->GetText(), "255");
  Type("deng_audioedit_R", "");
  EXPECT_EQ(Saved().fgColorR, 0);
  EXPECT_EQ(C("deng_audioedit_R")->GetText(), "0");
  // The background is edited now: the boxes show it, a swatch goes there.
  ASSERT_TRUE(C("audio_BkColor_check")->Activate());
  Send(C("audiocolor_option_3"), notify::kClick);  // green
  r = Saved();
  EXPECT_EQ((std::array{r.bkColorR, r.bkColorG, r.bkColorB}), (std::array<uint8_t, 3>{0, 255, 0}));
  EXPECT_EQ((std::array{r.fgColorR, r.fgColorG, r.fgColorB}), (std::array<uint8_t, 3>{0, 255, 255}));
  EXPECT_EQ(C("deng_audioedit_R")->GetText(), "0");
  EXPECT_EQ(C("deng_audioedit_G")->GetText(), "255");
  Send(C("Close_bkColor_btn"), notify::kClick);
  r = Saved();
  EXPECT_EQ((std::array{r.bkColorR, r.bkColorG, r.bkColorB}), (std::array<uint8_t, 3>{0, 0, 0}));
  // The palette: the picked colour into the edited one.
  page_->SetColourChooser([](DWORD, bool, bool) {
    return std::optional<CLightControlUI::ChosenColour>(CLightControlUI::ChosenColour{0xFF102030u, false});
  });
  Send(C("deng_audioColor_Pallet"), notify::kClick);
  r = Saved();
  EXPECT_EQ((std::array{r.bkColorR, r.bkColorG, r.bkColorB}), (std::array<uint8_t, 3>{0x10, 0x20, 0x30}));
  // The base keeps the same nine bytes; the keyboard got none of it.
  const auto bytes = page_->Keyboard().audioColour().bytes;
  EXPECT_EQ(bytes, (std::array<uint8_t, 9>{2, 0x10, 0x20, 0x30, 0, 255, 255, 0, 0}));
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u);
}

TEST_F(KeyboardAudioPageTest, TheLightThreadPlaysANewForegroundAtOnce) {
  SelectMode(kAudioMode);
  As<CComboUI>("light_combo_audiomodeSelect")->SelectItem(0);
  ASSERT_TRUE(C("audio_FgColor_check")->Activate());
  Send(C("audiocolor_option_5"), notify::kClick);  // 0060FF
  // Loud sound: style 0 lights the lower rows in the foreground colour.
  const std::vector<int> loud(25, 2000);
  auto shows = [&](uint32_t rgb) {
    page_->Keyboard().lighting().setSpectrum(loud);
    for (uint32_t cell : page_->Keyboard().picture())
      if ((cell & 0xFFFFFFu) == rgb) return true;
    return false;
  };
  EXPECT_TRUE(test::WaitFor([&] { return shows(0xFF6000u); }));  // red | green << 8 | blue << 16
  Send(C("audiocolor_option_1"), notify::kClick);  // FF8000
  EXPECT_TRUE(test::WaitFor([&] { return shows(0x0080FFu); }));
}

}  // namespace
}  // namespace tessel::ui
