#pragma once
// The light settings block of the mousepad and the headset: 21 bytes in the
// device's settings memory, one block per on-board profile at p x 31 (byte 0
// of the memory, which is also byte 0 of block 0, is the current profile).
//
//   byte 0     the current profile (in the image); on the device, what it holds
//   byte 1     light mode: a CODE on the device, a POSITION in the model's
//              light-mode list in the image
//   byte 2     brightness 0..4
//   byte 3     speed: 0..4 in the image, stored as 4 - speed
//   byte 4     the device's own (never written from the light record)
//   byte 5     multi-colour flag
//   bytes 6..8 red, green, blue
//   bytes 9..20 the device's own
//
// The image always keeps the mode position the light thread dispatches on;
// only the bytes sent carry the code, so a model whose positions and codes
// differ plays the same effect on the page before and after a write. A block
// goes back to the offset it was read from with byte 0 and the device's own
// bytes as read, so a write never puts zeros over what the device keeps.
// Everything here is a pure function over plain records.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "core/light_record.h"

namespace tessel {

inline constexpr size_t kLightBlockSize = 21;
inline constexpr size_t kLightBlockReadSize = 31;
inline constexpr uint16_t kLightBlockStride = 31;

namespace light_block {
inline constexpr size_t kProfile = 0;
inline constexpr size_t kMode = 1;
inline constexpr size_t kBrightness = 2;
inline constexpr size_t kSpeed = 3;
inline constexpr size_t kDeviceByte = 4;
inline constexpr size_t kMultiColour = 5;
inline constexpr size_t kRed = 6;
inline constexpr size_t kGreen = 7;
inline constexpr size_t kBlue = 8;
inline constexpr uint8_t kLevelMax = 4;  // brightness and speed
}  // namespace light_block

using LightBlockBytes = std::array<uint8_t, kLightBlockSize>;

struct LightSettingsBlock {
  // The host's image: byte 0 the profile, byte 1 a mode position, byte 3 the speed.
  LightBlockBytes image{};
  // The profile the block was read from (the write goes back there).
  uint8_t profile = 0;
  // Byte 0 at the block's offset as read (for profile 0: the current profile).
  uint8_t byte0AsRead = 0;
  // False until a block was read: nothing may be written before, or the
  // device's own bytes would go out as zeros.
  bool read = false;
};

// Offset of profile p's block in the settings memory.
constexpr uint16_t lightBlockOffset(uint8_t profile) { return static_cast<uint16_t>(profile * kLightBlockStride); }

// The current profile byte as an index: a profile past `profileCount` reads
// as profile 0 (never an offset outside the blocks).
uint8_t boundedProfile(uint8_t currentProfile, uint8_t profileCount);

// The image of the 31 bytes read at profile p's offset. The mode code becomes
// its position in `modeCodes` (kept as read when the list has no such code);
// brightness and speed are bounded to 0..4.
LightSettingsBlock decodeLightSettingsBlock(std::span<const uint8_t, kLightBlockReadSize> read, uint8_t profile,
                                            std::span<const uint8_t> modeCodes);

// Copies the light record into the image (bytes 1, 2, 3, 5, 6, 7, 8; byte 4
// untouched). Brightness and speed are bounded to 0..4.
void refreshLightSettingsImage(LightBlockBytes& image, const LightRecord& record);

// What the image says of the light: the fields refresh copies (mode
// position, brightness, speed, multi-colour flag, colour) over `base`, which
// gives the rest (direction, the keyboard's fields).
LightRecord lightRecordOfImage(const LightBlockBytes& image, LightRecord base);

// The 21 bytes to write: the image with byte 0 as read at the block's offset,
// byte 1 the code of `selectItem` (of position 0 for a user sequence, i.e. a
// select item past the list), byte 3 = 4 - speed. With an empty list the
// position itself goes out.
LightBlockBytes encodeLightSettingsBlock(const LightSettingsBlock& block, uint8_t selectItem,
                                         std::span<const uint8_t> modeCodes);

}  // namespace tessel
