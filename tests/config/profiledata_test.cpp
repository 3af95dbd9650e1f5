// The shared document sections and the document file life cycle.
#include "config/basic_profiledata.h"
#include "config/hs6533_profiledata.h"
#include "config/keyboard_profiledata.h"
#include "config_fixture.h"

#include <atomic>
#include <thread>

namespace fs = std::filesystem;
using namespace tessel;

namespace {

class Profiledata : public test::TempFolder {
 protected:
  void SetUp() override {
    TempFolder::SetUp();
    factory_ = path("factory.Json");
    writeText(factory_, R"({"Note": "factory root member",
      "Device": [{"LightInfo": {"SelectItem": 3, "Light": 4, "Red": 10},
                  "KeyList": [{"Assignment": 1048832, "DefaultAssignment": 1048832}]},
                 {"SecondElement": true}]})");
  }
  void bind(CBasicProfiledata& doc, const std::string& name) {
    doc.setDefaultDocumentPath(factory_);
    doc.setDocumentPath(path(name));
  }
  fs::path factory_;
};

TEST_F(Profiledata, MissingDocumentStartsAsACopyOfTheFactoryElement) {
  CBasicProfiledata doc;
  bind(doc, "2026_01_02_03_04_05_006.Json");
  const DeviceElement element = doc.loadDeviceElement();
  ASSERT_FALSE(element.isNull());
  EXPECT_EQ(doc.getLightInfo().selectItem, 3);

  // The new document holds the factory element 0 only, not the factory's other
  // root members or elements.
  const Json::Value written = readJson(path("2026_01_02_03_04_05_006.Json"));
  ASSERT_TRUE(written.isObject());
  EXPECT_FALSE(written.isMember("Note"));
  ASSERT_EQ(written["Device"].size(), 1u);
  EXPECT_EQ(written["Device"][0]["LightInfo"]["SelectItem"].asInt(), 3);
}

TEST_F(Profiledata, ExistingDocumentIsUsedAsItIs) {
  writeText(path("p.Json"), R"({"Device": [{"LightInfo": {"SelectItem": 7}}]})");
  CBasicProfiledata doc;
  bind(doc, "p.Json");
  doc.loadDeviceElement();
  EXPECT_EQ(doc.getLightInfo().selectItem, 7);
  // No key list in this profile: the factory's must not show through.
  EXPECT_TRUE(doc.getKeyList().empty());
}

TEST_F(Profiledata, UnusableDocumentsFallBackToTheFactoryAndUnparsableTextIsKeptAside) {
  for (const char* text : {"{not json", R"({"Device": 5})", R"({"Device": [7]})", "[1, 2]"}) {
    SCOPED_TRACE(text);
    const fs::path p = path("p.Json");
    writeText(p, text);
    CBasicProfiledata doc;
    bind(doc, "p.Json");
    EXPECT_FALSE(doc.loadDeviceElement().isNull());
    EXPECT_EQ(doc.getLightInfo().selectItem, 3);
    EXPECT_EQ(readJson(p)["Device"][0]["LightInfo"]["SelectItem"].asInt(), 3);
    fs::remove(p);
  }
  EXPECT_EQ(readText(path("p.Json.bad")), "{not json");
}

TEST_F(Profiledata, WithoutAnyDocumentEveryGetterReturnsZeros) {
  CBasicProfiledata doc;
  doc.setDocumentPath(path("none.Json"));
  doc.setDefaultDocumentPath(path("missing-factory.Json"));
  EXPECT_TRUE(doc.loadDeviceElement().isNull());
  EXPECT_EQ(doc.getLightInfo(), LightRecord{});
  EXPECT_EQ(doc.getAudioLightInfo(), AudioLightRecord{});
  EXPECT_TRUE(doc.getLightList().empty());
  // Nothing loaded: a save must not write an empty profile over anything.
  EXPECT_FALSE(doc.save());
  EXPECT_FALSE(fs::exists(path("none.Json")));
}

