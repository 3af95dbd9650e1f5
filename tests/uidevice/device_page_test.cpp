// The page half of the device objects: drag selection in the device picture,
// the key and light button tables, notifications of the page's own controls,
// function mode pages, and the skins of the four device pages.
#include <gtest/gtest.h>

#include <QTest>

#include "device_env.h"
#include "ui/startup.h"

namespace tessel::ui {
namespace {

using test::DeviceWnd;

const char* kPanelSkin =
    "<Window size=\"400,300\">"
    "<VerticalLayout name=\"root\">"
    " <SelectPanel name=\"panel\" width=\"300\" height=\"200\">"
    "  <DeviceKeyButton name=\"key_0\" float=\"true\" pos=\"10,10,40,40\"/>"
    "  <DeviceKeyButton name=\"key_1\" float=\"true\" pos=\"60,10,90,40\"/>"
    "  <DeviceKeyButton name=\"light_0\" float=\"true\" pos=\"10,100,40,130\"/>"
    "  <Button name=\"plain\" float=\"true\" pos=\"200,100,230,130\"/>"
    " </SelectPanel>"
    "</VerticalLayout></Window>";

class PageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseProjectResources();
    CPaintManagerUI::SetDefaultScheduler(&clock_);
  }
  void TearDown() override {
    wnd_.reset();
    CPaintManagerUI::SetDefaultScheduler(nullptr);
  }
  DeviceWnd& Open(const QString& skin = QStringLiteral("XML/main.xml")) {
    wnd_ = std::make_unique<DeviceWnd>(bus_, skin);
    EXPECT_TRUE(wnd_->Create(nullptr, QStringLiteral("device page test"), WS_VISIBLE, 0, 0, 0, 800, 572));
    QCoreApplication::processEvents();
    return *wnd_;
  }
  static InterfaceKey Identity(int row) { return supportedInterfaceTable()[static_cast<size_t>(row)]; }
  int Notes(const QString& note) const {
    return static_cast<int>(std::count(wnd_->notes.begin(), wnd_->notes.end(), note));
  }

  ManualClock clock_;
  sim::VirtualHidBus bus_;
  std::unique_ptr<DeviceWnd> wnd_;
};

TEST_F(PageTest, DraggingARectangleSelectsTheButtonsItTouchesAndDeselectsTheRest) {
  DeviceWnd& w = Open(QString::fromLatin1(kPanelSkin));
  auto* panel = w.Find<CSelectPanelUI>("panel");
  auto* k0 = w.Find<CDeviceKeyButtonUI>("key_0");
  auto* k1 = w.Find<CDeviceKeyButtonUI>("key_1");
  auto* l0 = w.Find<CDeviceKeyButtonUI>("light_0");
  ASSERT_TRUE(panel && k0 && k1 && l0);
  QWidget* pw = panel->GetWidget();
  const int s = k0->Scale(1);  // positions are 96-DPI units

  // From the lower right to the upper left across both keys.
  QTest::mousePress(pw, Qt::LeftButton, {}, QPoint(95 * s, 45 * s));
  QTest::mouseMove(pw, QPoint(50 * s, 30 * s));
  QTest::mouseMove(pw, QPoint(20 * s, 5 * s));
  QTest::mouseRelease(pw, Qt::LeftButton, {}, QPoint(20 * s, 5 * s));
  EXPECT_TRUE(k0->IsSelected());
  EXPECT_TRUE(k1->IsSelected());
  EXPECT_FALSE(l0->IsSelected());
  EXPECT_EQ(panel->GetSelectRect(), QRect(QPoint(20 * s, 5 * s), QPoint(95 * s, 45 * s)));
  EXPECT_EQ(Notes("click_select_end:panel"), 1);
  EXPECT_FALSE(panel->IsPressed());
  EXPECT_FALSE(panel->IsDragging());

  // A second rectangle around the light only: the keys lose their selection.
  QTest::mousePress(pw, Qt::LeftButton, {}, QPoint(5 * s, 95 * s));
  QTest::mouseMove(pw, QPoint(15 * s, 110 * s));
  QTest::mouseRelease(pw, Qt::LeftButton, {}, QPoint(15 * s, 110 * s));
  EXPECT_FALSE(k0->IsSelected());
  EXPECT_FALSE(k1->IsSelected());
  EXPECT_TRUE(l0->IsSelected());
  EXPECT_EQ(Notes("click_select_end:panel"), 2);

  // A click without movement selects nothing and says nothing.
  QTest::mousePress(pw, Qt::LeftButton, {}, QPoint(25 * s, 25 * s));
  QTest::mouseRelease(pw, Qt::LeftButton, {}, QPoint(25 * s, 25 * s));
  EXPECT_FALSE(k0->IsSelected());
  EXPECT_TRUE(l0->IsSelected());
  EXPECT_EQ(Notes("click_select_end:panel"), 2);

  // A disabled panel ignores the drag.
  panel->SetEnabled(false);
  QTest::mousePress(pw, Qt::LeftButton, {}, QPoint(0, 0));
  QTest::mouseMove(pw, QPoint(250 * s, 190 * s));
  QTest::mouseRelease(pw, Qt::LeftButton, {}, QPoint(250 * s, 190 * s));
  EXPECT_FALSE(k0->IsSelected());
  EXPECT_EQ(Notes("click_select_end:panel"), 2);
}

