#pragma once
// The page halves of the four device kinds, in one place for whoever creates
// pages by tag. Their controllers, below the Qt line in devices/<kind>/, hold
// what the kinds do with the device.
#include "ui/device/brelvik_usb_device.h"
#include "ui/device/hs6533_page.h"
#include "ui/device/keyboard_page.h"
#include "ui/device/mouse_page.h"
#include "ui/device/mousepad_page.h"