TEST_F(Profiledata, SaveReplacesOnlyItsOwnElement) {
  writeText(path("p.Json"), R"({"Other": {"kept": [1, 2, 3]},
      "Device": [{"LightInfo": {"SelectItem": 1}, "Custom": "mine"}, {"second": 2}, null]})");
  CBasicProfiledata doc;
  bind(doc, "p.Json");
  doc.loadDeviceElement();
  LightRecord light = doc.getLightInfo();
  light.red = 200;
  doc.setLightInfo(light);
  // Someone else changes the file between load and save: their change stays.
  Json::Value onDisk = readJson(path("p.Json"));
  onDisk["Added"] = "later";
  onDisk["Device"][1]["second"] = 22;
  ASSERT_TRUE(writeJsonFile(path("p.Json"), onDisk));

  ASSERT_TRUE(doc.save());
  const Json::Value saved = readJson(path("p.Json"));
  EXPECT_EQ(saved["Other"]["kept"].size(), 3u);
  EXPECT_EQ(saved["Added"].asString(), "later");
  ASSERT_EQ(saved["Device"].size(), 3u);
  EXPECT_EQ(saved["Device"][1]["second"].asInt(), 22);
  EXPECT_TRUE(saved["Device"][2].isNull());
  EXPECT_EQ(saved["Device"][0]["LightInfo"]["Red"].asInt(), 200);
  EXPECT_EQ(saved["Device"][0]["Custom"].asString(), "mine");
}

TEST_F(Profiledata, RepeatedSavesKeepFollowingTheFileOnDisk) {
  writeText(path("p.Json"), R"({"Other": 1, "Device": [{"LightInfo": {"SelectItem": 1}}, {"second": 2}]})");
  CBasicProfiledata doc;
  bind(doc, "p.Json");
  doc.loadDeviceElement();
  for (uint8_t red : {10, 20, 30}) {
    LightRecord light = doc.getLightInfo();
    light.red = red;
    doc.setLightInfo(light);
    ASSERT_TRUE(doc.save());
    const Json::Value saved = readJson(path("p.Json"));
    EXPECT_EQ(saved["Device"][0]["LightInfo"]["Red"].asInt(), red);
    EXPECT_EQ(saved["Device"][1]["second"].asInt(), 2);
    EXPECT_EQ(saved["Other"].asInt(), 1);
    // The working copy is still whole after the save.
    EXPECT_EQ(doc.getLightInfo().selectItem, 1);
  }
  // Changed by hand in place (same inode) after our last save: kept.
  std::string text = readText(path("p.Json"));
  text.replace(text.find("\"Other\" : 1"), 11, "\"Other\" : 77");
  { std::ofstream(path("p.Json"), std::ios::binary) << text; }
  ASSERT_TRUE(doc.save());
  EXPECT_EQ(readJson(path("p.Json"))["Other"].asInt(), 77);
  // An element handed out before a save is not changed by it or by later edits.
  const DeviceElement before = doc.workingCopy();
  doc.setLightInfo(LightRecord{});
  ASSERT_TRUE(doc.save());
  EXPECT_EQ(parse(before.text())["LightInfo"]["Red"].asInt(), 30);
}

TEST_F(Profiledata, SaveToAnotherPathAndAFailedWriteIsReported) {
  CBasicProfiledata doc;
  bind(doc, "p.Json");
  doc.loadDeviceElement();
  ASSERT_TRUE(doc.saveTo(doc.workingCopy(), path("copy.Json")));
  EXPECT_EQ(readJson(path("copy.Json"))["Device"][0]["LightInfo"]["SelectItem"].asInt(), 3);
  EXPECT_FALSE(doc.saveTo(doc.workingCopy(), path("no-such-folder/x.Json")));
  fs::create_directory(path("a-folder.Json"));
  EXPECT_FALSE(doc.saveTo(doc.workingCopy(), path("a-folder.Json")));
  EXPECT_FALSE(doc.saveTo(DeviceElement(), path("copy.Json")));
  EXPECT_EQ(readJson(path("copy.Json"))["Device"][0]["LightInfo"]["SelectItem"].asInt(), 3);
}

