#pragma once
// The headset's command interface ("headset"): the on-board light settings in
// its settings memory (byte 0 the current profile; the 21-byte block of
// profile p at p x 31) and the LED frames it receives as 17-byte output
// reports (report id 0xFF, byte 1 0x22 or 0x44, byte 2 the block code
// 0xAA..0xAF, zone colours from byte 4).
//
// A frame is twelve reports in a fixed order (22 AA, 22 AD, 44 AA, 44 AD,
// 22 AB, 22 AE, 44 AB, 44 AE, 22 AC, 22 AF, 44 AC, 44 AF). The firmware takes
// a frame once all twelve came in that order with the same data under both
// prefixes; a report out of order starts over, so a frame cut short or mixed
// with another never shows.
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/firmware_base.h"

namespace tessel::sim {

inline constexpr size_t kHeadsetLightZones = 13;
inline constexpr size_t kHeadsetProfiles = 4;
inline constexpr size_t kHeadsetLedReportSize = 17;

FirmwareImage headsetFactoryImage();

// The colours of the 13 zones as one whole LED frame showed them.
struct HeadsetLedFrame {
  std::array<uint8_t, kHeadsetLightZones> red{}, green{}, blue{};
  friend bool operator==(const HeadsetLedFrame&, const HeadsetLedFrame&) = default;
};

class HeadsetFirmware : public CommandFirmware {
 public:
  HeadsetFirmware();
  void onOutputReport(const Report& report) override;

  // Every LED output report received, oldest first (at most the last 1200).
  std::vector<Report> outputReports() const;
  size_t outputReportCount() const;
  // The last whole frame, and how many whole frames came in.
  std::optional<HeadsetLedFrame> ledFrame() const;
  size_t ledFrameCount() const;
  // Reports that did not fit the frame in progress (wrong order, size or id,
  // or 0x44 data other than the 0x22 data).
  size_t strayLedReports() const;

 private:
  void takeLedReportLocked(const Report& report);

  std::vector<Report> outputs_;
  size_t outputCount_ = 0;
  size_t nextInFrame_ = 0;  // which of the twelve reports is expected next
  std::array<std::array<uint8_t, 7>, 12> pending_{};
  std::optional<HeadsetLedFrame> frame_;
  size_t frames_ = 0;
  size_t stray_ = 0;
};

}  // namespace tessel::sim
