#pragma once
// The main window's numeric messages, defined once for every sender: the
// window itself, the device pages and tiles, and the shell below the Qt line.
// Registered (named) messages travel by name instead (ui/registered_messages).

namespace tessel::messages {

inline constexpr unsigned kHook = 1054;                // input hook event (recording, key capture)
inline constexpr unsigned kDpiDebug = 1224;
inline constexpr unsigned kShowProgress = 3072;
inline constexpr unsigned kLanguageChanged = 3089;
inline constexpr unsigned kInterfaceArrived = 3090;     // wParam = live-list slot
inline constexpr unsigned kInterfaceRemoved = 3091;     // wParam = live-list slot
inline constexpr unsigned kOpenSettings = 3093;
inline constexpr unsigned kClearSettingsImage = 3094;
inline constexpr unsigned kDeviceReachable = 3331;      // wParam = option index, lParam 1 reachable / 0 not
inline constexpr unsigned kKeyboardTables = 3332;

}  // namespace tessel::messages