TEST_F(Profiledata, SecondWorkingCopyIsSavedIntoTheBoundDocument) {
  writeText(path("other.Json"), R"({"Device": [{"LightInfo": {"SelectItem": 9}}]})");
  CBasicProfiledata doc;
  bind(doc, "p.Json");
  doc.loadDeviceElement();
  const DeviceElement other = DeviceElement::fromDocumentFile(path("other.Json"));
  ASSERT_FALSE(other.isNull());
  ASSERT_TRUE(doc.saveSecondCopy(other));
  EXPECT_EQ(readJson(path("p.Json"))["Device"][0]["LightInfo"]["SelectItem"].asInt(), 9);
}

TEST_F(Profiledata, LoadDefaultElementResetsTheWorkingCopyWithoutWriting) {
  writeText(path("p.Json"), R"({"Device": [{"LightInfo": {"SelectItem": 7}}]})");
  CBasicProfiledata doc;
  bind(doc, "p.Json");
  doc.loadDeviceElement();
  ASSERT_TRUE(doc.loadDefaultElement());
  EXPECT_EQ(doc.getLightInfo().selectItem, 3);
  EXPECT_EQ(readJson(path("p.Json"))["Device"][0]["LightInfo"]["SelectItem"].asInt(), 7);
  ASSERT_TRUE(doc.save());
  EXPECT_EQ(readJson(path("p.Json"))["Device"][0]["LightInfo"]["SelectItem"].asInt(), 3);
}

TEST_F(Profiledata, LightInfoReadsBooleansNumbersAndBadTypesSafely) {
  CBasicProfiledata doc;
  doc.setWorkingCopy(DeviceElement::fromText(R"({"LightInfo": {"SelectItem": 2, "Light": "4",
      "Speed": 3.9, "Fx": true, "MultiColor": 5, "Red": 300, "Green": -4, "Blue": [1],
      "ZZCCLedMode": 17, "CustomGroup": 2, "OldLedmode": 6}})"));
  const LightRecord r = doc.getLightInfo();
  EXPECT_EQ(r.selectItem, 2);
  EXPECT_EQ(r.light, 0);       // a string is not a number
  EXPECT_EQ(r.speed, 3);       // reals are truncated
  EXPECT_EQ(r.fx, 1);          // booleans read as 0/1
  EXPECT_EQ(r.multiColor, 1);  // non-zero is true
  EXPECT_EQ(r.red, 255);       // clamped to a byte, not wrapped
  EXPECT_EQ(r.green, 0);
  EXPECT_EQ(r.blue, 0);
  EXPECT_EQ(r.zzccLedMode, 17);
  EXPECT_EQ(r.customGroup, 2);
  EXPECT_EQ(r.oldLedmode, 6);

  // Booleans are written back as integers.
  doc.setLightInfo(r);
  const Json::Value written = parse(doc.workingCopy().text());
  EXPECT_TRUE(written["LightInfo"]["MultiColor"].isInt());
  EXPECT_EQ(written["LightInfo"]["MultiColor"].asInt(), 1);
}

TEST_F(Profiledata, AbsentOrMistypedSectionsReturnTheCachedRecord) {
  CBasicProfiledata doc;
  doc.setWorkingCopy(DeviceElement::fromText(R"({"LightInfo": {"SelectItem": 4, "Blue": 9}})"));
  EXPECT_EQ(doc.getLightInfo().selectItem, 4);
  doc.setWorkingCopy(DeviceElement::fromText(R"({"LightInfo": 12})"));
  EXPECT_EQ(doc.getLightInfo().selectItem, 4);
  EXPECT_EQ(doc.getLightInfo().blue, 9);
  // Missing members inside a present section read as 0.
  doc.setWorkingCopy(DeviceElement::fromText(R"({"LightInfo": {"Red": 1}})"));
  EXPECT_EQ(doc.getLightInfo().selectItem, 0);
}