TEST_F(PageTest, InitialisePageKeepsOnlyButtonsWithinTheTables) {
  DeviceWnd& w = Open();
  CDialogBuilder builder;
  auto* page = dynamic_cast<CBrelvikUSBDevice*>(builder.Create(
      QStringLiteral("<BrelvikMouseDevice name=\"test_page\">"
                     " <VerticalLayout>"
                     "  <SelectPanel name=\"mouse_device_key_light\">"
                     "   <DeviceKeyButton name=\"key_0\"/><DeviceKeyButton name=\"key_10\"/>"
                     "   <DeviceKeyButton name=\"key_20\"/><DeviceKeyButton name=\"key_\"/>"
                     "   <DeviceKeyButton name=\"key_3x\"/><DeviceKeyButton name=\"light_14\"/>"
                     "   <DeviceKeyButton name=\"light_15\"/><Button name=\"key_5\"/>"
                     "  </SelectPanel>"
                     " </VerticalLayout>"
                     "</BrelvikMouseDevice>"),
      QString(), &w, &w.GetManager()));
  ASSERT_NE(page, nullptr);
  std::unique_ptr<CControlUI> owner(page);
  page->SetPageXmlName(QStringLiteral("XML/DeviceXml/mousedevice.xml"));
  page->SetKeyButtonCount(11);
  page->SetLightZoneCount(15);
  page->InitPage();
  ASSERT_NE(page->GetKeyButton(0), nullptr);
  EXPECT_EQ(page->GetKeyButton(0)->GetName(), "key_0");
  ASSERT_NE(page->GetKeyButton(10), nullptr);
  EXPECT_EQ(page->GetKeyButton(10)->GetName(), "key_10");
  EXPECT_EQ(page->GetKeyButton(5), nullptr);  // a plain button is no key button
  EXPECT_EQ(page->GetKeyButton(3), nullptr);  // "key_3x" is not a number
  EXPECT_EQ(page->GetKeyButton(20), nullptr);
  for (int i = 1; i < 10; ++i) EXPECT_EQ(page->GetKeyButton(i), nullptr) << i;
  ASSERT_NE(page->GetLightButton(14), nullptr);
  EXPECT_EQ(page->GetLightButton(14)->GetName(), "light_14");
  EXPECT_EQ(page->GetLightButton(15), nullptr);
  EXPECT_EQ(page->Controller().lightZoneCount(), 15);

  // A frame colours the visible light buttons with their zone's colour.
  page->Controller().setZoneColour(14, packZone(200, 100, 50, 128));
  page->ShowFrame(page->Controller().lightTick());
  EXPECT_EQ(page->GetLightButton(14)->GetShownColor(), 0xFF643219u);
  // With light control off the tick gives no frame and the buttons stay.
  page->Controller().setLightControlOn(false);
  page->Controller().setZoneColour(14, packZone(255, 255, 255, 255));
  page->ShowFrame(page->Controller().lightTick());
  EXPECT_EQ(page->GetLightButton(14)->GetShownColor(), 0xFF643219u);

  // Without a page XML name the page has no buttons and no zones.
  page->SetPageXmlName(QString());
  page->InitPage();
  EXPECT_EQ(page->GetKeyButtonCount(), 0);
  EXPECT_EQ(page->GetLightZoneCount(), 0);
  EXPECT_EQ(page->Controller().lightZoneCount(), 0);
  EXPECT_EQ(page->GetKeyButton(0), nullptr);
}

TEST_F(PageTest, EveryDevicePageSkinHasItsButtonsAndFunctionPages) {
  DeviceWnd& w = Open();
  const int kinds[] = {0, 1, 2, 3};
  const int identityRow[] = {4, 0, 8, 10};
  for (int o : kinds) {
    const test::BuiltPage p = w.CreatePage(o, Identity(identityRow[o]));
    ASSERT_TRUE(p.device && p.tile && p.power) << o;
    const DeviceXmlRow& xml = deviceXmlTable()[static_cast<size_t>(o)];
    for (int i = 0; i < xml.lightZoneCount; ++i) EXPECT_NE(p.device->GetLightButton(i), nullptr) << o << " light " << i;
    const int keys = o == 1 ? 16 : xml.keyButtonCount;  // the keyboard picture shows a subset of its keys
    for (int i = 0; i < keys; ++i) EXPECT_NE(p.device->GetKeyButton(i), nullptr) << o << " key " << i;
    EXPECT_NE(p.device->FindControl([](CControlUI* c) { return c->GetName() == "device_function_switch"; }), nullptr);
  }
  EXPECT_EQ(w.Find<CBrelvikUSBDevice>("mousedevice_page")->GetClass(), "BrelvikMouseDevice");
  EXPECT_EQ(w.Find<CBrelvikUSBDevice>("hs6533device_page")->GetClass(), "BrelvikHS6533Device");
}

