#pragma once
// JSON <-> record conversions of the document sections, shared by the
// profile-data classes. Internal to src/config: readers never throw and read
// a missing or mistyped member as 0; writers write booleans as integers.
#include <json/json.h>

#include "config/document_records.h"
#include "core/light_record.h"

namespace tessel::section {

LightRecord readLight(const Json::Value& v);
Json::Value writeLight(const LightRecord& r);
AudioLightRecord readAudioLight(const Json::Value& v);
Json::Value writeAudioLight(const AudioLightRecord& r);
LightListEntry readLightListEntry(const Json::Value& v);
Json::Value writeLightListEntry(const LightListEntry& e);
KeyListEntry readKeyListEntry(const Json::Value& v);
DpiStage readStage(const Json::Value& v);
Json::Value writeStage(const DpiStage& s);
CorrectPreset readCorrect(const Json::Value& v);
Json::Value writeCorrect(const CorrectPreset& p);
CustomColor readCustomColor(const Json::Value& v);
Json::Value writeCustomColor(const CustomColor& c);
LightStep readStep(const Json::Value& v);
Json::Value writeStep(const LightStep& s);
// "SystemStages" of the keyboard and "SystemSetStages" of the headset; the
// writers fill an existing section and keep its other members.
KeyboardSystemStages readKeyboardSystem(const Json::Value& v);
void writeKeyboardSystem(const KeyboardSystemStages& k, Json::Value& into);
HeadsetSystemSet readHeadsetSystem(const Json::Value& v);
void writeHeadsetSystem(const HeadsetSystemSet& h, Json::Value& into);
// An array of presets, each an array of {"value"} bands.
std::vector<EqPreset> readEqPresets(const Json::Value& v);
Json::Value writeEqPresets(const std::vector<EqPreset>& presets);

}  // namespace tessel::section
