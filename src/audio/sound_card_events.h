#pragma once
// SoundCardEvents: tells whoever follows it that the headset's USB sound card
// appeared or went (a replug is a going, then an appearing), so the audio
// chip can be bound again without a restart.
//
// The class itself only hands an announcement to its followers; tests
// announce by hand. UdevSoundCardWatch (audio/udev_sound_card_watch.h) is the
// real source: it announces from its own thread as the kernel reports the
// card's control node coming and going.
//
// A follower is called on the announcing thread and must be quick (post the
// work elsewhere). Dropping the Following handle stops the calls; it waits
// for a call in progress on another thread, and may be dropped from inside
// its own call.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace tessel::audio {

class SoundCardEvents {
 public:
  using Follower = std::function<void(bool present)>;

  class Following {
   public:
    ~Following();
    Following(const Following&) = delete;
    Following& operator=(const Following&) = delete;

   private:
    friend class SoundCardEvents;
    struct Entry;
    Following(SoundCardEvents& source, std::shared_ptr<Entry> entry) : source_(source), entry_(std::move(entry)) {}
    SoundCardEvents& source_;
    std::shared_ptr<Entry> entry_;
  };

  SoundCardEvents() = default;
  virtual ~SoundCardEvents() = default;
  SoundCardEvents(const SoundCardEvents&) = delete;
  SoundCardEvents& operator=(const SoundCardEvents&) = delete;

  // `follower` hears every announcement until the handle is dropped. The
  // source must outlive the handle.
  [[nodiscard]] std::unique_ptr<Following> follow(Follower follower);
  // Tells every follower that the card is now present (or gone).
  void announce(bool present);

 private:
  void unfollow(const std::shared_ptr<Following::Entry>& entry);

  std::mutex mutex_;  // guards entries_
  std::vector<std::shared_ptr<Following::Entry>> entries_;
};

// The program's source: a UdevSoundCardWatch for the headset's card, started
// on first use.
SoundCardEvents& systemSoundCards();

}  // namespace tessel::audio
