#include "sim/firmware_base.h"

#include <algorithm>

namespace tessel::sim {

void fillIdentityHead(FirmwareImage& image, const IdentityHead& head) {
  auto& id = image.identity;
  id[0] = static_cast<uint8_t>(head.productId & 0xFF);
  id[1] = static_cast<uint8_t>(head.productId >> 8);
  id[2] = head.version[0];
  id[3] = head.version[1];
  id[4] = head.typeCode;
  id[5] = head.keySlots;
  id[6] = head.macroUnits;
  id[7] = head.profiles;
  id[8] = head.lightZones;
}

namespace {

constexpr size_t kReportLength = 64;
constexpr size_t kMaxData = 56;
constexpr size_t kMaxLogEntries = 50000;

uint16_t checksumOf(const uint8_t* r) {
  uint32_t sum = 0;
  for (size_t i = 3; i < kReportLength; ++i) sum += r[i];
  return static_cast<uint16_t>(sum & 0xFFFF);
}

void seal(Report& r) {
  const uint16_t sum = checksumOf(r.data());
  r[1] = static_cast<uint8_t>(sum & 0xFF);
  r[2] = static_cast<uint8_t>(sum >> 8);
}

// The reply header echoes the request's command, length and offset.
Report replyFor(const std::array<uint8_t, 64>& request, uint8_t status) {
  Report r(kReportLength, 0);
  r[0] = request[0];
  r[3] = request[3];
  r[4] = request[4];
  r[5] = request[5];
  r[6] = request[6];
  r[7] = status;
  return r;
}

uint8_t otherCommandThan(uint8_t command) {
  return command == cmd::kReadSettings ? cmd::kWriteSettings : cmd::kReadSettings;
}

uint16_t u16At(const std::vector<uint8_t>& b, size_t at) {
  return static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
}

}  // namespace

bool macroImageSound(const std::vector<uint8_t>& received, size_t capacity) {
  constexpr size_t kHeader = 16;
  if (received.size() < kHeader || received[0] != 0xAA || received[1] != 0x55) return false;
  const size_t total = u16At(received, 2);
  if (total < kHeader || total > received.size() || total > capacity) return false;
  const size_t count = u16At(received, 4);
  const size_t tableEnd = kHeader + 2 * count;
  if (tableEnd > total) return false;
  for (size_t i = 0; i < count; ++i) {
    const size_t offset = u16At(received, kHeader + 2 * i);
    if (offset < tableEnd || offset + 4 > total) return false;
    const size_t events = u16At(received, offset);
    if (offset + 4 + 4 * events > total) return false;
  }
  return true;
}

bool recoilImageSound(const std::vector<uint8_t>& received, size_t capacity) {
  return macroImageSound(received, capacity) && u16At(received, 4) == kRecoilGuns;
}

CommandFirmware::CommandFirmware(FirmwareImage image, bool throughReceiver)
    : productName_(std::move(image.productName)),
      receiver_(throughReceiver),
      readsStoredKeyTable_(image.readsStoredKeyTable) {
  identity_.assign(image.identity.begin(), image.identity.end());
  settings_ = std::move(image.settings);
  defaultKeyTable_ = std::move(image.defaultKeyTable);
  defaultKeyTable_.resize(kKeyBankSize, 0);
  keyTable_ = defaultKeyTable_;
  ledTable_ = std::move(image.ledTable);
  ledTable_.resize(kKeyBankSize, 0);
  customColours_ = std::move(image.customColours);
  customColours_.resize(kKeyBankSize, 0);
  liveFrame_.assign(image.liveFrameSize, 0);
  macro_.assign(static_cast<size_t>(identity_[6]) * 128, 0);
  recoil_.assign(image.recoilSize, 0);
  status_.assign(image.status.begin(), image.status.end());
}

bool CommandFirmware::isWrite(uint8_t command) {
  return command == cmd::kWriteSettings || command == cmd::kWriteKeyTable ||
         command == cmd::kWriteMacro || command == cmd::kWriteRecoil;
}

CommandFirmware::Memory CommandFirmware::memoryFor(uint8_t command) {
  switch (command) {
    case cmd::kReadIdentity: return {&identity_, false};
    case cmd::kReadSettings: return {&settings_, false};
    case cmd::kWriteSettings: return {&settings_, true};
    case cmd::kReadKeyTable: return {readsStoredKeyTable_ ? &keyTable_ : &defaultKeyTable_, false};
    case cmd::kWriteKeyTable: return {&keyTable_, true};
    case cmd::kReadCustomColours: return {&customColours_, false};
    case cmd::kWriteCustomColours: return {&customColours_, true};
    case cmd::kLiveFrame: return {&liveFrame_, true};
    case cmd::kWriteMacro: return {&macro_, true};
    case cmd::kWriteRecoil: return {&recoil_, true};
    case cmd::kReadStatus: return {&status_, false};
    case cmd::kReadLedTable: return {&ledTable_, false};
    default: return {};
  }
}

std::optional<FaultKind> CommandFirmware::takeFaultLocked(uint8_t command) {
  for (auto it = faults_.begin(); it != faults_.end(); ++it) {
    if (it->command != 0 && it->command != command) continue;
    if (it->skip > 0) {
      --it->skip;
      return std::nullopt;
    }
    const FaultKind kind = it->kind;
    if (--it->count <= 0) faults_.erase(it);
    return kind;
  }
  return std::nullopt;
}

uint8_t CommandFirmware::applyLocked(const Report& /*request*/, RequestRecord& rec, Report& reply) {
  const uint8_t command = rec.command;
  if (!rec.checksumOk) return 0xFF;

  switch (command) {
    case cmd::kBegin:
      if (bracketOpen_) ++leftOpen_;
      bracketOpen_ = true;
      return kReplyOk;
    case cmd::kEnd: {
      if (!bracketOpen_) ++strayEnds_;
      bracketOpen_ = false;
      const uint8_t macro = commitMacroLocked();
      const uint8_t recoil = commitRecoilLocked();
      return macro != kReplyOk ? macro : recoil;
    }
    case cmd::kWriteMacro:
      return stageChunkLocked(rec, macro_.size(), macroPending_, macroPendingBad_);
    case cmd::kWriteRecoil:
      return stageChunkLocked(rec, recoil_.size(), recoilPending_, recoilPendingBad_);
    case cmd::kResumeLighting:
      ++resumeCount_;
      return kReplyOk;
    case cmd::kLinkQuery:
      // A cable product has no wireless link; it answers as a reachable one.
      reply[8] = (!receiver_ || awake_) ? 0xFF : 0x00;
      return kReplyOk;
    default:
      break;
  }

  Memory mem = memoryFor(command);
  if (mem.bytes == nullptr) return 0xFF;
  if (isWrite(command) && !bracketOpen_) ++writesOutside_;
  const size_t length = rec.length;
  const size_t offset = rec.offset;
  if (length > kMaxData || offset + length > mem.bytes->size()) return 0xFE;
  if (mem.writable) {
    std::copy_n(rec.report.begin() + 8, length, mem.bytes->begin() + static_cast<long>(offset));
    if (command == cmd::kLiveFrame) ++liveChunks_;
    else keptChanged_ = true;
  } else {
    std::copy_n(mem.bytes->begin() + static_cast<long>(offset), length, reply.begin() + 8);
  }
  return kReplyOk;
}

uint8_t CommandFirmware::stageChunkLocked(const RequestRecord& rec, size_t memorySize,
                                          std::optional<std::vector<uint8_t>>& pending, bool& bad) {
  if (!bracketOpen_) ++writesOutside_;
  const size_t length = rec.length;
  const size_t offset = rec.offset;
  if (offset == 0) {
    pending.emplace();
    bad = false;
  }
  // A chunk past the memory, or one that does not follow the last, spoils
  // the whole write.
  if (!pending || length > kMaxData || offset + length > memorySize || offset != pending->size()) {
    bad = true;
    return 0xFE;
  }
  pending->insert(pending->end(), rec.report.begin() + 8, rec.report.begin() + 8 + static_cast<long>(length));
  return kReplyOk;
}

uint8_t CommandFirmware::commitRecoilLocked() {
  if (!recoilPending_) return kReplyOk;
  std::vector<uint8_t> image = std::move(*recoilPending_);
  recoilPending_.reset();
  if (recoilPendingBad_) return kReplyOk;
  if (!recoilImageSound(image, recoil_.size())) return 0xFE;
  std::copy(image.begin(), image.end(), recoil_.begin());
  keptChanged_ = true;
  return kReplyOk;
}

uint8_t CommandFirmware::commitMacroLocked() {
  if (!macroPending_) return kReplyOk;
  std::vector<uint8_t> image = std::move(*macroPending_);
  macroPending_.reset();
  // A refused chunk was answered already; the write is dropped.
  if (macroPendingBad_) return kReplyOk;
  if (!macroImageSound(image, macro_.size())) return 0xFE;
  std::copy(image.begin(), image.end(), macro_.begin());
  keptChanged_ = true;
  return kReplyOk;
}

void CommandFirmware::onCommand(const Report& report, std::vector<Report>& replies) {
  RequestRecord rec;
  std::copy_n(report.begin(), std::min(report.size(), rec.report.size()), rec.report.begin());
  rec.command = rec.report[3];
  rec.length = rec.report[4];
  rec.offset = static_cast<uint16_t>(rec.report[5] | (rec.report[6] << 8));
  rec.checksumOk = checksumOf(rec.report.data()) ==
                   static_cast<uint16_t>(rec.report[1] | (rec.report[2] << 8));

  bool unplug = false;
  std::shared_ptr<MemoryKeeper> keeper;
  // An end may commit a macro or recoil image: the keeper then saves it.
  if (reachesKeptMemory(rec.command) || rec.command == cmd::kEnd) {
    std::lock_guard lock(mutex_);
    keeper = keeper_;
  }
  // Outside the lock: the keeper reads and restores through the public calls.
  if (keeper && reachesKeptMemory(rec.command)) keeper->beforeCommand(*this);
  bool changed = false;
  {
    std::lock_guard lock(mutex_);
    keptChanged_ = false;
    if (silent_) {
      held_ = report;
      return;
    }
    rec.inBracket = bracketOpen_;
    rec.fault = takeFaultLocked(rec.command);
    Report reply = replyFor(rec.report, kReplyOk);

    if (receiver_ && !awake_ && rec.command != cmd::kLinkQuery) {
      // The receiver cannot pass the command on: it answers 0xAA in byte 3.
      rec.deviceAsleep = true;
      reply[3] = cmd::kLinkQuery;
      rec.status = kReplyOk;
      seal(reply);
      replies.push_back(std::move(reply));
    } else if (rec.fault) {
      switch (*rec.fault) {
        case FaultKind::NoReply:
          break;
        case FaultKind::Unplug:
          unplug = true;
          break;
        case FaultKind::StatusFF:
        case FaultKind::StatusFE:
          rec.status = *rec.fault == FaultKind::StatusFF ? 0xFF : 0xFE;
          reply[7] = rec.status;
          seal(reply);
          replies.push_back(std::move(reply));
          break;
        case FaultKind::OtherCommand:
        case FaultKind::StaleThenReply: {
          Report other = replyFor(rec.report, kReplyOk);
          other[3] = otherCommandThan(rec.command);
          seal(other);
          replies.push_back(std::move(other));
          if (*rec.fault == FaultKind::StaleThenReply) {
            rec.status = applyLocked(report, rec, reply);
            reply[7] = rec.status;
            seal(reply);
            replies.push_back(std::move(reply));
          }
          break;
        }
      }
    } else {
      rec.status = applyLocked(report, rec, reply);
      reply[7] = rec.status;
      seal(reply);
      replies.push_back(std::move(reply));
    }
    if (log_.size() >= kMaxLogEntries) log_.erase(log_.begin(), log_.begin() + kMaxLogEntries / 2);
    log_.push_back(std::move(rec));
    changed = keptChanged_;
  }
  if (changed && keeper) keeper->afterChange(*this);
  // Outside the lock: the host may call back into the bus.
  if (unplug && host_ != nullptr) host_->unplug();
}

bool CommandFirmware::reachesKeptMemory(uint8_t command) {
  switch (command) {
    case cmd::kReadSettings:
    case cmd::kWriteSettings:
    case cmd::kReadKeyTable:
    case cmd::kWriteKeyTable:
    case cmd::kReadCustomColours:
    case cmd::kWriteCustomColours:
    case cmd::kWriteMacro:
    case cmd::kWriteRecoil:
      return true;
    default:
      return false;
  }
}

void CommandFirmware::setMemoryKeeper(std::shared_ptr<MemoryKeeper> keeper) {
  std::lock_guard lock(mutex_);
  keeper_ = std::move(keeper);
}

void CommandFirmware::setDeviceAwake(bool awake) {
  std::lock_guard lock(mutex_);
  awake_ = awake;
}

void CommandFirmware::setSilent(bool silent) {
  std::optional<Report> held;
  {
    std::lock_guard lock(mutex_);
    silent_ = silent;
    if (!silent) held.swap(held_);
  }
  if (!held) return;
  std::vector<Report> replies;
  onCommand(*held, replies);
  if (host_ != nullptr)
    for (Report& r : replies) host_->pushCommandInput(std::move(r));
}

bool CommandFirmware::silent() const {
  std::lock_guard lock(mutex_);
  return silent_;
}

bool CommandFirmware::deviceAwake() const {
  std::lock_guard lock(mutex_);
  return awake_;
}

void CommandFirmware::injectFault(const Fault& fault) {
  std::lock_guard lock(mutex_);
  faults_.push_back(fault);
}

void CommandFirmware::clearFaults() {
  std::lock_guard lock(mutex_);
  faults_.clear();
}

std::vector<RequestRecord> CommandFirmware::requests() const {
  std::lock_guard lock(mutex_);
  return log_;
}

std::vector<uint8_t> CommandFirmware::commandCodes() const {
  std::lock_guard lock(mutex_);
  std::vector<uint8_t> codes;
  codes.reserve(log_.size());
  for (const auto& r : log_) codes.push_back(r.command);
  return codes;
}

size_t CommandFirmware::countOf(uint8_t command) const {
  std::lock_guard lock(mutex_);
  return static_cast<size_t>(
      std::count_if(log_.begin(), log_.end(), [&](const RequestRecord& r) { return r.command == command; }));
}

void CommandFirmware::clearLog() {
  std::lock_guard lock(mutex_);
  log_.clear();
}

bool CommandFirmware::bracketOpen() const {
  std::lock_guard lock(mutex_);
  return bracketOpen_;
}
int CommandFirmware::writesOutsideBracket() const {
  std::lock_guard lock(mutex_);
  return writesOutside_;
}
int CommandFirmware::bracketsLeftOpen() const {
  std::lock_guard lock(mutex_);
  return leftOpen_;
}
int CommandFirmware::endsWithoutBegin() const {
  std::lock_guard lock(mutex_);
  return strayEnds_;
}

std::array<uint8_t, kIdentitySize> CommandFirmware::identity() const {
  std::lock_guard lock(mutex_);
  std::array<uint8_t, kIdentitySize> out{};
  std::copy_n(identity_.begin(), kIdentitySize, out.begin());
  return out;
}

#define TESSEL_FIRMWARE_COPY(name, member)           \
  std::vector<uint8_t> CommandFirmware::name() const { \
    std::lock_guard lock(mutex_);                      \
    return member;                                     \
  }
TESSEL_FIRMWARE_COPY(settings, settings_)
TESSEL_FIRMWARE_COPY(keyTable, keyTable_)
TESSEL_FIRMWARE_COPY(defaultKeyTable, defaultKeyTable_)
TESSEL_FIRMWARE_COPY(ledTable, ledTable_)
TESSEL_FIRMWARE_COPY(customColours, customColours_)
TESSEL_FIRMWARE_COPY(liveFrame, liveFrame_)
TESSEL_FIRMWARE_COPY(macroMemory, macro_)
TESSEL_FIRMWARE_COPY(recoilMemory, recoil_)
#undef TESSEL_FIRMWARE_COPY

std::array<uint8_t, kStatusBlockSize> CommandFirmware::statusBlock() const {
  std::lock_guard lock(mutex_);
  std::array<uint8_t, kStatusBlockSize> out{};
  std::copy_n(status_.begin(), kStatusBlockSize, out.begin());
  return out;
}

int CommandFirmware::liveFrameChunks() const {
  std::lock_guard lock(mutex_);
  return liveChunks_;
}

int CommandFirmware::resumeLightingCount() const {
  std::lock_guard lock(mutex_);
  return resumeCount_;
}

void CommandFirmware::setIdentityByte(size_t index, uint8_t value) {
  std::lock_guard lock(mutex_);
  if (index >= identity_.size()) return;
  identity_[index] = value;
  if (index == 6) {
    macro_.assign(static_cast<size_t>(value) * 128, 0);
    macroPending_.reset();
  }
}

void CommandFirmware::setSettings(size_t offset, const std::vector<uint8_t>& bytes) {
  std::lock_guard lock(mutex_);
  if (offset + bytes.size() > settings_.size()) settings_.resize(offset + bytes.size(), 0);
  std::copy(bytes.begin(), bytes.end(), settings_.begin() + static_cast<long>(offset));
}

void CommandFirmware::setStatusBlock(const std::array<uint8_t, kStatusBlockSize>& block) {
  std::lock_guard lock(mutex_);
  status_.assign(block.begin(), block.end());
}

void CommandFirmware::setDefaultKeyTable(const std::vector<uint8_t>& bytes) {
  std::lock_guard lock(mutex_);
  std::fill(defaultKeyTable_.begin(), defaultKeyTable_.end(), 0);
  std::copy_n(bytes.begin(), std::min(bytes.size(), defaultKeyTable_.size()), defaultKeyTable_.begin());
  keyTable_ = defaultKeyTable_;
}

bool CommandFirmware::sendInputUsage(uint16_t usage) {
  if (host_ == nullptr) return false;
  host_->pushConsumerInput({0x03, static_cast<uint8_t>(usage & 0xFF), static_cast<uint8_t>(usage >> 8)});
  return true;
}

namespace {

// "TFW1", then per memory a 32-bit little-endian length and the bytes.
constexpr uint8_t kSnapshotMagic[4] = {'T', 'F', 'W', '1'};

void appendSection(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
  const auto n = static_cast<uint32_t>(bytes.size());
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(n >> (8 * i)));
  out.insert(out.end(), bytes.begin(), bytes.end());
}

}  // namespace

