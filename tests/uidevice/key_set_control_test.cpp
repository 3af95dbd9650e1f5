// The assignment editor built from its own skin, driven by control name: what
// its lists, boxes, checks and key presses make of a button's function.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include "../ui/qt_env.h"
#include "input/input_mapping.h"
#include "ui/device/key_set_control.h"
#include "ui/skin_tags.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {
namespace {

constexpr FunctionCode kLeftButton{0x10, 0x01, 0x00};
constexpr uint32_t kX11Offset = 8;
constexpr uint32_t kEvdevRightShift = 54, kEvdevC = 46, kEvdevNumLock = 69, kEvdevF13 = 183;

class EditorWnd : public WindowImplBase {
 public:
  QString GetWindowClassName() const override { return QStringLiteral("KeySetTestWnd"); }
  QString GetSkinFile() override {
    return QStringLiteral("<Window size=\"260,460\"><VerticalLayout><KeySetControlUI name=\"editor\"/></VerticalLayout></Window>");
  }
  CControlUI* CreateControl(const QString& tag) override { return CreateSkinTag(tag, this, &m_pm); }
  void Notify(TNotifyUI&) override {}
};

class KeySetControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseProjectResources();
    ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguage(QStringLiteral("lan_en.xml")));
    CPaintManagerUI::SetDefaultScheduler(&clock_);
    wnd_ = std::make_unique<EditorWnd>();
    ASSERT_TRUE(wnd_->Create(nullptr, QStringLiteral("key set test"), WS_VISIBLE, 0, 0, 0, 260, 460));
    QCoreApplication::processEvents();
    editor_ = dynamic_cast<CKeySetControlUI*>(wnd_->GetManager().FindControl(QStringLiteral("editor")));
    ASSERT_NE(editor_, nullptr);
    CKeySetControlUI::Callbacks cb;
    cb.store = [this](const FunctionCode& c) { stored_.push_back(c); };
    cb.prosave = [this] { ++prosaves_; };
    cb.closed = [this] { ++closes_; };
    editor_->SetCallbacks(std::move(cb));
  }
  void TearDown() override {
    wnd_.reset();
    CPaintManagerUI::SetDefaultScheduler(nullptr);
  }
  template <typename T = CControlUI>
  T* Find(const QString& name) {
    return dynamic_cast<T*>(wnd_->GetManager().FindControl(name));
  }
  CComboUI* Combo(const char* name) {
    auto* c = Find<CComboUI>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  // The user picks an item of a list.
  void Choose(const char* name, int index) {
    QComboBox* box = Combo(name)->GetComboBox();
    box->setCurrentIndex(index);
    emit box->activated(index);
  }
  void Click(const QString& name) {
    CControlUI* c = Find(name);
    ASSERT_NE(c, nullptr) << name.toStdString();
    ASSERT_TRUE(c->IsVisible()) << name.toStdString();
    QCoreApplication::processEvents();
    QTest::mouseClick(c->GetWidget(), Qt::LeftButton);
  }
  void Type(const char* name, const QString& text) {
    auto* edit = Find<CEditUI>(QString::fromLatin1(name));
    ASSERT_NE(edit, nullptr) << name;
    edit->GetLineEdit()->selectAll();
    QTest::keyClicks(edit->GetLineEdit(), text);
  }
  // A key press of the key with this evdev code, as the main window's input
  // hook hands it on while the key box has the focus (key capture, mode 1).
  void Press(uint32_t evdev) {
    const auto event = input::eventFromX11Key(evdev + kX11Offset, true);
    if (event) editor_->CaptureKey(event->scanCode, event->extended);
  }
  int FunctionShown() {
    CComboUI* f = Combo("keyset_function_combo");
    return f->GetCurSel() < 0 ? -1 : f->GetItemUserData(f->GetCurSel()).toInt();
  }
  bool Checked(int i) {
    return Find<CCheckBoxUI>(QStringLiteral("key_ComBox_check_%1").arg(i))->GetCheck();
  }

  ManualClock clock_;
  std::unique_ptr<EditorWnd> wnd_;
  CKeySetControlUI* editor_ = nullptr;
  std::vector<FunctionCode> stored_;
  int prosaves_ = 0, closes_ = 0;
};

