#include "sim/firmware_mousepad.h"

namespace tessel::sim {

FirmwareImage mousepadFactoryImage() {
  FirmwareImage img;
  img.productName = "mousepad";
  fillIdentityHead(img, {0x1004, {1, 0}, 3, 0, 0, kMousepadProfiles, kMousepadLightZones});
  img.settings.assign(kMousepadProfiles * 64, 0);
  img.settings[1] = 3;     // light mode code
  img.settings[2] = 4;     // brightness
  img.settings[3] = 2;     // 4 - speed
  img.settings[5] = 1;     // multi-colour
  img.settings[6] = 0x00;
  img.settings[7] = 0xFF;
  img.settings[8] = 0x80;
  img.liveFrameSize = 512;
  img.recoilSize = 0;
  img.status = {0, 0, 0, 0, 0, 1};  // an iPhone on the charging area
  return img;
}

MousepadFirmware::MousepadFirmware() : CommandFirmware(mousepadFactoryImage(), false) {}

}  // namespace tessel::sim
