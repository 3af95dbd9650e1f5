// The mouse page's recoil tab on the emulated mouse: the recoil editor is
// driven by control name; the test reads the guns' files and what the
// emulated mouse keeps in its recoil memory.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "macros/recoil_file.h"
#include "../ui/real_input.h"
#include "mouse_tab_env.h"
#include "platform/json_file.h"
#include "ui/device/shoot_control.h"

namespace tessel::ui {
namespace {

namespace fs = std::filesystem;
using macros::RecoilEvent;
using test::ReadAll;

class RecoilEditorTest : public test::MouseTabTest {
 protected:
  void SetUp() override {
    MouseTabTest::SetUp();
    if (HasFatalFailure()) return;
    editor_ = page_->RecoilEditor();
    ASSERT_NE(editor_, nullptr);
    ASSERT_TRUE(editor_->IsReady());
    CShootControlUI::Hooks hooks;
    hooks.show = [this](const QString& text) { messages_.push_back(text); };
    hooks.chooseFile = [this](bool) { return chosenFile_; };
    editor_->SetHooks(std::move(hooks));
    ShowPage();
    page_->SelectTab(4);
  }
  fs::path GunFile(int gun) { return folder_ / macros::recoilFileName(gun); }
  std::vector<RecoilEvent> Events(int gun) { return macros::recoilEventsFromDocument(readJsonFile(GunFile(gun))); }
  QString Text(const char* name) { return C(name)->GetText(); }
  bool Selected(const QString& name) { return dynamic_cast<COptionUI*>(C(name))->IsSelected(); }
  // Only option `chosen` of the family `prefix` + 0 .. count - 1 is selected.
  bool OnlySelected(const char* prefix, int count, int chosen) {
    for (int i = 0; i < count; ++i)
      if (Selected(QLatin1String(prefix) + QString::number(i)) != (i == chosen)) return false;
    return true;
  }
  // The user types into a field and leaves it.
  void Type(const char* name, const char* text) {
    C(name)->SetText(QString::fromLatin1(text));
    Send(C(name), notify::kKillFocus);
  }