TEST_F(Profiledata, RebindingForgetsEverySectionOfThePreviousProfile) {
  writeText(path("a.Json"), R"({"Device": [{"LightInfo": {"SelectItem": 5},
      "AudioLightInfo": {"AudioMode": 2}, "LightList": [{"LEDREGMode": 1}],
      "KeyList": [{"Assignment": 5}], "CustomLightMode": {"CustomLightModeGroupIndex": 3},
      "SystemStages": {"Repeat": 9}}]})");
  writeText(path("b.Json"), R"({"Device": [{"Unrelated": 1}]})");
  CKeyboardProfiledata doc;
  doc.setDocumentPath(path("a.Json"));
  doc.loadDeviceElement();
  EXPECT_EQ(doc.getLightInfo().selectItem, 5);
  EXPECT_EQ(doc.getAudioLightInfo().audioMode, 2);
  EXPECT_EQ(doc.getLightList().size(), 1u);
  EXPECT_EQ(doc.getKeyList().size(), 1u);
  EXPECT_EQ(doc.getCustomGroupIndex(), 3u);
  EXPECT_EQ(doc.getSystemStages().repeat, 9);

  doc.setDocumentPath(path("b.Json"));
  doc.loadDeviceElement();
  EXPECT_EQ(doc.getLightInfo(), LightRecord{});
  EXPECT_EQ(doc.getAudioLightInfo(), AudioLightRecord{});
  EXPECT_TRUE(doc.getLightList().empty());
  EXPECT_TRUE(doc.getKeyList().empty());
  EXPECT_EQ(doc.getCustomGroupIndex(), 0u);
  EXPECT_EQ(doc.getSystemStages(), KeyboardSystemStages{});
}

TEST_F(Profiledata, LightListNullEntriesAreAbsentZonesBothWays) {
  CBasicProfiledata doc;
  doc.setWorkingCopy(DeviceElement::fromText(R"({"LightList": [
      {"LEDREGMode": 1, "LEDBrightness": 4, "LEDSpeed": 2, "LEDDirection": true,
       "LEDMultiColor": 0, "red": 1, "green": 2, "blue": 3},
      {}, null, 5]})"));
  const auto list = doc.getLightList();
  ASSERT_EQ(list.size(), 4u);
  EXPECT_EQ(list[0], (LightListEntry{1, 4, 2, 1, 0, 1, 2, 3, 1}));
  EXPECT_EQ(list[1], (LightListEntry{0, 0, 0, 0, 0, 0, 0, 0, 1}));
  EXPECT_EQ(list[2], LightListEntry{});
  EXPECT_EQ(list[3].present, 1);

  doc.setLightList(list);
  const Json::Value written = parse(doc.workingCopy().text());
  EXPECT_TRUE(written["LightList"][2].isNull());
  EXPECT_EQ(written["LightList"][0]["LEDDirection"].asInt(), 1);
  EXPECT_EQ(doc.getLightList(), list);
}

TEST_F(Profiledata, KeyListDecodesFunctionCodesAndWritesOnlyAssignments) {
  CBasicProfiledata doc;
  doc.setWorkingCopy(DeviceElement::fromText(R"({"KeyList": [
      {"Assignment": 1048832, "DefaultAssignment": 1310720},
      {"Assignment": 4294967295, "DefaultAssignment": -3},
      {"DefaultAssignment": 1245184}]})"));
  auto keys = doc.getKeyList();
  ASSERT_EQ(keys.size(), 3u);
  // 16 * 65536 + 1 * 256: the left mouse button.
  EXPECT_EQ(keys[0].assignment, (FunctionCode{0x10, 0x01, 0x00}));
  EXPECT_EQ(keys[0].defaultAssignment, (FunctionCode{0x14, 0x00, 0x00}));
  EXPECT_EQ(keys[1].assignment, (FunctionCode{0xFF, 0xFF, 0xFF}));  // only three bytes count
  EXPECT_EQ(keys[1].defaultAssignment, FunctionCode{});             // negative reads as 0
  EXPECT_EQ(keys[2].assignment, FunctionCode{});

  keys[0].assignment = {0x70, 0x02, 0x01};
  keys[0].defaultAssignment = {0x99, 0x99, 0x99};  // not written: the defaults are factory data
  doc.setKeyList(keys);
  doc.setKeyAssignment(4, {0x20, 0x02, 0x04});
  const Json::Value written = parse(doc.workingCopy().text());
  EXPECT_EQ(written["KeyList"][0]["Assignment"].asInt(), 0x70 * 65536 + 2 * 256 + 1);
  EXPECT_EQ(written["KeyList"][0]["DefaultAssignment"].asInt(), 1310720);
  ASSERT_EQ(written["KeyList"].size(), 5u);
  EXPECT_EQ(written["KeyList"][4]["Assignment"].asInt(), 0x200204);
  EXPECT_EQ(doc.getKeyList()[4].assignment, (FunctionCode{0x20, 0x02, 0x04}));
}

