// The settings window against an update service on 127.0.0.1, the skin
// window's broadcasts and record, and the about window.
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

#include <filesystem>

#include "../services/local_server.h"
#include "platform/file_io.h"
#include "qt_env.h"
#include "services/app_settings.h"
#include "services/skin_record.h"
#include "ui/about_wnd.h"
#include "ui/main_wnd.h"
#include "ui/set_wnd.h"
#include "ui/skin_wnd.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/update_info_item.h"

namespace tessel::ui {
namespace {

namespace fs = std::filesystem;
using test::SpinUntil;

// The window that owns the settings window: keeps the messages it gets.
class OwnerWnd : public WindowImplBase {
 public:
  QString GetWindowClassName() const override { return QStringLiteral("OwnerWnd"); }
  QString GetSkinFile() override { return QStringLiteral("<VerticalLayout name=\"root\"/>"); }
  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM, bool& handled) override {
    handled = msg == kMsgLanguageChanged;
    if (handled) languages.push_back(static_cast<int>(wParam));
    return 0;
  }
  std::vector<int> languages;
};

class SettingsWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseProjectResources();
    CResourceManager::GetInstance()->LoadLanguage(QStringLiteral("lan_en.xml"));
    char pattern[] = "/tmp/tessel-setwnd-XXXXXX";
    home_ = mkdtemp(pattern);
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(home_.string() + "/config"));
    ASSERT_TRUE(owner_.Create(nullptr, QStringLiteral("owner"), WS_POPUP, 0, 0, 0, 100, 100));
  }
  void TearDown() override {
    owner_.DestroyWindow();
    fs::remove_all(home_);
  }
  SetWndOptions options(std::vector<uint16_t> firmware, std::string server) {
    SetWndOptions o;
    o.firmwareVersions = std::move(firmware);
    o.appVersion = "1.0.5";
    o.server = std::move(server);
    o.updateTimeFile = home_ / "updatetime.config";
    o.today = {2024, 3, 7};
    o.languageIndex = 1;
    o.languageConfig = fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "Language.config";
    return o;
  }
  static CControlUI* Find(WindowImplBase& w, const char* name) {
    return w.GetManager().FindControl(QString::fromLatin1(name));
  }
  static void Click(CControlUI* c) {
    ASSERT_NE(c, nullptr);
    ASSERT_NE(c->GetWidget(), nullptr);
    QTest::mouseClick(c->GetWidget(), Qt::LeftButton);
  }
  // With TESSEL_SHOT_DIR set, keeps a picture of the window there (for looking at, not asserted).
  static void Shot(CWindowWnd& w, const char* name) {
    const QByteArray dir = qgetenv("TESSEL_SHOT_DIR");
    if (dir.isEmpty() || !w.GetHWND()) return;
    QCoreApplication::processEvents();
    w.GetHWND()->grab().save(QString::fromUtf8(dir) + "/" + QString::fromLatin1(name) + ".png");
  }
  fs::path home_;
  OwnerWnd owner_;
};

TEST_F(SettingsWindows, WithoutAServerNothingIsAskedAndTheWindowSaysSo) {
  CSetWnd wnd(&owner_, options({}, ""));
  ASSERT_TRUE(wnd.Create(&owner_, QStringLiteral("set"), WS_VISIBLE, 0));
  ASSERT_TRUE(SpinUntil([&] { return !wnd.IsCheckRunning(); }));
  SpinUntil([&] { return wnd.GetWindowState() != UpdateWindowState::Checking; });
  EXPECT_EQ(wnd.GetWindowState(), UpdateWindowState::NoConnection);
  ASSERT_EQ(wnd.GetUpdateList().rows().size(), 1u);  // no device: the application only
  EXPECT_EQ(wnd.GetUpdateList().rows()[0].result.name, "AP");
  EXPECT_EQ(Find(wnd, "update_server_text")->GetText(),
            CResourceManager::GetInstance()->GetText(QStringLiteral("no_update_server_text")));
  // Nothing was asked: no claim about reaching a server, and the row's
  // state is not known, so it shows none.
  EXPECT_EQ(Find(wnd, "Update_Status_text")->GetText(), "No update server is set");
  ASSERT_NE(wnd.GetRowControl(0), nullptr);
  EXPECT_TRUE(wnd.GetRowControl(0)->GetStateLabel()->GetText().isEmpty());
  EXPECT_NE(wnd.GetRowControl(0)->GetBkColor(), 0xFF666666u);  // not drawn as "up to date" either
  EXPECT_FALSE(Find(wnd, "update_status_ring")->GetOwnVisible());
  EXPECT_FALSE(fs::exists(home_ / "updatetime.config"));
  Shot(wnd, "settings-no-server");
  wnd.DestroyWindow();
}

