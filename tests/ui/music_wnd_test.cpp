// The audio style window offscreen, driven by control name: name boxes, tabs
// and sliders edit the window's copy; OK hands it back (one colour block,
// the file written), the close button changes nothing. Then the main
// window's side: the start-up load, the button and the sink.
#include <gtest/gtest.h>

#include <QTest>
#include <QTimer>
#include <filesystem>

#include "platform/file_io.h"
#include "platform/json_file.h"
#include "platform/settings_store.h"
#include "main_window_env.h"
#include "qt_env.h"
#include "sim/virtual_bus.h"
#include "ui/main_wnd.h"
#include "ui/music_wnd.h"
#include "ui/registered_messages.h"
#include "ui/startup.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {
namespace {

namespace fs = std::filesystem;
using test::SpinUntil;

class OwnerWnd : public WindowImplBase {
 public:
  QString GetWindowClassName() const override { return QStringLiteral("OwnerWnd"); }
  QString GetSkinFile() override { return QStringLiteral("<VerticalLayout name=\"root\"/>"); }
};

AudioStyleRecord Sample() {
  AudioStyleRecord r;
  r.selected = 0;
  r.names = {"Bass", "Mid", "Treble", "Night"};
  r.colours = {{{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}}};
  return r;
}

CControlUI* Find(WindowImplBase& w, const QString& name) { return w.GetManager().FindControl(name); }
CControlUI* Find(WindowImplBase& w, const char* name) { return Find(w, QString::fromLatin1(name)); }

void Click(CControlUI* c) {
  ASSERT_NE(c, nullptr);
  ASSERT_NE(c->GetWidget(), nullptr);
  QTest::mouseClick(c->GetWidget(), Qt::LeftButton);
}

int SliderValue(WindowImplBase& w, const char* name) {
  auto* s = dynamic_cast<CSliderUI*>(Find(w, name));
  return s ? s->GetValue() : -1;
}

// What a user does with the slider: it moves and tells its window.
void MoveSlider(WindowImplBase& w, const char* name, int value) {
  auto* s = dynamic_cast<CSliderUI*>(Find(w, name));
  ASSERT_NE(s, nullptr) << name;
  s->SetValue(value);
  w.GetManager().SendNotify(s, notify::kValueChanged);
}

class MusicWndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseProjectResources();
    CResourceManager::GetInstance()->LoadLanguage(QStringLiteral("lan_en.xml"));
    ASSERT_TRUE(owner_.Create(nullptr, QStringLiteral("owner"), WS_POPUP, 0, 0, 0, 400, 300));
    char pattern[] = "/tmp/tessel-musicwnd-XXXXXX";
    dir_ = mkdtemp(pattern);
    user_ = dir_ / "AudioFile.json";
  }
  void TearDown() override {
    owner_.DestroyWindow();
    fs::remove_all(dir_);
  }
  // Runs `steps` on the style window once the modal loop is running; a
  // window still open after the safety bound is closed without OK.
  void WhileOpen(std::function<void(MusicWnd&)> steps) {
    QTimer::singleShot(0, [steps] {
      if (MusicWnd* w = MusicWnd::Current()) steps(*w);
    });
    QTimer::singleShot(5000, [] {
      if (MusicWnd* w = MusicWnd::Current()) w->Close(0);
    });
  }
  fs::path dir_, user_;
  OwnerWnd owner_;
};

TEST_F(MusicWndTest, OpensOnTheSelectedStyleWithItsColourAndTheNamesOnTheTabs) {
  AudioStyleRecord r = Sample();
  r.selected = 2;
  r.names[3] = "";
  MusicWnd wnd(r);
  ASSERT_TRUE(wnd.Create(&owner_, QStringLiteral("MusicWnd"), WS_VISIBLE, 0));
  EXPECT_EQ(wnd.GetHWND()->width(), 369);
  EXPECT_EQ(wnd.GetHWND()->height(), 276);
  auto* tab3 = dynamic_cast<COptionUI*>(Find(wnd, "audio_select_tab3"));
  ASSERT_NE(tab3, nullptr);
  EXPECT_TRUE(tab3->IsSelected());
  EXPECT_EQ(tab3->GetText(), "Treble");
  EXPECT_EQ(Find(wnd, "audio_select_tab4")->GetText(), QStringLiteral("第四组"));
  EXPECT_EQ(Find(wnd, "audio_edit_name1")->GetText(), "Bass");
  EXPECT_EQ(SliderValue(wnd, "audio_r_slider"), 70);
  EXPECT_EQ(SliderValue(wnd, "audio_g_slider"), 80);
  EXPECT_EQ(SliderValue(wnd, "audio_b_slider"), 90);
  EXPECT_EQ(Find(wnd, "audio_color_preview")->GetBkColor(), 0xFF46505Au);
  wnd.DestroyWindow();
}

