// The mouse page on the emulated mouse: the page is driven by control name
// and the test looks at what the emulated firmware keeps in its memories.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <filesystem>

#include "config/mouse_profiledata.h"
#include "device/base/software_effects.h"
#include "device_env.h"
#include "sim/firmware_mouse.h"
#include "ui/device/device_profile.h"
#include "ui/device/device_profile_page.h"
#include "ui/device/key_set_control.h"
#include "ui/device/light_control.h"

namespace tessel::ui {
namespace {

namespace fs = std::filesystem;
constexpr uint8_t kWriteSettings = 0x06;

// Builds the real mouse page (the shared test window records the mouse
// page's notifications instead of handling them).
class MouseWnd : public test::DeviceWnd {
 public:
  MouseWnd(hid::HidBackend& backend) : DeviceWnd(backend), backend_(backend) {}
  CControlUI* CreateControl(const QString& tag) override {
    if (tag.compare(QLatin1String("BrelvikMouseDevice"), Qt::CaseInsensitive) == 0)
      return new CBrelvikMouseDevice(backend_);
    return DeviceWnd::CreateControl(tag);
  }

 private:
  hid::HidBackend& backend_;
};

class MousePageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseProjectResources();
    CResourceManager::GetInstance()->LoadLanguage(QStringLiteral("lan_en.xml"));
    CPaintManagerUI::SetDefaultScheduler(&clock_);
    root_ = fs::temp_directory_path() / ("tessel-mouse-page-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fw_ = std::make_shared<sim::MouseFirmware>(false);
    product_ = bus_.plug("mouse", fw_);
    wnd_ = std::make_unique<MouseWnd>(bus_);
    ASSERT_TRUE(wnd_->Create(nullptr, QStringLiteral("mouse page test"), WS_VISIBLE, 0, 0, 0, 1000, 640));
    QCoreApplication::processEvents();
    page_ = dynamic_cast<CBrelvikMouseDevice*>(wnd_->CreatePage(0, supportedInterfaceTable()[4]).device);
    ASSERT_NE(page_, nullptr);
    page_->SetMessageSink([this](const QString& key) { messages_.push_back(key); });
    page_->SetColourChooser([this](DWORD colour, bool, bool offerMulti) {
      asked_.push_back({colour, offerMulti});
      return chosen_;
    });
    const auto outcome =
        page_->Profile().Init(2, root_ / "mouse", fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "mouse.Json");
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    ASSERT_TRUE(page_->Controller().transport().connect(product_->commandPath(), 1));
    page_->Mouse().requestConnected();
  }
  void TearDown() override {
    wnd_.reset();
    CPaintManagerUI::SetDefaultScheduler(nullptr);
    fs::remove_all(root_);
  }

  CControlUI* C(const QString& name) {
    return page_->FindControl([&name](CControlUI* c) { return c->GetName() == name; });
  }
  CControlUI* C(const char* name) { return C(QString::fromLatin1(name)); }
  template <typename T>
  T* As(const char* name) {
    return dynamic_cast<T*>(C(name));
  }
  void Send(CControlUI* c, const QString& type) { wnd_->GetManager().SendNotify(c, type); }
  void Slide(const char* name, int value) {
    As<CSliderUI>(name)->SetValue(value);
    Send(C(name), notify::kValueChanged);
  }
  void Type(const char* name, const char* text) {
    C(name)->SetText(QString::fromLatin1(text));
    Send(C(name), notify::kKillFocus);
  }
  // Profile 0's block as the firmware keeps it (the emulated mouse starts on profile 0).
  std::vector<uint8_t> Block() {
    const auto s = fw_->settings();
    return {s.begin(), s.begin() + 71};
  }
  std::unique_ptr<CMouseProfiledata> Saved() {
    auto d = std::make_unique<CMouseProfiledata>();
    d->setDocumentPath(page_->Profile().DocumentPath());
    d->loadDeviceElement();
    return d;
  }

