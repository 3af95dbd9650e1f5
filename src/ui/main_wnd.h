#pragma once
// The main window: frame, caption buttons, tray icon and menu, and the hub of
// the program: it owns the live interface list, the device watcher and the
// device pages with their tiles, and handles the numeric and registered
// messages that worker threads, other programs and the system send.
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "core/light_record.h"
#include "discovery/device_watcher.h"
#include "services/audio_styles.h"
#include "shell/device_registry.h"
#include "shell/game_events.h"
#include "shell/light_control.h"
#include "shell/synchronised_lighting.h"
#include "services/audio_levels.h"
#include "shell/window_data.h"
#include "shell/window_messages.h"
#include "ui/toolkit/tray.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {

class AudioCompanionLink;
class CBrelvikUSBDevice;
class CBrelvikMouseDevice;
class CMainHook;
class DemoDevices;
class CDeviceOptionUI;
class CMpDevicePowerUI;
class PowerWatcher;
class CMsgWnd;
class StallMonitor;
class ProfileActions;

// Numeric messages of the main window (numbers in shell/window_messages.h).
inline constexpr UINT kMsgHook = messages::kHook;
inline constexpr UINT kMsgDpiDebug = messages::kDpiDebug;
inline constexpr UINT kMsgShowProgress = messages::kShowProgress;
inline constexpr UINT kMsgLanguageChanged = messages::kLanguageChanged;
inline constexpr UINT kMsgInterfaceArrived = messages::kInterfaceArrived;
inline constexpr UINT kMsgInterfaceRemoved = messages::kInterfaceRemoved;
inline constexpr UINT kMsgOpenSettings = messages::kOpenSettings;
inline constexpr UINT kMsgClearSettingsImage = messages::kClearSettingsImage;
inline constexpr UINT kMsgReachable = messages::kDeviceReachable;
inline constexpr UINT kMsgKeyboardTables = messages::kKeyboardTables;
// WM_POWERBROADCAST events.
inline constexpr WPARAM PBT_APMSUSPEND = 4;
inline constexpr WPARAM PBT_APMRESUMEAUTOMATIC = 18;

