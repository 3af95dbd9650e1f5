// The synchronised effect: the five steps over their state, and the thread
// that paces them on a manual clock against emulated products.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "device/base/usb_device_controller.h"
#include "platform/debug.h"
#include "shell/synchronised_lighting.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"

using namespace tessel;
using namespace std::chrono;

namespace {

SynchronisedSettings settingsOf(uint8_t mode, uint8_t brightness, uint8_t speed, uint8_t direction = 1,
                                uint8_t colourful = 0, Rgb colour = {10, 20, 30}) {
  SynchronisedSettings s;
  s.mode = mode;
  s.brightnessIndex = brightness;
  s.speedIndex = speed;
  s.direction = direction;
  s.colourful = colourful;
  s.colour = colour;
  return s;
}

uint32_t wheel(size_t i, uint8_t level) {
  const Rgb c = effect_tables::colourWheel()[i];
  return packZone(c.r, c.g, c.b, level);
}

}  // namespace

TEST(SynchronisedStep, FlashingAtSpeedZeroTogglesEvery5600msAndStepsThePositionBy14) {
  const auto s = settingsOf(SynchronisedSettings::kFlashing, 4, 0, 1, 1);
  SynchronisedStepState state;
  const SteadyTime t0{hours(1)};
  // The first step toggles on at once.
  ASSERT_EQ(synchronisedStep(s, state, t0), wheel(14, 255));
  EXPECT_TRUE(state.flashOn);
  // Not before 28 x 200 ms.
  EXPECT_EQ(synchronisedStep(s, state, t0 + 5599ms), wheel(14, 255));
  EXPECT_EQ(state.flashPosition, 14);
  EXPECT_EQ(synchronisedStep(s, state, t0 + 5600ms), packZone(0, 0, 0, 0));
  EXPECT_FALSE(state.flashOn);
  std::vector<int> positions{14, 28};
  for (int k = 2; k < 16; ++k) {
    synchronisedStep(s, state, t0 + k * 5600ms);
    positions.push_back(state.flashPosition);
  }
  const std::vector<int> expected{14, 28, 42, 56, 70, 84, 98, 112, 126, 140, 154, 168, 182, 0, 14, 28};
  EXPECT_EQ(positions, expected);
  // With one colour the on state shows the fixed colour at the table brightness.
  SynchronisedStepState fixed;
  EXPECT_EQ(synchronisedStep(settingsOf(2, 1, 4), fixed, t0), packZone(10, 20, 30, 80));
  // Speed index 4 toggles after 7 x 200 ms.
  EXPECT_EQ(synchronisedStep(settingsOf(2, 1, 4), fixed, t0 + 1400ms), packZone(0, 0, 0, 0));
}

TEST(SynchronisedStep, BreathingStepsThePhaseByTheDirectionAndAdvancesTheColourAtPhaseZeroAndOne) {
  SynchronisedStepState up;
  const SteadyTime t{};
  // Counting up from 0: phase 1 advances the colour by 16 when colourful.
  auto record = synchronisedStep(settingsOf(0, 4, 0, 1, 1), up, t);
  EXPECT_EQ(up.breathingPhase, 1);
  EXPECT_EQ(up.breathingColour, 16);
  EXPECT_EQ(record, wheel(16, 255 * effect_tables::breathingCurve()[1] >> 8));
  synchronisedStep(settingsOf(0, 4, 0, 1, 1), up, t);
  EXPECT_EQ(up.breathingColour, 16);  // phase 2: no advance
  // Counting down from 0 wraps to 127; one colour never moves the position.
  SynchronisedStepState down;
  synchronisedStep(settingsOf(0, 4, 0, 0, 0), down, t);
  EXPECT_EQ(down.breathingPhase, 127);
  EXPECT_EQ(down.breathingColour, 0);
  // The colour position wraps to 0 at 192: 11 advances of 16 reach 176.
  SynchronisedStepState wrap;
  wrap.breathingColour = 176;
  wrap.breathingPhase = 127;
  synchronisedStep(settingsOf(0, 4, 0, 1, 1), wrap, t);  // phase 0
  EXPECT_EQ(wrap.breathingColour, 0);
  // Brightness: table entry x curve[phase] >> 8 (135 x 255 >> 8 = 134).
  SynchronisedStepState mid;
  mid.breathingPhase = 63;
  EXPECT_EQ(synchronisedStep(settingsOf(0, 2, 0, 1, 0), mid, t), packZone(10, 20, 30, 134));
}

