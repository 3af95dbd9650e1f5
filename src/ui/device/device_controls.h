#pragma once
// Creation of the device controls by the skin: the main window's builder
// callback asks CreateDeviceControl for its tags. The classes are registered
// with the control factory by start-up's class table (ui/startup.h).
#include <QString>

namespace tessel::ui {

class CControlUI;

// A new control for "SelectPanel", "DeviceKeyButton", "BrelvikMouseDevice",
// "BrelvikKeyboardDevice", "BrelvikMousePadDevice", "BrelvikHS6533Device",
// "DeviceOption" and "MpDevicePower" (ignoring case); nullptr for any other tag.
CControlUI* CreateDeviceControl(const QString& tag);

}  // namespace tessel::ui
