#pragma once
// Where the main window goes when it is closed. With a notification area it
// hides in the tray, whose icon brings it back. Without one a hidden (or, on
// a desktop without a task bar, minimised) window would leave a process
// nothing could bring back, so closing ends the program as Exit does.
#include <optional>

namespace tessel::ui {

enum class CloseAction { HideToTray, Exit };

// The desktop has a notification area (tests may decide instead).
bool TrayAvailable();
void SetTrayAvailableForTests(std::optional<bool> available);

CloseAction ActionOnClose();

}  // namespace tessel::ui