TEST_F(PageTest, APageHearsOnlyItsOwnControls) {
  DeviceWnd& w = Open();
  const test::BuiltPage mouse = w.CreatePage(0, Identity(4));
  const test::BuiltPage keyboard = w.CreatePage(1, Identity(0));
  auto* recorder = dynamic_cast<test::RecordingMouse*>(mouse.device);
  ASSERT_NE(recorder, nullptr);
  CPaintManagerUI& pm = w.GetManager();
  pm.SendNotify(mouse.device->GetLightButton(2), notify::kClick);
  pm.SendNotify(keyboard.device->GetLightButton(2), notify::kClick);  // same name, other page
  pm.SendNotify(mouse.device, notify::kClick);                        // the page itself
  pm.SendNotify(mouse.tile->GetSelectOption(), notify::kSelectChanged);
  EXPECT_EQ(recorder->seen, std::vector<QString>{"click:light_2"});
}

TEST_F(PageTest, FunctionModeSelectsThePagesOfBothSwitches) {
  DeviceWnd& w = Open();
  const test::BuiltPage mouse = w.CreatePage(0, Identity(4));
  const test::BuiltPage headset = w.CreatePage(3, Identity(10));
  auto pages = [](CBrelvikUSBDevice* d) {
    auto find = [d](const char* name) {
      return dynamic_cast<CTabLayoutUI*>(d->FindControl([name](CControlUI* c) { return c->GetName() == name; }));
    };
    return std::make_pair(find("device_function_switch")->GetCurSel(), find("device_key_function_switch")->GetCurSel());
  };
  CBrelvikUSBDevice* m = mouse.device;
  m->SetFunctionMode(7);
  EXPECT_EQ(pages(m), std::make_pair(0, 2));
  m->SetFunctionMode(4);  // a mouse has the fourth function page; the key page stays
  EXPECT_EQ(pages(m), std::make_pair(3, 2));
  m->SetFunctionMode(2);
  EXPECT_EQ(pages(m), std::make_pair(0, 1));
  m->SetFunctionMode(8);
  EXPECT_EQ(pages(m), std::make_pair(1, 1));
  m->SetFunctionMode(5);
  EXPECT_EQ(pages(m), std::make_pair(2, 1));
  m->SetFunctionMode(42);
  EXPECT_EQ(pages(m), std::make_pair(0, 0));
  EXPECT_EQ(m->GetFunctionMode(), 42);
  headset.device->SetFunctionMode(4);  // no fourth page for a headset
  EXPECT_EQ(pages(headset.device), std::make_pair(0, 2));
}

TEST_F(PageTest, TagsAndFactoryNamesCreateTheDeviceControls) {
  test::EnsureQtApp();
  const char* tags[] = {"SelectPanel", "devicekeybutton", "DeviceOption", "MPDEVICEPOWER",
                        "BrelvikMouseDevice", "brelvikkeyboarddevice", "BrelvikMousePadDevice", "BrelvikHS6533Device"};
  const char* classes[] = {"SelectPanel", "DeviceKeyButton", "DeviceOption", "MpDevicePower",
                           "BrelvikMouseDevice", "BrelvikKeyboardDevice", "BrelvikMousePadDevice", "BrelvikHS6533Device"};
  for (size_t i = 0; i < std::size(tags); ++i) {
    std::unique_ptr<CControlUI> c(CreateSkinTag(QString::fromLatin1(tags[i]), nullptr, nullptr));
    ASSERT_NE(c, nullptr) << tags[i];
    EXPECT_EQ(c->GetClass(), QLatin1String(classes[i]));
  }
  std::unique_ptr<CControlUI> editor(CreateSkinTag(QStringLiteral("lightcontrol"), nullptr, nullptr));
  ASSERT_NE(editor, nullptr);
  EXPECT_EQ(editor->GetClass(), "LightControl");
  std::unique_ptr<CControlUI> magic(CreateSkinTag(QStringLiteral("MagicControl"), nullptr, nullptr));
  ASSERT_NE(magic, nullptr);
  EXPECT_EQ(magic->GetClass(), "MagicControl");
  std::unique_ptr<CControlUI> wave(CreateSkinTag(QStringLiteral("AudioRecord"), nullptr, nullptr));
  ASSERT_NE(wave, nullptr);
  EXPECT_EQ(wave->GetClass(), "AudioRecord");
  EXPECT_EQ(CreateSkinTag(QStringLiteral("CircleProgress"), nullptr, nullptr), nullptr);  // a tag with no control yet
  RegisterControlClasses();  // start-up's class table
  std::unique_ptr<CControlUI> base(CControlFactory::GetInstance()->CreateControl(QStringLiteral("CBrelvikUSBDevice")));
  ASSERT_NE(base, nullptr);
  EXPECT_EQ(base->GetClass(), "BrelvikUSBDevice");
  std::unique_ptr<CControlUI> pad(CControlFactory::GetInstance()->CreateControl(QStringLiteral("CBrelvikMousePadDevice")));
  ASSERT_NE(pad, nullptr);
  EXPECT_EQ(dynamic_cast<CBrelvikUSBDevice*>(pad.get())->SettingsChangedDelay(), 500);
}

}  // namespace
}  // namespace tessel::ui
