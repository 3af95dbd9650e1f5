#include "input/macro_recorder.h"

#include <algorithm>

#include "config/function_codes.h"

namespace tessel::input {

using macros::MacroEvent;
using macros::MacroEventList;

std::optional<Placement> placementForMode(int mode) {
  switch (mode) {
    case 4:
      return Placement::Append;
    case 8:
      return Placement::InsertBefore;
    case 16:
      return Placement::InsertAfter;
    case 32:
      return Placement::Replace;
    default:
      return std::nullopt;
  }
}

std::optional<MacroEvent> keyMacroEvent(const InputEvent& event, std::string* nameKey) {
  if (event.kind != InputKind::Keyboard) return std::nullopt;
  const auto index = findKeyByScanCode(event.scanCode, event.extended);
  if (!index || *index >= kScanCodedKeyCount) return std::nullopt;
  const KeyEntry& key = keyTable()[*index];
  MacroEvent out;
  out.down = event.message == kKeyDown || event.message == kSysKeyDown;
  if (key.code.param2 != 0) {
    out.type = macros::event_type::kKey;
    out.button = key.code.param2;
  } else if (key.code.param1 != 0) {
    out.type = macros::event_type::kModifier;
    out.button = key.code.param1;
  } else {
    return std::nullopt;
  }
  if (nameKey) *nameKey = std::string(key.name);
  return out;
}

std::optional<MacroEvent> mouseMacroEvent(const InputEvent& event, std::string* nameKey) {
  if (event.kind != InputKind::Mouse) return std::nullopt;
  const auto table = macros::mouseEventTable();
  std::optional<size_t> row;
  if (event.message == kExtraDown || event.message == kExtraUp) {
    const uint32_t which = event.mouseData >> 16;
    const size_t first = which == kExtraForward ? 6 : which == kExtraBack ? 8 : 0;
    if (first != 0) row = first + (event.message == kExtraDown ? 0 : 1);
  } else {
    for (size_t i = 0; i < 6; ++i)
      if (static_cast<uint32_t>(table[i].message) == event.message) {
        row = i;
        break;
      }
  }
  if (!row) return std::nullopt;
  if (nameKey) *nameKey = std::string(table[*row].nameKey);
  return macros::eventFromMouseRow(table[*row], 0);
}

MacroRecorder::MacroRecorder(const Clock& clock) : clock_(clock), lastTick_(clock.now()) {}

void MacroRecorder::Start(DelayMode mode, uint32_t fixedDelay) {
  mode_ = mode;
  fixedDelay_ = static_cast<uint16_t>(std::min<uint32_t>(fixedDelay, macros::kMaxDelay));
  lastTick_ = clock_.now();
  lastKey_.fill(std::nullopt);
  lastMouse_.fill(std::nullopt);
}

size_t MacroRecorder::slot(Placement p) {
  switch (p) {
    case Placement::Append:
      return 0;
    case Placement::InsertBefore:
      return 1;
    case Placement::InsertAfter:
      return 2;
    case Placement::Replace:
      return 3;
  }
  return 0;
}

uint16_t MacroRecorder::predecessorDelay() {
  switch (mode_) {
    case DelayMode::Record: {
      const SteadyTime now = clock_.now();
      const auto elapsed = std::chrono::duration_cast<Millis>(now - lastTick_).count();
      lastTick_ = now;
      if (elapsed < 0) return 0;
      return elapsed > 65534 ? uint16_t{65535} : static_cast<uint16_t>(elapsed);
    }
    case DelayMode::Fixed:
      return fixedDelay_;
    case DelayMode::Ignore:
      return 0;
  }
  return 0;
}

RecordOutcome MacroRecorder::OnKeyboard(Placement placement, const InputEvent& event, MacroEventList& list) {
  if (event.kind != InputKind::Keyboard) return {};
  const bool down = event.message == kKeyDown || event.message == kSysKeyDown;
  auto& memory = lastKey_[slot(placement)];
  const bool remembered = memory && memory->scanCode == event.scanCode && memory->extended == event.extended;
  if (down) {
    if (remembered) return {};  // auto-repeat of the held key
    memory = KeyMemory{event.scanCode, event.extended};
  } else if (remembered) {
    memory.reset();
  }
  std::string nameKey;
  const auto macroEvent = keyMacroEvent(event, &nameKey);
  if (!macroEvent) return {};
  return place(placement, *macroEvent, nameKey, list);
}

RecordOutcome MacroRecorder::OnMouse(Placement placement, const InputEvent& event, MacroEventList& list) {
  if (event.kind != InputKind::Mouse) return {};
  std::string nameKey;
  const auto macroEvent = mouseMacroEvent(event, &nameKey);
  if (!macroEvent) return {};
  auto& memory = lastMouse_[slot(placement)];
  if (memory && *memory == event.message) return {};
  memory = event.message;
  if ((event.message == kLeftDown || event.message == kLeftUp) && stopButton_ && event.hasPosition &&
      stopButton_->contains(event.x, event.y))
    return {};  // the click that stops the recording
  return place(placement, *macroEvent, nameKey, list);
}

RecordOutcome MacroRecorder::OnHookMessage(int mode, const InputEvent& event, MacroEventList& list) {
  const auto placement = placementForMode(mode);
  if (!placement) return {};
  return event.kind == InputKind::Keyboard ? OnKeyboard(*placement, event, list) : OnMouse(*placement, event, list);
}

RecordOutcome MacroRecorder::place(Placement placement, const MacroEvent& event, const std::string& nameKey,
                                   MacroEventList& list) {
  const size_t n = list.size();
  const auto selected = list.selected();
  const bool adds = placement != Placement::Replace;
  if (adds && n >= macros::kMaxRecordedEvents) return RecordOutcome{RecordOutcome::What::Full, std::nullopt, {}};
  if (placement != Placement::Append && !selected) return {};

  const uint16_t d = predecessorDelay();
  const uint16_t ownDelay = mode_ == DelayMode::Fixed ? fixedDelay_ : uint16_t{0};
  MacroEvent row = event;
  RecordOutcome out;
  out.nameKey = nameKey;
  std::optional<size_t> predecessor;

  switch (placement) {
    case Placement::Append:
      row.delay = n == 0 ? uint16_t{0} : ownDelay;
      list.insertAt(n, row);
      if (n > 0) predecessor = n - 1;
      out.selected = n;
      break;
    case Placement::InsertBefore: {
      const size_t s = *selected;
      row.delay = s == 0 ? uint16_t{0} : ownDelay;
      list.insertAt(s, row);
      list.select(s + 1);  // the row that was selected, one further down
      if (s > 0) predecessor = s - 1;
      out.selected = s + 1;
      break;
    }
    case Placement::InsertAfter: {
      const size_t s = *selected;
      row.delay = ownDelay;
      list.insertAt(s + 1, row);
      predecessor = s;
      out.selected = s + 1;
      break;
    }
    case Placement::Replace:
      list.replaceButton(*selected, event.button, event.type);
      out.what = RecordOutcome::What::Replaced;
      out.selected = selected;
      return out;
  }
  if (predecessor && recordedEvent_) list.setDelayText(*predecessor, std::to_string(d));
  recordedEvent_ = true;
  out.what = RecordOutcome::What::Added;
  return out;
}

}  // namespace tessel::input
