#include "devices/mouse/mouse_buttons.h"

namespace tessel::mouse {

// In the order of kMouseButtons, whose default codes give the names.
const std::array<ButtonName, kLogicalButtons> kButtonNames = {{
    {"mouse_button_0", "Left button"},
    {"mouse_button_1", "Right button"},
    {"mouse_button_2", "Middle button"},
    {"mouse_button_3", "Forward button"},
    {"mouse_button_4", "Back button"},
    {"mouse_button_5", "DPI up button"},
    {"mouse_button_6", "DPI down button"},
    {"mouse_button_7", "DPI cycle button"},
    {"mouse_button_8", "Game mode button"},
    {"mouse_button_9", "DPI shift button"},
    {"mouse_button_10", "Rapid-fire button"},
}};

}  // namespace tessel::mouse
