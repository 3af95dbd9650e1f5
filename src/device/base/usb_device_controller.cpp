#include "device/base/usb_device_controller.h"

#include "platform/debug.h"

namespace tessel {

UsbDeviceController::UsbDeviceController(hid::HidBackend& backend, Clock& clock)
    : clock_(clock),
      transport_(backend, clock),
      input_(backend, clock),
      frames_([this](const std::vector<uint8_t>& frame) { return sendLiveFrame(frame, frameGate_); }) {
  zones_.setOnChange([this] { frameChanged(); });
  frames_.start();
}

UsbDeviceController::~UsbDeviceController() { shutdown(); }

void UsbDeviceController::shutdown() {
  // Closing the handles first ends a job waiting for a reply at once.
  transport_.disconnect();
  queue_.stop();
  closeInputs();
  frames_.stop();
}

// ------------------------------------------------------------------ identity

void UsbDeviceController::setIdentity(const InterfaceKey& key) {
  std::lock_guard<std::mutex> lock(mutex_);
  identity_ = key;
  typeCode_ = key.typeCode;
  role_ = key.role;
}

InterfaceKey UsbDeviceController::identity() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return identity_;
}

uint16_t UsbDeviceController::versionNumber() { return transport_.cableHandle().attributes().versionNumber; }

std::array<uint8_t, transport::kIdentitySize> UsbDeviceController::identityBlock() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return identityBlock_;
}

void UsbDeviceController::setIdentityBlock(const std::array<uint8_t, transport::kIdentitySize>& block) {
  std::lock_guard<std::mutex> lock(mutex_);
  identityBlock_ = block;
}

// ------------------------------------------------------------------ wiring

#define TESSEL_STRING_FIELD(setter, getter, member)            \
  void UsbDeviceController::setter(std::string value) {        \
    std::lock_guard<std::mutex> lock(mutex_);                  \
    member = std::move(value);                                 \
  }                                                            \
  std::string UsbDeviceController::getter() const {            \
    std::lock_guard<std::mutex> lock(mutex_);                  \
    return member;                                             \
  }
TESSEL_STRING_FIELD(setCurrentProfileId, currentProfileId, profileId_)
TESSEL_STRING_FIELD(setLightName, lightName, lightName_)
TESSEL_STRING_FIELD(setPageXmlName, pageXmlName, pageXml_)
#undef TESSEL_STRING_FIELD

void UsbDeviceController::setKindName(std::string value) {
  // The device's threads say whose they are (top -H, ps -L): "queue mouse",
  // "input pad 1" (cable) or "input pad 2" (receiver).
  const std::string label = threadLabel(value);
  queue_.setThreadName("queue " + label);
  frames_.setThreadName("frames " + label);
  cableReader_.setThreadName("input " + label + " 1");
  receiverReader_.setThreadName("input " + label + " 2");
  std::lock_guard<std::mutex> lock(mutex_);
  kindName_ = std::move(value);
}

std::string UsbDeviceController::kindName() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return kindName_;
}

std::string UsbDeviceController::threadLabel(const std::string& kindName) {
  if (kindName == "keyboard") return "kbd";
  if (kindName == "MousePad") return "pad";
  if (kindName == "HD") return "headset";
  return kindName;
}

void UsbDeviceController::setLightZoneCount(int count) { zones_.resize(static_cast<size_t>(std::max(0, count))); }

void UsbDeviceController::setWindowHidden(bool hidden) {
  if (batteryFlag_) windowHidden_ = hidden;
}

// ------------------------------------------------------------------ lighting

void UsbDeviceController::setZoneColour(int index, uint32_t record) {
  if (index >= 0) zones_.set(static_cast<size_t>(index), record);
}

uint32_t UsbDeviceController::zoneColour(int index) const {
  return index >= 0 ? zones_.get(static_cast<size_t>(index)) : 0;
}

