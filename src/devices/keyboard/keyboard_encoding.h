#pragma once
// The keyboard's byte layouts, as pure functions over plain records: the
// 31-byte settings block, the option choices of "SystemStages", the user key
// table with the macro renumbering, the per-key custom colour memory of light
// mode 20 and the live colour frame of the host-driven modes. No I/O, no
// clock: the controller calls these and tests pin them byte for byte.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "config/document_records.h"
#include "core/light_record.h"
#include "devices/keyboard/keyboard_layout.h"

namespace tessel::keyboard {

// ------------------------------------------------------------------ settings block

inline constexpr size_t kSettingsBlockSize = 31;
// Profile numbers come from a 4-bit field of the keyboard's reports; a byte
// past that is not a profile and reads as profile 0.
inline constexpr uint8_t kProfileCount = 16;
// The host-driven modes: the keyboard shows the frames we send.
inline constexpr uint8_t kHostDrivenCode = 0xFE;
inline constexpr uint8_t kCustomMode = 20;
inline constexpr uint8_t kFirstLiveMode = 29;
inline constexpr uint8_t kLastLiveMode = 30;
// The modes a keyboard has (0..30): a device code not in the mode list is
// taken as a mode position only below this (or below the list's length).
inline constexpr size_t kModeCount = 31;
inline constexpr uint8_t kMaxLight = 4;
inline constexpr uint8_t kMaxSpeed = 4;

using SettingsBlock = std::array<uint8_t, kSettingsBlockSize>;

// Where the settings block keeps each field.
inline constexpr size_t kModeByte = 1;
inline constexpr size_t kLightByte = 2;
inline constexpr size_t kSpeedByte = 3;
inline constexpr size_t kFxByte = 4;
inline constexpr size_t kMultiColorByte = 5;
inline constexpr size_t kRedByte = 6;
inline constexpr size_t kGreenByte = 7;
inline constexpr size_t kBlueByte = 8;
inline constexpr size_t kClearedByte = 16;
inline constexpr size_t kZzccByte = 18;
inline constexpr size_t kWFlagByte = 19;
inline constexpr size_t kKey6FlagByte = 20;
inline constexpr size_t kWinFlagByte = 21;
inline constexpr size_t kPollingByte = 22;
inline constexpr size_t kZeroByte = 26;

// A stored profile byte as a profile number (0 when out of range).
uint8_t boundProfile(uint8_t profileByte);
// Where profile p's block lies in the settings area.
inline size_t settingsOffset(uint8_t profile) { return size_t{boundProfile(profile)} * kSettingsBlockSize; }

// The mode byte for a select item: the code at that position of the model's
// mode list, 0xFE for codes 29 and 30; an item past the list sends the first
// code, an empty list sends 0.
uint8_t encodeKeyboardLightMode(uint8_t selectItem, const std::vector<uint8_t>& modeCodes);
// The select item a device mode byte gives: its position in the list; 0xFE
// keeps `previous`; a code not in the list is taken as the position when it
// names a mode the page can show, and otherwise keeps `previous`.
uint8_t decodeKeyboardLightMode(uint8_t code, const std::vector<uint8_t>& modeCodes, uint8_t previous);

// The block to write: starts from the block last read (so bytes we do not own
// survive, byte 0 among them), then the light bytes 1..8, byte 16 = 0,
// ZZCCLedMode at 18, the W, six-key and Windows-lock flags at 19..21, the
// polling choice at 22 and byte 26 = 0.
SettingsBlock encodeSettingsBlock(const SettingsBlock& lastRead, const LightRecord& light,
                                  const std::vector<uint8_t>& modeCodes, const KeyboardSystemStages& system);

// What a block read from the keyboard gives the page.
struct DecodedSettings {
  LightRecord light;              // the page's light with the block's values
  KeyboardSystemStages system;    // Key6Flag, WFlag, WinFlag from the block, the rest kept
  SettingsBlock kept{};           // the copy the next write starts from (byte 16 cleared)
  bool modeChanged = false;       // the select item differs from the previous one
};
DecodedSettings decodeSettingsBlock(const SettingsBlock& block, const std::vector<uint8_t>& modeCodes,
                                    const LightRecord& previousLight, const KeyboardSystemStages& previousSystem);

// ------------------------------------------------------------------ options

inline constexpr int kRepeatDelayChoices = 4;
inline constexpr int kPollingChoices = 4;
// The radio button a stored value selects: 0..3, anything else choice 0.
int choiceIndex(int value, int choices);
// The repeat delay shown for a stored "RepeatDelay": 250, 500, 750 or 1000 ms.
int repeatDelayMs(int repeatDelay);

// ------------------------------------------------------------------ user key table

// The key table image to write (N x 3 bytes) and the library positions of the
// macros it binds, in device slot order (the download order).
struct UserKeyTable {
  std::vector<uint8_t> image;
  std::vector<uint8_t> macroOrder;
};
// Starts from the default key table, so device keys no position reaches keep
// their default function. Positions 0..125 with a device key put their
// function there, macro bindings renumbered to device slots (a binding to a
// macro the library does not have sends the position's default). Several
// positions may share a device key (the blank triple 20 00 00 at 18, 19, 20
// and 104): a position whose sent function differs from its default wins it
// over one that sends its default, and among those that differ the higher
// position wins. Empty image when the maps or the table do not fit N.
UserKeyTable buildUserKeyTable(std::span<const uint8_t> defaultTable, const KeyMaps& maps,
                               std::span<const KeyListEntry> positions, size_t libraryCount);

// ------------------------------------------------------------------ custom colours

// The alpha a custom colour read from the keyboard takes at brightness
// "Light" (0..4; above 4 counts as 4): factor x 255 div 256 with the factors
// 0, 80, 135, 195, 255.
uint8_t brightnessAlpha(uint8_t light);

using CustomColours = std::array<CustomColor, kPositions>;

// Positions with an LED take that LED's red, green and blue from `memory`
// (N x 3 bytes) and the alpha of `light`; the others keep `previous`.
// Nothing (nullopt) unless the memory was read whole for the maps' N.
std::optional<CustomColours> decodeCustomColours(std::span<const uint8_t> memory, const KeyMaps& maps, uint8_t light,
                                                 const CustomColours& previous);
// The N x 3 bytes to write: `base` (the memory last read; zeros where it is
// short) with every position's red, green, blue at its LED index x 3.
std::vector<uint8_t> encodeCustomColours(const CustomColours& colours, const KeyMaps& maps,
                                         std::span<const uint8_t> base);

// ------------------------------------------------------------------ live frame

// One frame of modes 29 and 30: N x 3 bytes, each LED's red, green and blue
// times its position's alpha div 256; LEDs no position reaches are dark.
std::vector<uint8_t> encodeLiveFrame(const CustomColours& colours, const KeyMaps& maps);
// True for the mode codes whose colours the host sends frame by frame.
inline bool isLiveCode(uint8_t code) { return code == kFirstLiveMode || code == kLastLiveMode; }

}  // namespace tessel::keyboard
