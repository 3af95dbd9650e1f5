#include "device/hid/hid_device.h"

#include <utility>

namespace tessel::hid {

const TopCollection* collectionOfPath(const ReportDescriptor& descriptor, const std::string& path) {
  uint16_t col = pathCollectionNumber(path);
  size_t index = col == 0 ? 0 : size_t(col) - 1;
  if (index >= descriptor.collections.size()) return nullptr;
  return &descriptor.collections[index];
}

HidDevice::HidDevice(HidBackend& backend) : backend_(backend) {}

HidDevice::~HidDevice() {
  close();
  freeList();
}

bool HidDevice::enumerate() {
  paths_.clear();
  cursor_ = 0;
  std::vector<std::string> found;
  if (!backend_.enumerate(found)) return false;
  paths_ = std::move(found);
  return true;
}

std::optional<std::string> HidDevice::nextPath() {
  if (cursor_ >= paths_.size()) return std::nullopt;
  return paths_[cursor_++];
}

void HidDevice::freeList() {
  paths_.clear();
  paths_.shrink_to_fit();
  cursor_ = 0;
}

size_t HidDevice::pathCount() const { return paths_.size(); }

bool HidDevice::open(const std::string& path, bool wantRead, bool wantWrite, bool overlapped,
                     bool exclusive) {
  close();
  std::unique_ptr<HidChannel> opened = backend_.open(path, wantRead, wantWrite);
  if (!opened) return false;
  ReportDescriptor descriptor;
  if (parseReportDescriptor(opened->reportDescriptor(), descriptor) != DescriptorError::None) {
    opened->close();
    return false;
  }
  const TopCollection* collection = collectionOfPath(descriptor, path);
  if (!collection) {
    opened->close();
    return false;
  }
  HidCaps caps;
  caps.usagePage = collection->usagePage;
  caps.usage = collection->usage;
  caps.inputReportByteLength = collection->inputReportLength;
  caps.outputReportByteLength = collection->outputReportLength;
  caps.featureReportByteLength = collection->featureReportLength;
  InputCapCounts counts = countInputCaps(*collection);
  caps.numberInputButtonCaps = counts.buttonCaps;
  caps.numberInputValueCaps = counts.valueCaps;

  std::lock_guard lock(mutex_);
  attributes_ = opened->attributes();
  channel_ = std::move(opened);
  path_ = path;
  wantRead_ = wantRead;
  wantWrite_ = wantWrite;
  overlapped_ = overlapped;
  exclusive_ = exclusive;
  caps_ = caps;
  collection_ = *collection;
  items_ = buildInputItems(collection_);
  interfaceNumber_ = pathInterfaceNumber(path);
  collectionNumber_ = pathCollectionNumber(path);
  return true;
}

void HidDevice::close() {
  std::shared_ptr<HidChannel> old;
  {
    std::lock_guard lock(mutex_);
    old = std::move(channel_);
    channel_.reset();
    items_.clear();
    collection_ = TopCollection();
    caps_ = HidCaps();
    attributes_ = HidAttributes();
  }
  // A reader still inside the channel holds its own reference; close() ends
  // its wait and the channel goes when the last call leaves it.
  if (old) old->close();
}

bool HidDevice::isOpen() const {
  std::lock_guard lock(mutex_);
  return channel_ != nullptr;
}

std::shared_ptr<HidChannel> HidDevice::channel() const {
  std::lock_guard lock(mutex_);
  return channel_;
}

bool HidDevice::read(uint8_t* buffer, size_t length, size_t* count, int timeoutMs) {
  if (count) *count = 0;
  std::shared_ptr<HidChannel> ch = channel();
  if (!ch || !buffer || length == 0) return false;
  size_t n = 0;
  bool ok = ch->read(buffer, length, &n, timeoutMs);
  if (count) *count = ok ? n : 0;
  return ok;
}

bool HidDevice::write(const uint8_t* buffer, size_t length, size_t* count, int timeoutMs) {
  if (count) *count = 0;
  std::shared_ptr<HidChannel> ch = channel();
  if (!ch || !buffer || length == 0) return false;
  size_t n = 0;
  bool ok = ch->write(buffer, length, &n, timeoutMs);
  if (count) *count = ok ? n : 0;
  return ok;
}

bool HidDevice::sendOutputReport(const uint8_t* buffer, size_t length) {
  std::shared_ptr<HidChannel> ch = channel();
  if (!ch || !buffer || length == 0) return false;
  return ch->sendOutputReport(buffer, length);
}

HidStatus HidDevice::unpackInput(const uint8_t* report, size_t length) {
  std::lock_guard lock(mutex_);
  if (!channel_) return HidStatus::IncompatibleReportId;
  return tessel::hid::unpackInput(collection_, report, length, items_);
}

std::vector<HidDataItem> HidDevice::inputItems() const {
  std::lock_guard lock(mutex_);
  return items_;
}

uint16_t HidDevice::firstInputUsage() const {
  std::lock_guard lock(mutex_);
  if (items_.empty()) return 0;
  const HidDataItem& item = items_.front();
  if (item.isButton) return item.usages.empty() ? 0 : item.usages.front();
  return item.usage;
}

std::string HidDevice::devicePath() const {
  std::lock_guard lock(mutex_);
  return path_;
}
HidAttributes HidDevice::attributes() const {
  std::lock_guard lock(mutex_);
  return attributes_;
}
HidCaps HidDevice::caps() const {
  std::lock_guard lock(mutex_);
  return caps_;
}
uint32_t HidDevice::interfaceNumber() const {
  std::lock_guard lock(mutex_);
  return interfaceNumber_;
}
uint32_t HidDevice::collectionNumber() const {
  std::lock_guard lock(mutex_);
  return collectionNumber_;
}
bool HidDevice::wantRead() const {
  std::lock_guard lock(mutex_);
  return wantRead_;
}
bool HidDevice::wantWrite() const {
  std::lock_guard lock(mutex_);
  return wantWrite_;
}

}  // namespace tessel::hid
