#include "device/base/light_settings_transfer.h"

#include <array>

namespace tessel {

ResultCode readLightSettingsBlock(transport::CommandTransport& transport, uint8_t profileCount,
                                  std::span<const uint8_t> modeCodes, LightSettingsBlock& block,
                                  uint8_t* rawProfile) {
  std::array<uint8_t, 1> current{};
  ResultCode r = transport.readSettings(current, 0);
  if (r != ResultCode::Success) return r;
  if (rawProfile) *rawProfile = current[0];
  // A profile byte past the device's profiles would address another block.
  const uint8_t profile = boundedProfile(current[0], profileCount);
  std::array<uint8_t, kLightBlockReadSize> bytes{};
  r = transport.readSettings(bytes, lightBlockOffset(profile));
  if (r != ResultCode::Success) return r;
  block = decodeLightSettingsBlock(bytes, profile, modeCodes);
  return ResultCode::Success;
}

ResultCode writeLightSettingsBlock(transport::CommandTransport& transport, const LightSettingsBlock& block,
                                   uint8_t selectItem, std::span<const uint8_t> modeCodes) {
  const LightBlockBytes bytes = encodeLightSettingsBlock(block, selectItem, modeCodes);
  const ResultCode begun = transport.begin();
  if (begun != ResultCode::Success) return begun;
  const ResultCode written = transport.writeSettings(bytes, lightBlockOffset(block.profile));
  const ResultCode ended = transport.end(1);
  return written != ResultCode::Success ? written : ended;
}

}  // namespace tessel
