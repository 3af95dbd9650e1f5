// The keyboard page on the emulated keyboard: the page is driven by control
// name and the test looks at what the emulated firmware keeps in its memories.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <filesystem>
#include <fstream>

#include "config/keyboard_profiledata.h"
#include "../ui/real_input.h"
#include "device_env.h"
#include "sim/firmware_keyboard.h"
#include "ui/device/device_profile.h"
#include "ui/device/device_profile_page.h"
#include "ui/device/key_set_control.h"
#include "ui/device/keyboard_page.h"
#include "ui/device/light_control.h"
#include "ui/device/write_status.h"
#include "shell/window_messages.h"

namespace tessel::ui {
namespace {

namespace fs = std::filesystem;
constexpr uint8_t kWriteSettings = 0x06;
constexpr uint8_t kWriteKeyTable = 0x09;
constexpr uint32_t kX11PauseKey = 119 + 8;  // evdev KEY_PAUSE as X11 reports it
constexpr int kPositionA = 64;
constexpr int kFn = 110;

class KeyboardWnd : public test::DeviceWnd {
 public:
  explicit KeyboardWnd(hid::HidBackend& backend) : DeviceWnd(backend), backend_(backend) {}
  CControlUI* CreateControl(const QString& tag) override {
    if (tag.compare(QLatin1String("BrelvikKeyboardDevice"), Qt::CaseInsensitive) == 0)
      return new CBrelvikKeyboardDevice(backend_);
    return DeviceWnd::CreateControl(tag);
  }
  // What the key box asks of the main window's hook (1 capture, 0 stop).
  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& handled) override {
    if (msg != messages::kHook) return DeviceWnd::HandleCustomMessage(msg, wParam, lParam, handled);
    handled = true;
    hookRequests.push_back(static_cast<int>(wParam));
    return 0;
  }
  std::vector<int> hookRequests;

