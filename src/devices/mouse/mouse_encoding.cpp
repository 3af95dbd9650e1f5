#include "devices/mouse/mouse_encoding.h"

#include <algorithm>
#include <limits>

namespace tessel::mouse {

namespace {

uint16_t le16(std::span<const uint8_t> b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

void put16(std::span<uint8_t> b, size_t at, uint16_t v) {
  b[at] = static_cast<uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<uint8_t>(v >> 8);
}

bool twoSlope(const MouseIdentity& id) { return id.sensorId == kTwoSlopeSensor; }

}  // namespace

MouseIdentity decodeMouseIdentity(std::span<const uint8_t, kIdentitySize> b) {
  MouseIdentity id;
  id.keySlots = b[5];
  id.macroCapacity = b[6];
  id.profiles = b[7];
  id.sensorId = le16(b, 9);
  id.dpiStep = b[11];
  id.highestIndex = le16(b, 12);
  id.lowestDpi = le16(b, 14);
  return id;
}

int IndexToDpi(const MouseIdentity& id, int index) {
  index = std::clamp(index, 0, 0xFFFF);
  if (twoSlope(id) && index > kTwoSlopeKnee)
    return id.lowestDpi + kTwoSlopeKnee * id.dpiStep + (index - kTwoSlopeKnee) * kTwoSlopeUpperStep;
  return id.lowestDpi + index * id.dpiStep;
}

int DpiToIndex(const MouseIdentity& id, int64_t dpi) {
  // Without a step the scale is unknown: nothing to divide by.
  if (id.dpiStep == 0) return 0;
  const int64_t lowest = id.lowestDpi;
  if (dpi < lowest) dpi = lowest;
  const int64_t knee = lowest + int64_t{kTwoSlopeKnee} * id.dpiStep;  // the DPI of index 48
  int64_t index = 0;
  if (twoSlope(id) && dpi > knee)
    index = kTwoSlopeKnee + (dpi - knee) / kTwoSlopeUpperStep;
  else
    index = (dpi - lowest) / id.dpiStep;
  return static_cast<int>(std::clamp<int64_t>(index, 0, id.highestIndex));
}

int64_t parseTypedNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
  int64_t value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > kMax) value = kMax;  // saturate: "99999999999" is a large DPI, not a wrapped one
  }
  return negative ? -value : value;
}

int DpiToIndex(const MouseIdentity& id, std::string_view typed) {
  return DpiToIndex(id, parseTypedNumber(typed));
}

int highestDpi(const MouseIdentity& id) { return IndexToDpi(id, id.highestIndex); }

int pollingIndex(const SystemWords& words) {
  const int index = static_cast<int>(words[2] >> 16);
  return index >= 0 && index < kPollingOptions ? index : 0;
}

uint8_t encodeLightMode(uint8_t selectItem, const std::vector<uint8_t>& modeCodes) {
  if (modeCodes.empty()) return 0;
  size_t position = selectItem;
  if (position >= static_cast<size_t>(kFirstUserSequence) || position >= modeCodes.size()) position = 0;
  return modeCodes[position];
}

std::array<uint8_t, 8> encodeMouseLight(const LightRecord& light, const std::vector<uint8_t>& modeCodes) {
  const uint8_t speed = std::min<uint8_t>(light.speed, 4);
  return {encodeLightMode(light.selectItem, modeCodes),
          light.light,
          static_cast<uint8_t>(4 - speed),
          light.fx,
          light.multiColor,
          light.red,
          light.green,
          light.blue};
}

LightRecord decodeMouseLight(std::span<const uint8_t> block, const std::vector<uint8_t>& modeCodes,
                             const LightRecord& previous) {
  LightRecord r = previous;
  if (block.size() < 9) return r;
  const uint8_t code = block[1];
  r.selectItem = code;
  for (size_t i = 0; i < modeCodes.size(); ++i) {
    if (modeCodes[i] == code) {
      r.selectItem = static_cast<uint8_t>(i);
      break;
    }
  }
  r.light = block[2];
  r.speed = block[3] <= 4 ? static_cast<uint8_t>(4 - block[3]) : 0;
  r.multiColor = block[5];
  r.red = block[6];
  r.green = block[7];
  r.blue = block[8];
  return r;
}

