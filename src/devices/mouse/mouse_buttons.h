#pragma once
// What people call the mouse's eleven logical buttons. Index N is the
// button's place in the profile's button list and the N of `button.N`.
// Every place that names a button reads this one table: the picture's
// tooltips and the button list of the mouse page, the assignment editor's
// title, `tesselctl help` and the README. A button is named after the
// function it has out of the box, so the name still says which button is
// meant after the user gave it another function.
#include <array>
#include <string_view>

#include "devices/mouse/mouse_encoding.h"

namespace tessel::mouse {

struct ButtonName {
  std::string_view textKey;  // language key the window shows ("mouse_button_N")
  std::string_view english;  // that key's English text: what tesselctl prints
};

extern const std::array<ButtonName, kLogicalButtons> kButtonNames;

}  // namespace tessel::mouse
