#pragma once
// Input capabilities of one top-level collection and the unpacking of input
// reports into data items: the usages that are set for button items, the raw
// and scaled values for value items. Status codes keep the values of the HID
// parser statuses the rest of the program may print.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/hid/report_descriptor.h"

namespace tessel::hid {

enum class HidStatus : uint32_t {
  Success = 0x00110000,
  Null = 0x80110001,                 // value outside the logical range
  InvalidReportLength = 0xC0110003,
  UsageNotFound = 0xC0110004,
  BadLogPhyValues = 0xC0110006,
  BufferTooSmall = 0xC0110007,
  IncompatibleReportId = 0xC0110010,
};

// One slot of the input items.
struct HidDataItem {
  bool isButton = false;
  uint16_t usagePage = 0;
  HidStatus status = HidStatus::Success;  // of the last extraction
  uint8_t reportId = 0;
  bool isSet = false;
  // Buttons: the usages that are set within [usageMin, usageMax], packed from
  // the start and ended by a 0 when the list is not full.
  uint16_t usageMin = 0;
  uint16_t usageMax = 0;
  std::vector<uint16_t> usages;  // size() is the capacity
  // Values.
  uint16_t usage = 0;
  uint32_t rawValue = 0;
  int32_t scaledValue = 0;
  // Where the value sits: field index in the collection and element index.
  uint32_t field = 0;
  uint32_t element = 0;
};

// Numbers the collection's input capabilities the way they are counted for
// the caps record: button capabilities and value capabilities.
struct InputCapCounts {
  uint16_t buttonCaps = 0;
  uint16_t valueCaps = 0;
};
InputCapCounts countInputCaps(const TopCollection& collection);

// Bytes buildInputItems() would take for the collection, counted without
// allocating anything.
uint64_t inputItemsFootprint(const TopCollection& collection);

// One item per input button capability, then one per usage of every input
// value capability.
std::vector<HidDataItem> buildInputItems(const TopCollection& collection);

// Fills the items whose report id equals report[0]. Returns success, or the
// status of the first value that could not be read (which stops the walk).
HidStatus unpackInput(const TopCollection& collection, const uint8_t* report, size_t length,
                      std::vector<HidDataItem>& items);

// The button usages of `usagePage` that are set in the report, in field order.
HidStatus getUsages(const TopCollection& collection, uint16_t usagePage, const uint8_t* report,
                    size_t length, std::vector<uint16_t>& usages);

}  // namespace tessel::hid
