// The palette dialog built from its skin, driven by control name: swatches
// from the palette file, favourites, the colour boxes, multi-colour, and the
// modal round trip.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QTimer>
#include <filesystem>

#include "../ui/qt_env.h"
#include "platform/file_io.h"
#include "services/palette_file.h"
#include "ui/color_select_wnd.h"

namespace tessel::ui {
namespace {

namespace fs = std::filesystem;

class PaletteDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseProjectResources();
    dir_ = fs::temp_directory_path() / ("tessel-pallet-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    file_ = dir_ / std::string(kPaletteFileName);
  }
  void TearDown() override {
    wnd_.reset();
    fs::remove_all(dir_);
  }
  CColorSelectWnd& Open(DWORD colour, bool multi = false, bool offerMulti = true) {
    wnd_ = std::make_unique<CColorSelectWnd>(colour, multi, offerMulti, file_);
    EXPECT_TRUE(wnd_->Create(nullptr, QStringLiteral("PalletDialog"), WS_VISIBLE, 0, 0, 0, 800, 572));
    QCoreApplication::processEvents();
    return *wnd_;
  }
  CControlUI* C(const char* name) { return wnd_->GetManager().FindControl(QString::fromLatin1(name)); }
  QString Text(const char* name) { return C(name) ? C(name)->GetText() : QStringLiteral("<missing>"); }
  void Type(const char* name, const char* text) {
    C(name)->SetText(QString::fromLatin1(text));
    wnd_->GetManager().SendNotify(C(name), notify::kKillFocus);
  }

  fs::path dir_, file_;
  std::unique_ptr<CColorSelectWnd> wnd_;
};

TEST_F(PaletteDialogTest, StoredPresetIsPaintedAndChoosingItShowsItsChannels) {
  PaletteState stored;
  stored.presets[4] = 0xFF3366CCu;
  stored.presetSelection = 1;
  ASSERT_TRUE(writePaletteFile(file_, stored));
  CColorSelectWnd& w = Open(0xFF102030u);
  EXPECT_EQ(Text("color_edit_r"), "16");
  EXPECT_EQ(Text("color_edit_g"), "32");
  EXPECT_EQ(Text("color_edit_b"), "48");
  EXPECT_EQ(C("color_option_4")->GetBkColor(), 0xFF3366CCu);
  EXPECT_TRUE(dynamic_cast<COptionUI*>(C("color_option_1"))->IsSelected());

  ASSERT_TRUE(C("color_option_4")->Activate());
  EXPECT_EQ(Text("color_edit_r"), "51");
  EXPECT_EQ(Text("color_edit_g"), "102");
  EXPECT_EQ(Text("color_edit_b"), "204");
  EXPECT_EQ(w.GetColour(), 0xFF3366CCu);
  EXPECT_EQ(C("color_show_btn")->GetBkColor(), 0xFF3366CCu);
  EXPECT_EQ(dynamic_cast<CColorPaletteUI*>(C("Pallet"))->GetSelectColor(), 0xFF3366CCu);
  // The selection went to the file, and the layout's other swatches with it.
  const auto back = readPaletteFile(file_);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->presetSelection, 4);
  EXPECT_EQ(back->presets[4], 0xFF3366CCu);
  EXPECT_NE(back->presets[0], 0u);
  EXPECT_NE(readFileBytes(file_).value_or("").find("FF3366CC"), std::string::npos);
}

TEST_F(PaletteDialogTest, FavouriteWithoutUserDataOneStaysEmptyUntilItTakesAColour) {
  PaletteState stored;
  stored.favourites[0] = {0xFF00FF00u, false};  // colour stored, slot not marked as holding it
  stored.favourites[1] = {0xFFFF8800u, true};
  ASSERT_TRUE(writePaletteFile(file_, stored));
  CColorSelectWnd& w = Open(0xFF0000FFu);
  EXPECT_NE(C("collect_color_option_0")->GetBkColor(), 0xFF00FF00u);
  EXPECT_NE(C("collect_color_option_0")->GetUserData(), "1");
  EXPECT_EQ(C("collect_color_option_1")->GetBkColor(), 0xFFFF8800u);

  // The empty slot only becomes the selection: the colour stays.
  ASSERT_TRUE(C("collect_color_option_0")->Activate());
  EXPECT_EQ(w.GetColour(), 0xFF0000FFu);
  EXPECT_EQ(readPaletteFile(file_)->favouriteSelection, 0);
  // The next colour taken goes into the selected slot and into the file.
  Type("color_edit_g", "128");
  EXPECT_EQ(w.GetColour(), 0xFF0080FFu);
  EXPECT_EQ(C("collect_color_option_0")->GetBkColor(), 0xFF0080FFu);
  EXPECT_EQ(C("collect_color_option_0")->GetUserData(), "1");
  const auto back = readPaletteFile(file_);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->favourites[0], (PaletteFavourite{0xFF0080FFu, true}));
  EXPECT_EQ(back->favourites[1], (PaletteFavourite{0xFFFF8800u, true}));

  // A slot holding a colour gives it back.
  ASSERT_TRUE(C("collect_color_option_1")->Activate());
  EXPECT_EQ(w.GetColour(), 0xFFFF8800u);
  EXPECT_EQ(Text("color_edit_r"), "255");
  EXPECT_EQ(Text("color_edit_g"), "136");
}

