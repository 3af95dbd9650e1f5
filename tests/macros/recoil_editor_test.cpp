#include "macros/recoil_editor.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/json_file.h"
#include "recoil_test_support.h"

namespace fs = std::filesystem;

namespace tessel::macros {
namespace {

class RecoilEditorTest : public testing::RecoilFolders {
 protected:
  void SetUp() override {
    RecoilFolders::SetUp();
    editor_.setFolders(data_, defaults_);
  }
  RecoilShot factoryShot(int gun, int shot) const {
    return shotFromDocument(readJsonFile(defaults_ / recoilFileName(gun)), shot);
  }
  RecoilEditor editor_;
};

TEST_F(RecoilEditorTest, InitialiseCreatesTheFilesAndSelectsTheFirstShotOfGunZero) {
  EXPECT_EQ(editor_.selectedShot(), -1);
  EXPECT_EQ(editor_.shotLabel(), "");
  ASSERT_TRUE(editor_.initialise());
  for (int g = 0; g < kGunCount; ++g)
    EXPECT_EQ(bytesOf(editor_.files().filePath(g)), bytesOf(defaults_ / recoilFileName(g)));
  EXPECT_EQ(editor_.selectedGun(), 0);
  EXPECT_EQ(editor_.selectedShot(), 0);
  EXPECT_EQ(editor_.shotLabel(), "1");
  EXPECT_EQ(editor_.fields(), factoryShot(0, 0));
}

TEST_F(RecoilEditorTest, SelectionIsClampedAndPrevNextStopAtTheEnds) {
  ASSERT_TRUE(editor_.initialise());
  editor_.selectShot(45);
  EXPECT_EQ(editor_.selectedShot(), 29);
  EXPECT_EQ(editor_.shotLabel(), "30");
  editor_.selectNext();
  EXPECT_EQ(editor_.selectedShot(), 29);
  editor_.selectPrevious();
  EXPECT_EQ(editor_.selectedShot(), 28);
  EXPECT_EQ(editor_.fields(), factoryShot(0, 28));
  editor_.selectShot(-3);
  EXPECT_EQ(editor_.selectedShot(), 0);
  editor_.selectPrevious();
  EXPECT_EQ(editor_.selectedShot(), 0);

  editor_.selectShot(7);
  editor_.selectGun(9);
  EXPECT_EQ(editor_.selectedGun(), 3);
  EXPECT_EQ(editor_.selectedShot(), 7);
  EXPECT_EQ(editor_.fields(), factoryShot(3, 7));
  editor_.selectGun(-1);
  EXPECT_EQ(editor_.selectedGun(), 0);
}

TEST_F(RecoilEditorTest, NextBeforeAnySelectionSelectsTheFirstShot) {
  editor_.selectNext();
  EXPECT_EQ(editor_.selectedShot(), 0);
}

TEST_F(RecoilEditorTest, StoringTypedFieldsWritesTheSelectedShotOfTheSelectedGun) {
  ASSERT_TRUE(editor_.initialise());
  editor_.selectGun(1);
  editor_.selectShot(2);
  ASSERT_TRUE(editor_.storeShotText("3", true, "12", false, "95").ok());
  const Json::Value rows = readJsonFile(editor_.files().filePath(1))["Events"];
  EXPECT_EQ(rows[14]["Button"].asInt(), 3);
  EXPECT_EQ(rows[14]["Action"].asString(), "down");
  EXPECT_EQ(rows[15]["Delay"].asInt(), 95);
  EXPECT_EQ(rows[15]["Action"].asString(), "up");
  // Gun 0 is untouched.
  EXPECT_EQ(bytesOf(editor_.files().filePath(0)), bytesOf(defaults_ / recoilFileName(0)));

  ASSERT_TRUE(editor_.storeShotText("300", false, "", true, "7x").ok());
  EXPECT_EQ(editor_.fields(), (RecoilShot{300, false, 0, true, 7}));
  editor_.selectShot(3);
  editor_.selectShot(2);
  EXPECT_EQ(editor_.fields(), (RecoilShot{300, false, 0, true, 7}));
}

TEST_F(RecoilEditorTest, StoringBeforeAnySelectionWritesNothing) {
  EXPECT_EQ(editor_.storeShot(RecoilShot{1, true, 1, true, 1}).error, RecoilError::BadShot);
  EXPECT_FALSE(fs::exists(data_));
}

TEST_F(RecoilEditorTest, ResetAndImportReloadTheShownShot) {
  ASSERT_TRUE(editor_.initialise());
  editor_.selectGun(2);
  editor_.selectShot(4);
  ASSERT_TRUE(editor_.storeShot(RecoilShot{9, true, 9, true, 9}).ok());
  ASSERT_TRUE(editor_.reset().ok());
  EXPECT_EQ(editor_.fields(), factoryShot(2, 4));

  RecoilFiles other(root_ / "other", defaults_);
  ASSERT_TRUE(other.storeShot(0, 4, RecoilShot{5, false, 6, true, 7}).ok());
  ASSERT_TRUE(editor_.importFile(other.filePath(0)).ok());
  EXPECT_EQ(editor_.fields(), (RecoilShot{5, false, 6, true, 7}));

  const RecoilResult refused = editor_.importFile(writeSource("bad.shoot", "nope"));
  EXPECT_EQ(refused.error, RecoilError::BadFile);
  EXPECT_EQ(editor_.fields(), (RecoilShot{5, false, 6, true, 7}));

  ASSERT_TRUE(editor_.exportTo(root_ / "out.shoot").ok());
  EXPECT_EQ(bytesOf(root_ / "out.shoot"), bytesOf(other.filePath(0)));
}

TEST_F(RecoilEditorTest, ShotFieldsReadTheirLeadingDigits) {
  EXPECT_EQ(parseShotField("0042abc"), 42);
  EXPECT_EQ(parseShotField("-5"), 0);
}

}  // namespace
}  // namespace tessel::macros
