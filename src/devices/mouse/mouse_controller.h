#pragma once
// The mouse's controller: the Qt-free half of the mouse page. Its owner (the
// page, or tesselctl) binds it to a CMouseProfiledata document and calls the
// same operations: every edit stores the value in the document, saves it and
// writes what changed to the mouse; every exchange with the mouse is a job on
// the device's command queue whose result comes back as a completion on the
// UI thread (Inline mode: at once, on the caller's thread).
//
// Threads and ownership:
//   UI thread     the document, the edit operations, the derived page state,
//                 load / apply configuration, the listener's callbacks.
//   queue thread  connected(), deviceChanged() and the bodies of the queued
//                 reads and writes; they keep the device images (identity,
//                 key table as read, slot map, profile number, last block).
//                 The images sit behind a mutex so the UI thread can take copies.
//   light thread  MouseLighting's turns, started once the mouse was read and
//                 fed (record, selected sequence, light list) on every
//                 reload of the light data.
//   reader thread inputUsage(): a key event goes to the light thread; a
//                 profile / stage report is posted to the UI thread (a no-op
//                 job whose completion carries it), never handled there.
//
// Call order for an owner:
//   1. construct; bindDocument(&doc); setLightModes(...); setScreenSize(w, h);
//      setListener(...); setMacroFolder(device data folder) so that the key
//      table goes out with the macros it binds (without it: setMacroCount(n)
//      and the key table alone).
//   2. loadConfiguration(); applyConfiguration()   (page shows the document)
//   3. after the transport is open: requestConnected() (or, from the tile's
//      job on the queue thread, connected()): reads the mouse, reads the
//      current profile's block, then on the UI thread updates the document
//      from the block, loads and applies the configuration, and feeds the
//      light thread.
//   4. edits: setStageIndex, setStageDpiText, ..., changeLightRecord,
//      StoreAssignment + WriteButtonTable, applyAll.
//   5. requestDeviceChanged() after the mouse says its settings changed.
//   6. profile switch: bind the new document, loadConfiguration(),
//      applyConfiguration(), then applyAll() when the mouse is connected.
// Nothing is written to the key table before the table was read, and a
// settings block goes back to the profile it was read from with its byte 0
// as read.
#include <array>
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/document_records.h"
#include "config/mouse_profiledata.h"
#include "config/light_mode_list.h"
#include "core/light_record.h"
#include "core/result_code.h"
#include "device/base/light_thread.h"
#include "devices/mouse/mouse_encoding.h"
#include "devices/macro_key_device.h"
#include "devices/mouse/mouse_lighting.h"

namespace tessel {

// A key went down on the mouse (cable input interface only): the reactive
// fade starts from it.
inline constexpr uint16_t kUsageKeyEvent = 0x403;

// What the page shows for one of the five stage rows.
struct MouseStageView {
  bool present = false;          // the stage is in the document's list
  bool enabled = false;          // "DPI_enable_check_"
  bool enableAvailable = true;   // the last enabled stage and the active one cannot be turned off
  bool selected = false;         // "DPI_select_check_" (the active stage)
  int index = 0;                 // "DPI_slider_"
  int dpi = 0;                   // "DPI_edit_"
  uint32_t colour = 0;           // 0xRRGGBB, "DPI_color_option_"
};

// Which write a failure report is about.
enum class MouseWrite { SettingsBlock, ButtonTable, MacroMemory };

// Called on the UI thread.
struct MouseListener {
  std::function<void()> stateChanged;                       // the page shows the document and state again
  std::function<void(MouseWrite, ResultCode)> writeFailed;  // the mouse did not take it; the document keeps it
  std::function<void(int profile, std::optional<int> stage)> profileStageChanged;  // an input report
  // The bound macros do not fit the mouse's macro memory: `exceedUnits` is
  // one more than the 4-byte units too many (the number "message_text_16"
  // shows). Neither the macros nor the key table were written.
  std::function<void(int exceedUnits)> macrosTooLarge;
};

// The document side (binding, load / apply / reload, saving, failure
// reports, the macro library and the macro check) is the profiled device's.
class MouseController : public MacroKeyDevice<CMouseProfiledata, MouseListener> {
 public:
  using Write = MouseWrite;
  using Listener = MouseListener;

  using MacroKeyDevice::MacroKeyDevice;
  ~MouseController() override;

  // ---- binding (UI thread)
  void setLightModes(std::vector<LightModeEntry> modes);
  const std::vector<LightModeEntry>& lightModes() const { return modes_; }
  void setScreenSize(uint16_t width, uint16_t height);

  // ---- device state (copies; any thread)
  mouse::MouseIdentity identityFields() const;
  std::optional<mouse::SlotMap> slotMap() const;
  int currentProfile() const;
  std::optional<mouse::ReadBlock> lastBlock() const;  // byte 0 replaced by the profile number
  bool keyTableRead() const;
  // On-board profiles a report may name: identity byte 7, else 4.
  int profileCount() const;

  // ---- queued device work (UI thread; completion on the UI thread)
  // Writes the document's settings to the profile last read. The completion
  // reports a failure through the listener.
  void WriteSettingsBlock(std::function<void(ResultCode)> done = {});
  // A batch of edits writes the settings block once: between hold and
  // release, writes asked for without a completion wait, and the release
  // writes the block once when any was asked for.
  void holdSettingsBlock() { ++blockHeld_; }
  void releaseSettingsBlock();
  // Downloads the macros the buttons are bound to (when a macro folder is
  // set), then writes the document's buttons into the key table last read;
  // done gets the result and the macro download order. The key table is not
  // written when the macros do not fit (listener.macrosTooLarge) or their
  // write failed (listener.writeFailed with Write::MacroMemory).
  void WriteButtonTable(std::function<void(ResultCode, std::vector<int>)> done = {});

