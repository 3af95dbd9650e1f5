// Controls driven by real input and by code: notifications, option groups
// and tab binding, number edits, per-control timers on the manual clock,
// language texts.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <thread>

#include "qt_env.h"
#include "ui/toolkit/builder.h"
#include "ui/toolkit/controls.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {
namespace {

struct Seen {
  QString type, sender;
  WPARAM wParam;
  LPARAM lParam;
};

class TestWnd : public WindowImplBase {
 public:
  explicit TestWnd(QString xml) : xml_(std::move(xml)) {}
  QString GetWindowClassName() const override { return QStringLiteral("TestWnd"); }
  QString GetSkinFile() override { return xml_; }
  void Notify(TNotifyUI& msg) override {
    if (msg.sType == notify::kMouseEnter || msg.sType == notify::kMouseLeave || msg.sType == notify::kWindowSize)
      return;
    seen.push_back({msg.sType, msg.pSender ? msg.pSender->GetName() : QString(), msg.wParam, msg.lParam});
  }
  bool Saw(const QString& type, const QString& sender) const {
    for (const auto& s : seen)
      if (s.type == type && s.sender == sender) return true;
    return false;
  }
  std::vector<Seen> seen;
  QString xml_;
};

const char* kSkin =
    "<Window size=\"400,300\">"
    "<VerticalLayout name=\"root\">"
    " <HorizontalLayout height=\"30\">"
    "  <Button name=\"go_btn\" width=\"80\" text=\"Go\"/>"
    "  <Option name=\"tab_a\" width=\"60\" group=\"tabs\" bindtablayoutname=\"pages\" bindtabindex=\"0\" selected=\"true\"/>"
    "  <Option name=\"tab_b\" width=\"60\" group=\"tabs\" bindtablayoutname=\"pages\" bindtabindex=\"1\"/>"
    "  <CheckBox name=\"check\" width=\"60\"/>"
    "  <Edit name=\"dpi_edit\" width=\"80\" numberonly=\"true\" minvalue=\"100\" maxvalue=\"26000\"/>"
    " </HorizontalLayout>"
    " <TabLayout name=\"pages\">"
    "  <VerticalLayout name=\"page_a\"><Label name=\"hello\" text=\"%[hello_key]\"/></VerticalLayout>"
    "  <VerticalLayout name=\"page_b\"><Slider name=\"slider\" height=\"20\" min=\"0\" max=\"100\"/></VerticalLayout>"
    " </TabLayout>"
    "</VerticalLayout></Window>";

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureQtApp();
    CPaintManagerUI::SetDefaultScheduler(&clock_);
    wnd_ = std::make_unique<TestWnd>(QString::fromLatin1(kSkin));
    ASSERT_TRUE(wnd_->Create(nullptr, QStringLiteral("controls test"), WS_VISIBLE, 0, 0, 0, 400, 300));
    QCoreApplication::processEvents();
    pm_ = &wnd_->GetManager();
  }
  void TearDown() override {
    wnd_.reset();
    CPaintManagerUI::SetDefaultScheduler(nullptr);
  }
  QWidget* W(const char* name) { return pm_->FindControl(QString::fromLatin1(name))->GetWidget(); }

  ManualClock clock_;
  std::unique_ptr<TestWnd> wnd_;
  CPaintManagerUI* pm_ = nullptr;
};

TEST_F(ControlsTest, WindowInitArrivesOnceTheLoopRuns) {
  EXPECT_TRUE(wnd_->Saw(notify::kWindowInit, "root"));
}

TEST_F(ControlsTest, ClicksFromTheMouseAndFromCodeReachNotify) {
  QTest::mouseClick(W("go_btn"), Qt::LeftButton);
  EXPECT_TRUE(wnd_->Saw(notify::kClick, "go_btn"));
  wnd_->seen.clear();
  // Pressing and releasing outside the button is no click.
  QTest::mousePress(W("go_btn"), Qt::LeftButton);
  QTest::mouseRelease(W("go_btn"), Qt::LeftButton, {}, QPoint(-5, -5));
  EXPECT_FALSE(wnd_->Saw(notify::kClick, "go_btn"));
  pm_->SendNotify(pm_->FindControl("hello"), QStringLiteral("click_select_end"), 7, -3);
  ASSERT_EQ(wnd_->seen.size(), 1u);
  EXPECT_EQ(wnd_->seen[0].type, "click_select_end");
  EXPECT_EQ(wnd_->seen[0].sender, "hello");
  EXPECT_EQ(wnd_->seen[0].wParam, 7u);
  EXPECT_EQ(wnd_->seen[0].lParam, -3);
  // A disabled button stays silent.
  wnd_->seen.clear();
  pm_->FindControl("go_btn")->SetEnabled(false);
  QTest::mouseClick(W("go_btn"), Qt::LeftButton);
  EXPECT_TRUE(wnd_->seen.empty());
}