TEST(SynchronisedStep, StaticWheelOffAndModesOutsideTheFive) {
  SynchronisedStepState state;
  const SteadyTime t{};
  EXPECT_EQ(synchronisedStep(settingsOf(1, 3, 0), state, t), packZone(10, 20, 30, 195));
  EXPECT_EQ(synchronisedStep(settingsOf(3, 1, 0), state, t), wheel(1, 80));
  state.wheelPosition = 191;
  EXPECT_EQ(synchronisedStep(settingsOf(3, 1, 0), state, t), wheel(0, 80));
  EXPECT_EQ(synchronisedStep(settingsOf(4, 4, 0), state, t), packZone(0, 0, 0, 0));
  const SynchronisedStepState before = state;
  EXPECT_EQ(synchronisedStep(settingsOf(5, 4, 0), state, t), std::nullopt);
  EXPECT_EQ(state.wheelPosition, before.wheelPosition);
  EXPECT_EQ(state.breathingPhase, before.breathingPhase);
  // Indices past the tables never read past them.
  EXPECT_EQ(synchronisedStep(settingsOf(1, 200, 200), state, t), packZone(10, 20, 30, 255));
}

TEST(SynchronisedStep, SettingsComeFromTheLightRecordAndTheKind) {
  LightRecord r;
  r.selectItem = 7;
  r.light = 3;
  r.speed = 9;  // a hand-edited document
  r.fx = 1;
  r.multiColor = 1;
  r.red = 1, r.green = 2, r.blue = 3;
  const auto s = SynchronisedSettings::fromLightRecord(r, 2);
  EXPECT_EQ(s, settingsOf(2, 3, 4, 1, 1, {1, 2, 3}));
}

// ------------------------------------------------------------------ the thread

namespace {

class SynchronisedThreadTest : public ::testing::Test {
 protected:
  struct Device {
    std::shared_ptr<sim::EmulatedProduct> product;
    std::unique_ptr<UsbDeviceController> controller;
  };
  Device plug(std::string_view name, bool connect = true) {
    Device d;
    std::shared_ptr<sim::CommandFirmware> fw = sim::makeProductFirmware(name);
    d.product = bus_.plug(name, fw);
    d.controller = std::make_unique<UsbDeviceController>(bus_, clock_);
    d.controller->setLightZoneCount(15);
    if (connect) {
      EXPECT_TRUE(d.controller->transport().connect(d.product->commandPath(), 1));
    }
    return d;
  }
  void advance(Millis ms) {
    clock_.advance(ms);
    ASSERT_TRUE(lighting_.waitUntilAsleep());
  }
  // Millisecond by millisecond, so that every due turn runs on its own (one
  // long advance would fold several due turns into one late turn).
  void advanceFinely(int ms) {
    for (int i = 0; i < ms; ++i) advance(1ms);
  }
  void TearDown() override { lighting_.stop(); }

  ManualClock clock_;
  sim::VirtualHidBus bus_;
  SynchronisedLighting lighting_{clock_};
};

}  // namespace

