#pragma once
// The controller half of a device page: everything the page does that is not
// drawing. It owns the product's command transport and the handles of its
// input interface, its identity, the light-zone colours and the software
// effects, the host flags set by the main window, and the virtual operations
// through which the main window, the tiles' timers and the device kinds drive
// it. The page half (buttons, drag selection, the view) lives above the Qt
// line and holds one of these.
#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/interface_key.h"
#include "core/light_record.h"
#include "core/worker.h"
#include "device/base/device_command_queue.h"
#include "device/base/frame_sender.h"
#include "device/base/still_frame_gate.h"
#include "device/base/software_effects.h"
#include "device/transport/command_transport.h"

namespace tessel {

// Input usages the devices send on their consumer-control collection.
inline constexpr uint16_t kUsageSettingsChanged = 0x401;

// Two 32-bit colours and a flag byte (background, foreground, seven-colour flag).
struct AudioColourRecord {
  std::array<uint8_t, 9> bytes{};
};

class UsbDeviceController {
 public:
  explicit UsbDeviceController(hid::HidBackend& backend = hid::defaultBackend(),
                               Clock& clock = SystemClock::instance());
  virtual ~UsbDeviceController();
  UsbDeviceController(const UsbDeviceController&) = delete;
  UsbDeviceController& operator=(const UsbDeviceController&) = delete;

  // ---- connection
  // Every exchange with the device goes through its command queue (see
  // device_command_queue.h); the transport is called only from queued jobs,
  // the frame sender and the input readers.
  DeviceCommandQueue& commandQueue() { return queue_; }
  transport::CommandTransport& transport() { return transport_; }
  // Used only for its two handles (cable and receiver) of the input interface.
  transport::CommandTransport& inputTransport() { return input_; }
  bool isConnected() const { return transport_.isOpen(); }
  bool onReceiver() const { return transport_.onReceiver(); }
  // A change of the flag wakes the device's light thread: it pauses while
  // the synchronised effect shows and takes over again when it ends.
  void setSynchronised(bool on);
  bool synchronised() const { return synchronised_; }
  // Set by the device kind that runs a light thread; called (under a lock of
  // its own, so clearing it waits for a call in progress) whenever the light
  // thread should look again at once.
  void setLightWake(std::function<void()> wake);

  // ---- identity
  void setIdentity(const InterfaceKey& key);
  InterfaceKey identity() const;
  uint16_t typeCode() const { return typeCode_; }
  uint16_t role() const { return role_; }
  // The device's version number: the attributes of the cable handle as last opened.
  uint16_t versionNumber();
  std::array<uint8_t, transport::kIdentitySize> identityBlock() const;
  void setIdentityBlock(const std::array<uint8_t, transport::kIdentitySize>& block);

  // ---- page wiring
  void setOptionIndex(int index) { optionIndex_ = index; }
  int optionIndex() const { return optionIndex_; }
  void setKindName(std::string name);
  // The short word for the kind in the names of the device's threads.
  static std::string threadLabel(const std::string& kindName);
  std::string kindName() const;
  void setCurrentProfileId(std::string id);
  std::string currentProfileId() const;
  void setLightName(std::string name);
  std::string lightName() const;
  void setPageXmlName(std::string name);
  std::string pageXmlName() const;
  void setBatteryFlag(bool flag) { batteryFlag_ = flag; }
  bool batteryFlag() const { return batteryFlag_; }
  void setKeyButtonCount(int count) { keyButtonCount_ = std::max(0, count); }
  int keyButtonCount() const { return keyButtonCount_; }
  // Resizes the zone array; call before any effect runs.
  void setLightZoneCount(int count);
  int lightZoneCount() const { return static_cast<int>(zones_.size()); }

  // ---- host flags
  void setLightControlOn(bool on) { lightControlOn_ = on; }
  bool lightControlOn() const { return lightControlOn_; }
  void setWindowActive(bool active) { windowActive_ = active; }
  bool windowActive() const { return windowActive_; }
  // Only devices with the battery flag keep it (they skip status polling while hidden).
  void setWindowHidden(bool hidden);
  bool windowHidden() const { return windowHidden_; }

