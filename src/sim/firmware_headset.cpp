#include "sim/firmware_headset.h"

namespace tessel::sim {

FirmwareImage headsetFactoryImage() {
  FirmwareImage img;
  img.productName = "headset";
  fillIdentityHead(img, {0x1630, {1, 2}, 7, 0, 0, kHeadsetProfiles, kHeadsetLightZones});
  img.settings.assign(kHeadsetProfiles * 64, 0);
  img.settings[1] = 2;     // light mode code
  img.settings[2] = 3;     // brightness
  img.settings[3] = 1;     // 4 - speed
  img.settings[6] = 0x40;
  img.settings[7] = 0x00;
  img.settings[8] = 0xFF;
  img.liveFrameSize = 0;
  img.recoilSize = 0;
  img.status = {100, 0, 0, 0, 0, 0};
  return img;
}

HeadsetFirmware::HeadsetFirmware() : CommandFirmware(headsetFactoryImage(), false) {}

void HeadsetFirmware::onOutputReport(const Report& report) {
  std::lock_guard lock(mutex_);
  ++outputCount_;
  if (outputs_.size() >= 1200) outputs_.erase(outputs_.begin(), outputs_.begin() + 600);
  outputs_.push_back(report);
}

std::vector<Report> HeadsetFirmware::outputReports() const {
  std::lock_guard lock(mutex_);
  return outputs_;
}

size_t HeadsetFirmware::outputReportCount() const {
  std::lock_guard lock(mutex_);
  return outputCount_;
}

}  // namespace tessel::sim
