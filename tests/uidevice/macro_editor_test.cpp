// The mouse page's macro editor on the emulated mouse: the page is built as
// the main window builds it, driven by control name, and the test looks at
// the library's files, the profile documents and what the emulated mouse
// keeps in its macro memory and key table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "config/key_assignment.h"
#include "config/mouse_profiledata.h"
#include "macros/macro_library.h"
#include "../ui/real_input.h"
#include "mouse_tab_env.h"
#include "ui/device/device_profile.h"
#include "ui/device/key_set_control.h"
#include "ui/device/macro_action_list.h"
#include "ui/device/macro_control.h"

namespace tessel::ui {
namespace {

namespace fs = std::filesystem;
using macros::MacroEvent;
using test::ReadAll;
using test::Snapshot;

class MacroEditorTest : public test::MouseTabTest {
 protected:
  void SetUp() override {
    MouseTabTest::SetUp();
    if (HasFatalFailure()) return;
    editor_ = page_->MacroEditor();
    ASSERT_NE(editor_, nullptr);
    CMacroControlUI::Hooks hooks;
    hooks.ask = [this](const QString& text) {
      asked_.push_back(text);
      const bool yes = answers_.empty() ? true : answers_.front();
      if (!answers_.empty()) answers_.erase(answers_.begin());
      return yes;
    };
    hooks.show = [this](const QString& text) { messages_.push_back(text); };
    hooks.chooseFile = [this](bool save) {
      chosenForSave_.push_back(save);
      return chosenFile_;
    };
    hooks.openMenu = [this](const QPoint&) { ++menusOpened_; };
    editor_->SetHooks(std::move(hooks));
    ShowPage();
    page_->SelectTab(3);
  }

  CListUI* Names() { return As<CListUI>("macro_name_list"); }
  CMacroActionListUI* Rows() { return As<CMacroActionListUI>("macro_action_list"); }
  // The user picks row `row` of the event list.
  void PickRow(int row) { Rows()->SelectItem(row); }
  // The user types into row `row`'s delay field and leaves it.
  void TypeDelay(int row, const char* text) {
    CEditUI* field = Rows()->GetRow(row)->DelayField();
    Send(field, notify::kSetFocus);
    field->SetText(QString::fromLatin1(text));
    Send(field, notify::kTextChanged);
    Send(field, notify::kKillFocus);
  }
  std::vector<MacroEvent> Saved(size_t index) {
    macros::MacroLibrary library(folder_, clock_);
    library.load();
    return library.loadEvents(index);
  }
  // Binds button `button` to macro `macro` through the assignment editor, as a user does.
  void BindButton(int button, int macro) {
    page_->OpenKeyEditor(button);
    auto* functions = As<CComboUI>("keyset_function_combo");
    int item = -1;
    for (int i = 0; i < functions->GetItemCount(); ++i)
      if (functions->GetItemUserData(i).toInt() == static_cast<int>(FunctionList::Macro)) item = i;
    ASSERT_GE(item, 0);
    ChooseCombo("keyset_function_combo", item);
    ChooseCombo("keyset_macro_combo", macro);
    ChooseCombo("keyset_macro_over_combo", 0);
    ASSERT_TRUE(Click("key_butt_keysave"));
  }
  // The three key table bytes the mouse keeps for logical button `button`.
  std::vector<uint8_t> KeySlot(int button) {
    const auto map = page_->Mouse().slotMap();
    EXPECT_TRUE(map.has_value());
    const size_t slot = (*map)[static_cast<size_t>(button)];
    const auto table = fw_->keyTable();
    if (3 * slot + 3 > table.size()) return {};
    return {table.begin() + static_cast<long>(3 * slot), table.begin() + static_cast<long>(3 * slot + 3)};
  }
  void CreateWithEvents(int clicks) {
    ASSERT_TRUE(Click("macro_btn_name_add"));
    for (int i = 0; i < clicks; ++i) ASSERT_TRUE(editor_->ChooseMenuItem(QStringLiteral("left_click")));
    ASSERT_TRUE(Click("macro_btn_save"));
  }
  QString SaveLine() { return C("macro_save_status")->GetText(); }

