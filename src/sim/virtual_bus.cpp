#include "sim/virtual_bus.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "device/hid/hid_path.h"

namespace tessel::sim {
namespace {

// Like a hidraw reader's buffer: reports beyond this many unread ones are dropped.
constexpr size_t kMaxQueued = 64;

// Length in bytes of output report `id`, its id byte included: one collection
// may carry output reports of different lengths (the headset: 17-byte LED
// reports and 64-byte commands).
size_t outputLengthFor(const hid::TopCollection& c, uint8_t id, bool usesIds) {
  uint32_t bits = 0;
  for (const hid::ReportField& f : c.fields)
    if (f.kind == hid::ReportKind::Output && f.reportId == id)
      bits = std::max(bits, f.bitOffset + f.reportSize * f.reportCount);
  return (bits + 7) / 8 + (usesIds ? 1 : 0);
}

bool hasOutputId(const hid::TopCollection& c, uint8_t id) {
  for (const hid::ReportField& f : c.fields)
    if (f.kind == hid::ReportKind::Output && f.reportId == id) return true;
  return false;
}

}  // namespace

// ---------------------------------------------------------------- ScriptedFirmware

void ScriptedFirmware::setResponder(Responder responder) {
  std::lock_guard lock(mutex_);
  responder_ = std::move(responder);
}

void ScriptedFirmware::onCommand(const Report& report, std::vector<Report>& replies) {
  Responder r;
  {
    std::lock_guard lock(mutex_);
    r = responder_;
  }
  if (r) r(report, replies);
}

// ---------------------------------------------------------------- VirtualChannel

class VirtualChannel : public hid::HidChannel {
 public:
  VirtualChannel(std::shared_ptr<EmulatedProduct> product,
                 std::shared_ptr<EmulatedProduct::ChannelState> state)
      : product_(std::move(product)), state_(std::move(state)) {}
  ~VirtualChannel() override { product_->closeChannel(state_); }

  bool read(uint8_t* buffer, size_t length, size_t* count, int timeoutMs) override {
    if (count) *count = 0;
    if (!buffer || length == 0) return false;
    return product_->channelRead(*state_, buffer, length, count, timeoutMs);
  }
  bool write(const uint8_t* buffer, size_t length, size_t* count, int timeoutMs) override {
    if (count) *count = 0;
    if (!buffer || length == 0) return false;
    bool ok = product_->channelWrite(*state_, buffer, length, timeoutMs, false);
    if (ok && count) *count = length;
    return ok;
  }
  bool sendOutputReport(const uint8_t* buffer, size_t length) override {
    if (!buffer || length == 0) return false;
    return product_->channelWrite(*state_, buffer, length, 1000, true);
  }
  void cancel() override {
    std::lock_guard lock(product_->mutex_);
    ++state_->readCancel;
    ++state_->writeCancel;
    state_->cv.notify_all();
  }
  void close() override {
    std::lock_guard lock(product_->mutex_);
    state_->closed = true;
    state_->cv.notify_all();
  }
  hid::HidAttributes attributes() const override {
    const ProductInfo& s = product_->info();
    return {s.vendorId, s.productId, s.versionNumber};
  }
  std::vector<uint8_t> reportDescriptor() const override { return *product_->info().descriptor; }

