#include "devices/keyboard/keyboard_encoding.h"

#include <algorithm>

#include "macros/macro_image.h"

namespace tessel::keyboard {

namespace {

constexpr std::array<uint8_t, kMaxLight + 1> kBrightnessFactors = {0, 80, 135, 195, 255};

uint8_t flag(uint16_t v) { return v != 0 ? 1 : 0; }

}  // namespace

uint8_t boundProfile(uint8_t profileByte) { return profileByte < kProfileCount ? profileByte : 0; }

uint8_t encodeKeyboardLightMode(uint8_t selectItem, const std::vector<uint8_t>& modeCodes) {
  if (modeCodes.empty()) return 0;
  const uint8_t code = modeCodes[selectItem < modeCodes.size() ? selectItem : 0];
  return isLiveCode(code) ? kHostDrivenCode : code;
}

uint8_t decodeKeyboardLightMode(uint8_t code, const std::vector<uint8_t>& modeCodes, uint8_t previous) {
  if (code == kHostDrivenCode) return previous;
  const auto found = std::find(modeCodes.begin(), modeCodes.end(), code);
  if (found != modeCodes.end()) return static_cast<uint8_t>(found - modeCodes.begin());
  // The code is used as an index into the mode list: only one that names a mode.
  return code < std::max(modeCodes.size(), kModeCount) ? code : previous;
}

SettingsBlock encodeSettingsBlock(const SettingsBlock& lastRead, const LightRecord& light,
                                  const std::vector<uint8_t>& modeCodes, const KeyboardSystemStages& system) {
  SettingsBlock b = lastRead;
  b[kModeByte] = encodeKeyboardLightMode(light.selectItem, modeCodes);
  b[kLightByte] = light.light;
  b[kSpeedByte] = static_cast<uint8_t>(kMaxSpeed - std::min(light.speed, kMaxSpeed));
  b[kFxByte] = light.fx;
  b[kMultiColorByte] = light.multiColor;
  b[kRedByte] = light.red;
  b[kGreenByte] = light.green;
  b[kBlueByte] = light.blue;
  b[kClearedByte] = 0;
  b[kZzccByte] = light.zzccLedMode;
  b[kWFlagByte] = flag(system.wFlag);
  b[kKey6FlagByte] = flag(system.key6Flag);
  b[kWinFlagByte] = flag(system.winFlag);
  b[kPollingByte] = static_cast<uint8_t>(choiceIndex(system.pollingRate, kPollingChoices));
  b[kZeroByte] = 0;
  return b;
}

DecodedSettings decodeSettingsBlock(const SettingsBlock& block, const std::vector<uint8_t>& modeCodes,
                                    const LightRecord& previousLight, const KeyboardSystemStages& previousSystem) {
  DecodedSettings out;
  LightRecord& l = out.light;
  l = previousLight;
  l.selectItem = decodeKeyboardLightMode(block[kModeByte], modeCodes, previousLight.selectItem);
  // Brightness indexes the factor table; a byte past it reads as full.
  l.light = std::min(block[kLightByte], kMaxLight);
  l.speed = block[kSpeedByte] <= kMaxSpeed ? static_cast<uint8_t>(kMaxSpeed - block[kSpeedByte]) : 0;
  l.fx = block[kFxByte];
  l.multiColor = flag(block[kMultiColorByte]);
  l.red = block[kRedByte];
  l.green = block[kGreenByte];
  l.blue = block[kBlueByte];
  l.zzccLedMode = block[kZzccByte];
  out.modeChanged = l.selectItem != previousLight.selectItem;

  out.system = previousSystem;
  out.system.wFlag = flag(block[kWFlagByte]);
  out.system.key6Flag = flag(block[kKey6FlagByte]);
  out.system.winFlag = flag(block[kWinFlagByte]);
  // The polling choice is the page's: the keyboard does not report it back.

  out.kept = block;
  out.kept[kClearedByte] = 0;
  return out;
}

int choiceIndex(int value, int choices) { return value >= 0 && value < choices ? value : 0; }

int repeatDelayMs(int repeatDelay) { return choiceIndex(repeatDelay, kRepeatDelayChoices) * 250 + 250; }

UserKeyTable buildUserKeyTable(std::span<const uint8_t> defaultTable, const KeyMaps& maps,
                               std::span<const KeyListEntry> positions, size_t libraryCount) {
  UserKeyTable out;
  const size_t n = maps.keyCount;
  if (n * 3 > kTableBufferSize || defaultTable.size() < n * 3) return out;
  out.image.assign(defaultTable.begin(), defaultTable.begin() + static_cast<std::ptrdiff_t>(n * 3));

  const size_t count = std::min(positions.size(), kWrittenPositions);
  std::vector<macros::KeyPosition> walk;
  walk.reserve(count);
  for (size_t j = 0; j < count; ++j)
    walk.push_back({maps.keyMap[j], positions[j].assignment, positions[j].defaultAssignment});
  out.macroOrder = macros::listBoundMacros(walk, libraryCount);
  const std::vector<FunctionCode> sent = macros::deviceAssignments(walk, libraryCount);

  // Two passes: positions that send their default first, then the edited
  // ones, so an edit on a shared device key is never undone by a neighbour's
  // default; within a pass the higher position is written last and wins.
  for (const bool edited : {false, true}) {
    for (size_t j = 0; j < count; ++j) {
      const uint8_t k = walk[j].mapEntry;
      if (k == kNone || k >= n) continue;
      if ((sent[j] != positions[j].defaultAssignment) != edited) continue;
      const size_t at = size_t{k} * 3;
      out.image[at] = sent[j].type;
      out.image[at + 1] = sent[j].param1;
      out.image[at + 2] = sent[j].param2;
    }
  }
  return out;
}

uint8_t brightnessAlpha(uint8_t light) {
  return static_cast<uint8_t>(kBrightnessFactors[std::min(light, kMaxLight)] * 255 / 256);
}

std::optional<CustomColours> decodeCustomColours(std::span<const uint8_t> memory, const KeyMaps& maps, uint8_t light,
                                                 const CustomColours& previous) {
  const size_t n = maps.keyCount;
  if (memory.size() < n * 3) return std::nullopt;
  CustomColours out = previous;
  const uint8_t alpha = brightnessAlpha(light);
  for (size_t j = 0; j < kPositions; ++j) {
    const uint8_t led = maps.ledMap[j];
    if (led == kNone || led >= n) continue;
    const size_t at = size_t{led} * 3;
    out[j] = {memory[at], memory[at + 1], memory[at + 2], alpha};
  }
  return out;
}

std::vector<uint8_t> encodeCustomColours(const CustomColours& colours, const KeyMaps& maps,
                                         std::span<const uint8_t> base) {
  const size_t n = maps.keyCount;
  std::vector<uint8_t> out(n * 3, 0);
  std::copy_n(base.begin(), std::min(base.size(), out.size()), out.begin());
  for (size_t j = 0; j < kPositions; ++j) {
    const uint8_t led = maps.ledMap[j];
    if (led == kNone || led >= n) continue;
    const size_t at = size_t{led} * 3;
    out[at] = colours[j].red;
    out[at + 1] = colours[j].green;
    out[at + 2] = colours[j].blue;
  }
  return out;
}

std::vector<uint8_t> encodeLiveFrame(const CustomColours& colours, const KeyMaps& maps) {
  const size_t n = maps.keyCount;
  std::vector<uint8_t> out(n * 3, 0);
  const auto scale = [](uint8_t c, uint8_t alpha) { return static_cast<uint8_t>(c * alpha / 256); };
  for (size_t j = 0; j < kPositions; ++j) {
    const uint8_t led = maps.ledMap[j];
    if (led == kNone || led >= n) continue;
    const CustomColor& c = colours[j];
    const size_t at = size_t{led} * 3;
    out[at] = scale(c.red, c.alpha);
    out[at + 1] = scale(c.green, c.alpha);
    out[at + 2] = scale(c.blue, c.alpha);
  }
  return out;
}

}  // namespace tessel::keyboard
