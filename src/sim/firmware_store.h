#pragma once
// FirmwareStore: the emulated products' memories on disk, so a demo user's
// settings survive a restart as a real device's do. One file per product in
// $XDG_STATE_HOME/tessel-rgb/demo/ (default ~/.local/state/tessel-rgb/demo/),
// named after the product ("mouse.json", "keyboard-receiver.json"):
//
//   {"product": "mouse", "memories": "54465731..."}
//
// with the firmware's snapshot() of the memories a user changes (settings,
// key table, custom colours, macro and recoil memory) as lower-case hex.
//
// When it is written: after every command that changed a kept memory, before
// the reply leaves the firmware, atomically (temporary file and rename). A
// process killed after any write the host saw answered therefore never loses
// it, and a half-written file cannot exist. Writes come in chunks of at most
// 56 bytes, so a settings block is two file writes; only demo mode pays that.
//
// Sharing between processes: "tessel-rgb --demo" and "tesselctl --demo" run
// their own emulated products on the same files. Before each command that
// reaches a kept memory the firmware takes in a file another process
// replaced since (a stat per command), and the exchange holds the device's
// lock file (device/transport/device_lock_file.h, turned on for emulated
// devices by the store), so the two processes see one device.
//
// A file that cannot be parsed, or whose memories do not fit the product
// (another size), is kept aside as "<name>.bad" and the product starts from
// the factory state.
#include <json/json.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "sim/firmware_base.h"
#include "sim/virtual_bus.h"

namespace tessel::sim {

// The snapshot bytes a parsed product file holds; nullopt when it is not a
// file of `product` or its memories are not hex. Whether the bytes fit the
// product is the firmware's restore() to say.
std::optional<std::vector<uint8_t>> parseStoredSnapshot(const Json::Value& root, std::string_view product);

// $XDG_STATE_HOME/tessel-rgb/demo, or ~/.local/state/tessel-rgb/demo.
std::filesystem::path defaultFirmwareStoreFolder();

class FirmwareStore : public std::enable_shared_from_this<FirmwareStore> {
 public:
  // `reset`: every product attached for the first time starts from the
  // factory state, which replaces its file (--demo-reset).
  explicit FirmwareStore(std::filesystem::path folder = defaultFirmwareStoreFolder(), bool reset = false);

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path fileFor(std::string_view productName) const;

  // Gives `firmware` its stored memories (or, on reset, stores its factory
  // ones) and keeps them from now on. False when the folder cannot be made
  // (the product then runs from the factory state without persistence).
  bool attach(CommandFirmware& firmware);

  // The firmware factory of demo mode: the product's real firmware, attached
  // to this store. Also makes the exchanges of emulated products hold their
  // device lock files.
  VirtualHidBus::FirmwareFactory factory();

 private:
  std::filesystem::path folder_;
  bool reset_;
  std::mutex mutex_;
  std::set<std::string> attached_;  // products attached once (reset applies only then)
};

}  // namespace tessel::sim
