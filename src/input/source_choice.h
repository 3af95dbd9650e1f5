#pragma once
// Which sources record. Our own window always does (the UI adds it); on an
// X11 display XInput2 adds every key and button of the desktop; elsewhere
// (Wayland) the evdev devices do when /dev/input/event* is readable; in demo
// mode the scripted source is added for "tesselctl demo key/button". The
// page only says whether keys pressed outside the window are recorded; the
// line saying which source records and why a better one is not in use goes
// to the debug output (the README explains the sources).
#include <memory>
#include <string>

#include "input/input_source.h"
#include "input/scripted_source.h"

namespace tessel::input {

struct InputEnvironment {
  bool x11 = false;         // the window runs on an X11 display (Qt's "xcb")
  std::string display;      // that display's name (empty: $DISPLAY)
  std::string inputDir = "/dev/input";
  bool demo = false;
};

struct SourceChoice {
  std::shared_ptr<InputSource> desktop;          // null: only the window records
  std::shared_ptr<ScriptedSource> scripted;      // demo mode only
  std::string line;                              // which source records and why (debug output)
};

SourceChoice chooseSources(const InputEnvironment& environment);

}  // namespace tessel::input