std::vector<uint8_t> UsbDeviceController::lightTick() {
  if (!lightControlOn_) return {};
  std::vector<uint8_t> frame = zones_.frame();
  // The receiver gets no live frames: the picture on screen still follows.
  if (transport_.onReceiver() || !transport_.isOpen() || frame.empty()) return frame;
  if (!frameGate_.take(frame, clock_.now())) return frame;
  ++framesSubmitted_;
  frames_.submit(frame);
  return frame;
}

Millis UsbDeviceController::stillFramePause() const {
  return lightControlOn_ ? frameGate_.stillPause() : StillFrameGate::kRefresh;
}

int UsbDeviceController::sendLiveFrame(const std::vector<uint8_t>& frame, StillFrameGate& gate) {
  const uint64_t givenWay = transport_.droppedLiveChunks();
  const int result = toInt(transport_.sendLiveFrame(frame));
  gate.delivered(frame, result == 1 && transport_.droppedLiveChunks() == givenWay);
  return result;
}

// ------------------------------------------------------------------ status

void UsbDeviceController::setStatusHandler(StatusHandler handler) { statusHandler_ = std::move(handler); }

void UsbDeviceController::showStatus(const StatusBlock& block) {
  if (statusHandler_) statusHandler_(block);
}

std::optional<UsbDeviceController::StatusBlock> UsbDeviceController::readStatusFromDevice() {
  StatusBlock block{};
  if (transport_.readStatus(block) != ResultCode::Success) return std::nullopt;
  block[3] = transport_.onReceiver() ? 1 : 0;
  return block;
}

// ------------------------------------------------------------------ input

bool UsbDeviceController::openInput(const std::string& path, bool receiver) {
  hid::HidDevice& handle = receiver ? input_.receiverHandle() : input_.cableHandle();
  WorkerThread& reader = receiver ? receiverReader_ : cableReader_;
  closeInput(receiver);
  if (!handle.open(path, true, false, true, false)) return false;
  input_.setOpen(true);
  if (!reader.start([this, &handle](const StopEvent& stop) { readLoop(handle, stop); })) {
    // The previous reader has not ended: nobody would read this handle.
    debugLine("input reader did not start; its handle is closed");
    handle.close();
    if (!input_.cableHandle().isOpen() && !input_.receiverHandle().isOpen()) input_.setOpen(false);
    return false;
  }
  return true;
}

void UsbDeviceController::closeInput(bool receiver) {
  hid::HidDevice& handle = receiver ? input_.receiverHandle() : input_.cableHandle();
  WorkerThread& reader = receiver ? receiverReader_ : cableReader_;
  // Closing first ends the endless read; then the thread sees its stop event.
  handle.close();
  reader.stop(std::chrono::milliseconds(500));
  if (!input_.cableHandle().isOpen() && !input_.receiverHandle().isOpen()) input_.setOpen(false);
}

void UsbDeviceController::closeInputs() {
  closeInput(false);
  closeInput(true);
}

bool UsbDeviceController::inputOpen(bool receiver) const {
  return (receiver ? input_.receiverHandle() : input_.cableHandle()).isOpen();
}

void UsbDeviceController::setSettingsChangedHandler(std::function<void()> handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  settingsChanged_ = std::move(handler);
}

void UsbDeviceController::readLoop(hid::HidDevice& handle, const StopEvent& stop) {
  std::array<uint8_t, 64> report{};
  Millis backoff = kReaderBackoffFirst;
  while (!stop.isSet()) {
    size_t count = 0;
    // The read waits without limit, so a failure means the handle was closed,
    // cancelled or lost: it would fail again at once. Wait longer after each
    // failure (until the owner stops the reader) instead of spinning.
    if (!handle.isOpen() || !handle.read(report.data(), report.size(), &count, hid::kInfinite)) {
      if (stop.waitFor(backoff)) break;
      backoff = std::min(backoff * 2, kReaderBackoffLast);
      continue;
    }
    backoff = kReaderBackoffFirst;
    if (count == 0) continue;
    if (handle.unpackInput(report.data(), count) != hid::HidStatus::Success) continue;
    const uint16_t usage = handle.firstInputUsage();
    if (usage == kUsageSettingsChanged) {
      debugLine("接收到自动添加设备的同步信息要求");
      std::function<void()> handler;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        handler = settingsChanged_;
      }
      if (handler) handler();
    } else if (usage != 0) {
      inputUsageFrom(usage, &handle == &input_.receiverHandle());
    }
  }
}