  // ---- light zones and software effects
  ZoneColours& zones() { return zones_; }
  SoftwareEffectEngine& effects() { return effects_; }
  void setZoneColour(int index, uint32_t record);
  uint32_t zoneColour(int index) const;

  // The light tick: nothing while light control is off; otherwise the zone
  // colours become a live colour frame, handed to the frame sender when the
  // device is on its cable. Returns the frame (the page shows it on its buttons).
  // A frame equal to the last one sent goes again only as the still-frame
  // gate says (half a second until it arrived whole, then every ten), so
  // still lighting costs next to nothing while a changing picture still goes
  // out at every tick.
  virtual std::vector<uint8_t> lightTick();
  // How long the tile's light tick may sleep while the picture stands (a
  // change wakes it sooner, frameChanged).
  virtual Millis stillFramePause() const;
  // The device connected (again): whatever it showed is gone, so the next
  // light tick sends its picture even if it did not change.
  virtual void pictureLost() { frameGate_.forget(); }
  uint64_t framesSubmitted() const { return framesSubmitted_.load(); }
  // Waits until the frame sender has nothing left to send (tests).
  bool waitFramesIdle(Millis bound) { return frames_.waitIdle(bound); }
  // Stores the light control flag (UI thread); the keyboard also queues
  // command 0x1C when it is switched on.
  virtual void resumeLighting(bool on) {
    lightControlOn_ = on;
    if (on) frameChanged();
  }
  // The tile's light tick sleeps while the frame stands still: `wake` (any
  // thread; empty: none) runs at the first change after armFrameWake(), once
  // per arm. A zone that takes another colour is such a change, and so is
  // frameChanged() (a host-driven picture stepped, light control came on).
  void setFrameWake(std::function<void()> wake);
  void armFrameWake();
  void frameChanged();

  // ---- input reader: one thread per input handle (cable, receiver)
  // Opens the input interface into the cable (receiver = false) or receiver
  // handle and starts its reader. False when the open failed, or when the
  // previous reader could not be stopped (the handle is then closed again).
  bool openInput(const std::string& path, bool receiver);
  // Stops the reader and closes the handle; a pending read ends at once.
  void closeInput(bool receiver);
  void closeInputs();
  bool inputOpen(bool receiver) const;
  // A reader whose handle fails waits kReaderBackoffFirst, then twice as long
  // after each further failure, up to kReaderBackoffLast.
  static constexpr Millis kReaderBackoffFirst{10};
  static constexpr Millis kReaderBackoffLast{1000};
  // Called on the reader's thread with usage 0x401: the page starts its tile
  // timer 1002 here.
  void setSettingsChangedHandler(std::function<void()> handler);

  // ---- status block (battery, charge state, the phone on a mousepad)
  using StatusBlock = std::array<uint8_t, transport::kStatusBlockSize>;
  using StatusHandler = std::function<void(const StatusBlock& block)>;
  // Whether the tile polls the status block: devices with a battery, and the
  // device kinds that show something else from it.
  virtual bool pollsStatus() const { return batteryFlag(); }
  // Runs on the device's queue: the status block to show, or nothing.
  virtual std::optional<StatusBlock> readStatusBlock() { return std::nullopt; }
  // UI thread: the page's indicator shows a block read by readStatusBlock.
  void setStatusHandler(StatusHandler handler);
  void showStatus(const StatusBlock& block);

  // ---- function mode
  void setFunctionMode(int mode) { functionMode_ = mode; }
  int functionMode() const { return functionMode_; }
  void setKindIndex(int index) { kindIndex_ = index; }
  int kindIndex() const { return kindIndex_; }

  // ---- audio bands of the level-based light effects
  void audioBandDecay(int band, int curve);
  void audioBandsFull();
  void audioBandRotate(bool forward);
  void clearAudioBuffers();
  uint8_t audioBand(int band) const;
  void setAudioBand(int band, uint8_t value);
  uint8_t audioLevel(int key) const;

  // ---- records kept for the device kinds
  void setLightRecord(const LightRecord& record);
  LightRecord lightRecord() const;
  void setAudioColour(const AudioColourRecord& record);
  AudioColourRecord audioColour() const;
  void selectItem(int index) { selectedItem_ = index; }
  int selectedItem() const { return selectedItem_; }