TEST_F(PaletteDialogTest, BoxesClampAndEmptyReadsZero) {
  CColorSelectWnd& w = Open(0xFF112233u);
  Type("color_edit_r", "300");
  EXPECT_EQ(w.GetColour() & 0x00FF0000u, 0x00FF0000u);
  EXPECT_EQ(Text("color_edit_r"), "255");
  Type("color_edit_b", "");
  EXPECT_EQ(w.GetColour(), 0xFFFF2200u);
  EXPECT_EQ(Text("color_edit_b"), "0");
  // The palette control picks as well.
  wnd_->GetManager().SendNotify(C("Pallet"), notify::kColorChanged, 0xFF00FF00u);
  EXPECT_EQ(w.GetColour(), 0xFF00FF00u);
  EXPECT_EQ(Text("color_edit_g"), "255");
}

TEST_F(PaletteDialogTest, MultiColourShowsTheImageAndATakenColourClearsIt) {
  CColorSelectWnd& w = Open(0xFF112233u, true);
  EXPECT_TRUE(w.GetMultiColour());
  EXPECT_EQ(C("color_show_btn")->GetBkImage(), "common/base1.png");
  EXPECT_TRUE(dynamic_cast<COptionUI*>(C("7color"))->IsSelected());
  ASSERT_TRUE(C("color_option_0")->Activate());
  EXPECT_FALSE(w.GetMultiColour());
  EXPECT_TRUE(C("color_show_btn")->GetBkImage().isEmpty());
  ASSERT_TRUE(C("7color")->Activate());
  EXPECT_TRUE(w.GetMultiColour());
  // Hidden by the caller: not offered, and unselected.
  w.ShowMultiColour(false);
  EXPECT_FALSE(w.GetMultiColour());
  EXPECT_FALSE(C("7color_layout")->GetOwnVisible());
  EXPECT_FALSE(C("7color")->GetOwnVisible());
}

TEST_F(PaletteDialogTest, ChooseIsModalOneAtATimeAndOkReturnsTheColour) {
  const fs::path home = dir_ / "data";
  const char* old = std::getenv("XDG_DATA_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_DATA_HOME", home.c_str(), 1);
  bool secondRefused = false;
  QTimer::singleShot(0, [&] {
    for (CWindowWnd* w : CWindowWnd::GetAllWindows()) {
      auto* dialog = dynamic_cast<CColorSelectWnd*>(w);
      if (!dialog) continue;
      secondRefused = CColorSelectWnd::IsOpen() && !CColorSelectWnd::Choose(nullptr, 0, false, true);
      dialog->GetManager().FindControl(QStringLiteral("color_edit_r"))->SetText(QStringLiteral("1"));
      dialog->GetManager().SendNotify(dialog->GetManager().FindControl(QStringLiteral("color_edit_r")),
                                      notify::kReturn);
      dialog->GetManager().FindControl(QStringLiteral("okbtn"))->Activate();
    }
  });
  const auto choice = CColorSelectWnd::Choose(nullptr, 0xFF00FF00u, false, true);
  ASSERT_TRUE(choice);
  EXPECT_EQ(choice->colour, 0xFF01FF00u);
  EXPECT_FALSE(choice->multiColour);
  EXPECT_TRUE(secondRefused);
  EXPECT_FALSE(CColorSelectWnd::IsOpen());

  // The close button gives nothing.
  QTimer::singleShot(0, [&] {
    for (CWindowWnd* w : CWindowWnd::GetAllWindows())
      if (auto* dialog = dynamic_cast<CColorSelectWnd*>(w))
        dialog->GetManager().FindControl(QStringLiteral("closebtn"))->Activate();
  });
  EXPECT_FALSE(CColorSelectWnd::Choose(nullptr, 0xFF00FF00u, false, true));
  if (old) ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
  else ::unsetenv("XDG_DATA_HOME");
}

}  // namespace
}  // namespace tessel::ui
