#include "audio/sound_card_events.h"

#include <algorithm>

#include "audio/udev_sound_card_watch.h"

namespace tessel::audio {

// One follower; its own lock lets a call finish before the handle goes, and
// is recursive so the follower may drop its handle from inside the call.
struct SoundCardEvents::Following::Entry {
  std::recursive_mutex mutex;
  Follower follower;
  bool live = true;
};

SoundCardEvents::Following::~Following() { source_.unfollow(entry_); }

std::unique_ptr<SoundCardEvents::Following> SoundCardEvents::follow(Follower follower) {
  auto entry = std::make_shared<Following::Entry>();
  entry->follower = std::move(follower);
  {
    std::lock_guard lock(mutex_);
    entries_.push_back(entry);
  }
  return std::unique_ptr<Following>(new Following(*this, std::move(entry)));
}

void SoundCardEvents::unfollow(const std::shared_ptr<Following::Entry>& entry) {
  {
    std::lock_guard lock(mutex_);
    entries_.erase(std::remove(entries_.begin(), entries_.end(), entry), entries_.end());
  }
  std::lock_guard lock(entry->mutex);  // a call in progress ends first
  entry->live = false;
}

void SoundCardEvents::announce(bool present) {
  std::vector<std::shared_ptr<Following::Entry>> entries;
  {
    std::lock_guard lock(mutex_);
    entries = entries_;
  }
  // Called without the list's lock, so a follower may follow or unfollow.
  for (const auto& entry : entries) {
    std::lock_guard lock(entry->mutex);
    if (entry->live && entry->follower) entry->follower(present);
  }
}

SoundCardEvents& systemSoundCards() {
  static UdevSoundCardWatch watch;
  static std::once_flag started;
  std::call_once(started, [] { watch.start(); });
  return watch;
}

}  // namespace tessel::audio
