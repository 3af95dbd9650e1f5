#include "devices/headset/headset_device.h"

#include <algorithm>

#include "config/hs6533_profiledata.h"
#include "config/light_editor_rules.h"
#include "device/base/light_settings_transfer.h"
#include "platform/debug.h"

namespace tessel::headset {

namespace {

// An LED frame travels to the sender as the three channels one after another.
std::vector<uint8_t> packLed(const LedColours& c) {
  std::vector<uint8_t> out;
  out.reserve(3 * kZoneCount);
  out.insert(out.end(), c.red.begin(), c.red.end());
  out.insert(out.end(), c.green.begin(), c.green.end());
  out.insert(out.end(), c.blue.begin(), c.blue.end());
  return out;
}

LedColours unpackLed(const std::vector<uint8_t>& packed) {
  LedColours c;
  if (packed.size() != 3 * kZoneCount) return c;
  std::copy_n(packed.begin(), kZoneCount, c.red.begin());
  std::copy_n(packed.begin() + kZoneCount, kZoneCount, c.green.begin());
  std::copy_n(packed.begin() + 2 * kZoneCount, kZoneCount, c.blue.begin());
  return c;
}

}  // namespace

HeadsetDevice::HeadsetDevice(hid::HidBackend& backend, Clock& clock)
    : ProfiledDevice(backend, clock),
      ledSender_([this](const std::vector<uint8_t>& packed) { return sendLedFrame(packed); }) {
  setLightZoneCount(static_cast<int>(kZoneCount));
  ledSender_.setThreadName("leds headset");
  ledSender_.start();
}

HeadsetDevice::~HeadsetDevice() {
  cardFollowing_.reset();
  lightThread_.stop();
  ledSender_.stop();
  shutdown();
}

void HeadsetDevice::startLightThread() {
  // The old thread may be mid-turn on the zone array: stop it first.
  lightThread_.stop();
  if (lightZoneCount() != static_cast<int>(kZoneCount)) setLightZoneCount(static_cast<int>(kZoneCount));
  lighting_.setWake([this] { lightThread_.wake(); });
  lightThread_.start([this](SteadyTime now) { return lighting_.turn(now); });
  debugLine("耳机灯光线程启动");
}

// ------------------------------------------------------------------ binding

void HeadsetDevice::setLightModes(std::vector<LightModeEntry> modes) {
  modes_ = std::move(modes);
  std::vector<uint8_t> codes;
  codes.reserve(modes_.size());
  for (const auto& m : modes_) codes.push_back(m.code);
  std::lock_guard lock(blockMutex_);
  codes_ = std::move(codes);
}

std::vector<uint8_t> HeadsetDevice::modeCodes() const {
  std::lock_guard lock(blockMutex_);
  return codes_;
}

void HeadsetDevice::followSoundCards(audio::SoundCardEvents* cards, std::function<void()> rebind) {
  cardFollowing_.reset();  // waits for an announcement in progress
  chipRebinder_ = std::move(rebind);
  if (!cards) return;
  cardFollowing_ = cards->follow([this](bool present) {
    debugLine(present ? "audio: the headset's sound card appeared" : "audio: the headset's sound card went");
    postToUi([this] {
      if (chipRebinder_) chipRebinder_();
      if (listener_.stateChanged) listener_.stateChanged();
    });
  });
}

LightSettingsBlock HeadsetDevice::settingsBlock() const {
  std::lock_guard lock(blockMutex_);
  return block_;
}

LightRecord HeadsetDevice::lightInfo() const { return doc_ ? doc_->getLightInfo() : lightRecord(); }

void HeadsetDevice::dispatchFromImage() {
  uint8_t mode = 0, speed = 0;
  {
    std::lock_guard lock(blockMutex_);
    mode = block_.image[light_block::kMode];
    speed = block_.image[light_block::kSpeed];
  }
  lighting_.setImage(mode, speed);
}

// ------------------------------------------------------------------ queue thread

ResultCode HeadsetDevice::readSettingsBlockOnDevice() {
  setSynchronised(false);
  if (!isConnected()) {
    // Nothing to read: the image keeps only its profile byte.
    {
      std::lock_guard lock(blockMutex_);
      std::fill(block_.image.begin() + 1, block_.image.end(), uint8_t{0});
      block_.read = false;
    }
    dispatchFromImage();
    return ResultCode::NotSent;
  }
  std::vector<uint8_t> codes;
  {
    std::lock_guard lock(blockMutex_);
    codes = codes_;
  }
  LightSettingsBlock read;
  const ResultCode r = readLightSettingsBlock(transport(), kMaxProfiles, codes, read);
  if (r != ResultCode::Success) return r;
  {
    std::lock_guard lock(blockMutex_);
    block_ = read;
  }
  dispatchFromImage();
  return ResultCode::Success;
}

ResultCode HeadsetDevice::writeSettingsBlockOnDevice(const LightRecord& light) {
  if (!isConnected()) return ResultCode::NotSent;
  bool known = false;
  {
    std::lock_guard lock(blockMutex_);
    known = block_.read;
  }
  // Never write a block that was not read: the headset's own bytes would go
  // out as zeros, and the profile it is on would be a guess. The read takes
  // the headset's light into the image, so the light being written goes back
  // over it.
  if (!known) {
    const ResultCode r = readSettingsBlockOnDevice();
    if (r != ResultCode::Success) return r;
    {
      std::lock_guard lock(blockMutex_);
      refreshLightSettingsImage(block_.image, light);
    }
    dispatchFromImage();
  }
  LightSettingsBlock block;
  std::vector<uint8_t> codes;
  {
    std::lock_guard lock(blockMutex_);
    block = block_;
    codes = codes_;
  }
  return writeLightSettingsBlock(transport(), block, light.selectItem, codes);
}

void HeadsetDevice::connected() {
  // Read before anything is written, so the headset's own bytes are known.
  const ResultCode read = readSettingsBlockOnDevice();
  if (read != ResultCode::Success && isConnected()) debugLine("耳机设置读取失败");
  postToUi([this] { afterConnected(); });
}

void HeadsetDevice::deviceChanged() {
  const ResultCode read = readSettingsBlockOnDevice();
  const int profile = settingsBlock().profile;
  postToUi([this, read, profile] {
    if (read == ResultCode::Success && listener_.settingsBlockRead) listener_.settingsBlockRead(profile);
    // The page shows the document again (another program may have changed it).
    applyConfiguration();
  });
}

int HeadsetDevice::sendLedFrame(const std::vector<uint8_t>& packed) {
  const LedReports reports = encodeLedReports(unpackLed(packed));
  hid::HidDevice& cable = transport().cableHandle();
  bool whole = true;
  for (const LedReport& report : reports) {
    if (!isConnected()) {
      whole = false;
      break;
    }
    bool ok = false;
    {
      // One report at a time between command exchanges, never inside one.
      auto io = transport().lockIo();
      ok = cable.sendOutputReport(report.data(), report.size());
    }
    // A lost report is only counted: the next frame repaints every zone.
    if (!ok) {
      ledReportsFailed_.fetch_add(1);
      whole = false;
    }
  }
  ledGate_.delivered(packed, whole);
  return 1;
}

Millis HeadsetDevice::stillFramePause() const {
  return lightControlOn() ? ledGate_.stillPause() : StillFrameGate::kRefresh;
}

void HeadsetDevice::WriteSettingsBlock(std::function<void(ResultCode)> done) {
  const LightRecord light = doc_ ? doc_->getLightInfo() : lightRecord();
  commandQueue().request<ResultCode>(
      [this, light] { return writeSettingsBlockOnDevice(light); },
      [this, done = std::move(done)](ResultCode r) {
        reportFailure(r);
        if (done) done(r);
      },
      "headset settings block");
}

// ------------------------------------------------------------------ UI thread

void HeadsetDevice::afterConnected() {
  loadConfiguration();
  if (chipStateReader_) chipStateReader_();
  applyConfiguration();
  startLightThread();
}

void HeadsetDevice::logWriteFailure(int /*what*/, ResultCode /*r*/) const {
  // A headset that went away says so itself; only a refusal is worth a line.
  if (isConnected()) debugLine("耳机灯光设置写入失败");
}

void HeadsetDevice::refreshView() {
  if (!doc_) return;
  const LightRecord record = doc_->getLightInfo();
  setLightRecord(record);
  {
    std::lock_guard lock(blockMutex_);
    refreshLightSettingsImage(block_.image, record);
  }
  lighting_.setRecord(record);
  dispatchFromImage();
  // The editor and the documents number the user sequences from select item
  // 10 on, whatever the number of modes; 9 (past the headset's modes) plays
  // the empty sequence. Both the sequence and the light list start over.
  lighting_.setSequence(doc_->getSelectedSequence(static_cast<size_t>(kFirstUserSequenceItem)));
  lighting_.setLightList(doc_->getLightList());
}

void HeadsetDevice::documentLoaded() {
  if (listener_.documentLoaded) listener_.documentLoaded();
}

void HeadsetDevice::changeLightRecord(const LightRecord& record) {
  if (!doc_) return;
  setSynchronised(false);
  doc_->setLightInfo(record);
  save();
  refreshView();
  WriteSettingsBlock();
}

void HeadsetDevice::profileSwitched() {
  loadConfiguration();
  applyConfiguration();
  WriteSettingsBlock();
}

std::vector<uint8_t> HeadsetDevice::lightTick() {
  if (!lightControlOn()) return {};
  std::vector<uint8_t> frame = zones().frame();
  if (!isConnected() || frame.empty()) return frame;
  std::vector<uint32_t> records(kZoneCount);
  for (size_t i = 0; i < kZoneCount; ++i) records[i] = zoneColour(static_cast<int>(i));
  std::vector<uint8_t> led = packLed(ledColoursFromZones(records));
  if (!ledGate_.take(led, clock().now())) return frame;
  ledSubmitted_.fetch_add(1);
  ledSender_.submit(std::move(led));
  return frame;
}

}  // namespace tessel::headset
