#pragma once
// What the light editor does with a control's value, without the controls:
// which groups each mouse light mode offers, how the colour boxes read, how
// one edited control changes the light record, and the mode name the logo's
// tooltip shows. The editor control above the Qt line only maps its controls
// to these functions.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/light_record.h"

namespace tessel {

// Groups of the light editor a mouse light mode uses. The mode list and the
// "lighteffect_layout" group stay available in every mode.
struct LightGroups {
  bool multiColour = false;  // "deng_7color_check"
  bool colour = false;       // "deng_color_layout" and "colorpallet_layout"
  bool brightness = false;   // "deng_light_layout"
  bool speed = false;        // "deng_speed_layout"
  bool direction = false;    // "deng_fx_layout"
  bool sameMode = false;     // "deng_same_mode" shown (when the page allows it)
  bool operator==(const LightGroups&) const = default;
};

// By mode position; positions outside the built-in modes (user sequences at
// 10 and above, or anything negative) offer nothing.
LightGroups mouseLightGroups(int modePosition);
// The same for the devices whose light lives in a light settings block (the
// mousepad and the headset): 0 wave, 1 colour wheel, 2 breathing, 3 static,
// 4 flashing, 5 the user sequence (hidden), 6 and 7 the band flows, 8 off.
LightGroups blockLightGroups(int modePosition);
// The keyboard's, by mode code (0..30): a group is offered when the
// keyboard's effect for that mode reads it. In the custom mode (20) the
// colour is the one a click paints keys with; the effect lists (0, 19 and
// above 30), off (28) and the audio mode (29, its own group) offer none.
LightGroups keyboardLightGroups(int modeCode);

// The sliders' range on the mouse page.
inline constexpr int kLightLevelMax = 4;

// A colour box as typed: the value stored and the text the box shows then.
// Empty (or no digits) reads 0 and shows "0"; above 255 reads 255 and shows
// "255"; an over-long number saturates rather than wrapping.
struct ColourBoxValue {
  uint8_t value = 0;
  std::string shown;
  bool operator==(const ColourBoxValue&) const = default;
};
ColourBoxValue readColourBox(std::string_view text);

// One edited control of the light editor.
enum class LightField {
  Mode,          // "light_combo_modeSelect": the item's position
  Brightness,    // "deng_light_slider"
  Speed,         // "deng_speed_slider"
  DirectionLeft, // "deng_FXL_check": direction 1
  DirectionRight,// "deng_FXR_check": direction 0
  MultiColour,   // "deng_7color_check": 0 / 1
  Red,           // "deng_edit_R"
  Green,         // "deng_edit_G"
  Blue,          // "deng_edit_B"
};

// The record after the control changed to `value`. Brightness and speed are
// clamped to 0..4, colour channels to 0..255, the mode to 0..255. Typing a
// colour clears the multi-colour flag.
LightRecord applyLightField(LightRecord record, LightField field, int value);

// A palette entry or the palette dialog chose `argb` (0xAARRGGBB): all three
// channels take it and the multi-colour flag is cleared, unless the dialog
// reported multi-colour, which sets the flag and keeps the colour.
LightRecord applyLightColour(LightRecord record, uint32_t argb, bool multiColour = false);

// The name shown for select item `selectItem`: a built-in mode below 10, the
// user sequence selectItem - 10 from 10 on; nullopt when there is none (a
// position past either list is never read).
std::optional<std::string> lightModeName(int selectItem, const std::vector<std::string>& modeNames,
                                         const std::vector<std::string>& sequenceNames);

// The first select item of the user sequences in the page's numbering.
inline constexpr int kFirstUserSequenceItem = 10;

}  // namespace tessel
