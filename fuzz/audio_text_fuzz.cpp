// The audio chip's answers are outside input: a feature string, decimal text
// in a buffer the chip filled (maybe without a terminator), and the mixer
// description of a sound card.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "audio/audio_chip_binding.h"
#include "audio/emulated_audio_chip.h"
#include "audio/mixer_description.h"

namespace {

using namespace tessel::audio;

// A chip that copies the input into every read buffer, as far as it fits,
// without a terminator.
class RawChip : public EmulatedAudioChip {
 public:
  explicit RawChip(std::string_view bytes) : bytes_(bytes) {}
  int readProperty(const Endpoint& e, std::string_view name, const Parameter& p, char* buffer,
                   std::size_t size) override {
    EmulatedAudioChip::readProperty(e, name, p, buffer, size);
    std::memcpy(buffer, bytes_.data(), std::min(size, bytes_.size()));
    return 0;
  }

 private:
  std::string_view bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  (void)parseFeatureString(text);
  (void)parseDecimalInt(text);
  (void)parseDecimalReal(text);
  RecordedMixer mixer(parseMixerDescription(text));
  for (const MixerControl& c : mixer.controls()) {
    mixer.setVolume(c.name, Stream::Capture, c.capture.max + 1);
    mixer.setSwitch(c.name, Stream::Playback, true);
  }
  auto chip = std::make_shared<RawChip>(text);
  AudioChipBinding binding(chip);
  binding.start();
  int32_t i = 0;
  double r = 0;
  binding.readInt(End::Recording, prop::kMute, Parameter::none(), i);
  binding.readReal(End::Recording, prop::kVolumeScalar, Parameter::onChannel(-1), r);
  return 0;
}