  ManualClock clock_;
  sim::VirtualHidBus bus_;
  std::shared_ptr<sim::MouseFirmware> fw_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  std::unique_ptr<MouseWnd> wnd_;
  CBrelvikMouseDevice* page_ = nullptr;
  fs::path root_;
  std::vector<QString> messages_;
  std::vector<std::pair<DWORD, bool>> asked_;
  std::optional<CLightControlUI::ChosenColour> chosen_;
};

TEST_F(MousePageTest, StageSlidersBoxesAndPollingReachTheMouse) {
  ASSERT_EQ(page_->GetTab(), 0);
  EXPECT_EQ(As<CSliderUI>("DPI_slider_0")->GetMaxValue(), page_->Mouse().sliderMaximum());
  Slide("DPI_slider_1", 20);
  EXPECT_EQ(Block()[14 + 9 + 2], 20);
  EXPECT_EQ(C("DPI_edit_1")->GetText(), QString::number(mouse::IndexToDpi(page_->Mouse().identityFields(), 20)));

  const int typed = mouse::IndexToDpi(page_->Mouse().identityFields(), 30);
  Type("DPI_edit_2", QString::number(typed).toLatin1().constData());
  EXPECT_EQ(Block()[14 + 18 + 2], 30);
  EXPECT_EQ(As<CSliderUI>("DPI_slider_2")->GetValue(), 30);

  ASSERT_TRUE(C("polling_rate_option_3")->Activate());
  EXPECT_EQ(Block()[11], 3);
  EXPECT_TRUE(As<COptionUI>("polling_rate_option_3")->IsSelected());
  EXPECT_EQ(Saved()->getSystemStages().reportRate, 3);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(MousePageTest, SelectAndEnableChecksKeepOneStageAndShowTheActiveThumb) {
  ASSERT_TRUE(C("DPI_select_check_2")->Activate());
  EXPECT_EQ(Block()[12], 2);
  EXPECT_TRUE(As<COptionUI>("DPI_select_check_2")->IsSelected());
  EXPECT_FALSE(As<COptionUI>("DPI_select_check_0")->IsSelected());
  EXPECT_FALSE(C("DPI_enable_check_2")->IsEnabled());  // the active stage stays on
  // A second click on the active stage keeps it active.
  ASSERT_TRUE(C("DPI_select_check_2")->Activate());
  EXPECT_TRUE(As<COptionUI>("DPI_select_check_2")->IsSelected());
  EXPECT_EQ(Block()[12], 2);

  // Every other stage off: stage 2 is the last one on.
  for (int i : {0, 1, 3, 4}) {
    auto* check = As<CCheckBoxUI>(QStringLiteral("DPI_enable_check_%1").arg(i).toLatin1().constData());
    if (check->GetCheck()) {
      ASSERT_TRUE(check->Activate()) << i;
    }
    EXPECT_EQ(Block()[14 + 9 * i], 0) << i;
    EXPECT_FALSE(C(QStringLiteral("DPI_layout_%1").arg(i))->IsEnabled()) << i;
    EXPECT_TRUE(C(QStringLiteral("DPI_enable_check_%1").arg(i))->IsEnabled()) << i;
  }
  EXPECT_EQ(Block()[14 + 18], 1);
  // Selecting stage 4 again makes stage 2's check usable and stage 4's not.
  ASSERT_TRUE(C("DPI_enable_check_4")->Activate());
  ASSERT_TRUE(C("DPI_select_check_4")->Activate());
  EXPECT_EQ(Block()[12], 4);
  EXPECT_TRUE(C("DPI_enable_check_2")->IsEnabled());
  EXPECT_FALSE(C("DPI_enable_check_4")->IsEnabled());
  EXPECT_EQ(As<CSliderUI>("DPI_slider_4")->GetThumbImage(), "Control/SliderBar1_Thumb.png");
  EXPECT_EQ(As<CSliderUI>("DPI_slider_2")->GetThumbImage(), "Control/SliderBar2_Thumb.png");
}

TEST_F(MousePageTest, StageColourComesFromThePaletteDialog) {
  chosen_ = CLightControlUI::ChosenColour{0xFF3366CCu, false};
  ASSERT_TRUE(C("DPI_color_option_1")->Activate());
  ASSERT_EQ(asked_.size(), 1u);
  EXPECT_FALSE(asked_[0].second);  // a stage has no multi-colour
  const auto b = Block();
  EXPECT_EQ(b[14 + 9 + 6], 0x33);
  EXPECT_EQ(b[14 + 9 + 7], 0x66);
  EXPECT_EQ(b[14 + 9 + 8], 0xCC);
  EXPECT_EQ(C("DPI_color_option_1")->GetBkColor(), 0xFF3366CCu);
  // Cancelled: nothing written.
  chosen_.reset();
  const size_t writes = fw_->countOf(kWriteSettings);
  ASSERT_TRUE(C("DPI_color_option_1")->Activate());
  EXPECT_EQ(fw_->countOf(kWriteSettings), writes);
}

TEST_F(MousePageTest, PointerSettingsStayInTheDocument) {
  const size_t writes = fw_->countOf(kWriteSettings);
  // The double-click time is in milliseconds: the factory 500 shows as it is.
  EXPECT_EQ(As<CSliderUI>("double_click_slider")->GetValue(), 500);
  Slide("pointer_speed_slider", 7);
  Slide("double_click_slider", 650);
  ASSERT_TRUE(C("scrolls_page_check")->Activate());
  ASSERT_TRUE(C("pointer_precision_check")->Activate());
  EXPECT_EQ(fw_->countOf(kWriteSettings), writes);
  MouseSystemStages s = Saved()->getSystemStages();
  EXPECT_EQ(s.mouseSpeed, 7);
  EXPECT_EQ(s.doubleClickTime, 650);
  EXPECT_EQ(s.scrollPage & 0xFF, 1);
  // The wheel slider clears scroll-by-page.
  Slide("scroll_speed_slider", 5);
  s = Saved()->getSystemStages();
  EXPECT_EQ(s.wheelScrollLines, 5);
  EXPECT_EQ(s.scrollPage & 0xFF, 0);
  EXPECT_FALSE(As<CCheckBoxUI>("scrolls_page_check")->GetCheck());
}

TEST_F(MousePageTest, LightEditorChangesReachTheBlock) {
  ASSERT_TRUE(C("mouse_device_seting_option_2")->Activate());
  EXPECT_EQ(page_->GetTab(), 2);
  ASSERT_NE(page_->LightEditor(), nullptr);
  // Mode 0 (wave) uses every group.
  As<CComboUI>("light_combo_modeSelect")->SelectItem(0);
  EXPECT_EQ(Block()[1], page_->Mouse().lightModes()[0].code);
  ASSERT_TRUE(C("deng_7color_check")->IsEnabled());
  if (!As<CCheckBoxUI>("deng_7color_check")->GetCheck()) {
    ASSERT_TRUE(C("deng_7color_check")->Activate());
  }
  EXPECT_EQ(Block()[5], 1);

  Type("deng_edit_G", "300");
  EXPECT_EQ(Block()[7], 255);
  EXPECT_EQ(Block()[5], 0);
  EXPECT_EQ(C("deng_edit_G")->GetText(), "255");
  EXPECT_EQ(Saved()->getLightInfo().green, 255);
  EXPECT_EQ(Saved()->getLightInfo().multiColor, 0);

  ASSERT_TRUE(C("deng_FXR_check")->Activate());
  EXPECT_EQ(Block()[4], 0);
  Slide("deng_speed_slider", 1);
  EXPECT_EQ(Block()[3], 3);

  // Static: the speed group is unavailable, the stored speed is still sent.
  As<CComboUI>("light_combo_modeSelect")->SelectItem(3);
  EXPECT_FALSE(C("deng_speed_layout")->IsEnabled());
  EXPECT_EQ(Block()[1], page_->Mouse().lightModes()[3].code);
  EXPECT_EQ(Block()[3], 3);
  // The logo's tooltip names the mode.
  ASSERT_NE(page_->GetLogoPicture(), nullptr);
  EXPECT_TRUE(page_->GetLogoPicture()->GetToolTip().contains(QStringLiteral("Static")))
      << page_->GetLogoPicture()->GetToolTip().toStdString();
}

TEST_F(MousePageTest, LivePictureShowsTheZones) {
  page_->SelectTab(2);
  ASSERT_EQ(page_->GetZonePictureCount(), 15);
  // The zones are set by hand here, not by the running effect.
  page_->Mouse().stopLightThread();
  page_->Controller().setZoneColour(3, packZone(200, 100, 50, 128));
  page_->ShowFrame(page_->Controller().lightTick());
  ASSERT_NE(page_->GetZonePicture(3), nullptr);
  EXPECT_EQ(page_->GetZonePicture(3)->GetShownColor(), 0xFF643219u);
  // An index past the tabs selects tab 0.
  page_->SelectTab(7);
  EXPECT_EQ(page_->GetTab(), 0);
  EXPECT_TRUE(As<COptionUI>("mouse_device_seting_option_0")->IsSelected());
  EXPECT_FALSE(As<COptionUI>("mouse_device_seting_option_2")->IsSelected());
}

TEST_F(MousePageTest, AWriteTheMouseRefusesIsToldAndTheDocumentKeepsIt) {
  fw_->injectFault({sim::FaultKind::StatusFF, kWriteSettings, 0, 5});
  Slide("DPI_slider_0", 25);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "mouse_write_failed");
  EXPECT_EQ(Saved()->getStages()[0].x, 25);
  EXPECT_EQ(As<CSliderUI>("DPI_slider_0")->GetValue(), 25);
  // Unplugged: the page works on the document and says nothing.
  page_->Controller().transport().disconnect();
  Slide("DPI_slider_0", 26);
  EXPECT_EQ(messages_.size(), 1u);
  EXPECT_EQ(Saved()->getStages()[0].x, 26);
}

TEST_F(MousePageTest, AKeyPictureOpensTheAssignmentEditorAndItsCodeReachesTheKeyTable) {
  page_->SelectTab(1);
  CKeySetControlUI* editor = page_->KeyEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_FALSE(editor->GetOwnVisible());
  ASSERT_TRUE(C("key_3")->Activate());
  EXPECT_TRUE(editor->GetOwnVisible());
  EXPECT_EQ(page_->GetEditedButton(), 3);
  EXPECT_EQ(editor->Model().assigned(), page_->Mouse().buttons()[3].assignment);
  EXPECT_FALSE(C("device_tishi_info")->GetOwnVisible());

  // Vertical scroll, five steps.
  auto* functions = As<CComboUI>("keyset_function_combo");
  int scroll = -1;
  for (int i = 0; i < functions->GetItemCount(); ++i)
    if (functions->GetItemUserData(i).toInt() == 3) scroll = i;
  ASSERT_GE(scroll, 0);
  functions->GetComboBox()->setCurrentIndex(scroll);
  emit functions->GetComboBox()->activated(scroll);
  auto* count = As<CEditUI>("keyset_mousewheel_num_edit");
  count->GetLineEdit()->selectAll();
  QTest::keyClicks(count->GetLineEdit(), "5");
  const FunctionCode built = editor->BuildCode();
  EXPECT_EQ(built.type, 0x12);
  ASSERT_TRUE(C("key_butt_keysave")->Activate());
  EXPECT_FALSE(editor->GetOwnVisible());
  EXPECT_EQ(page_->GetEditedButton(), -1);

  EXPECT_EQ(Saved()->getKeyList()[3].assignment, built);
  const auto map = page_->Mouse().slotMap();
  ASSERT_TRUE(map);
  const size_t slot = (*map)[3];
  const std::vector<uint8_t> table = fw_->keyTable();
  ASSERT_GE(table.size(), slot * 3 + 3);
  EXPECT_EQ(table[slot * 3], built.type);
  EXPECT_EQ(table[slot * 3 + 1], built.param1);
  EXPECT_EQ(table[slot * 3 + 2], built.param2);
  // The other buttons keep their codes.
  const size_t left = (*map)[0];
  EXPECT_EQ((FunctionCode{table[left * 3], table[left * 3 + 1], table[left * 3 + 2]}),
            page_->Mouse().buttons()[0].assignment);
}

// A real left click on whatever widget lies under the middle of the control.
void ClickOver(CControlUI* control) {
  ASSERT_NE(control, nullptr);
  QWidget* w = control->GetWidget();
  QWidget* window = w->window();
  const QPoint at = window->mapFromGlobal(w->mapToGlobal(w->rect().center()));
  QWidget* under = window->childAt(at);
  ASSERT_NE(under, nullptr) << control->GetName().toStdString();
  QTest::mouseClick(under, Qt::LeftButton, {}, under->mapFrom(window, at));
}

TEST_F(MousePageTest, TheListBesideThePictureNamesEveryButtonAndWhatItDoesNow) {
  // The page is the one shown, so its controls can be clicked.
  auto* pages = wnd_->Find<CTabLayoutUI>("device_switch");
  pages->SelectItem(pages->GetItemIndex(page_));
  wnd_->Find<CControlUI>("No_device_Link")->SetVisible(false);
  QCoreApplication::processEvents();
  ClickOver(C("mouse_device_seting_option_1"));
  ASSERT_EQ(page_->GetTab(), 1);
  // The picture and the list call button 3 by the same name; it goes forward out of the box.
  EXPECT_EQ(C("key_3")->GetToolTip(), QStringLiteral("Forward button"));
  EXPECT_EQ(C("mouse_button_name_3")->GetText(), QStringLiteral("Forward button"));
  EXPECT_EQ(C("mouse_button_function_3")->GetText(), QStringLiteral("Forward"));
  EXPECT_EQ(C("mouse_button_function_5")->GetText(), QStringLiteral("DPI up"));

  // A click on the row edits that button; the editor says which one.
  ClickOver(C("mouse_button_function_3"));
  EXPECT_EQ(page_->GetEditedButton(), 3);
  EXPECT_EQ(C("keyset_title")->GetText(), QStringLiteral("Forward button"));
  EXPECT_NE(C("mouse_button_row_3")->GetBkColor(), 0u);
  EXPECT_EQ(C("mouse_button_row_4")->GetBkColor(), 0u);

  // Made a back button, the row says so as soon as it is saved.
  auto* functions = As<CComboUI>("keyset_function_combo");
  for (int i = 0; i < functions->GetItemCount(); ++i)
    if (functions->GetItemUserData(i).toInt() == 1) {
      functions->GetComboBox()->setCurrentIndex(i);
      emit functions->GetComboBox()->activated(i);
    }
  auto* buttons = As<CComboUI>("keyset_mousekey_combo");
  for (int i = 0; i < buttons->GetItemCount(); ++i)
    if (buttons->GetItemText(i) == QStringLiteral("Back")) {
      buttons->GetComboBox()->setCurrentIndex(i);
      emit buttons->GetComboBox()->activated(i);
    }
  ClickOver(C("key_butt_keysave"));
  EXPECT_EQ(page_->GetEditedButton(), -1);
  EXPECT_EQ(C("mouse_button_function_3")->GetText(), QStringLiteral("Back"));
  EXPECT_EQ(C("mouse_button_row_3")->GetBkColor(), 0u);
  EXPECT_EQ(Saved()->getKeyList()[3].assignment, (FunctionCode{0x10, 0x08, 0x00}));

  // The profile selector offers no function tabs of its own on this page.
  EXPECT_FALSE(C("device_function_tabs")->IsVisible());
  EXPECT_EQ(C("profile_fun_spread_btn"), nullptr);
}

TEST_F(MousePageTest, ASwitchedProfileIsLoadedAndWrittenNotResetToFactory) {
  Slide("DPI_slider_0", 25);
  ASSERT_EQ(Block()[14 + 2], 25);
  const int factory = page_->Mouse().stages()[1].x;
  CDeviceProfileUI* selector = page_->Profile().Selector();
  ASSERT_NE(selector, nullptr);
  ASSERT_TRUE(selector->Add().ok());
  ASSERT_TRUE(selector->Select(1, false).ok());
  ASSERT_TRUE(page_->Profile().Rebind());
  // The new profile is the factory settings, shown and written to the mouse.
  const int fresh = page_->Mouse().stages()[0].x;
  EXPECT_NE(fresh, 25);
  EXPECT_EQ(Block()[14 + 2], fresh);
  EXPECT_EQ(As<CSliderUI>("DPI_slider_0")->GetValue(), fresh);
  EXPECT_EQ(page_->Mouse().stages()[1].x, factory);

  // Back to the first: its own value comes back and goes to the mouse.
  ASSERT_TRUE(selector->Select(0, false).ok());
  ASSERT_TRUE(page_->Profile().Rebind());
  EXPECT_EQ(page_->Mouse().stages()[0].x, 25);
  EXPECT_EQ(Block()[14 + 2], 25);
  EXPECT_EQ(Saved()->getStages()[0].x, 25);
}

TEST_F(MousePageTest, DpiCalculatorOnlyMirrors) {
  const size_t writes = fw_->countOf(kWriteSettings);
  Slide("zelto_DPI_slider_1", 1600);
  EXPECT_EQ(C("zelto_DPI_edit_1")->GetText(), "1600");
  Type("zelto_DPI_edit_1", "9000");
  EXPECT_EQ(C("zelto_DPI_edit_1")->GetText(), "6500");
  EXPECT_EQ(As<CSliderUI>("zelto_DPI_slider_1")->GetValue(), 6500);
  Type("zelto_DPI_edit_1", "");
  EXPECT_EQ(C("zelto_DPI_edit_1")->GetText(), "200");
  EXPECT_EQ(fw_->countOf(kWriteSettings), writes);
}

}  // namespace
}  // namespace tessel::ui
