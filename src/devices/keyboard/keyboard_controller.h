#pragma once
// The keyboard's controller: the Qt-free half of the keyboard page. Its owner
// (the page, or tesselctl) binds it to a CKeyboardProfiledata document and
// the model's light-mode list and calls the same operations: every edit
// stores the value in the document, saves it and writes what changed to the
// keyboard; every exchange with the keyboard is a job on the device's command
// queue whose result comes back as a completion on the UI thread (Inline
// mode: at once, on the caller's thread).
//
// Threads and ownership:
//   UI thread     the document, the edits, load / apply configuration, the
//                 derived page state, the listener's callbacks.
//   queue thread  connected(), deviceChanged() and the bodies of the queued
//                 reads and writes; they keep the device images (identity,
//                 default key table, LED table, key and LED maps, settings
//                 block as read, profile number, custom colour memory) behind
//                 a mutex so the UI thread can take copies.
//   light thread  KeyboardLighting's steps, paced by the time advance()
//                 says the next step is due; fed the light record and the
//                 custom colours whenever they change.
//   reader thread the base's input readers (status interfaces): 0x0401
//                 starts the tile's timer 1002 (50 ms) through the base's
//                 settings-changed handler; 0x0402 marks the profile list
//                 changed and asks for the same resynchronisation; 0x10pp and
//                 0x11xy are posted to the UI thread (acted on there only
//                 while the transport is open).
//   UI light tick lightTick(): in modes 29 and 30 on the cable the engine's
//                 frame goes out as a live frame through a frame sender of
//                 its own (frames may be dropped; nothing else is).
//
// Call order for an owner:
//   1. construct; bindDocument(&doc); setLightModes(...); setListener(...);
//      setMacroFolder(device data folder) (or setMacroCount(n)); setMacroNames.
//   2. loadConfiguration(); applyConfiguration()   (page shows the document)
//   3. after the transport is open: requestConnected() (or connected() from
//      the tile's job on the queue thread): reads the key tables, the
//      current profile's settings block and the custom colours, then on the
//      UI thread loads the document, adopts what was read, applies the
//      configuration and starts the light thread.
//   4. edits: StoreAssignment + WriteKeyTable, changeLightRecord, PaintKey,
//      setRollover / setWKey / setWindowsLock / setPollingRate (written),
//      setRepeatRate / setRepeatDelay (stored only).
//   5. requestDeviceChanged() on resynchronisation (timer 1002).
//   6. profile switch: bind the new document, loadConfiguration(),
//      applyConfiguration(), then applyAll() when connected.
// Nothing is written to the key table before the tables were read whole
// ("tables valid"); a settings block goes back to the block it was read
// from (p x 31) with its byte 0 as read.
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
#include <vector>

#include "config/document_records.h"
#include "config/keyboard_profiledata.h"
#include "config/light_mode_list.h"
#include "core/light_record.h"
#include "core/result_code.h"
#include "device/base/frame_sender.h"
#include "device/base/light_thread.h"
#include "devices/macro_key_device.h"
#include "devices/keyboard/keyboard_encoding.h"
#include "devices/keyboard/keyboard_key_names.h"
#include "devices/keyboard/keyboard_layout.h"
#include "devices/keyboard/keyboard_lighting.h"
#include "devices/keyboard/keyboard_status.h"

