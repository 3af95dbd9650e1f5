// The light editor built from its nested skin, driven by control name: what
// each control reports to its page, the field rules and the groups by mode.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QListView>

#include "../ui/qt_env.h"
#include "ui/device/light_control.h"
#include "ui/skin_tags.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {
namespace {

class EditorWnd : public WindowImplBase {
 public:
  QString GetWindowClassName() const override { return QStringLiteral("EditorTestWnd"); }
  QString GetSkinFile() override {
    return QStringLiteral("<Window size=\"420,420\"><VerticalLayout name=\"root\"><LightSetControlUI/>"
                          "</VerticalLayout></Window>");
  }
  CControlUI* CreateControl(const QString& tag) override { return CreateSkinTag(tag, this, &m_pm); }
  void Notify(TNotifyUI& msg) override {
    if (editor) editor->HandleNotify(msg);
  }
  CLightControlUI* editor = nullptr;
};

class LightEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseProjectResources();
    ASSERT_TRUE(wnd_.Create(nullptr, QStringLiteral("light editor"), WS_VISIBLE, 0, 0, 0, 420, 420));
    QCoreApplication::processEvents();
    editor_ = dynamic_cast<CLightControlUI*>(wnd_.GetManager().FindControl(QStringLiteral("LightControlItem")));
    ASSERT_NE(editor_, nullptr);
    wnd_.editor = editor_;
    std::vector<LightModeEntry> modes;
    for (int i = 0; i < 10; ++i) modes.push_back({"light_mode_" + std::to_string(i), i != 1, uint8_t(i)});
    editor_->FillModeList(modes, {"Party"}, 4, 4);
    editor_->onChange = [this](const LightRecord& r) { changes_.push_back(r); };
    LightRecord r;
    r.selectItem = 2;
    r.light = 3;
    r.speed = 1;
    r.fx = 1;
    r.multiColor = 1;
    r.red = 10;
    r.green = 20;
    r.blue = 30;
    editor_->ShowRecord(r);
  }
  CControlUI* C(const char* name) { return wnd_.GetManager().FindControl(QString::fromLatin1(name)); }
  void Send(const char* name, const QString& type) { wnd_.GetManager().SendNotify(C(name), type); }

  EditorWnd wnd_;
  CLightControlUI* editor_ = nullptr;
  std::vector<LightRecord> changes_;
};

TEST_F(LightEditorTest, ShowsTheRecordWithoutReportingIt) {
  EXPECT_EQ(C("deng_edit_R")->GetText(), "10");
  EXPECT_EQ(C("deng_edit_B")->GetText(), "30");
  EXPECT_EQ(dynamic_cast<CSliderUI*>(C("deng_light_slider"))->GetValue(), 3);
  EXPECT_EQ(dynamic_cast<CSliderUI*>(C("deng_speed_slider"))->GetMaxValue(), 4);
  EXPECT_EQ(dynamic_cast<CComboUI*>(C("light_combo_modeSelect"))->GetCurSel(), 2);
  EXPECT_TRUE(dynamic_cast<COptionUI*>(C("deng_FXL_check"))->IsSelected());
  EXPECT_FALSE(dynamic_cast<COptionUI*>(C("deng_FXR_check"))->IsSelected());
  EXPECT_TRUE(dynamic_cast<CCheckBoxUI*>(C("deng_7color_check"))->GetCheck());
  EXPECT_EQ(C("deng_Color_Pallet")->GetBkColor(), 0xFF0A141Eu);
  EXPECT_TRUE(changes_.empty());
  // Hidden modes keep their place; items are 30 px high; sequences start at 10.
  auto* combo = dynamic_cast<CComboUI*>(C("light_combo_modeSelect"));
  ASSERT_EQ(combo->GetItemCount(), 11);
  EXPECT_EQ(combo->GetItemUserData(10), "Party");
  auto* view = qobject_cast<QListView*>(combo->GetComboBox()->view());
  ASSERT_NE(view, nullptr);
  EXPECT_TRUE(view->isRowHidden(1));
  EXPECT_FALSE(view->isRowHidden(2));
  EXPECT_EQ(combo->GetComboBox()->itemData(0, Qt::SizeHintRole).toSize().height(), combo->Scale(30));
}

TEST_F(LightEditorTest, TypingThreeHundredIntoGreenStores255AndClearsMultiColour) {
  C("deng_edit_G")->SetText(QStringLiteral("300"));
  Send("deng_edit_G", notify::kKillFocus);
  ASSERT_EQ(changes_.size(), 1u);
  EXPECT_EQ(changes_[0].green, 255);
  EXPECT_EQ(changes_[0].multiColor, 0);
  EXPECT_EQ(changes_[0].red, 10);
  EXPECT_EQ(C("deng_edit_G")->GetText(), "255");
  EXPECT_FALSE(dynamic_cast<CCheckBoxUI*>(C("deng_7color_check"))->GetCheck());

  C("deng_edit_R")->SetText(QString());
  Send("deng_edit_R", notify::kReturn);
  ASSERT_EQ(changes_.size(), 2u);
  EXPECT_EQ(changes_[1].red, 0);
  EXPECT_EQ(C("deng_edit_R")->GetText(), "0");
  // The same value again reports nothing.
  Send("deng_edit_R", notify::kKillFocus);
  EXPECT_EQ(changes_.size(), 2u);
}

