#pragma once
// Where the main window goes when it is closed. With a notification area it
// hides in the tray, whose icon brings it back. Without one a hidden window
// would leave an invisible process nothing could bring back (a second start
// can, but nobody knows to try), so it is minimised to the task bar instead.
#include <optional>

namespace tessel::ui {

enum class CloseAction { HideToTray, Minimise };

// The desktop has a notification area (tests may decide instead).
bool TrayAvailable();
void SetTrayAvailableForTests(std::optional<bool> available);

CloseAction ActionOnClose();

}  // namespace tessel::ui
