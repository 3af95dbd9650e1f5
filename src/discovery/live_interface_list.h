#pragma once
// The live interface list: one slot per row of the supported interface table
// (same index). The device watcher claims and releases slots; the main window
// reads them while handling arrivals and removals. Every access is locked, so
// the watcher thread and the UI thread may use it at the same time.
#include <mutex>
#include <optional>
#include <vector>

#include "core/interface_key.h"

namespace tessel {

class LiveInterfaceList {
 public:
  // Appends every row of the supported interface table, in table order.
  void fillFromTable();
  size_t size() const;
  // A copy of slot i (nullopt outside the list).
  std::optional<InterfaceKey> slot(int index) const;

  // Some row has the key's VID, PID, collection and interface, and the slot with
  // those values is neither present nor holds a path.
  bool isWanted(const InterfaceKey& key) const;
  // Finds the row with the key's VID, PID, collection, interface, usage page and
  // usage; copies its type code and role into `key`; takes the first free slot
  // with those six values: present 1, path stored. The slot index, or nullopt.
  std::optional<int> claim(InterfaceKey& key);
  // Every slot is present or holds a path.
  bool allPresent() const;
  // Clears present and path of a slot (the interface went away).
  void release(int index);

  // The key identifying the device page of a slot: an input interface maps to
  // its product's command interface, and a receiver to its cable partner, so a
  // product has one page whichever way it is connected.
  std::optional<InterfaceKey> pageKey(int index) const;
  // The slot's partner (the other connection of the same product) names this
  // slot back, and is present with a path.
  bool partnerPresent(int index) const;

 private:
  bool validLocked(int index) const { return index >= 0 && static_cast<size_t>(index) < slots_.size(); }
  InterfaceKey pageKeyLocked(int index) const;

  mutable std::mutex mutex_;
  std::vector<InterfaceKey> slots_;
};

}  // namespace tessel
