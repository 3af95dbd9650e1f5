#include "sim/firmware_mouse.h"

namespace tessel::sim {

namespace {

// Default function codes of the physical slots. The slot order is the
// switch matrix order, not the page's button order: back comes before
// forward, and the stage keys start with the loop key.
constexpr uint8_t kSlots[kMouseKeySlots][3] = {
    {0x10, 0x01, 0x00},  // left
    {0x10, 0x02, 0x00},  // right
    {0x10, 0x04, 0x00},  // middle
    {0x10, 0x08, 0x00},  // back
    {0x10, 0x10, 0x00},  // forward
    {0x13, 0x03, 0x00},  // stage loop
    {0x13, 0x01, 0x00},  // stage up
    {0x13, 0x02, 0x00},  // stage down
    {0x14, 0x78, 0x02},  // fire key
    {0xA0, 0x1B, 0x00},  // game mode
    {0x16, 0x90, 0x01},  // stage shift
};

void put16(std::vector<uint8_t>& v, size_t at, uint16_t value) {
  v[at] = static_cast<uint8_t>(value & 0xFF);
  v[at + 1] = static_cast<uint8_t>(value >> 8);
}

}  // namespace

FirmwareImage mouseFactoryImage(bool throughReceiver) {
  FirmwareImage img;
  img.productName = throughReceiver ? "mouse-receiver" : "mouse";
  auto& id = img.identity;
  fillIdentityHead(img, {static_cast<uint16_t>(throughReceiver ? 0x7C20 : 0x7C1F), {1, 4},
                         static_cast<uint8_t>(throughReceiver ? 6 : 2), kMouseKeySlots, kMouseMacroUnits,
                         kMouseProfiles, kMouseLightZones});
  id[9] = kMouseSensor & 0xFF;
  id[10] = kMouseSensor >> 8;
  id[11] = kMouseDpiStep;
  id[12] = kMouseHighestIndex & 0xFF;
  id[13] = kMouseHighestIndex >> 8;
  id[14] = kMouseLowestDpi & 0xFF;
  id[15] = kMouseLowestDpi >> 8;

  img.settings.assign(kMouseProfiles * kMouseProfileStride, 0);
  // Stages of 800, 1600, 2400, 3200 and 4800 DPI (index = (DPI - 200) / 100).
  constexpr uint16_t kStageIndex[5] = {6, 14, 22, 30, 46};
  constexpr uint8_t kStageColour[5][3] = {
      {0xFF, 0x00, 0x00}, {0x00, 0xFF, 0x00}, {0x00, 0x00, 0xFF}, {0xFF, 0xFF, 0x00}, {0xFF, 0x00, 0xFF}};
  for (size_t p = 0; p < kMouseProfiles; ++p) {
    const size_t b = p * kMouseProfileStride;
    auto& s = img.settings;
    s[b + 1] = 1;                       // light mode code
    s[b + 2] = 3;                       // brightness
    s[b + 3] = 2;                       // 4 - speed
    s[b + 4] = 0;                       // direction
    s[b + 5] = p == 0 ? 1 : 0;          // seven-colour flag
    s[b + 6] = 0x00;
    s[b + 7] = 0x80;
    s[b + 8] = 0xFF;
    s[b + 11] = 3;                      // polling-rate index
    s[b + 12] = 1;                      // active stage
    for (size_t i = 0; i < 5; ++i) {
      const size_t st = b + 14 + 9 * i;
      s[st] = 1;
      s[st + 1] = 0;
      put16(s, st + 2, kStageIndex[i]);
      put16(s, st + 4, kStageIndex[i]);
      s[st + 6] = kStageColour[i][0];
      s[st + 7] = kStageColour[i][1];
      s[st + 8] = kStageColour[i][2];
    }
    s[b + 59] = 1;
    put16(s, b + 60, 1920);
    put16(s, b + 62, 1080);
    s[b + 64] = kMouseSurfaceMinSq;     // the selected surface preset
    s[b + 65] = kMouseSurfacePixThresh;
  }
  img.settings[0] = 0;  // active on-board profile

  for (const auto& slot : kSlots) img.defaultKeyTable.insert(img.defaultKeyTable.end(), slot, slot + 3);
  img.readsStoredKeyTable = true;
  // The mouse's zones are addressed by zone number; its "LED table" is the identity map.
  for (uint8_t k = 0; k < kMouseKeySlots; ++k) img.ledTable.push_back(k);
  img.liveFrameSize = 512;
  img.recoilSize = 4096;
  img.status = {85, 0, 0, 0, 0, 0};
  return img;
}

MouseFirmware::MouseFirmware(bool throughReceiver)
    : CommandFirmware(mouseFactoryImage(throughReceiver), throughReceiver) {}

}  // namespace tessel::sim