TEST_F(SettingsWindows, AnAnswerWithNothingNewerShowsTheCheckDate) {
  tessel::test::LocalServer server;
  server.http().Post("/api/updates", [](const httplib::Request&, httplib::Response& res) {
    res.set_content(R"({"version":"0102","version_name":"1.2","name":"MS"})", "application/json");
  });
  ASSERT_TRUE(server.start());
  CSetWnd wnd(&owner_, options({0x0102}, server.base()));
  ASSERT_TRUE(wnd.Create(&owner_, QStringLiteral("set"), WS_VISIBLE, 0));
  ASSERT_TRUE(SpinUntil([&] { return wnd.GetWindowState() == UpdateWindowState::UpToDate; }));
  EXPECT_EQ(Find(wnd, "Update_Status_text")->GetText(),
            CResourceManager::GetInstance()->GetText(QStringLiteral("UpdateIsLastText")) + " 2024-3-7");
  EXPECT_EQ(wnd.GetRowControl(0)->GetStateLabel()->GetText(), "Up to date");  // an answered row knows
  EXPECT_FALSE(Find(wnd, "update_fw_and_ap")->IsEnabled());
  Shot(wnd, "settings-up-to-date");
  wnd.DestroyWindow();
}

TEST_F(SettingsWindows, AnErrorStatusIsNoAnswerEvenWithANewerBody) {
  tessel::test::LocalServer server;
  server.http().Post("/api/updates", [](const httplib::Request&, httplib::Response& res) {
    res.status = 500;
    res.set_content(R"({"version":"0200","version_name":"2.0","name":"MS"})", "application/json");
  });
  ASSERT_TRUE(server.start());
  CSetWnd wnd(&owner_, options({0x0102}, server.base()));
  ASSERT_TRUE(wnd.Create(&owner_, QStringLiteral("set"), WS_VISIBLE, 0));
  ASSERT_TRUE(SpinUntil([&] { return wnd.GetWindowState() == UpdateWindowState::NoConnection; }));
  EXPECT_EQ(Find(wnd, "Update_Status_text")->GetText(), "The update server did not answer properly");
  EXPECT_TRUE(wnd.GetRowControl(0)->GetStateLabel()->GetText().isEmpty());  // neither offered nor up to date
  EXPECT_FALSE(Find(wnd, "update_fw_and_ap")->IsEnabled());
  EXPECT_FALSE(fs::exists(home_ / "updatetime.config"));
  wnd.DestroyWindow();
}

