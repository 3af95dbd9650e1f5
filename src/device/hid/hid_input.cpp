#include "device/hid/hid_input.h"

#include <algorithm>
#include <map>

namespace tessel::hid {
namespace {

// Button capabilities: one per usage range, or per usage of a list.
template <typename Fn>
void forEachButtonCap(const TopCollection& c, Fn fn) {
  for (uint32_t i = 0; i < c.fields.size(); ++i) {
    const ReportField& f = c.fields[i];
    if (f.kind != ReportKind::Input || f.isConstant() || !f.isButton()) continue;
    if (f.usageRange) {
      fn(f, f.usageMin, f.usageMax);
    } else {
      for (uint32_t u : f.usages) fn(f, u, u);
    }
  }
}

// Data bits of one element; report[0] is the report id byte.
uint32_t extract(const uint8_t* report, size_t length, uint32_t bitOffset, uint32_t bits) {
  uint32_t value = 0;
  for (uint32_t b = 0; b < bits; ++b) {
    uint32_t bit = bitOffset + b;
    size_t byte = 1 + bit / 8;
    if (byte >= length) break;
    if (report[byte] & (1u << (bit % 8))) value |= 1u << b;
  }
  return value;
}

int32_t asSigned(uint32_t raw, uint32_t bits) {
  if (bits == 0 || bits >= 32) return static_cast<int32_t>(raw);
  uint32_t sign = 1u << (bits - 1);
  return static_cast<int32_t>((raw ^ sign) - sign);
}

size_t reportBytes(const TopCollection& c, uint8_t id) {
  uint64_t bits = 0;
  for (const ReportField& f : c.fields)
    if (f.kind == ReportKind::Input && f.reportId == id)
      bits = std::max<uint64_t>(bits, uint64_t(f.bitOffset) + uint64_t(f.reportSize) * f.reportCount);
  return static_cast<size_t>((bits + 7) / 8 + 1);
}

// Largest number of usages of one page the collection's buttons can report at once.
size_t maxUsageListLength(const TopCollection& c, uint16_t page) {
  size_t n = 0;
  for (const ReportField& f : c.fields)
    if (f.kind == ReportKind::Input && !f.isConstant() && f.isButton() && f.usagePage() == page)
      n += f.isArray() ? f.reportCount : std::min(f.reportCount, std::max<uint32_t>(f.usageCount(), 1));
  return n;
}

}  // namespace

InputCapCounts countInputCaps(const TopCollection& c) {
  InputCapCounts counts;
  forEachButtonCap(c, [&](const ReportField&, uint32_t, uint32_t) { ++counts.buttonCaps; });
  for (const ReportField& f : c.fields)
    if (f.kind == ReportKind::Input && !f.isConstant() && !f.isButton()) ++counts.valueCaps;
  return counts;
}

uint64_t inputItemsFootprint(const TopCollection& c) {
  std::map<uint16_t, uint64_t> listLength;  // per usage page, as maxUsageListLength()
  for (const ReportField& f : c.fields)
    if (f.kind == ReportKind::Input && !f.isConstant() && f.isButton())
      listLength[f.usagePage()] +=
          f.isArray() ? f.reportCount : std::min(f.reportCount, std::max<uint32_t>(f.usageCount(), 1));
  uint64_t bytes = 0;
  forEachButtonCap(c, [&](const ReportField&, uint32_t min, uint32_t) {
    bytes += sizeof(HidDataItem) + sizeof(uint16_t) * listLength[static_cast<uint16_t>(min >> 16)];
  });
  for (const ReportField& f : c.fields)
    if (f.kind == ReportKind::Input && !f.isConstant() && !f.isButton())
      bytes += sizeof(HidDataItem) * std::max<uint64_t>(1, std::min(f.usageCount(), f.reportCount));
  return bytes;
}

std::vector<HidDataItem> buildInputItems(const TopCollection& c) {
  std::vector<HidDataItem> items;
  forEachButtonCap(c, [&](const ReportField& f, uint32_t min, uint32_t max) {
    HidDataItem item;
    item.isButton = true;
    item.usagePage = static_cast<uint16_t>(min >> 16);
    item.reportId = f.reportId;
    item.usageMin = static_cast<uint16_t>(min & 0xFFFF);
    item.usageMax = static_cast<uint16_t>(max & 0xFFFF);
    item.usages.assign(maxUsageListLength(c, item.usagePage), 0);
    items.push_back(std::move(item));
  });
  for (uint32_t i = 0; i < c.fields.size(); ++i) {
    const ReportField& f = c.fields[i];
    if (f.kind != ReportKind::Input || f.isConstant() || f.isButton()) continue;
    uint32_t n = std::max<uint32_t>(1, std::min(f.usageCount(), f.reportCount));
    for (uint32_t k = 0; k < n; ++k) {
      HidDataItem item;
      uint32_t u = f.usageAt(k);
      item.usagePage = static_cast<uint16_t>(u >> 16);
      item.usage = static_cast<uint16_t>(u & 0xFFFF);
      item.reportId = f.reportId;
      item.field = i;
      item.element = k;
      items.push_back(std::move(item));
    }
  }
  return items;
}

HidStatus getUsages(const TopCollection& c, uint16_t page, const uint8_t* report, size_t length,
                    std::vector<uint16_t>& usages) {
  usages.clear();
  if (length == 0 || !report) return HidStatus::InvalidReportLength;
  uint8_t id = report[0];
  if (!c.hasInputReportId(id)) return HidStatus::IncompatibleReportId;
  if (length < reportBytes(c, id)) return HidStatus::InvalidReportLength;
  bool found = false;
  for (const ReportField& f : c.fields) {
    if (f.kind != ReportKind::Input || f.reportId != id || f.isConstant() || !f.isButton()) continue;
    if (f.usagePage() != page) continue;
    found = true;
    for (uint32_t e = 0; e < f.reportCount; ++e) {
      uint32_t v = extract(report, length, f.bitOffset + e * f.reportSize, f.reportSize);
      uint32_t usage = 0;
      if (f.isArray()) {
        int64_t sv = f.logicalMin < 0 ? asSigned(v, f.reportSize) : static_cast<int64_t>(v);
        if (sv < f.logicalMin || sv > f.logicalMax) continue;
        uint32_t index = static_cast<uint32_t>(sv - f.logicalMin);
        if (index >= f.usageCount()) continue;
        usage = f.usageAt(index);
      } else {
        if (v == 0 || e >= std::max<uint32_t>(f.usageCount(), 1)) continue;
        usage = f.usageAt(e);
      }
      if ((usage & 0xFFFF) != 0) usages.push_back(static_cast<uint16_t>(usage & 0xFFFF));
    }
  }
  return found ? HidStatus::Success : HidStatus::UsageNotFound;
}

HidStatus unpackInput(const TopCollection& c, const uint8_t* report, size_t length,
                      std::vector<HidDataItem>& items) {
  if (length == 0 || !report) return HidStatus::InvalidReportLength;
  uint8_t id = report[0];
  HidStatus first = HidStatus::Success;
  std::vector<uint16_t> set;
  for (HidDataItem& item : items) {
    if (item.reportId != id) continue;
    if (item.isButton) {
      std::fill(item.usages.begin(), item.usages.end(), 0);
      HidStatus s = getUsages(c, item.usagePage, report, length, set);
      size_t n = 0;
      if (s == HidStatus::Success) {
        for (uint16_t u : set) {
          if (u < item.usageMin || u > item.usageMax) continue;
          if (n == item.usages.size()) { s = HidStatus::BufferTooSmall; break; }
          item.usages[n++] = u;
        }
      }
      item.status = s;
      if (s != HidStatus::Success && first == HidStatus::Success) first = s;
    } else {
      if (item.field >= c.fields.size()) return HidStatus::UsageNotFound;
      const ReportField& f = c.fields[item.field];
      size_t need = (uint64_t(f.bitOffset) + uint64_t(f.reportSize) * f.reportCount + 7) / 8 + 1;
      if (length < need) {
        item.status = HidStatus::InvalidReportLength;
        return item.status;
      }
      item.rawValue = extract(report, length, f.bitOffset + item.element * f.reportSize, f.reportSize);
      // Scaled value: the raw value mapped from the logical onto the physical range.
      int64_t logical = f.logicalMin < 0 ? asSigned(item.rawValue, f.reportSize) : int64_t(item.rawValue);
      int64_t pmin = f.physicalMin, pmax = f.physicalMax;
      if (pmin == 0 && pmax == 0) { pmin = f.logicalMin; pmax = f.logicalMax; }
      if (f.logicalMin >= f.logicalMax || pmin >= pmax) {
        item.status = HidStatus::BadLogPhyValues;
        item.scaledValue = 0;
      } else if (logical < f.logicalMin || logical > f.logicalMax) {
        item.status = HidStatus::Null;
        item.scaledValue = 0;
      } else {
        item.scaledValue = static_cast<int32_t>(
            pmin + (logical - f.logicalMin) * (pmax - pmin) / (int64_t(f.logicalMax) - f.logicalMin));
        item.status = HidStatus::Success;
      }
    }
    item.isSet = true;
  }
  return first;
}

}  // namespace tessel::hid