TEST_F(SynchronisedThreadTest, WithoutASynchronisedConnectedDeviceItLooksOnceASecondAndWritesNothing) {
  Device mouse = plug("mouse");
  Device closed = plug("keyboard", false);
  closed.controller->setSynchronised(true);  // synchronised but not connected
  lighting_.add(mouse.controller.get());
  lighting_.add(closed.controller.get());
  lighting_.setSettings(settingsOf(3, 4, 4));
  lighting_.start();
  ASSERT_TRUE(lighting_.waitUntilAsleep());
  const uint64_t first = lighting_.idleLooks();
  EXPECT_GE(first, 1u);
  advance(999ms);
  EXPECT_EQ(lighting_.idleLooks(), first);
  for (int s = 0; s < 60; ++s) advance(1000ms);
  EXPECT_EQ(lighting_.idleLooks(), first + 60);
  EXPECT_EQ(lighting_.steps(), 0u);
  EXPECT_EQ(mouse.controller->zoneColour(0), 0u);
  EXPECT_EQ(closed.controller->zoneColour(0), 0u);
  mouse.controller->shutdown();
  closed.controller->shutdown();
}

TEST_F(SynchronisedThreadTest, ASynchronisedDeviceGetsEveryZoneAtThePaceOfTheSpeedIndex) {
  Device mouse = plug("mouse");
  Device other = plug("mousepad");
  lighting_.add(mouse.controller.get());
  lighting_.add(other.controller.get());
  lighting_.start();
  ASSERT_TRUE(lighting_.waitUntilAsleep());
  // Colour wheel at speed index 4: a step every 7 passes of 15.625 ms.
  mouse.controller->setSynchronised(true);
  lighting_.setSettings(settingsOf(3, 4, 4));
  ASSERT_TRUE(lighting_.waitUntilAsleep());
  // Shown at once.
  EXPECT_EQ(lighting_.steps(), 1u);
  for (int z = 0; z < 15; ++z) EXPECT_EQ(mouse.controller->zoneColour(z), wheel(1, 255)) << z;
  EXPECT_EQ(other.controller->zoneColour(0), 0u);  // not synchronised
  advance(109ms);  // 7 x 15.625 = 109.375 ms
  EXPECT_EQ(lighting_.steps(), 1u);
  advance(1ms);
  EXPECT_EQ(lighting_.steps(), 2u);
  EXPECT_EQ(mouse.controller->zoneColour(14), wheel(2, 255));
  // 70 passes later: 10 more steps, on the grid.
  advanceFinely(1094);
  EXPECT_EQ(lighting_.steps(), 12u);
  // Speed index 0: 28 passes (437.5 ms) per step.
  lighting_.setSettings(settingsOf(1, 2, 0, 1, 0, {1, 2, 3}));
  ASSERT_TRUE(lighting_.waitUntilAsleep());
  EXPECT_EQ(lighting_.steps(), 13u);
  EXPECT_EQ(mouse.controller->zoneColour(3), packZone(1, 2, 3, 135));
  advance(437ms);
  EXPECT_EQ(lighting_.steps(), 13u);
  advance(1ms);
  EXPECT_EQ(lighting_.steps(), 14u);
  // The flag cleared: back to looking once a second, nothing computed.
  mouse.controller->setSynchronised(false);
  advance(438ms);
  const uint64_t steps = lighting_.steps();
  for (int s = 0; s < 5; ++s) advance(1000ms);
  EXPECT_EQ(lighting_.steps(), steps);
  mouse.controller->shutdown();
  other.controller->shutdown();
}

TEST_F(SynchronisedThreadTest, AModeOutsideTheFiveComputesNothing) {
  Device mouse = plug("mouse");
  mouse.controller->setSynchronised(true);
  lighting_.add(mouse.controller.get());
  lighting_.setSettings(settingsOf(7, 4, 4));
  lighting_.start();
  ASSERT_TRUE(lighting_.waitUntilAsleep());
  for (int s = 0; s < 3; ++s) advance(1000ms);
  EXPECT_EQ(lighting_.steps(), 0u);
  EXPECT_EQ(mouse.controller->zoneColour(0), 0u);
  mouse.controller->shutdown();
}

