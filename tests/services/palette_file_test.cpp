// The palette dialog's file: colour text, what a stored file gives back, and
// what happens to files that are not palette files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/file_io.h"
#include "services/palette_file.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

class PaletteFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tessel-palette-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    file_ = dir_ / std::string(kPaletteFileName);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_, file_;
};

TEST(PaletteColourText, EightUpperCaseDigitsBothWays) {
  EXPECT_EQ(formatArgb(0xFF3366CCu), "FF3366CC");
  EXPECT_EQ(formatArgb(0x0000000Au), "0000000A");
  EXPECT_EQ(parseArgb("FF3366CC"), 0xFF3366CCu);
  EXPECT_EQ(parseArgb("ff3366cc"), 0xFF3366CCu);
  EXPECT_EQ(parseArgb("3366CC"), std::nullopt);
  EXPECT_EQ(parseArgb("FF3366CC0"), std::nullopt);
  EXPECT_EQ(parseArgb("FF3366CG"), std::nullopt);
  EXPECT_EQ(parseArgb("+F3366CC"), std::nullopt);
}

TEST_F(PaletteFileTest, WrittenStateReadsBackWithTheFileLayout) {
  PaletteState s;
  s.presets[0] = 0xFF3366CCu;
  s.presets[19] = 0xFF010203u;
  s.presetSelection = 19;
  s.favourites[2] = {0xFF00FF00u, true};
  s.favouriteSelection = 2;
  ASSERT_TRUE(writePaletteFile(file_, s));
  EXPECT_EQ(readPaletteFile(file_), s);

  const std::string text = readFileBytes(file_).value_or("");
  EXPECT_NE(text.find("\"color\" : \"FF3366CC\""), std::string::npos) << text;
  EXPECT_NE(text.find("\"palletDialogcoloroption_selectitem\" : 19"), std::string::npos);
  EXPECT_NE(text.find("\"palletDialogcollectcoloroption_selectitem\" : 2"), std::string::npos);
  EXPECT_NE(text.find("\"UserData\" : \"1\""), std::string::npos);
  ASSERT_FALSE(text.empty());
  EXPECT_EQ(text.back(), '\n');
}

TEST_F(PaletteFileTest, FavouriteWithoutUserDataOneIsNotUsed) {
  ASSERT_TRUE(writeFileAtomic(file_, R"({"coloroptioninfo": {
      "palletDialogcollectcoloroption": [{"color": "FF112233", "UserData": "0"},
                                         {"color": "FF445566"},
                                         {"color": "FF778899", "UserData": "1"}]}})"));
  const auto s = readPaletteFile(file_);
  ASSERT_TRUE(s);
  EXPECT_FALSE(s->favourites[0].used);
  EXPECT_FALSE(s->favourites[1].used);
  EXPECT_TRUE(s->favourites[2].used);
  EXPECT_EQ(s->favourites[2].argb, 0xFF778899u);
  // Nothing said about the presets: none stored, no selection.
  EXPECT_EQ(s->presets[0], 0u);
  EXPECT_EQ(s->presetSelection, -1);
}

TEST_F(PaletteFileTest, BadColoursAndSelectionsReadAsNothingStored) {
  ASSERT_TRUE(writeFileAtomic(file_, R"({"coloroptioninfo": {
      "palletDialogcoloroption": [{"color": "red"}, {"color": 255}, "FF000000", {"color": "FF0000FF"}],
      "palletDialogcoloroption_selectitem": 20,
      "palletDialogcollectcoloroption_selectitem": -3}})"));
  const auto s = readPaletteFile(file_);
  ASSERT_TRUE(s);
  EXPECT_EQ(s->presets[0], 0u);
  EXPECT_EQ(s->presets[1], 0u);
  EXPECT_EQ(s->presets[2], 0u);
  EXPECT_EQ(s->presets[3], 0xFF0000FFu);
  EXPECT_EQ(s->presetSelection, -1);
  EXPECT_EQ(s->favouriteSelection, -1);
}

TEST_F(PaletteFileTest, MissingOrForeignFileGivesNothingAndForeignOrUnparsableIsKeptAside) {
  EXPECT_EQ(readPaletteFile(file_), std::nullopt);
  ASSERT_TRUE(writeFileAtomic(file_, R"({"something": 1})"));
  EXPECT_EQ(readPaletteFile(file_), std::nullopt);

  ASSERT_TRUE(writeFileAtomic(file_, "{\"coloroptioninfo\": {"));
  EXPECT_EQ(readPaletteFile(file_), std::nullopt);
  EXPECT_TRUE(fs::exists(file_.string() + ".bad"));
  // The next write replaces the broken file; its copy stays.
  PaletteState s;
  s.presets[1] = 0xFFABCDEFu;
  ASSERT_TRUE(writePaletteFile(file_, s));
  EXPECT_EQ(readPaletteFile(file_), s);
  // The foreign file was kept too, before anything could replace it.
  EXPECT_EQ(readFileBytes(file_.string() + ".bad").value_or(""), R"({"something": 1})");
  EXPECT_EQ(readFileBytes(file_.string() + ".bad.1").value_or(""), "{\"coloroptioninfo\": {");
}

TEST_F(PaletteFileTest, WriteIntoAMissingFolderFailsAndSaysSo) {
  EXPECT_FALSE(writePaletteFile(dir_ / "no" / "such" / std::string(kPaletteFileName), PaletteState{}));
}

}  // namespace
}  // namespace tessel
