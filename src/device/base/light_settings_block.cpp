#include "device/base/light_settings_block.h"

#include <algorithm>

namespace tessel {

using namespace light_block;

namespace {
uint8_t level(uint8_t v) { return std::min(v, kLevelMax); }
}  // namespace

uint8_t boundedProfile(uint8_t currentProfile, uint8_t profileCount) {
  return currentProfile < profileCount ? currentProfile : 0;
}

LightSettingsBlock decodeLightSettingsBlock(std::span<const uint8_t, kLightBlockReadSize> read, uint8_t profile,
                                            std::span<const uint8_t> modeCodes) {
  LightSettingsBlock block;
  std::copy_n(read.begin(), kLightBlockSize, block.image.begin());
  block.byte0AsRead = read[kProfile];
  block.image[kProfile] = profile;
  block.profile = profile;
  block.read = true;
  const auto at = std::find(modeCodes.begin(), modeCodes.end(), read[kMode]);
  if (at != modeCodes.end()) block.image[kMode] = static_cast<uint8_t>(at - modeCodes.begin());
  block.image[kBrightness] = level(read[kBrightness]);
  block.image[kSpeed] = static_cast<uint8_t>(kLevelMax - level(read[kSpeed]));
  return block;
}

void refreshLightSettingsImage(LightBlockBytes& image, const LightRecord& record) {
  image[kMode] = record.selectItem;
  image[kBrightness] = level(record.light);
  image[kSpeed] = level(record.speed);
  image[kMultiColour] = record.multiColor;
  image[kRed] = record.red;
  image[kGreen] = record.green;
  image[kBlue] = record.blue;
}

LightRecord lightRecordOfImage(const LightBlockBytes& image, LightRecord base) {
  base.selectItem = image[kMode];
  base.light = level(image[kBrightness]);
  base.speed = level(image[kSpeed]);
  base.multiColor = image[kMultiColour];
  base.red = image[kRed];
  base.green = image[kGreen];
  base.blue = image[kBlue];
  return base;
}

LightBlockBytes encodeLightSettingsBlock(const LightSettingsBlock& block, uint8_t selectItem,
                                         std::span<const uint8_t> modeCodes) {
  LightBlockBytes out = block.image;
  out[kProfile] = block.byte0AsRead;
  if (modeCodes.empty()) out[kMode] = selectItem;
  else out[kMode] = modeCodes[selectItem < modeCodes.size() ? selectItem : 0];
  out[kBrightness] = level(out[kBrightness]);
  out[kSpeed] = static_cast<uint8_t>(kLevelMax - level(out[kSpeed]));
  return out;
}

}  // namespace tessel
