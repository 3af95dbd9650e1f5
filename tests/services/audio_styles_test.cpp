// The audio style file: the first start's copy of the factory file, what a
// hand-edited file gives, what a save keeps, the reset, and the colour block
// the companion gets.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/file_io.h"
#include "platform/json_file.h"
#include "services/audio_styles.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFactory = R"({"Device": {"AudioLightInfo": {
    "nAudioStyle": 1,
    "nStyleName1": "第一组", "nStyleName2": "第二组", "nStyleName3": "第三组", "nStyleName4": "第四组",
    "nStyleR0": 0, "nStyleG0": 160, "nStyleB0": 255, "nStyleR1": 255, "nStyleG1": 0, "nStyleB1": 160,
    "nStyleR2": 255, "nStyleG2": 128, "nStyleB2": 0, "nStyleR3": 0, "nStyleG3": 220, "nStyleB3": 100}}})";

class AudioStyleFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("tessel-audiostyles-" + std::to_string(::getpid()));
    fs::remove_all(dir_);
    fs::create_directories(dir_ / "user");
    fs::create_directories(dir_ / "factory");
    user_ = dir_ / "user" / "AudioFile.json";
    factory_ = dir_ / "factory" / "AudioFile.json";
    ASSERT_TRUE(writeFileAtomic(factory_, kFactory));
  }
  void TearDown() override { fs::remove_all(dir_); }
  AudioStyleFile file() { return AudioStyleFile(user_, factory_); }
  Json::Value userJson() { return readJsonFile(user_); }
  size_t keptAside() {
    size_t n = 0;
    for (const auto& e : fs::directory_iterator(dir_ / "user"))
      if (e.path().filename().string().find(".bad") != std::string::npos) ++n;
    return n;
  }
  fs::path dir_, user_, factory_;
};

TEST(AudioStyleColourBlock, SelectedColourAsThreeLittleEndianWordsGreenZeroSentAsOne) {
  AudioStyleRecord r;
  r.selected = 2;
  r.colours[0] = {200, 200, 200};
  r.colours[2] = {10, 0, 30};
  StyleColourBlock expected{};
  expected[0] = 10;
  expected[4] = 1;
  expected[8] = 30;
  EXPECT_EQ(encodeStyleColourBlock(r), expected);

  r.selected = 3;
  r.colours[3] = {255, 128, 1};
  const StyleColourBlock b = encodeStyleColourBlock(r);
  EXPECT_EQ(b[0], 255);
  EXPECT_EQ(b[1], 0);  // a byte value, never sign-extended
  EXPECT_EQ(b[4], 128);
  EXPECT_EQ(b[8], 1);
  for (size_t i = 12; i < b.size(); ++i) EXPECT_EQ(b[i], 0) << i;
}

TEST(AudioStyleNames, AnEmptyBoxGetsItsStylesDefaultName) {
  EXPECT_EQ(styleNameFromBox(2, ""), "第三组");
  EXPECT_EQ(styleNameFromBox(0, ""), "第一组");
  EXPECT_EQ(styleNameFromBox(3, ""), "第四组");
  EXPECT_EQ(styleNameFromBox(1, "Bass"), "Bass");
  EXPECT_EQ(styleNameFromBox(1, " "), " ");  // only an empty box is refilled
}

TEST_F(AudioStyleFileTest, FirstStartCopiesTheFactoryFileAndReadsIt) {
  AudioStyleFile f = file();
  f.load();
  ASSERT_TRUE(fs::exists(user_));
  EXPECT_EQ(userJson(), readJsonFile(factory_));
  EXPECT_TRUE(f.hasStyles());
  EXPECT_EQ(f.record().selected, 1);
  EXPECT_EQ(f.record().names[2], "第三组");
  EXPECT_EQ(f.record().colours[0], (AudioStyleColour{0, 160, 255}));
  EXPECT_EQ(f.record().colours[3], (AudioStyleColour{0, 220, 100}));
}

TEST_F(AudioStyleFileTest, TheShippedFactoryFileHoldsFourNamedDistinctStyles) {
  const auto record = parseAudioStyleText(readFileBytes(fs::path(TESSEL_SOURCE_DIR) / "DefaultData" /
                                                        "AudioFile.json").value_or(""));
  ASSERT_TRUE(record);
  EXPECT_EQ(record->selected, 0);
  for (int s = 0; s < kAudioStyleCount; ++s) {
    EXPECT_EQ(record->names[static_cast<size_t>(s)], defaultStyleName(s));
    for (int t = 0; t < s; ++t) EXPECT_NE(record->colours[static_cast<size_t>(s)], record->colours[static_cast<size_t>(t)]);
  }
}