TEST_F(ControlsTest, OptionGroupIsExclusiveAndSelectsTheBoundPage) {
  auto* a = dynamic_cast<COptionUI*>(pm_->FindControl("tab_a"));
  auto* b = dynamic_cast<COptionUI*>(pm_->FindControl("tab_b"));
  auto* pages = dynamic_cast<CTabLayoutUI*>(pm_->FindControl("pages"));
  EXPECT_EQ(pages->GetCurSel(), 0);
  QTest::mouseClick(W("tab_b"), Qt::LeftButton);
  EXPECT_TRUE(b->IsSelected());
  EXPECT_FALSE(a->IsSelected());
  EXPECT_EQ(pages->GetCurSel(), 1);
  EXPECT_TRUE(pm_->FindControl("page_b")->IsVisible());
  EXPECT_FALSE(pm_->FindControl("page_a")->IsVisible());
  EXPECT_TRUE(wnd_->Saw(notify::kSelectChanged, "tab_b"));
  EXPECT_FALSE(wnd_->Saw(notify::kSelectChanged, "tab_a"));  // grouped: only the newly selected one
  // Clicking the selected option again keeps it selected.
  QTest::mouseClick(W("tab_b"), Qt::LeftButton);
  EXPECT_TRUE(b->IsSelected());
  // From code, without a notification.
  wnd_->seen.clear();
  a->Selected(true, false);
  EXPECT_FALSE(b->IsSelected());
  EXPECT_EQ(pages->GetCurSel(), 0);
  EXPECT_TRUE(wnd_->seen.empty());
  // A check box toggles and reports both ways.
  auto* check = dynamic_cast<CCheckBoxUI*>(pm_->FindControl("check"));
  QTest::mouseClick(W("check"), Qt::LeftButton);
  QTest::mouseClick(W("check"), Qt::LeftButton);
  EXPECT_FALSE(check->GetCheck());
  int changes = 0;
  for (const auto& s : wnd_->seen) changes += s.type == notify::kSelectChanged && s.sender == "check";
  EXPECT_EQ(changes, 2);
}

TEST_F(ControlsTest, NumberEditClampsInsteadOfRejecting) {
  auto* edit = dynamic_cast<CEditUI*>(pm_->FindControl("dpi_edit"));
  auto* line = edit->GetLineEdit();
  line->setFocus();
  QTest::keyClicks(line, "9x9999");  // the letter cannot be typed
  EXPECT_EQ(line->text(), "99999");
  QTest::keyClick(line, Qt::Key_Return);
  EXPECT_EQ(edit->GetText(), "26000");
  EXPECT_TRUE(wnd_->Saw(notify::kReturn, "dpi_edit"));
  line->clear();
  QTest::keyClicks(line, "5");
  EXPECT_TRUE(wnd_->Saw(notify::kTextChanged, "dpi_edit"));
  // Leaving the field clamps and reports killfocus.
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QCoreApplication::sendEvent(line, &out);
  EXPECT_EQ(edit->GetText(), "100");
  EXPECT_TRUE(wnd_->Saw(notify::kKillFocus, "dpi_edit"));
  // Text set by code is clamped too; an endless number ends at the range.
  edit->SetText(QStringLiteral("99999999999999999999"));
  EXPECT_EQ(edit->GetText(), "26000");
  edit->SetText(QStringLiteral("800"));
  EXPECT_EQ(edit->GetText(), "800");
}

TEST_F(ControlsTest, SliderDragAndRelease) {
  auto* pages = dynamic_cast<CTabLayoutUI*>(pm_->FindControl("pages"));
  pages->SelectItem(1);
  auto* slider = dynamic_cast<CSliderUI*>(pm_->FindControl("slider"));
  QWidget* w = slider->GetWidget();
  ASSERT_GT(w->width(), 100);
  QTest::mousePress(w, Qt::LeftButton, {}, QPoint(w->width() - 1, w->height() / 2));
  EXPECT_EQ(slider->GetValue(), 100);
  EXPECT_TRUE(wnd_->Saw(notify::kMoveValueChanged, "slider"));
  EXPECT_FALSE(wnd_->Saw(notify::kValueChanged, "slider"));
  QTest::mouseRelease(w, Qt::LeftButton, {}, QPoint(0, w->height() / 2));
  EXPECT_EQ(slider->GetValue(), 0);
  EXPECT_TRUE(wnd_->Saw(notify::kValueChanged, "slider"));
  slider->SetValue(250);
  EXPECT_EQ(slider->GetValue(), 100);
}

