// Recording into the mouse page's macro editor through the main window's
// input hook (CMainHook with our window's source and the scripted source,
// events placed inline) on the emulated mouse with a manual clock: what the
// macro file and the mouse's macro memory hold afterwards, what the editor
// keeps out of reach meanwhile, and that nothing holds the keyboard after.
#include <gtest/gtest.h>

#include <QTest>
#include <linux/input-event-codes.h>

#include <algorithm>

#include "config/key_assignment.h"
#include "input/input_mapping.h"
#include "input/macro_recorder.h"
#include "macros/macro_library.h"
#include "../ui/real_input.h"
#include "mouse_tab_env.h"
#include "ui/device/macro_action_list.h"
#include "ui/device/macro_control.h"
#include "ui/main_hook.h"
#include "ui/window_input_source.h"

namespace tessel::ui {
namespace {

using macros::MacroEvent;

class MacroRecordingTest : public test::MouseTabTest {
 protected:
  void SetUp() override {
    MouseTabTest::SetUp();
    if (HasFatalFailure()) return;
    editor_ = page_->MacroEditor();
    ASSERT_NE(editor_, nullptr);
    CMacroControlUI::Hooks hooks;
    hooks.show = [this](const QString& text) { shown_.push_back(text); };
    hooks.openMenu = [](const QPoint&) {};
    editor_->SetHooks(std::move(hooks));
    CMainHook::Hooks hostHooks;
    hostHooks.currentPage = [this]() -> CBrelvikUSBDevice* { return page_; };
    hostHooks.lockControls = [this](CBrelvikUSBDevice* page, bool on) {
      EXPECT_EQ(page, page_);
      locks_.push_back(on);
    };
    hook_ = std::make_unique<CMainHook>(wnd_->GetHWND(), input::PostFunction{}, std::move(hostHooks),
                                        CMainHook::Sources{false, true});
    // The page is the one shown, on its macros tab, so its buttons can be clicked.
    ShowPage();
    page_->SelectTab(3);
    editor_->Init(folder_, clock_);  // the status line names the hook's sources now
  }
  void TearDown() override {
    hook_.reset();
    MouseTabTest::TearDown();
  }

  CMacroActionListUI* Rows() { return As<CMacroActionListUI>("macro_action_list"); }
  std::vector<MacroEvent> Saved(size_t index) {
    macros::MacroLibrary library(folder_, clock_);
    library.load();
    return library.loadEvents(index);
  }
  void Key(uint16_t code, bool down) {
    const auto e = input::eventFromEvdevKey(code, down);
    ASSERT_TRUE(e.has_value());
    hook_->Scripted()->inject(*e);
  }
  // A press and release on a control as the user makes them (through our
  // window, so the window's source sees them).
  void MouseClick(const char* name, Qt::MouseButton button) {
    CControlUI* c = C(name);
    ASSERT_TRUE(c && c->IsVisible()) << name;
    QCoreApplication::processEvents();
    QWidget* w = c->GetWidget();
    QTest::mouseClick(w->window()->windowHandle(), button, Qt::NoModifier, w->mapTo(w->window(), w->rect().center()));
  }
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
  // The controls a recording locks, and the two buttons.
  void ExpectRecordingLook(bool recording) {
    for (const char* name : {"macro_name_tab", "macro_tab_macroaction_edit", "macro_tab_macrodelay_edit",
                             "macro_action_list"})
      EXPECT_EQ(C(name)->IsEnabled(), !recording) << name;
    EXPECT_EQ(C("macro_btn_starredio")->IsVisible(), !recording);
    EXPECT_EQ(C("macro_btn_stopredio")->IsVisible(), recording);
  }
  // Opens the event list's menu on row `row` and chooses `item`.
  void Menu(int row, const char* item) {
    Rows()->SelectItem(row);
    Send(Rows(), notify::kMenu);
    ASSERT_TRUE(CMacroControlUI::HandleMenuCommand(QString::fromLatin1(item))) << item;
  }
  QString Status() { return C("macro_record_status")->GetText(); }

