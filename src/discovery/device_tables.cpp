#include "discovery/device_tables.h"

namespace tessel {

const std::array<InterfaceKey, kSupportedInterfaceCount>& supportedInterfaceTable() {
  // vid, pid, mi, col, type, role, present, usage page, usage, has partner, partner row, path
  static const std::array<InterfaceKey, kSupportedInterfaceCount> table{{
      {0x320F, 0x5089, 1, 4, 1, kRoleCommand, 0, 0xFF1C, 0x0092, 1, 2, {}},
      {0x320F, 0x5089, 1, 3, 1, kRoleInput, 0, 0x000C, 0x0001, 1, 3, {}},
      {0x320F, 0x5088, 1, 4, 9, kRoleCommand, 0, 0xFF1C, 0x0092, 1, 0, {}},
      {0x320F, 0x5088, 1, 3, 9, kRoleInput, 0, 0x000C, 0x0001, 1, 1, {}},
      {0x320F, 0x7C1F, 1, 4, 2, kRoleCommand, 0, 0xFF1C, 0x0092, 1, 6, {}},
      {0x320F, 0x7C1F, 1, 3, 2, kRoleInput, 0, 0x000C, 0x0001, 1, 7, {}},
      {0x320F, 0x7C20, 1, 4, 6, kRoleCommand, 0, 0xFF1C, 0x0092, 1, 4, {}},
      {0x320F, 0x7C20, 1, 3, 6, kRoleInput, 0, 0x000C, 0x0001, 1, 5, {}},
      {0x320F, 0x1004, 1, 4, 3, kRoleCommand, 0, 0xFF1C, 0x0092, 0, 0, {}},
      {0x320F, 0x1004, 1, 3, 3, kRoleInput, 0, 0x000C, 0x0001, 0, 0, {}},
      {0x0C76, 0x1630, 3, 0, 7, kRoleCommand, 0, 0x000C, 0x0001, 0, 0, {}},
  }};
  return table;
}

const std::array<DeviceOptionRow, 4>& deviceOptionTable() {
  static constexpr std::string_view kTile = "XML/CustomControlXML/DeviceOption.xml";
  static const std::array<DeviceOptionRow, 4> table{{
      {"mouse", kTile, "tab_header_device", "device_power_switch", {0, 0, 0}, 1, 0x320F, 0x7C1F, 2, 0},
      {"keyboard", kTile, "tab_header_device", "device_power_switch", {0, 0, 0}, 0, 0x320F, 0x5089, 1, 0},
      {"MousePad", kTile, "tab_header_device", "device_power_switch", {0, 0, 0}, 2, 0x320F, 0x1004, 3, 0},
      {"HD", kTile, "tab_header_device", "device_power_switch", {0, 0, 0}, 3, 0x0C76, 0x1630, 7, 0},
  }};
  return table;
}

const std::array<DeviceXmlRow, 4>& deviceXmlTable() {
  static const std::array<DeviceXmlRow, 4> table{{
      {15, 11, 1, -1, "XML/DeviceXml/mousedevice.xml", "zelto_light"},
      {170, 170, 0, -1, "XML/DeviceXml/keyboarddevice.xml", "zelto_light"},
      {15, 0, 0, -1, "XML/DeviceXml/mousepaddevice.xml", "zelto_light"},
      {13, 0, 0, -1, "XML/DeviceXml/hs6533device.xml", "zelto_light"},
  }};
  return table;
}

int findTableRow(uint16_t vendorId, uint16_t productId, uint16_t typeCode, uint16_t role) {
  const auto& table = supportedInterfaceTable();
  for (size_t i = 0; i < table.size(); ++i) {
    const InterfaceKey& k = table[i];
    if (k.vendorId == vendorId && k.productId == productId && k.typeCode == typeCode && k.role == role)
      return static_cast<int>(i);
  }
  return -1;
}

int findOptionRow(int vendorId, int productId, int typeCode, int variant) {
  const auto& table = deviceOptionTable();
  for (size_t i = 0; i < table.size(); ++i) {
    const DeviceOptionRow& r = table[i];
    if (r.vendorId == vendorId && r.productId == productId && r.typeCode == typeCode && r.variant == variant)
      return static_cast<int>(i);
  }
  return -1;
}

}  // namespace tessel