TEST_F(SettingsWindows, OfferedFirmwareCanBeMarkedAndConfirmed) {
  tessel::test::LocalServer server;
  server.http().Post("/api/updates", [](const httplib::Request& req, httplib::Response& res) {
    if (req.body.find("RT52P03C") != std::string::npos)
      res.set_content(R"({"version":"0103","version_name":"1.3","name":"MS","path":"/x"})", "application/json");
    else
      res.set_content(R"({"version":"105","version_name":"1.0.5","name":"AP"})", "application/json");
  });
  ASSERT_TRUE(server.start());
  CSetWnd wnd(&owner_, options({0x0102, 0}, server.base()));
  ASSERT_TRUE(wnd.Create(&owner_, QStringLiteral("set"), WS_VISIBLE, 0));
  ASSERT_TRUE(SpinUntil([&] { return wnd.GetWindowState() == UpdateWindowState::Available; }));
  Shot(wnd, "settings-update-available");
  ASSERT_EQ(wnd.GetUpdateList().rows().size(), 2u);
  CUpdateInfoListItemUI* ms = wnd.GetRowControl(0);
  CUpdateInfoListItemUI* ap = wnd.GetRowControl(1);
  ASSERT_TRUE(ms && ap);
  EXPECT_EQ(ms->GetState(), 1);
  EXPECT_EQ(ms->GetAvailableLabel()->GetText(), "V0103");
  EXPECT_EQ(ms->GetStateLabel()->GetText(), CResourceManager::GetInstance()->GetText(QStringLiteral("NeedUpdateText")));
  EXPECT_EQ(ap->GetState(), 7);
  EXPECT_EQ(ap->GetBkColor(), 0xFF666666u);
  EXPECT_FALSE(ap->GetCheck()->IsEnabled());
  EXPECT_EQ(readLastCheckDate(home_ / "updatetime.config"), "2024-3-7");

  CControlUI* updateButton = Find(wnd, "update_fw_and_ap");
  EXPECT_FALSE(updateButton->IsEnabled());
  ms->GetCheck()->SetCheck(true);
  EXPECT_TRUE(updateButton->IsEnabled());
  ms->GetCheck()->SetCheck(false);
  EXPECT_FALSE(updateButton->IsEnabled());
  ms->GetCheck()->SetCheck(true);
  Click(updateButton);
  auto* tab = dynamic_cast<CTabLayoutUI*>(Find(wnd, "get_update_tab_layout"));
  ASSERT_TRUE(SpinUntil([&] { return tab->GetCurSel() == 1; }));
  Click(Find(wnd, "update_OK_btn"));
  ASSERT_TRUE(SpinUntil([&] { return tab->GetCurSel() == 0; }));
  EXPECT_EQ(ms->GetState(), 3);
  EXPECT_EQ(ms->GetStateLabel()->GetText(),
            CResourceManager::GetInstance()->GetText(QStringLiteral("DownloadWaitText")));
  EXPECT_FALSE(updateButton->IsEnabled());
  wnd.DestroyWindow();
}

TEST_F(SettingsWindows, ClosingEndsASlowCheckAndWritesNoDate) {
  tessel::test::SilentServer silent;
  auto* wnd = CSetWnd::Open(&owner_, options({0x0100}, silent.base()));
  ASSERT_NE(wnd, nullptr);
  EXPECT_EQ(CSetWnd::Current(), wnd);
  EXPECT_TRUE(wnd->IsCheckRunning());
  EXPECT_EQ(wnd->GetWindowState(), UpdateWindowState::Checking);
  EXPECT_TRUE(Find(*wnd, "update_status_ring")->GetOwnVisible());
  Shot(*wnd, "settings-checking");
  Click(Find(*wnd, "closebtn"));  // stops the thread, then closes (and deletes) the window
  ASSERT_TRUE(SpinUntil([&] { return CSetWnd::Current() == nullptr; }));
  EXPECT_FALSE(fs::exists(home_ / "updatetime.config"));
}

TEST_F(SettingsWindows, LanguageListAndNoticeButton) {
  CSetWnd wnd(&owner_, options({}, ""));
  ASSERT_TRUE(wnd.Create(&owner_, QStringLiteral("set"), WS_VISIBLE, 0, 40, 30, 630, 560));
  auto* combo = dynamic_cast<CComboUI*>(Find(wnd, "Language_combox_info"));
  ASSERT_NE(combo, nullptr);
  ASSERT_EQ(combo->GetItemCount(), 2);
  EXPECT_EQ(combo->GetItemText(0), QStringLiteral("简体中文"));
  EXPECT_EQ(combo->GetItemText(1), QStringLiteral("English"));
  EXPECT_EQ(combo->GetCurSel(), 1);
  EXPECT_TRUE(owner_.languages.empty());
  combo->SelectItem(0);
  EXPECT_EQ(owner_.languages, std::vector<int>{0});

  const QPoint before = wnd.GetHWND()->pos();
  Click(Find(wnd, "set_in_update_wnd_btn"));
  EXPECT_FALSE(Find(wnd, "update_tishi_layout")->GetOwnVisible());
  EXPECT_EQ(wnd.GetHWND()->size(), QSize(630, 500));
  EXPECT_EQ(wnd.GetHWND()->pos(), before);
  wnd.StopThreads();
  wnd.DestroyWindow();
}

