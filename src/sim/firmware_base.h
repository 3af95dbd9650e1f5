#pragma once
// The command firmware shared by every emulated product: the memories a
// device keeps, the replies to the vendor command reports (echo of the
// command, status byte, data from byte 8), the begin/end bracket tracking,
// the receiver's view of a sleeping wireless device, faults on cue and a log
// of every request. The per-product classes (firmware_mouse.h, ...) only fill
// the memories with what that product holds when it leaves the factory.
//
// Statuses this firmware answers: 0x00 success; 0xFE a chunk outside the
// addressed memory or longer than 56 bytes, or a macro memory chunk that does
// not follow the last, or an end (0x02) closing a macro memory write whose
// image is not sound; 0xFF an unknown command or a
// request whose checksum is wrong.
//
// Macro memory: the chunks of 0x15 are gathered (from offset 0, in order)
// and the image is checked when the bracket ends: magic AA 55, the total
// length within the bytes received and the capacity (identity byte 6 x 128),
// the offset table and every block inside the image. A sound image replaces
// the start of the memory (bytes past it keep what they held); a bad one
// leaves the memory as it was. A write with a refused chunk (past the memory,
// or not following the last) is dropped at the end without a second error.
//
// Recoil memory: the chunks of 0x17 are gathered and checked the same way at
// the end, with the recoil memory's size as the capacity and exactly four
// blocks (one per gun); a bad image answers 0xFE and the old patterns stay.
#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "device/transport/command_transport.h"
#include "sim/firmware.h"

namespace tessel::sim {

// The vendor command codes, as the host sends them.
namespace cmd = transport::command;

inline constexpr size_t kIdentitySize = 34;
inline constexpr size_t kStatusBlockSize = 6;
inline constexpr size_t kKeyBankSize = 512;

inline constexpr uint8_t kReplyOk = 0x00;

// What a product holds when it leaves the factory.
struct FirmwareImage {
  std::string productName;                        // "mouse", "keyboard", ...
  std::array<uint8_t, kIdentitySize> identity{};  // byte 5 key slots, byte 6 macro size / 128
  std::vector<uint8_t> settings;                  // byte 0 the active on-board profile
  std::vector<uint8_t> defaultKeyTable;           // three bytes per key slot, factory functions
  // What 0x07 answers: false, the factory table (the keyboard keeps it apart
  // from the table 0x09 writes); true, the table 0x09 stored last (the mouse).
  bool readsStoredKeyTable = false;
  std::vector<uint8_t> ledTable;                  // one LED index per key slot (read with 0x1B)
  std::vector<uint8_t> customColours;             // red, green, blue per LED index
  size_t liveFrameSize = 512;
  size_t recoilSize = 4096;
  std::array<uint8_t, kStatusBlockSize> status{};  // battery %, charge state, -, -, -, phone
};

// The head of an identity block as every product lays it out: product id
// (low byte first), two version bytes, the type code, key slots, macro memory
// in 128-byte units, on-board profiles and light zones (bytes 0 to 8).
struct IdentityHead {
  uint16_t productId = 0;
  uint8_t version[2] = {0, 0};
  uint8_t typeCode = 0;
  uint8_t keySlots = 0;
  uint8_t macroUnits = 0;
  uint8_t profiles = 0;
  uint8_t lightZones = 0;
};
void fillIdentityHead(FirmwareImage& image, const IdentityHead& head);

// True when `received` starts with a macro memory image that lies wholly
// inside it and inside `capacity` bytes.
bool macroImageSound(const std::vector<uint8_t>& received, size_t capacity);
// The same for the recoil memory, which holds exactly four blocks.
inline constexpr size_t kRecoilGuns = 4;
bool recoilImageSound(const std::vector<uint8_t>& received, size_t capacity);

enum class FaultKind {
  NoReply,        // the request is taken in but never answered
  StatusFF,       // answered with status 0xFF, nothing stored
  StatusFE,       // answered with status 0xFE, nothing stored
  OtherCommand,   // only a reply for another command comes back
  StaleThenReply, // a reply for another command, then the real reply
  Unplug,         // the product leaves the bus on this request (no reply)
};

// A fault armed for a later request: after `skip` matching requests have been
// answered normally, the next `count` matching requests get the fault.
// `command` 0 matches every command.
struct Fault {
  FaultKind kind = FaultKind::NoReply;
  uint8_t command = 0;
  int skip = 0;
  int count = 1;
};

// One request as the firmware received it.
struct RequestRecord {
  std::array<uint8_t, 64> report{};
  uint8_t command = 0;
  uint8_t length = 0;
  uint16_t offset = 0;
  bool checksumOk = true;
  bool inBracket = false;         // a 0x01 was open when it arrived
  bool deviceAsleep = false;      // a receiver answered 0xAA for its sleeping device
  std::optional<FaultKind> fault; // the fault applied to it
  uint8_t status = kReplyOk;      // the status sent back (when a reply was sent)
  std::vector<uint8_t> data() const {  // the request's data bytes (at most 56)
    const size_t n = length < 56 ? length : 56;
    return {report.begin() + 8, report.begin() + 8 + static_cast<long>(n)};
  }
};

class CommandFirmware;

// Keeps a firmware's memories outside the process (the demo's store). Called
// on the thread that handles the command, while the bus lets no other call
// into this firmware, and only for commands that reach a kept memory.
class MemoryKeeper {
 public:
  virtual ~MemoryKeeper() = default;
  // Before the command: take in what another process stored since.
  virtual void beforeCommand(CommandFirmware& firmware) = 0;
  // After a command that changed a kept memory (one of those snapshot() holds).
  virtual void afterChange(CommandFirmware& firmware) = 0;
};

class CommandFirmware : public Firmware {
 public:
  CommandFirmware(FirmwareImage image, bool throughReceiver);

