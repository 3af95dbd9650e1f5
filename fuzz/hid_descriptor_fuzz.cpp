// Report descriptors and input reports come from devices: parse the first
// part of the input as a descriptor and unpack the rest as an input report
// for every collection it describes.
// The first byte gives the descriptor's length; 0xFF means the next two bytes
// (low byte first) do, up to 4096, the most the kernel passes on.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "device/hid/hid_input.h"
#include "device/hid/report_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t header = 1;
  size_t wanted = data[0];
  if (data[0] == 0xFF && size >= 3) {
    header = 3;
    wanted = std::min<size_t>(size_t(data[1]) | size_t(data[2]) << 8, 4096);
  }
  const size_t split = std::min<size_t>(wanted, size - header);
  const uint8_t* descriptor = data + header;
  const uint8_t* report = data + header + split;
  const size_t reportLength = size - header - split;
  tessel::hid::ReportDescriptor d;
  if (tessel::hid::parseReportDescriptor(descriptor, split, d) != tessel::hid::DescriptorError::None) return 0;
  for (const auto& c : d.collections) {
    std::vector<tessel::hid::HidDataItem> items = tessel::hid::buildInputItems(c);
    (void)tessel::hid::unpackInput(c, report, reportLength, items);
    (void)tessel::hid::countInputCaps(c);
  }
  return 0;
}