SettingsBlock encodeSettingsBlock(const SettingsBlockInput& in) {
  SettingsBlock b{};
  b[0] = in.byte0;
  const auto light = encodeMouseLight(in.light, in.modeCodes);
  std::copy(light.begin(), light.end(), b.begin() + 1);
  b[kPollingOffset] = static_cast<uint8_t>((in.words[2] >> 16) & 0xFF);
  b[kActiveStageOffset] = in.activeStage;
  for (size_t i = 0; i < kMaxStages && i < in.stages.size(); ++i) {
    const DpiStage& s = in.stages[i];
    const size_t at = kStageOffset + kStageSize * i;
    b[at] = s.enabled;
    b[at + 1] = s.xy;
    put16(b, at + 2, s.x);
    put16(b, at + 4, s.y);
    b[at + 6] = s.red;
    b[at + 7] = s.green;
    b[at + 8] = s.blue;
  }
  b[kMarkerOffset] = 1;
  put16(b, kScreenOffset, in.screenWidth);
  put16(b, kScreenOffset + 2, in.screenHeight);
  for (const CorrectPreset& p : in.presets) {
    if (p.select == 0) continue;
    b[kSurfaceOffset] = static_cast<uint8_t>(p.minSq);
    b[kSurfaceOffset + 1] = static_cast<uint8_t>(p.pixThresh);
    break;
  }
  return b;
}

BlockContents decodeSettingsBlock(std::span<const uint8_t> block) {
  auto at = [&](size_t i) -> uint8_t { return i < block.size() ? block[i] : 0; };
  auto word = [&](size_t i) { return static_cast<uint16_t>(at(i) | at(i + 1) << 8); };
  BlockContents c;
  c.lightMode = at(1);
  c.brightness = at(2);
  c.speedByte = at(3);
  c.direction = at(4);
  c.multiColour = at(5);
  c.colour = static_cast<uint32_t>(at(6)) << 16 | static_cast<uint32_t>(at(7)) << 8 | at(8);
  c.polling = at(kPollingOffset);
  c.activeStage = at(kActiveStageOffset);
  for (size_t i = 0; i < kMaxStages; ++i) {
    const size_t s = kStageOffset + kStageSize * i;
    c.stages[i].enabled = at(s);
    c.stages[i].xy = at(s + 1);
    c.stages[i].x = word(s + 2);
    c.stages[i].y = word(s + 4);
    c.stages[i].red = at(s + 6);
    c.stages[i].green = at(s + 7);
    c.stages[i].blue = at(s + 8);
  }
  c.screenWidth = word(kScreenOffset);
  c.screenHeight = word(kScreenOffset + 2);
  return c;
}

const std::array<LogicalButton, kLogicalButtons> kMouseButtons = {{
    {"mouse_key_left", {0x10, 0x01, 0x00}},
    {"mouse_key_right", {0x10, 0x02, 0x00}},
    {"mouse_key_middle", {0x10, 0x04, 0x00}},
    {"mouse_key_forward", {0x10, 0x10, 0x00}},
    {"mouse_key_back", {0x10, 0x08, 0x00}},
    {"mouse_key_DPI_add", {0x13, 0x01, 0x00}},
    {"mouse_key_DPI_sub", {0x13, 0x02, 0x00}},
    {"mouse_key_DPI_loop", {0x13, 0x03, 0x00}},
    {"keyboard_key_GM", {0xA0, 0x1B, 0x00}},
    {"mouse_key_M8_key", {0x16, 0x90, 0x01}},
    {"mouse_key_fire_key", {0x14, 0x78, 0x02}},
}};

SlotMap BuildSlotMap(std::span<const uint8_t> keyTable, int slotCount, const std::optional<SlotMap>& previous) {
  SlotMap map;
  map.fill(kSlotAbsent);
  const int slots = std::clamp(slotCount, 0, static_cast<int>(std::min<size_t>(keyTable.size() / 3, kSlotAbsent)));
  std::array<bool, 256> taken{};
  for (size_t j = 0; j < kLogicalButtons; ++j) {
    const FunctionCode& d = kMouseButtons[j].defaultCode;
    for (int k = 0; k < slots; ++k) {
      const size_t at = static_cast<size_t>(k) * 3;
      if (keyTable[at] == d.type && keyTable[at + 1] == d.param1 && keyTable[at + 2] == d.param2) {
        map[j] = static_cast<uint8_t>(k);
        taken[static_cast<size_t>(k)] = true;
        break;
      }
    }
  }
  if (previous) {
    for (size_t j = 0; j < kLogicalButtons; ++j) {
      const uint8_t slot = (*previous)[j];
      if (map[j] != kSlotAbsent || slot == kSlotAbsent || slot >= slots || taken[slot]) continue;
      map[j] = slot;
      taken[slot] = true;
    }
  }
  return map;
}

