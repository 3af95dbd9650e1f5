#pragma once
// AudioChip: the headset's audio chip as the rest of the program sees it.
//
// The chip is reached through endpoints (one playback, one recording) and
// named properties. An endpoint record is handed out by the chip and passed
// back unchanged in every property call. A property is read as decimal text
// (or, for "GetSupportFeature", a comma-separated list) into a buffer the
// caller owns, and written as one 32-bit value: a signed integer, or an IEEE
// single-precision real for the two level properties. Every call answers 0
// for success and anything else for failure (property missing, value
// refused, no such endpoint).
//
// Implementations: EmulatedAudioChip (tests and demo mode) and AlsaAudioChip
// (the headset's USB sound card through the ALSA mixer). Each one locks its
// own state, so the binding may call it from any thread.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tessel::audio {

enum class Direction : int32_t { Playback = 0, Recording = 1 };

// One endpoint as the chip describes it (16 bytes, passed by value).
struct Endpoint {
  uint32_t identifier = 0;  // the chip's own; passed back unchanged
  int32_t kind = 0;         // what the endpoint is; 0 or less: none found
  uint32_t reserved = 0;    // passed back unchanged
  uint32_t state = 0;       // 1 for a usable playback endpoint
  bool found() const { return kind > 0; }
  bool operator==(const Endpoint&) const = default;
};
static_assert(sizeof(Endpoint) == 16);

// Endpoint kinds the binding chooses between.
inline constexpr int32_t kKindSpeakers = 1;
inline constexpr int32_t kKindRecording = 2;
inline constexpr int32_t kKindHeadphones4 = 4;
inline constexpr int32_t kKindDigital7 = 7;
inline constexpr int32_t kKindUsb12 = 12;

// Buffer sizes of a property read.
inline constexpr std::size_t kPropertyBufferSize = 1024;
inline constexpr std::size_t kFeatureBufferSize = 2048;

// The parameter of a property call: none, a channel selector (-1 or 0), or
// the surround block {4, -1, 0}.
struct Parameter {
  enum class Kind { None, Channel, Block };
  Kind kind = Kind::None;
  int32_t channel = 0;
  std::array<int32_t, 3> block{};

  static Parameter none() { return {}; }
  static Parameter onChannel(int32_t c) { return {Kind::Channel, c, {}}; }
  static Parameter surroundBlock() { return {Kind::Block, 0, {4, -1, 0}}; }
  bool operator==(const Parameter&) const = default;
};

// A written value: the first four bytes of the value buffer.
struct WriteValue {
  std::array<uint8_t, 4> bytes{};

  static WriteValue ofInt(int32_t v) {
    WriteValue w;
    std::memcpy(w.bytes.data(), &v, 4);
    return w;
  }
  static WriteValue ofReal(float v) {
    WriteValue w;
    std::memcpy(w.bytes.data(), &v, 4);
    return w;
  }
  int32_t asInt() const {
    int32_t v;
    std::memcpy(&v, bytes.data(), 4);
    return v;
  }
  float asReal() const {
    float v;
    std::memcpy(&v, bytes.data(), 4);
    return v;
  }
  bool operator==(const WriteValue&) const = default;
};

// Property names the binding and the headset use.
namespace prop {
inline constexpr std::string_view kSupportFeature = "GetSupportFeature";
inline constexpr std::string_view kVolumeScalar = "VolumeScalarControl";
inline constexpr std::string_view kMute = "MuteControl";
inline constexpr std::string_view kAAVolumeScalar = "AAVolumeScalarControl";
inline constexpr std::string_view kAAMute = "AAMuteControl";
inline constexpr std::string_view kAAMaxVol = "GetAAMaxVol";
inline constexpr std::string_view kVolume = "VolumeControl";
inline constexpr std::string_view kAAVolume = "AAVolumeControl";
inline constexpr std::string_view kMagicVoice = "Enable_MAGICVOICE";
inline constexpr std::string_view kMagicVoiceSelection = "MagicVoice_Selection";
inline constexpr std::string_view kMicEcho = "Enable_MICECHO";
inline constexpr std::string_view kEncLfx = "Enable_ENC_LFX";
inline constexpr std::string_view kEqEnable = "Enable_EQ_GFX";
inline constexpr std::string_view kRfxEnable = "Enable_RFX_GFX";
inline constexpr std::string_view kRfxEnvironment = "RFX_ENVIRONMENT";
inline constexpr std::string_view kRfxRoomSize = "RFX_ROOMSIZE";
inline constexpr std::string_view kSurround = "VirtualSurroundEffectControl";
// "EQ_Slider1" for band 0 ... "EQ_Slider10" for band 9.
std::string eqSlider(int band);
// The two properties written as single-precision reals.
bool isReal(std::string_view name);
}  // namespace prop

// The groups of audio controls a page shows; a chip may lack some.
enum class AudioGroup { Equaliser, Microphone, Monitor, VoiceChanger };
inline constexpr std::array<AudioGroup, 4> kAudioGroups = {AudioGroup::Equaliser, AudioGroup::Microphone,
                                                          AudioGroup::Monitor, AudioGroup::VoiceChanger};
// "equaliser", "microphone", "monitor", "voice changer".
std::string_view groupName(AudioGroup group);

class AudioChip {
 public:
  virtual ~AudioChip() = default;

  // 0 = success.
  virtual int init() = 0;
  // Takes a fresh look at the endpoints; must come before the first count.
  virtual void createDeviceList() = 0;
  virtual int32_t deviceCount(Direction direction) = 0;
  // A record with kind 0 for an index past the count.
  virtual Endpoint deviceById(Direction direction, int32_t index) = 0;
  // Reads `name` as text into buffer[0 .. size): always NUL-terminated within
  // `size` (size 0: nothing written, failure). 0 = success.
  virtual int readProperty(const Endpoint& endpoint, std::string_view name, const Parameter& parameter, char* buffer,
                           std::size_t size) = 0;
  // Writes `value` to `name`. 0 = success.
  virtual int writeProperty(const Endpoint& endpoint, std::string_view name, const Parameter& parameter,
                            const WriteValue& value) = 0;
  // Why `group` cannot work on this chip, in one line; empty when it can.
  virtual std::string unavailableReason(AudioGroup group) const = 0;
};

}  // namespace tessel::audio
