#include "devices/mousepad/mousepad_controller.h"

#include "config/basic_profiledata.h"
#include "config/light_editor_rules.h"
#include "device/base/light_settings_transfer.h"
#include "platform/debug.h"

namespace tessel {

namespace {
constexpr size_t kIdentityProfiles = 7;  // identity byte: on-board profiles
}  // namespace

MousepadController::~MousepadController() {
  lightThread_.stop();
  shutdown();
}

// ------------------------------------------------------------------ binding

void MousepadController::setLightModes(std::vector<LightModeEntry> modes) {
  modes_ = std::move(modes);
  std::lock_guard lock(imagesMutex_);
  codes_ = modeCodes();
}

std::vector<uint8_t> MousepadController::modeCodes() const {
  std::vector<uint8_t> codes;
  codes.reserve(modes_.size());
  for (const auto& m : modes_) codes.push_back(m.code);
  return codes;
}

std::array<uint8_t, transport::kIdentitySize> MousepadController::identityRead() const {
  std::lock_guard lock(imagesMutex_);
  return identity_;
}

LightSettingsBlock MousepadController::settingsBlock() const {
  std::lock_guard lock(imagesMutex_);
  return block_;
}

int MousepadController::currentProfile() const {
  std::lock_guard lock(imagesMutex_);
  return block_.profile;
}

void MousepadController::startLightThread() {
  // The old thread may be mid-turn on the zone array: stop it before the
  // array can change.
  lightThread_.stop();
  if (lightZoneCount() != kMousepadLightZones) setLightZoneCount(kMousepadLightZones);
  lighting_.setWake([this] { lightThread_.wake(); });
  lightThread_.start([this](SteadyTime now) { return lighting_.turn(now); });
}

// ------------------------------------------------------------------ queue thread

void MousepadController::readIdentity() {
  if (!isConnected()) return;
  auto& t = transport();
  std::array<uint8_t, transport::kIdentitySize> id{};
  t.begin();
  const ResultCode r = t.readIdentity(id);
  t.end(1);
  if (r != ResultCode::Success) return;
  setIdentityBlock(id);
  std::lock_guard lock(imagesMutex_);
  identity_ = id;
  identityKnown_ = true;
}

ResultCode MousepadController::readBlock() {
  // Closed: nothing is read and the image stays as it was, so a later write
  // can never send zeros over the pad's own bytes.
  if (!isConnected()) return ResultCode::NotSent;
  uint8_t profiles = kMousepadDefaultProfiles;
  std::vector<uint8_t> codes;
  {
    std::lock_guard lock(imagesMutex_);
    if (identityKnown_ && identity_[kIdentityProfiles] != 0) profiles = identity_[kIdentityProfiles];
    codes = codes_;
  }
  LightSettingsBlock read;
  uint8_t raw = 0;
  const ResultCode r = readLightSettingsBlock(transport(), profiles, codes, read, &raw);
  if (r != ResultCode::Success) return r;
  if (read.profile != raw) debugPrintf("mousepad: profile byte %u out of range, reading profile 0", raw);
  std::lock_guard lock(imagesMutex_);
  block_ = read;
  return ResultCode::Success;
}

ResultCode MousepadController::writeBlock(const LightRecord& record, const std::vector<uint8_t>& codes) {
  if (!isConnected()) return ResultCode::NotSent;
  bool known = false;
  {
    std::lock_guard lock(imagesMutex_);
    known = block_.read;
  }
  // Never write a block that was not read: the pad's own bytes would be zeros.
  if (!known) {
    const ResultCode r = readBlock();
    if (r != ResultCode::Success) return r;
  }
  LightSettingsBlock block;
  {
    std::lock_guard lock(imagesMutex_);
    refreshLightSettingsImage(block_.image, record);
    block = block_;
  }
  return writeLightSettingsBlock(transport(), block, record.selectItem, codes);
}

void MousepadController::connected() {
  readIdentity();
  // Read before anything can be written: the write keeps the pad's own bytes.
  const ResultCode r = readBlock();
  if (r != ResultCode::Success) debugLine("鼠标垫设置读取失败");
  postToUi([this] {
    loadConfiguration();
    applyConfiguration();
    if (doc_) startLightThread();
  });
}

void MousepadController::deviceChanged() {
  setSynchronised(false);
  const ResultCode r = readBlock();
  postToUi([this, r] {
    const LightSettingsBlock b = settingsBlock();
    // The light thread follows what the pad plays now.
    if (r == ResultCode::Success) lighting_.setImage(b.image[light_block::kMode], b.image[light_block::kSpeed]);
    if (listener_.profileReported) listener_.profileReported(b.profile);
    applyConfiguration();
  });
}

std::optional<UsbDeviceController::StatusBlock> MousepadController::readStatusBlock() {
  // The pad is on its cable: the host's receiver mark (byte 3) is 0.
  return readStatusFromDevice();
}

// ------------------------------------------------------------------ UI thread

void MousepadController::WriteSettingsBlock(std::function<void(ResultCode)> done) {
  if (!doc_) return;
  commandQueue().request<ResultCode>(
      [this, record = doc_->getLightInfo(), codes = modeCodes()] { return writeBlock(record, codes); },
      [this, done = std::move(done)](ResultCode r) {
        reportFailure(r);
        if (done) done(r);
      },
      "settings");
}

LightRecord MousepadController::lightInfo() const { return doc_ ? doc_->getLightInfo() : LightRecord{}; }

void MousepadController::feedLighting() {
  const LightRecord record = doc_->getLightInfo();
  setLightRecord(record);
  LightBlockBytes image;
  {
    std::lock_guard lock(imagesMutex_);
    refreshLightSettingsImage(block_.image, record);
    image = block_.image;
  }
  lighting_.setRecord(record);
  lighting_.setImage(image[light_block::kMode], image[light_block::kSpeed]);
  lighting_.setLightList(doc_->getLightList());
  // The editor numbers the user sequences from select item 10 whatever the
  // number of built-in modes (the pad has 9).
  lighting_.setSequence(doc_->getSelectedSequence(kFirstUserSequenceItem));
}

void MousepadController::refreshView() {
  if (!doc_) return;
  feedLighting();
}

void MousepadController::changeLightRecord(const LightRecord& record) {
  if (!doc_) return;
  setSynchronised(false);
  doc_->setLightInfo(record);
  save();
  refreshView();
  WriteSettingsBlock();
}

}  // namespace tessel