namespace tessel {

// Which write a failure report is about.
enum class KeyboardWrite { Settings, KeyTable, MacroMemory, CustomColours };

// Called on the UI thread.
struct KeyboardListener {
  std::function<void()> stateChanged;                          // the page shows the document and state again
  std::function<void(KeyboardWrite, ResultCode)> writeFailed;  // the keyboard did not take it; the document keeps it
  std::function<void(int profile)> profileReported;            // a 0x10pp / 0x11xy status report
  // The bound macros do not fit the macro memory (see MouseController):
  // neither the macros nor the key table were written.
  std::function<void(int exceedUnits)> macrosTooLarge;
  // A re-read after 0x0402: reload the profile list (and bind the current
  // profile's document) before the document is loaded again.
  std::function<void()> profileListChanged;
  // 0x0402 asks for the same resynchronisation as 0x0401: start the tile's
  // timer 1002. Unset: deviceChanged() is queued at once.
  std::function<void()> resyncRequested;
};

// The document side (binding, load / apply / reload, saving, failure
// reports, the macro library and the macro check) is the profiled device's.
class KeyboardController : public MacroKeyDevice<CKeyboardProfiledata, KeyboardListener> {
 public:
  using Write = KeyboardWrite;
  using Listener = KeyboardListener;

  // The page's picture: one packed zone record per position
  // (red | green << 8 | blue << 16 | alpha << 24).
  using Picture = std::array<uint32_t, keyboard::kPositions>;

  using MacroKeyDevice::MacroKeyDevice;
  ~KeyboardController() override;

  // ---- binding (UI thread)
  void setLightModes(std::vector<LightModeEntry> modes);
  const std::vector<LightModeEntry>& lightModes() const { return modes_; }
  // The macro names in library order (what macro bindings show).
  void setMacroNames(std::vector<std::string> names);
  const std::vector<std::string>& macroNames() const { return macroNames_; }

  // ---- device state (copies; any thread)
  keyboard::KeyboardIdentity identityFields() const;
  // True once the default key table and the LED table were read whole.
  bool tablesValid() const;
  keyboard::KeyMaps keyMaps() const;
  int currentProfile() const;
  // The settings block last read (byte 0 as read, byte 16 cleared).
  std::optional<keyboard::SettingsBlock> lastBlock() const;
  // The custom colour memory as last read or written (N x 3; empty before).
  std::vector<uint8_t> customColourMemory() const;
  // Set by 0x0402, cleared by the re-read that reloads the profile list.
  bool profileListMarkedChanged() const { return profileListChanged_.load(); }

  // ---- queued device work (UI thread; completion on the UI thread)
  // The document's light and options to the block last read. Never dropped:
  // it waits for the transport like every queued command.
  void WriteSettings(std::function<void(ResultCode)> done = {});
  // Downloads the bound macros (macro folder set), then the user key table
  // built from the document's key list. Refused (NotSent) until the tables
  // are valid.
  void WriteKeyTable(std::function<void(ResultCode, std::vector<int>)> done = {});
  // The document's current custom group to the colour memory (the edits
  // call it in the custom mode only). A queued job like every persistent
  // write: it waits for a running transfer and is never dropped (a newer
  // one may replace one still waiting: it carries every colour).
  void WriteCustomColours(std::function<void(ResultCode)> done = {});
  // Reads the colour memory; adopted into the document only when the read succeeded.
  void ReadCustomColours(std::function<void(ResultCode)> done = {});

  // ---- edits (UI thread). Each returns false, changing nothing, for a
  // value it refuses (position outside 0..169, choice outside 0..3, no document).
  // Replaces position's assignment; no device write until WriteKeyTable.
  bool StoreAssignment(int position, const FunctionCode& code);
  // Store, save, reload the light thread, write the settings (and, on a
  // switch into mode 20, the custom colours).
  void changeLightRecord(const LightRecord& record);
  // The audio light settings ("AudioLightInfo", bounded): stored, saved, kept
  // as the base's audio colour record and handed to the light thread at once.
  // Nothing goes to the keyboard: its light thread plays them in mode 29.
  void changeAudioLight(const AudioLightRecord& record);
  AudioLightRecord audioLight() const;
  bool setRollover(bool on);       // "Key6Flag"
  bool setWKey(bool on);           // "WFlag"
  bool setWindowsLock(bool on);    // "WinFlag"
  bool setPollingRate(int index);  // "PollingRate" 0..3
  bool setRepeatRate(int value);   // "Repeat" (stored only)
  bool setRepeatDelay(int index);  // "RepeatDelay" 0..3 (stored only)
  // Mode 20 only: position's colour := the light's Red, Green, Blue; stored in
  // the custom group, saved, written to the colour memory.
  bool PaintKey(int position);
  // The same with an explicit colour (tesselctl "colour.P"); mode 20 not required.
  bool setCustomColour(int position, uint8_t red, uint8_t green, uint8_t blue);
  // Everything of the current document: settings, key table, custom colours.
  void applyAll() override;