  CMacroControlUI* editor_ = nullptr;
  std::vector<QString> asked_;
  std::vector<bool> answers_, chosenForSave_;
  QString chosenFile_;
  int menusOpened_ = 0;
};

TEST_F(MacroEditorTest, AMacroMadeInTheEditorAndBoundReachesTheMouse) {
  // Nothing selected: the event panels and the per-macro buttons are unavailable.
  EXPECT_FALSE(C("macro_btn_save")->IsEnabled());
  EXPECT_FALSE(C("macro_btn_name_sub")->IsEnabled());
  ASSERT_TRUE(Click("macro_btn_name_add"));
  ASSERT_EQ(Names()->GetItemCount(), 1);
  EXPECT_EQ(Names()->GetItemText(0), "macro_1");
  EXPECT_EQ(Names()->GetCurSel(), 0);
  EXPECT_FALSE(Names()->GetItemUserData(0).isEmpty());
  EXPECT_TRUE(C("macro_btn_save")->IsEnabled());
  EXPECT_TRUE(C("macro_btn_name_sub")->IsEnabled());
  // The assignment editor offers the new macro.
  EXPECT_EQ(As<CComboUI>("keyset_macro_combo")->GetItemCount(), 1);

  // A click from the menu is a press and a release; a move of 300 to the
  // left is stored as 44 when saved.
  ASSERT_TRUE(editor_->ChooseMenuItem(QStringLiteral("left_click")));
  C("mouse_x_left_edit")->SetText(QStringLiteral("300"));
  ASSERT_TRUE(Click("macro_inset_moveleftkey_btn"));
  ASSERT_EQ(Rows()->GetRowCount(), 3);
  EXPECT_EQ(Rows()->GetCurSel(), 2);
  EXPECT_TRUE(Saved(0).empty());
  ASSERT_TRUE(Click("macro_btn_save"));
  const std::vector<MacroEvent> expected{{true, 1, 1, 50}, {false, 1, 1, 50}, {true, 44, 4, 50}};
  EXPECT_EQ(Saved(0), expected);
  EXPECT_EQ(Rows()->GetRow(0)->StateLabel()->GetText(), "Press");
  EXPECT_EQ(Rows()->GetRow(1)->StateLabel()->GetText(), "Release");
  EXPECT_EQ(Rows()->GetRow(1)->NameLabel()->GetText(), "Left button");
  EXPECT_EQ(Rows()->GetRow(2)->NameLabel()->GetText(), "Move left 44");
  EXPECT_EQ(Rows()->GetRow(2)->GetUserData(), R"({"Action":"down","Button":44,"Delay":"50","Type":4})");

  // Nothing is bound yet: the mouse holds no macro.
  EXPECT_TRUE(fw_->macroMemory().empty() || fw_->macroMemory()[0] != 0xAA);
  BindButton(3, 0);
  EXPECT_EQ(KeySlot(3), (std::vector<uint8_t>{0x70, 0x00, 0x00}));
  const std::vector<uint8_t> image{0xAA, 0x55, 34, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 18, 0, 3, 0, 0, 0,
                                   50,   0,    0x81, 1, 50, 0, 0x01, 1, 50, 0, 0x84, 44};
  const auto memory = fw_->macroMemory();
  ASSERT_GE(memory.size(), image.size());
  EXPECT_EQ(std::vector<uint8_t>(memory.begin(), memory.begin() + 34), image);

  // A delay typed into a row goes to the file and the mouse when saved.
  TypeDelay(1, "120");
  EXPECT_EQ(Saved(0)[1].delay, 50);
  ASSERT_TRUE(Click("macro_btn_save"));
  EXPECT_EQ(Saved(0)[1].delay, 120);
  EXPECT_EQ(fw_->macroMemory()[26], 120);
  EXPECT_EQ(Rows()->GetCurSel(), 1);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(MacroEditorTest, DelayFieldsAreClampedEmptyIsZeroAndRevertReloadsTheFile) {
  CreateWithEvents(1);
  TypeDelay(0, "70000");
  EXPECT_EQ(Rows()->GetRow(0)->DelayField()->GetText(), "65535");
  TypeDelay(1, "");
  ASSERT_TRUE(Click("macro_btn_save"));
  EXPECT_EQ(Saved(0)[0].delay, 65535);
  EXPECT_EQ(Saved(0)[1].delay, 0);
  EXPECT_EQ(Rows()->GetRow(1)->DelayField()->GetText(), "0");
  EXPECT_EQ(Rows()->GetRow(0)->DelayField()->GetMaxChar(), 6);

  // Moves and removals wait for "save"; "revert" loads the file again.
  PickRow(0);
  ASSERT_TRUE(Click("macro_btn_downbottom"));
  EXPECT_EQ(Rows()->GetCurSel(), 1);
  EXPECT_EQ(Rows()->GetRow(1)->StateLabel()->GetText(), "Press");
  ASSERT_TRUE(Click("macro_btn_deleteall"));
  EXPECT_EQ(Rows()->GetRowCount(), 0);
  EXPECT_EQ(Saved(0).size(), 2u);
  ASSERT_TRUE(Click("macro_btn_cancel"));
  ASSERT_EQ(Rows()->GetRowCount(), 2);
  EXPECT_EQ(Rows()->GetRow(0)->DelayField()->GetText(), "65535");

  PickRow(1);
  ASSERT_TRUE(Click("macro_btn_uptop"));
  ASSERT_TRUE(Click("macro_btn_save"));
  const std::vector<MacroEvent> swapped{{false, 1, 1, 0}, {true, 1, 1, 65535}};
  EXPECT_EQ(Saved(0), swapped);
  PickRow(0);
  ASSERT_TRUE(Click("macro_btn_delete"));
  ASSERT_TRUE(Click("macro_btn_save"));
  EXPECT_EQ(Saved(0), (std::vector<MacroEvent>{{true, 1, 1, 65535}}));
}

TEST_F(MacroEditorTest, EditsAreADraftThatRevertTakesBackAndSaveKeeps) {
  CreateWithEvents(1);  // a press and a release, 50 ms each, saved
  EXPECT_EQ(SaveLine(), "Saved");
  EXPECT_FALSE(C("macro_btn_cancel")->IsEnabled());
  // A delay typed into a row is a draft: the file keeps 50 and "Revert" is offered.
  ASSERT_TRUE(test::TypeAt(Rows()->GetRow(0)->DelayField(), "900"));
  EXPECT_EQ(Saved(0)[0].delay, 50);
  EXPECT_EQ(SaveLine(), "Not saved yet");
  ASSERT_TRUE(test::ClickAt(C("macro_btn_cancel")));
  EXPECT_EQ(Rows()->GetRow(0)->DelayField()->GetText(), "50");
  EXPECT_FALSE(C("macro_btn_cancel")->IsEnabled());
  EXPECT_TRUE(SaveLine().isEmpty());
  // Typed again and saved, the file has it; the line goes after a while.
  ASSERT_TRUE(test::TypeAt(Rows()->GetRow(0)->DelayField(), "900"));
  ASSERT_TRUE(test::ClickAt(C("macro_btn_save")));
  EXPECT_EQ(Saved(0)[0].delay, 900);
  EXPECT_EQ(SaveLine(), "Saved");
  clock_.advance(std::chrono::milliseconds(kWriteStatusMs));
  EXPECT_TRUE(SaveLine().isEmpty());
  // A draft left for another macro is offered for saving; "no" drops it.
  ASSERT_TRUE(test::TypeAt(Rows()->GetRow(1)->DelayField(), "7"));
  answers_ = {false};
  ASSERT_TRUE(test::ClickAt(C("macro_btn_name_add")));
  EXPECT_EQ(asked_, (std::vector<QString>{"macro_unsaved_question"}));
  EXPECT_EQ(Saved(0)[1].delay, 50);
  // "Yes" keeps it, and showing the tab again keeps a draft as it is.
  Names()->SelectItem(0);
  ASSERT_TRUE(test::TypeAt(Rows()->GetRow(1)->DelayField(), "7"));
  editor_->LoadLibrary();
  EXPECT_EQ(Rows()->GetRow(1)->DelayField()->GetText(), "7");
  ASSERT_TRUE(test::ClickAt(C("macro_btn_name_add")));
  EXPECT_EQ(Saved(0)[1].delay, 7);
}

TEST_F(MacroEditorTest, TheEventMenuInsertsAfterTheSelectedRowOfTheMacroThatOpenedIt) {
  CreateWithEvents(1);
  // With no macro the menu does not open; with one, a right click opens it
  // and the item chosen in the menu window comes back to this editor.
  PickRow(0);
  Rows()->RequestMenu(QPoint(10, 10));
  EXPECT_EQ(menusOpened_, 1);
  ASSERT_TRUE(CMacroControlUI::HandleMenuCommand(QStringLiteral("right_click")));
  // An item of another menu, or a second command, is not the editor's.
  EXPECT_FALSE(CMacroControlUI::HandleMenuCommand(QStringLiteral("middle_down")));
  EXPECT_FALSE(CMacroControlUI::HandleMenuCommand(QStringLiteral("exit")));
  ASSERT_TRUE(Click("macro_btn_save"));
  const std::vector<MacroEvent> expected{
      {true, 1, 1, 50}, {true, 2, 1, 50}, {false, 2, 1, 50}, {false, 1, 1, 50}};
  EXPECT_EQ(Saved(0), expected);
  EXPECT_EQ(Rows()->GetCurSel(), 2);
  EXPECT_FALSE(editor_->ChooseMenuItem(QStringLiteral("left_sideways")));
  EXPECT_EQ(Saved(0).size(), 4u);
}

TEST_F(MacroEditorTest, ALongEventListScrollsTheSelectedRowIntoView) {
  CreateWithEvents(20);
  ASSERT_EQ(Rows()->GetRowCount(), 40);
  QCoreApplication::processEvents();
  QWidget* list = Rows()->GetWidget();
  ASSERT_GT(list->height(), 0);
  auto shown = [&](int row) {
    const QRect r = Rows()->GetRow(row)->GetWidget()->geometry();
    return r.top() >= 0 && r.bottom() <= list->height();
  };
  PickRow(0);
  EXPECT_EQ(Rows()->GetScrollPos(), 0);
  EXPECT_TRUE(shown(0));
  EXPECT_FALSE(shown(39));
  PickRow(39);
  EXPECT_GT(Rows()->GetScrollPos(), 0);
  EXPECT_TRUE(shown(39));
  EXPECT_FALSE(shown(0));
  // The row a control belongs to, for the delay fields' notifications.
  EXPECT_EQ(Rows()->RowOf(Rows()->GetRow(17)->DelayField()), 17);
  EXPECT_EQ(Rows()->RowOf(C("macro_btn_save")), -1);
  // Removing rows keeps the list inside its content.
  ASSERT_TRUE(Click("macro_btn_deleteall"));
  EXPECT_EQ(Rows()->GetScrollPos(), 0);
  EXPECT_EQ(Rows()->GetCurSel(), -1);
}

TEST_F(MacroEditorTest, RenameRefusesTakenNamesAndTheAssignmentEditorFollows) {
  ASSERT_TRUE(Click("macro_btn_name_add"));
  ASSERT_TRUE(Click("macro_btn_name_add"));
  ASSERT_EQ(Names()->GetCurSel(), 1);
  C("macro_edit_macroname")->SetText(QStringLiteral("MACRO_1"));
  ASSERT_TRUE(Click("macro_btn_name_edit"));
  EXPECT_EQ(messages_, (std::vector<QString>{"message_text_5"}));
  EXPECT_EQ(Names()->GetItemText(1), "macro_2");
  C("macro_edit_macroname")->SetText(QStringLiteral("   "));
  ASSERT_TRUE(Click("macro_btn_name_edit"));
  EXPECT_EQ(Names()->GetItemText(1), "macro_2");
  C("macro_edit_macroname")->SetText(QStringLiteral("a\tb"));
  ASSERT_TRUE(Click("macro_btn_name_edit"));
  EXPECT_EQ(messages_, (std::vector<QString>{"message_text_5", "message_bad_name"}));
  EXPECT_EQ(Names()->GetItemText(1), "macro_2");
  C("macro_edit_macroname")->SetText(QStringLiteral("Spray"));
  ASSERT_TRUE(Click("macro_btn_name_edit"));
  EXPECT_EQ(Names()->GetItemText(1), "Spray");
  EXPECT_TRUE(C("macro_edit_macroname")->GetText().isEmpty());
  EXPECT_EQ(As<CComboUI>("keyset_macro_combo")->GetItemText(1), "Spray");
  macros::MacroLibrary library(folder_, clock_);
  library.load();
  EXPECT_EQ(library.names(), (std::vector<std::string>{"macro_1", "Spray"}));
}

TEST_F(MacroEditorTest, ImportAndExportCopyFilesAndRefuseWhatIsNotAMacro) {
  CreateWithEvents(1);
  const fs::path out = root_ / "Burst.mac";
  chosenFile_ = QString::fromStdString(out.string());
  ASSERT_TRUE(Click("macro_btn_export"));
  EXPECT_EQ(chosenForSave_, (std::vector<bool>{true}));
  macros::MacroLibrary library(folder_, clock_);
  library.load();
  EXPECT_EQ(ReadAll(out), ReadAll(*library.eventFilePath(0)));

  // Imported twice: "Burst", then "2" (the name is taken).
  ASSERT_TRUE(Click("macro_btn_import"));
  ASSERT_TRUE(Click("macro_btn_import"));
  ASSERT_EQ(Names()->GetItemCount(), 3);
  EXPECT_EQ(Names()->GetItemText(1), "Burst");
  EXPECT_EQ(Names()->GetItemText(2), "2");
  EXPECT_EQ(Names()->GetCurSel(), 2);
  EXPECT_EQ(Rows()->GetRowCount(), 2);
  EXPECT_EQ(As<CComboUI>("keyset_macro_combo")->GetItemCount(), 3);

  // A file that is not a macro is refused with a sentence; nothing is added.
  const fs::path bad = root_ / "notes.mac";
  std::ofstream(bad) << "[1, 2, 3]";
  chosenFile_ = QString::fromStdString(bad.string());
  ASSERT_TRUE(Click("macro_btn_import"));
  EXPECT_EQ(Names()->GetItemCount(), 3);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_FALSE(messages_[0].startsWith(QLatin1String("message_text")));
  // A cancelled dialog does nothing.
  chosenFile_.clear();
  ASSERT_TRUE(Click("macro_btn_import"));
  EXPECT_EQ(Names()->GetItemCount(), 3);
}

class MacroDeleteTest : public MacroEditorTest {
 protected:
  void SetUp() override {
    MacroEditorTest::SetUp();
    if (HasFatalFailure()) return;
    CreateWithEvents(1);  // macro 0
    CreateWithEvents(2);  // macro 1
    CreateWithEvents(3);  // macro 2
    // The current profile binds button 3 to macro 1; a second profile binds
    // button 4 to macro 0 and button 5 to macro 2.
    BindButton(3, 1);
    auto* store = page_->Profile().Selector()->Store();
    ASSERT_TRUE(store->add().ok());
    ASSERT_TRUE(store->select(0).ok());  // the page's profile stays the current one
    other_ = *store->documentPath(1);
    ASSERT_NE(other_, page_->Profile().DocumentPath());
    CMouseProfiledata doc;
    doc.setDocumentPath(other_);
    doc.loadDeviceElement();
    auto keys = doc.getKeyList();
    keys[4].assignment = {0x70, 0, 2};
    keys[5].assignment = {0x71, 2, 7};
    doc.setKeyList(keys);
    ASSERT_TRUE(doc.save());
    Names()->SelectItem(1);
    asked_.clear();
  }
  std::vector<KeyListEntry> Keys(const fs::path& path) {
    CMouseProfiledata doc;
    doc.setDocumentPath(path);
    doc.loadDeviceElement();
    return doc.getKeyList();
  }
  fs::path other_;
};

TEST_F(MacroDeleteTest, CancellingTheSecondQuestionLeavesEveryFileByteForByte) {
  const auto before = Snapshot(folder_);
  answers_ = {true, false};
  ASSERT_TRUE(Click("macro_btn_name_sub"));
  EXPECT_EQ(asked_, (std::vector<QString>{"message_text_4", "message_text_2"}));
  EXPECT_EQ(Snapshot(folder_), before);
  EXPECT_EQ(Names()->GetItemCount(), 3);
  // A "no" to the first question asks nothing more.
  asked_.clear();
  answers_ = {false};
  ASSERT_TRUE(Click("macro_btn_name_sub"));
  EXPECT_EQ(asked_, (std::vector<QString>{"message_text_4"}));
  EXPECT_EQ(Snapshot(folder_), before);
}

TEST_F(MacroDeleteTest, ConfirmedDeleteRenumbersEveryProfileThePageAndTheMouse) {
  Names()->SelectItem(0);
  answers_ = {true};
  ASSERT_TRUE(Click("macro_btn_name_sub"));
  // Macro 0 is not bound in the current profile: one question only.
  EXPECT_EQ(asked_, (std::vector<QString>{"message_text_4"}));
  ASSERT_EQ(Names()->GetItemCount(), 2);
  EXPECT_EQ(Names()->GetItemText(0), "macro_2");
  EXPECT_EQ(Names()->GetCurSel(), 0);
  EXPECT_EQ(Rows()->GetRowCount(), 4);  // macro_2's events are shown
  EXPECT_EQ(As<CComboUI>("keyset_macro_combo")->GetItemCount(), 2);
  // The other profile: the binding to macro 0 is back to its default, the
  // binding to macro 2 now names 1.
  const auto other = Keys(other_);
  EXPECT_EQ(other[4].assignment, other[4].defaultAssignment);
  EXPECT_EQ(other[5].assignment, (FunctionCode{0x71, 1, 7}));
  // The current profile, in its file and in the page's document, binds the
  // same macro under its new number; the mouse has it in slot 0.
  EXPECT_EQ(Keys(page_->Profile().DocumentPath())[3].assignment, (FunctionCode{0x70, 0, 0}));
  EXPECT_EQ(page_->Mouse().buttons()[3].assignment, (FunctionCode{0x70, 0, 0}));
  EXPECT_EQ(KeySlot(3), (std::vector<uint8_t>{0x70, 0x00, 0x00}));
  const auto memory = fw_->macroMemory();
  ASSERT_GE(memory.size(), 20u);
  EXPECT_EQ(memory[4], 1);   // one macro
  EXPECT_EQ(memory[18], 4);  // of four events (macro_2)
}

TEST_F(MacroDeleteTest, DeletingTheBoundMacroGivesTheButtonItsDefault) {
  answers_ = {true, true};
  ASSERT_TRUE(Click("macro_btn_name_sub"));
  EXPECT_EQ(asked_, (std::vector<QString>{"message_text_4", "message_text_2"}));
  const auto current = page_->Mouse().buttons();
  EXPECT_EQ(current[3].assignment, current[3].defaultAssignment);
  EXPECT_NE(KeySlot(3)[0], 0x70);
  EXPECT_EQ(Keys(other_)[5].assignment, (FunctionCode{0x71, 1, 7}));
  // Deleting every macro leaves the editor without a selection.
  for (int i = 0; i < 2; ++i) {
    answers_ = {true, true};
    ASSERT_TRUE(Click("macro_btn_name_sub"));
  }
  EXPECT_EQ(Names()->GetItemCount(), 0);
  EXPECT_FALSE(C("macro_btn_name_sub")->IsEnabled());
  EXPECT_FALSE(C("macro_btn_save")->IsEnabled());
  EXPECT_EQ(Rows()->GetRowCount(), 0);
}

TEST_F(MacroEditorTest, MacrosTooLargeForTheMouseKeepItsMemoryAndRevertTheEditedButton) {
  // 128 bytes of macro memory: 40 events (16 + 6 + 160 = 182 bytes) are 54 too many.
  fw_->setIdentityByte(6, 1);
  CreateWithEvents(20);
  const auto tableBefore = fw_->keyTable();
  const auto memoryBefore = fw_->macroMemory();
  BindButton(2, 0);
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_TRUE(messages_[0].contains(QLatin1String("(14 events too many)"))) << messages_[0].toStdString();
  EXPECT_EQ(fw_->keyTable(), tableBefore);
  EXPECT_EQ(fw_->macroMemory(), memoryBefore);
  const auto buttons = page_->Mouse().buttons();
  EXPECT_EQ(buttons[2].assignment, buttons[2].defaultAssignment);
  CMouseProfiledata saved;
  saved.setDocumentPath(page_->Profile().DocumentPath());
  saved.loadDeviceElement();
  EXPECT_EQ(saved.getKeyList()[2].assignment, buttons[2].defaultAssignment);

  // A macro change that does not fit reverts no button.
  fw_->setIdentityByte(6, 24);
  BindButton(2, 0);
  fw_->setIdentityByte(6, 1);
  messages_.clear();
  ASSERT_TRUE(editor_->ChooseMenuItem(QStringLiteral("right_click")));
  ASSERT_TRUE(Click("macro_btn_save"));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(page_->Mouse().buttons()[2].assignment, (FunctionCode{0x70, 0, 0}));
}

TEST_F(MacroEditorTest, AMacroWriteTheMouseRefusesIsReportedAndTheKeyTableIsKept) {
  CreateWithEvents(1);
  const auto tableBefore = fw_->keyTable();
  fw_->injectFault(sim::Fault{sim::FaultKind::StatusFF, 0x15, 0, 1});
  BindButton(1, 0);
  EXPECT_EQ(messages_, (std::vector<QString>{"message_text_7"}));
  EXPECT_EQ(fw_->keyTable(), tableBefore);
}

}  // namespace
}  // namespace tessel::ui
