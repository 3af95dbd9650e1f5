#include "macros/macro_model.h"

#include <gtest/gtest.h>

#include "platform/json_file.h"

namespace tessel::macros {
namespace {

MacroEvent ev(bool down, uint8_t button, uint8_t type, uint16_t delay) { return MacroEvent{down, button, type, delay}; }

TEST(MacroDelay, LeadingDigitsClampedTo16BitCeiling) {
  EXPECT_EQ(parseDelay("30"), 30);
  EXPECT_EQ(parseDelay(""), 0);
  EXPECT_EQ(parseDelay("abc"), 0);
  EXPECT_EQ(parseDelay("12ms"), 12);
  EXPECT_EQ(parseDelay("65535"), 65535);
  EXPECT_EQ(parseDelay("70000"), 65535);
  // Far beyond 32 bits: must clamp, not wrap.
  EXPECT_EQ(parseDelay("99999999999999999999999"), 65535);
}

TEST(MacroEventJson, TextAndNumberDelaysReadAlikeAndSaveAsText) {
  Json::Value asText, asNumber;
  ASSERT_TRUE(parseJson(R"({"Action":"down","Button":4,"Type":10,"Delay":"30"})", asText));
  ASSERT_TRUE(parseJson(R"({"Action":"down","Button":4,"Type":10,"Delay":30})", asNumber));
  const auto a = eventFromJson(asText);
  const auto b = eventFromJson(asNumber);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(*a, *b);
  EXPECT_EQ(*a, ev(true, 4, 10, 30));
  const Json::Value saved = eventToJson(*b);
  EXPECT_TRUE(saved["Delay"].isString());
  EXPECT_EQ(saved["Delay"].asString(), "30");
  EXPECT_EQ(saved["Action"].asString(), "down");
  EXPECT_EQ(saved["Button"].asInt(), 4);
  EXPECT_EQ(saved["Type"].asInt(), 10);
  EXPECT_EQ(saved.size(), 4u);
}

TEST(MacroEventJson, RangesAreCheckedNotWrapped) {
  auto read = [](const char* text) {
    Json::Value v;
    EXPECT_TRUE(parseJson(text, v)) << text;
    return eventFromJson(v);
  };
  EXPECT_FALSE(read(R"({"Action":"down","Button":256,"Type":10,"Delay":"0"})"));
  EXPECT_FALSE(read(R"({"Action":"down","Button":-1,"Type":10,"Delay":"0"})"));
  EXPECT_FALSE(read(R"({"Action":"down","Button":4,"Type":0,"Delay":"0"})"));
  EXPECT_FALSE(read(R"({"Action":"down","Button":4,"Type":128,"Delay":"0"})"));
  EXPECT_FALSE(read(R"({"Action":"down","Button":"4","Type":10})"));
  EXPECT_FALSE(read(R"([1,2])"));
  // An unknown type in range is kept as it is.
  const auto odd = read(R"({"Action":"up","Button":255,"Type":127,"Delay":70000})");
  ASSERT_TRUE(odd);
  EXPECT_EQ(*odd, ev(false, 255, 127, 65535));
  EXPECT_EQ(eventToJson(*odd)["Type"].asInt(), 127);
  // Anything other than "down" is a release.
  EXPECT_FALSE(read(R"({"Action":"DOWN","Button":1,"Type":1})")->down);
}

TEST(MacroEventNames, KeysModifiersButtonsAndMoves) {
  EXPECT_EQ(eventLabel(ev(true, 0x04, 10, 0)).nameKey, "keyboard_key_A");
  EXPECT_FALSE(eventLabel(ev(true, 0x04, 10, 0)).mouseStyle);
  EXPECT_EQ(eventLabel(ev(true, 0x02, 9, 0)).nameKey, "keyboard_key_LShift");
  EXPECT_EQ(eventLabel(ev(false, 0x80, 9, 0)).nameKey, "keyboard_key_RWin");
  // A usage of 0 would match a modifier row if modifier rows were searched.
  EXPECT_NE(eventLabel(ev(true, 0x00, 10, 0)).nameKey, "keyboard_key_LCtrl");
  EXPECT_EQ(eventLabel(ev(true, 16, 1, 0)), (EventLabel{"mouse_key_forward", true, std::nullopt}));
  EXPECT_EQ(eventLabel(ev(false, 8, 1, 0)).nameKey, "mouse_key_back");
  EXPECT_EQ(eventLabel(ev(true, 7, 4, 0)), (EventLabel{"mouse_move_to_left_text", true, 7}));
  EXPECT_EQ(eventLabel(ev(false, 7, 4, 0)).nameKey, "mouse_move_to_right_text");
  EXPECT_EQ(eventLabel(ev(true, 9, 5, 0)).nameKey, "mouse_move_to_up_text");
  EXPECT_EQ(eventLabel(ev(false, 9, 5, 0)), (EventLabel{"mouse_move_to_down_text", true, 9}));
  EXPECT_EQ(eventLabel(ev(true, 1, 2, 0)), (EventLabel{"", true, std::nullopt}));
  EXPECT_EQ(eventLabel(ev(true, 1, 42, 0)), (EventLabel{}));
}

TEST(MacroEventBuilders, MouseTableRowsAndMoves) {
  ASSERT_EQ(mouseEventTable().size(), 15u);
  EXPECT_EQ(mouseButtonEvent(MouseButton::Left, true, 50), ev(true, 1, 1, 50));
  EXPECT_EQ(mouseButtonEvent(MouseButton::Right, false, 0), ev(false, 2, 1, 0));
  EXPECT_EQ(mouseButtonEvent(MouseButton::Middle, true, 0), ev(true, 4, 1, 0));
  EXPECT_EQ(mouseButtonEvent(MouseButton::Forward, false, 0), ev(false, 16, 1, 0));
  EXPECT_EQ(mouseButtonEvent(MouseButton::Back, true, 0), ev(true, 8, 1, 0));
  EXPECT_EQ(mouseMoveEvent(MoveDirection::Left, 300, 50), ev(true, 44, 4, 50));
  EXPECT_EQ(mouseMoveEvent(MoveDirection::Right, 5, 0), ev(false, 5, 4, 0));
  EXPECT_EQ(mouseMoveEvent(MoveDirection::Up, 5, 0), ev(true, 5, 5, 0));
  EXPECT_EQ(mouseMoveEvent(MoveDirection::Down, 256, 0), ev(false, 0, 5, 0));
}

TEST(MacroEventFile, ImportChecksShapeSizeAndRowCount) {
  EXPECT_FALSE(parseEventFile("not json").ok);
  EXPECT_FALSE(parseEventFile("[1,2,3]").ok);
  const auto noEvents = parseEventFile(R"({"MacroName":"x"})");
  EXPECT_FALSE(noEvents.ok);
  EXPECT_NE(noEvents.error.find("Events"), std::string::npos);
  EXPECT_FALSE(parseEventFile(R"({"Events":{}})").ok);

  std::string many = R"({"Events":[)";
  for (int i = 0; i < 4001; ++i) many += std::string(i ? "," : "") + R"({"Action":"up","Button":1,"Type":1})";
  many += "]}";
  const auto tooMany = parseEventFile(many);
  EXPECT_FALSE(tooMany.ok);
  EXPECT_NE(tooMany.error.find("4000"), std::string::npos);

  std::string big = R"({"Events":[],"Pad":")" + std::string(kMaxImportBytes, 'x') + "\"}";
  const auto tooBig = parseEventFile(big);
  EXPECT_FALSE(tooBig.ok);
  EXPECT_NE(tooBig.error.find("4 MiB"), std::string::npos);

  const auto good = parseEventFile(
      R"({"Events":[{"Action":"down","Button":4,"Type":10,"Delay":"30"},{"Type":999},
                    {"Action":"up","Button":4,"Type":10,"Delay":5}],"Version":64})");
  ASSERT_TRUE(good.ok);
  EXPECT_EQ(good.skipped, 1u);
  ASSERT_EQ(good.events.size(), 2u);
  EXPECT_EQ(good.events[1], ev(false, 4, 10, 5));
}

TEST(MacroEventFile, DocumentRoundTrip) {
  const std::vector<MacroEvent> events{ev(true, 4, 10, 30), ev(false, 4, 10, 0), ev(true, 3, 5, 8)};
  const Json::Value doc = eventFileDocument("burst", "2026_01_02_03_04_05_006", events);
  EXPECT_EQ(doc["Version"].asInt(), 64);
  EXPECT_EQ(doc["MacroName"].asString(), "burst");
  EXPECT_EQ(doc["Guid"].asString(), "2026_01_02_03_04_05_006");
  Json::Value back;
  ASSERT_TRUE(parseJson(styledJson(doc), back));
  EXPECT_EQ(eventsFromDocument(back), events);
}

}  // namespace
}  // namespace tessel::macros
