#pragma once
// The products the virtual HID bus can plug: USB ids, the interface that
// carries our collections, its report descriptor and which collections carry
// commands and consumer-control input.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::sim {

struct ProductInfo {
  std::string_view name;      // "mouse", "mouse-receiver", ...
  uint16_t vendorId = 0;
  uint16_t productId = 0;
  uint16_t versionNumber = 0;
  uint16_t interfaceNumber = 0;
  const std::vector<uint8_t>* descriptor = nullptr;
  // Collection numbers as paths carry them: 1-based, 0 for an interface with
  // a single collection.
  uint16_t commandCollection = 0;  // vendor 0xFF1C/0x92 (the headset: its only one)
  uint16_t inputCollection = 0;    // consumer control 0x000C/0x0001
};

// Report ids on the mouse, keyboard and mousepad interface.
inline constexpr uint8_t kKeyboardReportId = 1;
inline constexpr uint8_t kSystemReportId = 2;
inline constexpr uint8_t kConsumerReportId = 3;
inline constexpr uint8_t kCommandReportId = 4;     // 64-byte vendor reports
// Report ids on the headset.
inline constexpr uint8_t kHeadsetButtonsReportId = 1;
inline constexpr uint8_t kHeadsetLedReportId = 0xFF;  // 17-byte output reports

// The report descriptor of interface 1 of every 320F product: keyboard (id 1),
// system control (id 2), consumer control (id 3, one 16-bit usage), vendor
// 0xFF1C/0x92 (id 4, 63 data bytes each way).
const std::vector<uint8_t>& vendorInterfaceDescriptor();
// The headset's interface 3: one consumer-control collection with volume and
// mute buttons (id 1) and the 16-byte LED output report (id 0xFF).
const std::vector<uint8_t>& headsetDescriptor();

// Every product, in the order of the names above.
const std::vector<ProductInfo>& productInfos();
const ProductInfo* findProductInfo(std::string_view name);

// Reads a comma-separated list of product names ("mouse,keyboard-receiver";
// spaces around names are ignored, "all" names every product, a repeated name
// counts once). False with a message naming the first unknown name; an empty
// list is an error too.
bool parseProductList(std::string_view list, std::vector<std::string>& names,
                      std::string* error = nullptr);

}  // namespace tessel::sim
