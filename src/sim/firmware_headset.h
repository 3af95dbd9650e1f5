#pragma once
// The headset's command interface ("headset"): the on-board light settings in
// its settings memory (21-byte block, read as 31 bytes at p x 31, written at
// p x 64) and the LED frames it receives as 17-byte output reports (report id
// 0xFF, byte 2 the block code 0xAA..0xAF, zone colours from byte 4).
#include <array>
#include <vector>

#include "sim/firmware_base.h"

namespace tessel::sim {

inline constexpr size_t kHeadsetLightZones = 13;
inline constexpr size_t kHeadsetProfiles = 4;

FirmwareImage headsetFactoryImage();

class HeadsetFirmware : public CommandFirmware {
 public:
  HeadsetFirmware();
  void onOutputReport(const Report& report) override;

  // Every LED output report received, oldest first (at most the last 1200).
  std::vector<Report> outputReports() const;
  size_t outputReportCount() const;

 private:
  std::vector<Report> outputs_;
  size_t outputCount_ = 0;
};

}  // namespace tessel::sim
