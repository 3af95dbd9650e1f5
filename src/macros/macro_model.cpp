#include "macros/macro_model.h"

#include <array>

#include "config/function_codes.h"
#include "platform/json_access.h"
#include "platform/json_file.h"

namespace tessel::macros {
namespace {

constexpr std::array<MouseEventRow, 15> kMouseEvents{{
    {513, 0x10, 1, 0x81, "mouse_key_left"},
    {514, 0x10, 1, 0x01, "mouse_key_left"},
    {516, 0x10, 2, 0x81, "mouse_key_right"},
    {517, 0x10, 2, 0x01, "mouse_key_right"},
    {519, 0x10, 4, 0x81, "mouse_key_middle"},
    {520, 0x10, 4, 0x01, "mouse_key_middle"},
    {523, 0x10, 16, 0x81, "mouse_key_forward"},
    {524, 0x10, 16, 0x01, "mouse_key_forward"},
    {523, 0x10, 8, 0x81, "mouse_key_back"},
    {524, 0x10, 8, 0x01, "mouse_key_back"},
    {4, 0x15, 0, 0x84, "mouse_move_to_left_text"},
    {4, 0x15, 0, 0x04, "mouse_move_to_right_text"},
    {5, 0x15, 0, 0x85, "mouse_move_to_up_text"},
    {5, 0x15, 0, 0x05, "mouse_move_to_down_text"},
    {522, 0x12, 0, 0x00, "mouse_cursor_text"},
}};

// The modifier keys alone are the first eight rows of the key table; ordinary
// keys are looked up from the ninth row on.
constexpr size_t kModifierRows = 8;

}  // namespace

uint16_t parseDelay(std::string_view text) {
  uint32_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    value = value * 10 + static_cast<uint32_t>(c - '0');
    if (value > kMaxDelay) return static_cast<uint16_t>(kMaxDelay);  // also stops overflow
  }
  return static_cast<uint16_t>(value);
}

std::span<const MouseEventRow> mouseEventTable() { return kMouseEvents; }

MacroEvent eventFromMouseRow(const MouseEventRow& row, uint16_t delay) {
  MacroEvent e;
  e.down = (row.action & 0x80) != 0;
  e.type = static_cast<uint8_t>(row.action & 0x7F);
  e.button = row.button;
  e.delay = delay;
  return e;
}

MacroEvent mouseButtonEvent(MouseButton button, bool down, uint16_t delay) {
  size_t row = 0;
  switch (button) {
    case MouseButton::Left: row = 0; break;
    case MouseButton::Right: row = 2; break;
    case MouseButton::Middle: row = 4; break;
    case MouseButton::Forward: row = 6; break;
    case MouseButton::Back: row = 8; break;
  }
  return eventFromMouseRow(kMouseEvents[row + (down ? 0 : 1)], delay);
}

MacroEvent mouseMoveEvent(MoveDirection direction, long long distance, uint16_t delay) {
  MacroEvent e;
  e.type = (direction == MoveDirection::Left || direction == MoveDirection::Right) ? event_type::kMouseX
                                                                                    : event_type::kMouseY;
  e.down = direction == MoveDirection::Left || direction == MoveDirection::Up;
  e.button = static_cast<uint8_t>(static_cast<unsigned long long>(distance) & 0xFF);
  e.delay = delay;
  return e;
}