TEST_F(AudioStyleFileTest, ASaveKeepsEveryOtherMemberOfTheFile) {
  ASSERT_TRUE(writeFileAtomic(user_, R"({"Version": 3, "Device": {"Other": [1, 2],
      "AudioLightInfo": {"nAudioStyle": 0, "nStyleName1": "A", "Extra": "kept"}}})"));
  AudioStyleFile f = file();
  f.load();
  EXPECT_EQ(f.record().names[0], "A");
  AudioStyleRecord r = f.record();
  r.selected = 3;
  r.names[3] = "Bass";
  r.colours[3] = {1, 2, 3};
  ASSERT_TRUE(f.save(r));

  const Json::Value root = userJson();
  EXPECT_EQ(root["Version"], 3);
  EXPECT_EQ(root["Device"]["Other"][1], 2);
  const Json::Value& info = root["Device"]["AudioLightInfo"];
  EXPECT_EQ(info["Extra"], "kept");
  EXPECT_EQ(info["nAudioStyle"], 3);
  EXPECT_EQ(info["nStyleName4"], "Bass");
  EXPECT_EQ(info["nStyleR3"], 1);
  EXPECT_EQ(info["nStyleG3"], 2);
  EXPECT_EQ(info["nStyleB3"], 3);
  EXPECT_EQ(info["nStyleName1"], "A");

  AudioStyleFile again = file();
  again.load();
  EXPECT_EQ(again.record(), r);
}

TEST_F(AudioStyleFileTest, MembersWrittenByAnotherProgramSinceStartUpSurviveASave) {
  AudioStyleFile f = file();
  f.load();
  Json::Value root = userJson();
  root["Device"]["Later"] = "from elsewhere";
  ASSERT_TRUE(writeJsonFile(user_, root));
  AudioStyleRecord r = f.record();
  r.colours[1] = {9, 9, 9};
  ASSERT_TRUE(f.save(r));
  EXPECT_EQ(userJson()["Device"]["Later"], "from elsewhere");
  EXPECT_EQ(userJson()["Device"]["AudioLightInfo"]["nStyleR1"], 9);
}

TEST_F(AudioStyleFileTest, OutOfRangeValuesAreBounded) {
  ASSERT_TRUE(writeFileAtomic(user_, R"({"Device": {"AudioLightInfo": {
      "nAudioStyle": 7, "nStyleR0": 300, "nStyleG0": -5, "nStyleB0": "blue",
      "nStyleR1": 12.7, "nStyleName2": 42}}})"));
  AudioStyleFile f = file();
  f.load();
  EXPECT_EQ(f.record().selected, 0);
  EXPECT_EQ(f.record().colours[0], (AudioStyleColour{255, 0, 0}));
  EXPECT_EQ(f.record().colours[1].r, 12);
  EXPECT_EQ(f.record().names[1], "");

  ASSERT_TRUE(writeFileAtomic(user_, R"({"Device": {"AudioLightInfo": {"nAudioStyle": -1}}})"));
  f.load();
  EXPECT_EQ(f.record().selected, 0);
  ASSERT_TRUE(writeFileAtomic(user_, R"({"Device": {"AudioLightInfo": {"nAudioStyle": 3}}})"));
  f.load();
  EXPECT_EQ(f.record().selected, 3);
}

TEST_F(AudioStyleFileTest, AnUnparsableFileIsKeptAsideAndTheFactoryFileTakesItsPlace) {
  ASSERT_TRUE(writeFileAtomic(user_, "{\"Device\": {\"AudioLightInfo\": {\"nAudioStyle\": 2,"));
  AudioStyleFile f = file();
  f.load();
  EXPECT_EQ(keptAside(), 1u);
  EXPECT_EQ(readFileBytes(dir_ / "user" / "AudioFile.json.bad").value_or(""),
            "{\"Device\": {\"AudioLightInfo\": {\"nAudioStyle\": 2,");
  EXPECT_EQ(userJson(), readJsonFile(factory_));
  EXPECT_EQ(f.record().selected, 1);
}