  CMacroControlUI* editor_ = nullptr;
  std::unique_ptr<CMainHook> hook_;
  std::vector<QString> shown_;
  std::vector<bool> locks_;
};

TEST_F(MacroRecordingTest, RecordedKeysAreADraftThatSaveSendsToTheMouseAndRevertDrops) {
  ASSERT_TRUE(Click("macro_btn_name_add"));
  BindButton(3, 0);
  page_->SelectTab(3);
  ExpectRecordingLook(false);
  EXPECT_EQ(Status().toStdString(), hook_->SourceLine());

  ASSERT_TRUE(Click("macro_btn_starredio"));
  ASSERT_TRUE(editor_->IsRecording());
  EXPECT_EQ(editor_->RecordingMode(), input::hook_mode::kMacro);
  ExpectRecordingLook(true);
  EXPECT_EQ(locks_, std::vector<bool>{true});
  EXPECT_EQ(Status().toStdString(), "\u25CF " + hook_->SourceLine());
  // Our window keeps typed keys from other programs while it records.
  EXPECT_TRUE(hook_->WindowSource()->HoldsKeyboard());
  EXPECT_EQ(QWidget::keyboardGrabber(), wnd_->GetHWND());

  // A held down at 0 ms (the repeats are one press), released at 120 ms.
  Key(KEY_A, true);
  clock_.advance(Millis(60));
  Key(KEY_A, true);
  clock_.advance(Millis(60));
  Key(KEY_A, false);
  ASSERT_EQ(Rows()->GetRowCount(), 2);
  EXPECT_EQ(Rows()->GetCurSel(), 1);
  EXPECT_EQ(Rows()->GetRow(0)->DelayField()->GetText(), "120");
  EXPECT_EQ(Rows()->GetRow(1)->NameLabel()->GetText(), "A");
  EXPECT_TRUE(Saved(0).empty());  // nothing is written while recording

  ASSERT_TRUE(Click("macro_btn_stopredio"));
  EXPECT_FALSE(editor_->IsRecording());
  ExpectRecordingLook(false);
  EXPECT_EQ(locks_, (std::vector<bool>{true, false}));
  EXPECT_FALSE(hook_->Holder().IsRunning());
  EXPECT_FALSE(hook_->WindowSource()->HoldsKeyboard());
  EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
  // What was recorded waits for "Save"; then the file and the mouse have it.
  EXPECT_TRUE(Saved(0).empty());
  EXPECT_EQ(C("macro_save_status")->GetText(), "Not saved yet");
  ASSERT_TRUE(test::ClickAt(C("macro_btn_save")));
  const std::vector<MacroEvent> expected{{true, 0x04, 10, 120}, {false, 0x04, 10, 0}};
  EXPECT_EQ(Saved(0), expected);
  // The download put them in the mouse's macro memory: delay, action (press
  // bit 7 with type 10), usage of A.
  const std::vector<uint8_t> events{120, 0, 0x8A, 0x04, 0, 0, 0x0A, 0x04};
  const auto memory = fw_->macroMemory();
  EXPECT_NE(std::search(memory.begin(), memory.end(), events.begin(), events.end()), memory.end());
  // Keys after the stop go nowhere.
  Key(KEY_B, true);
  EXPECT_EQ(Rows()->GetRowCount(), 2);
  // A second recording, reverted: the saved macro is back.
  ASSERT_TRUE(test::ClickAt(C("macro_btn_starredio")));
  Key(KEY_C, true);
  Key(KEY_C, false);
  ASSERT_TRUE(test::ClickAt(C("macro_btn_stopredio")));
  ASSERT_EQ(Rows()->GetRowCount(), 4);
  ASSERT_TRUE(test::ClickAt(C("macro_btn_cancel")));
  EXPECT_EQ(Rows()->GetRowCount(), 2);
  EXPECT_EQ(Saved(0), expected);
  EXPECT_FALSE(C("macro_btn_cancel")->IsEnabled());
  EXPECT_TRUE(shown_.empty());
}

TEST_F(MacroRecordingTest, ALeftClickOnStopRecordsNothingWhileARightClickRecordsPressAndRelease) {
  ASSERT_TRUE(Click("macro_btn_name_add"));
  ASSERT_TRUE(Click("macro_btn_starredio"));
  ASSERT_TRUE(editor_->IsRecording());
  MouseClick("macro_btn_stopredio", Qt::RightButton);
  EXPECT_TRUE(editor_->IsRecording());
  ASSERT_EQ(Rows()->GetRowCount(), 2);
  MouseClick("macro_btn_stopredio", Qt::LeftButton);
  EXPECT_FALSE(editor_->IsRecording());
  ASSERT_TRUE(Click("macro_btn_save"));
  const auto down = input::mouseMacroEvent(input::mouseEvent(input::kRightDown));
  const auto up = input::mouseMacroEvent(input::mouseEvent(input::kRightUp));
  ASSERT_TRUE(down && up);
  const std::vector<MacroEvent> saved = Saved(0);
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0].button, down->button);
  EXPECT_EQ(saved[0].type, down->type);
  EXPECT_TRUE(saved[0].down);
  EXPECT_FALSE(saved[1].down);
  EXPECT_EQ(saved[1].button, up->button);
}