  // ---- edits: store in the document, save, write what changed (UI thread)
  // Each returns false, changing nothing, for a value it refuses: a stage
  // outside 0..4, turning off the last enabled or the active stage, a DPI
  // while the mouse's scale is unknown (identity not read), a polling index
  // outside 0..4, a button outside 0..10. Indices are clamped to the slider.
  bool setStageIndex(int stage, int index);
  bool setStageDpiText(int stage, std::string_view typed);
  bool setStageDpi(int stage, int64_t dpi);
  bool setStageEnabled(int stage, bool enabled);
  bool selectStage(int stage);
  bool setStageColour(int stage, uint32_t rgb);
  bool setPollingRate(int index);
  // Document only: the mouse does not keep these.
  void setPointerSpeed(int value);
  void setDoubleClickTime(int value);
  void setWheelSpeed(int value);  // also clears scroll-by-page
  void setPointerPrecision(bool on);
  void setScrollByPage(bool on);
  // Replaces button `button`'s assigned code (the default stays); no device
  // write until WriteButtonTable.
  bool StoreAssignment(int button, const FunctionCode& code);
  // A change on the light editor: synchronised flag cleared, record stored and
  // saved, light data reloaded, block written.
  void changeLightRecord(const LightRecord& record);
  // Everything of the current document to the mouse, as after a profile
  // switch: the settings block, then the key table.
  void applyAll() override;

  // ---- page state (UI thread)
  std::vector<DpiStage> stages() const;
  uint8_t activeStage() const;
  MouseSystemStages systemStages() const;
  std::vector<KeyListEntry> buttons() const;
  std::array<MouseStageView, mouse::kMaxStages> stageViews() const;
  int sliderMaximum() const;  // highest index
  int dpiMaximum() const;     // the DPI of the highest index
  std::vector<int> macroOrderList() override;

  // ---- base operations
  void connected() override;       // queue thread (the tile's connect job)
  // The reads of connecting (key table, current block) without touching the
  // document: what `tesselctl` does before it writes. Queue thread, or inline.
  ResultCode readDevice();
  void deviceChanged() override;   // queue thread
  bool isAwake() override;
  std::optional<StatusBlock> readStatusBlock() override;
  // Reader thread. A key event counts only from the cable's reader.
  void inputUsage(uint16_t usage) override { inputUsageFrom(usage, false); }
  void inputUsageFrom(uint16_t usage, bool receiver) override;
  void writeSettingsBlock(int, int, int, int, int) override { WriteSettingsBlock(); }
  // The macro order is recomputed from the buttons (the same renumbering).
  void writeKeyTable(const std::vector<int>&, int) override { WriteButtonTable(); }
  void writeKeyTableWithStoredOrder(int) override { WriteButtonTable(); }

  // Light thread inputs as last fed (record, selected sequence, light list).
  struct LightFeed {
    LightRecord record;
    LightSequence sequence;
    std::vector<LightListEntry> lightList;
  };
  LightFeed lightFeed() const;
  uint64_t keyEvents() const { return keyEvents_.load(); }
  MouseLighting& lighting() { return lighting_; }
  LightThread& lightThread() { return lightThread_; }
  // Starts (or restarts) the light thread; connecting does it once the mouse was read.
  void startLightThread();
  void stopLightThread() { lightThread_.stop(); }

 private:
  struct Images {
    std::array<uint8_t, mouse::kIdentitySize> identity{};
    bool identityRead = false;
    std::vector<uint8_t> keyTable;  // as read (slots x 3)
    std::optional<mouse::SlotMap> slotMap;
    int profile = 0;
    std::optional<mouse::ReadBlock> block;  // byte 0 = profile
    uint8_t byte0AsRead = 0;
  };
  // Queue thread.
  bool linkUp();
  ResultCode readMouse();
  ResultCode readStateFromDevice(bool checkLink = true);
  ResultCode writeBlockOnDevice(mouse::SettingsBlockInput in);
  struct TableOutcome {
    ResultCode result = ResultCode::NotSent;
    Write failed = Write::ButtonTable;  // which write `result` is about
    std::vector<int> order;
    int exceedUnits = 0;  // > 0: the macros did not fit, nothing was written
  };
  TableOutcome writeButtonTableOnDevice(const std::vector<KeyListEntry>& buttons, int macroCount,
                                        const std::filesystem::path& macroFolder);
  // UI thread.
  void afterRead(ResultCode stateRead);
  void followActiveStage();  // UI thread, after a read of the current block
  mouse::SettingsBlockInput blockInput() const;
  std::vector<uint8_t> modeCodes() const;
  void reloadFromDocument() override { reloadLightData(); }
  std::vector<KeyListEntry> boundKeys() const override;
  const char* saveFailedLine() const override { return "鼠标配置保存失败"; }
  void logWriteFailure(int what, ResultCode r) const override;
  // Changes the pointer / polling words of the document and saves it; false without a document.
  bool editSystemStages(const std::function<void(MouseSystemStages&)>& edit);
  void reloadLightData();
  void showState();
  void handleProfileStage(mouse::ProfileStageReport report);
  std::vector<DpiStage> stagesUpTo(int stage) const;

  std::vector<LightModeEntry> modes_;
  uint16_t screenWidth_ = 1920, screenHeight_ = 1080;
  int blockHeld_ = 0;
  bool blockPending_ = false;

  mutable std::mutex imagesMutex_;
  Images images_;

  mutable std::mutex feedMutex_;
  LightFeed feed_;
  std::atomic<uint64_t> keyEvents_{0};

  MouseLighting lighting_{*this};
  // Declared after what its turns use: it stops first.
  LightThread lightThread_{clock(), "mouse light thread", "light mouse"};
};

}  // namespace tessel