TEST_F(KeySetControlTest, EveryControlIsThereAndTheListsComeFromTheTables) {
  const char* names[] = {"keyset_function_combo", "keyset_mousekey_combo", "keyset_mouseswing_combo",
                         "keyset_mouseswing_num_edit", "keyset_mouseswing_delay_edit", "keyset_mouseswing_speed_edit",
                         "keyset_mousewheel_combo", "keyset_mousewheel_num_edit", "keyset_mousewheel_delay_edit",
                         "keyset_mousewheel_speed_edit", "keyset_mousedpi_combo", "keyset_mousefire_interval_edit",
                         "keyset_mousefire_num_edit", "keyset_keyboard_text_edit", "key_ComBox_check_0",
                         "key_ComBox_check_1", "key_ComBox_check_2", "key_ComBox_check_3", "key_ComBox_check_4",
                         "keyset_media_combo", "keyset_system_combo", "keyset_macro_combo", "keyset_macro_over_combo",
                         "keyset_macro_cycle_layout", "keyset_macro_cycle_edit", "keyset_gunkey_combo",
                         "keyset_combokey_combo", "key_butt_keysave", "key_butt_keydefalut", "key_butt_keycancel",
                         "key_butt_prosave"};
  for (const char* n : names) EXPECT_NE(Find(QString::fromLatin1(n)), nullptr) << n;

  CComboUI* functions = Combo("keyset_function_combo");
  ASSERT_EQ(functions->GetItemCount(), 12);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(functions->GetItemUserData(i), QString::number(i));
  EXPECT_EQ(functions->GetItemText(6), "Keyboard key");
  EXPECT_EQ(Combo("keyset_media_combo")->GetItemCount(), 18);
  EXPECT_EQ(Combo("keyset_media_combo")->GetItemText(6), "Volume up");
  EXPECT_EQ(Combo("keyset_mousekey_combo")->GetItemText(1), "Middle button");
  EXPECT_EQ(Combo("keyset_combokey_combo")->GetItemCount(), 11);
  EXPECT_EQ(Combo("keyset_gunkey_combo")->GetItemCount(), 4);
  EXPECT_EQ(Combo("keyset_macro_over_combo")->GetItemCount(), 5);
  EXPECT_EQ(Combo("keyset_macro_combo")->GetItemCount(), 0);

  // Names of codes as a page shows them.
  const std::vector<std::string> macros{"Reload"};
  EXPECT_EQ(FunctionDisplayText(FunctionCode{0x20, 0x01, 0x06}), "Left Ctrl+C");
  EXPECT_EQ(FunctionDisplayText(FunctionCode{0x71, 0, 3}, macros), "Reload");
  EXPECT_EQ(FunctionDisplayText(FunctionCode{0x70, 1, 0}, macros), "");
  EXPECT_EQ(FunctionDisplayText(FunctionCode{0x20, 0x00, 0x00}), "Disabled");

  // Another language refills the lists and the key box, keeping the choices.
  editor_->LoadRecord(FunctionCode{0x20, 0x00, 0x2C}, kLeftButton);
  Choose("keyset_media_combo", 6);
  EXPECT_EQ(Find(QStringLiteral("keyset_keyboard_text_edit"))->GetText(), "Space");
  ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguage(QStringLiteral("lan_cn.xml")));
  CResourceManager::GetInstance()->ReloadText();
  EXPECT_EQ(Combo("keyset_media_combo")->GetItemText(6), QString::fromUtf8("音量+"));
  EXPECT_EQ(Combo("keyset_media_combo")->GetCurSel(), 6);
  EXPECT_EQ(Find(QStringLiteral("keyset_keyboard_text_edit"))->GetText(), QString::fromUtf8("空格"));
  EXPECT_EQ(FunctionShown(), 6);
}

TEST_F(KeySetControlTest, ScrollShownAndEdited) {
  editor_->LoadRecord(FunctionCode{0x12, 0x00, 0xFD}, kLeftButton);
  EXPECT_EQ(FunctionShown(), 3);
  EXPECT_EQ(Find<CTabLayoutUI>(QStringLiteral("keyset_function_switch"))->GetCurSel(), 3);
  EXPECT_EQ(Find(QStringLiteral("keyset_mousewheel_num_edit"))->GetText(), "3");
  EXPECT_EQ(Combo("keyset_mousewheel_combo")->GetCurSel(), 1);

  Type("keyset_mousewheel_num_edit", "5");
  Type("keyset_mousewheel_delay_edit", "2");
  Click(QStringLiteral("key_butt_keysave"));
  ASSERT_EQ(stored_.size(), 1u);
  EXPECT_EQ(stored_[0], (FunctionCode{0x12, 0x20, 0xFB}));
  EXPECT_EQ(closes_, 1);
  // Closing empties the editor.
  EXPECT_EQ(editor_->Model().assigned(), FunctionCode{});

  // Switching to horizontal scroll by the function list.
  editor_->LoadRecord(kLeftButton, kLeftButton);
  EXPECT_EQ(FunctionShown(), 0);
  Choose("keyset_function_combo", 2);
  EXPECT_EQ(Find<CTabLayoutUI>(QStringLiteral("keyset_function_switch"))->GetCurSel(), 2);
  Choose("keyset_mouseswing_combo", 1);
  Type("keyset_mouseswing_num_edit", "3");
  Click(QStringLiteral("key_butt_keysave"));
  ASSERT_EQ(stored_.size(), 2u);
  EXPECT_EQ(stored_[1], (FunctionCode{0x11, 0x00, 0x83}));
}