  // ---- selection and tabs (UI thread)
  // Makes `position` the one the assignment editor edits. False for a position
  // outside 0..169.
  bool selectKey(int position);
  int selectedPosition() const { return selected_; }  // -1: none
  // The selected position's current and default assignment.
  std::optional<KeyListEntry> selectedAssignment() const;
  void selectFunctionTab(int tabCode);
  int functionTab() const { return tab_; }
  // Whether the page shows position's key button on the current tab.
  bool keyVisible(int position) const;

  // ---- page state (UI thread)
  std::vector<KeyListEntry> keys() const;  // 170 entries
  std::array<keyboard::KeyView, keyboard::kPositions> keyViews() const;
  LightRecord light() const;
  keyboard::CustomColours customColours() const;
  KeyboardSystemStages systemStages() const;
  // Any thread: the engine's current frame.
  Picture picture() const;
  std::vector<int> macroOrderList() override;

  // ---- base operations
  void connected() override;      // queue thread: initial read
  // The reads of connecting without touching the document: what `tesselctl`
  // does before it writes. Queue thread, or inline. The settings block's result.
  ResultCode readDevice();
  void deviceChanged() override;  // queue thread: re-read
  bool isAwake() override;
  // Queue thread: connected, on the cable or with the receiver reporting the keyboard.
  bool linkState();
  // The power state (0x1A, 6 bytes; byte 3 = 1 through the receiver, 0 on
  // the cable); nothing while hidden, closed or the link is down.
  std::optional<StatusBlock> readStatusBlock() override;
  void inputUsageFrom(uint16_t usage, bool receiver) override;
  void inputUsage(uint16_t usage) override { inputUsageFrom(usage, false); }
  // The profile selector's write after binding another profile's document:
  // the settings, and in the custom mode that profile's key colours too.
  void writeSettingsBlock(int, int, int, int, int) override;
  void writeKeyTable(const std::vector<int>&, int) override { WriteKeyTable(); }
  void writeKeyTableWithStoredOrder(int) override { WriteKeyTable(); }
  // UI thread: stores the flag and, when on, queues 0x1C (cable only).
  void resumeLighting(bool on) override;
  // UI thread light tick: in modes 29 and 30 on the cable the engine's
  // picture goes to the keyboard as a live frame (may be dropped when busy);
  // otherwise, and while synchronised, the base's zone frame as before.
  std::vector<uint8_t> lightTick() override;
  Millis stillFramePause() const override;
  void pictureLost() override {
    UsbDeviceController::pictureLost();
    liveGate_.forget();
  }
  uint64_t liveFramesSubmitted() const { return liveSubmitted_.load(); }
  FrameSender& liveFrameSender() { return liveSender_; }

  KeyboardLighting& lighting() { return lighting_; }
  LightThread& lightThread() { return lightThread_; }
  // The sound's band levels (UI thread, from the audio companion): in the
  // audio mode the light thread steps at once, so the sound reaches the
  // keyboard's frame without waiting for the next clock step.
  void takeSoundLevels(std::span<const int> levels);
  // Whether anyone looks at the engine's picture (the page, shown in a shown
  // window; true until told otherwise). Outside the host-driven modes the
  // keyboard plays its light itself and the engine only paints that picture,
  // so nobody looking, the light thread sleeps until the picture is wanted
  // again or the light changes.
  void setPictureWanted(bool wanted);
  bool pictureWanted() const { return pictureWanted_.load(); }
  void startLightThread();
  void stopLightThread() { lightThread_.stop(); }

