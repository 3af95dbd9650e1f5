#include "config/section_codec.h"

#include "platform/json_access.h"

namespace tessel::section {

using json::getBool;
using json::getInt;
using json::member;

namespace {
uint8_t u8(const Json::Value& v, std::string_view key) { return getInt<uint8_t>(v, key, 0); }
uint8_t flag(const Json::Value& v, std::string_view key) { return getBool(v, key, false) ? 1 : 0; }
Json::Value num(int value) { return Json::Value(value); }
}  // namespace

LightRecord readLight(const Json::Value& v) {
  LightRecord r;
  r.selectItem = u8(v, "SelectItem");
  r.light = u8(v, "Light");
  r.speed = u8(v, "Speed");
  r.fx = u8(v, "Fx");
  r.multiColor = flag(v, "MultiColor");
  r.red = u8(v, "Red");
  r.green = u8(v, "Green");
  r.blue = u8(v, "Blue");
  r.zzccLedMode = u8(v, "ZZCCLedMode");
  r.customGroup = u8(v, "CustomGroup");
  r.oldLedmode = u8(v, "OldLedmode");
  return r;
}

Json::Value writeLight(const LightRecord& r) {
  Json::Value v(Json::objectValue);
  v["SelectItem"] = num(r.selectItem);
  v["Light"] = num(r.light);
  v["Speed"] = num(r.speed);
  v["Fx"] = num(r.fx);
  v["MultiColor"] = num(r.multiColor ? 1 : 0);
  v["Red"] = num(r.red);
  v["Green"] = num(r.green);
  v["Blue"] = num(r.blue);
  v["ZZCCLedMode"] = num(r.zzccLedMode);
  v["CustomGroup"] = num(r.customGroup);
  v["OldLedmode"] = num(r.oldLedmode);
  return v;
}

AudioLightRecord readAudioLight(const Json::Value& v) {
  AudioLightRecord r;
  r.audioMode = u8(v, "AudioMode");
  r.bkColorR = u8(v, "BkColorR");
  r.bkColorG = u8(v, "BkColorG");
  r.bkColorB = u8(v, "BkColorB");
  r.fgColorR = u8(v, "FgColorR");
  r.fgColorG = u8(v, "FgColorG");
  r.fgColorB = u8(v, "FgColorB");
  r.sevenColorFlags = flag(v, "7ColorFlags");
  r.colorTypeFlags = flag(v, "ColorTypeFlags");
  return r;
}

Json::Value writeAudioLight(const AudioLightRecord& r) {
  Json::Value v(Json::objectValue);
  v["AudioMode"] = num(r.audioMode);
  v["BkColorR"] = num(r.bkColorR);
  v["BkColorG"] = num(r.bkColorG);
  v["BkColorB"] = num(r.bkColorB);
  v["FgColorR"] = num(r.fgColorR);
  v["FgColorG"] = num(r.fgColorG);
  v["FgColorB"] = num(r.fgColorB);
  v["7ColorFlags"] = num(r.sevenColorFlags ? 1 : 0);
  v["ColorTypeFlags"] = num(r.colorTypeFlags ? 1 : 0);
  return v;
}

LightListEntry readLightListEntry(const Json::Value& v) {
  LightListEntry e;
  if (v.isNull()) return e;  // a null entry: zeros, not present
  e.mode = u8(v, "LEDREGMode");
  e.brightness = u8(v, "LEDBrightness");
  e.speed = u8(v, "LEDSpeed");
  e.direction = flag(v, "LEDDirection");
  e.multiColor = flag(v, "LEDMultiColor");
  e.red = u8(v, "red");
  e.green = u8(v, "green");
  e.blue = u8(v, "blue");
  e.present = 1;
  return e;
}

Json::Value writeLightListEntry(const LightListEntry& e) {
  if (!e.present) return Json::Value();
  Json::Value v(Json::objectValue);
  v["LEDREGMode"] = num(e.mode);
  v["LEDBrightness"] = num(e.brightness);
  v["LEDSpeed"] = num(e.speed);
  v["LEDDirection"] = num(e.direction ? 1 : 0);
  v["LEDMultiColor"] = num(e.multiColor ? 1 : 0);
  v["red"] = num(e.red);
  v["green"] = num(e.green);
  v["blue"] = num(e.blue);
  return v;
}

KeyListEntry readKeyListEntry(const Json::Value& v) {
  KeyListEntry e;
  e.assignment = decodeFunctionCode(json::getInt(member(v, "Assignment"), 0, 0, 0xFFFFFFFFLL));
  e.defaultAssignment =
      decodeFunctionCode(json::getInt(member(v, "DefaultAssignment"), 0, 0, 0xFFFFFFFFLL));
  return e;
}

DpiStage readStage(const Json::Value& v) {
  DpiStage s;
  s.enabled = u8(v, "StageActive");
  s.xy = u8(v, "StageXY");
  s.x = getInt<uint16_t>(v, "StageDPIX", 0);
  s.y = getInt<uint16_t>(v, "StageDPIY", 0);
  s.red = u8(v, "StageColorR");
  s.green = u8(v, "StageColorG");
  s.blue = u8(v, "StageColorB");
  return s;
}

Json::Value writeStage(const DpiStage& s) {
  Json::Value v(Json::objectValue);
  v["StageActive"] = num(s.enabled);
  v["StageXY"] = num(s.xy);
  v["StageDPIX"] = num(s.x);
  v["StageDPIY"] = num(s.y);
  v["StageColorR"] = num(s.red);
  v["StageColorG"] = num(s.green);
  v["StageColorB"] = num(s.blue);
  return v;
}

CorrectPreset readCorrect(const Json::Value& v) {
  CorrectPreset p;
  p.pixThresh = getInt<int32_t>(v, "CorrectPixThresh", 0);
  p.minSq = getInt<int32_t>(v, "CorrectMinSq", 0);
  p.select = flag(v, "CorrectSelect");
  p.name = json::getString(v, "CorrectName", "");
  return p;
}

Json::Value writeCorrect(const CorrectPreset& p) {
  Json::Value v(Json::objectValue);
  v["CorrectPixThresh"] = p.pixThresh;
  v["CorrectMinSq"] = p.minSq;
  v["CorrectSelect"] = num(p.select ? 1 : 0);
  v["CorrectName"] = p.name;
  return v;
}

CustomColor readCustomColor(const Json::Value& v) {
  return CustomColor{u8(v, "Red"), u8(v, "Green"), u8(v, "Blue"), u8(v, "Alpha")};
}

Json::Value writeCustomColor(const CustomColor& c) {
  Json::Value v(Json::objectValue);
  v["Red"] = num(c.red);
  v["Green"] = num(c.green);
  v["Blue"] = num(c.blue);
  v["Alpha"] = num(c.alpha);
  return v;
}

LightStep readStep(const Json::Value& v) {
  LightStep s;
  s.mode = u8(v, "LEDREGMode");
  s.direction = u8(v, "LEDDirection");
  s.brightness = u8(v, "LEDBrightness");
  s.speed = u8(v, "LEDSpeed");
  s.multiColor = u8(v, "LEDMultiColor");
  s.red = u8(v, "red");
  s.green = u8(v, "green");
  s.blue = u8(v, "blue");
  s.time = getInt<int32_t>(v, "Time", 0);
  s.cycle = getInt<int32_t>(v, "Cyle", 0);
  return s;
}

Json::Value writeStep(const LightStep& s) {
  Json::Value v(Json::objectValue);
  v["LEDREGMode"] = num(s.mode);
  v["LEDDirection"] = num(s.direction);
  v["LEDBrightness"] = num(s.brightness);
  v["LEDSpeed"] = num(s.speed);
  v["LEDMultiColor"] = num(s.multiColor);
  v["red"] = num(s.red);
  v["green"] = num(s.green);
  v["blue"] = num(s.blue);
  v["Time"] = s.time;
  v["Cyle"] = s.cycle;
  return v;
}

std::vector<EqPreset> readEqPresets(const Json::Value& v) {
  std::vector<EqPreset> presets;
  const unsigned n = json::size(v);
  presets.reserve(n);
  for (unsigned i = 0; i < n; ++i) {
    const Json::Value& bands = json::element(v, i);
    EqPreset preset;
    const unsigned m = json::size(bands);
    preset.reserve(m);
    for (unsigned b = 0; b < m; ++b) preset.push_back(getInt<int32_t>(json::element(bands, b), "value", 0));
    presets.push_back(std::move(preset));
  }
  return presets;
}

Json::Value writeEqPresets(const std::vector<EqPreset>& presets) {
  Json::Value v(Json::arrayValue);
  for (const EqPreset& preset : presets) {
    Json::Value bands(Json::arrayValue);
    for (int32_t value : preset) {
      Json::Value band(Json::objectValue);
      band["value"] = value;
      bands.append(band);
    }
    v.append(bands);
  }
  return v;
}

}  // namespace tessel::section