TEST_F(MusicWndTest, ClearingTheThirdNameAndLeavingTheBoxStoresItsDefaultName) {
  MusicWnd wnd(Sample());
  ASSERT_TRUE(wnd.Create(&owner_, QStringLiteral("MusicWnd"), WS_VISIBLE, 0));
  CControlUI* box = Find(wnd, "audio_edit_name3");
  ASSERT_NE(box, nullptr);
  box->SetText(QString());
  wnd.GetManager().SendNotify(box, notify::kKillFocus);
  EXPECT_EQ(wnd.GetRecord().names[2], "第三组");
  EXPECT_EQ(box->GetText(), QStringLiteral("第三组"));
  EXPECT_EQ(Find(wnd, "audio_select_tab3")->GetText(), QStringLiteral("第三组"));

  CControlUI* first = Find(wnd, "audio_edit_name1");
  first->SetText(QStringLiteral("Kick"));
  wnd.GetManager().SendNotify(first, notify::kKillFocus);
  EXPECT_EQ(wnd.GetRecord().names[0], "Kick");
  EXPECT_EQ(Find(wnd, "audio_select_tab1")->GetText(), "Kick");
  EXPECT_EQ(wnd.GetRecord().names[1], "Mid");
  wnd.DestroyWindow();
}

TEST_F(MusicWndTest, ATabThenASliderEditsThatStyleOnly) {
  MusicWnd wnd(Sample());
  ASSERT_TRUE(wnd.Create(&owner_, QStringLiteral("MusicWnd"), WS_VISIBLE, 0));
  Click(Find(wnd, "audio_select_tab2"));
  EXPECT_EQ(wnd.GetRecord().selected, 1);
  EXPECT_EQ(SliderValue(wnd, "audio_r_slider"), 40);
  EXPECT_EQ(SliderValue(wnd, "audio_b_slider"), 60);
  MoveSlider(wnd, "audio_g_slider", 255);
  MoveSlider(wnd, "audio_b_slider", 0);
  EXPECT_EQ(wnd.GetRecord().colours[1], (AudioStyleColour{40, 255, 0}));
  EXPECT_EQ(Find(wnd, "audio_color_preview")->GetBkColor(), 0xFF28FF00u);

  // Back on the first style: its own colour, untouched.
  Click(Find(wnd, "audio_select_tab1"));
  EXPECT_EQ(wnd.GetRecord().selected, 0);
  EXPECT_EQ(SliderValue(wnd, "audio_g_slider"), 20);
  MoveSlider(wnd, "audio_r_slider", 200);
  const AudioStyleRecord& r = wnd.GetRecord();
  EXPECT_EQ(r.colours[0], (AudioStyleColour{200, 20, 30}));
  EXPECT_EQ(r.colours[1], (AudioStyleColour{40, 255, 0}));
  EXPECT_EQ(r.colours[2], Sample().colours[2]);
  EXPECT_EQ(r.colours[3], Sample().colours[3]);
  wnd.DestroyWindow();
}

TEST_F(MusicWndTest, TheCloseButtonChangesNothing) {
  AudioStyleFile file(user_, std::nullopt);
  ASSERT_TRUE(file.save(Sample()));
  const std::string before = readFileBytes(user_).value_or("");
  int blocks = 0;
  WhileOpen([](MusicWnd& w) {
    Click(Find(w, "audio_select_tab4"));
    MoveSlider(w, "audio_r_slider", 1);
    CControlUI* box = Find(w, "audio_edit_name4");
    box->SetText(QStringLiteral("Gone"));
    w.GetManager().SendNotify(box, notify::kKillFocus);
    Click(Find(w, "closebtn"));
  });
  EXPECT_FALSE(EditAudioStyles(&owner_, file, [&](const StyleColourBlock&) { ++blocks; }));
  EXPECT_EQ(blocks, 0);
  EXPECT_EQ(file.record(), Sample());
  EXPECT_EQ(readFileBytes(user_).value_or(""), before);
  EXPECT_EQ(MusicWnd::Current(), nullptr);
}