 private:
  // What the queue thread keeps of the keyboard (behind imagesMutex_).
  struct Images {
    std::array<uint8_t, keyboard::kIdentitySize> identity{};
    bool identityRead = false;
    std::vector<uint8_t> defaultTable;  // N x 3, as read whole
    std::vector<uint8_t> ledTable;      // N, as read whole
    keyboard::KeyMaps maps = keyboard::emptyKeyMaps();
    bool tablesValid = false;
    int profile = 0;
    std::optional<keyboard::SettingsBlock> block;  // as read (byte 16 cleared) or as last written
    int blockProfile = 0;                           // the profile whose block `block` is
    std::optional<uint8_t> reportedByte17;          // from a 0x11xy report since the block was read
    bool blockFresh = false;                        // read since the UI thread last adopted it
    std::vector<uint8_t> colours;                   // N x 3, as last read or written
    bool coloursFresh = false;                      // read since the UI thread last adopted them
  };
  struct TableOutcome;
  struct ReadOutcome;
  ReadOutcome readAll();  // queue thread: tables, settings block, custom colours
  // Queue thread.
  int profileCount() const;
  ResultCode readKeyTables();
  ResultCode readSettingsFromDevice(bool checkLink);
  ResultCode readCustomColoursFromDevice();
  ResultCode writeSettingsOnDevice(const LightRecord& light, const KeyboardSystemStages& system,
                                   const std::vector<uint8_t>& modeCodes);
  TableOutcome writeKeyTableOnDevice(const std::vector<KeyListEntry>& keys, int macroCount,
                                     const std::filesystem::path& macroFolder);
  ResultCode writeColoursOnDevice(const keyboard::CustomColours& colours);
  // UI thread.
  void afterRead(const ReadOutcome& outcome);
  void adoptSettings();
  void keepReadImagesOnly();  // the reads become the base of the next write, the document stays
  void adoptCustomColours();
  std::vector<uint8_t> modeCodes() const;
  void reloadFromDocument() override { reloadLightData(); }
  std::vector<KeyListEntry> boundKeys() const override { return keys(); }
  const char* saveFailedLine() const override { return "键盘配置保存失败"; }
  void logWriteFailure(int what, ResultCode r) const override {
    debugPrintf("keyboard write failed: %d (%d)", what, toInt(r));
  }
  bool editSystemStages(const std::function<void(KeyboardSystemStages&)>& edit);
  void reloadLightData();
  void handleStatusReport(keyboard::StatusReport report);
  // The device mode code of a select item (the item itself without a mode list).
  uint8_t modeCodeOf(uint8_t selectItem) const;
  SteadyTime lightTurn(SteadyTime now);
  keyboard::CustomColours groupColours() const;
  void storeGroupColours(const keyboard::CustomColours& colours);

  std::vector<LightModeEntry> modes_;
  std::vector<std::string> macroNames_;
  int selected_ = -1;
  int tab_ = keyboard::kKeyTab;

  mutable std::mutex imagesMutex_;
  Images images_;
  std::atomic<bool> profileListChanged_{false};
  std::atomic<uint64_t> liveSubmitted_{0};
  std::atomic<bool> liveMode_{false};   // the light shows a host-driven mode (29, 30)
  std::atomic<bool> pictureWanted_{true};
  bool liveStarted_ = false;            // UI thread
  SteadyTime lastTurn_{};               // light thread

  StillFrameGate liveGate_;
  FrameSender liveSender_{[this](const std::vector<uint8_t>& frame) { return sendLiveFrame(frame, liveGate_); }};

  KeyboardLighting lighting_;
  // Declared after what its turns use: it stops first.
  LightThread lightThread_{clock(), "keyboard light thread", "light kbd"};
};

}  // namespace tessel
