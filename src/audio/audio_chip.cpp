#include "audio/audio_chip.h"

namespace tessel::audio {

namespace prop {

std::string eqSlider(int band) { return "EQ_Slider" + std::to_string(band + 1); }

bool isReal(std::string_view name) { return name == kVolumeScalar || name == kAAVolumeScalar; }

}  // namespace prop

std::string_view groupName(AudioGroup group) {
  switch (group) {
    case AudioGroup::Equaliser: return "equaliser";
    case AudioGroup::Microphone: return "microphone";
    case AudioGroup::Monitor: return "monitor";
    case AudioGroup::VoiceChanger: return "voice changer";
  }
  return "";
}

}  // namespace tessel::audio
