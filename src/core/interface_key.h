#pragma once
// One HID interface: a row of the supported interface table, or an interface
// found on the bus.
#include <cstdint>
#include <string>

namespace tessel {

inline constexpr uint16_t kRoleCommand = 0;
inline constexpr uint16_t kRoleInput = 0xFF;

struct InterfaceKey {
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t interfaceNumber = 0;   // after "&mi_" in the device path
  uint16_t collectionNumber = 0;  // after "&col" in the device path
  uint16_t typeCode = 0;          // DeviceType code
  uint16_t role = kRoleCommand;   // 0 command interface, 0xFF input interface
  uint16_t present = 0;           // 1 while attached and claimed
  uint16_t usagePage = 0;
  uint16_t usage = 0;
  uint16_t hasPartner = 0;        // the product also exists with the other connection
  uint16_t partnerRow = 0;        // row of that connection's interface of the same role
  std::string path;               // empty in the static table

  // Equal when identity, role and usages match; present, partner and path are ignored.
  friend bool operator==(const InterfaceKey& a, const InterfaceKey& b) {
    return a.vendorId == b.vendorId && a.productId == b.productId &&
           a.interfaceNumber == b.interfaceNumber && a.collectionNumber == b.collectionNumber &&
           a.typeCode == b.typeCode && a.role == b.role && a.usagePage == b.usagePage &&
           a.usage == b.usage;
  }
};

}  // namespace tessel
