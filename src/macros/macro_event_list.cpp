#include "macros/macro_event_list.h"

#include <algorithm>
#include <array>

namespace tessel::macros {
namespace {

struct MenuButton {
  std::string_view prefix;
  MouseButton button;
};
constexpr std::array<MenuButton, 5> kMenuButtons{{
    {"left", MouseButton::Left},
    {"middle", MouseButton::Middle},
    {"right", MouseButton::Right},
    {"forward", MouseButton::Forward},
    {"back", MouseButton::Back},
}};

EventRow rowFor(const MacroEvent& e) { return EventRow{e, std::to_string(e.delay)}; }

}  // namespace

std::optional<std::vector<MacroEvent>> mouseMenuEvents(std::string_view item, uint16_t delay) {
  for (const auto& b : kMenuButtons) {
    if (item.size() <= b.prefix.size() + 1 || item.substr(0, b.prefix.size()) != b.prefix ||
        item[b.prefix.size()] != '_')
      continue;
    const std::string_view what = item.substr(b.prefix.size() + 1);
    if (what == "down") return std::vector<MacroEvent>{mouseButtonEvent(b.button, true, delay)};
    if (what == "up") return std::vector<MacroEvent>{mouseButtonEvent(b.button, false, delay)};
    if (what == "click")
      return std::vector<MacroEvent>{mouseButtonEvent(b.button, true, delay), mouseButtonEvent(b.button, false, delay)};
    return std::nullopt;
  }
  return std::nullopt;
}

uint8_t moveDistance(std::string_view typed) {
  unsigned value = 0;
  for (char c : typed) {
    if (c < '0' || c > '9') break;
    value = (value * 10 + static_cast<unsigned>(c - '0')) & 0xFF;  // only the low 8 bits count
  }
  return static_cast<uint8_t>(value);
}

void MacroEventList::load(std::span<const MacroEvent> events) {
  rows_.clear();
  rows_.reserve(events.size());
  for (const auto& e : events) rows_.push_back(rowFor(e));
  selected_.reset();
}

void MacroEventList::clear() {
  rows_.clear();
  selected_.reset();
}

void MacroEventList::select(std::optional<size_t> row) {
  selected_ = (row && *row < rows_.size()) ? row : std::nullopt;
}

bool MacroEventList::setDelayText(size_t row, std::string_view text) {
  if (row >= rows_.size() || text.size() > kDelayFieldMaxChars) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  rows_[row].delayText = std::string(text);
  return true;
}

std::vector<MacroEvent> MacroEventList::eventsForSave() {
  std::vector<MacroEvent> out;
  out.reserve(rows_.size());
  for (auto& row : rows_) {
    row.event.delay = parseDelay(row.delayText);  // empty reads as 0
    row.delayText = std::to_string(row.event.delay);
    out.push_back(row.event);
  }
  return out;
}

void MacroEventList::insert(const MacroEvent& event) {
  size_t at = 0;
  if (selected_)
    at = *selected_ + 1;
  else if (!rows_.empty())
    at = 1;
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), rowFor(event));
  selected_ = at;
}

bool MacroEventList::insertMouseMenuItem(std::string_view item, uint16_t fixedDelay) {
  const auto events = mouseMenuEvents(item, fixedDelay);
  if (!events) return false;
  for (const auto& e : *events) insert(e);
  return true;
}

void MacroEventList::insertMouseMove(MoveDirection direction, std::string_view typedDistance, uint16_t fixedDelay) {
  insert(mouseMoveEvent(direction, moveDistance(typedDistance), fixedDelay));
}

bool MacroEventList::appendRecorded(const MacroEvent& event) {
  if (rows_.size() >= kMaxRecordedEvents) return false;
  rows_.push_back(rowFor(event));
  return true;
}

void MacroEventList::insertAt(size_t position, const MacroEvent& event) {
  const size_t at = std::min(position, rows_.size());
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(at), rowFor(event));
  selected_ = at;
}

bool MacroEventList::replaceButton(size_t row, uint8_t button, uint8_t type) {
  if (row >= rows_.size()) return false;
  rows_[row].event.button = button;
  rows_[row].event.type = type;
  return true;
}

void MacroEventList::moveSelectedTo(size_t target) {
  if (!selected_ || target >= rows_.size() || target == *selected_) return;
  EventRow row = std::move(rows_[*selected_]);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(*selected_));
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(target), std::move(row));
  selected_ = target;
}

void MacroEventList::moveUp() {
  if (selected_ && *selected_ > 0) moveSelectedTo(*selected_ - 1);
}
void MacroEventList::moveDown() {
  if (selected_) moveSelectedTo(*selected_ + 1);
}
void MacroEventList::moveToTop() { moveSelectedTo(0); }
void MacroEventList::moveToBottom() {
  if (!rows_.empty()) moveSelectedTo(rows_.size() - 1);
}

void MacroEventList::removeSelected() {
  if (!selected_) return;
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(*selected_));
  if (rows_.empty())
    selected_.reset();
  else
    selected_ = std::min(*selected_, rows_.size() - 1);
}

void MacroEventList::removeAll() { clear(); }

}  // namespace tessel::macros
