#include "devices/keyboard/keyboard_setting_keys.h"

#include <algorithm>
#include <cctype>

#include "config/audio_light_edits.h"
#include "config/function_code_text.h"
#include "config/function_codes.h"
#include "config/keyboard_profiledata.h"
#include "config/light_mode_list.h"
#include "config/light_setting_keys.h"

namespace tessel {

using settings::KeyRow;
using settings::Range;
using settings::Value;
using settings::ValueType;

namespace {

constexpr FunctionCode kFn{function_type::kSpecial, 0x01, 0x00};
constexpr FunctionCode kGameMode{function_type::kSpecial, 0x1B, 0x00};
constexpr uint8_t kMacroKeyPage = 0xA2;
constexpr int kMacroKeys = 5;

Value number(int64_t n) {
  Value v;
  v.number = n;
  return v;
}

int64_t packCode(const FunctionCode& c) { return c.type << 16 | c.param1 << 8 | c.param2; }
FunctionCode unpackCode(int64_t n) {
  return {static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n)};
}

uint32_t rgb(uint8_t r, uint8_t g, uint8_t b) { return static_cast<uint32_t>(r) << 16 | g << 8 | b; }

std::string lower(std::string_view text) {
  std::string s(text);
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

bool isMacroBinding(const FunctionCode& c) {
  return c.type == function_type::kMacro || c.type == function_type::kMacroRepeat;
}

// A system value row: read from "SystemStages", written through the
// controller's own setter (which refuses what the page would refuse).
KeyRow<KeyboardSettings> systemRow(std::string key, ValueType type, Range range,
                                   uint16_t KeyboardSystemStages::*field,
                                   bool (KeyboardController::*setInt)(int),
                                   bool (KeyboardController::*setFlag)(bool), std::string help,
                                   std::string label) {
  KeyRow<KeyboardSettings> row;
  row.key = std::move(key);
  row.doc.help = std::move(help);
  row.doc.label = std::move(label);
  row.type = type;
  row.range = [range](const KeyboardSettings&) { return range; };
  row.read = [field, type](const KeyboardSettings& m) -> std::optional<Value> {
    const uint16_t v = m.keyboard().systemStages().*field;
    return number(type == ValueType::Boolean ? (v != 0) : v);
  };
  row.write = [setInt, setFlag](KeyboardSettings& m, const Value& v) {
    return setFlag ? (m.keyboard().*setFlag)(v.number != 0) : (m.keyboard().*setInt)(static_cast<int>(v.number));
  };
  return row;
}

settings::KeyTable<KeyboardSettings> buildTable() {
  settings::KeyTable<KeyboardSettings> t;
  for (int p = 0; p < static_cast<int>(keyboard::kPositions); ++p) {
    KeyRow<KeyboardSettings> row;
    row.key = "key." + std::to_string(p);
    row.doc = {"key.P",
               "P = 0..169, the keyboard's layout positions: a button value (below), or `fn`, `game-mode`, `m1`..`m5` "
               "(the Fn key, the game-mode key, macro keys M1..M5). The keys of one `set` make one key table write "
               "(after the bound macros); positions 126..169 stay in the profile only",
               "tab_keys"};
    row.type = ValueType::Text;
    row.parseText = [p](const KeyboardSettings& m, std::string_view text, Value& v, std::string& why) {
      FunctionCode code;
      if (!parseKeyFunction(text, m.defaultKey(p), code, why)) return false;
      // A macro the library does not hold would reach the keyboard as the
      // key's default while the document says otherwise.
      if (isMacroBinding(code) && code.param1 >= m.macroCount()) {
        why = "macro " + std::to_string(code.param1) + " does not exist (the keyboard's macro library holds " +
              std::to_string(m.macroCount()) + ")";
        return false;
      }
      v.number = packCode(code);
      return true;
    };
    row.formatText = [p](const KeyboardSettings& m, const Value& v) {
      return formatKeyFunction(unpackCode(v.number), m.defaultKey(p));
    };
    row.read = [p](const KeyboardSettings& m) -> std::optional<Value> { return number(packCode(m.key(p))); };
    row.write = [p](KeyboardSettings& m, const Value& v) {
      m.stageKey(p, unpackCode(v.number));
      return true;
    };
    t.push_back(std::move(row));
  }
  settings::appendLightRows<KeyboardSettings>(
      t, [](const KeyboardSettings& m) -> const std::vector<LightModeEntry>& { return m.keyboard().lightModes(); },
      [](const KeyboardSettings& m) {
        const auto* doc = m.keyboard().document();
        return doc ? static_cast<int64_t>(doc->lightLibrary().sequences(kKindIndexKeyboard).size()) : int64_t{0};
      },
      "position in the keyboard's light-mode list (1..30; 0 and 19 are hidden rows and refused; 20 the per-key "
      "custom colours, 29 audio, 30 external colour; user light sequences from 31 on)");
  {
    KeyRow<KeyboardSettings> row;
    row.key = "light.zzcc";
    row.doc.help = "0..3, the keyboard mode (\"ZZCCLedMode\")";
    row.doc.label = "kb_zzcc_mode";
    row.range = [](const KeyboardSettings& m) {
      return Range{0, std::max<int64_t>(KeyboardSettings::kZzccModes - 1, m.light().zzccLedMode)};
    };
    row.read = [](const KeyboardSettings& m) -> std::optional<Value> { return number(m.light().zzccLedMode); };
    row.write = [](KeyboardSettings& m, const Value& v) {
      LightRecord r = m.light();
      r.zzccLedMode = static_cast<uint8_t>(v.number);
      m.stageLight(r);
      return true;
    };
    t.push_back(std::move(row));
  }
  {
    KeyRow<KeyboardSettings> row;
    row.key = "light.group";
    row.doc.help = "the custom colour group shown in mode 20 (one of the profile's groups)";
    row.doc.label = "kb_custom_group";
    row.range = [](const KeyboardSettings& m) {
      return Range{0, std::max<int64_t>(static_cast<int64_t>(m.groupCount()) - 1, m.group())};
    };
    row.read = [](const KeyboardSettings& m) -> std::optional<Value> { return number(m.group()); };
    row.write = [](KeyboardSettings& m, const Value& v) {
      m.stageGroup(static_cast<unsigned>(v.number));
      return true;
    };
    t.push_back(std::move(row));
  }
  // The audio mode's settings ("AudioLightInfo"): each goes to the document
  // and the light thread at once; nothing is written to the keyboard.
  auto audioRow = [&t](std::string key, std::string label, std::string help, ValueType type, Range range,
                       std::function<int64_t(const AudioLightRecord&)> get,
                       std::function<void(AudioLightRecord&, int64_t)> put) {
    KeyRow<KeyboardSettings> row;
    row.key = std::move(key);
    row.doc.help = std::move(help);
    row.doc.label = std::move(label);
    row.type = type;
    if (type == ValueType::Integer) row.range = [range](const KeyboardSettings&) { return range; };
    row.read = [get](const KeyboardSettings& m) -> std::optional<Value> {
      return number(get(m.keyboard().audioLight()));
    };
    row.write = [put](KeyboardSettings& m, const Value& v) {
      if (!m.keyboard().document()) return false;
      AudioLightRecord r = m.keyboard().audioLight();
      put(r, v.number);
      m.keyboard().changeAudioLight(r);
      return true;
    };
    t.push_back(std::move(row));
  };
  audioRow("audio.mode", "audio_style", "0..6, the style of the audio mode (29)", ValueType::Integer, {0, kAudioModeCount - 1},
           [](const AudioLightRecord& r) { return r.audioMode; },
           [](AudioLightRecord& r, int64_t v) { r = applyAudioStyle(r, static_cast<int>(v)); });
  audioRow("audio.bg", "audio_background", "RRGGBB, its background and foreground colour (each key is set on its own: "
           "`audio.fg` leaves `audio.multicolour` as it is)", ValueType::Colour, {}, [](const AudioLightRecord& r) {
        return static_cast<int64_t>(rgb(r.bkColorR, r.bkColorG, r.bkColorB));
      },
      [](AudioLightRecord& r, int64_t v) {
        r.bkColorR = static_cast<uint8_t>(v >> 16);
        r.bkColorG = static_cast<uint8_t>(v >> 8);
        r.bkColorB = static_cast<uint8_t>(v);
      });
  audioRow("audio.fg", "audio_foreground", "RRGGBB, its background and foreground colour (each key is set on its own: "
           "`audio.fg` leaves `audio.multicolour` as it is)", ValueType::Colour, {}, [](const AudioLightRecord& r) {
        return static_cast<int64_t>(rgb(r.fgColorR, r.fgColorG, r.fgColorB));
      },
      [](AudioLightRecord& r, int64_t v) {
        r.fgColorR = static_cast<uint8_t>(v >> 16);
        r.fgColorG = static_cast<uint8_t>(v >> 8);
        r.fgColorB = static_cast<uint8_t>(v);
      });
  audioRow("audio.multicolour", "audio_multicolour", "1 or 0: hue-wheel colours instead of the foreground", ValueType::Boolean, {0, 1},
           [](const AudioLightRecord& r) { return r.sevenColorFlags; },
           [](AudioLightRecord& r, int64_t v) { r.sevenColorFlags = v ? 1 : 0; });
  audioRow("audio.edit", "audio_foreground", "1 or 0: the colour the page's swatches and boxes edit (1 the foreground)", ValueType::Integer, {0, 1},
           [](const AudioLightRecord& r) { return r.colorTypeFlags; },
           [](AudioLightRecord& r, int64_t v) { r.colorTypeFlags = v ? 1 : 0; });
  for (int p = 0; p < static_cast<int>(keyboard::kPositions); ++p) {
    KeyRow<KeyboardSettings> row;
    row.key = "colour." + std::to_string(p);
    row.doc = {"colour.P",
               "RRGGBB, position P's colour in the current custom group; written to the keyboard's colour memory at "
               "once, whatever the mode, so the next connection does not read an older colour back",
               "kb_custom_group"};
    row.type = ValueType::Colour;
    row.read = [p](const KeyboardSettings& m) -> std::optional<Value> { return number(m.colour(p)); };
    row.write = [p](KeyboardSettings& m, const Value& v) {
      m.stageColour(p, static_cast<uint32_t>(v.number));
      return true;
    };
    t.push_back(std::move(row));
  }
  using S = KeyboardSystemStages;
  using C = KeyboardController;
  t.push_back(systemRow("option.rollover", ValueType::Boolean, {0, 1}, &S::key6Flag, nullptr, &C::setRollover,
                        "1 or 0 (on/off): six-key rollover", "kb_option_rollover"));
  t.push_back(systemRow("option.wkey", ValueType::Boolean, {0, 1}, &S::wFlag, nullptr, &C::setWKey,
                        "1 or 0 (on/off): the W-key option", "kb_option_wkey"));
  t.push_back(systemRow("option.winlock", ValueType::Boolean, {0, 1}, &S::winFlag, nullptr, &C::setWindowsLock,
                        "1 or 0 (on/off): Windows-key lock", "kb_option_winlock"));
  t.push_back(systemRow("polling", ValueType::Integer, {0, keyboard::kPollingChoices - 1}, &S::pollingRate,
                        &C::setPollingRate, nullptr, "0..3, the page's polling-rate choices", "polling_rate"));
  t.push_back(systemRow("repeat.rate", ValueType::Integer, {0, KeyboardSettings::kRepeatRateMax}, &S::repeat,
                        &C::setRepeatRate, nullptr, "0..31; kept in the profile only", "kb_repeat_rate"));
  t.push_back(systemRow("repeat.delay", ValueType::Integer, {0, keyboard::kRepeatDelayChoices - 1}, &S::repeatDelay,
                        &C::setRepeatDelay, nullptr, "0..3 (250, 500, 750, 1000 ms); kept in the profile only", "Repeat_Delay_Time"));
  return t;
}

}  // namespace

bool parseKeyFunction(std::string_view text, const FunctionCode& defaultCode, FunctionCode& out, std::string& why) {
  const std::string word = lower(text);
  if (word == "fn") {
    out = kFn;
    return true;
  }
  if (word == "game-mode") {
    out = kGameMode;
    return true;
  }
  if (word.size() == 2 && word[0] == 'm' && word[1] >= '1' && word[1] < '1' + kMacroKeys) {
    out = {function_type::kKeyboardMacroKey, kMacroKeyPage, static_cast<uint8_t>(word[1] - '0')};
    return true;
  }
  const FunctionCodeParse parsed = parseFunctionCode(text, defaultCode);
  if (!parsed.ok) {
    why = parsed.error + "; on a keyboard also fn, game-mode, m1..m5";
    return false;
  }
  out = parsed.code;
  return true;
}

std::string formatKeyFunction(const FunctionCode& code, const FunctionCode& defaultCode) {
  if (code == defaultCode) return "default";
  if (code == kFn) return "fn";
  if (code == kGameMode) return "game-mode";
  if (code.type == function_type::kKeyboardMacroKey && code.param1 == kMacroKeyPage && code.param2 >= 1 &&
      code.param2 <= kMacroKeys)
    return "m" + std::to_string(code.param2);
  return formatFunctionCode(code);
}

LightRecord KeyboardSettings::light() const { return light_ ? *light_ : keyboard_.light(); }

unsigned KeyboardSettings::group() const {
  if (group_) return *group_;
  const CKeyboardProfiledata* doc = keyboard_.document();
  return doc ? doc->getCustomGroupIndex() : 0;
}

unsigned KeyboardSettings::groupCount() const {
  const CKeyboardProfiledata* doc = keyboard_.document();
  return std::max<unsigned>(doc ? static_cast<unsigned>(doc->customGroupCount()) : 0, 1);
}

FunctionCode KeyboardSettings::key(int position) const {
  if (auto it = keys_.find(position); it != keys_.end()) return it->second;
  const auto list = keyboard_.keys();
  if (static_cast<size_t>(position) < list.size()) return list[static_cast<size_t>(position)].assignment;
  return defaultKey(position);
}

FunctionCode KeyboardSettings::defaultKey(int position) const {
  return keyboard::kPositionDefaults[static_cast<size_t>(position)];
}

uint32_t KeyboardSettings::colour(int position) const {
  if (auto it = colours_.find(position); it != colours_.end()) return it->second;
  const CustomColor c = keyboard_.customColours()[static_cast<size_t>(position)];
  return rgb(c.red, c.green, c.blue);
}

bool KeyboardSettings::customModeShown(const LightRecord& record) const {
  const auto& modes = keyboard_.lightModes();
  const uint8_t code = record.selectItem < modes.size() ? modes[record.selectItem].code : record.selectItem;
  return code == keyboard::kCustomMode;
}

void KeyboardSettings::finish() {
  CKeyboardProfiledata* doc = keyboard_.document();
  const LightRecord before = keyboard_.light();
  LightRecord record = light();
  bool lightChanged = light_.has_value();
  const bool groupChanged = doc && group_ && *group_ != doc->getCustomGroupIndex();
  if (groupChanged) {
    doc->setCustomGroupIndex(*group_);
    record.customGroup = static_cast<uint8_t>(*group_);
    lightChanged = true;
  }
  light_.reset();
  group_.reset();
  if (lightChanged) {
    keyboard_.changeLightRecord(record);
    // The light change writes the colour memory on a switch into the custom
    // mode; another group shown while it stays there needs the write too.
    if (groupChanged && customModeShown(before) && customModeShown(record)) keyboard_.WriteCustomColours();
  }
  if (!colours_.empty() && doc) {
    // All but the last go into the group directly; the last goes through
    // the controller, which saves and writes the colour memory once for all.
    const unsigned g = doc->getCustomGroupIndex();
    std::vector<CustomColor> list = doc->getCustomGroupColors(g, keyboard::kPositions);
    const uint8_t alpha = keyboard::brightnessAlpha(record.light);
    const auto last = std::prev(colours_.end());
    for (auto it = colours_.begin(); it != last; ++it) {
      const uint32_t c = it->second;
      list[static_cast<size_t>(it->first)] = {static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8),
                                              static_cast<uint8_t>(c), alpha};
    }
    doc->setCustomGroupColors(g, list);
    keyboard_.setCustomColour(last->first, static_cast<uint8_t>(last->second >> 16),
                              static_cast<uint8_t>(last->second >> 8), static_cast<uint8_t>(last->second));
    // Outside the custom mode the controller only stores them; but every
    // connection reads the colour memory back into the group, so colours
    // kept in the document alone would be lost at the next one. They go to
    // the keyboard now, where the custom mode will find them.
    if (!customModeShown(record)) keyboard_.WriteCustomColours();
  }
  colours_.clear();
  if (keys_.empty()) return;
  for (const auto& [position, code] : keys_) keyboard_.StoreAssignment(position, code);
  keys_.clear();
  if (keyboard_.tablesValid()) keyboard_.WriteKeyTable();
}

const settings::KeyTable<KeyboardSettings>& keyboardSettingKeys() {
  static const settings::KeyTable<KeyboardSettings> table = buildTable();
  return table;
}

}  // namespace tessel
