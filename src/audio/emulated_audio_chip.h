#pragma once
// EmulatedAudioChip: the headset's audio chip for tests and demo mode.
//
// It holds a playback and a recording endpoint list (kinds and states as
// configured), a feature string per direction, and every property the
// headset uses with its value as the text a read returns. A property call
// names an endpoint record; the call fails when no configured endpoint has
// that identifier, or when the property is missing on that endpoint's side.
// Writes are checked (levels 0.0..1.0, switches 0/1, voice type 0..3, read-only
// properties refused) and stored as text again, so a level written as 0.29f
// reads back as the single-precision value's digits ("0.289999992").
//
// Failures on cue: a missing property, a refused write, no endpoints, an
// init failure, a short feature string. Every call is logged so tests assert
// on what the chip received.
//
// In demo mode the property values live in a file (demoAudioChipFile), taken
// in again whenever another process replaced it, and written atomically after
// every accepted write, so "tesselctl --demo" and a running demo share one chip.
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "audio/audio_chip.h"

namespace tessel::audio {

// The demo chip's file in the demo store folder.
std::filesystem::path demoAudioChipFile(const std::filesystem::path& demoFolder);

class EmulatedAudioChip;
// The chip of demo mode, keeping its values in the demo store folder; `reset`
// starts it from the factory values (--demo-reset).
std::shared_ptr<EmulatedAudioChip> makeDemoAudioChip(const std::filesystem::path& demoFolder, bool reset = false);

class EmulatedAudioChip : public AudioChip {
 public:
  struct Call {
    enum class Op { Read, Write };
    Op op = Op::Read;
    Direction direction = Direction::Playback;  // of the endpoint named
    std::string name;
    Parameter parameter;
    WriteValue value;  // writes only
    int result = 0;
  };

  // A headset as shipped: one speaker endpoint (kind 1, state 1), one
  // recording endpoint (kind 2), the voice changer offered (bit 17), every
  // property at its factory value.
  EmulatedAudioChip();

  // --- configuration ---
  void setEndpoints(Direction direction, std::vector<Endpoint> endpoints);
  void setFeatureString(Direction direction, std::string text);
  void setInitResult(int result);
  // The property's text as a read returns it; creates it when missing.
  void setProperty(Direction direction, std::string_view name, std::string text);
  // nullopt when missing.
  std::optional<std::string> property(Direction direction, std::string_view name) const;
  void removeProperty(Direction direction, std::string_view name);
  void refuseWrites(std::string_view name, bool refuse = true);
  // Persists the property values in `file` (demo mode). False when it cannot
  // be written; the chip then runs without persistence.
  bool attachStore(const std::filesystem::path& file);

  // --- what it received ---
  std::vector<Call> calls() const;
  void clearCalls();
  // The writes of `name`, in order.
  std::vector<Call> writesOf(std::string_view name) const;
  int initCount() const;

  // --- AudioChip ---
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
  using Table = std::map<std::string, std::string, std::less<>>;
  Table& table(Direction d) { return d == Direction::Playback ? playbackProps_ : recordingProps_; }
  const Table& table(Direction d) const { return d == Direction::Playback ? playbackProps_ : recordingProps_; }
  std::optional<Direction> directionOf(const Endpoint& endpoint) const;
  // False when the store is there but cannot be read.
  bool takeInStoreLocked();
  void saveStoreLocked();

  mutable std::mutex mutex_;
  std::vector<Endpoint> playback_, recording_;
  Table playbackProps_, recordingProps_;
  std::set<std::string, std::less<>> refused_;
  int initResult_ = 0;
  int initCount_ = 0;
  std::vector<Call> calls_;
  std::filesystem::path storeFile_;
  struct Stamp {
    bool exists = false;
    uint64_t inode = 0;
    int64_t mtimeNs = 0;
    uint64_t size = 0;
    bool operator==(const Stamp&) const = default;
  } seen_;
};

}  // namespace tessel::audio