TEST_F(MusicWndTest, OkSendsOneBlockAndWritesTheFile) {
  AudioStyleFile file(user_, std::nullopt);
  ASSERT_TRUE(file.save(Sample()));
  std::vector<StyleColourBlock> blocks;
  WhileOpen([](MusicWnd& w) {
    Click(Find(w, "audio_select_tab3"));
    MoveSlider(w, "audio_r_slider", 10);
    MoveSlider(w, "audio_g_slider", 0);
    MoveSlider(w, "audio_b_slider", 30);
    // Typed but never left: OK takes it as well.
    Find(w, "audio_edit_name2")->SetText(QStringLiteral("Voice"));
    Click(Find(w, "okbtn"));
  });
  EXPECT_TRUE(EditAudioStyles(&owner_, file, [&](const StyleColourBlock& b) { blocks.push_back(b); }));
  ASSERT_EQ(blocks.size(), 1u);
  StyleColourBlock expected{};
  expected[0] = 10;
  expected[4] = 1;
  expected[8] = 30;
  EXPECT_EQ(blocks[0], expected);

  const Json::Value info = readJsonFile(user_)["Device"]["AudioLightInfo"];
  EXPECT_EQ(info["nAudioStyle"], 2);
  EXPECT_EQ(info["nStyleR2"], 10);
  EXPECT_EQ(info["nStyleG2"], 0);  // stored as chosen; only the block says 1
  EXPECT_EQ(info["nStyleB2"], 30);
  EXPECT_EQ(info["nStyleName2"], "Voice");
  EXPECT_EQ(info["nStyleName1"], "Bass");
  EXPECT_EQ(file.record().names[1], "Voice");
}

// The main window: the styles load at start-up, the sink gets the selected
// colour, and "music_setting_btn" opens the window whose OK saves.
class MainWindowStyles : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PrepareMainWindowTest(clock_);
    home_ = test::UseFreshHome("tessel-mainstyles");
    SettingsStore().create();
    hid::setDefaultBackend(&bus_);
    wnd_.SetHidBackend(&bus_);
    wnd_.SetWatcherThread(false);
    wnd_.SetDeviceThreads(false);
    ASSERT_TRUE(wnd_.Create(nullptr, QStringLiteral("Tessel RGB"), WS_VISIBLE, 0, 0, 0, 800, 572));
    ASSERT_TRUE(SpinUntil([&] { return wnd_.GetRegistry() != nullptr; }));
  }
  void TearDown() override {
    wnd_.DestroyWindow();
    hid::setDefaultBackend(nullptr);
    CPaintManagerUI::SetDefaultScheduler(nullptr);
    fs::remove_all(home_);
  }
  fs::path styleFile() const { return home_ / "data" / "ORVIK Tessel RGB" / "AudioFile.json"; }

  ManualClock clock_;
  sim::VirtualHidBus bus_;
  fs::path home_;
  CMainWnd wnd_;
};

TEST_F(MainWindowStyles, StartUpCopiesTheFactoryStylesAndTheButtonEditsThem) {
  ASSERT_TRUE(fs::exists(styleFile()));
  EXPECT_EQ(readJsonFile(styleFile()), readJsonFile(fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "AudioFile.json"));
  EXPECT_EQ(wnd_.GetAudioStyles().names[0], "第一组");

  std::vector<StyleColourBlock> blocks;
  wnd_.SetStyleColourSink([&](const StyleColourBlock& b) { blocks.push_back(b); });
  ASSERT_EQ(blocks.size(), 1u);  // the styles were loaded already
  EXPECT_EQ(blocks[0], encodeStyleColourBlock(wnd_.GetAudioStyles()));

  QTimer::singleShot(0, [] {
    if (MusicWnd* w = MusicWnd::Current()) {
      Click(Find(*w, "audio_select_tab4"));
      MoveSlider(*w, "audio_r_slider", 7);
      Click(Find(*w, "okbtn"));
    }
  });
  QTimer::singleShot(5000, [] {
    if (MusicWnd* w = MusicWnd::Current()) w->Close(0);
  });
  Click(wnd_.GetManager().FindControl(QStringLiteral("music_setting_btn")));
  ASSERT_EQ(blocks.size(), 2u);
  EXPECT_EQ(blocks[1][0], 7);
  EXPECT_EQ(wnd_.GetAudioStyles().selected, 3);
  EXPECT_EQ(readJsonFile(styleFile())["Device"]["AudioLightInfo"]["nStyleR3"], 7);

  // The profile reset's last step: the factory styles, and their colour to the companion.
  wnd_.ResetAudioStyles();
  EXPECT_EQ(wnd_.GetAudioStyles().selected, 0);
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(blocks[2], encodeStyleColourBlock(wnd_.GetAudioStyles()));
  EXPECT_EQ(readJsonFile(styleFile())["Device"]["AudioLightInfo"]["nAudioStyle"], 0);
}

}  // namespace
}  // namespace tessel::ui