TEST_F(LightEditorTest, EachControlReportsItsField) {
  // Breathing has no direction: the checks cannot be used.
  EXPECT_FALSE(C("deng_FXR_check")->Activate());
  EXPECT_TRUE(changes_.empty());
  dynamic_cast<CComboUI*>(C("light_combo_modeSelect"))->SelectItem(0);
  ASSERT_EQ(changes_.size(), 1u);
  EXPECT_EQ(changes_.back().selectItem, 0);
  ASSERT_TRUE(C("deng_FXR_check")->Activate());
  ASSERT_EQ(changes_.size(), 2u);
  EXPECT_EQ(changes_.back().fx, 0);
  dynamic_cast<CSliderUI*>(C("deng_speed_slider"))->SetValue(4);
  Send("deng_speed_slider", notify::kValueChanged);
  EXPECT_EQ(changes_.back().speed, 4);
  dynamic_cast<CSliderUI*>(C("deng_light_slider"))->SetValue(0);
  Send("deng_light_slider", notify::kValueChanged);
  EXPECT_EQ(changes_.back().light, 0);
  ASSERT_TRUE(C("deng_7color_check")->Activate());
  EXPECT_EQ(changes_.back().multiColor, 0);
  // A palette entry fills all three boxes.
  const DWORD entry = C("color_option_3")->GetBkColor();
  ASSERT_TRUE(C("color_option_3")->Activate());
  EXPECT_EQ(changes_.back().red, (entry >> 16) & 0xFF);
  EXPECT_EQ(changes_.back().green, (entry >> 8) & 0xFF);
  EXPECT_EQ(changes_.back().blue, entry & 0xFF);
  EXPECT_EQ(C("deng_edit_G")->GetText(), QString::number((entry >> 8) & 0xFF));
  dynamic_cast<CComboUI*>(C("light_combo_modeSelect"))->SelectItem(7);
  EXPECT_EQ(changes_.back().selectItem, 7);
  EXPECT_EQ(changes_.size(), 7u);
  // Four-colour breathing has no colour: the entries cannot be used.
  EXPECT_FALSE(C("color_option_1")->Activate());
  EXPECT_EQ(changes_.size(), 7u);
}

TEST_F(LightEditorTest, PaletteSwatchOpensTheChooserWithTheColourAndTakesItsAnswer) {
  DWORD asked = 0;
  bool offered = false;
  editor_->SetColourChooser([&](DWORD colour, bool, bool offerMulti) {
    asked = colour;
    offered = offerMulti;
    return std::optional<CLightControlUI::ChosenColour>({0xFF3366CCu, false});
  });
  ASSERT_TRUE(C("deng_Color_Pallet")->Activate());
  EXPECT_EQ(asked, 0xFF0A141Eu);
  EXPECT_TRUE(offered);  // breathing offers multi-colour
  ASSERT_EQ(changes_.size(), 1u);
  EXPECT_EQ(changes_[0].red, 51);
  EXPECT_EQ(changes_[0].green, 102);
  EXPECT_EQ(changes_[0].blue, 204);
  EXPECT_EQ(changes_[0].multiColor, 0);
  // Cancelled: nothing.
  editor_->SetColourChooser([](DWORD, bool, bool) { return std::optional<CLightControlUI::ChosenColour>(); });
  ASSERT_TRUE(C("deng_Color_Pallet")->Activate());
  EXPECT_EQ(changes_.size(), 1u);
}

TEST_F(LightEditorTest, GroupsFollowTheModeAndTheSameLightButtonNeedsThePage) {
  LightRecord r = editor_->GetRecord();
  r.selectItem = 3;  // static
  editor_->ShowRecord(r);
  EXPECT_FALSE(C("deng_speed_layout")->IsEnabled());
  EXPECT_FALSE(C("deng_speed_slider")->IsEnabled());
  EXPECT_TRUE(C("deng_color_layout")->IsEnabled());
  EXPECT_FALSE(C("deng_7color_check")->IsEnabled());
  EXPECT_FALSE(C("deng_fx_layout")->IsEnabled());
  EXPECT_TRUE(C("lighteffect_layout")->IsEnabled());
  EXPECT_FALSE(C("deng_same_mode")->GetOwnVisible());
  editor_->SetSameModeAllowed(true);
  EXPECT_TRUE(C("deng_same_mode")->GetOwnVisible());
  int same = 0;
  editor_->onSameMode = [&] { ++same; };
  ASSERT_TRUE(C("deng_same_mode")->Activate());
  EXPECT_EQ(same, 1);

  r.selectItem = 0;  // wave: everything, but not shared
  editor_->ShowRecord(r);
  EXPECT_FALSE(C("deng_same_mode")->GetOwnVisible());
  EXPECT_TRUE(C("deng_fx_layout")->IsEnabled());
  EXPECT_TRUE(C("deng_speed_slider")->IsEnabled());
  r.selectItem = 10;  // a user sequence: nothing but the list
  editor_->ShowRecord(r);
  EXPECT_FALSE(C("deng_light_layout")->IsEnabled());
  EXPECT_FALSE(C("colorpallet_layout")->IsEnabled());
  EXPECT_TRUE(C("light_combo_modeSelect")->IsEnabled());
  // A mode the list does not have shows no mode selected.
  r.selectItem = 40;
  editor_->ShowRecord(r);
  EXPECT_EQ(dynamic_cast<CComboUI*>(C("light_combo_modeSelect"))->GetCurSel(), -1);
}

}  // namespace
}  // namespace tessel::ui
