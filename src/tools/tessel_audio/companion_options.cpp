#include "tools/tessel_audio/companion_options.h"

namespace tessel::audio_companion {

Options parseOptions(const std::vector<std::string>& args) {
  Options o;
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") o.help = true;
    else if (a == "--version") o.version = true;
    else if (a == "--print-levels") o.printLevels = true;
    else if (a == "--standalone") o.standalone = true;
    else if (o.error.empty()) o.error = "unknown option " + a;
  }
  if (o.error.empty() && o.printLevels && o.standalone)
    o.error = "--print-levels and --standalone exclude each other";
  return o;
}

std::string usageText() {
  return "usage: tessel-audio [--standalone | --print-levels]\n"
         "Captures what the computer plays (the default output's monitor, through the\n"
         "PulseAudio or PipeWire sound server) and sends it to Tessel RGB for the\n"
         "keyboard's audio lighting. Tessel RGB starts and stops it by itself.\n"
         "  --print-levels  no D-Bus: print one line a second with the block count and\n"
         "                  the peak (0..8192), to check the capture\n"
         "  --standalone    send to \"Tessel RGB\" at once, without waiting for its commands\n"
         "  --version       print the version\n"
         "Exit codes: 0 ended, 1 failure, 2 usage, 3 no sound server or monitor, 4 no session bus.\n"
         "TESSEL_DEBUG=1 prints the commands and messages received.\n";
}

}  // namespace tessel::audio_companion
