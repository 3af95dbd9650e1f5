#pragma once
// The mouse's byte layouts, as pure functions over plain records: the
// identity fields that bound the DPI stages, the index <-> DPI scale, the
// settings block of one on-board profile (66 bytes written, 71 read), the
// light record inside it, the eleven logical buttons, the slot map from
// logical buttons to physical key slots, and the key table image with the
// macro renumbering. No I/O, no clock: the controller calls these and tests
// pin them byte for byte.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "config/document_records.h"
#include "core/light_record.h"

namespace tessel::mouse {

// ------------------------------------------------------------------ identity

inline constexpr size_t kIdentitySize = 34;
// The sensor whose scale has two slopes: the DPI step up to index 48, then
// 200 DPI per index.
inline constexpr uint16_t kTwoSlopeSensor = 0x3325;
inline constexpr int kTwoSlopeKnee = 48;
inline constexpr int kTwoSlopeUpperStep = 200;

// The fields of the 34-byte identity block the mouse page reads.
struct MouseIdentity {
  uint8_t keySlots = 0;        // byte 5: 3-byte entries in the key table
  uint8_t macroCapacity = 0;   // byte 6: macro memory in 128-byte units
  uint8_t profiles = 0;        // byte 7: on-board profiles (0 when the firmware does not say)
  uint16_t sensorId = 0;       // bytes 9-10
  uint8_t dpiStep = 0;         // byte 11 (0 until the identity was read)
  uint16_t highestIndex = 0;   // bytes 12-13: slider maximum
  uint16_t lowestDpi = 0;      // bytes 14-15: DPI of index 0
  bool operator==(const MouseIdentity&) const = default;
};
MouseIdentity decodeMouseIdentity(std::span<const uint8_t, kIdentitySize> block);

// DPI shown for a stage index. Indices are clamped to 0..65535.
int IndexToDpi(const MouseIdentity& id, int index);
// The inverse on the same scale: a value between two steps takes the step
// below, a value below the lowest DPI gives 0, the result is clamped to
// 0..highest index. With no DPI step (identity not read) the index is 0.
int DpiToIndex(const MouseIdentity& id, int64_t dpi);
// Typed text: leading blanks, an optional sign, then decimal digits up to the
// first other character; empty or no digits reads 0; an over-long number
// saturates instead of wrapping.
int64_t parseTypedNumber(std::string_view text);
int DpiToIndex(const MouseIdentity& id, std::string_view typed);
// The largest DPI the edit box accepts: the DPI of the highest index.
int highestDpi(const MouseIdentity& id);

// ------------------------------------------------------------------ settings block

inline constexpr size_t kSettingsWriteSize = 66;
inline constexpr size_t kSettingsReadSize = 71;
inline constexpr size_t kProfileStride = 128;
inline constexpr size_t kMaxStages = 5;
inline constexpr size_t kStageOffset = 14;
inline constexpr size_t kStageSize = 9;
inline constexpr size_t kPollingOffset = 11;
inline constexpr size_t kActiveStageOffset = 12;
inline constexpr size_t kMarkerOffset = 59;     // always 1
inline constexpr size_t kScreenOffset = 60;     // width, height (16-bit each)
inline constexpr size_t kSurfaceOffset = 64;    // min surface quality, pixel threshold
inline constexpr int kPollingOptions = 5;
// Select items at or past this are user sequences; the block then carries mode position 0.
inline constexpr int kFirstUserSequence = 10;

using SettingsBlock = std::array<uint8_t, kSettingsWriteSize>;
using ReadBlock = std::array<uint8_t, kSettingsReadSize>;

// Everything one settings block is made of.
struct SettingsBlockInput {
  uint8_t byte0 = 0;                   // written as it was read from this profile's block
  std::vector<DpiStage> stages;        // at most 5 are written; missing ones are zeros
  SystemWords words{};                 // polling-rate index in the top half of word 2
  uint8_t activeStage = 0;
  LightRecord light;
  std::vector<uint8_t> modeCodes;      // the model's built-in mode codes in list order
  std::vector<CorrectPreset> presets;  // the first selected one goes to bytes 64-65
  uint16_t screenWidth = 0;
  uint16_t screenHeight = 0;
};
SettingsBlock encodeSettingsBlock(const SettingsBlockInput& in);

// A block as read, byte for byte in named fields (what `tesselctl settings`
// shows): the light bytes as sent (mode code, 4 - speed), the polling index,
// the active stage, the five stages and the screen size. Bytes past a short
// block read as 0.
struct BlockContents {
  uint8_t lightMode = 0, brightness = 0, speedByte = 0, direction = 0, multiColour = 0;
  uint32_t colour = 0;  // 0xRRGGBB
  uint8_t polling = 0;
  uint8_t activeStage = 0;
  std::array<DpiStage, kMaxStages> stages{};
  uint16_t screenWidth = 0, screenHeight = 0;
};
BlockContents decodeSettingsBlock(std::span<const uint8_t> block);

// The polling-rate index as the block carries it (0..4; anything else 0).
int pollingIndex(const SystemWords& words);

// The light mode byte for a select item: the code at that position of the
// mode list; user sequences (10 and above) and items past the list use
// position 0; an empty list sends 0.
uint8_t encodeLightMode(uint8_t selectItem, const std::vector<uint8_t>& modeCodes);
// Light bytes 1..8 of the block: mode, brightness, 4 - speed, direction,
// seven-colour flag, red, green, blue. Speed above 4 is sent as 4.
std::array<uint8_t, 8> encodeMouseLight(const LightRecord& light, const std::vector<uint8_t>& modeCodes);
// The light record a block read from the mouse gives, starting from the
// document's record: the mode code becomes its list position (left as the
// code when not listed), brightness, speed = 4 - byte 3 (bytes above 4 read
// as speed 0), multi-colour and colour from the block. The direction and the
// keyboard fields stay as `previous` has them.
LightRecord decodeMouseLight(std::span<const uint8_t> block, const std::vector<uint8_t>& modeCodes,
                             const LightRecord& previous);

// ------------------------------------------------------------------ buttons

inline constexpr size_t kLogicalButtons = 11;
inline constexpr uint8_t kSlotAbsent = 0xAA;

struct LogicalButton {
  std::string_view name;  // localisation key
  FunctionCode defaultCode;
};
extern const std::array<LogicalButton, kLogicalButtons> kMouseButtons;

inline constexpr uint8_t kTypeMacro = 0x70;
inline constexpr uint8_t kTypeMacroRepeat = 0x71;
inline bool isMacroCode(const FunctionCode& c) { return c.type == kTypeMacro || c.type == kTypeMacroRepeat; }

// Logical button -> physical slot, or kSlotAbsent.
using SlotMap = std::array<uint8_t, kLogicalButtons>;
// From the key table the firmware reports (three bytes per slot; only the
// first `slotCount` slots that fit in the table count): each logical button
// maps to the first slot holding its default code. A button whose default
// code is not there keeps its slot from `previous` when that slot is not
// taken by another button, so a button we remapped stays writable.
SlotMap BuildSlotMap(std::span<const uint8_t> keyTable, int slotCount,
                     const std::optional<SlotMap>& previous = std::nullopt);

// The key table a known mouse model leaves the factory with (three bytes per
// slot, in its switch-matrix order), by the product id of identity bytes 0-1;
// empty for a product this program does not know.
std::span<const uint8_t> modelFactoryKeyTable(uint16_t productId);

// The slot map of a connection. The mouse answers 0x07 with its live table,
// so after a remap a slot holds another function, perhaps another button's
// default: a left button set to right-click would be taken for the right
// button. So the map comes from what stays true of the mouse: the factory
// table of its model when the identity names a known model with that many
// slots; else `first`, the map the first read of this controller gave; else
// (no read before) the table as read now.
SlotMap connectionSlotMap(std::span<const uint8_t, kIdentitySize> identity, std::span<const uint8_t> keyTable,
                          const std::optional<SlotMap>& first);

// The key table image to write and the macros it binds, in their new numbers'
// order: macroOrder[n] is the library position of the macro written as n.
// That order is the order the macros are downloaded in.
struct ButtonTableImage {
  std::vector<uint8_t> image;
  std::vector<int> macroOrder;
};
// Starts from `lastRead` (slots x 3 bytes), then for each logical button j
// present in the slot map and in `buttons`: a macro code whose macro exists
// (p1 < macroCount) gets p1 renumbered 0, 1, 2 ... in order of first use; a
// macro code past the library writes the button's default code; the code goes
// to slot map[j] when that slot lies inside the image.
ButtonTableImage buildButtonTableImage(std::span<const uint8_t> lastRead, const SlotMap& map,
                                       const std::vector<KeyListEntry>& buttons, int macroCount);

// ------------------------------------------------------------------ input reports

// What a profile or profile-and-stage input usage says. 0x10xx: profile =
// low nibble; 0x11xx: also stage = bits 4..7. Nibbles at or past the counts,
// and every other usage, give nothing.
struct ProfileStageReport {
  int profile = 0;
  std::optional<int> stage;
};
std::optional<ProfileStageReport> decodeProfileStageUsage(uint16_t usage, int profileCount, int stageCount);

// ------------------------------------------------------------------ what the mouse holds

// The settings a block read from the mouse carries, for showing it beside the
// document (`tesselctl get mouse --device`): the first `stageCount` stages
// (at most 5), the active stage, the polling index and the light record
// (decodeMouseLight, with the direction byte taken as well).
struct HeldSettings {
  std::vector<DpiStage> stages;
  uint8_t activeStage = 0;
  uint8_t polling = 0;
  LightRecord light;
};
HeldSettings decodeHeldSettings(std::span<const uint8_t> block, size_t stageCount,
                                const std::vector<uint8_t>& modeCodes, const LightRecord& previous);

}  // namespace tessel::mouse
