#pragma once
// HID report-descriptor parser: short and long items, the global state stack,
// nested collections, report ids, usage pages, usages and usage ranges,
// report sizes and counts, logical and physical ranges. It yields the
// top-level collections of an interface with their usage page and usage,
// their report ids and report lengths, and every data field (Input, Output,
// Feature main item) with its place in its report.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tessel::hid {

enum class ReportKind : uint8_t { Input, Output, Feature };

// Main item data bits.
inline constexpr uint32_t kFieldConstant = 0x01;  // padding, no usages
inline constexpr uint32_t kFieldVariable = 0x02;  // clear: array
inline constexpr uint32_t kFieldRelative = 0x04;
inline constexpr uint32_t kFieldNullState = 0x40;

// One Input, Output or Feature main item.
struct ReportField {
  ReportKind kind = ReportKind::Input;
  uint8_t reportId = 0;     // 0 when the interface uses no report ids
  uint32_t bitOffset = 0;   // first bit after the report id byte
  uint32_t reportSize = 0;  // bits per element
  uint32_t reportCount = 0;
  uint32_t flags = 0;
  int32_t logicalMin = 0;
  int32_t logicalMax = 0;
  int32_t physicalMin = 0;
  int32_t physicalMax = 0;
  // Usages as (page << 16 | id): a list, or a range when usageRange is set.
  std::vector<uint32_t> usages;
  bool usageRange = false;
  uint32_t usageMin = 0;
  uint32_t usageMax = 0;

  bool isConstant() const { return (flags & kFieldConstant) != 0; }
  bool isVariable() const { return (flags & kFieldVariable) != 0; }
  bool isArray() const { return !isVariable(); }
  // A button: an array, or a variable of one-bit elements.
  bool isButton() const { return isArray() || reportSize == 1; }
  uint16_t usagePage() const;
  // Usage of element `index` of a variable field, or of array index `index`
  // (the last usage of a list repeats). 0 when the field has no usages.
  uint32_t usageAt(uint32_t index) const;
  uint32_t usageCount() const;
};

struct TopCollection {
  uint16_t usagePage = 0;
  uint16_t usage = 0;
  std::vector<uint8_t> reportIds;       // every report id used inside, sorted
  std::vector<uint8_t> inputReportIds;  // the ids of its input reports, sorted
  // Longest report of each kind in bytes, the report id byte included (a
  // leading 0 when the interface uses no report ids); 0 when there is none.
  uint16_t inputReportLength = 0;
  uint16_t outputReportLength = 0;
  uint16_t featureReportLength = 0;
  std::vector<ReportField> fields;

  bool ownsReportId(uint8_t id) const;
  bool hasInputReportId(uint8_t id) const;
};

struct ReportDescriptor {
  bool usesReportIds = false;
  std::vector<TopCollection> collections;  // in descriptor order
  // The top-level collection that uses `id`, or nullptr.
  const TopCollection* collectionForReportId(uint8_t id) const;
};

enum class DescriptorError {
  None,
  Truncated,             // an item runs past the end
  StackOverflow,         // too many Push or nested collections
  StackUnderflow,        // Pop without Push, End Collection without Collection
  UnclosedCollection,
  MainItemOutsideCollection,
  ReportIdZero,
  ReportIdShared,        // one report id in two top-level collections
  ReportTooLong,
  TooManyUsages,
  TooLarge,              // its collections would take more memory than any device needs
};

// The most memory the parsed form of one interface and its input items may
// take; a descriptor asking for more is refused.
inline constexpr uint64_t kMaxInterfaceBytes = 4u << 20;

const char* descriptorErrorText(DescriptorError error);

// Parses `size` bytes. On failure `out` is left empty.
DescriptorError parseReportDescriptor(const uint8_t* data, size_t size, ReportDescriptor& out);
inline DescriptorError parseReportDescriptor(const std::vector<uint8_t>& data, ReportDescriptor& out) {
  return parseReportDescriptor(data.data(), data.size(), out);
}

}  // namespace tessel::hid