TEST_F(Profiledata, CustomGroupsAreCompletedWithZerosInTheWorkingCopy) {
  CBasicProfiledata doc;
  doc.setWorkingCopy(DeviceElement::fromText(R"({"CustomLightMode": {"LightColorInfo": [
      [{"Red": 1, "Green": 2, "Blue": 3, "Alpha": 4}, 7]]}})"));
  EXPECT_EQ(doc.getCustomGroupIndex(), 0u);
  const auto group0 = doc.getCustomGroupColors(0, 3);
  ASSERT_EQ(group0.size(), 3u);
  EXPECT_EQ(group0[0], (CustomColor{1, 2, 3, 4}));
  EXPECT_EQ(group0[1], CustomColor{});
  EXPECT_EQ(group0[2], CustomColor{});
  const auto group2 = doc.getCustomGroupColors(2, 2);
  EXPECT_EQ(group2, std::vector<CustomColor>(2));
  EXPECT_EQ(doc.customGroupCount(), 3u);

  const Json::Value written = parse(doc.workingCopy().text());
  const Json::Value& groups = written["CustomLightMode"]["LightColorInfo"];
  ASSERT_EQ(groups[0].size(), 3u);
  EXPECT_EQ(groups[0][2]["Alpha"].asInt(), 0);
  EXPECT_TRUE(groups[0][1].isObject());
  ASSERT_EQ(groups[2].size(), 2u);
  EXPECT_EQ(groups[2][1]["Red"].asInt(), 0);

  doc.setCustomGroupColors(1, {{9, 8, 7, 6}});
  doc.setCustomGroupIndex(1);
  EXPECT_EQ(doc.getCustomGroupColors(1, 1)[0], (CustomColor{9, 8, 7, 6}));
  EXPECT_EQ(doc.getCustomGroupIndex(), 1u);
  // An absurd group index is refused instead of growing the document.
  EXPECT_EQ(doc.getCustomGroupColors(100000, 2), std::vector<CustomColor>(2));
  EXPECT_EQ(doc.customGroupCount(), 3u);
}

TEST_F(Profiledata, SettersOnAnEmptyObjectBuildTheSections) {
  CKeyboardProfiledata doc;
  doc.setDocumentPath(path("fresh.Json"));
  doc.setLightInfo(LightRecord{1, 2, 3, 0, 1, 4, 5, 6, 7, 0, 0});
  doc.setSystemStages(KeyboardSystemStages{31, 2, 1, 3, 1, 1});
  doc.setAudioLightInfo(AudioLightRecord{1, 2, 3, 4, 5, 6, 7, 1, 0});
  ASSERT_TRUE(doc.save());
  CKeyboardProfiledata again;
  again.setDocumentPath(path("fresh.Json"));
  again.loadDeviceElement();
  EXPECT_EQ(again.getLightInfo(), (LightRecord{1, 2, 3, 0, 1, 4, 5, 6, 7, 0, 0}));
  EXPECT_EQ(again.getSystemStages(), (KeyboardSystemStages{31, 2, 1, 3, 1, 1}));
  EXPECT_EQ(again.getSystemWords(), (SystemWords{31u | 2u << 16, 1u | 3u << 16, 1u | 1u << 16}));
  EXPECT_EQ(again.getAudioLightInfo(), (AudioLightRecord{1, 2, 3, 4, 5, 6, 7, 1, 0}));
}

