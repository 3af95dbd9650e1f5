#pragma once
// A sound card's simple mixer controls as plain records, the seam between the
// audio chip's mapping and ALSA.
//
// MixerBackend is what the mapping needs of a mixer: the controls, and the
// switch and volume of one control in one stream. AlsaMixer (alsa_audio_chip.cpp)
// answers from the card; RecordedMixer answers from a recorded description, the
// text `amixer -c N scontents` prints:
//
//   Simple mixer control 'Mic',0
//     Capabilities: pvolume pvolume-joined cvolume cvolume-joined pswitch cswitch
//     Playback channels: Mono
//     Capture channels: Mono
//     Limits: Playback 0 - 127 Capture 0 - 16
//     Mono: Playback 96 [76%] [-7.50dB] [off] Capture 13 [81%] [19.50dB] [on]
//
// The first channel line of a control gives its values (joined controls have
// one); a control that lists no limits for a stream has no volume there.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tessel::audio {

enum class Stream { Playback, Capture };

struct StreamState {
  bool hasVolume = false;
  bool hasSwitch = false;
  long min = 0, max = 0;  // volume limits
  long volume = 0;
  bool on = false;  // switch: true = live
  bool operator==(const StreamState&) const = default;
};

struct MixerControl {
  std::string name;
  int index = 0;
  StreamState playback, capture;
  const StreamState& stream(Stream s) const { return s == Stream::Playback ? playback : capture; }
  StreamState& stream(Stream s) { return s == Stream::Playback ? playback : capture; }
  bool operator==(const MixerControl&) const = default;
};

// Parses `amixer scontents` text; controls in the order printed. Lines it
// does not know are skipped; values past a control's limits are clamped.
std::vector<MixerControl> parseMixerDescription(std::string_view text);

class MixerBackend {
 public:
  virtual ~MixerBackend() = default;
  // The controls as they are now (asks the card again).
  virtual std::vector<MixerControl> controls() = 0;
  // False when the control or that part of it is missing, or the card refused.
  virtual bool setSwitch(std::string_view control, Stream stream, bool on) = 0;
  virtual bool setVolume(std::string_view control, Stream stream, long volume) = 0;
};

// A mixer that answers from a description and keeps what is set.
class RecordedMixer : public MixerBackend {
 public:
  explicit RecordedMixer(std::vector<MixerControl> controls) : controls_(std::move(controls)) {}
  std::vector<MixerControl> controls() override { return controls_; }
  bool setSwitch(std::string_view control, Stream stream, bool on) override;
  bool setVolume(std::string_view control, Stream stream, long volume) override;
  // A change made by another program.
  MixerControl* find(std::string_view control);

 private:
  std::vector<MixerControl> controls_;
};

}  // namespace tessel::audio