TEST_F(AudioStyleFileTest, AFileWithoutStylesIsNeverOverwrittenAtStartUp) {
  // A "Device" without "AudioLightInfo": the record is empty and the file untouched.
  const std::string text = "{\"Device\": {\"Mine\": 1}}";
  ASSERT_TRUE(writeFileAtomic(user_, text));
  AudioStyleFile f = file();
  f.load();
  EXPECT_FALSE(f.hasStyles());
  EXPECT_EQ(f.record(), AudioStyleRecord{});
  EXPECT_EQ(readFileBytes(user_).value_or(""), text);
  // Its first save adds the styles beside what was there.
  AudioStyleRecord r;
  r.names[0] = "X";
  ASSERT_TRUE(f.save(r));
  EXPECT_EQ(userJson()["Device"]["Mine"], 1);
  EXPECT_EQ(userJson()["Device"]["AudioLightInfo"]["nStyleName1"], "X");
}

TEST_F(AudioStyleFileTest, AFileWithoutDeviceGetsTheFactoryStylesBesideItsOwnMembers) {
  ASSERT_TRUE(writeFileAtomic(user_, R"({"Note": "mine"})"));
  AudioStyleFile f = file();
  f.load();
  EXPECT_EQ(userJson()["Note"], "mine");
  EXPECT_EQ(userJson()["Device"], readJsonFile(factory_)["Device"]);
  EXPECT_EQ(f.record().selected, 1);
  EXPECT_EQ(keptAside(), 0u);
}

TEST_F(AudioStyleFileTest, AFileOfTheWrongShapeIsKeptBeforeItIsReplaced) {
  ASSERT_TRUE(writeFileAtomic(user_, R"({"Device": [1, 2, 3], "Note": 1})"));
  AudioStyleFile f = file();
  f.load();
  EXPECT_EQ(keptAside(), 1u);
  EXPECT_EQ(userJson()["Note"], 1);
  EXPECT_EQ(f.record().names[3], "第四组");

  ASSERT_TRUE(writeFileAtomic(user_, "[\"not a style file\"]"));
  f.load();
  EXPECT_EQ(keptAside(), 2u);
  EXPECT_EQ(userJson(), readJsonFile(factory_));
}

TEST_F(AudioStyleFileTest, WithoutAFactoryFileTheRecordIsEmptyAndAnExistingFileIsKept) {
  fs::remove(factory_);
  AudioStyleFile none = file();
  none.load();
  EXPECT_EQ(none.record(), AudioStyleRecord{});
  ASSERT_TRUE(fs::exists(user_));  // written from a null value
  EXPECT_TRUE(userJson().isNull());
  // A save still gives a proper style file.
  AudioStyleRecord r;
  r.selected = 1;
  r.colours[1] = {4, 5, 6};
  ASSERT_TRUE(none.save(r));
  AudioStyleFile again = file();
  again.load();
  EXPECT_EQ(again.record(), r);

  const std::string mine = "{\"Note\": \"mine\"}";
  ASSERT_TRUE(writeFileAtomic(user_, mine));
  again.load();
  EXPECT_EQ(readFileBytes(user_).value_or(""), mine);
  EXPECT_EQ(again.record(), AudioStyleRecord{});
  // Reset has nothing to put back: the file stays.
  EXPECT_FALSE(again.reset());
  EXPECT_EQ(readFileBytes(user_).value_or(""), mine);
}

TEST_F(AudioStyleFileTest, ResetPutsTheFactoryFileBackAndReloads) {
  AudioStyleFile f = file();
  f.load();
  AudioStyleRecord r = f.record();
  r.selected = 3;
  r.names[0] = "Mine";
  r.colours[0] = {1, 1, 1};
  ASSERT_TRUE(f.save(r));
  ASSERT_TRUE(f.reset());
  EXPECT_EQ(userJson(), readJsonFile(factory_));
  EXPECT_EQ(f.record().selected, 1);
  EXPECT_EQ(f.record().names[0], "第一组");
  EXPECT_EQ(f.record().colours[0], (AudioStyleColour{0, 160, 255}));
}

TEST_F(AudioStyleFileTest, ReadingWithoutWriteBackLeavesTheFolderAlone) {
  AudioStyleFile f = file();
  f.load(false);
  EXPECT_FALSE(fs::exists(user_));
  EXPECT_EQ(f.record().selected, 1);
}

}  // namespace
}  // namespace tessel
