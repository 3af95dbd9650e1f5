#include "device/base/battery_view.h"

#include <algorithm>

namespace tessel {

BatteryView batteryViewFor(const uint8_t* block, size_t length, uint16_t typeCode) {
  length = std::min<size_t>(length, 64);
  auto byte = [&](size_t i) -> uint8_t { return (block && i < length) ? block[i] : 0; };
  BatteryView v;
  v.percentText = std::to_string(byte(0)) + "%";
  // A percentage above 100 would drive the bar negative; keep the bar in range.
  v.progressValue = std::clamp(100 - int(byte(0)), 0, 100);
  v.receiverMark = byte(3) != 0;
  switch (byte(1)) {
    case 0: v.chargeImage = "file='power/powered.png'"; break;
    case 1: v.chargeImage = "file='power/powering.png'"; break;
    case 2: v.chargeImage = "file='power/power.png'"; break;
    default: break;  // unknown states leave the icon as it was
  }
  if (typeCode == 3) {
    v.hasPhone = true;
    switch (byte(5)) {
      case 1: v.phoneText = "Phone_type_iphone"; break;
      case 2: v.phoneText = "Phone_type_samsung"; break;
      case 3: v.phoneText = "Phone_type_other"; break;
      default: v.phoneText = "Phone_type_no_device"; break;
    }
    v.phoneImage = "file='power/" + v.phoneText + ".png'";
  }
  return v;
}

}  // namespace tessel