class CMainWnd : public WindowImplBase,
                 public IQueryControlText,
                 private RegistryUi,
                 private DeviceWatcherEvents {
 public:
  static constexpr int kTrayIconId = 107;
  static constexpr UINT kTimerFitDisplay = 1011;
  static constexpr UINT kTimerTrayMenu = 1032;
  static constexpr UINT kTimerProfileSwitch = 1055;
  static constexpr UINT kTimerGameRestore = 1066;

  CMainWnd();
  ~CMainWnd() override;

  QString GetWindowClassName() const override { return QStringLiteral("MainWnd"); }
  QString GetSkinFile() override { return QStringLiteral("XML_MAIN"); }
  void InitWindow() override;
  void Notify(TNotifyUI& msg) override;
  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  QString QueryControlText(const QString& id, const QString& type) override;

  // The builder callback: the skin tag table's tags (skin_tags.h), nested
  // skin files built with this window as callback.
  CControlUI* CreateControl(const QString& tag) override;

  // Where the devices are looked for (default: the program's HID backend), and
  // whether the watcher thread runs (tests drive passes themselves). Set before Create.
  void SetHidBackend(hid::HidBackend* backend) { backend_ = backend; }
  void SetWatcherThread(bool run) { runWatcherThread_ = run; }
  // Whether each device's command queue runs on a worker thread of its own
  // (default) or inline on the UI thread (tests on the manual clock).
  void SetDeviceThreads(bool on) { deviceThreads_ = on; }
  // The input hook's sources (set before Create): the session's desktop
  // source (XInput2 / evdev; tests leave it out), and in demo mode the
  // scripted source fed by the demo object's Key and Button methods.
  void SetDesktopInput(bool on) { desktopInput_ = on; }
  void SetDemoDevices(DemoDevices* demo) { demo_ = demo; }
  // The input hook (recording and key capture), once the window is initialised.
  CMainHook* GetHook() const { return hook_.get(); }

  // Shows and raises the window. While the program was started hidden (in the
  // tray, e.g. at login) only the user's own requests show it: the tray, a
  // second start, the instance message from another program.
  void BringToFront(bool userRequest = false);
  void SetStartHidden(bool hidden) { stayHidden_ = hidden; }
  // The tray's left click: hide when shown, show when hidden or minimised.
  void ToggleFromTray();
  void ShowTrayMenu();
  // Hides the window and tells every mouse and keyboard page it is hidden.
  void HideToTray();
  // The caption's close (and the window manager's): into the tray when there
  // is one, else the program ends as with "exit".
  void CloseByUser();
  // tesselctl changed a kind's settings or profiles: the pages follow.
  int SettingsChangedElsewhere(DeviceKind kind);
  // One tesselctl command line run here, for the settings service on the bus
  // (main_wnd_settings.cpp): through this program's devices, and the pages
  // follow. -1 when the command names emulated devices and this program runs
  // on real ones (or the other way round): the caller runs it itself.
  int RunSettingsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
  // The clean end of the program: owned windows closed, devices let go.
  void ExitProgram();
  // The caption's menu button: Settings, About and Exit, as in the tray menu.
  void ShowMainMenu();
  void FitToDisplay();
  void ApplyLanguage(int index);
  int GetLanguageIndex() const { return languageIndex_; }
  // The user's toggle of "control_light_status".
  void ToggleLightControl();
  bool IsLightControlOn() const { return light_.on(); }
  bool IsSystemAwake() const { return systemAwake_; }

  CTrayIcon& GetTrayIcon() { return tray_; }
  // The caption controls looked up at start-up (nullptr when the skin lacks one).
  CControlUI* GetCaptionControl(const QString& name) const;

  LiveInterfaceList& GetInterfaceList() { return list_; }
  DeviceRegistry* GetRegistry() { return registry_.get(); }
  DeviceWatcher* GetWatcher() { return watcher_.get(); }
  // The page object and tile of a registry page.
  CBrelvikUSBDevice* PageOf(const DevicePage& page) const;
  CDeviceOptionUI* TileOf(const DevicePage& page) const;
  // ---- audio-reactive lighting (main_wnd_audio.cpp)
  // The analysis of the companion's sound packets, the link to the companion,
  // and the 25 levels last handed to the keyboard pages (all 0 before any).
  const AudioLevelAnalyser& GetAudioAnalyser() const { return audioLevels_; }
  AudioCompanionLink* GetAudioLink() const { return audioLink_.get(); }
  const AudioLevelAnalyser::Levels& GetHandedAudioLevels() const { return handedLevels_; }

  // ---- lighting across devices (main_wnd_lighting.cpp)
  // The clock of the synchronised-lighting thread (default: the real one). Set before Create.
  void SetSynchronisedClock(Clock& clock) { syncClock_ = &clock; }
  // The thread (null before window initialisation).
  SynchronisedLighting* GetSynchronisedLighting() const { return syncLighting_.get(); }
  // Timer 1066: every page a run of game events changed gets its record back.
  void RestoreAfterGameEvents();
  bool GameRestorePending() const { return gameRestorePending_; }

 private:
  // RegistryUi
  std::optional<DevicePage> buildPage(int optionIndex) override;
  void initialisePage(const DevicePage& page) override;
  void applyBar(const BarOutcome& outcome) override;
  void closeSelectedPageTools() override;
  void bringToFront() override { BringToFront(); }
  // DeviceWatcherEvents (the watcher's thread)
  void interfaceArrived(int slot) override;
  void interfaceRemoved(int slot) override;
  void firstScanDone() override;

  void OnWindowInit();
  void LoadSavedLanguage();
  bool HandleShellMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result);
  void Identify();
  void SetWindowHiddenFlags(bool hidden);
  void ShowLightControlText(std::string_view text);
  void Shutdown();
  // "deng_same_mode" on `source` (showing `record`): every other open device
  // takes the mode of the same kind with the source's brightness, speed,
  // direction and colours.
  void ApplySameLight(CBrelvikUSBDevice& source, const LightRecord& record);
  // The input hook (main_wnd_hook.cpp): made at window initialisation; a
  // recording or key capture stops before the selection changes, the window
  // hides or closes, and the program ends.
  void CreateHook();
  void StopHook();
  // Lighting across devices (main_wnd_lighting.cpp): the thread starts at
  // window initialisation with every page's controller in its list and stops
  // at shutdown before any device goes; a game message applies to the current
  // page and starts timer 1066.
  void StartSynchronisedLighting();
  void StopSynchronisedLighting();
  void AddSynchronisedDevice(UsbDeviceController* device);
  bool HandleGameMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  // Ends the page's run of game events: what the events changed and nobody
  // edited since goes back, saved and written.
  void EndGameRun(CBrelvikUSBDevice* page);
  // A page whose light was edited during a run (on the page, or by tesselctl
  // through settingsChangedElsewhere) leaves the run at once.
  void EndEditedGameRuns();
  void QueueGameEditCheck();
  void LockForRecording(CBrelvikUSBDevice* page, bool recording);

  CTrayIcon tray_;
  std::vector<std::pair<QString, CControlUI*>> caption_;
  bool exiting_ = false;

  hid::HidBackend* backend_ = nullptr;
  bool deviceThreads_ = true;
  bool runWatcherThread_ = true;
  LiveInterfaceList list_;
  std::unique_ptr<DeviceRegistry> registry_;
  std::unique_ptr<DeviceWatcher> watcher_;
  std::map<const UsbDeviceController*, std::pair<CBrelvikUSBDevice*, CDeviceOptionUI*>> pageControls_;
  LightControl light_;
  SameLight sameLight_;
  bool systemAwake_ = true;
  int languageIndex_ = -1;
  std::vector<LanguageEntry> languages_;
  bool pendingFit_ = false;
  int screenWidth_ = 0, screenHeight_ = 0;
  // ---- audio-reactive lighting (main_wnd_audio.cpp)
  void InitAudio();
  void AudioPageInitialised(const DevicePage& page);
  LRESULT OnAudioCopyData(const COPYDATASTRUCT* data);
  // Starts or stops the companion by whether any keyboard page plays the audio mode.
  void UpdateAudioCompanion();
  void ShowAudioAvailability();
  // Files found unusable (kept aside) or unreadable while starting are named
  // once, in a box that does not hold up the window.
  void ShowKeptFileNotices();
  void ShutdownAudio();
  AudioLevelAnalyser audioLevels_;
  AudioLevelAnalyser::Levels handedLevels_{};
  std::unique_ptr<AudioCompanionLink> audioLink_;
  std::unique_ptr<PowerWatcher> power_;
  std::unique_ptr<CMsgWnd> keptFileNotice_;
  std::unique_ptr<StallMonitor> stallMonitor_;
  bool shutDown_ = false;
  bool stayHidden_ = false;
  bool hiddenByUser_ = false;  // closed into the tray and not asked back since
  std::unique_ptr<ProfileActions> profiles_;
  std::unique_ptr<QObject> devicesBus_;  // DeviceChanged from tesselctl (ui/devices_bus.h)
  std::unique_ptr<QObject> settingsBus_;  // tesselctl's commands run here (ui/settings_bus.h)
  bool desktopInput_ = true;
  DemoDevices* demo_ = nullptr;
  std::unique_ptr<CMainHook> hook_;
  // Lighting across devices (main_wnd_lighting.cpp).
  Clock* syncClock_ = nullptr;
  std::unique_ptr<SynchronisedLighting> syncLighting_;
  GameEventRestore gameRestore_;
  bool gameRestorePending_ = false;  // timer 1066 runs
  bool gameEditCheckQueued_ = false;

  // ---- Audio styles (main_wnd_audio_styles.cpp) ----
 public:
  // Where the style colour block goes (the companion link). It gets the
  // block of the selected style once the styles are loaded at start-up (at
  // once when they are loaded already) and after each OK of the style window.
  void SetStyleColourSink(std::function<void(const StyleColourBlock&)> sink);
  // The block of the style selected now (for a link that connects later).
  StyleColourBlock CurrentStyleColourBlock() const;
  const AudioStyleRecord& GetAudioStyles() const;
  // "music_setting_btn": the style window, modal over this one.
  void OpenAudioStyleWindow();
  // The profile reset's last step: the factory styles come back.
  void ResetAudioStyles();

 private:
  void LoadAudioStyles();
  std::unique_ptr<AudioStyleFile> audioStyles_;
  std::function<void(const StyleColourBlock&)> styleColourSink_;
};

// The process-wide main window that worker threads post to (null outside
// the window's lifetime).
CMainWnd* MainWindow();

}  // namespace tessel::ui
