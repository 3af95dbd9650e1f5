#include "sim/firmware_store.h"

#include <sys/stat.h>

#include <cstdlib>

#include "device/transport/device_lock_file.h"
#include "platform/debug.h"
#include "platform/file_io.h"
#include "platform/json_file.h"
#include "platform/kept_file.h"
#include "sim/firmware_products.h"

namespace tessel::sim {

namespace {

std::string toHex(const std::vector<uint8_t>& bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string s;
  s.reserve(bytes.size() * 2);
  for (uint8_t b : bytes) {
    s.push_back(kDigits[b >> 4]);
    s.push_back(kDigits[b & 0x0F]);
  }
  return s;
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool fromHex(const std::string& text, std::vector<uint8_t>& out) {
  if (text.size() % 2 != 0) return false;
  out.clear();
  out.reserve(text.size() / 2);
  for (size_t i = 0; i < text.size(); i += 2) {
    const int hi = hexDigit(text[i]), lo = hexDigit(text[i + 1]);
    if (hi < 0 || lo < 0) return false;
    out.push_back(static_cast<uint8_t>(hi << 4 | lo));
  }
  return true;
}

// What a file looked like when we last read or wrote it: a replaced file
// (rename) gets a new inode, so another process's write is always seen.
struct FileStamp {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t mtimeNs = 0;
  bool operator==(const FileStamp&) const = default;
};

FileStamp stampOf(const std::filesystem::path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return {};
  return {true, st.st_dev, st.st_ino, st.st_size,
          static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

// Reads a product file's snapshot; false when there is none or it is not one of ours.
// `bytes` gets the file as read. A file that is not a snapshot of this product
// is kept aside by the reader; one that cannot be read is left alone (the
// write after it refuses to replace it).
bool readSnapshot(const std::filesystem::path& path, std::string_view product, std::vector<uint8_t>& out,
                  std::string& bytes) {
  const KeptRead read = readKeptJson(
      path, [&](const Json::Value& root) { return parseStoredSnapshot(root, product).has_value(); });
  bytes = read.bytes;
  auto snapshot = parseStoredSnapshot(read.value, product);
  if (!snapshot) return false;
  out = std::move(*snapshot);
  return true;
}

bool writeSnapshot(const std::filesystem::path& path, std::string_view product, const std::vector<uint8_t>& snapshot) {
  Json::Value root(Json::objectValue);
  root["product"] = std::string(product);
  root["memories"] = toHex(snapshot);
  return writeKeptJson(path, root);
}

// One product's file.
class StoredMemories : public MemoryKeeper {
 public:
  StoredMemories(std::filesystem::path path, std::string product)
      : path_(std::move(path)), product_(std::move(product)) {}

  // Takes the file in, or (on reset, or when there is none or it cannot be
  // used) writes the firmware's own memories to it.
  void start(CommandFirmware& firmware, bool reset) {
    std::lock_guard lock(mutex_);
    if (!reset && load(firmware)) return;
    save(firmware);
  }

  void beforeCommand(CommandFirmware& firmware) override {
    std::lock_guard lock(mutex_);
    const FileStamp now = stampOf(path_);
    if (now == seen_) return;
    // Replaced by another process (or removed: then ours is written back).
    if (!load(firmware)) save(firmware);
  }

  void afterChange(CommandFirmware& firmware) override {
    std::lock_guard lock(mutex_);
    save(firmware);
  }

 private:
  // False when the file is missing, not ours, or holds memories of another
  // layout (then the caller writes ours over it).
  bool load(CommandFirmware& firmware) {
    std::vector<uint8_t> snapshot;
    std::string bytes;
    const FileStamp stamp = stampOf(path_);
    if (!stamp.exists || !readSnapshot(path_, product_, snapshot, bytes)) return false;
    if (!firmware.restore(snapshot)) {
      debugPrintf("demo store: %s holds memories of another size; the product keeps its own", path_.c_str());
      keepBytesAside(path_, bytes);
      return false;
    }
    seen_ = stamp;
    return true;
  }
  void save(CommandFirmware& firmware) {
    if (!writeSnapshot(path_, product_, firmware.snapshot())) {
      debugPrintf("demo store: cannot write %s", path_.c_str());
    }
    seen_ = stampOf(path_);
  }

  std::mutex mutex_;
  const std::filesystem::path path_;
  const std::string product_;
  FileStamp seen_;
};

}  // namespace

std::optional<std::vector<uint8_t>> parseStoredSnapshot(const Json::Value& root, std::string_view product) {
  if (!root.isObject() || !root["product"].isString() || root["product"].asString() != product) return std::nullopt;
  const Json::Value& memories = root["memories"];
  std::vector<uint8_t> bytes;
  if (!memories.isString() || !fromHex(memories.asString(), bytes)) {
    debugLine("demo store: \"memories\" is not hex");
    return std::nullopt;
  }
  return bytes;
}

std::filesystem::path defaultFirmwareStoreFolder() {
  const char* state = std::getenv("XDG_STATE_HOME");
  std::filesystem::path base;
  if (state != nullptr && state[0] == '/') {
    base = state;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home != nullptr && home[0] != '\0' ? home : "/tmp") / ".local" / "state";
  }
  return base / "tessel-rgb" / "demo";
}

FirmwareStore::FirmwareStore(std::filesystem::path folder, bool reset)
    : folder_(std::move(folder)), reset_(reset) {}

std::filesystem::path FirmwareStore::fileFor(std::string_view productName) const {
  return folder_ / (std::string(productName) + ".json");
}

bool FirmwareStore::attach(CommandFirmware& firmware) {
  std::error_code ec;
  std::filesystem::create_directories(folder_, ec);
  if (!std::filesystem::is_directory(folder_, ec)) {
    debugPrintf("demo store: cannot make %s; the emulated products start from the factory state",
                folder_.c_str());
    return false;
  }
  bool reset = false;
  {
    std::lock_guard lock(mutex_);
    reset = reset_ && attached_.insert(firmware.productName()).second;
  }
  auto kept = std::make_shared<StoredMemories>(fileFor(firmware.productName()), firmware.productName());
  kept->start(firmware, reset);
  firmware.setMemoryKeeper(std::move(kept));
  return true;
}

VirtualHidBus::FirmwareFactory FirmwareStore::factory() {
  transport::shareEmulatedDevices(true);
  std::weak_ptr<FirmwareStore> weak = weak_from_this();
  return [weak](const ProductInfo& info) -> std::shared_ptr<Firmware> {
    std::shared_ptr<CommandFirmware> firmware = makeProductFirmware(info.name);
    if (auto store = weak.lock(); store && firmware) store->attach(*firmware);
    return firmware;
  };
}

}  // namespace tessel::sim
