#pragma once
// tessel-audio's command line.
#include <string>
#include <vector>

namespace tessel::audio_companion {

// Exit codes the main window (and scripts) tell apart.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;  // the bus name is taken, the capture broke off
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNoSound = 3;  // no sound server or no monitor source
inline constexpr int kExitNoBus = 4;    // no D-Bus session bus

struct Options {
  bool help = false;
  bool version = false;
  bool printLevels = false;  // no bus: one line a second with the block count and peak
  bool standalone = false;   // send to "Tessel RGB" at once, without commands 0, 3, 1
  std::string error;         // non-empty: the usage error to print
};

Options parseOptions(const std::vector<std::string>& args);
std::string usageText();

}  // namespace tessel::audio_companion