// Counts the key presses that reach a widget.
class KeyCounter : public QObject {
 public:
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::KeyPress) ++presses;
    return false;
  }
  int presses = 0;
};

TEST_F(MacroRecordingTest, KeysTypedIntoTheWindowWhileRecordingAreRecordedAndTypeNothing) {
  ASSERT_TRUE(Click("macro_btn_name_add"));
  KeyCounter counter;
  wnd_->GetHWND()->installEventFilter(&counter);
  ASSERT_TRUE(Click("macro_btn_starredio"));
  // Right Ctrl as X11 reports it (keycode = evdev + 8), then left Ctrl.
  for (const auto& [code, down] : {std::pair{KEY_RIGHTCTRL, true}, {KEY_RIGHTCTRL, false}, {KEY_LEFTCTRL, true}}) {
    QKeyEvent event(down ? QEvent::KeyPress : QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier, code + 8, 0, 0);
    QCoreApplication::sendEvent(wnd_->GetHWND()->windowHandle(), &event);
  }
  QKeyEvent letter(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, KEY_X + 8, 0, 0, QStringLiteral("x"));
  QCoreApplication::sendEvent(wnd_->GetHWND()->windowHandle(), &letter);
  ASSERT_EQ(Rows()->GetRowCount(), 4);
  ASSERT_TRUE(Click("macro_btn_stopredio"));
  ASSERT_TRUE(Click("macro_btn_save"));
  const std::vector<MacroEvent> saved = Saved(0);
  ASSERT_EQ(saved.size(), 4u);
  EXPECT_EQ(saved[0].type, 9);
  EXPECT_EQ(saved[0].button, 0x10);  // right Ctrl
  EXPECT_EQ(saved[2].type, 9);
  EXPECT_EQ(saved[2].button, 0x01);  // left Ctrl
  EXPECT_EQ(saved[3].type, 10);
  EXPECT_EQ(saved[3].button, 0x1B);  // X
  // None of them reached a control; Caps Lock does, so the lock still toggles.
  EXPECT_EQ(counter.presses, 0);
  ASSERT_TRUE(Click("macro_btn_starredio"));
  QKeyEvent caps(QEvent::KeyPress, Qt::Key_CapsLock, Qt::NoModifier, KEY_CAPSLOCK + 8, 0, 0);
  QCoreApplication::sendEvent(wnd_->GetHWND()->windowHandle(), &caps);
  EXPECT_EQ(counter.presses, 1);
  EXPECT_EQ(Rows()->GetRowCount(), 5);
  ASSERT_TRUE(Click("macro_btn_stopredio"));
  wnd_->GetHWND()->removeEventFilter(&counter);
}

