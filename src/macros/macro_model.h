#pragma once
// The macro event model: one timed input event of a macro, its JSON form in
// event files, how it is named in the editor, and the event files themselves
// (parsing with the limits an imported file must respect).
//
//   { "Action": "down", "Button": 4, "Type": 10, "Delay": "30" }
//
// Type 1 mouse button (button bit), 4 horizontal move (down = left), 5 vertical
// move (down = up), 9 modifier (modifier bit), 10 key (HID usage). Types 2 and 3
// are unnamed mouse events; any other type in 1..127 is kept and saved back.
#include <json/json.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::macros {

inline constexpr size_t kMaxMacros = 50;            // per device model
inline constexpr size_t kMaxRecordedEvents = 4000;  // recording stops adding here
inline constexpr uint32_t kMaxDelay = 65535;        // milliseconds
inline constexpr int kEventFileVersion = 64;
// An imported file larger than this, or with more rows, is refused: the device
// could never hold it and reading it would only cost memory.
inline constexpr size_t kMaxImportBytes = 4u * 1024u * 1024u;
inline constexpr size_t kMaxImportEvents = 4000;

namespace event_type {
inline constexpr uint8_t kMouseButton = 1;
inline constexpr uint8_t kMouseX = 4;  // "down" moves left, "up" moves right
inline constexpr uint8_t kMouseY = 5;  // "down" moves up, "up" moves down
inline constexpr uint8_t kModifier = 9;
inline constexpr uint8_t kKey = 10;
inline constexpr uint8_t kMin = 1;
inline constexpr uint8_t kMax = 127;  // bit 7 of the device's action byte is the press flag
}  // namespace event_type

struct MacroEvent {
  bool down = true;    // "Action": "down" / "up"
  uint8_t button = 0;  // "Button"
  uint8_t type = event_type::kKey;  // "Type"
  uint16_t delay = 0;  // "Delay", milliseconds after this event
  bool operator==(const MacroEvent&) const = default;
};

// The device's action byte: bit 7 = press, bits 0..6 = type.
inline uint8_t actionByte(const MacroEvent& e) {
  return static_cast<uint8_t>((e.down ? 0x80 : 0x00) | (e.type & 0x7F));
}

// Delay text: the leading decimal digits (none gives 0), clamped to 65535.
uint16_t parseDelay(std::string_view text);

// One row of the fixed mouse event table (15 rows).
struct MouseEventRow {
  int message = 0;
  uint8_t group = 0;
  uint8_t button = 0;
  uint8_t action = 0;  // bit 7 = "down", bits 0..6 = type
  std::string_view nameKey;
};
std::span<const MouseEventRow> mouseEventTable();
inline constexpr size_t kMouseButtonRows = 10;  // rows 0..9: buttons
inline constexpr size_t kMouseMoveFirstRow = 10;  // rows 10..13: moves

// The event built from a row of the mouse event table.
MacroEvent eventFromMouseRow(const MouseEventRow& row, uint16_t delay);

// Mouse buttons the editor inserts: press and release rows of each.
enum class MouseButton { Left, Middle, Right, Forward, Back };
MacroEvent mouseButtonEvent(MouseButton button, bool down, uint16_t delay);

enum class MoveDirection { Left, Right, Up, Down };
// A mouse move of `distance` counts (only its low 8 bits are kept).
MacroEvent mouseMoveEvent(MoveDirection direction, long long distance, uint16_t delay);

// How an event row is named: a localisation key (empty when the event has no
// name), whether it is shown in mouse style, and for moves the distance shown
// beside the name.
struct EventLabel {
  std::string nameKey;
  bool mouseStyle = false;
  std::optional<int> distance;
  bool operator==(const EventLabel&) const = default;
};
EventLabel eventLabel(const MacroEvent& e);

// JSON form of one event: all four members, "Delay" as decimal text.
Json::Value eventToJson(const MacroEvent& e);
// Reads one event object. "Delay" may be text or a number. nullopt for a value
// that is not an object or whose "Type" (1..127) or "Button" (0..255) is
// missing or out of range.
std::optional<MacroEvent> eventFromJson(const Json::Value& v);

// Reading an event file.
struct EventFileParse {
  bool ok = false;
  std::string error;                // why the file was refused, when !ok
  std::vector<MacroEvent> events;
  size_t skipped = 0;               // rows that were not valid events
};
// Strict reading for imports: refuses text over 4 MiB, text that is not a JSON
// object, an object without an "Events" array and more than 4000 rows.
EventFileParse parseEventFile(std::string_view bytes);
// Lenient reading for the library's own files: anything unreadable is an empty
// macro (the caller keeps an unparsable file aside).
std::vector<MacroEvent> eventsFromDocument(const Json::Value& document, size_t* skipped = nullptr);

// The event file document as it is saved.
Json::Value eventFileDocument(std::string_view name, std::string_view guid,
                              std::span<const MacroEvent> events);

}  // namespace tessel::macros
