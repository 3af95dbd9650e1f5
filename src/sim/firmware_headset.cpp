#include "sim/firmware_headset.h"

namespace tessel::sim {

namespace {

// The twelve reports of a frame in their order: prefix and block code.
constexpr uint8_t kFrameOrder[12][2] = {{0x22, 0xAA}, {0x22, 0xAD}, {0x44, 0xAA}, {0x44, 0xAD},
                                        {0x22, 0xAB}, {0x22, 0xAE}, {0x44, 0xAB}, {0x44, 0xAE},
                                        {0x22, 0xAC}, {0x22, 0xAF}, {0x44, 0xAC}, {0x44, 0xAF}};
constexpr size_t kDataStart = 4;

}  // namespace

FirmwareImage headsetFactoryImage() {
  FirmwareImage img;
  img.productName = "headset";
  fillIdentityHead(img, {0x1630, {1, 2}, 7, 0, 0, kHeadsetProfiles, kHeadsetLightZones});
  img.settings.assign(kHeadsetProfiles * 64, 0);
  // Profile p's block at p x 31: mode code, brightness, 4 - speed, the
  // headset's own byte 4, multi-colour, red, green, blue.
  for (size_t p = 0; p < kHeadsetProfiles; ++p) {
    const size_t at = p * 31;
    img.settings[at + 1] = 2;     // light mode code
    img.settings[at + 2] = 3;     // brightness
    img.settings[at + 3] = 1;     // 4 - speed
    img.settings[at + 4] = 0x5A;  // the headset's own
    img.settings[at + 6] = 0x40;
    img.settings[at + 7] = 0x00;
    img.settings[at + 8] = 0xFF;
    img.settings[at + 20] = 0xA5;  // the headset's own
  }
  img.settings[0] = 0;  // current profile
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
  takeLedReportLocked(report);
}

void HeadsetFirmware::takeLedReportLocked(const Report& report) {
  const auto fits = [&](size_t i) {
    return report.size() == kHeadsetLedReportSize && report[0] == 0xFF && report[1] == kFrameOrder[i][0] &&
           report[2] == kFrameOrder[i][1];
  };
  if (!fits(nextInFrame_)) {
    ++stray_;
    // A report that opens a frame starts one over.
    nextInFrame_ = 0;
    if (!fits(0)) return;
  }
  const size_t i = nextInFrame_;
  std::copy_n(report.begin() + kDataStart, 7, pending_[i].begin());
  // The 0x44 reports repeat the 0x22 report two places before them.
  if (report[1] == 0x44 && pending_[i] != pending_[i - 2]) {
    ++stray_;
    nextInFrame_ = 0;
    return;
  }
  if (++nextInFrame_ < 12) return;
  nextInFrame_ = 0;
  HeadsetLedFrame f;
  std::array<std::array<uint8_t, kHeadsetLightZones>*, 3> channels{&f.red, &f.green, &f.blue};
  for (size_t c = 0; c < 3; ++c) {
    const auto& first = pending_[c * 4];       // 22 AA / AB / AC: zones 0-6
    const auto& second = pending_[c * 4 + 1];  // 22 AD / AE / AF: zones 7-12
    std::copy_n(first.begin(), 7, channels[c]->begin());
    std::copy_n(second.begin(), 6, channels[c]->begin() + 7);
  }
  frame_ = f;
  ++frames_;
}

std::vector<Report> HeadsetFirmware::outputReports() const {
  std::lock_guard lock(mutex_);
  return outputs_;
}

size_t HeadsetFirmware::outputReportCount() const {
  std::lock_guard lock(mutex_);
  return outputCount_;
}

std::optional<HeadsetLedFrame> HeadsetFirmware::ledFrame() const {
  std::lock_guard lock(mutex_);
  return frame_;
}

size_t HeadsetFirmware::ledFrameCount() const {
  std::lock_guard lock(mutex_);
  return frames_;
}

size_t HeadsetFirmware::strayLedReports() const {
  std::lock_guard lock(mutex_);
  return stray_;
}

}  // namespace tessel::sim