TEST_F(MacroRecordingTest, MenuRecordingInsertsBeforeWithTheFixedDelayAndReplacesTheSelectedKey) {
  ASSERT_TRUE(Click("macro_btn_name_add"));
  ASSERT_TRUE(editor_->ChooseMenuItem(QStringLiteral("left_click")));
  ASSERT_EQ(Rows()->GetRowCount(), 2);
  // Fixed delays of 30 ms, recorded before row 0: the new first row gets 0.
  ASSERT_TRUE(Click("macro_check_time"));
  C("macro_fixed_time_edit")->SetText(QStringLiteral("30"));
  Menu(0, "redio_previous_record_time");
  ASSERT_TRUE(editor_->IsRecording());
  EXPECT_EQ(editor_->RecordingMode(), input::hook_mode::kMacroPrevious);
  EXPECT_EQ(editor_->FixedDelay(), 30);
  Key(KEY_B, true);
  ASSERT_EQ(Rows()->GetRowCount(), 3);
  EXPECT_EQ(Rows()->GetCurSel(), 1);  // the row that was selected, one further down
  ASSERT_TRUE(Click("macro_btn_stopredio"));
  ASSERT_TRUE(Click("macro_btn_save"));
  std::vector<MacroEvent> saved = Saved(0);
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[0], (MacroEvent{true, 0x05, 10, 0}));
  EXPECT_EQ(saved[1].type, 1);

  // "macro_action_edit" gives the selected row the next key, keeping its action and delay.
  Menu(2, "macro_action_edit");
  EXPECT_EQ(editor_->RecordingMode(), input::hook_mode::kMacroSingle);
  Key(KEY_RIGHTCTRL, true);
  ASSERT_TRUE(Click("macro_btn_stopredio"));
  ASSERT_TRUE(Click("macro_btn_save"));
  saved = Saved(0);
  ASSERT_EQ(saved.size(), 3u);
  EXPECT_EQ(saved[2], (MacroEvent{false, 0x10, 9, 50}));
  EXPECT_TRUE(shown_.empty());
}

TEST_F(MacroRecordingTest, ASourceThatDoesNotStartLeavesTheEditorIdleAndSaysWhy) {
  ASSERT_TRUE(Click("macro_btn_name_add"));
  hook_->Scripted()->failNextStart("the test's source refuses");
  ASSERT_TRUE(Click("macro_btn_starredio"));
  EXPECT_FALSE(editor_->IsRecording());
  ExpectRecordingLook(false);
  EXPECT_TRUE(locks_.empty());
  EXPECT_FALSE(hook_->Holder().IsRunning());
  EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
  ASSERT_EQ(shown_.size(), 1u);
  EXPECT_NE(shown_[0].indexOf("the test's source refuses"), -1) << shown_[0].toStdString();
  EXPECT_EQ(Status(), shown_[0]);
  // The next try works.
  ASSERT_TRUE(Click("macro_btn_starredio"));
  EXPECT_TRUE(editor_->IsRecording());
}

TEST_F(MacroRecordingTest, AFullMacroTakesNoMoreRowsAndThePageSaysSo) {
  ASSERT_TRUE(Click("macro_btn_name_add"));
  {
    macros::MacroLibrary library(folder_, clock_);
    library.load();
    std::vector<MacroEvent> many(4000, MacroEvent{true, 0x04, 10, 10});
    ASSERT_TRUE(library.saveEvents(0, many).ok());
  }
  editor_->LoadEvents();
  ASSERT_EQ(Rows()->GetRowCount(), 4000);
  ASSERT_TRUE(Click("macro_btn_starredio"));
  Key(KEY_C, true);
  EXPECT_EQ(Rows()->GetRowCount(), 4000);
  EXPECT_EQ(Status(), "The macro is full (4000 events): recording adds no more.");
  EXPECT_TRUE(editor_->IsRecording());  // the user stops it
  ASSERT_TRUE(Click("macro_btn_stopredio"));
  EXPECT_EQ(Rows()->GetRowCount(), 4000);
  EXPECT_EQ(Saved(0).size(), 4000u);
}

TEST_F(MacroRecordingTest, TheHookStopsWithTheEditorsPageAndAtStopAll) {
  ASSERT_TRUE(Click("macro_btn_name_add"));
  ASSERT_TRUE(Click("macro_btn_starredio"));
  Key(KEY_D, true);
  Key(KEY_D, false);
  // A device switch, hiding or closing the window: the recording is saved.
  hook_->StopAll();
  EXPECT_FALSE(editor_->IsRecording());
  EXPECT_EQ(Saved(0).size(), 2u);
  EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
  EXPECT_EQ(locks_, (std::vector<bool>{true, false}));
  // A draft the user left is kept in the file when the window goes.
  ASSERT_TRUE(Click("macro_btn_starredio"));
  Key(KEY_E, true);
  ASSERT_TRUE(Click("macro_btn_stopredio"));
  EXPECT_EQ(Saved(0).size(), 2u);
  hook_.reset();
  wnd_.reset();
  EXPECT_EQ(Saved(0).size(), 3u);
}

}  // namespace
}  // namespace tessel::ui
