#pragma once
// The line a page or an editor shows after a write to the device: a short
// confirmation in green, or in red what went wrong, gone again after a few
// seconds (a timer of the label on its paint manager, so tests run it on
// their manual clock; its notification goes to HandleWriteStatusTimer). A
// new status replaces the one shown.
#include <QString>

#include "core/result_code.h"
#include "ui/toolkit/controls.h"

namespace tessel::ui {

enum class WriteOutcome {
  Sent,      // the device took it
  Failed,    // the device did not take it; the profile keeps the change
  Offline,   // kept in the profile; the device is not connected
  Unsaved,   // an edit waiting for Save (stays until replaced)
  Saved,     // saved in the program's files; the device write follows
};

// How a write ended, from its result and whether the device was connected.
WriteOutcome WriteOutcomeOf(ResultCode result, bool connected);

inline constexpr unsigned kWriteStatusMs = 4000;
inline constexpr unsigned kWriteStatusTimer = 0x5757;

// Shows the outcome's text (language keys "write_status_sent", "..._failed",
// "..._offline", "..._unsaved", "..._saved") in `label`; nullptr does nothing.
void ShowWriteStatus(CControlUI* label, WriteOutcome outcome);
// Empties the line at once.
void ClearWriteStatus(CControlUI* label);
// The owner of a status line passes its notifications here: the line's
// timer empties it. True when the notification was that timer.
bool HandleWriteStatusTimer(const TNotifyUI& msg);

}  // namespace tessel::ui
