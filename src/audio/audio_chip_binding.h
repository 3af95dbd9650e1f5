#pragma once
// AudioChipBinding: the start-up of the audio chip and every property call the
// headset makes.
//
// Start-up (each time a headset page is created):
//   1. init; a non-zero answer is reported as "ConfLibInit called failed!"
//      and the binding goes on as if initialised.
//   2. createDeviceList, then the playback count. With no playback endpoint
//      nothing more happens: no endpoint is chosen, every call fails.
//   3. Playback endpoint: the first record of kind 1 with state 1; failing
//      that kind 12, then 7, then 4 (each with state 1).
//   4. Recording endpoint: the first record of kind 2 (state not checked).
//   5. For the recording, then the playback endpoint, when found: the
//      feature string ("GetSupportFeature", 2048-byte buffer) split at ",";
//      with 7 fields or more fields 0, 4 and 6 are kept, with fewer
//      "UpdateAPOAvailable failed!" is reported and the feature word stays 0.
//   6. Defaults: each property of a fixed list is read, and written with its
//      default when the read fails; only on an endpoint that was found (a
//      default is never sent to an endpoint record of zeros).
// Problems are returned for the page to show, never shown from here.
//
// Without a chip (no library) nothing is ever called and every property call
// fails. A property call on an endpoint that was not found fails without
// reaching the chip. Reading "Enable_MAGICVOICE" fails unless bit 17 of the
// recording endpoint's feature word says the voice changer exists.
//
// The endpoint records are shared by every headset page: process() is the
// one binding of the program. Every member locks, so a page and a worker may
// share it.
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "audio/audio_chip.h"

namespace tessel::audio {

inline constexpr std::string_view kInitFailedText = "ConfLibInit called failed!";
inline constexpr std::string_view kFeatureFailedText = "UpdateAPOAvailable failed!";
inline constexpr int32_t kVoiceChangerFeatureBit = 0x20000;

// Fields 0, 4 and 6 of a feature string.
struct FeatureFields {
  int32_t field0 = 0;
  int32_t field4 = 0;
  int32_t field6 = 0;
  bool operator==(const FeatureFields&) const = default;
};

// Splits `text` at ","; nullopt with fewer than 7 fields. A field that is not
// a decimal number reads as 0.
std::optional<FeatureFields> parseFeatureString(std::string_view text);
// A chip's decimal text (leading/trailing blanks allowed); nullopt when it is
// not one or does not fit.
std::optional<int32_t> parseDecimalInt(std::string_view text);
std::optional<double> parseDecimalReal(std::string_view text);

// Which of the two chosen endpoints a call goes to.
enum class End { Playback, Recording };

class AudioChipBinding {
 public:
  // `chip` null: the library is missing.
  explicit AudioChipBinding(std::shared_ptr<AudioChip> chip = nullptr);

  // The program's binding: the headset's sound card through ALSA until
  // demo mode gives it the emulated chip (setChip).
  static AudioChipBinding& process();
  // Replaces the chip; the endpoints are forgotten until the next start().
  void setChip(std::shared_ptr<AudioChip> chip);
  bool hasChip() const;

  // Steps 1-6 above; the problem texts, in the order met.
  std::vector<std::string> start();

  Endpoint endpoint(End end) const;
  FeatureFields features(End end) const;
  bool voiceChangerOffered() const;

  // Property calls: 0 = success. A failed read leaves `out` unchanged.
  int readText(End end, std::string_view name, const Parameter& parameter, std::string& out);
  int readInt(End end, std::string_view name, const Parameter& parameter, int32_t& out);
  int readReal(End end, std::string_view name, const Parameter& parameter, double& out);
  int writeInt(End end, std::string_view name, const Parameter& parameter, int32_t value);
  int writeReal(End end, std::string_view name, const Parameter& parameter, float value);

  // Why `group` cannot work now, in one line; empty when it can. The chip's
  // own reason first, then what start-up found (no endpoint, no monitor path,
  // no voice changer).
  std::string unavailableReason(AudioGroup group) const;

 private:
  std::shared_ptr<AudioChip> chipLocked() const;
  int readLocked(const std::shared_ptr<AudioChip>& chip, End end, std::string_view name, const Parameter& parameter,
                 std::string& out, std::size_t bufferSize);
  void ensureDefaults(const std::shared_ptr<AudioChip>& chip);

  mutable std::mutex mutex_;
  std::shared_ptr<AudioChip> chip_;
  Endpoint playback_, recording_;
  FeatureFields playbackFeatures_, recordingFeatures_;
  bool started_ = false;
};

}  // namespace tessel::audio
