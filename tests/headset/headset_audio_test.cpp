// The headset's audio side against the emulated chip: what the chip receives
// and what the profile document keeps.
#include <cstring>

#include "headset_audio_fixture.h"

namespace tessel::test {
namespace {

using audio::Direction;
namespace prop = audio::prop;

std::vector<int> bandsOf(const headset::Bands& b) { return std::vector<int>(b.begin(), b.end()); }

TEST_F(HeadsetAudioFixture, Preset6WritesItsTenGainsAndStoresThem) {
  activate();
  ASSERT_TRUE(audio_.selectEqualiser(6));
  const std::vector<int> gains{7, 14, -13, -6, -1, 8, 13, 7, 2, 6};
  EXPECT_EQ(writtenInts(prop::kEqEnable), std::vector<int>{1});
  std::vector<int> written;
  for (int i = 0; i < 10; ++i) {
    const auto w = writtenInts(prop::eqSlider(i));
    ASSERT_EQ(w.size(), 1u) << i;
    written.push_back(w[0]);
  }
  EXPECT_EQ(written, gains);
  EXPECT_EQ(audio_.settings().eqType, 6);
  EXPECT_EQ(bandsOf(audio_.bandSliders()), gains);
  // The file holds the preset and the setting, not just the document in memory.
  EXPECT_EQ(fileBands("EQHzValueInfo", 6), gains);
  EXPECT_EQ(fileElement()["SystemSetStages"]["EqType"].asInt(), 6);
  EXPECT_FALSE(audio_.customAreaEnabled());
}

TEST_F(HeadsetAudioFixture, MovingBand3OnPreset4SwitchesToCustomWithoutTouchingTheDocument) {
  activate();
  audio_.selectEqualiser(4);
  chip_->clearCalls();
  const std::string before = fileText();
  int saves = 0;
  audio_.onSaved = [&] { ++saves; };
  EXPECT_EQ(audio_.changeBand(3, 9), 0);
  std::vector<std::string> names;
  for (const auto& c : chip_->calls()) names.push_back(c.name);
  EXPECT_EQ(names, std::vector<std::string>{"EQ_Slider4"});
  EXPECT_EQ(writtenInts("EQ_Slider4"), std::vector<int>{9});
  EXPECT_EQ(audio_.settings().eqType, 13);
  EXPECT_TRUE(audio_.customAreaEnabled());
  EXPECT_EQ(audio_.customSelection(), -1);
  EXPECT_EQ(audio_.bandSliders()[3], 9);
  EXPECT_EQ(audio_.bandGains()[3], -3);  // the stored gains stay the preset's
  EXPECT_EQ(fileText(), before);
  EXPECT_EQ(saves, 0);
  EXPECT_EQ(audio_.changeBand(10, 1), -1);
}

TEST_F(HeadsetAudioFixture, CustomPresetsAreLimitedToTwentyWithNamesIgnoringCase) {
  activate();
  audio_.changeBand(0, 5);
  EXPECT_EQ(audio_.saveCustomPreset(""), headset::kSaveRefused);  // nothing selected to overwrite
  ASSERT_EQ(audio_.saveCustomPreset("Bass"), headset::kSaveSaved);
  EXPECT_EQ(audio_.saveCustomPreset("bASS"), headset::kSaveNameTaken);
  for (int i = 1; i < 20; ++i) ASSERT_EQ(audio_.saveCustomPreset("p" + std::to_string(i)), headset::kSaveSaved);
  EXPECT_EQ(audio_.saveCustomPreset("one too many"), headset::kSaveRefused);
  EXPECT_EQ(audio_.customNames().size(), 20u);
  EXPECT_EQ(fileElement()["CustomEQNameInfo"].size(), 20u);
  EXPECT_EQ(fileElement()["CustomEQNameInfo"][0]["Name"].asString(), "Bass");
  EXPECT_EQ(fileBands("CustomEQHzValueInfo", 0), (std::vector<int>{5, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(fileElement()["SystemSetStages"]["CustomEqSeletIndex"].asInt(), 19);
}

TEST_F(HeadsetAudioFixture, AnEmptyNameOverwritesTheSelectedPreset) {
  activate();
  audio_.selectEqualiser(13);
  audio_.changeBand(2, 4);
  ASSERT_EQ(audio_.saveCustomPreset("Mine"), headset::kSaveSaved);
  audio_.changeBand(2, -6);
  ASSERT_EQ(audio_.saveCustomPreset(""), headset::kSaveSaved);
  EXPECT_EQ(fileBands("CustomEQHzValueInfo", 0)[2], -6);
  EXPECT_EQ(audio_.customNames().size(), 1u);
}

TEST_F(HeadsetAudioFixture, DeletingTheOnlyCustomPresetReturnsToPreset1) {
  activate();
  audio_.selectEqualiser(13);
  audio_.changeBand(0, 3);
  ASSERT_EQ(audio_.saveCustomPreset("Only"), headset::kSaveSaved);
  chip_->clearCalls();
  audio_.deleteCustomPreset();
  EXPECT_EQ(audio_.settings().eqType, 1);
  EXPECT_EQ(audio_.equaliserOption(), 1);
  EXPECT_FALSE(audio_.customAreaEnabled());
  EXPECT_EQ(bandsOf(audio_.bandSliders()), (std::vector<int>{7, 11, 2, -3, -1, 4, 9, 12, 9, 5}));
  EXPECT_EQ(fileElement()["CustomEQNameInfo"].size(), 0u);
  EXPECT_EQ(fileElement()["CustomEQHzValueInfo"].size(), 0u);
  EXPECT_EQ(fileElement()["SystemSetStages"]["EqType"].asInt(), 1);
  EXPECT_TRUE(chip_->calls().empty());  // delete does not write the chip
}

TEST_F(HeadsetAudioFixture, DeletingPreset0OfThreeKeepsTheOthersWithTheirGains) {
  activate();
  audio_.selectEqualiser(13);
  for (int i = 0; i < 3; ++i) {
    audio_.changeBand(0, i + 1);
    ASSERT_EQ(audio_.saveCustomPreset("c" + std::to_string(i)), headset::kSaveSaved);
  }
  audio_.setCustomSelection(0);
  audio_.deleteCustomPreset();
  EXPECT_EQ(audio_.customNames(), (std::vector<std::string>{"c1", "c2"}));
  EXPECT_EQ(fileBands("CustomEQHzValueInfo", 0)[0], 2);
  EXPECT_EQ(fileBands("CustomEQHzValueInfo", 1)[0], 3);
  EXPECT_EQ(audio_.customSelection(), 0);
  EXPECT_EQ(audio_.bandSliders()[0], 2);
  // Selecting a custom preset applies its curve.
  chip_->clearCalls();
  ASSERT_TRUE(audio_.selectCustomPreset(1));
  EXPECT_EQ(writtenInts("EQ_Slider1"), std::vector<int>{3});
  EXPECT_EQ(fileElement()["SystemSetStages"]["CustomEqSeletIndex"].asInt(), 1);
}

TEST_F(HeadsetAudioFixture, MicrophoneLevelIsSavedOnlyWhenTheChipTookIt) {
  activate();
  ASSERT_TRUE(audio_.setMicrophoneLevel(37));
  const auto writes = chip_->writesOf(prop::kVolumeScalar);
  ASSERT_EQ(writes.size(), 1u);
  EXPECT_EQ(writes[0].parameter, audio::Parameter::onChannel(-1));
  EXPECT_EQ(writes[0].value.asReal(), 0.37f);
  EXPECT_EQ(fileElement()["SystemSetStages"]["MicInValue"].asInt(), 37);

  chip_->refuseWrites(prop::kVolumeScalar);
  EXPECT_FALSE(audio_.setMicrophoneLevel(60));
  EXPECT_EQ(audio_.microphoneSlider(), 60);  // the slider keeps the user's position
  EXPECT_EQ(audio_.settings().micInValue, 37);
  EXPECT_EQ(fileElement()["SystemSetStages"]["MicInValue"].asInt(), 37);

  ASSERT_TRUE(audio_.setMonitorLevel(150));  // clamped
  EXPECT_EQ(chip_->writesOf(prop::kAAVolumeScalar).back().parameter, audio::Parameter::onChannel(0));
  EXPECT_EQ(fileElement()["SystemSetStages"]["MicMoniterValue"].asInt(), 100);
}

TEST_F(HeadsetAudioFixture, TogglesWriteTheMuteAndSaveOnlyOnSuccess) {
  activate();
  ASSERT_TRUE(audio_.microphoneLive());  // factory chip: microphone live
  ASSERT_TRUE(audio_.toggleMicrophone());
  EXPECT_EQ(writtenInts(prop::kMute), std::vector<int>{1});
  EXPECT_EQ(fileElement()["SystemSetStages"]["MicInSelect"].asInt(), 0);
  chip_->refuseWrites(prop::kAAMute);
  const bool monitorWas = audio_.monitorLive();
  EXPECT_FALSE(audio_.toggleMonitor());
  EXPECT_NE(audio_.monitorLive(), monitorWas);  // the option shows the user's click
  EXPECT_EQ(fileElement()["SystemSetStages"]["MicMoniterSelect"].asInt(), monitorWas ? 1 : 0);
  EXPECT_TRUE(audio_.setMicrophoneOn(false));  // already off: nothing written
  EXPECT_EQ(writtenInts(prop::kMute).size(), 1u);
}

TEST_F(HeadsetAudioFixture, VoiceTypeIsSavedOnlyWhenTakenAndTheChangerAlways) {
  activate();
  ASSERT_TRUE(audio_.setVoiceChanger(true));
  EXPECT_EQ(writtenInts(prop::kMagicVoice), std::vector<int>{1});
  EXPECT_EQ(writtenInts(prop::kMicEcho), std::vector<int>{0});
  ASSERT_TRUE(audio_.selectVoiceType(3));
  EXPECT_EQ(writtenInts(prop::kMagicVoiceSelection), std::vector<int>{2});
  EXPECT_EQ(fileElement()["SystemSetStages"]["MagicType"].asInt(), 3);

  chip_->refuseWrites(prop::kMagicVoiceSelection);
  EXPECT_FALSE(audio_.selectVoiceType(4));
  EXPECT_EQ(audio_.voiceTypeShown(), 4);
  EXPECT_EQ(fileElement()["SystemSetStages"]["MagicType"].asInt(), 3);
  EXPECT_TRUE(audio_.selectVoiceType(0));  // nothing
  EXPECT_EQ(audio_.voiceTypeShown(), 4);

  chip_->refuseWrites(prop::kMagicVoice);
  EXPECT_FALSE(audio_.setVoiceChanger(false));
  EXPECT_EQ(fileElement()["SystemSetStages"]["MagicEnable"].asInt(), 0);
  EXPECT_TRUE(chip_->writesOf(prop::kMicEcho).size() == 1u);  // echo is only switched off with the changer on
}

TEST_F(HeadsetAudioFixture, ChipStateOverwritesLevelsRoundedAndLeavesFailedReads) {
  chip_->setProperty(Direction::Recording, prop::kVolumeScalar, "0.289999992");
  chip_->setProperty(Direction::Recording, prop::kMute, "1");
  chip_->setProperty(Direction::Recording, prop::kMagicVoiceSelection, "7");
  chip_->setProperty(Direction::Recording, prop::kMagicVoice, "1");
  chip_->removeProperty(Direction::Recording, prop::kAAMaxVol);
  chip_->setProperty(Direction::Recording, prop::kAAVolumeScalar, "0.9");
  activate();
  EXPECT_EQ(audio_.settings().micInValue, 29);
  EXPECT_FALSE(audio_.microphoneLive());
  EXPECT_EQ(audio_.settings().micInSelect, 0);
  EXPECT_EQ(audio_.settings().magicType, 1);          // 7 is no type: the document's stays
  EXPECT_EQ(audio_.settings().micMonitorValue, 50);   // no monitor path: the document's
  EXPECT_EQ(audio_.settings().magicEnable, 1);
  EXPECT_NE(audio_.unavailableReason(audio::AudioGroup::Monitor), "");
  EXPECT_EQ(fileElement()["SystemSetStages"]["MicInValue"].asInt(), 80);  // nothing saved
}

TEST_F(HeadsetAudioFixture, LoadFallsBackWithoutCreatingEntries) {
  Json::Value e = factoryElement();
  e["SystemSetStages"]["EqType"] = 13;
  e["SystemSetStages"]["CustomEqSeletIndex"] = -1;
  e["SystemSetStages"]["MicInValue"] = 250;
  writeElement(e);
  const std::string before = doc_.workingCopy().text();
  audio_.loadFromDocument();
  EXPECT_EQ(bandsOf(audio_.bandGains()), std::vector<int>(10, 0));
  EXPECT_EQ(audio_.customSelection(), -1);
  EXPECT_EQ(audio_.settings().micInValue, 100);

  e["SystemSetStages"]["EqType"] = 40;
  e["EQHzValueInfo"][1].resize(4);  // a short band array
  e["EQHzValueInfo"][1][0]["value"] = 99;
  e["SystemSetStages"]["MagicType"] = 0;
  writeElement(e);
  audio_.loadFromDocument();
  EXPECT_EQ(bandsOf(audio_.bandGains()), (std::vector<int>{99, 11, 2, -3, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(audio_.bandSliders()[0], headset::kBandMax);
  EXPECT_EQ(audio_.equaliserOption(), 0);
  EXPECT_EQ(audio_.voiceTypeShown(), 1);

  e["SystemSetStages"]["EqType"] = 13;
  e["SystemSetStages"]["CustomEqSeletIndex"] = 5;  // past the list
  writeElement(e);
  const std::string loaded = doc_.workingCopy().text();
  audio_.loadFromDocument();
  EXPECT_EQ(bandsOf(audio_.bandGains()), std::vector<int>(10, 0));
  EXPECT_EQ(doc_.workingCopy().text(), loaded);
  EXPECT_NE(before, loaded);
}

TEST_F(HeadsetAudioFixture, WithoutTheChipTheDocumentStillLoadsAndNothingIsSaved) {
  binding_.setChip(nullptr);
  audio_.startBinding();
  audio_.loadFromDocument();
  audio_.readChipState();
  EXPECT_EQ(audio_.settings().micInValue, 80);
  EXPECT_EQ(audio_.settings().eqType, 5);
  EXPECT_FALSE(audio_.setMicrophoneLevel(20));
  EXPECT_EQ(fileElement()["SystemSetStages"]["MicInValue"].asInt(), 80);
  for (auto g : audio::kAudioGroups) EXPECT_NE(audio_.unavailableReason(g), "");
}

}  // namespace
}  // namespace tessel::test
