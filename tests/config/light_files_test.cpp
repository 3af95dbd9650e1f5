// The light-mode list, the light-effect library and light sequence files.
#include <unistd.h>

#include "config/basic_profiledata.h"
#include "config/light_effect_library.h"
#include "config/light_mode_list.h"
#include "config/light_sequence.h"
#include "config_fixture.h"

namespace fs = std::filesystem;
using namespace tessel;

namespace {

class LightFiles : public test::TempFolder {};

TEST_F(LightFiles, ModeListIsIndexedByKindIndex) {
  LightModeList list;
  ASSERT_TRUE(list.parse(R"({
    // comments are allowed
    "DefaultLightName": [
      [{"LightName": "kb", "visible": true, "value": 7}],
      [{"LightName": "a", "visible": 1, "value": 1}, {"LightName": "b", "visible": false, "value": 5},
       {"LightName": "c", "visible": 0, "value": 2}, 17],
      "not a list"],
    "AreaLightName": [[], [{"LightName": "logo"}, {"LightName": "wheel"}]]})"));
  ASSERT_EQ(list.modes(kKindIndexMouse).size(), 4u);
  EXPECT_EQ(list.modes(kKindIndexMouse)[1], (LightModeEntry{"b", false, 5}));
  EXPECT_EQ(list.modes(kKindIndexMouse)[3], (LightModeEntry{"", true, 0}));
  EXPECT_EQ(list.modeCount(kKindIndexKeyboard), 1u);
  EXPECT_TRUE(list.modes(kKindIndexMousePad).empty());
  EXPECT_TRUE(list.modes(-1).empty());
  EXPECT_TRUE(list.modes(99).empty());
  EXPECT_EQ(list.areas(kKindIndexMouse), (std::vector<std::string>{"logo", "wheel"}));
  EXPECT_TRUE(list.areas(kKindIndexHeadset).empty());
  // Codes 0x01, 0x05, 0x02: a device code 0x02 is position 2.
  EXPECT_EQ(list.positionOfCode(kKindIndexMouse, 0x02), 2);
  EXPECT_EQ(list.positionOfCode(kKindIndexMouse, 0x09), -1);
}

TEST_F(LightFiles, UnusableModeListsAreEmpty) {
  LightModeList list;
  ASSERT_TRUE(list.parse(R"({"DefaultLightName": [[{"LightName": "x"}]]})"));
  for (const char* text : {"", "{", "[1]", "null"}) {
    EXPECT_FALSE(list.parse(text)) << text;
    EXPECT_EQ(list.kindCount(), 0u);
  }
  EXPECT_FALSE(list.load(path("missing.json")));
}

TEST_F(LightFiles, LibrarySavesItsSequencesAndKeepsOtherMembers) {
  writeText(path("zelto_light.config"), R"({"Version": 3, "LightInfo": [[],
      [{"LightName": "Mine", "Guid": "2026_01_01_00_00_00_001"}, {"LightName": 5}]]})");
  LightEffectLibrary library;
  ASSERT_TRUE(library.load(path("zelto_light.config")));
  ASSERT_EQ(library.sequences(kKindIndexMouse).size(), 2u);
  EXPECT_EQ(library.sequences(kKindIndexMouse)[0], (LightSequenceEntry{"Mine", "2026_01_01_00_00_00_001"}));
  EXPECT_EQ(library.sequences(kKindIndexMouse)[1], (LightSequenceEntry{"", ""}));
  EXPECT_TRUE(library.sequences(kKindIndexHeadset).empty());

  library.setSequences(kKindIndexHeadset, {{"Hs", "g1"}});
  ASSERT_TRUE(library.save(path("out.config")));
  const Json::Value saved = readJson(path("out.config"));
  EXPECT_EQ(saved["Version"].asInt(), 3);
  ASSERT_EQ(saved["LightInfo"].size(), 4u);
  EXPECT_EQ(saved["LightInfo"][3][0]["Guid"].asString(), "g1");
  EXPECT_EQ(saved["LightInfo"][1][0]["LightName"].asString(), "Mine");

  LightEffectLibrary missing;
  EXPECT_FALSE(missing.load(path("none.config")));
  EXPECT_FALSE(missing.loaded());
}