TEST_F(SettingsWindows, SkinChoicesReachEveryReceiverAndOnlyImagesAreRecorded) {
  const fs::path record = home_ / "main.ini";
  std::vector<SkinChange> seen;
  AddSkinReceiver(&seen, [&](const SkinChange& c) { seen.push_back(c); });
  QString picked;
  CSkinWnd wnd(record);
  wnd.SetImagePicker([&](QWidget*) { return picked; });
  ASSERT_TRUE(wnd.Create(nullptr, QStringLiteral("skin"), WS_VISIBLE, 0));

  Click(Find(wnd, "skin_reset"));
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_FALSE(seen[0].colour);
  EXPECT_EQ(seen[0].image, "common/background.png");
  EXPECT_EQ(readFileBytes(record).value_or(""), "[SKINIMAGE]\nFLAGS=0\nIMAGE=common/background.png\n");
  // The window itself is a receiver too.
  EXPECT_EQ(wnd.GetManager().GetRoot()->GetBkImage(), "common/background.png");

  Shot(wnd, "skin-window");
  Click(Find(wnd, "skin_image_btn"));
  ASSERT_EQ(seen.size(), 2u);
  Shot(wnd, "skin-window-aurora");
  EXPECT_EQ(seen[1].image, "bg/aurora.svg");
  EXPECT_EQ(readFileBytes(record).value_or(""), "[SKINIMAGE]\nFLAGS=1\nIMAGE=bg/aurora.svg\n");

  Click(Find(wnd, "skin_color"));
  Click(Find(wnd, "skin_color_btn"));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_TRUE(seen[2].colour);
  EXPECT_EQ(seen[2].argb, 0xFF111318u);
  EXPECT_EQ(wnd.GetManager().GetRoot()->GetBkImage(), "");
  EXPECT_EQ(readFileBytes(record).value_or(""), "[SKINIMAGE]\nFLAGS=1\nIMAGE=bg/aurora.svg\n");

  Click(Find(wnd, "skin_image"));
  Click(Find(wnd, "skin_Custom"));  // cancelled: nothing
  EXPECT_EQ(seen.size(), 3u);
  picked = QStringLiteral("/home/user/Pictures/wall.png");
  Click(Find(wnd, "skin_Custom"));
  ASSERT_EQ(seen.size(), 4u);
  EXPECT_EQ(seen[3].image, picked);
  EXPECT_EQ(readFileBytes(record).value_or(""), "[SKINIMAGE]\nFLAGS=1\nIMAGE=bg/aurora.svg\n");

  RemoveSkinReceiver(&seen);
  Click(Find(wnd, "skin_reset"));
  EXPECT_EQ(seen.size(), 4u);
  wnd.DestroyWindow();
}

TEST_F(SettingsWindows, AboutShowsTheBuildVersion) {
  CAboutWnd wnd{std::string(applicationVersion())};
  ASSERT_TRUE(wnd.Create(nullptr, QStringLiteral("about"), WS_VISIBLE, 0));
  EXPECT_EQ(Find(wnd, "software_ver_label")->GetText(),
            CResourceManager::GetInstance()->GetText(QStringLiteral("software_rev_text")) + "V" +
                QString::fromLatin1(applicationVersion().data(), int(applicationVersion().size())));
  EXPECT_FALSE(applicationVersion().empty());
  EXPECT_NE(applicationVersion(), "0.0.0");
  Shot(wnd, "about");
  wnd.DestroyWindow();
}

}  // namespace
}  // namespace tessel::ui
