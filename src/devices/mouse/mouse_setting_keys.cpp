#include "devices/mouse/mouse_setting_keys.h"

#include <algorithm>

#include "config/function_code_text.h"
#include "config/light_mode_list.h"
#include "config/light_setting_keys.h"
#include "config/mouse_profiledata.h"
#include "devices/mouse/mouse_buttons.h"

namespace tessel {

using settings::KeyRow;
using settings::Range;
using settings::Value;
using settings::ValueType;

namespace {

Value number(int64_t n) {
  Value v;
  v.number = n;
  return v;
}

// Stage i as the document holds it; a stage past the list reads as the zeros
// the settings block carries for it.
DpiStage stageOf(const MouseSettings& m, int i) {
  const auto stages = m.mouse().stages();
  return static_cast<size_t>(i) < stages.size() ? stages[static_cast<size_t>(i)] : DpiStage{};
}

// The ranges of the window's pointer sliders: speed and wheel lines 0..20,
// the double-click time in milliseconds (the factory profile holds 500).
constexpr Range kPointerSlider{0, 20};
constexpr Range kDoubleClickSlider{200, 900};

uint32_t rgb(uint8_t r, uint8_t g, uint8_t b) { return static_cast<uint32_t>(r) << 16 | g << 8 | b; }

Range stageIndexRange(const MouseSettings& m) {
  if (!m.scaleKnown()) return {0, 0xFFFF};  // the controller keeps the index as typed until the mouse says more
  return {0, m.mouse().sliderMaximum()};
}

Range dpiRange(const MouseSettings& m) {
  const mouse::MouseIdentity id = m.mouse().identityFields();
  return {id.lowestDpi, mouse::highestDpi(id)};
}

settings::KeyTable<MouseSettings> buildTable() {
  settings::KeyTable<MouseSettings> t;
  for (int i = 0; i < static_cast<int>(mouse::kMaxStages); ++i) {
    const std::string p = "stage." + std::to_string(i) + ".";
    const std::string stageLabel = "dpi_stage_" + std::to_string(i);  // "Stage 1" beside the stage's slider
    {
      KeyRow<MouseSettings> row;
      row.key = p + "index";
      row.doc = {"stage.N.index", "N = 0..4, a stage of the profile: 0..highest index of the mouse's scale (the page's slider)", stageLabel};
      row.range = stageIndexRange;
      row.read = [i](const MouseSettings& m) -> std::optional<Value> { return number(stageOf(m, i).x); };
      row.write = [i](MouseSettings& m, const Value& v) {
        return m.mouse().setStageIndex(i, static_cast<int>(v.number));
      };
      t.push_back(std::move(row));
    }
    {
      KeyRow<MouseSettings> row;
      row.key = p + "dpi";
      row.doc = {"stage.N.dpi",
                 "lowest..highest DPI; a value between two steps takes the step below; needs the mouse (its scale)", stageLabel};
      row.range = dpiRange;
      row.read = [i](const MouseSettings& m) -> std::optional<Value> {
        if (!m.scaleKnown()) return std::nullopt;
        return number(mouse::IndexToDpi(m.mouse().identityFields(), stageOf(m, i).x));
      };
      row.write = [i](MouseSettings& m, const Value& v) { return m.mouse().setStageDpi(i, v.number); };
      row.unavailable = "the DPI scale comes from the mouse, which did not answer; set stage." +
                        std::to_string(i) + ".index instead";
      t.push_back(std::move(row));
    }
    {
      KeyRow<MouseSettings> row;
      row.key = p + "enabled";
      row.doc = {"stage.N.enabled",
                 "1 or 0 (also true/false, on/off); the active stage and the last enabled one stay on", stageLabel};
      row.type = ValueType::Boolean;
      row.read = [i](const MouseSettings& m) -> std::optional<Value> { return number(stageOf(m, i).enabled != 0); };
      row.write = [i](MouseSettings& m, const Value& v) { return m.mouse().setStageEnabled(i, v.number != 0); };
      t.push_back(std::move(row));
    }
    {
      KeyRow<MouseSettings> row;
      row.key = p + "colour";
      row.doc = {"stage.N.colour", "RRGGBB", stageLabel};
      row.type = ValueType::Colour;
      row.read = [i](const MouseSettings& m) -> std::optional<Value> {
        const DpiStage s = stageOf(m, i);
        return number(rgb(s.red, s.green, s.blue));
      };
      row.write = [i](MouseSettings& m, const Value& v) {
        return m.mouse().setStageColour(i, static_cast<uint32_t>(v.number));
      };
      t.push_back(std::move(row));
    }
  }
  {
    KeyRow<MouseSettings> row;
    row.key = "stage.active";
    row.doc.help = "the active stage, 0..4 (an enabled one)";
    row.doc.label = "dpi_stages";
    row.range = [](const MouseSettings&) { return Range{0, static_cast<int64_t>(mouse::kMaxStages) - 1}; };
    row.read = [](const MouseSettings& m) -> std::optional<Value> { return number(m.mouse().activeStage()); };
    row.write = [](MouseSettings& m, const Value& v) { return m.mouse().selectStage(static_cast<int>(v.number)); };
    t.push_back(std::move(row));
  }
  {
    KeyRow<MouseSettings> row;
    row.key = "polling";
    row.doc.help = "0..4, the page's polling-rate options";
    row.doc.label = "polling_rate";
    row.range = [](const MouseSettings&) { return Range{0, mouse::kPollingOptions - 1}; };
    row.read = [](const MouseSettings& m) -> std::optional<Value> {
      return number(m.mouse().systemStages().reportRate);
    };
    row.write = [](MouseSettings& m, const Value& v) { return m.mouse().setPollingRate(static_cast<int>(v.number)); };
    t.push_back(std::move(row));
  }
  // Pointer settings: kept in the profile only (the mouse does not hold them).
  {
    struct PointerKey {
      const char* key;
      const char* label;
      const char* help;
      bool boolean;
      Range range;
      uint16_t MouseSystemStages::*field;
      void (MouseController::*set)(int);
      void (MouseController::*setFlag)(bool);
    };
    static const PointerKey kPointer[] = {
        {"pointer.speed", "pointer_speed", "0..20, the page's pointer-speed slider", false, kPointerSlider, &MouseSystemStages::mouseSpeed, &MouseController::setPointerSpeed, nullptr},
        {"pointer.doubleclick", "double_click_speed", "200..900 milliseconds, the page's double-click slider", false, kDoubleClickSlider, &MouseSystemStages::doubleClickTime, &MouseController::setDoubleClickTime,
         nullptr},
        {"pointer.wheel", "scroll_speed", "0..20 lines, the page's wheel slider; clears `pointer.scrollpage`, as the page does", false, kPointerSlider, &MouseSystemStages::wheelScrollLines, &MouseController::setWheelSpeed, nullptr},
        {"pointer.precision", "pointer_precision", "1 or 0, the page's pointer-precision and scroll-by-page boxes", true, {}, &MouseSystemStages::pointerPrecision, nullptr,
         &MouseController::setPointerPrecision},
        {"pointer.scrollpage", "scroll_by_page", "1 or 0, the page's pointer-precision and scroll-by-page boxes", true, {}, &MouseSystemStages::scrollPage, nullptr, &MouseController::setScrollByPage},
    };
    for (const PointerKey& k : kPointer) {
      KeyRow<MouseSettings> row;
      row.key = k.key;
      // The mouse does not hold them, and nothing goes to the desktop.
      row.doc.help = std::string(k.help) + "; kept in the profile only";
      row.doc.label = k.label;
      row.type = k.boolean ? ValueType::Boolean : ValueType::Integer;
      if (!k.boolean) row.range = [range = k.range](const MouseSettings&) { return range; };
      row.read = [field = k.field, boolean = k.boolean](const MouseSettings& m) -> std::optional<Value> {
        const uint16_t v = m.mouse().systemStages().*field;
        return number(boolean ? (v & 0xFF) != 0 : v);
      };
      row.write = [k](MouseSettings& m, const Value& v) {
        if (k.boolean)
          (m.mouse().*k.setFlag)(v.number != 0);
        else
          (m.mouse().*k.set)(static_cast<int>(v.number));
        return true;
      };
      t.push_back(std::move(row));
    }
  }
  settings::appendLightRows<MouseSettings>(
      t, [](const MouseSettings& m) -> const std::vector<LightModeEntry>& { return m.mouse().lightModes(); },
      [](const MouseSettings& m) {
        const auto* doc = m.mouse().document();
        return doc ? static_cast<int64_t>(doc->lightLibrary().sequences(kKindIndexMouse).size()) : int64_t{0};
      },
      "position in the mouse's light-mode list (0..9), then its user light sequences (the light page's list) "
      "from 10 on");
  std::string buttonHelp = "N names the button as the window does:";
  for (size_t i = 0; i < mouse::kButtonNames.size(); ++i)
    buttonHelp += (i == 0 ? " " : ", ") + std::to_string(i) + " " + std::string(mouse::kButtonNames[i].english);
  buttonHelp +=
      "; a button value (below). `macro:INDEX` names a macro of the mouse's library (`macro.config` in its data "
      "folder); `set` and `apply` download the bound macros to the mouse's macro memory, then the key table, and "
      "write neither when the macros do not fit";
  for (int b = 0; b < static_cast<int>(mouse::kLogicalButtons); ++b) {
    KeyRow<MouseSettings> row;
    row.key = "button." + std::to_string(b);
    row.doc = {"button.N", buttonHelp, "mouse_button_" + std::to_string(b)};
    row.type = ValueType::Text;
    row.parseText = [b](const MouseSettings& m, std::string_view text, Value& v, std::string& why) {
      const FunctionCodeParse parsed = parseFunctionCode(text, m.defaultButton(b));
      if (!parsed.ok) {
        why = parsed.error;
        return false;
      }
      // A macro the library does not hold would go to the mouse as the
      // button's default while the document says otherwise.
      if (mouse::isMacroCode(parsed.code) && parsed.code.param1 >= m.macroCount()) {
        why = "macro " + std::to_string(parsed.code.param1) + " does not exist (the mouse's macro library holds " +
              std::to_string(m.macroCount()) + ")";
        return false;
      }
      v.number = parsed.code.type << 16 | parsed.code.param1 << 8 | parsed.code.param2;
      return true;
    };
    row.formatText = [b](const MouseSettings& m, const Value& v) {
      const FunctionCode c{static_cast<uint8_t>(v.number >> 16), static_cast<uint8_t>(v.number >> 8),
                           static_cast<uint8_t>(v.number)};
      return formatButtonValue(c, m.defaultButton(b));
    };
    row.read = [b](const MouseSettings& m) -> std::optional<Value> {
      const FunctionCode c = m.button(b);
      return number(c.type << 16 | c.param1 << 8 | c.param2);
    };
    row.write = [b](MouseSettings& m, const Value& v) {
      m.stageButton(b, {static_cast<uint8_t>(v.number >> 16), static_cast<uint8_t>(v.number >> 8),
                        static_cast<uint8_t>(v.number)});
      return true;
    };
    t.push_back(std::move(row));
  }
  return t;
}

}  // namespace

LightRecord MouseSettings::light() const {
  if (light_) return *light_;
  return mouse_.document() ? mouse_.document()->getLightInfo() : LightRecord{};
}

FunctionCode MouseSettings::button(int index) const {
  if (auto it = buttons_.find(index); it != buttons_.end()) return it->second;
  const auto list = mouse_.buttons();
  if (static_cast<size_t>(index) < list.size()) return list[static_cast<size_t>(index)].assignment;
  return defaultButton(index);
}

FunctionCode MouseSettings::defaultButton(int index) const {
  const auto list = mouse_.buttons();
  if (static_cast<size_t>(index) < list.size()) return list[static_cast<size_t>(index)].defaultAssignment;
  return mouse::kMouseButtons[static_cast<size_t>(index)].defaultCode;
}

void MouseSettings::finish() {
  if (light_) mouse_.changeLightRecord(*light_);
  light_.reset();
  mouse_.releaseSettingsBlock();  // stages, polling and light: one block
  if (buttons_.empty()) return;
  for (const auto& [index, code] : buttons_) mouse_.StoreAssignment(index, code);
  buttons_.clear();
  if (mouse_.keyTableRead()) mouse_.WriteButtonTable();
}

const settings::KeyTable<MouseSettings>& mouseSettingKeys() {
  static const settings::KeyTable<MouseSettings> table = buildTable();
  return table;
}

std::optional<std::string> checkMouseStagePlan(const MouseSettings& model,
                                               const std::vector<settings::Assignment<MouseSettings>>& pairs) {
  // The batch is checked against the state it leaves behind, whatever the
  // order of its pairs: the active stage must exist and be enabled, and at
  // least one stage stays enabled.
  std::vector<DpiStage> stages = model.mouse().stages();
  int active = model.mouse().activeStage();
  std::string activeKey, lastDisabled;
  std::vector<std::string> disabledKey(stages.size());
  for (const auto& a : pairs) {
    const std::string& key = a.row->key;
    if (key == "stage.active") {
      if (a.value.number >= static_cast<int64_t>(stages.size()))
        return key + ": the profile has " + std::to_string(stages.size()) + " stages";
      active = static_cast<int>(a.value.number);
      activeKey = key;
      continue;
    }
    if (key.rfind("stage.", 0) != 0 || key.size() <= 8 || key.substr(8) != "enabled") continue;
    const size_t i = static_cast<size_t>(key[6] - '0');
    if (stages.size() <= i) {
      stages.resize(i + 1);
      disabledKey.resize(i + 1);
    }
    stages[i].enabled = a.value.number != 0 ? 1 : 0;
    disabledKey[i] = a.value.number == 0 ? key : std::string();
    if (a.value.number == 0) lastDisabled = key;
  }
  const auto at = static_cast<size_t>(active);
  if (at < stages.size() && !stages[at].enabled) {
    if (!disabledKey[at].empty()) return disabledKey[at] + ": stage " + std::to_string(active) + " is the active stage";
    if (!activeKey.empty()) return activeKey + ": stage " + std::to_string(active) + " is disabled";
  }
  if (std::none_of(stages.begin(), stages.end(), [](const DpiStage& s) { return s.enabled != 0; }))
    return lastDisabled + ": at least one stage stays enabled";
  return std::nullopt;
}

}  // namespace tessel
