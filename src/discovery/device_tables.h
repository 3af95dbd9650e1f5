#pragma once
// The fixed tables that say which HID interfaces belong to supported products,
// how each kind of device is shown, and how big its page is.
#include <array>
#include <cstdint>
#include <string_view>

#include "core/interface_key.h"

namespace tessel {

inline constexpr size_t kSupportedInterfaceCount = 11;

// Rows 0..9: mouse, keyboard and mousepad interfaces (vendor collection 4 is the
// command interface, consumer-control collection 3 the input interface); row 10:
// the headset's single interface. Receiver and cable rows name each other as partners.
const std::array<InterfaceKey, kSupportedInterfaceCount>& supportedInterfaceTable();

struct DeviceOptionRow {
  std::string_view kindName;        // "mouse", "keyboard", "MousePad", "HD"
  std::string_view tileXml;         // skin file of the tile
  std::string_view tileHeaderTab;   // "tab_header_device"
  std::string_view powerSwitchTab;  // "device_power_switch"
  int32_t unused[3];
  int32_t kindIndex;
  int32_t vendorId;
  int32_t productId;
  int32_t typeCode;
  int32_t variant;
};

// Row index = the page's option index: 0 mouse, 1 keyboard, 2 mousepad, 3 headset.
const std::array<DeviceOptionRow, 4>& deviceOptionTable();

struct DeviceXmlRow {
  int lightZoneCount;
  int keyButtonCount;
  int batteryFlag;      // 1: battery indicator, may run on a receiver
  int mouseParameter;
  std::string_view pageXml;
  std::string_view lightName;
};

// Same order as the device-option table.
const std::array<DeviceXmlRow, 4>& deviceXmlTable();

// Row of the supported interface table with these values, or -1.
int findTableRow(uint16_t vendorId, uint16_t productId, uint16_t typeCode, uint16_t role);
// Option index of (VID, PID, type code, variant), or -1.
int findOptionRow(int vendorId, int productId, int typeCode, int variant);

}  // namespace tessel
