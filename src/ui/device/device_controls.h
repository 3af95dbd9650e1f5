#pragma once
// Creation of the device controls by the skin: the main window's builder
// callback asks CreateDeviceControl for its tags, and start-up registers the
// classes with the control factory.
#include <QString>

namespace tessel::ui {

class CControlUI;

// A new control for "SelectPanel", "DeviceKeyButton", "BrelvikMouseDevice",
// "BrelvikKeyboardDevice", "BrelvikMousePadDevice", "BrelvikHS6533Device",
// "DeviceOption" and "MpDevicePower" (ignoring case); nullptr for any other tag.
CControlUI* CreateDeviceControl(const QString& tag);

// Registers CSelectPanelUI, CDeviceKeyButtonUI, CDeviceOptionUI,
// CMpDevicePowerUI, CBrelvikUSBDevice, CBrelvikMousePadDevice and
// CBrelvikHS6533Device with the control factory under these names.
void RegisterDeviceControlClasses();

}  // namespace tessel::ui