  // ---- virtual operations; the base does nothing (or answers yes / 0)
  virtual void connected() {}
  virtual void deviceChanged() {}
  virtual void reserved3() {}
  virtual void reserved4() {}
  virtual bool isAwake() { return true; }
  virtual void loadConfiguration() {}
  virtual void applyConfiguration() {}
  virtual void reloadDocument() {}
  virtual std::vector<int> macroOrderList() { return {}; }
  virtual void writeKeyTable(const std::vector<int>& /*macroOrder*/, int /*profile*/) {}
  virtual void writeKeyTableWithStoredOrder(int /*profile*/) {}
  virtual void writeMacroMemory(const std::vector<int>& /*macroOrder*/) {}
  virtual void writeSettingsBlock(int, int, int, int, int) {}
  virtual void loadDeviceLibraries() {}
  virtual void bindDocuments() {}
  virtual std::string profileName() { return {}; }
  virtual void saveProfileData() {}
  // Usages other than 0x401 from the input interface (on the reader's thread).
  virtual void inputUsage(uint16_t /*usage*/) {}
  // The same with the reader it came from (the receiver's or the cable's).
  virtual void inputUsageFrom(uint16_t usage, bool /*receiver*/) { inputUsage(usage); }

  // Ends the connection and stops the command queue, the readers and the
  // frame sender; the device kinds call it from their destructors before
  // their own members go.
  void shutdown();

 protected:
  Clock& clock() { return clock_; }
  // Sends one live frame (command 0x12) and tells `gate` whether it arrived
  // whole: the send succeeded and no chunk gave way to a settings transfer.
  int sendLiveFrame(const std::vector<uint8_t>& frame, StillFrameGate& gate);
  // The status block as the host shows it: byte 3 (the receiver mark) is
  // what the host knows, 1 through the receiver and 0 on the cable, whatever
  // the device put there. Nothing when the read failed.
  std::optional<StatusBlock> readStatusFromDevice();
  // Begin, the image with the macro memory command in chunks from offset 0,
  // end. The end goes out in any case: it closes the bracket and the device
  // checks the image on it.
  ResultCode writeMacroMemory(std::span<const uint8_t> image);
  // Begin, the key table of bank 0, end.
  ResultCode writeKeyTableBracketed(std::span<const uint8_t> image);

 private:
  struct Reader;
  void readLoop(hid::HidDevice& handle, const StopEvent& stop);

  Clock& clock_;
  transport::CommandTransport transport_;
  transport::CommandTransport input_;
  StillFrameGate frameGate_;
  FrameSender frames_;
  std::atomic<bool> synchronised_{false};
  std::mutex lightWakeMutex_;  // guards lightWake_ and its calls
  std::function<void()> lightWake_;
  std::mutex frameWakeMutex_;  // guards frameWake_ and its calls
  std::function<void()> frameWake_;
  std::atomic<bool> frameWakeArmed_{false};

  mutable std::mutex mutex_;  // guards the strings, identity and records
  InterfaceKey identity_;
  std::array<uint8_t, transport::kIdentitySize> identityBlock_{};
  std::string kindName_, profileId_, lightName_, pageXml_;
  LightRecord lightRecord_{};
  AudioColourRecord audioColour_{};
  std::function<void()> settingsChanged_;
  StatusHandler statusHandler_;  // UI thread only

  std::atomic<uint16_t> typeCode_{0}, role_{0};
  std::atomic<int> optionIndex_{-1}, kindIndex_{0}, keyButtonCount_{0}, functionMode_{0}, selectedItem_{0};
  std::atomic<bool> batteryFlag_{false};
  std::atomic<bool> lightControlOn_{true}, windowActive_{true}, windowHidden_{false};

  ZoneColours zones_;
  SoftwareEffectEngine effects_{zones_};
  std::atomic<uint64_t> framesSubmitted_{0};

  std::array<std::atomic<uint8_t>, 24> bands_{};
  std::array<std::atomic<uint8_t>, 170> levels_{};

  WorkerThread cableReader_{"input reader (cable)"};
  WorkerThread receiverReader_{"input reader (receiver)"};
  // Declared last: its worker may still run a job that uses the members above
  // until shutdown() has stopped it.
  DeviceCommandQueue queue_{"device queue"};
};

}  // namespace tessel
