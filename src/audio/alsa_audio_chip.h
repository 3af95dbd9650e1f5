#pragma once
// AlsaAudioChip: the headset's audio chip on Linux, through the ALSA mixer of
// its USB sound card (the card whose USB ids are 0C76:1630).
//
// What the chip's properties become:
//   "MuteControl"            the microphone's capture switch (muted = off)
//   "VolumeScalarControl"    the microphone's capture volume, 0.0..1.0 over its range
//   "AAMuteControl"          the microphone's playback switch (side-tone; muted = off)
//   "AAVolumeScalarControl"  the microphone's playback volume (side-tone)
//   "GetAAMaxVol"            succeeds when the side-tone volume exists
//   "GetSupportFeature"      "0,0,0,0,0,0,0" (no voice changer)
// The equaliser, voice changer, surround, echo and plain volume properties
// have no mixer counterpart and fail; unavailableReason says so in one line.
// Without the card every call fails.
//
// The mixer itself sits behind MixerBackend so the mapping is tested against
// a recorded mixer description (RecordedMixer, audio/mixer_description.h)
// instead of a sound card. Every read asks the backend again, so a change
// made in another mixer program is seen the next time the page reads.
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "audio/audio_chip.h"
#include "audio/mixer_description.h"

namespace tessel::audio {

inline constexpr std::string_view kHeadsetUsbId = "0c76:1630";

// The ALSA card number whose "usbid" file under `procAsound` (normally
// /proc/asound) names `usbId` (case-insensitive); nullopt when none does.
std::optional<int> findCardByUsbId(const std::filesystem::path& procAsound, std::string_view usbId);

// The card's mixer through libasound; nullptr when it cannot be opened.
std::unique_ptr<MixerBackend> openAlsaMixer(int card);

class AlsaAudioChip : public AudioChip {
 public:
  // Opens the backend of the headset's card, or nullptr when there is none.
  using Opener = std::function<std::unique_ptr<MixerBackend>()>;
  // The real system: the card found under /proc/asound, opened through ALSA.
  AlsaAudioChip();
  explicit AlsaAudioChip(Opener opener);

  int init() override;
  void createDeviceList() override;
  int32_t deviceCount(Direction direction) override;
  Endpoint deviceById(Direction direction, int32_t index) override;
  int readProperty(const Endpoint& endpoint, std::string_view name, const Parameter& parameter, char* buffer,
                   std::size_t size) override;
  int writeProperty(const Endpoint& endpoint, std::string_view name, const Parameter& parameter,
                    const WriteValue& value) override;
  std::string unavailableReason(AudioGroup group) const override;

 private:
  // The controls the properties map to, found once per createDeviceList.
  struct Mapping {
    std::optional<std::string> capture;   // microphone capture switch/volume
    std::optional<std::string> sideTone;  // microphone playback switch/volume
  };
  bool validEndpointLocked(const Endpoint& endpoint) const;

  mutable std::mutex mutex_;
  Opener opener_;
  std::unique_ptr<MixerBackend> mixer_;
  Mapping mapping_;
};

}  // namespace tessel::audio