  CShootControlUI* editor_ = nullptr;
  QString chosenFile_;
};

TEST_F(RecoilEditorTest, StartsOnGunZeroShotOneWithTheFactoryFiles) {
  for (int g = 0; g < 4; ++g) EXPECT_EQ(ReadAll(GunFile(g)), ReadAll(factory_ / macros::recoilFileName(g))) << g;
  EXPECT_TRUE(OnlySelected("shoot_gun_op_", 4, 0));
  EXPECT_TRUE(OnlySelected("bullet_op_", 30, 0));
  EXPECT_EQ(Text("bullet_select_index"), "1");
  EXPECT_EQ(As<CTabLayoutUI>("shoot_image_display_switch")->GetCurSel(), 0);
  const macros::RecoilShot first = macros::shotFromDocument(readJsonFile(GunFile(0)), 0);
  EXPECT_EQ(Text("bullet_x_eidt"), QString::number(first.x));
  EXPECT_EQ(Text("bullet_delay_eidt"), QString::number(first.delay));
  EXPECT_EQ(As<CCheckBoxUI>("bullet_x_check")->GetCheck(), first.left);
  EXPECT_EQ(As<CCheckBoxUI>("bullet_y_check")->GetCheck(), !first.up);
  EXPECT_EQ(Text("bullet_x_check"), "Move left");
  EXPECT_EQ(Text("bullet_y_check"), "Move down");
}

TEST_F(RecoilEditorTest, AFieldLosingTheFocusStoresTheShotOfTheSelectedGun) {
  ASSERT_TRUE(Click("shoot_gun_op_1"));
  ASSERT_TRUE(Click("bullet_op_2"));
  EXPECT_EQ(As<CTabLayoutUI>("shoot_image_display_switch")->GetCurSel(), 1);
  EXPECT_EQ(Text("bullet_select_index"), "3");
  const auto gun0 = ReadAll(GunFile(0));
  As<CCheckBoxUI>("bullet_x_check")->SetCheck(true);  // left
  As<CCheckBoxUI>("bullet_y_check")->SetCheck(true);  // down
  Type("bullet_x_eidt", "3");
  Type("bullet_y_eidt", "12");
  Type("bullet_delay_eidt", "95");
  const auto events = Events(1);
  ASSERT_GE(events.size(), 18u);
  const std::vector<RecoilEvent> shot(events.begin() + 12, events.begin() + 18);
  const std::vector<RecoilEvent> expected{{true, 1, 1, 10}, {false, 1, 1, 0}, {true, 3, 4, 5},
                                          {false, 12, 5, 95}, {true, 0, 4, 0}, {false, 0, 5, 0}};
  EXPECT_EQ(shot, expected);
  EXPECT_EQ(ReadAll(GunFile(0)), gun0);
  // The fields read back what the file holds, for that gun and shot only.
  ASSERT_TRUE(Click("bullet_op_3"));
  ASSERT_TRUE(Click("bullet_op_2"));
  EXPECT_EQ(Text("bullet_y_eidt"), "12");
  EXPECT_TRUE(As<CCheckBoxUI>("bullet_y_check")->GetCheck());
  ASSERT_TRUE(Click("shoot_gun_op_0"));
  EXPECT_EQ(Text("bullet_select_index"), "3");
  EXPECT_EQ(Text("bullet_x_eidt"), QString::number(macros::shotFromDocument(readJsonFile(GunFile(0)), 2).x));
}

TEST_F(RecoilEditorTest, TickingMoveDownStoresTheMoveTheCommandLineCallsDown) {
  ASSERT_TRUE(test::ClickAt(C("bullet_op_5")));
  auto* down = As<CCheckBoxUI>("bullet_y_check");
  if (down->GetCheck()) {
    ASSERT_TRUE(test::ClickAt(down));
  }
  ASSERT_TRUE(test::TypeAt(C("bullet_y_eidt"), "12"));
  EXPECT_TRUE(macros::shotFromDocument(readJsonFile(GunFile(0)), 5).up);  // unticked: "recoil show" prints -12
  // A tick stores at once what the label says, and the label stays.
  ASSERT_TRUE(test::ClickAt(down));
  EXPECT_EQ(Text("bullet_y_check"), "Move down");
  EXPECT_FALSE(macros::shotFromDocument(readJsonFile(GunFile(0)), 5).up);  // +12: down
  // Switching shots keeps it.
  ASSERT_TRUE(test::ClickAt(C("bullet_op_6")));
  ASSERT_TRUE(test::ClickAt(C("bullet_op_5")));
  EXPECT_TRUE(down->GetCheck());
}

TEST_F(RecoilEditorTest, PreviousAndNextStopAtTheEndsAndTheFieldsClampToTheDevice) {
  ASSERT_TRUE(Click("bullet_selected_prev"));
  EXPECT_EQ(Text("bullet_select_index"), "1");
  EXPECT_TRUE(OnlySelected("bullet_op_", 30, 0));
  ASSERT_TRUE(Click("bullet_op_29"));
  ASSERT_TRUE(Click("bullet_selected_next"));
  EXPECT_EQ(Text("bullet_select_index"), "30");
  EXPECT_TRUE(OnlySelected("bullet_op_", 30, 29));
  ASSERT_TRUE(Click("bullet_selected_prev"));
  EXPECT_EQ(Text("bullet_select_index"), "29");
  EXPECT_TRUE(OnlySelected("bullet_op_", 30, 28));
  // A distance is one byte on the mouse and a delay two: the fields hold no more.
  Type("bullet_x_eidt", "300");
  Type("bullet_delay_eidt", "99999");
  const macros::RecoilShot stored = macros::shotFromDocument(readJsonFile(GunFile(0)), 28);
  EXPECT_EQ(stored.x, 255);
  EXPECT_EQ(stored.delay, 65535);
  EXPECT_EQ(Text("bullet_x_eidt"), "255");
}

TEST_F(RecoilEditorTest, ResetImportAndExportWorkOnTheSelectedGunsFile) {
  ASSERT_TRUE(Click("shoot_gun_op_2"));
  Type("bullet_x_eidt", "77");
  const auto changed = ReadAll(GunFile(2));
  ASSERT_NE(changed, ReadAll(factory_ / macros::recoilFileName(2)));
  chosenFile_ = QString::fromStdString((root_ / "spray.shoot").string());
  ASSERT_TRUE(Click("shootdate_export_btn"));
  EXPECT_EQ(ReadAll(root_ / "spray.shoot"), changed);

  ASSERT_TRUE(Click("shootdate_reset_btn"));
  EXPECT_EQ(ReadAll(GunFile(2)), ReadAll(factory_ / macros::recoilFileName(2)));
  EXPECT_NE(Text("bullet_x_eidt"), "77");

  ASSERT_TRUE(Click("shoot_gun_op_3"));
  ASSERT_TRUE(Click("shootdate_import_btn"));
  EXPECT_EQ(ReadAll(GunFile(3)), changed);
  EXPECT_EQ(Text("bullet_x_eidt"), "77");

  // Not a recoil file: refused with a sentence, the gun's file unchanged.
  std::ofstream(root_ / "bad.shoot") << "{\"Events\": 12}";
  chosenFile_ = QString::fromStdString((root_ / "bad.shoot").string());
  ASSERT_TRUE(Click("shootdate_import_btn"));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].endsWith(QLatin1Char('.')));
  EXPECT_EQ(ReadAll(GunFile(3)), changed);
}

TEST_F(RecoilEditorTest, WriteToMouseDownloadsTheFourPatternsAndShowsAFailure) {
  ASSERT_TRUE(Click("shoot_gun_op_1"));
  Type("bullet_x_eidt", "33");
  ASSERT_TRUE(Click("shootdate_save_btn"));
  EXPECT_TRUE(messages_.empty());
  const auto memory = fw_->recoilMemory();
  ASSERT_GE(memory.size(), 24u);
  EXPECT_EQ(memory[0], 0xAA);
  EXPECT_EQ(memory[1], 0x55);
  EXPECT_EQ(memory[4], 4);  // four guns
  // Gun 1's block: its first shot's horizontal move carries 33.
  const size_t block = memory[18] | (memory[19] << 8);
  ASSERT_GT(memory.size(), block + 4 + 2 * 4 + 3);
  EXPECT_EQ(memory[block + 4 + 2 * 4 + 3], 33);

  const auto before = fw_->recoilMemory();
  fw_->injectFault(sim::Fault{sim::FaultKind::StatusFF, 0x17, 0, 1});
  Type("bullet_x_eidt", "44");
  ASSERT_TRUE(Click("shootdate_save_btn"));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].startsWith(QLatin1String("The mouse did not take"))) << messages_[0].toStdString();
  EXPECT_EQ(fw_->recoilMemory(), before);
}

}  // namespace
}  // namespace tessel::ui
