#pragma once
// HeadsetDevice: the Qt-free half of the headset's page (CBrelvikHS6533Device).
// Its owner (the page, or tesselctl) binds it to the current profile document
// and calls the same operations. The headset's own side is its lighting: a
// settings block in its memory (the mode it plays by itself), a light thread
// that computes the 13 zone colours, and the LED frame that sends them in
// twelve output reports. The audio side (equaliser, microphone, monitor,
// voice changer) lives in HeadsetAudio and is composed by the owner.
//
// Threads and ownership:
//   UI thread     the document, loadConfiguration / refreshView /
//                 applyConfiguration, the light edits, lightTick() (which
//                 only hands the frame over), the listener's callbacks.
//   queue thread  connected(), deviceChanged() and the bodies of the
//                 settings block reads and writes; the settings image sits
//                 behind a mutex.
//   light thread  the block lighting's turns (device/base/block_lighting.h)
//                 with the headset's wave over its 13 zones.
//   sound cards   announces the headset's sound card coming and going; the
//                 controller posts the chip's new binding to the UI thread.
//   frame sender  the twelve output reports of the latest LED frame; a frame
//                 that has not changed goes out again only as the still-frame
//                 gate says, and a newer frame replaces one not yet sent.
//
// The settings image keeps the mode POSITION the light thread dispatches on;
// only the bytes sent carry the mode code. A block goes back to the profile it
// was read from (p x 31) with byte 0 and the headset's own bytes (4, 9..20) as
// read, and nothing is written before a block was read.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "audio/sound_card_events.h"
#include "config/hs6533_profiledata.h"
#include "config/light_mode_list.h"
#include "core/light_record.h"
#include "core/result_code.h"
#include "device/base/block_lighting.h"
#include "device/base/frame_sender.h"
#include "device/base/light_settings_block.h"
#include "device/base/light_thread.h"
#include "device/base/profiled_device.h"
#include "devices/headset/headset_encoding.h"

namespace tessel::headset {

// The settings memory holds the blocks of at most this many profiles; a
// current-profile byte past them reads as profile 0.
inline constexpr uint8_t kMaxProfiles = 8;

struct HeadsetListener {
  // The page shows the document and the state again.
  std::function<void()> stateChanged;
  // The document was (re)loaded: the audio side takes its settings from it.
  std::function<void()> documentLoaded;
  // A settings block was read on "device changed": message 3328 with the
  // current profile (the main window takes note and does nothing).
  std::function<void(int profile)> settingsBlockRead;
  // The headset did not take a settings block write; the document keeps it.
  std::function<void(ResultCode)> writeFailed;
};

// The document side (binding, load / apply / reload, saving, failure
// reports) is the profiled device's.
class HeadsetDevice : public ProfiledDevice<CHs6533Profiledata, HeadsetListener> {
 public:
  using Listener = HeadsetListener;

  explicit HeadsetDevice(hid::HidBackend& backend = hid::defaultBackend(), Clock& clock = SystemClock::instance());
  ~HeadsetDevice() override;

  // ---- binding (UI thread)
  // The headset's light-mode list (positions and codes); without one the
  // positions are sent as they are.
  void setLightModes(std::vector<LightModeEntry> modes);
  const std::vector<LightModeEntry>& lightModes() const { return modes_; }
  // Called on the UI thread by connected(), after the document was loaded
  // and before the page shows it: the audio side reads the chip's state.
  void setChipStateReader(std::function<void()> reader) { chipStateReader_ = std::move(reader); }
  // Follows the headset's sound card: each time `cards` announces it came or
  // went (from any thread), `rebind` runs on the UI thread (the audio side
  // binds the chip again and reads its state), then listener.stateChanged
  // (the page shows which audio controls work now). Replaces an earlier
  // follow; null `cards` stops following.
  void followSoundCards(audio::SoundCardEvents* cards, std::function<void()> rebind);

  // ---- device operations
  void connected() override;      // queue thread (the tile's connect job)
  // Queue thread: reads the settings block, then (UI thread) tells the
  // listener (message 3328) and shows the page again.
  void deviceChanged() override;
  // The settings image to the headset (queued; completion on the UI thread).
  void WriteSettingsBlock(std::function<void(ResultCode)> done = {});
  // The main window passes profile 0 and nothing else: the block goes back
  // where it was read, whatever the argument.
  void writeSettingsBlock(int, int, int, int, int) override { WriteSettingsBlock(); }

  // ---- document (UI thread)
  // Loading the document also tells listener.documentLoaded.
  void applyAll() override { WriteSettingsBlock(); }
  // Refresh view: light settings, light list and user sequence from the
  // document into the image and the light thread (their effects restart).
  void refreshView();
  // A change on the light editor: the synchronised flag is cleared, the
  // record stored, saved, refreshed and written to the headset.
  void changeLightRecord(const LightRecord& record);
  // Another profile became current: its document is loaded, shown and its
  // light written; the audio chip is left alone.
  void profileSwitched();

  // ---- the LED frame (UI thread, tile timer 1000)
  // Nothing while light control is off. Otherwise returns the zones' frame
  // (for the page's buttons) and, on an open headset, hands the LED frame to
  // the sender when it changed or the still-frame gate asks for it again.
  std::vector<uint8_t> lightTick() override;
  Millis stillFramePause() const override;
  void pictureLost() override {
    UsbDeviceController::pictureLost();
    ledGate_.forget();
  }
  uint64_t ledFramesSubmitted() const { return ledSubmitted_.load(); }
  uint64_t ledFramesSent() const { return ledSender_.sent(); }
  uint64_t ledReportsFailed() const { return ledReportsFailed_.load(); }
  bool waitLedIdle(std::chrono::milliseconds bound) { return ledSender_.waitIdle(bound); }

  // ---- state (any thread)
  LightSettingsBlock settingsBlock() const;
  LightRecord lightInfo() const;
  BlockLighting& lighting() { return lighting_; }
  LightThread& lightThread() { return lightThread_; }
  // Starts (or restarts) the light thread; connecting does it.
  void startLightThread();
  void stopLightThread() { lightThread_.stop(); }

 private:
  // Queue thread.
  ResultCode readSettingsBlockOnDevice();
  ResultCode writeSettingsBlockOnDevice(const LightRecord& light);
  int sendLedFrame(const std::vector<uint8_t>& packed);
  // UI thread.
  void afterConnected();
  void reloadFromDocument() override { refreshView(); }
  void documentLoaded() override;
  const char* saveFailedLine() const override { return "耳机配置保存失败"; }
  void logWriteFailure(int what, ResultCode r) const override;
  std::vector<uint8_t> modeCodes() const;
  void dispatchFromImage();

  std::vector<LightModeEntry> modes_;
  std::vector<uint8_t> codes_;  // copied for the queue thread under blockMutex_
  std::function<void()> chipStateReader_;
  std::function<void()> chipRebinder_;  // UI thread

  mutable std::mutex blockMutex_;  // guards block_ and codes_
  LightSettingsBlock block_;

  std::atomic<uint64_t> ledSubmitted_{0};
  std::atomic<uint64_t> ledReportsFailed_{0};
  StillFrameGate ledGate_;  // which LED frames go out (UI thread) and which arrived (sender thread)
  FrameSender ledSender_;

  BlockLighting lighting_{*this, kHeadsetWave};
  // Declared after what its turns use: it stops first.
  LightThread lightThread_{clock(), "headset light thread", "light headset"};
  // Last: no card announcement reaches the controller while it goes.
  std::unique_ptr<audio::SoundCardEvents::Following> cardFollowing_;
};

}  // namespace tessel::headset
