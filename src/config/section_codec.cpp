#include "config/section_codec.h"

#include <type_traits>
#include <variant>

#include "platform/json_access.h"

namespace tessel::section {

using json::getBool;
using json::getInt;
using json::member;

namespace {

// One member of a section: its key and the record field it fills. A flag is
// read as a boolean (true, or any non-zero number) and written as 0 or 1.
template <class R>
struct Field {
  const char* key;
  std::variant<uint8_t R::*, uint16_t R::*, int32_t R::*> member;
  bool flag = false;
};

// Reading and writing walk the same table, so a key can never be read under
// one name and written under another.
template <class R, size_t N>
R readFields(const Json::Value& v, const Field<R> (&fields)[N]) {
  R r{};
  for (const Field<R>& f : fields) {
    std::visit(
        [&](auto m) {
          using T = std::remove_reference_t<decltype(r.*m)>;
          if (f.flag) {
            r.*m = getBool(v, f.key, false) ? 1 : 0;
          } else {
            r.*m = getInt<T>(v, f.key, 0);
          }
        },
        f.member);
  }
  return r;
}

// Writes the table's members into `v`, keeping any others it has.
template <class R, size_t N>
void writeFieldsInto(Json::Value& v, const R& r, const Field<R> (&fields)[N]) {
  for (const Field<R>& f : fields) {
    std::visit(
        [&](auto m) {
          if (f.flag) {
            v[f.key] = r.*m ? 1 : 0;
          } else {
            v[f.key] = static_cast<Json::Int>(r.*m);
          }
        },
        f.member);
  }
}

template <class R, size_t N>
Json::Value writeFields(const R& r, const Field<R> (&fields)[N]) {
  Json::Value v(Json::objectValue);
  writeFieldsInto(v, r, fields);
  return v;
}

using L = LightRecord;
const Field<L> kLight[] = {
    {"SelectItem", &L::selectItem}, {"Light", &L::light},           {"Speed", &L::speed},
    {"Fx", &L::fx},                 {"MultiColor", &L::multiColor, true},
    {"Red", &L::red},               {"Green", &L::green},           {"Blue", &L::blue},
    {"ZZCCLedMode", &L::zzccLedMode}, {"CustomGroup", &L::customGroup}, {"OldLedmode", &L::oldLedmode},
};

using A = AudioLightRecord;
const Field<A> kAudioLight[] = {
    {"AudioMode", &A::audioMode}, {"BkColorR", &A::bkColorR}, {"BkColorG", &A::bkColorG},
    {"BkColorB", &A::bkColorB},   {"FgColorR", &A::fgColorR}, {"FgColorG", &A::fgColorG},
    {"FgColorB", &A::fgColorB},   {"7ColorFlags", &A::sevenColorFlags, true},
    {"ColorTypeFlags", &A::colorTypeFlags, true},
};

using E = LightListEntry;
const Field<E> kLightListEntry[] = {
    {"LEDREGMode", &E::mode},   {"LEDBrightness", &E::brightness}, {"LEDSpeed", &E::speed},
    {"LEDDirection", &E::direction, true}, {"LEDMultiColor", &E::multiColor, true},
    {"red", &E::red},           {"green", &E::green},              {"blue", &E::blue},
};

using S = DpiStage;
const Field<S> kStage[] = {
    {"StageActive", &S::enabled}, {"StageXY", &S::xy},         {"StageDPIX", &S::x}, {"StageDPIY", &S::y},
    {"StageColorR", &S::red},     {"StageColorG", &S::green}, {"StageColorB", &S::blue},
};

using P = CorrectPreset;
const Field<P> kCorrect[] = {
    {"CorrectPixThresh", &P::pixThresh}, {"CorrectMinSq", &P::minSq},
    {"CorrectSelect", &P::select, true},
};  // and the text "CorrectName"

using C = CustomColor;
const Field<C> kCustomColor[] = {{"Red", &C::red}, {"Green", &C::green}, {"Blue", &C::blue}, {"Alpha", &C::alpha}};

// A sequence step keeps its direction and multi-colour values as numbers.
using T = LightStep;
const Field<T> kStep[] = {
    {"LEDREGMode", &T::mode}, {"LEDDirection", &T::direction}, {"LEDBrightness", &T::brightness},
    {"LEDSpeed", &T::speed},  {"LEDMultiColor", &T::multiColor}, {"red", &T::red},
    {"green", &T::green},     {"blue", &T::blue},              {"Time", &T::time},
    {"Cyle", &T::cycle},
};

using K = KeyboardSystemStages;
const Field<K> kKeyboardSystem[] = {
    {"Repeat", &K::repeat},           {"RepeatDelay", &K::repeatDelay}, {"Key6Flag", &K::key6Flag},
    {"PollingRate", &K::pollingRate}, {"WFlag", &K::wFlag},             {"WinFlag", &K::winFlag},
};

using H = HeadsetSystemSet;
const Field<H> kHeadsetSystem[] = {
    {"MagicEnable", &H::magicEnable},       {"MagicType", &H::magicType},
    {"EqType", &H::eqType},                 {"CustomEqSeletIndex", &H::customEqSelectIndex},
    {"MicInSelect", &H::micInSelect},       {"MicInValue", &H::micInValue},
    {"MicMoniterSelect", &H::micMonitorSelect}, {"MicMoniterValue", &H::micMonitorValue},
};

}  // namespace

LightRecord readLight(const Json::Value& v) { return readFields(v, kLight); }
Json::Value writeLight(const LightRecord& r) { return writeFields(r, kLight); }
AudioLightRecord readAudioLight(const Json::Value& v) { return readFields(v, kAudioLight); }
Json::Value writeAudioLight(const AudioLightRecord& r) { return writeFields(r, kAudioLight); }

LightListEntry readLightListEntry(const Json::Value& v) {
  if (v.isNull()) return {};  // a null entry: zeros, not present
  LightListEntry e = readFields(v, kLightListEntry);
  e.present = 1;
  return e;
}

Json::Value writeLightListEntry(const LightListEntry& e) {
  return e.present ? writeFields(e, kLightListEntry) : Json::Value();
}

KeyListEntry readKeyListEntry(const Json::Value& v) {
  KeyListEntry e;
  e.assignment = decodeFunctionCode(json::getInt(member(v, "Assignment"), 0, 0, 0xFFFFFFFFLL));
  e.defaultAssignment =
      decodeFunctionCode(json::getInt(member(v, "DefaultAssignment"), 0, 0, 0xFFFFFFFFLL));
  return e;
}

DpiStage readStage(const Json::Value& v) { return readFields(v, kStage); }
Json::Value writeStage(const DpiStage& s) { return writeFields(s, kStage); }
CorrectPreset readCorrect(const Json::Value& v) {
  CorrectPreset p = readFields(v, kCorrect);
  p.name = json::getString(v, "CorrectName", "");
  return p;
}

Json::Value writeCorrect(const CorrectPreset& p) {
  Json::Value v = writeFields(p, kCorrect);
  v["CorrectName"] = p.name;
  return v;
}
CustomColor readCustomColor(const Json::Value& v) { return readFields(v, kCustomColor); }
Json::Value writeCustomColor(const CustomColor& c) { return writeFields(c, kCustomColor); }
LightStep readStep(const Json::Value& v) { return readFields(v, kStep); }
Json::Value writeStep(const LightStep& s) { return writeFields(s, kStep); }

KeyboardSystemStages readKeyboardSystem(const Json::Value& v) { return readFields(v, kKeyboardSystem); }
void writeKeyboardSystem(const KeyboardSystemStages& k, Json::Value& into) { writeFieldsInto(into, k, kKeyboardSystem); }
HeadsetSystemSet readHeadsetSystem(const Json::Value& v) { return readFields(v, kHeadsetSystem); }
void writeHeadsetSystem(const HeadsetSystemSet& h, Json::Value& into) { writeFieldsInto(into, h, kHeadsetSystem); }

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