EventLabel eventLabel(const MacroEvent& e) {
  EventLabel label;
  const auto keys = keyTable();
  switch (e.type) {
    case event_type::kKey: {
      for (size_t i = kModifierRows; i < keys.size(); ++i) {
        const auto& code = keys[i].code;
        if (code.type == function_type::kKeyboardKey && code.param1 == 0 && code.param2 == e.button) {
          label.nameKey = std::string(keys[i].name);
          break;
        }
      }
      return label;
    }
    case event_type::kModifier:
      for (size_t i = 0; i < kModifierRows && i < keys.size(); ++i) {
        if (keys[i].code.param1 == e.button) {
          label.nameKey = std::string(keys[i].name);
          break;
        }
      }
      return label;
    case event_type::kMouseButton:
      label.mouseStyle = true;
      for (size_t i = 0; i < kMouseButtonRows; ++i)
        if (kMouseEvents[i].button == e.button) {
          label.nameKey = std::string(kMouseEvents[i].nameKey);
          break;
        }
      return label;
    case event_type::kMouseX:
    case event_type::kMouseY:
      label.mouseStyle = true;
      for (size_t i = kMouseMoveFirstRow; i < kMouseMoveFirstRow + 4; ++i)
        if (kMouseEvents[i].action == actionByte(e)) {
          label.nameKey = std::string(kMouseEvents[i].nameKey);
          break;
        }
      label.distance = e.button;
      return label;
    case 2:
    case 3:
      label.mouseStyle = true;  // accepted, shown without a name
      return label;
    default:
      return label;
  }
}

Json::Value eventToJson(const MacroEvent& e) {
  Json::Value v(Json::objectValue);
  v["Action"] = e.down ? "down" : "up";
  v["Button"] = static_cast<int>(e.button);
  v["Type"] = static_cast<int>(e.type);
  v["Delay"] = std::to_string(e.delay);
  return v;
}

std::optional<MacroEvent> eventFromJson(const Json::Value& v) {
  if (!v.isObject()) return std::nullopt;
  const Json::Value& type = json::member(v, "Type");
  const Json::Value& button = json::member(v, "Button");
  if (!json::isNumber(type) || !json::isNumber(button)) return std::nullopt;
  // Read wide and check, so that 256 or -1 is refused instead of being clamped
  // into a different key.
  const long long t = json::getInt(type, -1, -1, 1000);
  const long long b = json::getInt(button, -1, -1, 1000);
  if (t < event_type::kMin || t > event_type::kMax || b < 0 || b > 255) return std::nullopt;
  MacroEvent e;
  e.type = static_cast<uint8_t>(t);
  e.button = static_cast<uint8_t>(b);
  e.down = json::getString(v, "Action", "") == "down";
  const Json::Value& delay = json::member(v, "Delay");
  if (delay.isString())
    e.delay = parseDelay(delay.asString());
  else
    e.delay = static_cast<uint16_t>(json::getInt(delay, 0, 0, kMaxDelay));
  return e;
}

std::vector<MacroEvent> eventsFromDocument(const Json::Value& document, size_t* skipped) {
  std::vector<MacroEvent> events;
  const Json::Value& rows = json::member(document, "Events");
  const unsigned n = json::size(rows);
  events.reserve(n);
  size_t bad = 0;
  for (unsigned i = 0; i < n; ++i) {
    if (auto e = eventFromJson(json::element(rows, i)))
      events.push_back(*e);
    else
      ++bad;
  }
  if (skipped) *skipped = bad;
  return events;
}

EventFileParse parseEventFile(std::string_view bytes) {
  EventFileParse out;
  if (bytes.size() > kMaxImportBytes) {
    out.error = "the macro file is larger than 4 MiB";
    return out;
  }
  Json::Value document;
  if (!parseJson(bytes, document) || !document.isObject()) {
    out.error = "the file is not a macro file (no JSON object)";
    return out;
  }
  const Json::Value& rows = json::member(document, "Events");
  if (!rows.isArray()) {
    out.error = "the macro file has no \"Events\" list";
    return out;
  }
  if (rows.size() > kMaxImportEvents) {
    out.error = "the macro file has more than 4000 events";
    return out;
  }
  out.events = eventsFromDocument(document, &out.skipped);
  out.ok = true;
  return out;
}

Json::Value eventFileDocument(std::string_view name, std::string_view guid,
                              std::span<const MacroEvent> events) {
  Json::Value doc(Json::objectValue);
  doc["MacroName"] = std::string(name);
  doc["Guid"] = std::string(guid);
  Json::Value& rows = doc["Events"] = Json::Value(Json::arrayValue);
  for (const auto& e : events) rows.append(eventToJson(e));
  doc["Version"] = kEventFileVersion;
  return doc;
}

}  // namespace tessel::macros
