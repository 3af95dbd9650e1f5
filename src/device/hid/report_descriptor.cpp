#include "device/hid/report_descriptor.h"

#include "device/hid/hid_input.h"

#include <algorithm>
#include <map>
#include <utility>

namespace tessel::hid {
namespace {

constexpr size_t kMaxStack = 32;          // Push depth and collection nesting
constexpr size_t kMaxLocalUsages = 4096;  // usages before one main item
constexpr uint64_t kMaxReportBits = 8u * 4096u;

struct GlobalState {
  uint32_t usagePage = 0;
  int32_t logicalMin = 0;
  int32_t logicalMax = 0;
  int32_t physicalMin = 0;
  int32_t physicalMax = 0;
  uint32_t reportSize = 0;
  uint32_t reportCount = 0;
  uint8_t reportId = 0;
  // Raw bytes of the logical/physical maxima, reread unsigned when needed.
  uint32_t logicalMaxRaw = 0;
  uint8_t logicalMaxSize = 0;
  uint32_t physicalMaxRaw = 0;
  uint8_t physicalMaxSize = 0;
};

struct LocalUsage {
  uint32_t value;
  bool extended;  // four-byte usage that names its own page
};

struct LocalState {
  std::vector<LocalUsage> usages;
  bool haveMin = false, haveMax = false;
  LocalUsage usageMin{0, false};
  LocalUsage usageMax{0, false};
  void clear() { *this = LocalState(); }
};

int32_t signExtend(uint32_t raw, uint8_t size) {
  switch (size) {
    case 1: return static_cast<int8_t>(raw & 0xFF);
    case 2: return static_cast<int16_t>(raw & 0xFFFF);
    case 4: return static_cast<int32_t>(raw);
    default: return 0;
  }
}

uint32_t resolve(const LocalUsage& u, uint32_t page) {
  return u.extended ? u.value : ((page & 0xFFFF) << 16) | (u.value & 0xFFFF);
}

// A maximum written in fewer bytes than needed (0xFF meaning 255) reads as
// negative when sign-extended; take it unsigned when it would fall below the minimum.
int32_t fixMax(int32_t min, int32_t max, uint32_t raw, uint8_t size) {
  if (max >= min || size >= 4) return max;
  return static_cast<int32_t>(raw);
}

}  // namespace

uint16_t ReportField::usagePage() const {
  if (usageRange) return static_cast<uint16_t>(usageMin >> 16);
  if (!usages.empty()) return static_cast<uint16_t>(usages.front() >> 16);
  return 0;
}

uint32_t ReportField::usageCount() const {
  if (usageRange) return usageMax >= usageMin ? usageMax - usageMin + 1 : 0;
  return static_cast<uint32_t>(usages.size());
}

uint32_t ReportField::usageAt(uint32_t index) const {
  if (usageRange) {
    uint32_t count = usageCount();
    if (count == 0) return 0;
    return usageMin + std::min(index, count - 1);
  }
  if (usages.empty()) return 0;
  return usages[std::min<size_t>(index, usages.size() - 1)];
}

bool TopCollection::ownsReportId(uint8_t id) const {
  return std::binary_search(reportIds.begin(), reportIds.end(), id);
}

bool TopCollection::hasInputReportId(uint8_t id) const {
  return std::binary_search(inputReportIds.begin(), inputReportIds.end(), id);
}

const TopCollection* ReportDescriptor::collectionForReportId(uint8_t id) const {
  for (const TopCollection& c : collections)
    if (c.ownsReportId(id)) return &c;
  return nullptr;
}

const char* descriptorErrorText(DescriptorError error) {
  switch (error) {
    case DescriptorError::None: return "no error";
    case DescriptorError::Truncated: return "item runs past the end of the descriptor";
    case DescriptorError::StackOverflow: return "too many nested collections or pushes";
    case DescriptorError::StackUnderflow: return "pop or end collection without a match";
    case DescriptorError::UnclosedCollection: return "collection not closed";
    case DescriptorError::MainItemOutsideCollection: return "data item outside any collection";
    case DescriptorError::ReportIdZero: return "report id 0";
    case DescriptorError::ReportIdShared: return "report id used by two top-level collections";
    case DescriptorError::ReportTooLong: return "report too long";
    case DescriptorError::TooManyUsages: return "too many usages";
    case DescriptorError::TooLarge: return "descriptor would take too much memory";
  }
  return "unknown error";
}

DescriptorError parseReportDescriptor(const uint8_t* data, size_t size, ReportDescriptor& out) {
  out = ReportDescriptor();
  ReportDescriptor result;
  GlobalState global;
  std::vector<GlobalState> globalStack;
  LocalState local;
  size_t depth = 0;
  TopCollection* current = nullptr;
  // Running length in bits of each (kind, report id).
  std::map<std::pair<int, uint8_t>, uint64_t> reportBits;
  // Which top-level collection owns a report id.
  std::map<uint8_t, size_t> idOwner;

  auto fail = [&](DescriptorError e) { return e; };

  size_t pos = 0;
  while (pos < size) {
    uint8_t prefix = data[pos++];
    if (prefix == 0xFE) {  // long item: size, tag, data; nothing here uses one
      if (pos + 2 > size) return fail(DescriptorError::Truncated);
      size_t len = data[pos];
      pos += 2;
      if (pos + len > size) return fail(DescriptorError::Truncated);
      pos += len;
      continue;
    }
    uint8_t itemSize = static_cast<uint8_t>(prefix & 0x03);
    if (itemSize == 3) itemSize = 4;
    uint8_t type = static_cast<uint8_t>((prefix >> 2) & 0x03);
    uint8_t tag = static_cast<uint8_t>(prefix >> 4);
    if (pos + itemSize > size) return fail(DescriptorError::Truncated);
    uint32_t raw = 0;
    for (uint8_t i = 0; i < itemSize; ++i) raw |= static_cast<uint32_t>(data[pos + i]) << (8 * i);
    pos += itemSize;
    int32_t sval = signExtend(raw, itemSize);

    if (type == 0) {  // main
      switch (tag) {
        case 0xA: {  // Collection
          if (depth >= kMaxStack) return fail(DescriptorError::StackOverflow);
          if (depth == 0) {
            TopCollection tc;
            uint32_t usage = 0;
            if (!local.usages.empty()) usage = resolve(local.usages.front(), global.usagePage);
            else if (local.haveMin) usage = resolve(local.usageMin, global.usagePage);
            tc.usagePage = static_cast<uint16_t>(usage >> 16);
            tc.usage = static_cast<uint16_t>(usage & 0xFFFF);
            result.collections.push_back(std::move(tc));
            current = &result.collections.back();
          }
          ++depth;
          break;
        }
        case 0xC:  // End Collection
          if (depth == 0) return fail(DescriptorError::StackUnderflow);
          --depth;
          if (depth == 0) current = nullptr;
          break;
        case 0x8: case 0x9: case 0xB: {  // Input, Output, Feature
          if (!current) return fail(DescriptorError::MainItemOutsideCollection);
          ReportField f;
          f.kind = tag == 0x8 ? ReportKind::Input : tag == 0x9 ? ReportKind::Output : ReportKind::Feature;
          f.reportId = global.reportId;
          f.reportSize = global.reportSize;
          f.reportCount = global.reportCount;
          f.flags = raw;
          f.logicalMin = global.logicalMin;
          f.logicalMax = fixMax(global.logicalMin, global.logicalMax, global.logicalMaxRaw, global.logicalMaxSize);
          f.physicalMin = global.physicalMin;
          f.physicalMax = fixMax(global.physicalMin, global.physicalMax, global.physicalMaxRaw, global.physicalMaxSize);
          if (local.haveMin && local.haveMax && local.usages.empty()) {
            f.usageRange = true;
            f.usageMin = resolve(local.usageMin, global.usagePage);
            f.usageMax = resolve(local.usageMax, global.usagePage);
            // A range without its own page in the maximum keeps the minimum's page.
            if (!local.usageMax.extended && local.usageMin.extended)
              f.usageMax = (f.usageMin & 0xFFFF0000u) | (local.usageMax.value & 0xFFFF);
          } else {
            for (const LocalUsage& u : local.usages) f.usages.push_back(resolve(u, global.usagePage));
          }
          uint64_t bits = static_cast<uint64_t>(f.reportSize) * f.reportCount;
          uint64_t& running = reportBits[{static_cast<int>(f.kind), f.reportId}];
          if (running + bits > kMaxReportBits) return fail(DescriptorError::ReportTooLong);
          f.bitOffset = static_cast<uint32_t>(running);
          running += bits;
          size_t owner = static_cast<size_t>(current - result.collections.data());
          auto [it, inserted] = idOwner.emplace(f.reportId, owner);
          if (!inserted && it->second != owner && result.usesReportIds)
            return fail(DescriptorError::ReportIdShared);
          current->fields.push_back(std::move(f));
          break;
        }
        default:
          break;
      }
      local.clear();
    } else if (type == 1) {  // global
      switch (tag) {
        case 0x0: global.usagePage = raw & 0xFFFF; break;
        case 0x1: global.logicalMin = sval; break;
        case 0x2: global.logicalMax = sval; global.logicalMaxRaw = raw; global.logicalMaxSize = itemSize; break;
        case 0x3: global.physicalMin = sval; break;
        case 0x4: global.physicalMax = sval; global.physicalMaxRaw = raw; global.physicalMaxSize = itemSize; break;
        case 0x7: global.reportSize = raw; break;
        case 0x8:
          if (raw == 0 || raw > 0xFF) return fail(DescriptorError::ReportIdZero);
          global.reportId = static_cast<uint8_t>(raw);
          result.usesReportIds = true;
          break;
        case 0x9: global.reportCount = raw; break;
        case 0xA:
          if (globalStack.size() >= kMaxStack) return fail(DescriptorError::StackOverflow);
          globalStack.push_back(global);
          break;
        case 0xB:
          if (globalStack.empty()) return fail(DescriptorError::StackUnderflow);
          global = globalStack.back();
          globalStack.pop_back();
          break;
        default: break;  // unit, unit exponent
      }
      if (global.reportSize > 32 && tag == 0x7) return fail(DescriptorError::ReportTooLong);
      if (tag == 0x9 && global.reportCount > kMaxReportBits) return fail(DescriptorError::ReportTooLong);
    } else if (type == 2) {  // local
      LocalUsage u{raw, itemSize == 4};
      switch (tag) {
        case 0x0:
          if (local.usages.size() >= kMaxLocalUsages) return fail(DescriptorError::TooManyUsages);
          local.usages.push_back(u);
          break;
        case 0x1: local.usageMin = u; local.haveMin = true; break;
        case 0x2: local.usageMax = u; local.haveMax = true; break;
        default: break;  // designators, strings, delimiters
      }
    }
  }
  if (depth != 0) return fail(DescriptorError::UnclosedCollection);

  // Report ids, counts and usage ranges decide how much the collections and
  // their input items take: refuse what no real device needs rather than let
  // a device (or a broken one) run the program out of memory.
  uint64_t footprint = 0;
  for (const TopCollection& c : result.collections) {
    footprint += sizeof(TopCollection) + inputItemsFootprint(c);
    for (const ReportField& f : c.fields) footprint += sizeof(ReportField) + sizeof(uint32_t) * f.usages.size();
  }
  if (footprint > kMaxInterfaceBytes) return fail(DescriptorError::TooLarge);

  for (TopCollection& c : result.collections) {
    std::map<std::pair<int, uint8_t>, bool> seen;
    for (const ReportField& f : c.fields) {
      c.reportIds.push_back(f.reportId);
      if (f.kind == ReportKind::Input) c.inputReportIds.push_back(f.reportId);
      seen[{static_cast<int>(f.kind), f.reportId}] = true;
    }
    for (auto* ids : {&c.reportIds, &c.inputReportIds}) {
      std::sort(ids->begin(), ids->end());
      ids->erase(std::unique(ids->begin(), ids->end()), ids->end());
    }
    for (const auto& [key, unused] : seen) {
      uint64_t bytes = (reportBits[key] + 7) / 8 + 1;
      uint16_t len = static_cast<uint16_t>(bytes);
      switch (static_cast<ReportKind>(key.first)) {
        case ReportKind::Input: c.inputReportLength = std::max(c.inputReportLength, len); break;
        case ReportKind::Output: c.outputReportLength = std::max(c.outputReportLength, len); break;
        case ReportKind::Feature: c.featureReportLength = std::max(c.featureReportLength, len); break;
      }
    }
  }
  out = std::move(result);
  return DescriptorError::None;
}

}  // namespace tessel::hid
