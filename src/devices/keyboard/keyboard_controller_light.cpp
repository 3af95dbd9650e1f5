// The keyboard controller's lighting: the light thread that drives the
// engine, the picture, and the live frames of the host-driven modes.
#include "devices/keyboard/keyboard_controller.h"

#include "config/audio_light_edits.h"
#include "config/keyboard_profiledata.h"
#include "platform/debug.h"

namespace tessel {

using namespace keyboard;

KeyboardController::Picture KeyboardController::picture() const {
  Picture out{};
  // While the window's synchronised effect shows, the keys show its zones
  // (what goes to the keyboard then), not the paused engine's last frame.
  if (synchronised()) {
    for (size_t j = 0; j < kPositions; ++j) out[j] = zoneColour(static_cast<int>(j));
    return out;
  }
  const ZoneColours& frame = lighting_.frame();
  for (size_t j = 0; j < kPositions; ++j) out[j] = frame.get(j);
  return out;
}

// ------------------------------------------------------------------ audio light

void KeyboardController::changeAudioLight(const AudioLightRecord& record) {
  if (!doc_) return;
  const AudioLightRecord bounded = boundAudioRecord(record);
  doc_->setAudioLightInfo(bounded);
  save();
  setAudioColour(AudioColourRecord{encodeAudioColour(bounded)});
  lighting_.setAudio(bounded);
  lightThread_.wake();
}

void KeyboardController::takeSoundLevels(std::span<const int> levels) {
  lighting_.setSpectrum(levels);
  lightThread_.wake();
}

AudioLightRecord KeyboardController::audioLight() const {
  return doc_ ? boundAudioRecord(doc_->getAudioLightInfo()) : AudioLightRecord{};
}

// ------------------------------------------------------------------ light

void KeyboardController::startLightThread() {
  lightThread_.stop();
  lastTurn_ = clock().now();
  setLightWake([this] { lightThread_.wake(); });
  lightThread_.start([this](SteadyTime now) { return lightTurn(now); });
  debugLine("键盘灯光线程启动");
}

void KeyboardController::setPictureWanted(bool wanted) {
  if (pictureWanted_.exchange(wanted) != wanted && wanted) lightThread_.wake();
}

SteadyTime KeyboardController::lightTurn(SteadyTime now) {
  // The synchronised effect of the main window shows, or nothing needs the
  // engine's picture: wait until that changes.
  if (synchronised() || (!liveMode_.load() && !pictureWanted_.load())) {
    lastTurn_ = now;
    return LightThread::kIdle;
  }
  // advance() counts one clock advance per call and says how many advances
  // remain until its next step: the thread sleeps that long, then counts
  // every advance that passed (an early wake counts none; after a long pause
  // the engine resumes instead of racing through the missed steps).
  const auto advance = std::chrono::duration_cast<SteadyTime::duration>(KeyboardLighting::kAdvance);
  long advances = static_cast<long>((now - lastTurn_) / advance);
  constexpr long kMaxCatchUp = 256;
  if (advances > kMaxCatchUp) {
    advances = 1;
    lastTurn_ = now - advance;
  }
  const auto nowMs = static_cast<uint32_t>(std::chrono::duration_cast<Millis>(now.time_since_epoch()).count());
  const bool heard = lighting_.stepOnFreshLevels(nowMs);
  auto next = advance;
  for (long i = 0; i < advances; ++i) next = std::chrono::duration_cast<SteadyTime::duration>(lighting_.advance(nowMs));
  lastTurn_ += advance * advances;
  // The host-driven picture moved: the tile's light tick sends it.
  if ((advances > 0 || heard) && liveMode_.load()) frameChanged();
  return lastTurn_ + next;
}

void KeyboardController::resumeLighting(bool on) {
  UsbDeviceController::resumeLighting(on);
  if (!on) return;
  commandQueue().submit([this] {
    // Decided when the job runs: the connection may have moved meanwhile.
    if (transport().isOpen() && !transport().onReceiver()) transport().resumeLighting();
  });
}

std::vector<uint8_t> KeyboardController::lightTick() {
  if (!lightControlOn()) return {};
  // Outside the host-driven modes, and while the window's synchronised effect
  // shows, the zones of the software effects go out as the base sends them.
  if (!liveMode_.load() || synchronised()) return UsbDeviceController::lightTick();
  if (!isConnected() || onReceiver()) return {};
  KeyMaps maps;
  {
    std::lock_guard lock(imagesMutex_);
    if (!images_.tablesValid) return {};
    maps = images_.maps;
  }
  CustomColours colours{};
  const ZoneColours& frame = lighting_.frame();
  for (size_t j = 0; j < kPositions; ++j) {
    const uint32_t z = frame.get(j);
    colours[j] = {static_cast<uint8_t>(z), static_cast<uint8_t>(z >> 8), static_cast<uint8_t>(z >> 16),
                  static_cast<uint8_t>(z >> 24)};
  }
  std::vector<uint8_t> live = encodeLiveFrame(colours, maps);
  if (!liveGate_.take(live, clock().now())) return live;
  if (!liveStarted_) {
    liveSender_.setThreadName("live kbd");
    liveSender_.start();
    liveStarted_ = true;
  }
  ++liveSubmitted_;
  liveSender_.submit(live);
  return live;
}

Millis KeyboardController::stillFramePause() const {
  // The live picture of modes 29 and 30 has its own gate beside the zone frame's.
  return std::min(UsbDeviceController::stillFramePause(),
                  lightControlOn() ? liveGate_.stillPause() : StillFrameGate::kRefresh);
}

}  // namespace tessel
