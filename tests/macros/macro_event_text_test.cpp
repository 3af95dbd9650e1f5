#include "macros/macro_event_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tessel::macros {
namespace {

MacroEvent parsed(std::string_view text) {
  const auto p = parseEventText(text);
  EXPECT_TRUE(p.event.has_value()) << text << ": " << p.error;
  return p.event.value_or(MacroEvent{});
}

TEST(MacroEventText, ReadsEachKindOfEvent) {
  EXPECT_EQ(parsed("down key A 30"), (MacroEvent{true, 0x04, event_type::kKey, 30}));
  EXPECT_EQ(parsed("  UP   key  a\t0 "), (MacroEvent{false, 0x04, event_type::kKey, 0}));
  EXPECT_EQ(parsed("down key 0x2c 65535"), (MacroEvent{true, 0x2C, event_type::kKey, 65535}));
  EXPECT_EQ(parsed("up mod LCtrl 0"), (MacroEvent{false, 0x01, event_type::kModifier, 0}));
  EXPECT_EQ(parsed("down mod RWin 1"), (MacroEvent{true, 0x80, event_type::kModifier, 1}));
  EXPECT_EQ(parsed("up mouse left 0"), (MacroEvent{false, 1, event_type::kMouseButton, 0}));
  EXPECT_EQ(parsed("down mouse back 2"), (MacroEvent{true, 8, event_type::kMouseButton, 2}));
  EXPECT_EQ(parsed("down move-up 5 8"), (MacroEvent{true, 5, event_type::kMouseY, 8}));
  EXPECT_EQ(parsed("up move-right 255 0"), (MacroEvent{false, 255, event_type::kMouseX, 0}));
  EXPECT_EQ(parsed("down type 2 7 0"), (MacroEvent{true, 7, 2, 0}));
}

TEST(MacroEventText, RefusesAnythingElseWithAReason) {
  for (const char* bad : {"", "down", "down key A", "sideways key A 1", "down key A 65536", "down key A -1",
                          "down key A 1x", "down key NoSuchKey 1", "down key A B 1", "down key 0x100 1",
                          "down key 44 1", "down mod A 0", "down mouse wheel 0", "up move-up 5 8",
                          "down move-down 5 8", "down move-left 256 0", "down type 0 1 0", "down type 128 1 0",
                          "down type 2 256 0", "down type 2 0", "down key A 3\n0", "down hover 1 2"}) {
    const auto p = parseEventText(bad);
    EXPECT_FALSE(p.event.has_value()) << "accepted: \"" << bad << "\"";
    EXPECT_FALSE(p.error.empty()) << bad;
  }
}

TEST(MacroEventText, AMissingWordIsNamedAsSuch) {
  EXPECT_NE(parseEventText("down key A").error.find("two more words"), std::string::npos);
  EXPECT_NE(parseEventText("down type 2 0").error.find("three more words"), std::string::npos);
  EXPECT_NE(parseEventText("down key A x").error.find("delay"), std::string::npos);
}

TEST(MacroEventText, EveryEventReadsBackFromItsText) {
  // All buttons of the named types and a sample of the others, both actions.
  for (int type : {1, 2, 3, 4, 5, 9, 10, 11, 127}) {
    for (int button = 0; button < 256; ++button) {
      for (bool down : {true, false}) {
        const MacroEvent e{down, static_cast<uint8_t>(button), static_cast<uint8_t>(type), 1234};
        const std::string text = eventToText(e);
        const auto back = parseEventText(text);
        ASSERT_TRUE(back.event.has_value()) << text << ": " << back.error;
        EXPECT_EQ(*back.event, e) << text;
      }
    }
  }
  EXPECT_EQ(eventToText(MacroEvent{true, 0x04, event_type::kKey, 30}), "down key A 30");
  EXPECT_EQ(eventToText(MacroEvent{false, 1, event_type::kMouseButton, 0}), "up mouse left 0");
  EXPECT_EQ(eventToText(MacroEvent{true, 5, event_type::kMouseY, 8}), "down move-up 5 8");
  EXPECT_EQ(eventToText(MacroEvent{false, 0x02, event_type::kModifier, 3}), "up mod LShift 3");
}

}  // namespace
}  // namespace tessel::macros
