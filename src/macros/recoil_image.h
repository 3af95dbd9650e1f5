#pragma once
// The recoil image: the four guns' patterns in the macro memory image's
// layout (macro_image.h), gun 0 first, as the mouse's recoil memory takes it.
//
//   AA 55, u16 total length, u16 count = 4, 10 zero bytes,
//   4 x u16 block offsets, then per gun: u16 event count, 2 zero bytes,
//   the events as 4 bytes each (u16 delay, action byte, button).
//
// Total length = 16 + 4 x 2 + 4 x 4 + 4 x (sum of the event counts): 2920
// bytes for four full patterns of 180 events. The recoil memory is not
// checked against the macro capacity; only a length the 16-bit field cannot
// hold is refused. The files keep whatever integers were typed: a distance
// goes to the mouse as its low 8 bits, a delay as its low 16 bits, the type
// as its low 7 bits.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "macros/macro_model.h"
#include "macros/recoil_file.h"

namespace tessel::macros {

// The event as the mouse receives it (low 8 bits of the button, low 16 bits
// of the delay).
MacroEvent recoilDeviceEvent(const RecoilEvent& e);

struct RecoilImage {
  bool ok = false;             // false: too long for the 16-bit length; nothing built
  std::vector<uint8_t> bytes;  // the image when ok
  uint64_t length = 0;         // its length (also when too long)
  std::array<size_t, kGunCount> counts{};  // events per gun
};

// `guns` holds the events of guns 0..3 in order (missing guns are empty).
RecoilImage buildRecoilImage(std::span<const std::vector<RecoilEvent>> guns);
// The image from the four recoil files (a missing file is an empty gun).
RecoilImage buildRecoilImage(const RecoilFiles& files);

}  // namespace tessel::macros
