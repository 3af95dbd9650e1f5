#include "input/source_choice.h"

#include "input/evdev_source.h"
#include "input/xi2_source.h"

namespace tessel::input {

SourceChoice chooseSources(const InputEnvironment& env) {
  SourceChoice choice;
  std::string whyNotXi2;
  if (env.x11) {
    std::string reason;
    if (xi2Available(env.display, reason)) {
      choice.desktop = std::make_shared<Xi2Source>(env.display);
      choice.line = "Recording keys and buttons of the whole desktop (XInput2).";
    } else {
      whyNotXi2 = "XInput2 is not available (" + reason + ")";
    }
  } else {
    whyNotXi2 = "the display is not X11, so XInput2 cannot be used";
  }
  if (!choice.desktop) {
    const auto devices = readableKeyDevices(env.inputDir);
    if (!devices.empty()) {
      choice.desktop = std::make_shared<EvdevSource>(env.inputDir);
      choice.line = "Recording keys and buttons of the whole session from " + env.inputDir + " (" +
                    std::to_string(devices.size()) + (devices.size() == 1 ? " device); " : " devices); ") +
                    whyNotXi2 + ".";
    } else {
      choice.line = "Recording only keys and buttons aimed at this window: " + whyNotXi2 + ", and no device in " +
                    env.inputDir + " can be read (join the \"input\" group to record buttons outside the window).";
    }
  }
  if (env.demo) {
    choice.scripted = std::make_shared<ScriptedSource>();
    choice.line += " Demo: \"tesselctl demo key\" and \"tesselctl demo button\" are recorded too.";
  }
  return choice;
}

}  // namespace tessel::input
