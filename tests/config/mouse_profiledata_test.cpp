// The mouse's sections: stages, pointer words, surface presets.
#include "config/mouse_profiledata.h"
#include "config_fixture.h"

using namespace tessel;

namespace {

const char* kFiveStages = R"({"DPIStages": {"StageActive": 4, "StageDPIs": [
    {"StageActive": 1, "StageXY": 0, "StageDPIX": 6, "StageDPIY": 6, "StageColorR": 255},
    {"StageActive": 1, "StageDPIX": 14}, {"StageActive": 1, "StageDPIX": 22},
    {"StageActive": 0, "StageDPIX": 30}, {"StageActive": 1, "StageDPIX": 46, "StageDPIY": 70000}]}})";
const char* kThreeStages = R"({"DPIStages": {"StageActive": 0, "StageDPIs": [
    {"StageActive": 1, "StageDPIX": 1}, {"StageActive": 1, "StageDPIX": 2}, {"StageActive": 1, "StageDPIX": 3}]}})";

class MouseProfiledata : public test::TempFolder {};

TEST_F(MouseProfiledata, StagesReadFromTheDocumentReplaceTheCachedList) {
  CMouseProfiledata doc;
  doc.setWorkingCopy(DeviceElement::fromText(kFiveStages));
  auto stages = doc.getStages();
  ASSERT_EQ(stages.size(), 5u);
  EXPECT_EQ(stages[0], (DpiStage{1, 0, 6, 6, 255, 0, 0}));
  EXPECT_EQ(stages[4].y, 65535);  // clamped to 16 bits
  EXPECT_EQ(doc.getActiveStage(), 4);

  // A three-stage profile shows three stages, not the last two of the five.
  doc.setWorkingCopy(DeviceElement::fromText(kThreeStages));
  stages = doc.getStages();
  ASSERT_EQ(stages.size(), 3u);
  EXPECT_EQ(stages[2].x, 3);
  EXPECT_EQ(doc.getActiveStage(), 0);
}

TEST_F(MouseProfiledata, StagesWithoutAListKeepTheCachedListButTakeTheActiveIndex) {
  CMouseProfiledata doc;
  doc.setWorkingCopy(DeviceElement::fromText(kThreeStages));
  ASSERT_EQ(doc.getStages().size(), 3u);
  doc.setWorkingCopy(DeviceElement::fromText(R"({"DPIStages": {"StageActive": 2}})"));
  EXPECT_EQ(doc.getStages().size(), 3u);
  EXPECT_EQ(doc.getActiveStage(), 2);
  doc.setWorkingCopy(DeviceElement::fromText(R"({"DPIStages": {"StageActive": 1, "StageDPIs": {}}})"));
  EXPECT_EQ(doc.getStages().size(), 3u);
}

TEST_F(MouseProfiledata, SwitchingProfilesNeverShowsThePreviousProfilesStages) {
  writeText(path("five.Json"), std::string(R"({"Device": [)") + kFiveStages + "]}");
  writeText(path("three.Json"), std::string(R"({"Device": [)") + kThreeStages + "]}");
  writeText(path("none.Json"), R"({"Device": [{"LightInfo": {}}]})");
  CMouseProfiledata doc;
  doc.setDocumentPath(path("five.Json"));
  doc.loadDeviceElement();
  ASSERT_EQ(doc.getStages().size(), 5u);
  doc.setDocumentPath(path("three.Json"));
  doc.loadDeviceElement();
  EXPECT_EQ(doc.getStages().size(), 3u);
  doc.setDocumentPath(path("none.Json"));
  doc.loadDeviceElement();
  EXPECT_TRUE(doc.getStages().empty());
  EXPECT_EQ(doc.getActiveStage(), 0);
}

