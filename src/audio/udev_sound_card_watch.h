#pragma once
// UdevSoundCardWatch: the real SoundCardEvents. A thread ("sound cards")
// sleeps on a udev monitor of the "sound" subsystem and announces the
// headset's card (the USB device with ids 0C76:1630) when its control node
// "controlC<N>" is added, and its going when that node is removed. The
// control node is what the ALSA mixer opens, so once it is announced the
// mixer can be opened.
//
// Events come from the udev daemon when it runs (the node's permissions are
// set by then), else straight from the kernel (containers without one).
// Which card is followed is decided in cardEvent, so it is tested without
// a sound card or a monitor.
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "audio/sound_card_events.h"

namespace tessel::audio {

class UdevSoundCardWatch : public SoundCardEvents {
 public:
  // `usbId` "vvvv:pppp" (lower case) names the card to follow.
  explicit UdevSoundCardWatch(std::string usbId = "0c76:1630");
  ~UdevSoundCardWatch() override;

  // Looks for the card already there, then starts the thread. False when
  // udev cannot be watched (a debug line says why); nothing is announced then.
  bool start();
  void stop();

  // One event: `action` "add" or "remove" of the control node of ALSA card
  // `card`; `ours` whether that card is the followed USB device (only known
  // on "add"). Announces a change of the followed card.
  void cardEvent(std::string_view action, int card, bool ours);
  std::optional<int> card() const;

 private:
  void run(void* monitor, int stopFd);

  std::string usbId_;
  mutable std::mutex cardMutex_;
  std::optional<int> card_;
  std::thread thread_;
  int stopFd_ = -1;
};

}  // namespace tessel::audio
