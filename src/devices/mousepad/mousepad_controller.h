#pragma once
// The mousepad's controller: the Qt-free half of the mousepad page. Its owner
// (the page, or tesselctl) binds it to the pad's profile document and the
// model's light-mode list, then calls the same operations: a light change
// stores the record in the document, saves it, reloads the light data and
// writes the light settings block. Every exchange with the pad is a job on
// the device's command queue; completions come back on the UI thread.
//
// The pad has no battery, but its status block says which phone lies on its
// charging area (byte 5), so the tile polls it like a battery device's.
//
// Threads and ownership:
//   UI thread     the document, the edits, load / apply configuration, the
//                 listener's callbacks.
//   queue thread  connected(), deviceChanged() and the bodies of the queued
//                 reads and writes; they keep the identity and the settings
//                 block as read (behind a mutex; the UI thread takes copies).
//   light thread  BlockLighting's turns: the image's mode and speed bytes
//                 with the light record, the selected sequence and the light
//                 list, fed on every reload of the light data.
//   reader thread the base's input reader: usage 0x401 starts the tile's
//                 timer 1002, which queues deviceChanged() 500 ms later.
//
// Soundness: the block is read on connected before anything is written, and
// a write goes back to the profile's block it was read from (p x 31) with
// byte 0 and the pad's own bytes (4, 9..20) as read; nothing is written
// before a read succeeded. The image keeps the mode position the light
// thread dispatches on; only the bytes sent carry the code.
#include <array>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "config/basic_profiledata.h"
#include "config/light_mode_list.h"
#include "core/light_record.h"
#include "core/result_code.h"
#include "device/base/block_lighting.h"
#include "device/base/light_settings_block.h"
#include "device/base/light_thread.h"
#include "device/base/profiled_device.h"

namespace tessel {

inline constexpr int kMousepadLightZones = 15;
inline constexpr uint8_t kMousepadDefaultProfiles = 4;

// Called on the UI thread.
struct MousepadListener {
  std::function<void()> stateChanged;               // the page shows the document again
  std::function<void(ResultCode)> writeFailed;      // the pad did not take the block
  // The pad's current profile after a read on device changed (message 3328).
  std::function<void(int profile)> profileReported;
};

// The document side (binding, load / apply / reload, saving, failure
// reports) is the profiled device's.
class MousepadController : public ProfiledDevice<CBasicProfiledata, MousepadListener> {
 public:
  using Listener = MousepadListener;

  using ProfiledDevice::ProfiledDevice;
  ~MousepadController() override;

  // ---- binding (UI thread)
  void setLightModes(std::vector<LightModeEntry> modes);
  const std::vector<LightModeEntry>& lightModes() const { return modes_; }

  // ---- device state (copies; any thread)
  std::array<uint8_t, transport::kIdentitySize> identityRead() const;
  LightSettingsBlock settingsBlock() const;
  int currentProfile() const;

  // ---- queued device work (UI thread; completion on the UI thread)
  // Writes the document's light record into the block last read (reading it
  // first when it never was). The completion reports a failure.
  void WriteSettingsBlock(std::function<void(ResultCode)> done = {});

  // ---- document operations (UI thread)
  void applyAll() override { WriteSettingsBlock(); }
  // Reload the light data: record, image bytes, light list, user sequence.
  void refreshView();
  // A change on the light editor: synchronised flag cleared, record stored
  // and saved, light data reloaded, block written.
  void changeLightRecord(const LightRecord& record);
  LightRecord lightInfo() const;

  // ---- base operations
  void connected() override;      // queue thread
  void deviceChanged() override;  // queue thread
  void writeSettingsBlock(int, int, int, int, int) override { WriteSettingsBlock(); }
  bool pollsStatus() const override { return true; }
  std::optional<StatusBlock> readStatusBlock() override;

  BlockLighting& lighting() { return lighting_; }
  LightThread& lightThread() { return lightThread_; }
  void startLightThread();
  void stopLightThread() { lightThread_.stop(); }

 private:
  // Queue thread.
  void readIdentity();
  ResultCode readBlock();
  ResultCode writeBlock(const LightRecord& record, const std::vector<uint8_t>& codes);
  // UI thread.
  void reloadFromDocument() override { refreshView(); }
  const char* saveFailedLine() const override { return "鼠标垫配置保存失败"; }
  void logWriteFailure(int, ResultCode) const override { debugLine("鼠标垫设置写入失败"); }
  std::vector<uint8_t> modeCodes() const;
  void feedLighting();

  std::vector<LightModeEntry> modes_;

  mutable std::mutex imagesMutex_;  // guards the three below
  std::vector<uint8_t> codes_;      // the mode codes, for the queue thread
  std::array<uint8_t, transport::kIdentitySize> identity_{};
  bool identityKnown_ = false;
  LightSettingsBlock block_;

  BlockLighting lighting_{*this, kMousepadWave};
  // Declared after what its turns use: it stops first.
  LightThread lightThread_{clock(), "mousepad light thread", "light pad"};
};

}  // namespace tessel
