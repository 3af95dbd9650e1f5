#include "macros/recoil_image.h"

#include "macros/macro_image.h"

namespace tessel::macros {

MacroEvent recoilDeviceEvent(const RecoilEvent& e) {
  MacroEvent out;
  out.down = e.down;
  // Two's complement low bits, also for a negative number typed into a file.
  out.button = static_cast<uint8_t>(static_cast<unsigned long long>(e.button) & 0xFFu);
  out.delay = static_cast<uint16_t>(static_cast<unsigned long long>(e.delay) & 0xFFFFu);
  out.type = static_cast<uint8_t>(static_cast<unsigned long long>(e.type) & 0x7Fu);
  return out;
}

RecoilImage buildRecoilImage(std::span<const std::vector<RecoilEvent>> guns) {
  std::vector<std::vector<MacroEvent>> blocks(kGunCount);
  RecoilImage image;
  for (size_t g = 0; g < blocks.size() && g < guns.size(); ++g) {
    blocks[g].reserve(guns[g].size());
    for (const auto& e : guns[g]) blocks[g].push_back(recoilDeviceEvent(e));
    image.counts[g] = guns[g].size();
  }
  MacroImage built = buildMacroImageWithin(blocks, kMaxImageLength);
  image.length = built.length;
  image.ok = built.status == MacroImage::Status::Ok;
  image.bytes = std::move(built.bytes);
  return image;
}

RecoilImage buildRecoilImage(const RecoilFiles& files) {
  std::vector<std::vector<RecoilEvent>> guns;
  guns.reserve(kGunCount);
  for (int g = 0; g < kGunCount; ++g) guns.push_back(files.events(g));
  return buildRecoilImage(guns);
}

}  // namespace tessel::macros