class TimerLabel : public CLabelUI {
 public:
  void DoEvent(TEventUI& event) override {
    if (event.Type == UIEvent::Timer) fired.push_back(static_cast<UINT>(event.wParam));
    CLabelUI::DoEvent(event);
  }
  std::vector<UINT> fired;
};

TEST_F(ControlsTest, PerControlTimersRunOnTheManualClock) {
  auto* root = dynamic_cast<CContainerUI*>(pm_->GetRoot());
  auto* tile = new TimerLabel;
  tile->SetName(QStringLiteral("tile"));
  root->Add(tile);
  ASSERT_TRUE(pm_->SetTimer(tile, 1001, 500));
  ASSERT_TRUE(pm_->SetTimer(tile, 1005, 5000));
  clock_.advance(Millis(499));
  EXPECT_TRUE(tile->fired.empty());
  clock_.advance(Millis(1));
  EXPECT_EQ(tile->fired, std::vector<UINT>({1001}));
  EXPECT_TRUE(wnd_->Saw(notify::kTimer, "tile"));
  pm_->KillTimer(tile, 1001);
  clock_.advance(Millis(4500));
  EXPECT_EQ(tile->fired, std::vector<UINT>({1001, 1005}));
  // Setting an id again restarts it.
  pm_->SetTimer(tile, 1005, 100);
  clock_.advance(Millis(100));
  EXPECT_EQ(tile->fired.back(), 1005u);
  EXPECT_EQ(tile->fired.size(), 3u);

  // Started from a worker thread; it runs where the clock runs its tasks.
  std::thread worker([&] { pm_->SetTimer(tile, 1002, 20); });
  worker.join();
  clock_.advance(Millis(20));
  EXPECT_EQ(tile->fired.back(), 1002u);

  // A deleted control loses its timers.
  root->Remove(tile);
  EXPECT_FALSE(pm_->HasTimer(tile, 1005));
  clock_.advance(Millis(10000));
  EXPECT_EQ(clock_.pendingTasks(), 0u);
}

TEST_F(ControlsTest, LanguageTextsLoadAndReload) {
  QTemporaryDir dir;
  const QString saved = CPaintManagerUI::GetResourcePath();
  CPaintManagerUI::SetResourcePath(dir.path());
  auto write = [&](const char* name, const char* text) {
    QFile f(dir.path() + '/' + QString::fromLatin1(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  };
  write("lan_a.xml", "<Language><Text id=\"hello_key\" value=\"Hello\"/></Language>");
  write("lan_b.xml", "<Language><Text id=\"hello_key\">Hallo</Text></Language>");
  auto* rm = CResourceManager::GetInstance();
  ASSERT_TRUE(rm->LoadLanguage(QStringLiteral("lan_a.xml")));
  rm->ReloadText();
  EXPECT_EQ(pm_->FindControl("hello")->GetText(), "Hello");
  rm->SetLanguage(QStringLiteral("Deutsch"));
  ASSERT_TRUE(rm->LoadLanguage(QStringLiteral("lan_b.xml")));
  rm->ReloadText();
  EXPECT_EQ(rm->GetLanguage(), "Deutsch");
  EXPECT_EQ(pm_->FindControl("hello")->GetText(), "Hallo");
  // A missing file keeps the texts; an unknown key shows as itself.
  EXPECT_FALSE(rm->LoadLanguage(QStringLiteral("lan_missing.xml")));
  EXPECT_EQ(rm->GetText(QStringLiteral("hello_key")), "Hallo");
  EXPECT_EQ(rm->GetText(QStringLiteral("message_text_99")), "message_text_99");
  rm->Release();
  CPaintManagerUI::SetResourcePath(saved);
}

TEST_F(ControlsTest, DpiScalesSizes) {
  CControlUI* btn = pm_->FindControl("go_btn");
  EXPECT_EQ(btn->GetWidget()->width(), 80);
  pm_->SetDPI(144);
  EXPECT_EQ(btn->GetWidget()->width(), 120);
  EXPECT_EQ(wnd_->GetHWND()->width(), 600);
  pm_->SetDPI(1000);  // clamped to 192
  EXPECT_EQ(pm_->GetDPI(), 192);
  EXPECT_EQ(btn->GetWidget()->width(), 160);
}

}  // namespace
}  // namespace tessel::ui