TEST_F(MouseProfiledata, StageSettersKeepTheOtherHalfOfTheSection) {
  CMouseProfiledata doc;
  doc.setWorkingCopy(DeviceElement::fromText(kFiveStages));
  doc.setActiveStage(2);
  doc.setStages({DpiStage{1, 1, 100, 200, 1, 2, 3}});
  const Json::Value written = parse(doc.workingCopy().text());
  EXPECT_EQ(written["DPIStages"]["StageActive"].asInt(), 2);
  ASSERT_EQ(written["DPIStages"]["StageDPIs"].size(), 1u);
  EXPECT_EQ(written["DPIStages"]["StageDPIs"][0]["StageDPIY"].asInt(), 200);
  EXPECT_EQ(written["DPIStages"]["StageDPIs"][0]["StageColorB"].asInt(), 3);
}

TEST_F(MouseProfiledata, PointerWordsPackTheSystemAndReportSections) {
  CMouseProfiledata doc;
  doc.setWorkingCopy(DeviceElement::fromText(R"({"SystemStages": {"DoubleClickTime": 500,
      "MouseSpeed": 10, "PointerPrecision": 1, "ScorllPage": 1, "WheelScorlllinse": 3},
      "ReportStages": {"StageActive": 4}})"));
  EXPECT_EQ(doc.getSystemWords(), (SystemWords{10u << 16 | 500u, 1u << 16 | 1u, 4u << 16 | 3u}));

  // Without "ReportStages" the top half of word 2 is 0.
  doc.setWorkingCopy(DeviceElement::fromText(R"({"SystemStages": {"WheelScorlllinse": 7}})"));
  EXPECT_EQ(doc.getSystemWords(), (SystemWords{0, 0, 7}));
  // Without "SystemStages" all three words are 0, even with "ReportStages".
  doc.setWorkingCopy(DeviceElement::fromText(R"({"ReportStages": {"StageActive": 4}})"));
  EXPECT_EQ(doc.getSystemWords(), (SystemWords{0, 0, 0}));

  doc.setSystemStages(MouseSystemStages{400, 12, 0, 1, 5, 2});
  const Json::Value written = parse(doc.workingCopy().text());
  EXPECT_EQ(written["SystemStages"]["DoubleClickTime"].asInt(), 400);
  EXPECT_EQ(written["SystemStages"]["ScorllPage"].asInt(), 1);
  EXPECT_EQ(written["ReportStages"]["StageActive"].asInt(), 2);
  EXPECT_EQ(doc.getSystemStages(), (MouseSystemStages{400, 12, 0, 1, 5, 2}));
}

TEST_F(MouseProfiledata, SurfacePresetsRoundTrip) {
  CMouseProfiledata doc;
  doc.setWorkingCopy(DeviceElement::fromText(R"({"CorrectInfo": [
      {"CorrectPixThresh": 20, "CorrectMinSq": 32, "CorrectSelect": true, "CorrectName": "Cloth"},
      {"CorrectPixThresh": "x", "CorrectName": 4}]})"));
  auto presets = doc.getCorrectInfo();
  ASSERT_EQ(presets.size(), 2u);
  EXPECT_EQ(presets[0], (CorrectPreset{20, 32, 1, "Cloth"}));
  EXPECT_EQ(presets[1], (CorrectPreset{0, 0, 0, ""}));
  presets[1].select = 1;
  doc.setCorrectInfo(presets);
  EXPECT_EQ(parse(doc.workingCopy().text())["CorrectInfo"][1]["CorrectSelect"].asInt(), 1);
}

TEST(SystemWords, HalvesPackAndUnpackWithoutLoss) {
  const MouseSystemStages m{0xFFFF, 1, 2, 0x8000, 4, 0xABCD};
  EXPECT_EQ(unpackMouseSystemWords(packMouseSystemWords(m)), m);
  const KeyboardSystemStages k{0xFFFF, 3, 1, 0x1234, 0, 1};
  EXPECT_EQ(packKeyboardSystemWords(k)[1], 0x12340001u);
  EXPECT_EQ(unpackKeyboardSystemWords(packKeyboardSystemWords(k)), k);
  EXPECT_EQ(encodeFunctionCode({0x14, 0x78, 0x02}), 0x147802);
  EXPECT_EQ(decodeFunctionCode(0x1147802), (FunctionCode{0x14, 0x78, 0x02}));
}

}  // namespace
