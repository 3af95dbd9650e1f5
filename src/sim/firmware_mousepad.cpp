#include "sim/firmware_mousepad.h"

namespace tessel::sim {

FirmwareImage mousepadFactoryImage() {
  FirmwareImage img;
  img.productName = "mousepad";
  fillIdentityHead(img, {0x1004, {1, 0}, 3, 0, 0, kMousepadProfiles, kMousepadLightZones});
  img.settings.assign(kMousepadProfiles * 64, 0);
  for (size_t p = 0; p < kMousepadProfiles; ++p) {
    uint8_t* b = img.settings.data() + p * kMousepadBlockStride;
    b[0] = static_cast<uint8_t>(p);  // block 0: the current profile (0)
    b[1] = 3;     // light mode code
    b[2] = 4;     // brightness
    b[3] = 2;     // 4 - speed
    b[4] = 1;     // the pad's edge light on
    b[5] = 1;     // multi-colour
    b[6] = 0x00;
    b[7] = 0xFF;
    b[8] = 0x80;
    for (size_t i = 9; i <= 20; ++i) b[i] = static_cast<uint8_t>(0x40 + i);  // surface calibration
  }
  img.liveFrameSize = 512;
  img.recoilSize = 0;
  img.status = {0, 0, 0, 0, 0, 1};  // an iPhone on the charging area
  return img;
}

MousepadFirmware::MousepadFirmware() : CommandFirmware(mousepadFactoryImage(), false) {}

}  // namespace tessel::sim
