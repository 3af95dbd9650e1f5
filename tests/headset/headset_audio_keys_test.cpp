// `tesselctl get/set headset` audio keys over the headset's audio side.
#include "devices/headset/headset_audio_keys.h"
#include "headset_audio_fixture.h"

namespace tessel::test {
namespace {

namespace prop = audio::prop;
using settings::Refusal;

class HeadsetAudioKeys : public HeadsetAudioFixture {
 protected:
  // Runs a set the way tesselctl does: every pair checked first, then written.
  bool set(const std::vector<std::string>& pairs, settings::Problem* problem = nullptr) {
    std::vector<settings::Assignment<HeadsetAudio>> plan;
    settings::Problem p;
    if (!settings::parseAssignments(headsetAudioKeys(), audio_, pairs, plan, p)) {
      if (problem) *problem = p;
      return false;
    }
    for (const auto& a : plan)
      if (!a.row->write(audio_, a.value)) return false;
    return true;
  }
};

TEST_F(HeadsetAudioKeys, GetPrintsEveryAudioKeyAndSetTakesItBack) {
  activate();
  const std::string lines = settings::formatLines(headsetAudioKeys(), audio_);
  EXPECT_NE(lines.find("eq=5\n"), std::string::npos);
  EXPECT_NE(lines.find("eq.band.9=0\n"), std::string::npos);
  EXPECT_NE(lines.find("eq.custom=\n"), std::string::npos);
  EXPECT_NE(lines.find("mic.level=80\n"), std::string::npos);
  EXPECT_NE(lines.find("monitor.on=0\n"), std::string::npos);
  EXPECT_NE(lines.find("voice.type=1\n"), std::string::npos);
  // Actions are set only.
  EXPECT_EQ(lines.find("eq.save"), std::string::npos);
  EXPECT_EQ(lines.find("eq.delete"), std::string::npos);
  EXPECT_TRUE(headsetAudioUnavailableLines(audio_).empty());
  // Every line of `get` given back is taken and changes nothing.
  std::vector<std::string> pairs;
  for (size_t at = 0, end; (end = lines.find('\n', at)) != std::string::npos; at = end + 1)
    pairs.push_back(lines.substr(at, end - at));
  std::vector<settings::Assignment<HeadsetAudio>> plan;
  settings::Problem problem;
  ASSERT_TRUE(settings::parseAssignments(headsetAudioKeys(), audio_, pairs, plan, problem)) << problem.text;
  for (const auto& a : plan) EXPECT_EQ(a.row->read(audio_), a.value) << a.row->key;
}

TEST_F(HeadsetAudioKeys, SetDrivesTheSameOperationsAsThePage) {
  activate();
  ASSERT_TRUE(set({"eq=6", "mic.level=55", "voice.on=1", "voice.type=2"}));
  EXPECT_EQ(fileElement()["SystemSetStages"]["EqType"].asInt(), 6);
  EXPECT_EQ(chip_->writesOf(prop::kVolumeScalar).back().value.asReal(), 0.55f);
  EXPECT_EQ(fileElement()["SystemSetStages"]["MagicType"].asInt(), 2);
  // A curve from bands, kept as a preset, selected again by name.
  ASSERT_TRUE(set({"eq.band.0=4", "eq.band.9=-4", "eq.save=Night"}));
  EXPECT_EQ(fileElement()["CustomEQNameInfo"][0]["Name"].asString(), "Night");
  EXPECT_EQ(fileBands("CustomEQHzValueInfo", 0)[9], -4);
  ASSERT_TRUE(set({"eq=1", "eq.custom=night"}));
  EXPECT_EQ(audio_.settings().eqType, 13);
  EXPECT_EQ(chip_->writesOf("EQ_Slider1").back().value.asInt(), 4);
  // Saving under the selected preset's own name overwrites it.
  ASSERT_TRUE(set({"eq.band.9=2", "eq.save=Night"}));
  EXPECT_EQ(fileBands("CustomEQHzValueInfo", 0)[9], 2);
  ASSERT_TRUE(set({"eq.delete=NIGHT"}));
  EXPECT_EQ(fileElement()["CustomEQNameInfo"].size(), 0u);
  EXPECT_EQ(audio_.settings().eqType, 1);
}

TEST_F(HeadsetAudioKeys, BadValuesAreRefusedBeforeAnythingChanges) {
  activate();
  const std::string before = fileText();
  settings::Problem p;
  EXPECT_FALSE(set({"mic.level=20", "eq=14"}, &p));
  EXPECT_EQ(p.kind, Refusal::BadInput);
  EXPECT_FALSE(set({"voice.type=0"}, &p));
  EXPECT_FALSE(set({"eq.custom=nothing"}, &p));
  EXPECT_NE(p.text.find("no custom preset"), std::string::npos);
  EXPECT_FALSE(set({"eq.save="}, &p));
  EXPECT_FALSE(set({"eq.band.10=1"}, &p));
  EXPECT_EQ(fileText(), before);
  EXPECT_TRUE(chip_->calls().empty());
  // A name another preset has is refused.
  ASSERT_TRUE(set({"eq.save=A"}));
  ASSERT_TRUE(set({"eq.save=B"}));
  EXPECT_FALSE(set({"eq.save=a"}, &p));
  EXPECT_NE(p.text.find("\"A\" already has that name"), std::string::npos) << p.text;
  // A chip that refuses makes the set fail.
  chip_->refuseWrites(prop::kMute);
  EXPECT_FALSE(set({"mic.on=0"}));
}

TEST_F(HeadsetAudioKeys, UnavailableGroupsAreLeftOutAndSayWhy) {
  chip_->setFeatureString(audio::Direction::Recording, "0,0,0,0,0,0,0");
  chip_->removeProperty(audio::Direction::Recording, prop::kAAMaxVol);
  activate();
  const std::string lines = settings::formatLines(headsetAudioKeys(), audio_);
  EXPECT_EQ(lines.find("voice."), std::string::npos);
  EXPECT_EQ(lines.find("monitor."), std::string::npos);
  EXPECT_NE(lines.find("mic.on="), std::string::npos);
  const auto why = headsetAudioUnavailableLines(audio_);
  ASSERT_EQ(why.size(), 2u);
  EXPECT_EQ(why[0].rfind("monitor unavailable: ", 0), 0u);
  EXPECT_EQ(why[1].rfind("voice changer unavailable: ", 0), 0u);
  settings::Problem p;
  EXPECT_FALSE(set({"voice.on=1"}, &p));
  EXPECT_EQ(p.kind, Refusal::Unavailable);

  binding_.setChip(nullptr);
  activate();
  EXPECT_EQ(headsetAudioUnavailableLines(audio_).size(), 4u);
  EXPECT_EQ(settings::formatLines(headsetAudioKeys(), audio_), "");
}

}  // namespace
}  // namespace tessel::test