 private:
  std::shared_ptr<EmulatedProduct> product_;
  std::shared_ptr<EmulatedProduct::ChannelState> state_;
};

// ---------------------------------------------------------------- EmulatedProduct

EmulatedProduct::EmulatedProduct(const ProductInfo& info, int nodeNumber,
                                 std::shared_ptr<Firmware> firmware, VirtualHidBus* bus)
    : info_(info), nodeNumber_(nodeNumber), firmware_(std::move(firmware)), bus_(bus) {
  hid::parseReportDescriptor(*info_.descriptor, descriptor_);
  written_.resize(descriptor_.collections.size());
}

EmulatedProduct::~EmulatedProduct() = default;

std::string EmulatedProduct::node() const {
  return std::string(VirtualHidBus::kNodePrefix) + std::to_string(nodeNumber_);
}

std::string EmulatedProduct::path(uint16_t collection) const {
  return hid::makeDevicePath(node(), info_.vendorId, info_.productId, info_.interfaceNumber, collection);
}

std::vector<std::string> EmulatedProduct::paths() const {
  std::vector<std::string> out;
  size_t n = descriptor_.collections.size();
  if (n == 1) {
    out.push_back(path(0));
  } else {
    for (size_t i = 1; i <= n; ++i) out.push_back(path(static_cast<uint16_t>(i)));
  }
  return out;
}

size_t EmulatedProduct::collectionIndex(uint16_t collection) const {
  return collection == 0 ? 0 : size_t(collection) - 1;
}

bool EmulatedProduct::plugged() const {
  std::lock_guard lock(mutex_);
  return plugged_;
}

void EmulatedProduct::setLatency(std::chrono::microseconds perReport) {
  std::lock_guard lock(mutex_);
  latency_ = std::max(perReport, std::chrono::microseconds(0));
}

std::chrono::microseconds EmulatedProduct::latency() const {
  std::lock_guard lock(mutex_);
  return latency_;
}

void EmulatedProduct::deliverLocked(const Report& report, Clock::time_point due) {
  if (report.empty() || !plugged_) return;
  uint8_t id = descriptor_.usesReportIds ? report[0] : 0;
  for (const auto& st : channels_) {
    if (st->closed || !st->canRead) continue;
    if (!descriptor_.collections[st->collection].hasInputReportId(id)) continue;
    if (st->queue.size() >= kMaxQueued) continue;
    Clock::time_point at = st->queue.empty() ? due : std::max(due, st->queue.back().due);
    st->queue.push_back({report, at});
    st->cv.notify_all();
  }
}

void EmulatedProduct::wakeAllLocked() {
  for (const auto& st : channels_) st->cv.notify_all();
  cv_.notify_all();
}

void EmulatedProduct::pushInput(Report report) {
  std::lock_guard lock(mutex_);
  deliverLocked(report, Clock::now());
}

void EmulatedProduct::unplug() {
  VirtualHidBus* bus;
  {
    std::lock_guard lock(mutex_);
    bus = bus_;
  }
  if (!bus || !bus->unplugProduct(this)) markUnplugged();
}

void EmulatedProduct::markUnplugged() {
  std::lock_guard lock(mutex_);
  plugged_ = false;
  for (const auto& st : channels_) st->queue.clear();
  wakeAllLocked();
}

void EmulatedProduct::scriptReplies(std::vector<Report> replies) {
  std::lock_guard lock(mutex_);
  scripted_.push_back(std::move(replies));
}

std::vector<Report> EmulatedProduct::writtenReports(uint16_t collection) const {
  std::lock_guard lock(mutex_);
  size_t i = collectionIndex(collection);
  return i < written_.size() ? written_[i] : std::vector<Report>();
}

std::vector<Report> EmulatedProduct::outputReports() const {
  std::lock_guard lock(mutex_);
  return outputs_;
}

bool EmulatedProduct::waitForCommands(size_t count, std::chrono::milliseconds bound) const {
  std::unique_lock lock(mutex_);
  return cv_.wait_for(lock, bound, [&] { return commandCount_ >= count; });
}

void EmulatedProduct::clearLog() {
  std::lock_guard lock(mutex_);
  for (auto& w : written_) w.clear();
  outputs_.clear();
  commandCount_ = 0;
}

size_t EmulatedProduct::openChannels() const {
  std::lock_guard lock(mutex_);
  return channels_.size();
}

std::shared_ptr<EmulatedProduct::ChannelState> EmulatedProduct::openChannel(size_t collection, bool read,
                                                                            bool write) {
  std::lock_guard lock(mutex_);
  if (!plugged_ || collection >= descriptor_.collections.size()) return nullptr;
  auto st = std::make_shared<ChannelState>();
  st->collection = collection;
  st->canRead = read;
  st->canWrite = write;
  channels_.push_back(st);
  return st;
}

void EmulatedProduct::closeChannel(const std::shared_ptr<ChannelState>& state) {
  std::lock_guard lock(mutex_);
  state->closed = true;
  state->cv.notify_all();
  channels_.erase(std::remove(channels_.begin(), channels_.end(), state), channels_.end());
}

bool EmulatedProduct::channelRead(ChannelState& st, uint8_t* buffer, size_t length, size_t* count,
                                  int timeoutMs) {
  std::unique_lock lock(mutex_);
  if (!plugged_ || st.closed || !st.canRead) return false;
  const uint64_t cancel = st.readCancel;
  const Clock::time_point deadline =
      timeoutMs == hid::kInfinite ? Clock::time_point::max()
                                  : Clock::now() + std::chrono::milliseconds(std::max(timeoutMs, 0));
  for (;;) {
    if (!plugged_ || st.closed || st.readCancel != cancel) return false;
    Clock::time_point now = Clock::now();
    if (!st.queue.empty() && st.queue.front().due <= now) {
      const Report& r = st.queue.front().report;
      size_t n = std::min(length, r.size());
      std::memcpy(buffer, r.data(), n);
      if (count) *count = n;
      st.queue.pop_front();
      return true;
    }
    if (now >= deadline) return false;
    Clock::time_point wake = deadline;
    if (!st.queue.empty()) wake = std::min(wake, st.queue.front().due);
    if (wake == Clock::time_point::max())
      st.cv.wait(lock);
    else
      st.cv.wait_until(lock, wake);
  }
}

bool EmulatedProduct::transferLocked(std::unique_lock<std::mutex>& lock, ChannelState& st, bool isRead,
                                     int timeoutMs) {
  const uint64_t cancel = isRead ? st.readCancel : st.writeCancel;
  const Clock::time_point start = Clock::now();
  const Clock::time_point end = start + latency_;
  const Clock::time_point deadline =
      timeoutMs == hid::kInfinite ? Clock::time_point::max()
                                  : start + std::chrono::milliseconds(std::max(timeoutMs, 0));
  for (;;) {
    uint64_t now_cancel = isRead ? st.readCancel : st.writeCancel;
    if (!plugged_ || st.closed || now_cancel != cancel) return false;
    Clock::time_point now = Clock::now();
    if (now >= end) return true;
    if (now >= deadline) return false;  // the transfer takes longer than the caller waits
    st.cv.wait_until(lock, std::min(end, deadline));
  }
}

bool EmulatedProduct::channelWrite(ChannelState& st, const uint8_t* buffer, size_t length, int timeoutMs,
                                   bool output) {
  std::unique_lock lock(mutex_);
  if (!plugged_ || st.closed || !st.canWrite) return false;
  const hid::TopCollection& c = descriptor_.collections[st.collection];
  // The node refuses a report its interface does not declare, or a longer one.
  uint8_t id = buffer[0];
  if (descriptor_.usesReportIds ? !hasOutputId(c, id) : id != 0) return false;
  if (length > outputLengthFor(c, id, descriptor_.usesReportIds)) return false;
  if (!transferLocked(lock, st, false, timeoutMs)) return false;

  Report report(buffer, buffer + length);
  const bool command = !output && st.collection == collectionIndex(info_.commandCollection);
  std::optional<std::vector<Report>> override;
  if (output) {
    // An animated headset sends about a thousand LED reports a second: the
    // log keeps the recent ones, not every report since the start.
    if (outputs_.size() >= kOutputLogLimit) outputs_.erase(outputs_.begin(), outputs_.begin() + kOutputLogLimit / 2);
    outputs_.push_back(report);
  } else {
    written_[st.collection].push_back(report);
    if (command) {
      ++commandCount_;
      if (!scripted_.empty()) {
        override = std::move(scripted_.front());
        scripted_.pop_front();
      }
      cv_.notify_all();  // waitForCommands
    }
  }
  if (!output && !command) return true;
  lock.unlock();

  std::vector<Report> replies;
  {
    std::lock_guard fw(firmwareMutex_);
    if (output)
      firmware_->onOutputReport(report);
    else
      firmware_->onCommand(report, replies);
  }
  if (override) replies = std::move(*override);
  if (replies.empty()) return true;
  lock.lock();
  const Clock::time_point base = Clock::now();
  for (size_t i = 0; i < replies.size(); ++i) deliverLocked(replies[i], base + latency_ * (i + 1));
  return true;
}

// ---------------------------------------------------------------- VirtualHidBus

VirtualHidBus::VirtualHidBus() = default;

VirtualHidBus::~VirtualHidBus() {
  std::map<int, std::shared_ptr<EmulatedProduct>> all;
  {
    std::lock_guard lock(mutex_);
    all.swap(byNode_);
  }
  for (auto& [node, p] : all) {
    {
      std::lock_guard lock(p->mutex_);
      p->bus_ = nullptr;
    }
    p->markUnplugged();
  }
}

std::shared_ptr<EmulatedProduct> VirtualHidBus::plug(std::string_view productName,
                                                     std::shared_ptr<Firmware> firmware) {
  const ProductInfo* info = findProductInfo(productName);
  if (!info) return nullptr;
  FirmwareFactory factory;
  {
    std::lock_guard lock(mutex_);
    for (const auto& [node, p] : byNode_)
      if (p->name() == productName) return nullptr;
    factory = factory_;
  }
  if (!firmware && factory) firmware = factory(*info);
  if (!firmware) firmware = std::make_shared<ScriptedFirmware>();

  std::lock_guard lock(mutex_);
  for (const auto& [node, p] : byNode_)
    if (p->name() == productName) return nullptr;
  int node = 0;  // the lowest free number, as the kernel hands them out
  while (byNode_.count(node)) ++node;
  auto product = std::make_shared<EmulatedProduct>(*info, node, firmware, this);
  firmware->attach(product.get());
  product->plugSerial_ = ++plugs_;
  byNode_[node] = product;
  ++changes_;
  changed_.notify_all();
  return product;
}

bool VirtualHidBus::plugList(std::string_view list, std::string* error) {
  std::vector<std::string> names;
  if (!parseProductList(list, names, error)) return false;
  for (const std::string& n : names) plug(n);
  return true;
}

bool VirtualHidBus::unplug(std::string_view productName) {
  std::shared_ptr<EmulatedProduct> gone;
  {
    std::lock_guard lock(mutex_);
    for (auto it = byNode_.begin(); it != byNode_.end(); ++it) {
      if (it->second->name() == productName) {
        gone = it->second;
        byNode_.erase(it);
        ++changes_;
        changed_.notify_all();
        break;
      }
    }
  }
  if (!gone) return false;
  gone->markUnplugged();
  return true;
}

bool VirtualHidBus::unplugProduct(const EmulatedProduct* product) {
  std::shared_ptr<EmulatedProduct> gone;
  {
    std::lock_guard lock(mutex_);
    auto it = byNode_.find(product->nodeNumber());
    if (it == byNode_.end() || it->second.get() != product) return false;
    gone = it->second;
    byNode_.erase(it);
    ++changes_;
    changed_.notify_all();
  }
  gone->markUnplugged();
  return true;
}

std::shared_ptr<EmulatedProduct> VirtualHidBus::product(std::string_view productName) const {
  std::lock_guard lock(mutex_);
  for (const auto& [node, p] : byNode_)
    if (p->name() == productName) return p;
  return nullptr;
}

std::vector<std::shared_ptr<EmulatedProduct>> VirtualHidBus::products() const {
  std::lock_guard lock(mutex_);
  std::vector<std::shared_ptr<EmulatedProduct>> out;
  for (const auto& [node, p] : byNode_) out.push_back(p);
  return out;
}

void VirtualHidBus::setFirmwareFactory(FirmwareFactory factory) {
  std::lock_guard lock(mutex_);
  factory_ = std::move(factory);
}

bool VirtualHidBus::enumerate(std::vector<std::string>& paths) {
  paths.clear();
  std::lock_guard lock(mutex_);
  for (const auto& [node, p] : byNode_) {
    std::vector<std::string> own = p->paths();
    paths.insert(paths.end(), own.begin(), own.end());
  }
  return true;
}

std::shared_ptr<EmulatedProduct> VirtualHidBus::findByPath(const std::string& path) const {
  std::string_view node = hid::pathNode(path);
  if (node.substr(0, kNodePrefix.size()) != kNodePrefix) return nullptr;
  std::string_view digits = node.substr(kNodePrefix.size());
  if (digits.empty() || digits.size() > 6 ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return nullptr;
  int number = std::atoi(std::string(digits).c_str());
  std::lock_guard lock(mutex_);
  auto it = byNode_.find(number);
  if (it == byNode_.end()) return nullptr;
  const ProductInfo& s = it->second->info();
  if (hid::pathVendorId(path) != s.vendorId || hid::pathProductId(path) != s.productId ||
      hid::pathInterfaceNumber(path) != s.interfaceNumber)
    return nullptr;
  return it->second;
}

std::unique_ptr<hid::HidChannel> VirtualHidBus::open(const std::string& path, bool wantRead, bool wantWrite) {
  std::shared_ptr<EmulatedProduct> p = findByPath(path);
  if (!p) return nullptr;
  uint16_t col = hid::pathCollectionNumber(path);
  size_t count = p->descriptor().collections.size();
  if (col == 0 ? count != 1 : col > count) return nullptr;
  auto state = p->openChannel(p->collectionIndex(col), wantRead, wantWrite);
  if (!state) return nullptr;
  return std::make_unique<VirtualChannel>(std::move(p), std::move(state));
}

namespace {

class BusWaiter : public hid::ChangeWaiter {
 public:
  BusWaiter(std::mutex& mutex, std::condition_variable& changed, const uint64_t& changes)
      : mutex_(mutex), changed_(changed), changes_(changes) {}
  void wait(uint64_t seen, std::chrono::milliseconds bound) override {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, bound, [&] { return interrupted_ || changes_ != seen; });
  }
  void interrupt() override {
    {
      std::lock_guard lock(mutex_);
      interrupted_ = true;
    }
    changed_.notify_all();
  }

 private:
  std::mutex& mutex_;
  std::condition_variable& changed_;
  const uint64_t& changes_;
  bool interrupted_ = false;  // guarded by mutex_
};

}  // namespace

std::unique_ptr<hid::ChangeWaiter> VirtualHidBus::changeWaiter() {
  return std::make_unique<BusWaiter>(mutex_, changed_, changes_);
}

uint64_t VirtualHidBus::changeCounter() {
  std::lock_guard lock(mutex_);
  return changes_;
}

std::optional<hid::NodeIdentity> VirtualHidBus::identity(const std::string& path) {
  std::shared_ptr<EmulatedProduct> p = findByPath(path);
  if (!p || !p->plugged()) return std::nullopt;
  return hid::NodeIdentity{static_cast<uint64_t>(p->nodeNumber()), p->plugSerial_};
}

}  // namespace tessel::sim