TEST_F(KeySetControlTest, KeysArePressedIntoTheKeyBox) {
  editor_->LoadRecord(kLeftButton, kLeftButton);
  Choose("keyset_function_combo", 6);
  Press(kEvdevRightShift);
  EXPECT_TRUE(Checked(2));
  Press(kEvdevC);
  EXPECT_EQ(Find(QStringLiteral("keyset_keyboard_text_edit"))->GetText(), "C");
  // What is typed never lands in the box; unknown keys change nothing.
  QTest::keyClicks(Find<CEditUI>(QStringLiteral("keyset_keyboard_text_edit"))->GetLineEdit(), "xyz");
  Press(kEvdevF13);
  EXPECT_EQ(Find(QStringLiteral("keyset_keyboard_text_edit"))->GetText(), "C");
  EXPECT_EQ(editor_->BuildCode(), (FunctionCode{0x20, 0x02, 0x06}));

  // Only the modifier changes: the key stays.
  Click(QStringLiteral("key_ComBox_check_3"));
  EXPECT_TRUE(Checked(3));
  EXPECT_FALSE(Checked(2));
  Click(QStringLiteral("key_butt_keysave"));
  ASSERT_EQ(stored_.size(), 1u);
  EXPECT_EQ(stored_[0], (FunctionCode{0x20, 0x04, 0x06}));

  // A shown code keeps its key too, and Num Lock is not Pause.
  editor_->LoadRecord(FunctionCode{0x20, 0x01, 0x06}, kLeftButton);
  EXPECT_EQ(FunctionShown(), 6);
  EXPECT_TRUE(Checked(1));
  Press(kEvdevNumLock);
  EXPECT_EQ(Find(QStringLiteral("keyset_keyboard_text_edit"))->GetText(), "Num Lock");
  EXPECT_EQ(editor_->BuildCode(), (FunctionCode{0x20, 0x01, 0x53}));

  // A right-Ctrl shortcut shows on the shortcut page.
  editor_->LoadRecord(FunctionCode{0x20, 0x10, 0x06}, kLeftButton);
  EXPECT_EQ(FunctionShown(), 11);
  EXPECT_EQ(Combo("keyset_combokey_combo")->GetItemText(Combo("keyset_combokey_combo")->GetCurSel()), "Copy");
}

TEST_F(KeySetControlTest, MacrosAndTheRepeatBox) {
  editor_->SetMacroNames({"Reload", "Spray"});
  EXPECT_EQ(Combo("keyset_macro_combo")->GetItemCount(), 2);
  editor_->LoadRecord(FunctionCode{0x71, 1, 5}, kLeftButton);
  EXPECT_EQ(FunctionShown(), 9);
  EXPECT_EQ(Combo("keyset_macro_combo")->GetCurSel(), 1);
  EXPECT_EQ(Combo("keyset_macro_over_combo")->GetCurSel(), 4);
  EXPECT_TRUE(Find(QStringLiteral("keyset_macro_cycle_layout"))->GetOwnVisible());
  EXPECT_EQ(Find(QStringLiteral("keyset_macro_cycle_edit"))->GetText(), "5");

  Choose("keyset_macro_over_combo", 2);
  EXPECT_FALSE(Find(QStringLiteral("keyset_macro_cycle_layout"))->GetOwnVisible());
  Choose("keyset_macro_combo", 0);
  EXPECT_EQ(editor_->BuildCode(), (FunctionCode{0x70, 0, 2}));

  // A macro beyond the list selects nothing and is kept when saved.
  editor_->LoadRecord(FunctionCode{0x70, 7, 0}, kLeftButton);
  EXPECT_EQ(Combo("keyset_macro_combo")->GetCurSel(), -1);
  Click(QStringLiteral("key_butt_keysave"));
  ASSERT_EQ(stored_.size(), 1u);
  EXPECT_EQ(stored_[0], (FunctionCode{0x70, 7, 0}));
}

TEST_F(KeySetControlTest, DefaultCancelAndSendToMouse) {
  const FunctionCode fireDefault{0x14, 0x78, 0x02};
  editor_->LoadRecord(FunctionCode{0x30, 0xE9, 0x00}, fireDefault);
  EXPECT_EQ(FunctionShown(), 7);
  EXPECT_EQ(Combo("keyset_media_combo")->GetCurSel(), 6);

  Click(QStringLiteral("key_butt_prosave"));
  EXPECT_EQ(prosaves_, 1);
  EXPECT_EQ(closes_, 0);

  Click(QStringLiteral("key_butt_keycancel"));
  EXPECT_TRUE(stored_.empty());
  EXPECT_EQ(closes_, 1);

  editor_->LoadRecord(FunctionCode{0x30, 0xE9, 0x00}, fireDefault);
  Click(QStringLiteral("key_butt_keydefalut"));
  ASSERT_EQ(stored_.size(), 1u);
  EXPECT_EQ(stored_[0], fireDefault);
  EXPECT_EQ(closes_, 2);

  // A code the editor has no page for is shown as kept and saved unchanged.
  editor_->LoadRecord(FunctionCode{0x16, 0x20, 0x03}, fireDefault);
  EXPECT_EQ(FunctionShown(), -1);
  EXPECT_EQ(Find<CTabLayoutUI>(QStringLiteral("keyset_function_switch"))->GetCurSel(), 12);
  Click(QStringLiteral("key_butt_keysave"));
  ASSERT_EQ(stored_.size(), 2u);
  EXPECT_EQ(stored_[1], (FunctionCode{0x16, 0x20, 0x03}));
}

}  // namespace
}  // namespace tessel::ui
