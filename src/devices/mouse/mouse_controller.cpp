#include "devices/mouse/mouse_controller.h"

#include <algorithm>

#include "config/mouse_profiledata.h"
#include "macros/macro_library.h"
#include "platform/debug.h"

namespace tessel {

using namespace mouse;

namespace {

constexpr int kDefaultProfiles = 4;

}  // namespace

MouseController::~MouseController() {
  lightThread_.stop();
  shutdown();
}

void MouseController::startLightThread() {
  // The old thread may be mid-turn on the zone array: stop it before the
  // array can change. The registry normally sized it already (15 zones), so
  // the UI thread's light tick never sees a resize.
  lightThread_.stop();
  if (lightZoneCount() != static_cast<int>(MouseLighting::kZoneCount))
    setLightZoneCount(static_cast<int>(MouseLighting::kZoneCount));
  lighting_.setWake([this] { lightThread_.wake(); });
  lightThread_.start([this](SteadyTime now) { return lighting_.turn(now); });
  debugLine("鼠标灯光线程启动");
}

// ------------------------------------------------------------------ binding

void MouseController::setLightModes(std::vector<LightModeEntry> modes) { modes_ = std::move(modes); }

void MouseController::setScreenSize(uint16_t width, uint16_t height) {
  screenWidth_ = width;
  screenHeight_ = height;
}

std::vector<uint8_t> MouseController::modeCodes() const {
  std::vector<uint8_t> codes;
  codes.reserve(modes_.size());
  for (const auto& m : modes_) codes.push_back(m.code);
  return codes;
}

// ------------------------------------------------------------------ device state

MouseIdentity MouseController::identityFields() const {
  std::lock_guard lock(imagesMutex_);
  return decodeMouseIdentity(images_.identity);
}

std::optional<SlotMap> MouseController::slotMap() const {
  std::lock_guard lock(imagesMutex_);
  return images_.slotMap;
}

int MouseController::currentProfile() const {
  std::lock_guard lock(imagesMutex_);
  return images_.profile;
}

std::optional<ReadBlock> MouseController::lastBlock() const {
  std::lock_guard lock(imagesMutex_);
  return images_.block;
}

bool MouseController::keyTableRead() const {
  std::lock_guard lock(imagesMutex_);
  return images_.slotMap.has_value();
}

int MouseController::profileCount() const {
  std::lock_guard lock(imagesMutex_);
  const int n = images_.identityRead ? images_.identity[7] : 0;
  return n > 0 ? n : kDefaultProfiles;
}

// ------------------------------------------------------------------ queue thread

bool MouseController::linkUp() {
  if (!isConnected()) return false;
  return !onReceiver() || transport().linkQuery();
}

ResultCode MouseController::readMouse() {
  if (!isConnected()) return ResultCode::NotSent;
  // A receiver whose mouse sleeps answers nothing useful: read nothing.
  if (onReceiver() && !transport().linkQuery()) return ResultCode::Unreachable;
  auto& t = transport();
  t.begin();
  std::array<uint8_t, kIdentitySize> id{};
  ResultCode r = t.readIdentity(id);
  if (r != ResultCode::Success) {
    t.end(1);
    return r;
  }
  {
    std::lock_guard lock(imagesMutex_);
    images_.identity = id;
    images_.identityRead = true;
  }
  setIdentityBlock(id);
  const unsigned size = static_cast<unsigned>(id[5]) * 3u;
  if (size > transport::kMaxMemorySize || !t.setMemorySize(static_cast<uint16_t>(size))) {
    t.end(1);
    return ResultCode::NotSent;
  }
  std::array<uint8_t, transport::kMaxMemorySize> buffer{};
  r = t.readKeyTable(std::span<uint8_t>(buffer.data(), size));
  t.end(1);
  // A failed read keeps the previous image and slot map.
  if (r != ResultCode::Success) return r;
  std::lock_guard lock(imagesMutex_);
  images_.keyTable.assign(buffer.begin(), buffer.begin() + size);
  images_.slotMap = connectionSlotMap(id, images_.keyTable, images_.slotMap);
  return ResultCode::Success;
}

ResultCode MouseController::readStateFromDevice(bool checkLink) {
  // Closed: nothing new to show. The last block read is not applied again, as
  // it would undo what the user changed in the document since.
  if (!isConnected()) return ResultCode::NotSent;
  if (checkLink && onReceiver() && !transport().linkQuery()) return ResultCode::Unreachable;
  auto& t = transport();
  std::array<uint8_t, 1> profile{};
  ResultCode r = t.readSettings(profile, 0);
  if (r != ResultCode::Success) return r;
  ReadBlock block{};
  r = t.readSettings(block, static_cast<uint16_t>(profile[0] * kProfileStride));
  if (r != ResultCode::Success) return r;
  std::lock_guard lock(imagesMutex_);
  images_.profile = profile[0];
  images_.byte0AsRead = block[0];
  block[0] = profile[0];
  block[9] = 0;
  images_.block = block;
  return ResultCode::Success;
}

ResultCode MouseController::writeBlockOnDevice(SettingsBlockInput in) {
  if (!isConnected()) return ResultCode::NotSent;
  if (onReceiver() && !transport().linkQuery()) return ResultCode::Unreachable;
  bool known = false;
  {
    std::lock_guard lock(imagesMutex_);
    known = images_.block.has_value();
  }
  // Which profile to write and what its byte 0 holds come from a read: never
  // guess profile 0, which would switch the mouse or overwrite that profile.
  if (!known) {
    const ResultCode r = readStateFromDevice(false);
    if (r != ResultCode::Success) return r;
  }
  int profile = 0;
  {
    std::lock_guard lock(imagesMutex_);
    profile = images_.profile;
    in.byte0 = images_.byte0AsRead;
  }
  const SettingsBlock block = encodeSettingsBlock(in);
  auto& t = transport();
  const ResultCode begun = t.begin();
  if (begun != ResultCode::Success) return begun;
  const ResultCode written = t.writeSettings(block, static_cast<uint16_t>(profile * kProfileStride));
  const ResultCode ended = t.end(1);
  const ResultCode r = firstFailure({written, ended});
  if (written == ResultCode::Success) {
    std::lock_guard lock(imagesMutex_);
    if (images_.block && images_.profile == profile) {
      std::copy(block.begin() + 1, block.end(), images_.block->begin() + 1);
      (*images_.block)[9] = 0;
    }
  }
  return r;
}

MouseController::TableOutcome MouseController::writeButtonTableOnDevice(const std::vector<KeyListEntry>& buttons,
                                                                       int macroCount,
                                                                       const std::filesystem::path& macroFolder) {
  TableOutcome out;
  if (!isConnected()) return out;
  if (onReceiver() && !transport().linkQuery()) {
    out.result = ResultCode::Unreachable;
    return out;
  }
  // Never write a table that was not read: its other slots would be zeros.
  if (!keyTableRead()) {
    out.result = readMouse();
    if (out.result != ResultCode::Success) return out;
  }
  // The library as it is now: its count decides which bindings are macros.
  std::optional<macros::MacroLibrary> library;
  if (!macroFolder.empty()) {
    library.emplace(macroFolder, clock());
    library->load();
    if (!library->damaged()) macroCount = static_cast<int>(library->size());
  }
  auto& t = transport();
  // Read now, so the macro capacity is the mouse's own and never a guess.
  std::array<uint8_t, kIdentitySize> id{};
  out.result = t.readIdentity(id);
  if (out.result != ResultCode::Success) return out;
  const unsigned size = static_cast<unsigned>(id[5]) * 3u;
  if (size > transport::kMaxMemorySize || !t.setMemorySize(static_cast<uint16_t>(size))) {
    out.result = ResultCode::NotSent;
    return out;
  }
  std::vector<uint8_t> lastRead;
  SlotMap map{};
  {
    std::lock_guard lock(imagesMutex_);
    images_.identity = id;
    images_.identityRead = true;
    lastRead = images_.keyTable;
    map = *images_.slotMap;
  }
  lastRead.resize(size, 0);
  ButtonTableImage image = buildButtonTableImage(lastRead, map, buttons, macroCount);
  out.order = image.macroOrder;

  if (library && !image.macroOrder.empty()) {
    const std::vector<uint8_t> list(image.macroOrder.begin(), image.macroOrder.end());
    const macros::MacroImage macroImage =
        macros::buildLibraryImage(*library, list, id[macros::kIdentityCapacityByte]);
    if (macroImage.status == macros::MacroImage::Status::TooLarge) {
      out.exceedUnits = static_cast<int>(macroImage.exceedUnits);
      out.result = ResultCode::NotSent;
      return out;
    }
    if (macroImage.status == macros::MacroImage::Status::Ok) {
      out.result = writeMacroMemory(macroImage.bytes);
      if (out.result != ResultCode::Success) {
        // The table would bind slots the mouse does not hold.
        out.failed = Write::MacroMemory;
        return out;
      }
    }
  }

  out.result = writeKeyTableBracketed(image.image);
  return out;
}

void MouseController::connected() {
  const ResultCode state = readDevice();
  postToUi([this, state] { afterRead(state); });
}

void MouseController::deviceChanged() {
  const ResultCode state = readStateFromDevice();
  postToUi([this, state] {
    if (!doc_) return;
    if (state == ResultCode::Success) followActiveStage();
    applyConfiguration();
  });
}

bool MouseController::isAwake() { return transport().linkQuery(); }

std::optional<UsbDeviceController::StatusBlock> MouseController::readStatusBlock() {
  // Hidden in the tray: nobody looks at the battery, so the mouse is left alone.
  if (windowHidden()) return std::nullopt;
  return readStatusFromDevice();
}

// ------------------------------------------------------------------ reader thread

void MouseController::inputUsageFrom(uint16_t usage, bool receiver) {
  if (usage == kUsageKeyEvent) {
    if (receiver) return;
    keyEvents_.fetch_add(1);
    lighting_.keyEvent();  // wakes the light thread in the reactive fade
    return;
  }
  if (!isConnected()) return;
  const auto report = decodeProfileStageUsage(usage, profileCount(), static_cast<int>(kMaxStages));
  if (!report) return;
  // The document and the page belong to the UI thread.
  postToUi([this, r = *report] { handleProfileStage(r); });
}

// ------------------------------------------------------------------ UI thread

void MouseController::afterRead(ResultCode stateRead) {
  loadConfiguration();
  if (doc_ && stateRead == ResultCode::Success) followActiveStage();
  applyConfiguration();
  // The light thread shows the document's light; without a document there is
  // nothing to show and the zones stay as their owner sets them.
  if (doc_) startLightThread();
}

void MouseController::followActiveStage() {
  // The profile's light is the user's and stays as it is; only the active
  // stage, which the mouse's own DPI button moves, follows the mouse. Nothing
  // is saved when they already agree.
  const auto block = lastBlock();
  if (!block) return;
  const uint8_t stage = (*block)[kActiveStageOffset];
  if (stage >= doc_->getStages().size() || stage == doc_->getActiveStage()) return;
  doc_->setActiveStage(stage);
  save();
}

ResultCode MouseController::readDevice() {
  const ResultCode read = readMouse();
  if (read != ResultCode::Success) debugLine("鼠标读取失败");
  // The link was asked just now when the mouse answered the reads.
  return read == ResultCode::Unreachable ? read : readStateFromDevice(read != ResultCode::Success);
}

void MouseController::handleProfileStage(ProfileStageReport report) {
  // A stage the document does not have cannot be shown or written back.
  if (doc_ && report.stage && *report.stage >= static_cast<int>(doc_->getStages().size())) return;
  {
    std::lock_guard lock(imagesMutex_);
    images_.profile = report.profile;
    if (images_.block) {
      (*images_.block)[0] = static_cast<uint8_t>(report.profile);
      if (report.stage) (*images_.block)[kActiveStageOffset] = static_cast<uint8_t>(*report.stage);
    }
  }
  // The mouse switched stage on its own: the document follows, so the next
  // write does not switch it back.
  if (doc_ && report.stage) {
    doc_->setActiveStage(static_cast<uint8_t>(*report.stage));
    save();
  }
  if (listener_.profileStageChanged) listener_.profileStageChanged(report.profile, report.stage);
  applyConfiguration();
}

void MouseController::reloadLightData() {
  if (!doc_) return;
  LightFeed feed;
  feed.record = doc_->getLightInfo();
  feed.sequence = doc_->getSelectedSequence(modes_.size());
  feed.lightList = doc_->getLightList();
  setLightRecord(feed.record);
  lighting_.setRecord(feed.record);
  lighting_.setSequence(feed.sequence);
  lighting_.setLightList(feed.lightList);
  lighting_.reload(clock().now());
  std::lock_guard lock(feedMutex_);
  feed_ = std::move(feed);
}

MouseController::LightFeed MouseController::lightFeed() const {
  std::lock_guard lock(feedMutex_);
  return feed_;
}

void MouseController::logWriteFailure(int what, ResultCode r) const {
  if (what == static_cast<int>(Write::MacroMemory)) debugPrintf("mouse macro memory write failed (%d)", toInt(r));
  else debugLine(what == static_cast<int>(Write::SettingsBlock) ? "鼠标设置写入失败" : "鼠标按键写入失败");
}

SettingsBlockInput MouseController::blockInput() const {
  SettingsBlockInput in;
  in.stages = doc_->getStages();
  in.words = doc_->getSystemWords();
  in.activeStage = doc_->getActiveStage();
  in.light = doc_->getLightInfo();
  in.modeCodes = modeCodes();
  in.presets = doc_->getCorrectInfo();
  in.screenWidth = screenWidth_;
  in.screenHeight = screenHeight_;
  return in;
}

void MouseController::WriteSettingsBlock(std::function<void(ResultCode)> done) {
  if (!doc_) return;
  if (blockHeld_ > 0 && !done) {
    blockPending_ = true;
    return;
  }
  commandQueue().request<ResultCode>(
      [this, in = blockInput()] { return writeBlockOnDevice(in); },
      [this, done = std::move(done)](ResultCode r) {
        reportFailure(Write::SettingsBlock, r);
        if (done) done(r);
      },
      "settings");
}

void MouseController::releaseSettingsBlock() {
  if (blockHeld_ > 0 && --blockHeld_ == 0 && blockPending_) {
    blockPending_ = false;
    WriteSettingsBlock();
  }
}

void MouseController::WriteButtonTable(std::function<void(ResultCode, std::vector<int>)> done) {
  if (!doc_) return;
  commandQueue().request<TableOutcome>(
      [this, buttons = doc_->getKeyList(), macros = macroCount_, folder = macroFolder_] {
        return writeButtonTableOnDevice(buttons, macros, folder);
      },
      [this, done = std::move(done)](TableOutcome o) {
        if (o.exceedUnits > 0) {
          debugPrintf("macros too large for the mouse: %d", o.exceedUnits);
          if (listener_.macrosTooLarge) listener_.macrosTooLarge(o.exceedUnits);
        } else {
          reportFailure(o.failed, o.result);
        }
        if (done) done(o.result, std::move(o.order));
      },
      "key table");
}

std::vector<KeyListEntry> MouseController::boundKeys() const { return doc_->getKeyList(); }

std::vector<int> MouseController::macroOrderList() {
  if (!doc_) return {};
  std::vector<uint8_t> table;
  std::optional<SlotMap> map;
  {
    std::lock_guard lock(imagesMutex_);
    table = images_.keyTable;
    map = images_.slotMap;
  }
  if (!map) return {};
  return buildButtonTableImage(table, *map, doc_->getKeyList(), libraryMacroCount()).macroOrder;
}

// ------------------------------------------------------------------ edits

std::vector<DpiStage> MouseController::stagesUpTo(int stage) const {
  std::vector<DpiStage> stages = doc_->getStages();
  if (static_cast<int>(stages.size()) <= stage) stages.resize(static_cast<size_t>(stage) + 1);
  return stages;
}

bool MouseController::setStageIndex(int stage, int index) {
  if (!doc_ || stage < 0 || stage >= static_cast<int>(kMaxStages)) return false;
  const MouseIdentity id = identityFields();
  const int highest = id.dpiStep != 0 ? id.highestIndex : 0xFFFF;
  std::vector<DpiStage> stages = stagesUpTo(stage);
  stages[static_cast<size_t>(stage)].x = static_cast<uint16_t>(std::clamp(index, 0, highest));
  doc_->setStages(stages);
  save();
  WriteSettingsBlock();
  return true;
}

bool MouseController::setStageDpi(int stage, int64_t dpi) {
  const MouseIdentity id = identityFields();
  if (id.dpiStep == 0) return false;  // no scale to convert with
  return setStageIndex(stage, DpiToIndex(id, dpi));
}

bool MouseController::setStageDpiText(int stage, std::string_view typed) {
  return setStageDpi(stage, parseTypedNumber(typed));
}

bool MouseController::setStageEnabled(int stage, bool enabled) {
  if (!doc_ || stage < 0 || stage >= static_cast<int>(kMaxStages)) return false;
  std::vector<DpiStage> stages = stagesUpTo(stage);
  if (!enabled) {
    if (stage == doc_->getActiveStage()) return false;
    const auto on = std::count_if(stages.begin(), stages.end(), [](const DpiStage& s) { return s.enabled != 0; });
    if (on <= 1 && stages[static_cast<size_t>(stage)].enabled) return false;
  }
  stages[static_cast<size_t>(stage)].enabled = enabled ? 1 : 0;
  doc_->setStages(stages);
  save();
  WriteSettingsBlock();
  return true;
}

bool MouseController::selectStage(int stage) {
  if (!doc_ || stage < 0 || stage >= static_cast<int>(kMaxStages)) return false;
  if (stage >= static_cast<int>(doc_->getStages().size())) return false;
  doc_->setActiveStage(static_cast<uint8_t>(stage));
  save();
  WriteSettingsBlock();
  return true;
}

bool MouseController::setStageColour(int stage, uint32_t rgb) {
  if (!doc_ || stage < 0 || stage >= static_cast<int>(kMaxStages)) return false;
  std::vector<DpiStage> stages = stagesUpTo(stage);
  DpiStage& s = stages[static_cast<size_t>(stage)];
  s.red = static_cast<uint8_t>(rgb >> 16);
  s.green = static_cast<uint8_t>(rgb >> 8);
  s.blue = static_cast<uint8_t>(rgb);
  doc_->setStages(stages);
  save();
  WriteSettingsBlock();
  return true;
}

bool MouseController::editSystemStages(const std::function<void(MouseSystemStages&)>& edit) {
  if (!doc_) return false;
  MouseSystemStages s = doc_->getSystemStages();
  edit(s);
  doc_->setSystemStages(s);
  save();
  return true;
}

bool MouseController::setPollingRate(int index) {
  if (index < 0 || index >= kPollingOptions) return false;
  if (!editSystemStages([&](MouseSystemStages& s) { s.reportRate = static_cast<uint16_t>(index); })) return false;
  WriteSettingsBlock();
  return true;
}

namespace {
uint16_t sliderWord(int value) { return static_cast<uint16_t>(std::clamp(value, 0, 0xFFFF)); }
}  // namespace

void MouseController::setPointerSpeed(int value) {
  editSystemStages([&](MouseSystemStages& s) { s.mouseSpeed = sliderWord(value); });
}

void MouseController::setDoubleClickTime(int value) {
  editSystemStages([&](MouseSystemStages& s) { s.doubleClickTime = sliderWord(value); });
}

void MouseController::setWheelSpeed(int value) {
  editSystemStages([&](MouseSystemStages& s) {
    s.wheelScrollLines = sliderWord(value);
    // Scrolling by lines and by pages exclude each other.
    s.scrollPage = static_cast<uint16_t>(s.scrollPage & 0xFF00);
  });
}

void MouseController::setPointerPrecision(bool on) {
  editSystemStages([&](MouseSystemStages& s) { s.pointerPrecision = on ? 1 : 0; });
}

void MouseController::setScrollByPage(bool on) {
  editSystemStages([&](MouseSystemStages& s) {
    s.scrollPage = static_cast<uint16_t>((s.scrollPage & 0xFF00) | (on ? 1 : 0));
  });
}

bool MouseController::StoreAssignment(int button, const FunctionCode& code) {
  if (!doc_ || button < 0 || button >= static_cast<int>(kLogicalButtons)) return false;
  std::vector<KeyListEntry> list = doc_->getKeyList();
  while (static_cast<int>(list.size()) <= button) {
    const FunctionCode d = kMouseButtons[list.size()].defaultCode;
    list.push_back({d, d});
  }
  list[static_cast<size_t>(button)].assignment = code;
  doc_->setKeyList(list);
  save();
  applyConfiguration();
  return true;
}

void MouseController::changeLightRecord(const LightRecord& record) {
  if (!doc_) return;
  setSynchronised(false);
  doc_->setLightInfo(record);
  save();
  reloadLightData();
  WriteSettingsBlock();
}

void MouseController::applyAll() {
  WriteSettingsBlock();
  WriteButtonTable();
}

// ------------------------------------------------------------------ page state

std::vector<DpiStage> MouseController::stages() const { return doc_ ? doc_->getStages() : std::vector<DpiStage>{}; }

uint8_t MouseController::activeStage() const { return doc_ ? doc_->getActiveStage() : 0; }

MouseSystemStages MouseController::systemStages() const { return doc_ ? doc_->getSystemStages() : MouseSystemStages{}; }

std::vector<KeyListEntry> MouseController::buttons() const {
  return doc_ ? doc_->getKeyList() : std::vector<KeyListEntry>{};
}

int MouseController::sliderMaximum() const { return identityFields().highestIndex; }

int MouseController::dpiMaximum() const { return highestDpi(identityFields()); }

std::array<MouseStageView, kMaxStages> MouseController::stageViews() const {
  std::array<MouseStageView, kMaxStages> views{};
  if (!doc_) return views;
  const std::vector<DpiStage> list = doc_->getStages();
  const int active = doc_->getActiveStage();
  const MouseIdentity id = identityFields();
  const auto enabledCount = std::count_if(list.begin(), list.end(), [](const DpiStage& s) { return s.enabled != 0; });
  for (size_t i = 0; i < kMaxStages && i < list.size(); ++i) {
    const DpiStage& s = list[i];
    MouseStageView& v = views[i];
    v.present = true;
    v.enabled = s.enabled != 0;
    v.selected = static_cast<int>(i) == active;
    // At least one stage stays enabled, and the active one cannot be turned off.
    v.enableAvailable = !v.selected && !(v.enabled && enabledCount <= 1);
    v.index = s.x;
    v.dpi = IndexToDpi(id, s.x);
    v.colour = (uint32_t{s.red} << 16) | (uint32_t{s.green} << 8) | s.blue;
  }
  return views;
}

}  // namespace tessel
