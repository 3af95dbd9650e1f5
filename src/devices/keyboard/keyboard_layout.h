#pragma once
// The keyboard's layout positions and how they meet the device's keys: the
// 170 positions the page shows with their default function triples, the two
// identity bytes that size the key tables, and the key map and LED map built
// from the tables the keyboard reports. Pure functions over plain records.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "config/document_records.h"

namespace tessel::keyboard {

// Positions 0..169 are shown; only 0..125 are ever written to the device.
inline constexpr size_t kPositions = 170;
inline constexpr size_t kWrittenPositions = 126;
inline constexpr uint8_t kNone = 255;  // a map entry with no device key or LED

inline constexpr size_t kFnPosition = 110;
inline constexpr size_t kGameModePosition = 16;
inline constexpr size_t kFirstMacroKeyPosition = 120;  // M1..M5 at 120..124

// The default function triple of every layout position.
extern const std::array<FunctionCode, kPositions> kPositionDefaults;

// ------------------------------------------------------------------ identity

inline constexpr size_t kIdentitySize = 34;
// The device's key tables live in 512-byte buffers: N x 3 must fit.
inline constexpr size_t kTableBufferSize = 512;

struct KeyboardIdentity {
  uint8_t keyCount = 0;       // byte 5: N device keys
  uint8_t macroCapacity = 0;  // byte 6: macro memory in 128-byte units
  bool operator==(const KeyboardIdentity&) const = default;
};
KeyboardIdentity decodeKeyboardIdentity(std::span<const uint8_t, kIdentitySize> block);

// Bytes of a key table (N x 3) and of the LED table (N).
inline size_t keyTableSize(const KeyboardIdentity& id) { return size_t{id.keyCount} * 3; }
inline size_t ledTableSize(const KeyboardIdentity& id) { return id.keyCount; }
// False when N x 3 does not fit the device buffers: the tables are not read.
inline bool tablesFit(const KeyboardIdentity& id) { return keyTableSize(id) <= kTableBufferSize; }

// ------------------------------------------------------------------ maps

// keyMap[j]: the device key of position j; ledMap[j]: the LED of that key.
// Both kNone when there is none. Every entry that is not kNone is below the
// N the maps were built for.
struct KeyMaps {
  std::array<uint8_t, kPositions> keyMap{};
  std::array<uint8_t, kPositions> ledMap{};
  uint8_t keyCount = 0;
  bool operator==(const KeyMaps&) const = default;
};
// Maps with every entry kNone (nothing read yet).
KeyMaps emptyKeyMaps();

// Builds the maps from the default key table and the LED table read for the
// identity `id`. Each position takes the first device key whose default triple
// equals its own; its LED is the LED table's entry for that key, kept only
// when it is below N. Nothing is built (nullopt) unless both tables were read
// whole and N x 3 fits: the caller then keeps its previous maps.
std::optional<KeyMaps> buildKeyMaps(const KeyboardIdentity& id, std::span<const uint8_t> defaultTable,
                                    std::span<const uint8_t> ledTable);

}  // namespace tessel::keyboard
