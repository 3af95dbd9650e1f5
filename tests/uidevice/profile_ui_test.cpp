// The profile selector on a real mouse page, driven by control name through
// the toolkit: the selector's skin, the profile buttons and the switch.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QClipboard>
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QTest>

#include "device_env.h"
#include "platform/json_file.h"
#include "ui/device/device_profile.h"
#include "ui/device/device_profile_page.h"
#include "ui/profile_actions.h"

namespace tessel::ui {
namespace {

namespace fs = std::filesystem;

class CountingMouse : public CBrelvikMouseDevice {
 public:
  CountingMouse(hid::HidBackend& backend, Clock& clock) : CBrelvikMouseDevice(backend, clock) {}
  void RefreshView() override { ++refreshes; }
  int refreshes = 0;
};

// Counts the page's refreshes.
// A window that builds the selector's nested skin as the main window does and
// hands notifications to the profile actions.
class ProfileWnd : public test::DeviceWnd {
 public:
  using DeviceWnd::DeviceWnd;
  CControlUI* CreateControl(const QString& tag) override {
    if (tag.compare(QLatin1String("DeviceProfileUI"), Qt::CaseInsensitive) == 0) {
      CDialogBuilder nested;
      return nested.Create(QStringLiteral("XML/CustomControlXML/DeviceProfile.xml"), QString(), this, &m_pm);
    }
    if (tag.compare(QLatin1String("BrelvikMouseDevice"), Qt::CaseInsensitive) == 0)
      return new CountingMouse(hid::defaultBackend(), SystemClock::instance());
    return DeviceWnd::CreateControl(tag);
  }
  void Notify(TNotifyUI& msg) override {
    if (actions && actions->Notify(msg)) return;
    DeviceWnd::Notify(msg);
  }
  ProfileActions* actions = nullptr;
};

class ProfileUiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseProjectResources();
    CResourceManager::GetInstance()->LoadLanguage(QStringLiteral("lan_en.xml"));
    CPaintManagerUI::SetDefaultScheduler(&clock_);
    root_ = fs::temp_directory_path() / ("tessel-profile-ui-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    wnd_ = std::make_unique<ProfileWnd>(bus_);
    ASSERT_TRUE(wnd_->Create(nullptr, QStringLiteral("profile test"), WS_VISIBLE, 0, 0, 0, 800, 572));
    QCoreApplication::processEvents();
    page_ = wnd_->CreatePage(0, supportedInterfaceTable()[0]).device;
    ASSERT_NE(page_, nullptr);

    ProfileActions::Hooks hooks;
    hooks.currentPage = [this] { return page_; };
    hooks.startTimer = [this](UINT id, UINT ms) { timers_.push_back({id, ms}); };
    hooks.message = [this](const QString& text, int mode) {
      messages_.push_back(text);
      return mode == 1 ? confirm_ : 1;
    };
    hooks.chooseFile = [this](bool, const QString& suggestion) {
      suggestions_.push_back(suggestion);
      return chosenFile_;
    };
    hooks.afterReset = [this] { ++afterResets_; };
    actions_ = std::make_unique<ProfileActions>(*wnd_, std::move(hooks));
    wnd_->actions = actions_.get();

    const auto outcome = page_->Profile().Init(2, root_ / "mouse", fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "mouse.Json");
    ASSERT_TRUE(outcome.ok()) << outcome.message;
    selector_ = page_->Profile().Selector();
    ASSERT_NE(selector_, nullptr);
  }
  void TearDown() override {
    wnd_->actions = nullptr;
    wnd_.reset();
    actions_.reset();
    CPaintManagerUI::SetDefaultScheduler(nullptr);
    fs::remove_all(root_);
  }
  void Click(const char* name) {
    CControlUI* c = wnd_->Find<CControlUI>(name);
    ASSERT_NE(c, nullptr) << name;
    if (!c->IsVisible()) selector_->ShowProfileMenu(true);
    QCoreApplication::processEvents();
    QTest::mouseClick(c->GetWidget(), Qt::LeftButton);
  }
  QStringList ComboTexts() const {
    QStringList out;
    auto* combo = selector_->GetCombo();
    for (int i = 0; i < combo->GetItemCount(); ++i) out << combo->GetItemText(i);
    return out;
  }
  Json::Value List() const { return readJsonFile(root_ / "mouse" / "ProfileList.ini"); }

