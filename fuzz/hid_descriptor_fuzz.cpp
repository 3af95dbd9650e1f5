// Report descriptors and input reports come from devices: parse the first
// part of the input as a descriptor and unpack the rest as an input report
// for every collection it describes.
#include <cstdint>
#include <vector>

#include "device/hid/hid_input.h"
#include "device/hid/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t split = std::min<size_t>(data[0], size - 1);
  const uint8_t* descriptor = data + 1;
  const uint8_t* report = data + 1 + split;
  const size_t reportLength = size - 1 - split;
  tessel::hid::ReportDescriptor d;
  if (tessel::hid::parseReportDescriptor(descriptor, split, d) != tessel::hid::DescriptorError::None) return 0;
  for (const auto& c : d.collections) {
    std::vector<tessel::hid::HidDataItem> items = tessel::hid::buildInputItems(c);
    (void)tessel::hid::unpackInput(c, report, reportLength, items);
    (void)tessel::hid::countInputCaps(c);
  }
  return 0;
}
