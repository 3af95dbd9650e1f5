#pragma once
// The event list of the macro editor as a plain model: one row per event of
// the selected macro, each with its delay field, and the selected row. The
// editor's list control only mirrors this; every insertion, move and removal
// rule lives here so it can be tested without a window.
//
// The delay field of a row is the authority for that event's delay: it takes
// at most 6 digits, and is read (empty as 0, clamped to 65535) when saving.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "macros/macro_model.h"

namespace tessel::macros {

inline constexpr size_t kDelayFieldMaxChars = 6;
inline constexpr uint16_t kDefaultFixedDelay = 50;

struct EventRow {
  MacroEvent event;       // the event as the row was built (its delay included)
  std::string delayText;  // the delay field
  bool operator==(const EventRow&) const = default;
};

// Items of the event row's context menu that insert mouse button events:
// "left_down", "left_up", "left_click", ... for left, middle, right, forward
// and back. A "_click" inserts the press and then the release.
std::optional<std::vector<MacroEvent>> mouseMenuEvents(std::string_view item, uint16_t delay);

// A typed move distance: its leading digits, reduced to the low 8 bits.
uint8_t moveDistance(std::string_view typed);

class MacroEventList {
 public:
  // Fills the rows from a macro's events; delays above 65534 show as 65535.
  void load(std::span<const MacroEvent> events);
  void clear();

  const std::vector<EventRow>& rows() const { return rows_; }
  size_t size() const { return rows_.size(); }
  std::optional<size_t> selected() const { return selected_; }
  // Selecting a row past the end clears the selection.
  void select(std::optional<size_t> row);

  // The user typed into a row's delay field: refused (false, nothing changes)
  // unless it is at most 6 digits.
  bool setDelayText(size_t row, std::string_view text);

  // The events as they are saved: each row's delay field read (empty as "0")
  // and written back as decimal, the event's delay set from it.
  std::vector<MacroEvent> eventsForSave();

  // Inserts after the selected row; with nothing selected after the first row;
  // into an empty list at the top. The new row becomes selected, so several
  // insertions in a row keep their order.
  void insert(const MacroEvent& event);
  bool insertMouseMenuItem(std::string_view item, uint16_t fixedDelay);
  void insertMouseMove(MoveDirection direction, std::string_view typedDistance, uint16_t fixedDelay);
  // A recorded event goes to the end; false once the list holds 4000 rows.
  bool appendRecorded(const MacroEvent& event);
  // Recording places rows itself: a row at `position` (clamped to the end),
  // which becomes selected; and a row's key or button replaced, its action and
  // delay field kept. False for a row past the end.
  void insertAt(size_t position, const MacroEvent& event);
  bool replaceButton(size_t row, uint8_t button, uint8_t type);

  // The selected row moves (with its delay) and stays selected.
  // moveSelectedTo: to row `target` (nothing for a target past the end).
  void moveSelectedTo(size_t target);
  void moveUp();
  void moveDown();
  void moveToTop();
  void moveToBottom();
  // Removes the selected row; the row that takes its place becomes selected.
  void removeSelected();
  void removeAll();

 private:
  std::vector<EventRow> rows_;
  std::optional<size_t> selected_;
};

}  // namespace tessel::macros
