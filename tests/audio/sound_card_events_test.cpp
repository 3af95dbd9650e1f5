// Following the headset's sound card: announcements, dropping a follower, and
// which control-node events of the udev watch change the followed card.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "audio/sound_card_events.h"
#include "audio/udev_sound_card_watch.h"

namespace tessel::audio {
namespace {

TEST(SoundCardEvents, FollowersHearAnnouncementsUntilTheyDropTheirHandle) {
  SoundCardEvents cards;
  std::vector<bool> heard;
  std::unique_ptr<SoundCardEvents::Following> self;
  auto first = cards.follow([&](bool present) { heard.push_back(present); });
  // A follower may drop its own handle inside its call.
  self = cards.follow([&](bool) { self.reset(); });
  cards.announce(true);
  EXPECT_EQ(self, nullptr);
  first.reset();
  cards.announce(false);
  EXPECT_EQ(heard, std::vector<bool>{true});
}

TEST(UdevSoundCardWatch, FollowsTheHeadsetsControlNodeOnly) {
  UdevSoundCardWatch watch;
  std::vector<bool> heard;
  auto following = watch.follow([&](bool present) { heard.push_back(present); });
  watch.cardEvent("add", 0, false);     // another card
  watch.cardEvent("add", 2, true);      // the headset's
  watch.cardEvent("add", 3, true);      // a second headset is not followed
  watch.cardEvent("change", 2, true);
  watch.cardEvent("remove", 0, false);  // another card goes
  EXPECT_EQ(watch.card(), 2);
  watch.cardEvent("remove", 2, false);  // unplugged
  watch.cardEvent("add", 2, true);      // plugged again under the same number
  EXPECT_EQ(heard, (std::vector<bool>{true, false, true}));
  // The real monitor starts on this machine's udev (when it has one) and
  // wakes from its sleep to stop.
  if (watch.start()) watch.stop();
}

}  // namespace
}  // namespace tessel::audio