TEST_F(SynchronisedThreadTest, FlashingAtSpeedZeroTogglesOnTheFirstStepAfter5600ms) {
  Device mouse = plug("mouse");
  mouse.controller->setSynchronised(true);
  lighting_.add(mouse.controller.get());
  lighting_.setSettings(settingsOf(2, 4, 0));
  lighting_.start();
  ASSERT_TRUE(lighting_.waitUntilAsleep());
  const uint32_t on = packZone(10, 20, 30, 255);
  EXPECT_EQ(mouse.controller->zoneColour(0), on);
  // Steps every 437.5 ms; the 12 after the first (5250 ms) are not yet 5600 ms.
  advanceFinely(5687);
  EXPECT_EQ(lighting_.steps(), 13u);
  EXPECT_EQ(mouse.controller->zoneColour(0), on);
  advance(1ms);  // step 14 at 5687.5 ms
  EXPECT_EQ(lighting_.steps(), 14u);
  EXPECT_EQ(mouse.controller->zoneColour(0), 0u);
}

TEST_F(SynchronisedThreadTest, StopWritesItsDebugLineAndARemovedDeviceIsNeverTouchedAgain) {
  Device mouse = plug("mouse");
  Device keyboard = plug("keyboard");
  mouse.controller->setSynchronised(true);
  keyboard.controller->setSynchronised(true);
  lighting_.add(mouse.controller.get());
  lighting_.add(keyboard.controller.get());
  lighting_.setSettings(settingsOf(3, 4, 4));
  lighting_.start();
  ASSERT_TRUE(lighting_.waitUntilAsleep());
  lighting_.remove(keyboard.controller.get());
  EXPECT_EQ(lighting_.deviceCount(), 1u);
  keyboard.controller->setZoneColour(0, 0x12345678u);
  advance(Millis(1000));
  EXPECT_EQ(keyboard.controller->zoneColour(0), 0x12345678u);
  EXPECT_NE(mouse.controller->zoneColour(0), wheel(1, 255));
  std::vector<std::string> lines;
  setDebugCapture([&](std::string_view l) { lines.emplace_back(l); });
  lighting_.stop();
  setDebugCapture({});
  EXPECT_NE(std::find(lines.begin(), lines.end(), "同步灯光线程设定退出"), lines.end());
  EXPECT_FALSE(lighting_.running());
  mouse.controller->shutdown();
  keyboard.controller->shutdown();
}

// On the real clock, devices come and go while the thread steps at its
// fastest pace; each is destroyed as soon as remove() returns. Under the
// sanitizers a step touching a destroyed device is reported.
TEST(SynchronisedLightingRace, DevicesRemovedWhileTheThreadStepsAreDestroyedSafely) {
  sim::VirtualHidBus bus;
  std::shared_ptr<sim::CommandFirmware> fw = sim::makeProductFirmware("mouse");
  auto product = bus.plug("mouse", fw);
  UsbDeviceController anchor(bus);
  anchor.setLightZoneCount(15);
  ASSERT_TRUE(anchor.transport().connect(product->commandPath(), 1));
  anchor.setSynchronised(true);
  SynchronisedLighting lighting;
  lighting.add(&anchor);
  lighting.setSettings(settingsOf(3, 4, 4));
  lighting.start();
  for (int i = 0; i < 200; ++i) {
    auto passing = std::make_unique<UsbDeviceController>(bus);
    passing->setLightZoneCount(170);
    passing->setSynchronised(true);
    lighting.add(passing.get());
    // New settings make the thread step at once, while this thread goes on
    // to remove the device and destroy it.
    lighting.setSettings(settingsOf(3, 4, static_cast<uint8_t>(i % 5)));
    std::this_thread::sleep_for(microseconds(50 * (i % 7)));
    lighting.remove(passing.get());
    passing.reset();
  }
  const auto until = steady_clock::now() + seconds(5);
  while (lighting.steps() < 20 && steady_clock::now() < until) std::this_thread::sleep_for(10ms);
  EXPECT_GE(lighting.steps(), 20u);
  lighting.stop();
  anchor.shutdown();
}
