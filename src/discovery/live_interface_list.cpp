#include "discovery/live_interface_list.h"

#include "discovery/device_tables.h"

namespace tessel {

void LiveInterfaceList::fillFromTable() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const InterfaceKey& row : supportedInterfaceTable()) slots_.push_back(row);
}

size_t LiveInterfaceList::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return slots_.size();
}

std::optional<InterfaceKey> LiveInterfaceList::slot(int index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!validLocked(index)) return std::nullopt;
  return slots_[static_cast<size_t>(index)];
}

bool LiveInterfaceList::isWanted(const InterfaceKey& key) const {
  auto same4 = [&](const InterfaceKey& k) {
    return k.vendorId == key.vendorId && k.productId == key.productId &&
           k.collectionNumber == key.collectionNumber && k.interfaceNumber == key.interfaceNumber;
  };
  bool inTable = false;
  for (const InterfaceKey& row : supportedInterfaceTable()) inTable = inTable || same4(row);
  if (!inTable) return false;
  std::lock_guard<std::mutex> lock(mutex_);
  for (const InterfaceKey& s : slots_) {
    if (same4(s)) return s.present == 0 && s.path.empty();
  }
  return false;
}

std::optional<int> LiveInterfaceList::claim(InterfaceKey& key) {
  auto same6 = [&](const InterfaceKey& k) {
    return k.vendorId == key.vendorId && k.productId == key.productId &&
           k.collectionNumber == key.collectionNumber && k.interfaceNumber == key.interfaceNumber &&
           k.usagePage == key.usagePage && k.usage == key.usage;
  };
  const InterfaceKey* row = nullptr;
  for (const InterfaceKey& r : supportedInterfaceTable()) {
    if (same6(r)) {
      row = &r;
      break;
    }
  }
  if (!row) return std::nullopt;
  key.typeCode = row->typeCode;
  key.role = row->role;
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < slots_.size(); ++i) {
    InterfaceKey& s = slots_[i];
    if (same6(s) && s.typeCode == key.typeCode && s.role == key.role && s.present == 0 && s.path.empty()) {
      s.present = 1;
      s.path = key.path;
      return static_cast<int>(i);
    }
  }
  return std::nullopt;
}

bool LiveInterfaceList::allPresent() const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const InterfaceKey& s : slots_)
    if (s.present == 0 && s.path.empty()) return false;
  return true;
}

void LiveInterfaceList::release(int index) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!validLocked(index)) return;
  slots_[static_cast<size_t>(index)].present = 0;
  slots_[static_cast<size_t>(index)].path.clear();
}

InterfaceKey LiveInterfaceList::pageKeyLocked(int index) const {
  const InterfaceKey& key = slots_[static_cast<size_t>(index)];
  auto isReceiverType = [](uint16_t t) { return t == 6 || t == 9; };
  auto partnerOf = [&](const InterfaceKey& k) -> const InterfaceKey* {
    if (!k.hasPartner || !validLocked(k.partnerRow)) return nullptr;
    return &slots_[k.partnerRow];
  };
  if (key.role == kRoleInput) {
    for (const InterfaceKey& s : slots_) {
      if (s.productId == key.productId && s.vendorId == key.vendorId && s.typeCode == key.typeCode &&
          s.role == kRoleCommand) {
        if (isReceiverType(s.typeCode)) {
          if (const InterfaceKey* p = partnerOf(s)) return *p;
        }
        return s;
      }
    }
    return key;
  }
  if (isReceiverType(key.typeCode)) {
    const InterfaceKey* p = partnerOf(key);
    if (p && p->partnerRow == index) return *p;
  }
  return key;
}

std::optional<InterfaceKey> LiveInterfaceList::pageKey(int index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!validLocked(index)) return std::nullopt;
  return pageKeyLocked(index);
}

bool LiveInterfaceList::partnerPresent(int index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!validLocked(index)) return false;
  const InterfaceKey& key = slots_[static_cast<size_t>(index)];
  if (!key.hasPartner || !validLocked(key.partnerRow)) return false;
  const InterfaceKey& partner = slots_[key.partnerRow];
  return partner.partnerRow == index && partner.present != 0 && !partner.path.empty();
}

}  // namespace tessel