std::vector<uint8_t> CommandFirmware::snapshot() const {
  std::lock_guard lock(mutex_);
  std::vector<uint8_t> out(std::begin(kSnapshotMagic), std::end(kSnapshotMagic));
  for (const auto* m : {&settings_, &keyTable_, &customColours_, &macro_, &recoil_}) appendSection(out, *m);
  return out;
}

bool CommandFirmware::restore(const std::vector<uint8_t>& bytes) {
  std::lock_guard lock(mutex_);
  std::vector<uint8_t>* memories[] = {&settings_, &keyTable_, &customColours_, &macro_, &recoil_};
  if (bytes.size() < 4 || !std::equal(std::begin(kSnapshotMagic), std::end(kSnapshotMagic), bytes.begin()))
    return false;
  // Check every section before changing anything.
  size_t at = 4;
  for (auto* m : memories) {
    if (bytes.size() - at < 4) return false;
    uint32_t n = 0;
    for (int i = 0; i < 4; ++i) n |= static_cast<uint32_t>(bytes[at + static_cast<size_t>(i)]) << (8 * i);
    at += 4;
    if (n != m->size() || bytes.size() - at < n) return false;
    at += n;
  }
  if (at != bytes.size()) return false;
  at = 4;
  for (auto* m : memories) {
    at += 4;
    std::copy_n(bytes.begin() + static_cast<long>(at), m->size(), m->begin());
    at += m->size();
  }
  return true;
}

}  // namespace tessel::sim
