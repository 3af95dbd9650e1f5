#pragma once
// What the battery indicator shows for a status block.
#include <cstddef>
#include <cstdint>
#include <string>

namespace tessel {

struct BatteryView {
  std::string percentText;     // "75%"
  int progressValue = 0;       // 100 - percentage
  bool receiverMark = false;   // byte 3 non-zero
  std::string chargeImage;     // skin image attribute for byte 1
  bool hasPhone = false;       // only for a mousepad's indicator
  std::string phoneText;       // language key of the phone type
  std::string phoneImage;
};

// `block` is the status block (at most 64 bytes are looked at); `typeCode` the
// type the indicator was created for. Short blocks read missing bytes as 0.
BatteryView batteryViewFor(const uint8_t* block, size_t length, uint16_t typeCode);

}  // namespace tessel