TEST_F(LightFiles, SequenceStepsRoundTrip) {
  const LightSequence steps = {{1, 4, 2, 1, 0, 10, 20, 30, 1500, 2}, {5, 3, 4, 0, 1, 0, 0, 255, 100000, -1}};
  ASSERT_TRUE(saveLightSequence(dir_, "seq1", steps));
  EXPECT_EQ(loadLightSequence(dir_, "seq1"), steps);
  EXPECT_TRUE(parseLightSequence(R"({"LEDEffectList": 4})").empty());
  EXPECT_TRUE(parseLightSequence("garbage").empty());
  const auto partial = parseLightSequence(R"({"LEDEffectList": [{"Time": 5000000000, "red": 999}]})");
  ASSERT_EQ(partial.size(), 1u);
  EXPECT_EQ(partial[0].time, 2147483647);
  EXPECT_EQ(partial[0].red, 255);
}

TEST_F(LightFiles, GuidsThatCouldLeaveTheFolderAreRefused) {
  fs::create_directories(path("data/sub"));
  const LightSequence one = {{1, 1, 1, 1, 1, 1, 1, 1, 1, 1}};
  ASSERT_TRUE(saveLightSequence(path("data/sub"), "inner", one));
  ASSERT_TRUE(saveLightSequence(dir_, "outside", one));
  EXPECT_TRUE(isSafeSequenceGuid("2026_05_06_07_08_09_010"));
  for (const std::string& guid : {std::string("sub/inner"), std::string("sub\\inner"), std::string("../outside"),
                                 std::string(".."), std::string("a..b"), std::string("inner\0x", 7),
                                 std::string()}) {
    SCOPED_TRACE(guid);
    EXPECT_FALSE(isSafeSequenceGuid(guid));
    EXPECT_TRUE(loadLightSequence(path("data"), guid).empty());
    EXPECT_FALSE(saveLightSequence(path("data"), guid, one));
  }
  EXPECT_FALSE(fs::exists(path("data/..light")));
}

TEST_F(LightFiles, SelectedSequenceIsReadFromTheDeviceFolderNotTheCurrentFolder) {
  const fs::path folder = path("mouse");
  fs::create_directories(folder);
  fs::create_directories(path("cwd"));
  writeText(folder / "zelto_light.config", R"({"LightInfo": [[], [
      {"LightName": "One", "Guid": "g_one"}, {"LightName": "Evil", "Guid": "../cwd/g_two"},
      {"LightName": "Two", "Guid": "g_two"}]]})");
  const LightSequence one = {{3, 4, 2, 0, 0, 9, 9, 9, 500, 1}};
  ASSERT_TRUE(saveLightSequence(folder, "g_one", one));
  // A same-named file in the process's folder must not be picked up.
  ASSERT_TRUE(saveLightSequence(path("cwd"), "g_two", one));
  const fs::path previous = fs::current_path();
  fs::current_path(path("cwd"));

  CBasicProfiledata doc;
  doc.setKindIndex(kKindIndexMouse);
  doc.setLightLibraryPath(folder / "zelto_light.config");
  doc.setWorkingCopy(DeviceElement::fromText(R"({"LightInfo": {"SelectItem": 10}})"));
  EXPECT_EQ(doc.getSelectedSequence(10), one);
  doc.setLightInfo(LightRecord{11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(doc.getSelectedSequence(10).empty());  // refused guid
  doc.setLightInfo(LightRecord{12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(doc.getSelectedSequence(10).empty());  // only in the current folder
  doc.setLightInfo(LightRecord{13, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(doc.getSelectedSequence(10).empty());  // past the library
  doc.setLightInfo(LightRecord{9, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_TRUE(doc.getSelectedSequence(10).empty());  // a built-in mode
  // A sequence folder set explicitly wins over the library's folder.
  doc.setSequenceFolder(path("cwd"));
  doc.setLightInfo(LightRecord{12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(doc.getSelectedSequence(10), one);
  fs::current_path(previous);

  ASSERT_TRUE(doc.saveLightLibrary(path("copy.config")));
  EXPECT_EQ(readJson(path("copy.config"))["LightInfo"][1][2]["Guid"].asString(), "g_two");
}

}  // namespace