  ManualClock clock_;
  sim::VirtualHidBus bus_;
  fs::path root_;
  std::unique_ptr<ProfileWnd> wnd_;
  std::unique_ptr<ProfileActions> actions_;
  CBrelvikUSBDevice* page_ = nullptr;
  CDeviceProfileUI* selector_ = nullptr;
  std::vector<std::pair<UINT, UINT>> timers_;
  QStringList messages_;
  int afterResets_ = 0;  // the audio styles' reset after a profile reset
  int confirm_ = 1;
  QString chosenFile_;
  QStringList suggestions_;
};

TEST_F(ProfileUiTest, FirstStartShowsProfile1AndTheMouseTabs) {
  EXPECT_EQ(ComboTexts(), QStringList{"profile1"});
  EXPECT_EQ(selector_->GetCurrentIndex(), 0);
  EXPECT_EQ(selector_->GetNameBoxText(), "profile1");
  EXPECT_TRUE(fs::exists(*selector_->CurrentDocumentPath()));
  EXPECT_TRUE(wnd_->Find<COptionUI>("deng_Op_tab")->IsSelected());
  EXPECT_TRUE(wnd_->Find<CControlUI>("cursor_Op_tab")->GetOwnVisible());
  EXPECT_FALSE(wnd_->Find<CControlUI>("6533_voice_Op_tab")->GetOwnVisible());
  selector_->SelectTab(3);
  EXPECT_TRUE(wnd_->Find<COptionUI>("macro_Op_tab")->IsSelected());
  EXPECT_FALSE(wnd_->Find<COptionUI>("deng_Op_tab")->IsSelected());
  // The page's document is the current profile's.
  EXPECT_EQ(page_->Profile().DocumentPath(), *selector_->CurrentDocumentPath());
}

TEST_F(ProfileUiTest, AddRenameAndSwitchThroughTheControls) {
  auto* page = static_cast<CountingMouse*>(page_);
  const int refreshesBefore = page->refreshes;
  Click("device_add_btn");
  // The new profile is current in the list, on screen and for the page.
  EXPECT_EQ(ComboTexts(), (QStringList{"profile1", "profile2"}));
  EXPECT_EQ(selector_->GetCurrentIndex(), 1);
  EXPECT_EQ(List()["profileselect"].asInt(), 1);
  EXPECT_EQ(selector_->GetNameBoxText(), "profile2");
  EXPECT_EQ(page_->Profile().DocumentPath(), *selector_->GetProfileDocumentPath(1));
  EXPECT_EQ(page->refreshes, refreshesBefore + 1);

  // Rename the current profile by typing into the name box of the menu.
  selector_->ShowProfileMenu(true);
  QCoreApplication::processEvents();
  auto* edit = qobject_cast<QLineEdit*>(selector_->GetNameBox()->GetWidget());
  ASSERT_NE(edit, nullptr);
  edit->clear();
  QTest::keyClicks(edit, "Game");
  Click("device_profile_edit_save_btn");
  EXPECT_EQ(ComboTexts(), (QStringList{"profile1", "Game"}));
  EXPECT_EQ(List()["profilelist"][1]["profilename"].asString(), "Game");
  EXPECT_TRUE(messages_.isEmpty());

  // A taken name and a blank one are refused with their messages.
  edit->clear();
  QTest::keyClicks(edit, "PROFILE1");
  Click("device_profile_edit_save_btn");
  edit->clear();
  QTest::keyClicks(edit, "   ");
  Click("device_profile_edit_save_btn");
  edit->clear();
  // The box takes at most 64 characters; a pasted tab is refused with a message.
  QGuiApplication::clipboard()->setText(QStringLiteral("evil\tFORGED"));
  QTest::keySequence(edit, QKeySequence::Paste);
  Click("device_profile_edit_save_btn");
  EXPECT_EQ(messages_, (QStringList{"message_text_5", "message_text_25", "message_bad_name"}));
  EXPECT_EQ(ComboTexts(), (QStringList{"profile1", "Game"}));

  // Choosing profile1 starts the 400 ms switch; when it fires the page is
  // bound to profile1's document, refreshed and written.
  QTest::keyClick(selector_->GetCombo()->GetComboBox(), Qt::Key_Up);
  QCoreApplication::processEvents();
  EXPECT_EQ(selector_->GetCurrentIndex(), 0);
  ASSERT_EQ(timers_.size(), 1u);
  EXPECT_EQ(timers_[0], (std::pair<UINT, UINT>{1055u, 400u}));
  actions_->SwitchProfile();
  EXPECT_EQ(List()["profileselect"].asInt(), 0);
  EXPECT_EQ(selector_->GetNameBoxText(), "profile1");
  EXPECT_EQ(page_->Profile().DocumentPath(), *selector_->GetProfileDocumentPath(0));
  EXPECT_EQ(page->refreshes, refreshesBefore + 2);
}

TEST_F(ProfileUiTest, DeleteRebindsToTheNewCurrentAndCopyImportExportReset) {
  Click("device_add_btn");
  Click("device_add_btn");
  ASSERT_EQ(selector_->GetCurrentIndex(), 2);
  const fs::path deleted = *selector_->CurrentDocumentPath();
  // Delete asks first, naming the profile; "no" keeps it.
  confirm_ = 0;
  Click("device_sub_btn");
  ASSERT_EQ(messages_.size(), 1);
  EXPECT_TRUE(messages_[0].contains("profile3")) << messages_[0].toStdString();
  EXPECT_TRUE(fs::exists(deleted));
  confirm_ = 1;
  Click("device_sub_btn");
  EXPECT_EQ(selector_->GetCurrentIndex(), 1);
  EXPECT_FALSE(fs::exists(deleted));
  EXPECT_EQ(page_->Profile().DocumentPath(), *selector_->GetProfileDocumentPath(1));
  // The page saves into the new current document, never the deleted one.
  page_->Profile().SaveDocument();
  EXPECT_FALSE(fs::exists(deleted));

  Click("device_copy_btn");
  EXPECT_EQ(ComboTexts().last(), "profile2 copy");

  // Export proposes "<name>.json" and adds the extension the user left out;
  // import says what it added.
  messages_.clear();
  chosenFile_ = QString::fromStdString((root_ / "Shared").string());
  Click("device_export_btn");
  ASSERT_EQ(suggestions_.size(), 1);
  EXPECT_TRUE(suggestions_[0].endsWith("/profile2.json")) << suggestions_[0].toStdString();
  ASSERT_TRUE(fs::exists(root_ / "Shared.json"));
  chosenFile_ += ".json";
  Click("device_import_btn");
  EXPECT_EQ(ComboTexts().last(), "Shared");
  EXPECT_EQ(selector_->GetCurrentIndex(), 1);
  ASSERT_EQ(messages_.size(), 2);
  EXPECT_TRUE(messages_[1].contains("\"Shared\"")) << messages_[1].toStdString();

  writeFileAtomic(root_ / "bad.json", "[]");
  chosenFile_ = QString::fromStdString((root_ / "bad.json").string());
  Click("device_import_btn");
  ASSERT_EQ(messages_.size(), 3);
  EXPECT_TRUE(messages_[2].contains("not a profile document")) << messages_[2].toStdString();
  EXPECT_EQ(ComboTexts().size(), 4);

  confirm_ = 0;
  Click("device_reset_btn");
  EXPECT_EQ(messages_.last(), "message_text_22");
  EXPECT_EQ(afterResets_, 0);
  confirm_ = 1;
  Click("device_reset_btn");
  EXPECT_EQ(messages_.size(), 5);
  EXPECT_EQ(afterResets_, 1);

  // The last profile cannot go; nothing is asked or said.
  while (selector_->GetProfileCount() > 1) Click("device_sub_btn");
  const auto said = messages_.size();
  Click("device_sub_btn");
  EXPECT_EQ(ComboTexts().size(), 1);
  EXPECT_EQ(messages_.size(), said);
}

TEST_F(ProfileUiTest, HeadsetPageShowsItsOwnTabsAndOutOfRangeTabsKeepTheEighth) {
  CBrelvikUSBDevice* headset = wnd_->CreatePage(3, supportedInterfaceTable()[0]).device;
  ASSERT_NE(headset, nullptr);
  ASSERT_TRUE(headset->Profile().Init(7, root_ / "HD", fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "HD.Json").ok());
  CDeviceProfileUI* s = headset->Profile().Selector();
  auto tab = [s](const char* name) {
    return dynamic_cast<COptionUI*>(s->FindControl([name](CControlUI* c) { return c->GetName() == QLatin1String(name); }));
  };
  for (const char* hidden : {"cursor_Op_tab", "macro_Op_tab", "system_Op_tab", "key_Op_tab"})
    EXPECT_FALSE(tab(hidden)->GetOwnVisible()) << hidden;
  for (const char* shown : {"deng_Op_tab", "6533_voice_Op_tab", "magic_Op_tab", "Virtual7.1_Op_tab"})
    EXPECT_TRUE(tab(shown)->GetOwnVisible()) << shown;
  s->SelectTab(8);
  s->SelectTab(0);
  EXPECT_TRUE(tab("Virtual7.1_Op_tab")->IsSelected());
  EXPECT_FALSE(tab("deng_Op_tab")->IsSelected());
  // Its own folder: the mouse's profiles are not the headset's.
  EXPECT_TRUE(fs::exists(root_ / "HD" / "ProfileList.ini"));
  EXPECT_EQ(s->GetProfileCount(), 1);
}

}  // namespace
}  // namespace tessel::ui
