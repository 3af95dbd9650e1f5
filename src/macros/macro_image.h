#pragma once
// The macro memory image a mouse or keyboard plays its macros from, and the
// list of macros the buttons are bound to.
//
//   0  u16 magic 0x55AA (AA 55)      2  u16 total length
//   4  u16 macro count n             6  10 reserved zero bytes
//   16 n x u16 block offsets         16+2n blocks, in slot order
//   block: u16 event count e, 2 reserved bytes, e x 4-byte events
//   event: u16 delay, action byte (bit 7 press, bits 0..6 type), button
//
// All multi-byte fields are little-endian. Totals are computed in 32 bits: the
// length field is 16 bits wide, and a wrapped length would make the device
// read the wrong blocks.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "config/document_records.h"
#include "macros/macro_model.h"

namespace tessel::macros {

inline constexpr uint16_t kImageMagic = 0x55AA;
inline constexpr size_t kImageHeaderSize = 16;
inline constexpr size_t kBlockHeaderSize = 4;
inline constexpr size_t kEncodedEventSize = 4;
inline constexpr uint32_t kCapacityUnit = 128;  // identity byte 6 counts these
inline constexpr size_t kIdentityCapacityByte = 6;
inline constexpr uint32_t kMaxImageLength = 0xFFFF;

std::array<uint8_t, 4> encodeEvent(const MacroEvent& e);

// 16 + 6n + 4 x (sum of event counts), in 64 bits so nothing wraps.
uint64_t macroImageLength(std::span<const size_t> eventCounts);

// Capacity in bytes from the identity block's byte 6.
inline uint32_t macroCapacity(uint8_t capacityByte) { return uint32_t{capacityByte} * kCapacityUnit; }

struct MacroImage {
  enum class Status {
    Empty,     // nothing to write
    Ok,        // bytes hold the image
    TooLarge,  // does not fit the device (or the 16-bit length); exceedUnits set
  };
  Status status = Status::Empty;
  std::vector<uint8_t> bytes;
  uint64_t length = 0;
  // One more than the number of 4-byte units by which the image exceeds the
  // capacity (the number shown to the user); 0 unless TooLarge.
  uint32_t exceedUnits = 0;
};

// Builds the image for the macros in slot order, checked against the device's
// capacity byte. Nothing is built when it does not fit.
MacroImage buildMacroImage(std::span<const std::vector<MacroEvent>> macros, uint8_t capacityByte);
// The same layout checked against a capacity in bytes (the recoil image has no
// memory size to respect, only the 16-bit length: it passes kMaxImageLength).
MacroImage buildMacroImageWithin(std::span<const std::vector<MacroEvent>> macros, uint64_t capacity);

// One key position in walking order: the map entry (255 = the position has no
// device key) and its assignment and default assignment.
inline constexpr uint8_t kNoDeviceKey = 255;
struct KeyPosition {
  uint8_t mapEntry = 0;
  FunctionCode assignment;
  FunctionCode defaultAssignment;
};

bool isMacroBinding(const FunctionCode& code);

// The download list: macro indices below libraryCount in order of first use.
std::vector<uint8_t> listBoundMacros(std::span<const KeyPosition> positions, size_t libraryCount);

// The assignments as sent to the device, one per position: a macro binding
// carries the device slot of its macro (its place in the download list); a
// binding to a macro index the library does not have becomes the position's
// default. Other codes are unchanged.
std::vector<FunctionCode> deviceAssignments(std::span<const KeyPosition> positions, size_t libraryCount);

}  // namespace tessel::macros
