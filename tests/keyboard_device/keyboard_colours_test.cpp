// Custom colours, live frames and the light thread of the keyboard controller
// against the emulated keyboard.
#include "keyboard_rig.h"

#include <atomic>
#include <thread>

using namespace tessel;
using namespace tessel::test;
using namespace tessel::keyboard;
using namespace std::chrono_literals;

TEST_F(KeyboardRig, CustomColoursAreReadAfterTheSettingsAndAdoptedOnlyWhenTheReadSucceeded) {
  plug();
  fw_->setSettings(2, {3});  // brightness 3 in profile 0's block
  kb_->requestConnected();
  const CustomColours profile = kb_->customColours();
  kb_->requestDeviceChanged();  // the keyboard's own change is adopted, connecting's read is not
  EXPECT_NE(kb_->customColours(), profile);
  // Position 0 (Esc) is key 0, whose LED is 121: the factory ramp gives it 13, 32, 242.
  const CustomColours colours = kb_->customColours();
  EXPECT_EQ(colours[0], (CustomColor{13, 32, 242, brightnessAlpha(3)}));
  EXPECT_EQ(reread()->getCustomGroupColors(0, kPositions)[0], colours[0]);
  const auto codes = fw_->commandCodes();
  const auto settingsAt = std::find(codes.begin(), codes.end(), kReadSettings);
  const auto coloursAt = std::find(codes.begin(), codes.end(), kReadColours);
  ASSERT_NE(coloursAt, codes.end());
  EXPECT_LT(settingsAt, coloursAt);

  // A failed read leaves the document's colours alone.
  const CustomColours before = kb_->customColours();
  fw_->injectFault({sim::FaultKind::StatusFF, kReadColours, 0, 1});
  fw_->setSettings(0 * 31, {0});
  ResultCode result = ResultCode::Success;
  kb_->ReadCustomColours([&](ResultCode r) { result = r; });
  EXPECT_NE(result, ResultCode::Success);
  EXPECT_EQ(kb_->customColours(), before);
}

