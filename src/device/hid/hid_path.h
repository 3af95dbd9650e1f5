#pragma once
// Device path markers. A path is an opaque string such as
//   "/dev/hidraw3#vid_320f&pid_7c1f&mi_01&col04"
// The numbers after "vid_", "pid_", "&mi_" and "&col" are hexadecimal; the
// markers are found ignoring case; a missing marker (or no digits after it)
// reads as 0 and only the low 16 bits of a number are kept.
#include <cstdint>
#include <string>
#include <string_view>

namespace tessel::hid {

// The hexadecimal number right after the first case-insensitive `marker`.
uint16_t pathNumber(std::string_view path, std::string_view marker);

uint16_t pathVendorId(std::string_view path);          // "vid_"
uint16_t pathProductId(std::string_view path);         // "pid_"
uint16_t pathInterfaceNumber(std::string_view path);   // "&mi_"
uint16_t pathCollectionNumber(std::string_view path);  // "&col"

// Builds a path: node + "#vid_xxxx&pid_xxxx&mi_xx" and "&colxx" when
// collection is not 0 (interfaces with a single collection carry no "&col").
std::string makeDevicePath(std::string_view node, uint16_t vendorId, uint16_t productId,
                           uint16_t interfaceNumber, uint16_t collection);

// The node part of a path (before '#'), e.g. "/dev/hidraw3".
std::string_view pathNode(std::string_view path);

}  // namespace tessel::hid