  void onCommand(const Report& report, std::vector<Report>& replies) override;

  const std::string& productName() const { return productName_; }
  bool throughReceiver() const { return receiver_; }

  // The wireless device behind a receiver: while it sleeps the receiver
  // answers every command with 0xAA in byte 3, and its link query with byte 8
  // 0x00 instead of 0xFF. A cable product ignores this.
  void setDeviceAwake(bool awake);
  bool deviceAwake() const;

  // A silent product answers nothing at all, not even 0xAA: requests are
  // taken in and dropped, except the latest, which is answered (and logged)
  // when the silence ends, as a radio link that comes back delivers the
  // request it was holding.
  void setSilent(bool silent);
  bool silent() const;

  void injectFault(const Fault& fault);
  void clearFaults();

  // Request log, oldest first.
  std::vector<RequestRecord> requests() const;
  std::vector<uint8_t> commandCodes() const;  // byte 3 of every request, in order
  size_t countOf(uint8_t command) const;
  void clearLog();

  // Bracket tracking. A "write" is 0x06, 0x09, 0x15 or 0x17.
  bool bracketOpen() const;           // a 0x01 has not been closed by 0x02
  int writesOutsideBracket() const;   // writes received with no 0x01 open
  int bracketsLeftOpen() const;       // 0x01 received while one was already open
  int endsWithoutBegin() const;       // 0x02 received with no 0x01 open

  // Memories (copies).
  std::array<uint8_t, kIdentitySize> identity() const;
  std::vector<uint8_t> settings() const;
  std::vector<uint8_t> keyTable() const;         // the user key table written with 0x09
  std::vector<uint8_t> defaultKeyTable() const;  // the factory table (what a keyboard's 0x07 reads)
  std::vector<uint8_t> ledTable() const;
  std::vector<uint8_t> customColours() const;
  std::vector<uint8_t> liveFrame() const;
  std::vector<uint8_t> macroMemory() const;
  std::vector<uint8_t> recoilMemory() const;
  std::array<uint8_t, kStatusBlockSize> statusBlock() const;
  int liveFrameChunks() const;   // 0x12 chunks received
  int resumeLightingCount() const;

  // Something that keeps the memories outside the process (the demo store).
  void setMemoryKeeper(std::shared_ptr<MemoryKeeper> keeper);

  // Test set-up.
  void setIdentityByte(size_t index, uint8_t value);  // byte 6 also resizes the macro memory
  void setSettings(size_t offset, const std::vector<uint8_t>& bytes);
  void setStatusBlock(const std::array<uint8_t, kStatusBlockSize>& block);
  // A product that left the factory with another key table (three bytes per
  // slot): replaces the factory table and the stored one; the bank keeps its size.
  void setDefaultKeyTable(const std::vector<uint8_t>& bytes);

  // Sends a consumer-control input report carrying `usage` (report id 3,
  // usage low byte first), as the product does when its profile or stage
  // button is pressed. False before the product is on a bus.
  bool sendInputUsage(uint16_t usage);

  // The memories a user changes (settings, key table, custom colours, macro
  // and recoil memory) as one byte string, and back. restore() refuses (and
  // changes nothing) a string that is not a snapshot of this product's
  // memories with the same sizes.
  std::vector<uint8_t> snapshot() const;
  bool restore(const std::vector<uint8_t>& bytes);

 protected:
  mutable std::mutex mutex_;

 private:
  struct Memory {
    std::vector<uint8_t>* bytes = nullptr;
    bool writable = false;
  };
  Memory memoryFor(uint8_t command);
  uint8_t applyLocked(const Report& request, RequestRecord& record, Report& reply);
  std::optional<FaultKind> takeFaultLocked(uint8_t command);
  static bool isWrite(uint8_t command);
  static bool reachesKeptMemory(uint8_t command);
  uint8_t stageChunkLocked(const RequestRecord& record, size_t memorySize,
                           std::optional<std::vector<uint8_t>>& pending, bool& bad);
  uint8_t commitMacroLocked();
  uint8_t commitRecoilLocked();

  std::string productName_;
  bool receiver_;
  bool awake_ = true;
  bool silent_ = false;
  std::optional<Report> held_;  // the latest request taken in while silent
  std::vector<uint8_t> identity_;
  std::vector<uint8_t> settings_;
  std::vector<uint8_t> defaultKeyTable_;
  std::vector<uint8_t> keyTable_;
  bool readsStoredKeyTable_;
  std::vector<uint8_t> ledTable_;
  std::vector<uint8_t> customColours_;
  std::vector<uint8_t> liveFrame_;
  std::vector<uint8_t> macro_;
  std::optional<std::vector<uint8_t>> macroPending_;  // chunks of the macro write in hand
  bool macroPendingBad_ = false;
  std::vector<uint8_t> recoil_;
  std::optional<std::vector<uint8_t>> recoilPending_;  // chunks of the recoil write in hand
  bool recoilPendingBad_ = false;
  std::vector<uint8_t> status_;
  std::deque<Fault> faults_;
  std::vector<RequestRecord> log_;
  bool bracketOpen_ = false;
  int writesOutside_ = 0;
  int leftOpen_ = 0;
  int strayEnds_ = 0;
  int liveChunks_ = 0;
  int resumeCount_ = 0;
  bool keptChanged_ = false;  // a kept memory was written by the command in hand
  std::shared_ptr<MemoryKeeper> keeper_;
};

}  // namespace tessel::sim