TEST_F(Profiledata, HeadsetSectionsRoundTrip) {
  CHs6533Profiledata doc;
  doc.setWorkingCopy(DeviceElement::fromText(R"({"SystemSetStages": {"MagicEnable": 1, "MagicType": 3,
      "EqType": 13, "CustomEqSeletIndex": -1, "MicInSelect": 1, "MicInValue": 37},
      "EQHzValueInfo": [[], [{"value": 7}, {"value": -3}, {}]],
      "CustomEQNameInfo": [{"Name": "Bass"}, {"Name": 5}],
      "CustomEQHzValueInfo": [[{"value": 1}]]})"));
  const HeadsetSystemSet set = doc.getSystemSet();
  EXPECT_EQ(set.magicType, 3);
  EXPECT_EQ(set.customEqSelectIndex, -1);
  EXPECT_EQ(set.micInValue, 37);
  EXPECT_EQ(set.micMonitorValue, 0);
  const auto eq = doc.getEqPresets();
  ASSERT_EQ(eq.size(), 2u);
  EXPECT_TRUE(eq[0].empty());
  EXPECT_EQ(eq[1], (EqPreset{7, -3, 0}));
  EXPECT_EQ(doc.getCustomEqNames(), (std::vector<std::string>{"Bass", ""}));
  EXPECT_EQ(doc.getCustomEqPresets(), (std::vector<EqPreset>{{1}}));

  doc.setCustomEqNames({"A", "B"});
  doc.setCustomEqPresets({{1, 2}, {-5}});
  doc.setSystemSet(HeadsetSystemSet{0, 1, 13, 1, 0, 50, 1, 20});
  doc.setEqPresets({{}, {3}});
  CHs6533Profiledata copy;
  copy.setWorkingCopy(DeviceElement::fromText(doc.workingCopy().text()));
  EXPECT_EQ(copy.getCustomEqNames(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(copy.getCustomEqPresets(), (std::vector<EqPreset>{{1, 2}, {-5}}));
  EXPECT_EQ(copy.getSystemSet(), (HeadsetSystemSet{0, 1, 13, 1, 0, 50, 1, 20}));
  EXPECT_EQ(copy.getEqPresets(), (std::vector<EqPreset>{{}, {3}}));
}

TEST_F(Profiledata, DeviceElementCopiesAreIndependent) {
  CBasicProfiledata doc;
  doc.setWorkingCopy(DeviceElement::fromText(R"({"LightInfo": {"Red": 1}})"));
  const DeviceElement before = doc.workingCopy();
  doc.setLightInfo(LightRecord{0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0});
  EXPECT_EQ(parse(before.text())["LightInfo"]["Red"].asInt(), 1);
  EXPECT_TRUE(DeviceElement::fromText("[1]").isNull());
  EXPECT_TRUE(DeviceElement::fromText("{bad").isNull());
}

}  // namespace

namespace {

// A page edits and saves while a light thread reads the light sections and
// takes copies of the element: every read sees a whole record, and copies
// handed out never change under their holder.
TEST_F(Profiledata, PageAndLightThreadShareOneDocument) {
  CBasicProfiledata doc;
  bind(doc, "p.Json");
  doc.loadDeviceElement();
  doc.setLightInfo(LightRecord{});
  std::atomic<bool> stop{false};
  std::thread light([&] {
    while (!stop.load()) {
      const LightRecord r = doc.getLightInfo();
      // The page always writes red == green.
      if (r.red != r.green) {
        ADD_FAILURE() << "torn light record";
      }
      const DeviceElement copy = doc.workingCopy();
      const std::string first = copy.text();
      (void)doc.getLightList();
      (void)doc.getSelectedSequence(10);
      if (copy.text() != first) {
        ADD_FAILURE() << "a handed-out element changed";
      }
    }
  });
  for (int i = 0; i < 200; ++i) {
    LightRecord r = doc.getLightInfo();
    r.red = r.green = static_cast<uint8_t>(i);
    doc.setLightInfo(r);
    doc.setLightList({LightListEntry{1, 2, 3, 0, 0, r.red, 0, 0, 1}});
    if (i % 20 == 0) {
      EXPECT_TRUE(doc.save());
    }
  }
  stop = true;
  light.join();
  EXPECT_EQ(doc.getLightInfo().red, 199);
}

}  // namespace
