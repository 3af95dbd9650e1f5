// The companion's commands and style colour message, and its command line.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

#include "tools/tessel_audio/companion_options.h"
#include "tools/tessel_audio/companion_state.h"

using namespace tessel::audio_companion;

TEST(TesselAudioCommands, ConnectSequenceThenDisconnectSequence) {
  CompanionState s;
  Actions a = s.onCommand(0, 4242);
  EXPECT_TRUE(s.registered());
  EXPECT_EQ(s.mainProcess(), 4242);
  EXPECT_TRUE(a.watchMain);
  EXPECT_FALSE(a.openCapture || a.closeCapture || a.quit);
  EXPECT_FALSE(s.sending());

  a = s.onCommand(3, 0);
  EXPECT_TRUE(a.openCapture);
  EXPECT_TRUE(s.captureOpen());
  EXPECT_FALSE(s.sending()) << "open but not yet sending";
  EXPECT_FALSE(s.onCommand(3, 0).openCapture) << "an open capture is not opened twice";

  s.onCommand(1, 0);
  EXPECT_TRUE(s.sending());
  a = s.onCommand(2, 0);
  EXPECT_FALSE(s.sending());
  EXPECT_TRUE(s.captureOpen()) << "stopping keeps the capture open";
  EXPECT_FALSE(a.closeCapture);

  a = s.onCommand(4, 0);
  EXPECT_TRUE(a.closeCapture);
  EXPECT_FALSE(s.captureOpen());
  EXPECT_FALSE(s.onCommand(4, 0).closeCapture) << "closing a closed capture does nothing";

  a = s.onCommand(5, 0);
  EXPECT_TRUE(a.quit);
  EXPECT_FALSE(a.closeCapture);
  EXPECT_TRUE(s.ended());
  EXPECT_FALSE(s.onCommand(3, 0).openCapture) << "nothing opens after the end";
}

TEST(TesselAudioCommands, SendingNeedsAnOpenCaptureAndQuitClosesIt) {
  CompanionState s;
  s.onCommand(1, 0);
  EXPECT_FALSE(s.sending()) << "command 1 before 3 sends nothing yet";
  s.onCommand(3, 0);
  EXPECT_TRUE(s.sending()) << "and sends once the capture opens";
  s.onCommand(4, 0);
  EXPECT_FALSE(s.sending());
  s.onCommand(3, 0);
  const Actions a = s.onCommand(5, 0);
  EXPECT_TRUE(a.quit);
  EXPECT_TRUE(a.closeCapture) << "ending closes an open capture";
  EXPECT_FALSE(s.sending());
}

TEST(TesselAudioCommands, SlidersAreBoundedAndUnknownCommandsIgnored) {
  CompanionState s;
  s.onCommand(6, 200);
  s.onCommand(7, -5);
  s.onCommand(8, 999);
  EXPECT_EQ(s.sliderColour(), (Rgb{200, 0, 255}));
  EXPECT_EQ(s.lastLine(), "command 8: blue 255");
  for (uint64_t unknown : {9ull, 42ull, ~0ull}) {
    const Actions a = s.onCommand(unknown, 1);
    EXPECT_FALSE(a.watchMain || a.openCapture || a.closeCapture || a.quit) << unknown;
  }
  EXPECT_FALSE(s.registered());
  EXPECT_FALSE(s.captureOpen());
  EXPECT_FALSE(s.ended());
  EXPECT_EQ(s.sliderColour(), (Rgb{200, 0, 255}));
}

TEST(TesselAudioCommands, StandaloneOpensAndSendsWithoutRegistering) {
  CompanionState s;
  const Actions a = s.startStandalone();
  EXPECT_TRUE(a.openCapture);
  EXPECT_FALSE(a.watchMain);
  EXPECT_TRUE(s.sending());
  EXPECT_FALSE(s.registered());
}

TEST(TesselAudioStyleColour, FortyByteBlockIsStoredAndAnswered) {
  CompanionState s;
  std::array<uint8_t, 40> block{};
  block[0] = 10;   // red 10
  block[4] = 1;    // green 0 goes out as 1
  block[8] = 30;   // blue 30
  EXPECT_EQ(s.onCopyData(10, block.data(), block.size()), 1);
  EXPECT_EQ(s.styleColour(), (Rgb{10, 1, 30}));
  EXPECT_EQ(s.lastLine(), "style colour 10 1 30");

  // Short data and other dwData are ignored and keep the colour.
  EXPECT_EQ(s.onCopyData(10, block.data(), 11), 0);
  EXPECT_EQ(s.onCopyData(10, nullptr, 0), 0);
  block[0] = 99;
  EXPECT_EQ(s.onCopyData(1, block.data(), block.size()), 0);
  EXPECT_EQ(s.onCopyData(2, block.data(), block.size()), 0);
  EXPECT_EQ(s.styleColour(), (Rgb{10, 1, 30}));
}

TEST(TesselAudioStyleColour, ValuesAreLittleEndianAndBounded) {
  const uint8_t block[12] = {0x2c, 0x01, 0, 0,  // 300
                             0xff, 0xff, 0xff, 0xff,  // -1
                             0x80, 0, 0, 0};  // 128
  const auto rgb = parseStyleColour(block, sizeof block);
  ASSERT_TRUE(rgb);
  EXPECT_EQ(*rgb, (Rgb{255, 0, 128}));
  EXPECT_FALSE(parseStyleColour(block, 8));
}

TEST(TesselAudioOptions, KnownOptionsAndUsageErrors) {
  Options o = parseOptions({});
  EXPECT_TRUE(o.error.empty());
  EXPECT_FALSE(o.standalone || o.printLevels || o.help || o.version);
  o = parseOptions({"--standalone"});
  EXPECT_TRUE(o.standalone);
  o = parseOptions({"--print-levels"});
  EXPECT_TRUE(o.printLevels);
  o = parseOptions({"--help", "--version"});
  EXPECT_TRUE(o.help && o.version);
  EXPECT_EQ(parseOptions({"--loud"}).error, "unknown option --loud");
  EXPECT_FALSE(parseOptions({"--print-levels", "--standalone"}).error.empty());
  EXPECT_NE(usageText().find("--print-levels"), std::string::npos);
}