TEST_F(KeyboardRig, PaintingAKeyInTheCustomModeStoresAndWritesItsColour) {
  plugAndRead();
  LightRecord light = lightWithMode(1);
  light.red = 1;
  light.green = 2;
  light.blue = 3;
  kb_->changeLightRecord(light);
  EXPECT_FALSE(kb_->PaintKey(0));  // not in the custom mode
  EXPECT_EQ(fw_->countOf(kWriteColours), 0u);

  light.selectItem = kCustomMode;
  kb_->changeLightRecord(light);
  ASSERT_TRUE(kb_->PaintKey(0));
  EXPECT_FALSE(kb_->PaintKey(170));
  EXPECT_EQ(ledColour(121), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(ledColour(120), (std::vector<uint8_t>{255 - 240, 0x20, 240}));  // F1's LED kept
  EXPECT_EQ(reread()->getCustomGroupColors(0, kPositions)[0].red, 1);
  // The Fn key can be painted too.
  ASSERT_TRUE(kb_->PaintKey(static_cast<int>(kFnPosition)));
  const uint8_t fnLed = kb_->keyMaps().ledMap[kFnPosition];
  EXPECT_EQ(ledColour(fnLed), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_TRUE(failures_.empty());
}

TEST_F(KeyboardRig, SwitchingFromTheCustomModeAndBackKeepsTheCustomColours) {
  plugAndRead();
  LightRecord light = lightWithMode(kCustomMode);
  light.red = 200;
  light.green = 100;
  light.blue = 50;
  kb_->changeLightRecord(light);
  ASSERT_TRUE(kb_->PaintKey(64));  // A
  const CustomColours painted = kb_->customColours();
  kb_->changeLightRecord(lightWithMode(1));
  // A colour set while another mode shows is stored, and written on the way back.
  ASSERT_TRUE(kb_->setCustomColour(65, 9, 8, 7));
  kb_->changeLightRecord(lightWithMode(kCustomMode));
  CustomColours expected = painted;
  expected[65] = {9, 8, 7, brightnessAlpha(doc_.getLightInfo().light)};
  EXPECT_EQ(kb_->customColours(), expected);
  EXPECT_EQ(ledColour(kb_->keyMaps().ledMap[64]), (std::vector<uint8_t>{200, 100, 50}));
  EXPECT_EQ(ledColour(kb_->keyMaps().ledMap[65]), (std::vector<uint8_t>{9, 8, 7}));
  // The engine shows them in the custom mode.
  kb_->lighting().step(0);
  const uint32_t z = kb_->picture()[64];
  EXPECT_EQ(z & 0xFFFFFFu, 200u | 100u << 8 | 50u << 16);
}

TEST_F(KeyboardRig, AProfileSwitchInTheCustomModeWritesTheNewProfilesKeyColours) {
  plugAndRead();
  kb_->changeLightRecord(lightWithMode(kCustomMode));
  // Another profile's document: the same mode, its own colour for A.
  const unsigned group = doc_.getCustomGroupIndex();
  std::vector<CustomColor> colours = doc_.getCustomGroupColors(group, kPositions);
  colours[64] = {44, 55, 66, 255};
  doc_.setCustomGroupColors(group, colours);
  ASSERT_TRUE(doc_.save());
  kb_->loadConfiguration();
  // What the profile selector does after binding it.
  kb_->writeSettingsBlock(0, 0, 1, 0, 0);
  EXPECT_EQ(ledColour(kb_->keyMaps().ledMap[64]), (std::vector<uint8_t>{44, 55, 66}));
  // Outside the custom mode the colour memory is left alone.
  const size_t writes = fw_->countOf(kWriteColours);
  kb_->changeLightRecord(lightWithMode(1));
  kb_->writeSettingsBlock(0, 0, 1, 0, 0);
  EXPECT_EQ(fw_->countOf(kWriteColours), writes);
}

TEST_F(KeyboardRig, CustomColoursAreNotDroppedWhileAnotherTransferRuns) {
  plugAndRead();
  LightRecord light = lightWithMode(kCustomMode);
  kb_->changeLightRecord(light);
  // Another thread keeps the transport busy with settings reads.
  std::atomic<bool> stop{false};
  std::thread reader([&] {
    std::array<uint8_t, 31> block{};
    while (!stop.load()) (void)kb_->transport().readSettings(block, 0);
  });
  for (int p = 22; p < 32; ++p) ASSERT_TRUE(kb_->setCustomColour(p, static_cast<uint8_t>(p), 1, 2));
  stop.store(true);
  reader.join();
  for (int p = 22; p < 32; ++p)
    EXPECT_EQ(ledColour(kb_->keyMaps().ledMap[static_cast<size_t>(p)]),
              (std::vector<uint8_t>{static_cast<uint8_t>(p), 1, 2}));
  EXPECT_TRUE(failures_.empty());
}

TEST_F(KeyboardRig, LiveFramesOfModeThirtyReachTheKeyboardOnItsCable) {
  plugAndRead();
  kb_->changeLightRecord(lightWithMode(30));
  EXPECT_EQ(blockOf(0)[1], kHostDrivenCode);
  kb_->lighting().setExternalColour(std::vector<uint32_t>{0x00FF00u, 0x00FF00u, 0x00FF00u, 0x00FF00u, 0x00FF00u,
                                                          0x00FF00u});
  kb_->lighting().step(0);
  const std::vector<uint8_t> frame = kb_->lightTick();
  ASSERT_EQ(frame.size(), 122u * 3);
  ASSERT_TRUE(kb_->liveFrameSender().waitIdle(5000ms));
  EXPECT_EQ(kb_->liveFramesSubmitted(), 1u);
  EXPECT_GE(fw_->liveFrameChunks(), 7);  // 366 bytes in chunks of 56
  EXPECT_EQ(fw_->liveFramesComplete(), 1u);
  EXPECT_EQ(fw_->lastLiveFrame(), frame);
  // Green everywhere the engine lit a key: the frame carries the picture in LED order.
  const uint8_t escLed = kb_->keyMaps().ledMap[0];
  const uint32_t esc = kb_->picture()[0];
  EXPECT_EQ(frame[escLed * 3 + 1], ((esc >> 8) & 0xFF) * (esc >> 24) / 256);
  EXPECT_EQ(frame[escLed * 3], 0);
  // An unchanged frame is not sent again at once.
  kb_->lightTick();
  EXPECT_EQ(kb_->liveFramesSubmitted(), 1u);

  // While the window's synchronised effect shows, its zones go out instead.
  kb_->setLightZoneCount(4);
  kb_->setZoneColour(0, 0xFF0000FFu);
  kb_->setSynchronised(true);
  EXPECT_EQ(kb_->lightTick().size(), 4u * 3);
  EXPECT_EQ(kb_->liveFramesSubmitted(), 1u);
  kb_->setSynchronised(false);
  kb_->setLightZoneCount(0);

  // Other modes send no frame of the engine's.
  kb_->changeLightRecord(lightWithMode(3));
  EXPECT_TRUE(kb_->lightTick().empty());
  EXPECT_EQ(kb_->liveFramesSubmitted(), 1u);
}

TEST_F(KeyboardRig, NoLiveFramesGoThroughTheReceiver) {
  plugAndRead(true);
  kb_->changeLightRecord(lightWithMode(30));
  kb_->lighting().step(0);
  EXPECT_TRUE(kb_->lightTick().empty());
  EXPECT_EQ(kb_->liveFramesSubmitted(), 0u);
  EXPECT_EQ(fw_->countOf(kLive), 0u);
}

TEST_F(KeyboardRig, TheLightThreadStepsTheEngineOnTheClockAndStops) {
  plug();
  kb_->requestConnected();
  kb_->changeLightRecord(lightWithMode(3));
  ASSERT_TRUE(kb_->lightThread().running());
  ASSERT_TRUE(kb_->lightThread().waitUntilAsleep());
  const uint64_t turns = kb_->lightThread().turns();
  const uint8_t phase = kb_->lighting().phase();
  for (int i = 0; i < 64; ++i) {
    clock_.advance(16ms);
    ASSERT_TRUE(kb_->lightThread().waitUntilAsleep());
  }
  // One turn per step of the mode, never one per millisecond: the thread
  // sleeps until the step the engine says is next.
  const unsigned interval = KeyboardLighting::stepInterval(3, doc_.getLightInfo().speed);
  const uint64_t ran = kb_->lightThread().turns() - turns;
  EXPECT_GE(ran, 64u / interval - 2);
  EXPECT_LE(ran, 64u / interval + 2);
  EXPECT_NE(kb_->lighting().phase(), phase);
  // The picture is readable from here while the thread runs.
  bool lit = false;
  for (uint32_t z : kb_->picture()) lit = lit || (z & 0xFFFFFFu) != 0;
  EXPECT_TRUE(lit);
  // Nobody looks at the picture, and the keyboard plays mode 3 itself: the
  // thread rests however far the clock moves, and steps again when wanted.
  kb_->setPictureWanted(false);
  ASSERT_TRUE(kb_->lightThread().waitUntilAsleep());
  const uint64_t resting = kb_->lightThread().turns();
  const uint8_t restingPhase = kb_->lighting().phase();
  for (int i = 0; i < 16; ++i) {
    clock_.advance(16ms);
    ASSERT_TRUE(kb_->lightThread().waitUntilAsleep());
  }
  EXPECT_LE(kb_->lightThread().turns() - resting, 1u);
  EXPECT_EQ(kb_->lighting().phase(), restingPhase);
  kb_->setPictureWanted(true);
  for (int i = 0; i < 16; ++i) {
    clock_.advance(16ms);
    ASSERT_TRUE(kb_->lightThread().waitUntilAsleep());
  }
  EXPECT_NE(kb_->lighting().phase(), restingPhase);
  kb_->stopLightThread();
  EXPECT_FALSE(kb_->lightThread().running());
}

// Sound that reaches the audio mode steps it at once: the frame changes
// without the clock moving, so the sound does not wait for the next step.
TEST_F(KeyboardRig, FreshSoundLevelsStepTheAudioModeWithoutWaitingForTheClock) {
  plug();
  kb_->requestConnected();
  kb_->changeLightRecord(lightWithMode(29));
  ASSERT_TRUE(kb_->lightThread().waitUntilAsleep());
  const auto before = kb_->picture();
  const uint64_t turns = kb_->lightThread().turns();
  std::vector<int> levels(25, 2000);
  kb_->takeSoundLevels(levels);
  for (int i = 0; i < 2000 && kb_->lightThread().turns() == turns; ++i) std::this_thread::sleep_for(1ms);
  ASSERT_GT(kb_->lightThread().turns(), turns) << "the levels woke the light thread";
  ASSERT_TRUE(kb_->lightThread().waitUntilAsleep());
  EXPECT_NE(kb_->picture(), before);
}

TEST_F(KeyboardRig, ThePictureShowsTheSynchronisedZonesWhileTheEffectShows) {
  plugAndRead();
  kb_->setLightZoneCount(static_cast<int>(keyboard::kPositions));
  const uint32_t shared = packZone(10, 200, 30, 255);
  for (int z = 0; z < kb_->lightZoneCount(); ++z) kb_->setZoneColour(z, shared);
  auto showsShared = [&] {
    for (uint32_t z : kb_->picture())
      if (z != shared) return false;
    return true;
  };
  // Zones written while the keyboard plays its own effect do not show on the keys.
  EXPECT_FALSE(showsShared());
  kb_->setSynchronised(true);
  EXPECT_TRUE(showsShared());
  // The keyboard's own picture is back once the flag is cleared.
  kb_->setSynchronised(false);
  EXPECT_FALSE(showsShared());
}

TEST_F(KeyboardRig, TheDocumentsLightListReachesTheLightEngine) {
  plugAndRead();
  // Position 5 carries a steady green overlay over the mode.
  std::vector<LightListEntry> list(6);
  list[5].present = 1;
  list[5].mode = LightListEffects::Static;
  list[5].brightness = 4;
  list[5].speed = 4;
  list[5].green = 255;
  doc_.setLightList(list);
  kb_->changeLightRecord(lightWithMode(3));
  kb_->lighting().advance(0);
  EXPECT_EQ(kb_->lighting().frame().get(5), packZone(0, 255, 0, 255));
}
