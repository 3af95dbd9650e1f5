// The light editor's rules: group availability by mode, colour boxes, one
// edited control's effect on the record, the tooltip's mode name.
#include <gtest/gtest.h>

#include "config/light_editor_rules.h"

namespace tessel {
namespace {

TEST(LightEditorGroups, FollowTheModeTable) {
  // Wave and streamer offer everything but the same-light button.
  EXPECT_EQ(mouseLightGroups(0), (LightGroups{true, true, true, true, true, false}));
  EXPECT_EQ(mouseLightGroups(5), mouseLightGroups(0));
  // Colour wheel: no colour, no direction; may be shared.
  EXPECT_EQ(mouseLightGroups(1), (LightGroups{false, false, true, true, false, true}));
  for (int m : {2, 4, 6}) EXPECT_EQ(mouseLightGroups(m), (LightGroups{true, true, true, true, false, true})) << m;
  // Static: no speed, no multi-colour.
  EXPECT_EQ(mouseLightGroups(3), (LightGroups{false, true, true, false, false, true}));
  for (int m : {7, 8}) EXPECT_EQ(mouseLightGroups(m), (LightGroups{false, false, true, true, false, false})) << m;
  // Off: only the same-light button.
  EXPECT_EQ(mouseLightGroups(9), (LightGroups{false, false, false, false, false, true}));
  for (int m : {10, 11, 255, -1}) EXPECT_EQ(mouseLightGroups(m), LightGroups{}) << m;
}

TEST(LightEditorColourBox, ClampsEmptiesAndSaturates) {
  EXPECT_EQ(readColourBox("300"), (ColourBoxValue{255, "255"}));
  EXPECT_EQ(readColourBox(""), (ColourBoxValue{0, "0"}));
  EXPECT_EQ(readColourBox("abc"), (ColourBoxValue{0, "0"}));
  EXPECT_EQ(readColourBox("0042"), (ColourBoxValue{42, "42"}));
  EXPECT_EQ(readColourBox("255"), (ColourBoxValue{255, "255"}));
  EXPECT_EQ(readColourBox("99999999999999999999999"), (ColourBoxValue{255, "255"}));
  EXPECT_EQ(readColourBox("12x"), (ColourBoxValue{12, "12"}));
}

TEST(LightEditorFields, OneControlChangesItsFieldOnly) {
  LightRecord r;
  r.selectItem = 2;
  r.light = 3;
  r.speed = 1;
  r.fx = 1;
  r.multiColor = 1;
  r.red = 10;
  r.green = 20;
  r.blue = 30;

  LightRecord g = applyLightField(r, LightField::Green, 300);
  EXPECT_EQ(g.green, 255);
  EXPECT_EQ(g.multiColor, 0);
  EXPECT_EQ(g.red, 10);
  EXPECT_EQ(g.blue, 30);
  EXPECT_EQ(g.selectItem, 2);

  EXPECT_EQ(applyLightField(r, LightField::Brightness, 9).light, 4);
  EXPECT_EQ(applyLightField(r, LightField::Speed, -2).speed, 0);
  EXPECT_EQ(applyLightField(r, LightField::Speed, 2).multiColor, 1);  // only colours clear it
  EXPECT_EQ(applyLightField(r, LightField::DirectionRight, 1).fx, 0);
  EXPECT_EQ(applyLightField(applyLightField(r, LightField::DirectionRight, 1), LightField::DirectionLeft, 0).fx, 1);
  EXPECT_EQ(applyLightField(r, LightField::MultiColour, 0).multiColor, 0);
  EXPECT_EQ(applyLightField(r, LightField::Mode, 7).selectItem, 7);
  EXPECT_EQ(applyLightField(r, LightField::Red, 0).red, 0);
}

TEST(LightEditorFields, PaletteColourFillsAllThreeAndClearsMultiColour) {
  LightRecord r;
  r.multiColor = 1;
  const LightRecord c = applyLightColour(r, 0xFF3366CCu);
  EXPECT_EQ(c.red, 0x33);
  EXPECT_EQ(c.green, 0x66);
  EXPECT_EQ(c.blue, 0xCC);
  EXPECT_EQ(c.multiColor, 0);
  EXPECT_EQ(applyLightColour(r, 0xFF000000u, true).multiColor, 1);
}

TEST(LightEditorTooltip, ReadsNamesOnlyWithinTheirLists) {
  const std::vector<std::string> modes = {"light_mode_wave", "light_mode_wheel"};
  const std::vector<std::string> sequences = {"Party"};
  EXPECT_EQ(lightModeName(1, modes, sequences), "light_mode_wheel");
  EXPECT_EQ(lightModeName(2, modes, sequences), std::nullopt);
  EXPECT_EQ(lightModeName(10, modes, sequences), "Party");
  EXPECT_EQ(lightModeName(11, modes, sequences), std::nullopt);
  EXPECT_EQ(lightModeName(-1, modes, sequences), std::nullopt);
}

}  // namespace
}  // namespace tessel