// ------------------------------------------------------------------ audio bands

void UsbDeviceController::audioBandDecay(int band, int curve) {
  if (band < 0 || band >= static_cast<int>(bands_.size())) return;
  bands_[band] = tessel::audioBandDecay(bands_[band], curve);
}

void UsbDeviceController::audioBandsFull() {
  for (size_t i = 0; i < 9; ++i)
    if (bands_[i] != 0) levels_[i] = 255;
}

void UsbDeviceController::audioBandRotate(bool forward) {
  constexpr size_t n = 23;
  if (forward) {
    const uint8_t last = bands_[n - 1];
    for (size_t i = n - 1; i > 0; --i) bands_[i] = bands_[i - 1].load();
    bands_[0] = last;
  } else {
    const uint8_t first = bands_[0];
    for (size_t i = 0; i + 1 < n; ++i) bands_[i] = bands_[i + 1].load();
    bands_[n - 1] = first;
  }
}

void UsbDeviceController::clearAudioBuffers() {
  for (auto& l : levels_) l = 0;
  for (size_t i = 0; i < 23; ++i) bands_[i] = 0;
}

uint8_t UsbDeviceController::audioBand(int band) const {
  return band >= 0 && band < static_cast<int>(bands_.size()) ? bands_[band].load() : 0;
}

void UsbDeviceController::setAudioBand(int band, uint8_t value) {
  if (band >= 0 && band < static_cast<int>(bands_.size())) bands_[band] = value;
}

uint8_t UsbDeviceController::audioLevel(int key) const {
  return key >= 0 && key < static_cast<int>(levels_.size()) ? levels_[key].load() : 0;
}

// ------------------------------------------------------------------ records

void UsbDeviceController::setSynchronised(bool on) {
  if (synchronised_.exchange(on) == on) return;
  std::lock_guard<std::mutex> lock(lightWakeMutex_);
  if (lightWake_) lightWake_();
}

void UsbDeviceController::setLightWake(std::function<void()> wake) {
  std::lock_guard<std::mutex> lock(lightWakeMutex_);
  lightWake_ = std::move(wake);
}

void UsbDeviceController::setFrameWake(std::function<void()> wake) {
  std::lock_guard<std::mutex> lock(frameWakeMutex_);
  frameWake_ = std::move(wake);
}

void UsbDeviceController::armFrameWake() {
  frameWakeArmed_.store(true);
  zones_.arm();
}

void UsbDeviceController::frameChanged() {
  if (!frameWakeArmed_.exchange(false)) return;
  std::lock_guard<std::mutex> lock(frameWakeMutex_);
  if (frameWake_) frameWake_();
}

void UsbDeviceController::setLightRecord(const LightRecord& record) {
  std::lock_guard<std::mutex> lock(mutex_);
  lightRecord_ = record;
}

LightRecord UsbDeviceController::lightRecord() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lightRecord_;
}

void UsbDeviceController::setAudioColour(const AudioColourRecord& record) {
  std::lock_guard<std::mutex> lock(mutex_);
  audioColour_ = record;
}

AudioColourRecord UsbDeviceController::audioColour() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return audioColour_;
}

ResultCode UsbDeviceController::writeMacroMemory(std::span<const uint8_t> image) {
  const ResultCode begun = transport_.begin();
  if (begun != ResultCode::Success) return begun;
  const ResultCode written = transport_.writeMacroMemory(image);
  const ResultCode ended = transport_.end(1);
  return firstFailure({written, ended});
}

ResultCode UsbDeviceController::writeKeyTableBracketed(std::span<const uint8_t> image) {
  const ResultCode begun = transport_.begin();
  if (begun != ResultCode::Success) return begun;
  const ResultCode written = transport_.writeKeyTable(image, 0);
  const ResultCode ended = transport_.end(1);
  return firstFailure({written, ended});
}

}  // namespace tessel