 private:
  hid::HidBackend& backend_;
};

class KeyboardPageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseProjectResources();
    CResourceManager::GetInstance()->LoadLanguage(QStringLiteral("lan_en.xml"));
    CPaintManagerUI::SetDefaultScheduler(&clock_);
    root_ = fs::temp_directory_path() / ("tessel-keyboard-page-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fw_ = std::make_shared<sim::KeyboardFirmware>(false);
    product_ = bus_.plug("keyboard", fw_);
    wnd_ = std::make_unique<KeyboardWnd>(bus_);
    ASSERT_TRUE(wnd_->Create(nullptr, QStringLiteral("keyboard page test"), WS_VISIBLE, 0, 0, 0, 1000, 640));
    QCoreApplication::processEvents();
    page_ = dynamic_cast<CBrelvikKeyboardDevice*>(wnd_->CreatePage(1, supportedInterfaceTable()[0]).device);
    ASSERT_NE(page_, nullptr);
    page_->SetMessageSink([this](const QString& key) { messages_.push_back(key); });
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

  CControlUI* C(const QString& name) {
    return page_->FindControl([&name](CControlUI* c) { return c->GetName() == name; });
  }
  CControlUI* C(const char* name) { return C(QString::fromLatin1(name)); }
  template <typename T>
  T* As(const char* name) {
    return dynamic_cast<T*>(C(name));
  }
  void Send(CControlUI* c, const QString& type) { wnd_->GetManager().SendNotify(c, type); }
  void Type(const char* name, const char* text) {
    C(name)->SetText(QString::fromLatin1(text));
    Send(C(name), notify::kKillFocus);
  }
  // The page as the main window shows it once the keyboard is there.
  void ShowPage() {
    wnd_->Find<CTabLayoutUI>("device_switch")->SelectItem(page_);
    wnd_->Find<CControlUI>("No_device_Link")->SetVisible(false);
  }
  // Block 0 of the settings memory (the emulated keyboard is on profile 0).
  std::vector<uint8_t> Block() {
    const auto s = fw_->settings();
    return {s.begin(), s.begin() + 31};
  }
  // The three bytes of position j in the user key table the keyboard keeps.
  FunctionCode KeyTableEntry(int j) {
    const uint8_t k = page_->Keyboard().keyMaps().keyMap[static_cast<size_t>(j)];
    const std::vector<uint8_t> table = fw_->keyTable();
    if (k == keyboard::kNone || table.size() < size_t{k} * 3 + 3) return {};
    return {table[k * 3u], table[k * 3u + 1], table[k * 3u + 2]};
  }
  // Position j's colour in the keyboard's custom colour memory.
  std::array<uint8_t, 3> ColourMemory(int j) {
    const uint8_t led = page_->Keyboard().keyMaps().ledMap[static_cast<size_t>(j)];
    const std::vector<uint8_t> memory = fw_->customColours();
    if (led == keyboard::kNone || memory.size() < size_t{led} * 3 + 3) return {};
    return {memory[led * 3u], memory[led * 3u + 1], memory[led * 3u + 2]};
  }
  std::unique_ptr<CKeyboardProfiledata> Saved() {
    auto d = std::make_unique<CKeyboardProfiledata>();
    d->setDocumentPath(page_->Profile().DocumentPath());
    d->loadDeviceElement();
    return d;
  }

  ManualClock clock_;
  sim::VirtualHidBus bus_;
  std::shared_ptr<sim::KeyboardFirmware> fw_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  std::unique_ptr<KeyboardWnd> wnd_;
  CBrelvikKeyboardDevice* page_ = nullptr;
  fs::path root_;
  std::vector<QString> messages_;
};

TEST_F(KeyboardPageTest, BuildPageTakesOnlyPlainPositionNames) {
  ASSERT_NE(page_->KeyButton(5), nullptr);
  EXPECT_EQ(page_->KeyButton(5)->GetName(), "key_5");
  EXPECT_EQ(page_->LightCell(5)->GetName(), "light_5");
  // Every position has its pair of cells; the blank and foreign ones are hidden.
  for (int j = 0; j < 170; ++j) {
    ASSERT_NE(page_->KeyButton(j), nullptr) << j;
    ASSERT_NE(page_->LightCell(j), nullptr) << j;
  }
  EXPECT_FALSE(page_->LightCell(18)->GetOwnVisible());
  EXPECT_FALSE(page_->LightCell(150)->GetOwnVisible());
  EXPECT_TRUE(page_->LightCell(kPositionA)->GetOwnVisible());

  // Names that are not "key_" or "light_" and a plain number below 170 are no cells.
  auto* panel = As<CContainerUI>("keyboard_device_key_light");
  ASSERT_NE(panel, nullptr);
  std::vector<CDeviceKeyButtonUI*> strays;
  for (const char* name : {"key_170", "key_x", "key_-1", "light_170", "light_+3", "keys_4", "key_5x"}) {
    auto* stray = new CDeviceKeyButtonUI;
    stray->SetName(QLatin1String(name));
    ASSERT_TRUE(panel->Add(stray));
    strays.push_back(stray);
  }
  // A second "key_5" after the first is position 5's button from now on.
  auto* again = new CDeviceKeyButtonUI;
  again->SetName(QStringLiteral("key_5"));
  ASSERT_TRUE(panel->Add(again));
  page_->InitPage();
  EXPECT_EQ(page_->KeyButton(5), again);
  EXPECT_EQ(again->GetText(), "F5");
  for (int j = 0; j < 170; ++j)
    for (CDeviceKeyButtonUI* stray : strays) EXPECT_NE(page_->KeyButton(j), stray) << j;
  for (CDeviceKeyButtonUI* stray : strays) {
    EXPECT_TRUE(stray->GetText().isEmpty()) << stray->GetName().toStdString();
    EXPECT_FALSE(stray->HasZoneColour()) << stray->GetName().toStdString();
  }
}

TEST_F(KeyboardPageTest, FnKeyShowsOnTheLightingTabOnly) {
  ASSERT_EQ(page_->GetFunctionTab(), 1);
  EXPECT_TRUE(page_->KeyButton(kFn)->GetOwnVisible());
  ASSERT_TRUE(C("key_Op_tab")->Activate());
  EXPECT_EQ(page_->GetFunctionTab(), 2);
  EXPECT_FALSE(page_->KeyButton(kFn)->GetOwnVisible());
  EXPECT_TRUE(page_->KeyButton(kPositionA)->GetOwnVisible());
  // A position the picture has no key for stays hidden on every tab.
  EXPECT_FALSE(page_->KeyButton(18)->GetOwnVisible());
  EXPECT_EQ(As<CTabLayoutUI>("keyboard_function_layout")->GetCurSel(), CBrelvikKeyboardDevice::kKeysPage);
  EXPECT_EQ(As<CTabLayoutUI>("keyboard_picture_tools")->GetCurSel(), CBrelvikKeyboardDevice::kKeysPage);
  ASSERT_TRUE(C("macro_Op_tab")->Activate());
  EXPECT_EQ(As<CTabLayoutUI>("keyboard_picture_tools")->GetCurSel(), CBrelvikKeyboardDevice::kMacrosPage);
  ASSERT_TRUE(C("system_Op_tab")->Activate());
  EXPECT_EQ(As<CTabLayoutUI>("keyboard_function_layout")->GetCurSel(), CBrelvikKeyboardDevice::kOptionsPage);
  EXPECT_FALSE(As<COptionUI>("macro_Op_tab")->IsSelected());
  ASSERT_TRUE(C("deng_Op_tab")->Activate());
  EXPECT_EQ(page_->GetFunctionTab(), 1);
  EXPECT_TRUE(page_->KeyButton(kFn)->GetOwnVisible());
  EXPECT_FALSE(page_->KeyButton(18)->GetOwnVisible());
  EXPECT_EQ(As<CTabLayoutUI>("keyboard_function_layout")->GetCurSel(), CBrelvikKeyboardDevice::kLightingPage);
}

TEST_F(KeyboardPageTest, AnAssignmentStoredInTheEditorReachesTheKeyTable) {
  ASSERT_TRUE(C("key_Op_tab")->Activate());
  CKeySetControlUI* editor = page_->KeyEditor();
  ASSERT_NE(editor, nullptr);
  EXPECT_FALSE(editor->IsEnabled());  // until a key is chosen
  // The key list: every key shows its own name, nothing highlighted.
  CDeviceKeyButtonUI* a = page_->KeyButton(kPositionA);
  EXPECT_EQ(a->GetText(), "A");
  EXPECT_EQ(a->GetToolTip(), "Key: A");
  EXPECT_EQ(page_->KeyButton(0)->GetText(), "Esc");
  const DWORD plain = a->GetTextColor();

  Send(a, notify::kClick);
  EXPECT_TRUE(editor->IsEnabled());
  EXPECT_TRUE(a->IsSelected());
  EXPECT_EQ(editor->Model().assigned(), (FunctionCode{0x20, 0x00, 0x04}));
  // The editor makes it Pause: a keyboard key taken from the key box.
  auto* functions = As<CComboUI>("keyset_function_combo");
  int keyItem = -1;
  for (int i = 0; i < functions->GetItemCount(); ++i)
    if (functions->GetItemUserData(i).toInt() == 6) keyItem = i;
  ASSERT_GE(keyItem, 0);
  functions->GetComboBox()->setCurrentIndex(keyItem);
  emit functions->GetComboBox()->activated(keyItem);
  ASSERT_TRUE(editor->CaptureKey(0x45, false));  // Pause (Num Lock is the extended one)
  const FunctionCode built = editor->BuildCode();
  ASSERT_EQ(built, (FunctionCode{0x20, 0x00, 0x48}));
  ASSERT_TRUE(C("key_butt_keysave")->Activate());

  EXPECT_EQ(KeyTableEntry(kPositionA), built);
  EXPECT_EQ(Saved()->getKeyList()[kPositionA].assignment, built);
  // Esc keeps its own function.
  EXPECT_EQ(KeyTableEntry(0), (FunctionCode{0x20, 0x00, 0x29}));
  // The key now shows its new name, highlighted; the others stay plain.
  EXPECT_EQ(a->GetText(), "Pause");
  EXPECT_EQ(a->GetToolTip(), "Key: Pause");
  EXPECT_NE(a->GetTextColor(), plain);
  EXPECT_EQ(page_->KeyButton(kPositionA + 1)->GetTextColor(), plain);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(KeyboardPageTest, TheKeyEditorNamesItsKeyTakesPressedKeysAndSaysHowTheWriteWent) {
  ShowPage();
  ASSERT_TRUE(test::ClickAt(C("key_Op_tab")));
  // Nothing is chosen yet: no key looks chosen (Fn goes with its light) and
  // the editor shows only its title.
  EXPECT_FALSE(page_->LightCell(kFn)->IsVisible());
  EXPECT_FALSE(C("keyset_function_combo")->IsVisible());
  EXPECT_EQ(C("keyset_title")->GetText(), "Button function");

  ASSERT_TRUE(test::ClickAt(page_->KeyButton(kPositionA)));
  EXPECT_EQ(C("keyset_title")->GetText(), "Editing: A");
  // "Keyboard key" with nothing in the key box cannot be saved.
  auto* functions = As<CComboUI>("keyset_function_combo");
  for (int i = 0; i < 12 && functions->GetItemUserData(functions->GetCurSel()).toInt() != 6; ++i)
    ASSERT_TRUE(test::KeyAt(functions, Qt::Key_Down));
  EXPECT_FALSE(C("key_butt_keysave")->IsEnabled());
  EXPECT_FALSE(C("key_butt_prosave")->IsEnabled());
  ASSERT_TRUE(test::ClickAt(C("key_butt_keysave")));  // does nothing
  EXPECT_EQ(KeyTableEntry(kPositionA), (FunctionCode{0x20, 0x00, 0x04}));
  EXPECT_EQ(C("keyset_title")->GetText(), "Editing: A");

  // Clicked into, the key box asks for the hook, and takes the key pressed
  // even while no hook delivers it.
  ASSERT_TRUE(test::ClickAt(C("keyset_keyboard_text_edit")));
  ASSERT_FALSE(wnd_->hookRequests.empty());
  EXPECT_EQ(wnd_->hookRequests.back(), 1);
  QPoint at;
  QWidget* box = test::WidgetUnder(C("keyset_keyboard_text_edit"), &at);
  ASSERT_NE(box, nullptr);
  QKeyEvent pause(QEvent::KeyPress, Qt::Key_Pause, Qt::NoModifier, kX11PauseKey, 0, 0);
  QCoreApplication::sendEvent(box, &pause);
  EXPECT_EQ(C("keyset_keyboard_text_edit")->GetText(), "Pause");
  // Showing another key's page hides the box: the capture it asked for stops.
  ASSERT_TRUE(test::ClickAt(page_->KeyButton(kPositionA + 1)));
  EXPECT_EQ(wnd_->hookRequests.back(), 0);

  // Saved: the key table has it and the line under the editor says so, for a while.
  ASSERT_TRUE(test::ClickAt(page_->KeyButton(kPositionA)));
  for (int i = 0; i < 12 && functions->GetItemUserData(functions->GetCurSel()).toInt() != 6; ++i)
    ASSERT_TRUE(test::KeyAt(functions, Qt::Key_Down));
  ASSERT_TRUE(test::ClickAt(C("keyset_keyboard_text_edit")));
  QCoreApplication::sendEvent(test::WidgetUnder(C("keyset_keyboard_text_edit"), &at), &pause);
  ASSERT_TRUE(test::ClickAt(C("key_butt_keysave")));
  EXPECT_EQ(KeyTableEntry(kPositionA), (FunctionCode{0x20, 0x00, 0x48}));
  EXPECT_EQ(C("keyboard_write_status")->GetText(), "Saved and sent");
  clock_.advance(std::chrono::milliseconds(kWriteStatusMs));
  EXPECT_TRUE(C("keyboard_write_status")->GetText().isEmpty());
  // A write the keyboard refuses says so.
  fw_->injectFault({sim::FaultKind::StatusFF, kWriteKeyTable, 0, 5});
  ASSERT_TRUE(test::ClickAt(page_->KeyButton(kPositionA)));
  ASSERT_TRUE(test::ClickAt(C("key_butt_keydefalut")));
  EXPECT_EQ(C("keyboard_write_status")->GetText(), "Device refused it");
  EXPECT_EQ(messages_, (std::vector<QString>{"keyboard_write_failed"}));
}

TEST_F(KeyboardPageTest, InTheCustomModeAClickPaintsTheKeyIntoTheColourMemory) {
  auto* modes = As<CComboUI>("light_combo_modeSelect");
  ASSERT_NE(modes, nullptr);
  Type("deng_edit_R", "12");
  Type("deng_edit_G", "34");
  Type("deng_edit_B", "56");
  // Outside the custom mode a click paints nothing.
  Send(page_->KeyButton(kPositionA), notify::kClick);
  EXPECT_NE(ColourMemory(kPositionA), (std::array<uint8_t, 3>{12, 34, 56}));

  modes->SelectItem(keyboard::kCustomMode);
  ASSERT_EQ(page_->Keyboard().light().selectItem, keyboard::kCustomMode);
  EXPECT_TRUE(C("custom_bright_color_btn")->IsEnabled());
  Send(page_->KeyButton(kPositionA), notify::kClick);
  EXPECT_EQ(ColourMemory(kPositionA), (std::array<uint8_t, 3>{12, 34, 56}));
  // Fn can be painted on this tab as well.
  Send(page_->KeyButton(kFn), notify::kClick);
  EXPECT_EQ(ColourMemory(kFn), (std::array<uint8_t, 3>{12, 34, 56}));
  const std::vector<CustomColor> group = Saved()->getCustomGroupColors(0, 170);
  EXPECT_EQ(group[kPositionA].red, 12);
  EXPECT_EQ(group[kPositionA].blue, 56);

  // "All keys off" darkens the whole memory at once.
  ASSERT_TRUE(C("custom_off_color_btn")->Activate());
  EXPECT_EQ(ColourMemory(kPositionA), (std::array<uint8_t, 3>{0, 0, 0}));
  EXPECT_EQ(ColourMemory(0), (std::array<uint8_t, 3>{0, 0, 0}));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(KeyboardPageTest, InTheCustomModeTheSwatchesAndColourBoxesChooseThePaint) {
  ShowPage();
  // The custom mode, chosen with the arrow keys on the mode list.
  auto* modes = As<CComboUI>("light_combo_modeSelect");
  for (int i = 0; i < 40 && modes->GetCurSel() != keyboard::kCustomMode; ++i)
    ASSERT_TRUE(test::KeyAt(modes, modes->GetCurSel() < keyboard::kCustomMode ? Qt::Key_Down : Qt::Key_Up));
  ASSERT_EQ(page_->Keyboard().light().selectItem, keyboard::kCustomMode);
  // A swatch is the paint a clicked key takes.
  ASSERT_TRUE(test::ClickAt(C("color_option_3")));  // green
  ASSERT_TRUE(test::ClickAt(page_->KeyButton(kPositionA)));
  EXPECT_EQ(ColourMemory(kPositionA), (std::array<uint8_t, 3>{0x00, 0xFF, 0x00}));
  // So are the three boxes.
  ASSERT_TRUE(test::TypeAt(C("deng_edit_R"), "12"));
  ASSERT_TRUE(test::TypeAt(C("deng_edit_G"), "34"));
  ASSERT_TRUE(test::TypeAt(C("deng_edit_B"), "56"));
  ASSERT_TRUE(test::ClickAt(page_->KeyButton(kPositionA + 1)));
  EXPECT_EQ(ColourMemory(kPositionA + 1), (std::array<uint8_t, 3>{12, 34, 56}));
  EXPECT_EQ(ColourMemory(kPositionA), (std::array<uint8_t, 3>{0x00, 0xFF, 0x00}));
  EXPECT_FALSE(C("deng_speed_layout")->IsEnabled());  // the custom mode has no pace
  EXPECT_TRUE(messages_.empty());
}

TEST_F(KeyboardPageTest, EveryKeyShowsANameThatFitsItAndTheWholeNameOnHover) {
  // Long names on narrow keys: "Disabled" on A, a media function on Home.
  constexpr int kHome = 36;
  ASSERT_TRUE(page_->Keyboard().StoreAssignment(kPositionA, FunctionCode{0xA0, 0x00, 0x00}));
  ASSERT_TRUE(page_->Keyboard().StoreAssignment(kHome, FunctionCode{0x30, 0xCD, 0x00}));
  for (const char* lang : {"lan_en.xml", "lan_cn.xml"}) {
    ASSERT_TRUE(CResourceManager::GetInstance()->LoadLanguage(QString::fromLatin1(lang)));
    page_->RefreshView();
    for (int j = 0; j < 170; ++j) {
      CDeviceKeyButtonUI* k = page_->KeyButton(j);
      if (!k || !k->GetOwnVisible()) continue;
      const QRect box(0, 0, k->Scale(k->GetFixedWidth()), k->Scale(k->GetFixedHeight()));
      const QFontMetrics metrics(wnd_->GetManager().GetFont(k->GetFont()));
      const QRect drawn = metrics.boundingRect(box, Qt::AlignCenter | Qt::TextWordWrap, k->GetText());
      EXPECT_TRUE(box.contains(drawn)) << lang << " key " << j << " \"" << k->GetText().toStdString() << "\"";
    }
  }
  CResourceManager::GetInstance()->LoadLanguage(QStringLiteral("lan_en.xml"));
  page_->RefreshView();
  EXPECT_EQ(page_->KeyButton(kPositionA)->GetText(), "Off");
  EXPECT_EQ(page_->KeyButton(kPositionA)->GetToolTip(), "Key: Disabled");
  EXPECT_EQ(page_->KeyButton(kHome)->GetToolTip(), "Key: Play/Pause");
}

TEST_F(KeyboardPageTest, KeyboardLightControlsReachTheBlockAndARefusedWriteIsShown) {
  auto* modes = As<CComboUI>("light_combo_modeSelect");
  auto* zzcc = As<CComboUI>("light_combo_ZZCCmodeSelect");
  ASSERT_TRUE(modes && zzcc);
  EXPECT_EQ(zzcc->GetItemCount(), 4);
  // The fixed-colour choice counts in mode 17 only, and goes out in byte 18.
  modes->SelectItem(17);
  EXPECT_TRUE(zzcc->IsEnabled());
  zzcc->SelectItem(2);
  EXPECT_EQ(Block()[18], 2);
  EXPECT_EQ(Saved()->getLightInfo().zzccLedMode, 2);
  // The direction checks say where each mode's colours go.
  EXPECT_EQ(C("deng_FXL_check")->GetText(), "Left");
  modes->SelectItem(12);
  EXPECT_FALSE(zzcc->IsEnabled());
  EXPECT_EQ(C("deng_FXL_check")->GetText(), "Up");
  EXPECT_EQ(C("deng_FXR_check")->GetText(), "Down");
  modes->SelectItem(18);
  EXPECT_EQ(C("deng_FXL_check")->GetText(), "Inward");
  EXPECT_TRUE(messages_.empty());

  // The keyboard refuses the next settings write: the user is told once,
  // and the document keeps the change.
  fw_->injectFault({sim::FaultKind::StatusFF, kWriteSettings, 0, 5});
  ASSERT_TRUE(C("system_Op_tab")->Activate());
  ASSERT_TRUE(C("polling_rate_option_0")->Activate());
  ASSERT_FALSE(messages_.empty());
  EXPECT_EQ(messages_[0], "keyboard_write_failed");
  EXPECT_EQ(Saved()->getSystemStages().pollingRate, 0);
}

TEST_F(KeyboardPageTest, OptionsReachTheSettingsBlockAndRepeatStaysInTheDocument) {
  ASSERT_TRUE(C("system_Op_tab")->Activate());
  const bool lock = As<CCheckBoxUI>("winlockflag_option")->GetCheck();
  ASSERT_TRUE(C("winlockflag_option")->Activate());
  EXPECT_EQ(Block()[21], lock ? 0 : 1);
  const bool w = As<CCheckBoxUI>("wflag_option")->GetCheck();
  ASSERT_TRUE(C("wflag_option")->Activate());
  EXPECT_EQ(Block()[19], w ? 0 : 1);
  ASSERT_TRUE(C("polling_rate_option_1")->Activate());
  EXPECT_EQ(Block()[22], 1);
  EXPECT_TRUE(As<COptionUI>("polling_rate_option_1")->IsSelected());
  EXPECT_EQ(Saved()->getSystemStages().winFlag, lock ? 0 : 1);
  EXPECT_EQ(Saved()->getSystemStages().pollingRate, 1);

  // The repeat delay and rate are stored and shown, never written.
  const size_t writes = fw_->countOf(kWriteSettings);
  ASSERT_TRUE(C("repeat_delay_check_2")->Activate());
  EXPECT_EQ(C("repeat_delay_time_label1")->GetText(), "Repeat delay: 750ms");
  EXPECT_FALSE(As<COptionUI>("repeat_delay_check_1")->IsSelected());
  auto* rate = As<CSliderUI>("repeat_rate_slider");
  rate->SetValue(9);
  Send(rate, notify::kValueChanged);
  EXPECT_EQ(fw_->countOf(kWriteSettings), writes);
  EXPECT_EQ(Saved()->getSystemStages().repeatDelay, 2);
  EXPECT_EQ(Saved()->getSystemStages().repeat, 9);

  // The test box shows its tip while empty; the reset button empties it.
  auto* box = As<CRichEditUI>("repeat_input_richedit");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->GetToolTip(), "Hold a key down here to try the repeat rate and delay");
  box->SetText(QStringLiteral("aaaaaaa"));
  Send(box, notify::kTextChanged);
  EXPECT_TRUE(box->GetToolTip().isEmpty());
  ASSERT_TRUE(C("reset_repeat_btn")->Activate());
  EXPECT_TRUE(box->GetPlainText().isEmpty());
  EXPECT_FALSE(box->GetToolTip().isEmpty());
  EXPECT_TRUE(messages_.empty());
}

TEST_F(KeyboardPageTest, AProfileReportRefreshesThePage) {
  ASSERT_TRUE(C("system_Op_tab")->Activate());
  auto* rollover = As<CCheckBoxUI>("6flag_option");
  const bool stored = rollover->GetCheck();
  rollover->SetCheck(!stored, false);  // the page shows something else than the document
  // What the status reader hands over for report 0x1123.
  page_->Keyboard().inputUsage(0x1123);
  EXPECT_EQ(page_->Keyboard().currentProfile(), 3);
  ASSERT_TRUE(page_->Keyboard().lastBlock());
  EXPECT_EQ((*page_->Keyboard().lastBlock())[17], 2);
  EXPECT_EQ(rollover->GetCheck(), stored);
}

TEST_F(KeyboardPageTest, MacroBindingsStayWhileTheLibraryCannotBeRead) {
  constexpr int kM1 = 120;
  const FunctionCode toMacro0{0x70, 0x00, 0x00};
  ASSERT_TRUE(page_->Keyboard().StoreAssignment(kM1, toMacro0));
  page_->Keyboard().saveProfileData();
  // The library's index is there but unreadable: the binding is kept.
  const fs::path index = root_ / "keyboard" / "macro.config";
  {
    std::ofstream out(index);
    out << "{ not json";
  }
  ASSERT_TRUE(C("macro_Op_tab")->Activate());
  EXPECT_EQ(page_->Keyboard().keys()[kM1].assignment, toMacro0);
  EXPECT_EQ(Saved()->getKeyList()[kM1].assignment, toMacro0);
  // A library that reads as empty has no macro 0: M1 gets its own function back.
  {
    std::ofstream out(index, std::ios::trunc);
    out << "{}";
  }
  ASSERT_TRUE(C("key_Op_tab")->Activate());
  ASSERT_TRUE(C("macro_Op_tab")->Activate());
  EXPECT_EQ(page_->Keyboard().keys()[kM1].assignment, keyboard::kPositionDefaults[kM1]);
  EXPECT_EQ(page_->KeyButton(kM1)->GetText(), "M1");
}

// A lit cell paints all of itself, the keyboard picture under its round
// corners included, so a new colour repaints the cell and not the picture.
TEST_F(KeyboardPageTest, ALitCellPaintsThePictureUnderItsCornersItself) {
  ShowPage();
  CDeviceKeyButtonUI* cell = page_->LightCell(kPositionA);
  cell->SetZoneColour(0xFF0000FFu);  // red at full brightness
  QWidget* own = cell->GetWidget();
  EXPECT_TRUE(own->testAttribute(Qt::WA_OpaquePaintEvent));
  CControlUI* panel = cell->GetParent();
  QImage behind(panel->GetPos().size(), QImage::Format_ARGB32_Premultiplied);
  behind.fill(Qt::transparent);
  {
    QPainter p(&behind);
    panel->PaintBackground(p, QRect(QPoint(0, 0), behind.size()));
  }
  const QImage drawn = own->grab().toImage();
  const QRgb corner = drawn.pixel(0, 0), picture = behind.pixel(cell->GetPos().topLeft());
  // The corner shows the picture (the round edge's antialiasing may touch it).
  EXPECT_NEAR(qRed(corner), qRed(picture), 3);
  EXPECT_NEAR(qGreen(corner), qGreen(picture), 3);
  EXPECT_NEAR(qBlue(corner), qBlue(picture), 3);
  EXPECT_GE(qRed(drawn.pixel(drawn.width() / 2, drawn.height() / 2)), 250);
  cell->ClearZoneColour();
  EXPECT_FALSE(own->testAttribute(Qt::WA_OpaquePaintEvent));
}

TEST_F(KeyboardPageTest, ThePictureFollowsTheFrameOnlyWhileShown) {
  // A still picture to compare with: the light thread is not stepping it meanwhile.
  page_->Keyboard().stopLightThread();
  const std::vector<uint8_t> tick{1};  // any frame: light control is on
  constexpr uint32_t kUntouched = 0x01020304u;
  for (int j : {0, kPositionA, 108}) page_->LightCell(j)->SetZoneColour(kUntouched);
  wnd_->Find<CTabLayoutUI>("device_switch")->SelectItem(0);  // another page shown
  page_->ShowFrame(tick);
  for (int j : {0, kPositionA, 108}) EXPECT_EQ(page_->LightCell(j)->GetZoneColour(), kUntouched) << j;
  ShowPage();
  page_->ShowFrame(tick);
  const KeyboardController::Picture picture = page_->Keyboard().picture();
  for (int j : {0, kPositionA, 108}) EXPECT_EQ(page_->LightCell(j)->GetZoneColour(), picture[j]) << j;
  // Between ticks the page keeps repainting at the light's pace.
  ASSERT_TRUE(page_->PictureTimerRunning());
  page_->LightCell(0)->SetZoneColour(kUntouched);
  clock_.advance(std::chrono::milliseconds(CBrelvikKeyboardDevice::kPicturePaceMs));
  EXPECT_NE(page_->LightCell(0)->GetZoneColour(), kUntouched);
  // Hidden again: the timer stops and nothing is painted.
  wnd_->Find<CTabLayoutUI>("device_switch")->SelectItem(0);
  page_->LightCell(0)->SetZoneColour(kUntouched);
  clock_.advance(std::chrono::milliseconds(CBrelvikKeyboardDevice::kPicturePaceMs));
  EXPECT_FALSE(page_->PictureTimerRunning());
  EXPECT_EQ(page_->LightCell(0)->GetZoneColour(), kUntouched);
  // Nobody looks: outside the host-driven modes the light thread may rest.
  EXPECT_FALSE(page_->Keyboard().pictureWanted());
  // Light control off: shown or not, the picture stays as it is.
  ShowPage();
  page_->Controller().setLightControlOn(false);
  page_->ShowFrame({});
  EXPECT_EQ(page_->LightCell(0)->GetZoneColour(), kUntouched);
  EXPECT_FALSE(page_->PictureTimerRunning());
  // The window hidden to the tray: the page is still the selected one, but
  // nothing is painted and no timer runs.
  page_->Controller().setLightControlOn(true);
  QWidget* window = page_->GetManager()->GetPaintWindow();
  ASSERT_NE(window, nullptr);
  window->hide();
  page_->ShowFrame(tick);
  EXPECT_EQ(page_->LightCell(0)->GetZoneColour(), kUntouched);
  EXPECT_FALSE(page_->PictureTimerRunning());
  window->show();
  page_->ShowFrame(tick);
  EXPECT_NE(page_->LightCell(0)->GetZoneColour(), kUntouched);
  EXPECT_TRUE(page_->Keyboard().pictureWanted());
}

}  // namespace
}  // namespace tessel::ui
