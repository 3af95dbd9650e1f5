#include "devices/keyboard/keyboard_controller.h"

#include <algorithm>

#include "config/function_codes.h"
#include "config/keyboard_profiledata.h"
#include "macros/macro_image.h"
#include "macros/macro_library.h"
#include "platform/debug.h"

namespace tessel {

using namespace keyboard;

struct KeyboardController::TableOutcome {
  ResultCode result = ResultCode::NotSent;
  Write failed = Write::KeyTable;
  std::vector<int> order;
  int exceedUnits = 0;
};

struct KeyboardController::ReadOutcome {
  ResultCode tables = ResultCode::NotSent;
  ResultCode settings = ResultCode::NotSent;
  ResultCode colours = ResultCode::NotSent;
  bool initial = false;
};

namespace {


// The colour memory lives in one bank of 512 bytes.
constexpr int kColourBank = 0;
constexpr int kColourBankSize = 512;

}  // namespace

KeyboardController::~KeyboardController() {
  lightThread_.stop();
  liveSender_.stop();
  shutdown();
}

// ------------------------------------------------------------------ binding

void KeyboardController::setLightModes(std::vector<LightModeEntry> modes) { modes_ = std::move(modes); }

void KeyboardController::setMacroNames(std::vector<std::string> names) { macroNames_ = std::move(names); }

std::vector<uint8_t> KeyboardController::modeCodes() const {
  std::vector<uint8_t> codes;
  codes.reserve(modes_.size());
  for (const auto& m : modes_) codes.push_back(m.code);
  return codes;
}

// ------------------------------------------------------------------ device state

KeyboardIdentity KeyboardController::identityFields() const {
  std::lock_guard lock(imagesMutex_);
  if (!images_.identityRead) return {};
  return decodeKeyboardIdentity(images_.identity);
}

bool KeyboardController::tablesValid() const {
  std::lock_guard lock(imagesMutex_);
  return images_.tablesValid;
}

KeyMaps KeyboardController::keyMaps() const {
  std::lock_guard lock(imagesMutex_);
  return images_.maps;
}

int KeyboardController::currentProfile() const {
  std::lock_guard lock(imagesMutex_);
  return images_.profile;
}

std::optional<SettingsBlock> KeyboardController::lastBlock() const {
  std::lock_guard lock(imagesMutex_);
  return images_.block;
}

std::vector<uint8_t> KeyboardController::customColourMemory() const {
  std::lock_guard lock(imagesMutex_);
  return images_.colours;
}

int KeyboardController::profileCount() const {
  std::lock_guard lock(imagesMutex_);
  const int n = images_.identityRead ? images_.identity[7] : 0;
  return n > 0 && n <= kProfileCount ? n : kProfileCount;
}

// ------------------------------------------------------------------ queue thread

bool KeyboardController::linkState() {
  if (!isConnected()) return false;
  return !onReceiver() || transport().linkQuery();
}

ResultCode KeyboardController::readKeyTables() {
  if (!isConnected()) return ResultCode::NotSent;
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
  // N is taken from this one identity read: every size below follows from it.
  const KeyboardIdentity kid = decodeKeyboardIdentity(id);
  if (!tablesFit(kid) || !t.setMemorySize(static_cast<uint16_t>(keyTableSize(kid)))) {
    debugPrintf("keyboard key tables do not fit: %u keys", unsigned{kid.keyCount});
    t.end(1);
    return ResultCode::NotSent;
  }
  std::vector<uint8_t> defaults(keyTableSize(kid)), leds(ledTableSize(kid));
  r = t.readKeyTable(defaults);
  if (r == ResultCode::Success) r = t.readLedTable(leds);
  t.end(1);
  // A table not read whole leaves the previous maps (and their validity) alone.
  if (r != ResultCode::Success) return r;
  const std::optional<KeyMaps> maps = buildKeyMaps(kid, defaults, leds);
  if (!maps) return ResultCode::NotSent;
  std::lock_guard lock(imagesMutex_);
  images_.defaultTable = std::move(defaults);
  images_.ledTable = std::move(leds);
  images_.maps = *maps;
  images_.tablesValid = true;
  return ResultCode::Success;
}

ResultCode KeyboardController::readSettingsFromDevice(bool checkLink) {
  if (!isConnected()) return ResultCode::NotSent;
  if (checkLink && onReceiver() && !transport().linkQuery()) return ResultCode::Unreachable;
  auto& t = transport();
  std::array<uint8_t, 1> profile{};
  ResultCode r = t.readSettings(profile, 0);
  if (r != ResultCode::Success) return r;
  // A profile byte the keyboard cannot have addresses no block of it.
  const int p = profile[0] < profileCount() ? profile[0] : 0;
  SettingsBlock block{};
  r = t.readSettings(block, static_cast<uint16_t>(p * kSettingsBlockSize));
  if (r != ResultCode::Success) return r;
  block[16] = 0;
  std::lock_guard lock(imagesMutex_);
  images_.profile = p;
  images_.block = block;
  images_.blockProfile = p;
  images_.reportedByte17.reset();
  images_.blockFresh = true;
  return ResultCode::Success;
}

ResultCode KeyboardController::readCustomColoursFromDevice() {
  if (!isConnected()) return ResultCode::NotSent;
  KeyMaps maps;
  {
    std::lock_guard lock(imagesMutex_);
    if (!images_.tablesValid) return ResultCode::NotSent;
    maps = images_.maps;
  }
  std::vector<uint8_t> memory(size_t{maps.keyCount} * 3);
  if (memory.size() > static_cast<size_t>(kColourBankSize)) return ResultCode::NotSent;
  const ResultCode r = transport().readCustomColours(memory, kColourBank, kColourBankSize);
  if (r != ResultCode::Success) return r;
  std::lock_guard lock(imagesMutex_);
  images_.colours = std::move(memory);
  images_.coloursFresh = true;
  return ResultCode::Success;
}

ResultCode KeyboardController::writeSettingsOnDevice(const LightRecord& light, const KeyboardSystemStages& system,
                                                     const std::vector<uint8_t>& modeCodes) {
  if (!isConnected()) return ResultCode::NotSent;
  if (onReceiver() && !transport().linkQuery()) return ResultCode::Unreachable;
  bool known = false;
  {
    std::lock_guard lock(imagesMutex_);
    known = images_.block.has_value();
  }
  // The block to write and the profile it belongs to come from a read: never
  // guess profile 0 with zeros in the bytes we do not own.
  if (!known) {
    const ResultCode r = readSettingsFromDevice(false);
    if (r != ResultCode::Success) return r;
    std::lock_guard lock(imagesMutex_);
    images_.blockFresh = false;  // the document's values go out; the read is only the base
  }
  SettingsBlock lastRead{};
  int profile = 0;
  bool otherProfile = false;
  {
    std::lock_guard lock(imagesMutex_);
    lastRead = *images_.block;
    profile = images_.profile;
    otherProfile = images_.blockProfile != profile;
  }
  // The keyboard switched profile on its own since the block was read: the
  // bytes we do not own come from that profile's block, never from another's.
  if (otherProfile) {
    SettingsBlock own{};
    const ResultCode r = transport().readSettings(own, static_cast<uint16_t>(profile * kSettingsBlockSize));
    if (r != ResultCode::Success) return r;
    own[16] = 0;
    std::lock_guard lock(imagesMutex_);
    if (images_.reportedByte17) own[kStatusByte] = *images_.reportedByte17;
    lastRead = own;
  }
  const SettingsBlock block = encodeSettingsBlock(lastRead, light, modeCodes, system);
  auto& t = transport();
  const ResultCode begun = t.begin();
  if (begun != ResultCode::Success) return begun;
  const ResultCode written = t.writeSettings(block, static_cast<uint16_t>(profile * kSettingsBlockSize));
  const ResultCode ended = t.end(1);
  if (written == ResultCode::Success) {
    std::lock_guard lock(imagesMutex_);
    if (images_.profile == profile) {
      images_.block = block;
      images_.blockProfile = profile;
    }
  }
  return firstFailure({written, ended});
}

KeyboardController::TableOutcome KeyboardController::writeKeyTableOnDevice(const std::vector<KeyListEntry>& keys,
                                                                           int macroCount,
                                                                           const std::filesystem::path& macroFolder) {
  TableOutcome out;
  if (!isConnected()) return out;
  if (onReceiver() && !transport().linkQuery()) {
    out.result = ResultCode::Unreachable;
    return out;
  }
  std::vector<uint8_t> defaults;
  KeyMaps maps;
  {
    std::lock_guard lock(imagesMutex_);
    // Without tables read whole the image would carry zeros or a stale layout.
    if (!images_.tablesValid) return out;
    defaults = images_.defaultTable;
    maps = images_.maps;
  }
  std::optional<macros::MacroLibrary> library;
  if (!macroFolder.empty()) {
    library.emplace(macroFolder, clock());
    library->load();
    if (!library->damaged()) macroCount = static_cast<int>(library->size());
  }
  auto& t = transport();
  std::array<uint8_t, kIdentitySize> id{};
  out.result = t.readIdentity(id);
  if (out.result != ResultCode::Success) return out;
  // A keyboard that now reports another N is not the one the maps were built for.
  if (decodeKeyboardIdentity(id).keyCount != maps.keyCount) {
    out.result = ResultCode::NotSent;
    return out;
  }
  {
    std::lock_guard lock(imagesMutex_);
    images_.identity = id;
  }
  if (!t.setMemorySize(static_cast<uint16_t>(size_t{maps.keyCount} * 3))) {
    out.result = ResultCode::NotSent;
    return out;
  }
  const UserKeyTable table = buildUserKeyTable(defaults, maps, keys, static_cast<size_t>(std::max(0, macroCount)));
  if (table.image.empty() && maps.keyCount != 0) {
    out.result = ResultCode::NotSent;
    return out;
  }
  out.order.assign(table.macroOrder.begin(), table.macroOrder.end());
  if (library && !table.macroOrder.empty()) {
    const macros::MacroImage image =
        macros::buildLibraryImage(*library, table.macroOrder, id[macros::kIdentityCapacityByte]);
    if (image.status == macros::MacroImage::Status::TooLarge) {
      out.exceedUnits = static_cast<int>(image.exceedUnits);
      out.result = ResultCode::NotSent;
      return out;
    }
    if (image.status == macros::MacroImage::Status::Ok) {
      out.result = writeMacroMemory(image.bytes);
      if (out.result != ResultCode::Success) {
        out.failed = Write::MacroMemory;  // the table would bind slots the keyboard does not hold
        return out;
      }
    }
  }
  out.result = writeKeyTableBracketed(table.image);
  return out;
}

ResultCode KeyboardController::writeColoursOnDevice(const CustomColours& colours) {
  if (!isConnected()) return ResultCode::NotSent;
  if (onReceiver() && !transport().linkQuery()) return ResultCode::Unreachable;
  KeyMaps maps;
  std::vector<uint8_t> base;
  {
    std::lock_guard lock(imagesMutex_);
    if (!images_.tablesValid) return ResultCode::NotSent;
    maps = images_.maps;
    base = images_.colours;
  }
  const std::vector<uint8_t> memory = encodeCustomColours(colours, maps, base);
  if (memory.empty() || memory.size() > static_cast<size_t>(kColourBankSize)) return ResultCode::NotSent;
  // Under the transport's light lock, but a queued job like every persistent
  // write: it waits for a running transfer instead of giving way to it.
  const ResultCode r = transport().writeCustomColours(memory, kColourBank, kColourBankSize);
  if (r == ResultCode::Success) {
    std::lock_guard lock(imagesMutex_);
    images_.colours = memory;
  }
  return r;
}

KeyboardController::ReadOutcome KeyboardController::readAll() {
  ReadOutcome out;
  out.initial = true;
  if (isConnected() && onReceiver() && !transport().linkQuery()) {
    out.tables = out.settings = out.colours = ResultCode::Unreachable;
  } else {
    out.tables = readKeyTables();
    if (out.tables != ResultCode::Success) debugLine("键盘按键表读取失败");
    out.settings = readSettingsFromDevice(false);
    out.colours = readCustomColoursFromDevice();
  }
  return out;
}

void KeyboardController::connected() {
  const ReadOutcome out = readAll();
  postToUi([this, out] { afterRead(out); });
}

ResultCode KeyboardController::readDevice() {
  const ReadOutcome out = readAll();
  keepReadImagesOnly();
  return out.settings;
}

void KeyboardController::deviceChanged() {
  ReadOutcome out;
  out.settings = readSettingsFromDevice(true);
  if (out.settings == ResultCode::Success) out.colours = readCustomColoursFromDevice();
  postToUi([this, out] { afterRead(out); });
}

bool KeyboardController::isAwake() { return transport().linkQuery(); }

std::optional<UsbDeviceController::StatusBlock> KeyboardController::readStatusBlock() {
  // Hidden in the tray nobody looks at the battery; a receiver whose keyboard
  // sleeps has nothing to say.
  if (windowHidden() || !linkState()) return std::nullopt;
  return readStatusFromDevice();
}

// ------------------------------------------------------------------ UI thread

void KeyboardController::afterRead(const ReadOutcome& outcome) {
  bool reload = outcome.initial;
  if (!outcome.initial && profileListChanged_.exchange(false)) {
    if (listener_.profileListChanged) listener_.profileListChanged();
    reload = true;
  }
  if (reload) loadConfiguration();
  // Connecting never changes the profile: what the keyboard held before is
  // only the base of the next write. Later reads follow what the keyboard
  // changed on its own (its Fn keys), which the user did by hand.
  if (outcome.initial) {
    keepReadImagesOnly();
  } else {
    if (outcome.settings == ResultCode::Success) adoptSettings();
    if (outcome.colours == ResultCode::Success) adoptCustomColours();
  }
  applyConfiguration();
  if (outcome.initial && doc_) startLightThread();
}

void KeyboardController::keepReadImagesOnly() {
  std::lock_guard lock(imagesMutex_);
  if (images_.block && images_.blockFresh) {
    images_.block = decodeSettingsBlock(*images_.block, modeCodes(), LightRecord{}, KeyboardSystemStages{}).kept;
  }
  images_.blockFresh = false;
  images_.coloursFresh = false;
}

void KeyboardController::adoptSettings() {
  SettingsBlock block{};
  {
    std::lock_guard lock(imagesMutex_);
    if (!images_.block || !images_.blockFresh) return;
    block = *images_.block;
    images_.blockFresh = false;
  }
  // The keyboard shows its own effect again.
  setSynchronised(false);
  if (!doc_) return;
  const DecodedSettings d = decodeSettingsBlock(block, modeCodes(), doc_->getLightInfo(), doc_->getSystemStages());
  {
    std::lock_guard lock(imagesMutex_);
    images_.block = d.kept;
  }
  doc_->setLightInfo(d.light);
  doc_->setSystemStages(d.system);
  save();
  reloadLightData();
}

void KeyboardController::adoptCustomColours() {
  std::vector<uint8_t> memory;
  KeyMaps maps;
  {
    std::lock_guard lock(imagesMutex_);
    if (!images_.coloursFresh) return;
    images_.coloursFresh = false;
    memory = images_.colours;
    maps = images_.maps;
  }
  if (!doc_) return;
  const std::optional<CustomColours> colours =
      decodeCustomColours(memory, maps, doc_->getLightInfo().light, groupColours());
  if (!colours) return;
  storeGroupColours(*colours);
  save();
  reloadLightData();
}

CustomColours KeyboardController::groupColours() const {
  CustomColours out{};
  if (!doc_) return out;
  const std::vector<CustomColor> list = doc_->getCustomGroupColors(doc_->getCustomGroupIndex(), kPositions);
  std::copy_n(list.begin(), std::min(list.size(), out.size()), out.begin());
  return out;
}

void KeyboardController::storeGroupColours(const CustomColours& colours) {
  if (!doc_) return;
  doc_->setCustomGroupColors(doc_->getCustomGroupIndex(), std::vector<CustomColor>(colours.begin(), colours.end()));
}

uint8_t KeyboardController::modeCodeOf(uint8_t selectItem) const {
  if (selectItem < modes_.size()) return modes_[selectItem].code;
  return selectItem;
}

void KeyboardController::reloadLightData() {
  if (!doc_) return;
  const LightRecord record = doc_->getLightInfo();
  setLightRecord(record);
  liveMode_.store(isLiveCode(modeCodeOf(record.selectItem)));
  const CustomColours colours = groupColours();
  std::array<Rgb, kPositions> rgb{};
  for (size_t j = 0; j < kPositions; ++j) rgb[j] = {colours[j].red, colours[j].green, colours[j].blue};
  lighting_.setCustomColours(rgb);
  lighting_.setAudio(audioLight());
  // A user sequence chosen past the built-in modes plays as the effect list;
  // every mode carries the light list's per-key overlays.
  lighting_.setEffectList(doc_->getSelectedSequence(modes_.size()));
  lighting_.setLightList(doc_->getLightList());
  lighting_.setLight(record);
  lightThread_.wake();
}

void KeyboardController::WriteSettings(std::function<void(ResultCode)> done) {
  if (!doc_) return;
  // A newer write of the same block replaces one still waiting: it carries
  // everything the older one did.
  commandQueue().request<ResultCode>(
      [this, light = doc_->getLightInfo(), system = doc_->getSystemStages(), codes = modeCodes()] {
        return writeSettingsOnDevice(light, system, codes);
      },
      [this, done = std::move(done)](ResultCode r) {
        reportFailure(Write::Settings, r);
        if (done) done(r);
      },
      "settings");
}

void KeyboardController::WriteKeyTable(std::function<void(ResultCode, std::vector<int>)> done) {
  if (!doc_) return;
  commandQueue().request<TableOutcome>(
      [this, keys = keys(), count = macroCount_, folder = macroFolder_] {
        return writeKeyTableOnDevice(keys, count, folder);
      },
      [this, done = std::move(done)](TableOutcome o) {
        if (o.exceedUnits > 0) {
          debugPrintf("macros too large for the keyboard: %d", o.exceedUnits);
          if (listener_.macrosTooLarge) listener_.macrosTooLarge(o.exceedUnits);
        } else {
          reportFailure(o.failed, o.result);
        }
        if (done) done(o.result, std::move(o.order));
      },
      "key table");
}

void KeyboardController::WriteCustomColours(std::function<void(ResultCode)> done) {
  if (!doc_) return;
  commandQueue().request<ResultCode>([this, colours = groupColours()] { return writeColoursOnDevice(colours); },
                                     [this, done = std::move(done)](ResultCode r) {
                                       reportFailure(Write::CustomColours, r);
                                       if (done) done(r);
                                     },
                                     "custom colours");
}

void KeyboardController::ReadCustomColours(std::function<void(ResultCode)> done) {
  commandQueue().request<ResultCode>([this] { return readCustomColoursFromDevice(); },
                                     [this, done = std::move(done)](ResultCode r) {
                                       if (r == ResultCode::Success) adoptCustomColours();
                                       applyConfiguration();
                                       if (done) done(r);
                                     });
}

std::vector<int> KeyboardController::macroOrderList() {
  if (!doc_) return {};
  std::vector<uint8_t> defaults;
  KeyMaps maps;
  {
    std::lock_guard lock(imagesMutex_);
    if (!images_.tablesValid) return {};
    defaults = images_.defaultTable;
    maps = images_.maps;
  }
  const int count = libraryMacroCount();
  const UserKeyTable table = buildUserKeyTable(defaults, maps, keys(), static_cast<size_t>(std::max(0, count)));
  return {table.macroOrder.begin(), table.macroOrder.end()};
}

// ------------------------------------------------------------------ edits

bool KeyboardController::StoreAssignment(int position, const FunctionCode& code) {
  if (!doc_ || position < 0 || position >= static_cast<int>(kPositions)) return false;
  std::vector<KeyListEntry> list = keys();
  list[static_cast<size_t>(position)].assignment = code;
  doc_->setKeyList(list);
  save();
  applyConfiguration();
  return true;
}

void KeyboardController::changeLightRecord(const LightRecord& record) {
  if (!doc_) return;
  setSynchronised(false);
  const bool wasCustom = modeCodeOf(doc_->getLightInfo().selectItem) == kCustomMode;
  doc_->setLightInfo(record);
  save();
  reloadLightData();
  WriteSettings();
  // The colours painted while another mode showed reach the keyboard when
  // its custom mode comes back.
  if (!wasCustom && modeCodeOf(record.selectItem) == kCustomMode) WriteCustomColours();
}

bool KeyboardController::editSystemStages(const std::function<void(KeyboardSystemStages&)>& edit) {
  if (!doc_) return false;
  KeyboardSystemStages s = doc_->getSystemStages();
  edit(s);
  doc_->setSystemStages(s);
  save();
  return true;
}

bool KeyboardController::setRollover(bool on) {
  if (!editSystemStages([&](KeyboardSystemStages& s) { s.key6Flag = on ? 1 : 0; })) return false;
  WriteSettings();
  return true;
}

bool KeyboardController::setWKey(bool on) {
  if (!editSystemStages([&](KeyboardSystemStages& s) { s.wFlag = on ? 1 : 0; })) return false;
  WriteSettings();
  return true;
}

bool KeyboardController::setWindowsLock(bool on) {
  if (!editSystemStages([&](KeyboardSystemStages& s) { s.winFlag = on ? 1 : 0; })) return false;
  WriteSettings();
  return true;
}

bool KeyboardController::setPollingRate(int index) {
  if (index < 0 || index >= kPollingChoices) return false;
  if (!editSystemStages([&](KeyboardSystemStages& s) { s.pollingRate = static_cast<uint16_t>(index); })) return false;
  WriteSettings();
  return true;
}

bool KeyboardController::setRepeatRate(int value) {
  if (value < 0 || value > 0xFFFF) return false;
  return editSystemStages([&](KeyboardSystemStages& s) { s.repeat = static_cast<uint16_t>(value); });
}

bool KeyboardController::setRepeatDelay(int index) {
  if (index < 0 || index >= kRepeatDelayChoices) return false;
  return editSystemStages([&](KeyboardSystemStages& s) { s.repeatDelay = static_cast<uint16_t>(index); });
}

bool KeyboardController::setCustomColour(int position, uint8_t red, uint8_t green, uint8_t blue) {
  if (!doc_ || position < 0 || position >= static_cast<int>(kPositions)) return false;
  const LightRecord light = doc_->getLightInfo();
  CustomColours colours = groupColours();
  colours[static_cast<size_t>(position)] = {red, green, blue, brightnessAlpha(light.light)};
  storeGroupColours(colours);
  save();
  reloadLightData();
  // The colour memory is written in the custom mode only; switching to it writes them.
  if (modeCodeOf(light.selectItem) == kCustomMode) WriteCustomColours();
  applyConfiguration();
  return true;
}

bool KeyboardController::PaintKey(int position) {
  if (!doc_) return false;
  const LightRecord light = doc_->getLightInfo();
  if (modeCodeOf(light.selectItem) != kCustomMode) return false;
  return setCustomColour(position, light.red, light.green, light.blue);
}

void KeyboardController::writeSettingsBlock(int, int, int, int, int) {
  WriteSettings();
  if (doc_ && modeCodeOf(doc_->getLightInfo().selectItem) == kCustomMode) WriteCustomColours();
}

void KeyboardController::applyAll() {
  WriteSettings();
  WriteKeyTable();
  if (doc_ && modeCodeOf(doc_->getLightInfo().selectItem) == kCustomMode) WriteCustomColours();
}

// ------------------------------------------------------------------ selection and tabs

bool KeyboardController::selectKey(int position) {
  if (position < 0 || position >= static_cast<int>(kPositions)) return false;
  selected_ = position;
  return true;
}

std::optional<KeyListEntry> KeyboardController::selectedAssignment() const {
  if (selected_ < 0 || !doc_) return std::nullopt;
  return keys()[static_cast<size_t>(selected_)];
}

void KeyboardController::selectFunctionTab(int tabCode) { tab_ = tabCode; }

bool KeyboardController::keyVisible(int position) const {
  return position >= 0 && keyVisibleOnTab(static_cast<size_t>(position), tab_);
}

// ------------------------------------------------------------------ page state

std::vector<KeyListEntry> KeyboardController::keys() const {
  std::vector<KeyListEntry> list = doc_ ? doc_->getKeyList() : std::vector<KeyListEntry>{};
  list.resize(std::min(list.size(), kPositions));
  while (list.size() < kPositions) {
    const FunctionCode d = kPositionDefaults[list.size()];
    list.push_back({d, d});
  }
  // A position's default is its layout triple, whatever a document says:
  // a key list without defaults must not turn a dropped binding into nothing.
  for (size_t j = 0; j < kPositions; ++j) list[j].defaultAssignment = kPositionDefaults[j];
  return list;
}

std::array<KeyView, kPositions> KeyboardController::keyViews() const { return keyboard::keyViews(keys(), macroNames_); }

LightRecord KeyboardController::light() const { return doc_ ? doc_->getLightInfo() : LightRecord{}; }

CustomColours KeyboardController::customColours() const { return groupColours(); }

KeyboardSystemStages KeyboardController::systemStages() const {
  return doc_ ? doc_->getSystemStages() : KeyboardSystemStages{};
}


}  // namespace tessel
