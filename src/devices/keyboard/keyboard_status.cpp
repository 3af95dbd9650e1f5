#include "devices/keyboard/keyboard_status.h"

#include "device/base/usb_device_controller.h"
#include "devices/keyboard/keyboard_controller.h"

namespace tessel::keyboard {

std::optional<StatusReport> decodeStatusUsage(uint16_t usage, int profileCount) {
  if (usage == kUsageSettingsChanged) return StatusReport{};
  if (usage == kUsageProfileListChanged) return StatusReport{StatusReport::Kind::ProfileListChanged, 0, {}};
  const unsigned high = usage >> 8;
  if (high != kUsageProfileHigh && high != kUsageProfileByte17High) return std::nullopt;
  StatusReport r{StatusReport::Kind::Profile, static_cast<uint8_t>(usage & 0x0F), {}};
  if (high == kUsageProfileByte17High) r.byte17 = static_cast<uint8_t>((usage >> 4) & 0x0F);
  // A profile the keyboard does not have would address memory past its blocks.
  if (profileCount < 1) profileCount = 1;
  if (r.profile >= profileCount) return std::nullopt;
  return r;
}

}  // namespace tessel::keyboard

namespace tessel {

using namespace keyboard;

// The reader threads' usages (0x0401 comes through the base's handler).
void KeyboardController::inputUsageFrom(uint16_t usage, bool /*receiver*/) {
  const std::optional<StatusReport> report = decodeStatusUsage(usage, profileCount());
  if (!report) return;
  switch (report->kind) {
    case StatusReport::Kind::ProfileListChanged:
      profileListChanged_.store(true);
      [[fallthrough]];
    case StatusReport::Kind::Resync:
      postToUi([this] {
        if (listener_.resyncRequested) listener_.resyncRequested();
        else requestDeviceChanged();
      });
      return;
    case StatusReport::Kind::Profile:
      if (!isConnected()) return;
      // The images and the page belong to the UI thread's side: post it.
      postToUi([this, r = *report] { handleStatusReport(r); });
      return;
  }
}

void KeyboardController::handleStatusReport(StatusReport report) {
  // Acted on only while the keyboard is there to be written back to.
  if (!isConnected()) return;
  {
    std::lock_guard lock(imagesMutex_);
    images_.profile = report.profile;
    // Shown at once; the next write reads the new profile's own block first
    // and puts the reported byte 17 into it.
    if (report.byte17) {
      images_.reportedByte17 = report.byte17;
      if (images_.block) (*images_.block)[kStatusByte] = *report.byte17;
    }
  }
  if (listener_.profileReported) listener_.profileReported(report.profile);
  applyConfiguration();
}

}  // namespace tessel