std::span<const uint8_t> modelFactoryKeyTable(uint16_t productId) {
  // The wired (0x7C1F) and the 2.4 GHz (0x7C20) product are one mouse: back
  // comes before forward, and the stage keys start with the loop key.
  static constexpr uint8_t kEleven[] = {
      0x10, 0x01, 0x00, 0x10, 0x02, 0x00, 0x10, 0x04, 0x00, 0x10, 0x08, 0x00,  // left right middle back
      0x10, 0x10, 0x00, 0x13, 0x03, 0x00, 0x13, 0x01, 0x00, 0x13, 0x02, 0x00,  // forward loop up down
      0x14, 0x78, 0x02, 0xA0, 0x1B, 0x00, 0x16, 0x90, 0x01,                    // fire, game mode, shift
  };
  if (productId == 0x7C1F || productId == 0x7C20) return kEleven;
  return {};
}

SlotMap connectionSlotMap(std::span<const uint8_t, kIdentitySize> identity, std::span<const uint8_t> keyTable,
                          const std::optional<SlotMap>& first) {
  const int slots = identity[5];
  const std::span<const uint8_t> model = modelFactoryKeyTable(le16(identity, 0));
  if (!model.empty() && model.size() == static_cast<size_t>(slots) * 3) return BuildSlotMap(model, slots);
  if (first) return *first;
  return BuildSlotMap(keyTable, slots);
}

ButtonTableImage buildButtonTableImage(std::span<const uint8_t> lastRead, const SlotMap& map,
                                       const std::vector<KeyListEntry>& buttons, int macroCount) {
  ButtonTableImage out;
  out.image.assign(lastRead.begin(), lastRead.end());
  for (size_t j = 0; j < kLogicalButtons && j < buttons.size(); ++j) {
    const uint8_t slot = map[j];
    if (slot == kSlotAbsent) continue;
    const size_t at = static_cast<size_t>(slot) * 3;
    if (at + 3 > out.image.size()) continue;
    FunctionCode code = buttons[j].assignment;
    if (isMacroCode(code)) {
      if (code.param1 < macroCount) {
        auto it = std::find(out.macroOrder.begin(), out.macroOrder.end(), code.param1);
        if (it == out.macroOrder.end()) it = out.macroOrder.insert(out.macroOrder.end(), code.param1);
        code.param1 = static_cast<uint8_t>(it - out.macroOrder.begin());
      } else {
        code = buttons[j].defaultAssignment;
        if (code == FunctionCode{}) code = kMouseButtons[j].defaultCode;  // a document without defaults
      }
    }
    out.image[at] = code.type;
    out.image[at + 1] = code.param1;
    out.image[at + 2] = code.param2;
  }
  return out;
}

std::optional<ProfileStageReport> decodeProfileStageUsage(uint16_t usage, int profileCount, int stageCount) {
  const uint8_t high = static_cast<uint8_t>(usage >> 8);
  if (high != 0x10 && high != 0x11) return std::nullopt;
  ProfileStageReport r;
  r.profile = usage & 0x0F;
  if (r.profile >= profileCount) return std::nullopt;
  if (high == 0x11) {
    const int stage = (usage >> 4) & 0x0F;
    if (stage >= stageCount) return std::nullopt;
    r.stage = stage;
  }
  return r;
}

HeldSettings decodeHeldSettings(std::span<const uint8_t> block, size_t stageCount,
                                const std::vector<uint8_t>& modeCodes, const LightRecord& previous) {
  HeldSettings h;
  h.light = decodeMouseLight(block, modeCodes, previous);
  if (block.size() < kStageOffset + kStageSize * kMaxStages) return h;
  const BlockContents c = decodeSettingsBlock(block);
  h.light.fx = c.direction;
  h.polling = c.polling;
  h.activeStage = c.activeStage;
  h.stages.assign(c.stages.begin(), c.stages.begin() + static_cast<long>(std::min(stageCount, kMaxStages)));
  return h;
}

}  // namespace tessel::mouse
