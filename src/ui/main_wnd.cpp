#include "ui/main_wnd.h"

#include "platform/kept_file.h"
#include "ui/msg_wnd.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <atomic>
#include <unistd.h>

#include "config/mouse_profiledata.h"
#include "discovery/device_tables.h"
#include "ui/device/setting_key_tips.h"
#include "platform/data_folders.h"
#include "platform/debug.h"
#include "platform/json_file.h"
#include "platform/settings_store.h"
#include "services/app_settings.h"
#include "ui/device/brelvik_usb_device.h"
#include "ui/device/device_kinds.h"
#include "ui/device/device_option.h"
#include "ui/device/device_profile.h"
#include "ui/device/device_profile_page.h"
#include "ui/device/macro_control.h"
#include "ui/device/mp_device_power.h"
#include "ui/audio_companion_link.h"
#include "ui/devices_bus.h"
#include "ui/settings_bus.h"
#include "ui/main_hook.h"
#include "ui/owned_windows.h"
#include "ui/power_watcher.h"
#include "ui/profile_actions.h"
#include "ui/registered_messages.h"
#include "ui/skin_tags.h"
#include "ui/skin_wnd.h"
#include "ui/stall_monitor.h"
#include "ui/toolkit/builder.h"
#include "ui/toolkit/controls.h"
#include "ui/toolkit/message_bus.h"
#include "ui/toolkit/paint_manager.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/window_closing.h"

namespace tessel::ui {

namespace {
std::atomic<CMainWnd*> g_mainWnd{nullptr};

const char* const kCaptionControls[] = {"closebtn",    "maxbtn",   "restorebtn",   "minbtn", "skinbtn",
                                        "gamemodebtn", "cloudbtn", "smarteyesbtn", "setbtn", "menubtn"};

bool nameIs(const QString& name, const char* text) {
  return name.compare(QLatin1String(text), Qt::CaseInsensitive) == 0;
}

// The UI font table every language shares when the fonts are swapped.
struct FontRow {
  int id, size;
  bool bold, underline;
};
constexpr FontRow kFontTable[] = {{-1, 11, false, false}, {0, 15, false, false}, {1, 14, false, true},
                                  {2, 18, false, false},  {3, 30, false, false}, {4, 14, false, false},
                                  {5, 20, false, false},  {6, 22, false, false}, {7, 14, false, false},
                                  {8, 12, false, false},  {9, 11, false, false}, {10, 10, false, false},
                                  {11, 28, false, false}, {50, 18, true, false}, {51, 13, false, false}};
}  // namespace

CMainWnd* MainWindow() { return g_mainWnd.load(); }

CMainWnd::CMainWnd() {
  ProfileActions::Hooks hooks;
  hooks.currentPage = [this]() -> CBrelvikUSBDevice* {
    const DevicePage* page = registry_ ? registry_->currentPage() : nullptr;
    return page ? PageOf(*page) : nullptr;
  };
  hooks.startTimer = [this](UINT id, UINT elapse) { SetTimer(id, elapse); };
  hooks.afterReset = [this] { ResetAudioStyles(); };
  profiles_ = std::make_unique<ProfileActions>(*this, std::move(hooks));
}

CMainWnd::~CMainWnd() {
  Shutdown();
  CMainWnd* self = this;
  g_mainWnd.compare_exchange_strong(self, nullptr);
}

CControlUI* CMainWnd::CreateControl(const QString& tag) { return CreateSkinTag(tag, this, &m_pm); }

void CMainWnd::InitWindow() {
  debugLine("InitWindow");
  auto* rm = CResourceManager::GetInstance();
  rm->SetTextQueryInterface(this);
  rm->LoadLanguage(QStringLiteral("lan_cn.xml"));
  rm->ReloadText();
  caption_.clear();
  for (const char* name : kCaptionControls)
    caption_.emplace_back(QString::fromLatin1(name), m_pm.FindControl(QString::fromLatin1(name)));
  g_mainWnd = this;
  SetIcon(rm->GetImagePath(QString::number(kTrayIconId)));
  tray_.CreateTrayIcon(this, kTrayIconId, QStringLiteral("Tessel RGB"), 0);
  // Game events and light control requests from other programs keep only the
  // latest per name while the window is behind: a game can post thousands.
  std::vector<UINT> coalesced{AppMessages().lightRequest};
  for (const char* name : {"Game_Start", "Game_End", "Game_Kill", "Game_Death"})
    if (const UINT id = FindRegisteredMessage(QString::fromLatin1(name))) coalesced.push_back(id);
  SetCoalescedMessages(std::move(coalesced));
  ExportToBus();
  AddSkinReceiver(this, [this](const SkinChange& c) { ApplySkinToRoot(m_pm.GetRoot(), c); });
}

CControlUI* CMainWnd::GetCaptionControl(const QString& name) const {
  for (const auto& [n, c] : caption_)
    if (n == name) return c;
  return nullptr;
}

QString CMainWnd::QueryControlText(const QString&, const QString&) { return {}; }

// ------------------------------------------------------------ initialisation

void CMainWnd::OnWindowInit() {
  // Other programs learn that light control is on.
  CMessageBus::Instance().Broadcast(AppMessages().lightState, 1, 1);
  LoadSavedLanguage();
  list_.fillFromTable();
  if (StallMonitor::Requested()) stallMonitor_ = std::make_unique<StallMonitor>();
  // The input hook before the pages: their macro editors show its sources.
  CreateHook();
  StartSynchronisedLighting();
  LoadAudioStyles();
  registry_ = std::make_unique<DeviceRegistry>(list_, static_cast<RegistryUi&>(*this), *m_pm.GetScheduler());
  // The mouse and keyboard pages exist before any device is seen.
  registry_->createPage(findTableRow(0x320F, 0x7C1F, 2, kRoleCommand), 0);
  registry_->createPage(findTableRow(0x320F, 0x5089, 1, kRoleCommand), 0);
  // tesselctl set / apply ask the pages of a kind to re-read what they changed.
  devicesBus_ = ExportDevicesBus([this](DeviceKind kind) { return SettingsChangedElsewhere(kind); });
  settingsBus_ = ExportSettingsBus([this](const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    return RunSettingsCommand(args, out, err);
  });
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    screenWidth_ = screen->geometry().width();
    screenHeight_ = screen->geometry().height();
  }
  // Hidden until the watcher's first scan has been reported.
  ShowWindow(false);
  watcher_ = std::make_unique<DeviceWatcher>(list_, backend_ ? *backend_ : hid::defaultBackend(),
                                             static_cast<DeviceWatcherEvents&>(*this));
  if (runWatcherThread_) watcher_->start();
  power_ = std::make_unique<PowerWatcher>(this);
  InitAudio();
  SetTimer(kTimerFitDisplay, 100);
}

void CMainWnd::ShowKeptFileNotices() {
  const std::vector<std::string> notices = takeKeptFileNotices();
  if (notices.empty() || keptFileNotice_) return;
  QString text = CResourceManager::GetInstance()->GetText(QStringLiteral("message_kept_file"));
  for (const std::string& line : notices) text += QLatin1Char('\n') + QString::fromStdString(line);
  keptFileNotice_ = std::make_unique<CMsgWnd>(QString(), text, 96, 0, CMsgWnd::kConfirmOnly);
  if (!keptFileNotice_->Create(this, QStringLiteral("msgwnd"), WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW)) return;
  keptFileNotice_->CenterWindow();
  keptFileNotice_->ShowWindow(true, false);
}

void CMainWnd::LoadSavedLanguage() {
  std::optional<uint32_t> saved = SettingsStore().getDword("LANGUAGE");
  // Nothing saved yet: the user's locale decides.
  if (!saved) saved = localeLanguageId();
  languages_.clear();
  if (auto folder = defaultDataFolder()) languages_ = readLanguageList(readJsonFile(*folder / "Language.config"));
  ApplyLanguage(languageIndexFor(languages_, saved));
}

void CMainWnd::ApplyLanguage(int index) {
  if (index == languageIndex_) return;
  if (languageNeedsFontSwap(languageIndex_, index)) {
    const QString family = QStringLiteral("微软雅黑");
    for (const FontRow& f : kFontTable) {
      if (f.id == -1) m_pm.SetDefaultFont(family, f.size, f.bold, f.underline);
      else m_pm.AddFont(f.id, family, f.size, f.bold, f.underline);
    }
  }
  languageIndex_ = index;
  if (index < 0 || static_cast<size_t>(index) >= languages_.size()) return;
  const LanguageEntry& entry = languages_[static_cast<size_t>(index)];
  auto* rm = CResourceManager::GetInstance();
  rm->SetLanguage(QString::fromStdString(entry.name));
  rm->LoadLanguage(QString::fromStdString(entry.file));
  rm->ReloadText();
  if (SettingsStore().setDword("LANGUAGE", entry.id)) debugLine("写成功！");
  if (QWidget* w = GetHWND()) w->update();
  TellOwnedWindowsLanguage(index);
}

// ------------------------------------------------------------ pages

std::optional<DevicePage> CMainWnd::buildPage(int optionIndex) {
  const DeviceOptionRow& option = deviceOptionTable()[static_cast<size_t>(optionIndex)];
  const DeviceXmlRow& xml = deviceXmlTable()[static_cast<size_t>(optionIndex)];
  auto* powerSwitch = dynamic_cast<CTabLayoutUI*>(m_pm.FindControl(QStringLiteral("device_power_switch")));
  auto* pageSwitch = dynamic_cast<CTabLayoutUI*>(m_pm.FindControl(QStringLiteral("device_switch")));
  auto* bar = dynamic_cast<CContainerUI*>(m_pm.FindControl(QStringLiteral("device_select_layout")));
  if (!powerSwitch || !pageSwitch || !bar) return std::nullopt;

  CDialogBuilder b1, b2, b3;
  auto* indicator = dynamic_cast<CMpDevicePowerUI*>(
      b1.Create(QStringLiteral("XML/CustomControlXML/MpDevicePower.xml"), QString(), this, &m_pm));
  auto* tile = indicator ? dynamic_cast<CDeviceOptionUI*>(
                               b2.Create(QString::fromUtf8(option.tileXml.data(), int(option.tileXml.size())),
                                         QString(), this, &m_pm))
                         : nullptr;
  auto* page = tile ? dynamic_cast<CBrelvikUSBDevice*>(
                          b3.Create(QString::fromUtf8(xml.pageXml.data(), int(xml.pageXml.size())), QString(),
                                    this, &m_pm))
                    : nullptr;
  if (!indicator || !tile || !page) {
    debugPrintf("page of option %d could not be built", optionIndex);
    delete indicator;
    delete tile;
    delete page;
    return std::nullopt;
  }
  powerSwitch->Add(indicator);
  indicator->SetType(option.typeCode, option.variant);
  const int powerIndex = powerSwitch->GetItemIndex(indicator);

  page->InitUI(&m_pm);
  page->SetPageXmlName(QString::fromUtf8(xml.pageXml.data(), int(xml.pageXml.size())));
  page->SetMainWindow(this);
  page->SetKeyButtonCount(xml.keyButtonCount);
  page->SetLightZoneCount(xml.lightZoneCount);
  page->SetBatteryFlag(xml.batteryFlag != 0);
  if (auto* mouse = dynamic_cast<CBrelvikMouseDevice*>(page)) {
    mouse->SetMouseParameter(xml.mouseParameter);
    mouse->onSameMode = [this](CBrelvikMouseDevice& source) {
      if (source.Mouse().document()) ApplySameLight(source, source.Mouse().document()->getLightInfo());
    };
  }
  if (auto* pad = dynamic_cast<CBrelvikMousePadDevice*>(page)) {
    pad->onSameMode = [this](CBrelvikMousePadDevice& source) {
      if (source.Pad().document()) ApplySameLight(source, source.Pad().lightInfo());
    };
  }
  if (auto* keyboard = dynamic_cast<CBrelvikKeyboardDevice*>(page)) {
    keyboard->onSameMode = [this](CBrelvikKeyboardDevice& source) {
      if (source.Keyboard().document()) ApplySameLight(source, source.Keyboard().light());
    };
  }
  if (auto* headset = dynamic_cast<CBrelvikHS6533Device*>(page)) {
    headset->onSameMode = [this](CBrelvikHS6533Device& source) {
      if (source.Headset().document()) ApplySameLight(source, source.Headset().lightInfo());
    };
  }
  page->SetBatteryIndicator(indicator);
  page->Profile().Init(option.typeCode, option.kindName);
  if (auto type = deviceTypeFromCode(static_cast<uint16_t>(option.typeCode)))
    ShowSettingKeys(*page, describeKind(kindOf(*type)));
  pageSwitch->Add(page);
  const int pageIndex = pageSwitch->GetItemIndex(page);

  bar->Add(tile);
  tile->SetDevice(page);
  tile->SetType(option.typeCode, option.variant);
  tile->SetDeviceName(QString::fromUtf8(option.kindName.data(), int(option.kindName.size())));
  tile->SetHeaderGroup(QString::fromUtf8(option.tileHeaderTab.data(), int(option.tileHeaderTab.size())));
  tile->BindPage(QStringLiteral("device_switch"), pageIndex);
  tile->SetPowerSwitch(QString::fromUtf8(option.powerSwitchTab.data(), int(option.powerSwitchTab.size())),
                       powerIndex);
  tile->SetVisible(false);
  tile->Select(false);

  if (deviceThreads_) {
    // The device's exchanges run on its own thread; their completions come
    // back as zero-delay tasks of the UI thread's scheduler.
    Scheduler* scheduler = m_pm.GetScheduler();
    page->Controller().commandQueue().runOnThread([scheduler](std::function<void()> call) {
      scheduler->scheduleAfter(Millis(0), std::move(call));
    });
  }

  DevicePage result;
  result.device = &page->Controller();
  result.tile = tile->GetDeviceTile();
  result.pageIndex = pageIndex;
  result.powerIndex = powerIndex;
  pageControls_[result.device] = {page, tile};
  AddSynchronisedDevice(result.device);
  return result;
}

void CMainWnd::initialisePage(const DevicePage& page) {
  if (CBrelvikUSBDevice* p = PageOf(page)) {
    p->SetBatteryFlag(page.device->batteryFlag());
    p->InitPage();
  }
  AudioPageInitialised(page);
}

CBrelvikUSBDevice* CMainWnd::PageOf(const DevicePage& page) const {
  auto it = pageControls_.find(page.device);
  return it == pageControls_.end() ? nullptr : it->second.first;
}

CDeviceOptionUI* CMainWnd::TileOf(const DevicePage& page) const {
  auto it = pageControls_.find(page.device);
  return it == pageControls_.end() ? nullptr : it->second.second;
}

void CMainWnd::applyBar(const BarOutcome& outcome) {
  if (CControlUI* overlay = m_pm.FindControl(QStringLiteral("No_device_Link")))
    overlay->SetVisible(outcome.noDeviceOverlay);
  if (outcome.devicePage) {
    if (auto* tabs = dynamic_cast<CTabLayoutUI*>(m_pm.FindControl(QStringLiteral("device_switch"))))
      tabs->SelectItem(*outcome.devicePage);
  }
  if (auto* power = dynamic_cast<CTabLayoutUI*>(m_pm.FindControl(QStringLiteral("device_power_switch")))) {
    if (outcome.powerSwitchShown) power->SetVisible(*outcome.powerSwitchShown);
    if (outcome.powerPage) power->SelectItem(*outcome.powerPage);
  }
  if (!registry_) return;
  for (const DevicePage& p : registry_->pages()) {
    CDeviceOptionUI* tile = TileOf(p);
    if (!tile || p.tileIndex < 0 || static_cast<size_t>(p.tileIndex) >= registry_->bar().size()) continue;
    const TileState& t = registry_->bar().tile(p.tileIndex);
    if (tile->GetOwnVisible() != t.visible) tile->SetVisible(t.visible);
    tile->Select(t.visible && t.selected);
    tile->SetSynchronised(t.synchroMark);
    // The same-light button is offered while more than one device is shown.
    if (auto* mouse = dynamic_cast<CBrelvikMouseDevice*>(PageOf(p))) mouse->SetSameModeAllowed(outcome.multipleVisible);
    if (auto* pad = dynamic_cast<CBrelvikMousePadDevice*>(PageOf(p))) pad->SetSameModeAllowed(outcome.multipleVisible);
    if (auto* kb = dynamic_cast<CBrelvikKeyboardDevice*>(PageOf(p))) kb->SetSameModeAllowed(outcome.multipleVisible);
    if (auto* hs = dynamic_cast<CBrelvikHS6533Device*>(PageOf(p))) hs->SetSameModeAllowed(outcome.multipleVisible);
  }
}

int CMainWnd::SettingsChangedElsewhere(DeviceKind kind) {
  if (!registry_) return 0;
  // tesselctl may have added, deleted or selected a profile: each page of the
  // kind shows the list file's current profile and, when that is another
  // one, loads it and writes it to the device, as a choice in the selector
  // does; then the pages re-read what the documents now hold.
  for (const DevicePage* p : registry_->pagesOf(kind)) {
    CBrelvikUSBDevice* page = PageOf(*p);
    CDeviceProfileUI* selector = page ? page->Profile().Selector() : nullptr;
    if (selector && selector->FollowStore()) page->Profile().Rebind();
  }
  const int asked = registry_->settingsChangedElsewhere(kind);
  // Only now that the pages hold the documents as stored: the library's
  // check of the bindings must not save an older copy.
  for (const DevicePage* p : registry_->pagesOf(kind)) {
    if (auto* mouse = dynamic_cast<CBrelvikMouseDevice*>(PageOf(*p))) mouse->MacroLibraryChangedElsewhere();
    if (auto* kb = dynamic_cast<CBrelvikKeyboardDevice*>(PageOf(*p))) kb->MacroLibraryChangedElsewhere();
  }
  // A light edit from tesselctl during a game event ends the event there.
  EndEditedGameRuns();
  return asked;
}

void CMainWnd::closeSelectedPageTools() {
  // Owned windows (settings, editors) and the macro recorder's input hook
  // close with the selected page: a recording is saved first.
  StopHook();
  debugLine("selected device left: owned windows closed");
}

// ------------------------------------------------------------ watcher

void CMainWnd::interfaceArrived(int slot) { SendMessage(kMsgInterfaceArrived, static_cast<WPARAM>(slot), 0); }

void CMainWnd::interfaceRemoved(int slot) { SendMessage(kMsgInterfaceRemoved, static_cast<WPARAM>(slot), 0); }

void CMainWnd::firstScanDone() { PostMessage(AppMessages().instance, 0, 0); }

// ------------------------------------------------------------ window

void CMainWnd::BringToFront(bool userRequest) {
  QWidget* w = GetHWND();
  if (!w) return;
  if (userRequest) stayHidden_ = hiddenByUser_ = false;
  if (stayHidden_) return;
  if (registry_) {
    if (CControlUI* overlay = m_pm.FindControl(QStringLiteral("No_device_Link")))
      overlay->SetVisible(registry_->bar().connectedCount().first == 0);
  }
  SetWindowHiddenFlags(false);
  HandleMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
  w->show();
  w->raise();
  w->activateWindow();
}

void CMainWnd::SetWindowHiddenFlags(bool hidden) {
  if (!registry_) return;
  for (const DevicePage& p : registry_->pages())
    if (p.kind == DeviceKind::Mouse || p.kind == DeviceKind::Keyboard) p.device->setWindowHidden(hidden);
}

void CMainWnd::HideToTray() {
  CMenuWnd::CloseActiveMenu();
  StopHook();
  ShowWindow(false);
  SetWindowHiddenFlags(true);
  hiddenByUser_ = true;
}

void CMainWnd::CloseByUser() {
  if (ActionOnClose() == CloseAction::Exit) ExitProgram();
  else HideToTray();
}

void CMainWnd::ExitProgram() {
  CMenuWnd::CloseActiveMenu();
  exiting_ = true;
  Close(0);
}

void CMainWnd::ShowMainMenu() {
  // The tray menu's entries, under the caption's menu button, so that they
  // are there on desktops without a notification area too.
  CMenuWnd::CloseActiveMenu();
  CControlUI* button = GetCaptionControl(QStringLiteral("menubtn"));
  QWidget* widget = button ? button->ExistingWidget() : nullptr;
  if (!widget) return;
  const QPoint point = widget->mapToGlobal(QPoint(widget->width(), widget->height()));
  CMenuWnd::CreateMenu(this, QStringLiteral("menu.xml"), point, eMenuAlignment_Right | eMenuAlignment_Top);
}

void CMainWnd::ToggleFromTray() {
  if (IsWindowVisible() && !IsMinimized()) {
    HideToTray();
  } else {
    FitToDisplay();
    BringToFront(true);
  }
}

void CMainWnd::FitToDisplay() {
  QWidget* w = GetHWND();
  if (!w) return;
  const bool wasShown = IsWindowVisible() && !IsMinimized();
  QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const int dpi = dpiForMonitor(screen->geometry().width(), screen->geometry().height());
  m_pm.SetDPI(96);
  ResizeClient(1000, 640);
  m_pm.SetDPI(dpi);
  CenterWindow();
  ShowWindow(wasShown, false);
}

void CMainWnd::ShowTrayMenu() {
  CMenuWnd::CloseActiveMenu();
  QPoint point = QCursor::pos();
  UINT alignment = eMenuAlignment_Left | eMenuAlignment_Top;
  // The panel that holds the notification area decides where the menu opens.
  if (QScreen* screen = QGuiApplication::screenAt(point) ? QGuiApplication::screenAt(point)
                                                          : QGuiApplication::primaryScreen()) {
    const QRect full = screen->geometry();
    const QRect avail = screen->availableGeometry();
    if (avail.top() > full.top()) {
      point.setY(avail.top() + 1);
      alignment = eMenuAlignment_Top | eMenuAlignment_Right;
    } else if (avail.left() > full.left()) {
      point.setX(avail.left() + 1);
      alignment = eMenuAlignment_Left | eMenuAlignment_Bottom;
    } else if (avail.bottom() < full.bottom()) {
      point.setY(avail.bottom() - 20);
      alignment = eMenuAlignment_Right | eMenuAlignment_Bottom;
    } else if (avail.right() < full.right()) {
      point.setX(avail.right() - 1);
      alignment = eMenuAlignment_Right | eMenuAlignment_Bottom;
    }
  }
  CMenuWnd::CreateMenu(this, QStringLiteral("menu.xml"), point, alignment);
}

void CMainWnd::ShowLightControlText(std::string_view text) {
  // The state's own words in the language shown (the Chinese ones are the
  // state texts themselves), followed again on a language change.
  if (CControlUI* b = m_pm.FindControl(QStringLiteral("control_light_status")))
    b->SetText(text == kLightControlOnText ? QStringLiteral("%[light_control_on]") : QStringLiteral("%[light_control_off]"));
}

void CMainWnd::ToggleLightControl() {
  LightControl::Change change = light_.toggle();
  if (change.broadcast) CMessageBus::Instance().Broadcast(AppMessages().lightState, 1, *change.broadcast);
  if (change.text) ShowLightControlText(*change.text);
  if (registry_) registry_->setLightControl(change.state);
}

void CMainWnd::Identify() {
  const QString tool = QStringLiteral("ZuraRozu");
  if (!CMessageBus::Instance().FindWindow(tool)) return;
  const auto block = identificationBlock();
  CMessageBus::Instance().CopyDataToWindow(
      tool, static_cast<uint64_t>(::getpid()), 5,
      QByteArray(reinterpret_cast<const char*>(block.data()), static_cast<int>(sizeof block)));
}

// ------------------------------------------------------------ notifications

void CMainWnd::Notify(TNotifyUI& msg) {
  if (msg.sType == notify::kWindowInit) {
    OnWindowInit();
    return;
  }
  // A light edit on a page during a game event ends the event there.
  if (msg.sType != notify::kTimer) QueueGameEditCheck();
  // Every notification but "timer" is written to the debug output (pointer
  // movement raises many: convert the texts only when someone listens).
  if (msg.sType != notify::kTimer && msg.pSender && debugEnabled()) {
    debugLine(msg.sType.toStdString());
    debugLine(msg.pSender->GetName().toStdString());
  }
  if (msg.sType == notify::kWindowSize) {
    if (pendingFit_ && msg.pSender && msg.pSender->GetName() == QLatin1String("root")) {
      pendingFit_ = false;
      FitToDisplay();
    }
    return;
  }
  if (msg.sType == notify::kSelectChanged && msg.pSender && registry_ &&
      msg.pSender->GetName() == QLatin1String("device_select")) {
    for (const DevicePage& p : registry_->pages()) {
      CDeviceOptionUI* tile = TileOf(p);
      if (tile && tile->GetSelectOption() == msg.pSender && tile->IsSelected()) {
        StopHook();
        registry_->tileChosen(p.tileIndex);
        break;
      }
    }
    return;
  }
  if (profiles_->Notify(msg)) return;
  if (msg.sType != notify::kClick || !msg.pSender) return;
  const QString name = msg.pSender->GetName();
  if (OpenOwnedWindowFor(*this, name)) return;
  if (nameIs(name, "closebtn")) {
    CloseByUser();
  } else if (nameIs(name, "menubtn")) {
    ShowMainMenu();
  } else if (nameIs(name, "nodevice_ok_btn")) {
    // "OK" only puts the window away; without a tray the task bar keeps it.
    StopHook();
    if (TrayAvailable()) ShowWindow(false);
    else SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (nameIs(name, "control_light_status")) {
    ToggleLightControl();
  } else if (nameIs(name, "music_setting_btn")) {
    OpenAudioStyleWindow();
  } else if (nameIs(name, "minbtn")) {
    StopHook();  // a minimised window is not where the user types
    SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  } else if (nameIs(name, "maxbtn")) {
    SendMessage(WM_SYSCOMMAND, SC_MAXIMIZE, 0);
  } else if (nameIs(name, "restorebtn")) {
    SendMessage(WM_SYSCOMMAND, SC_RESTORE, 0);
  } else if (nameIs(name, "device_select_prev")) {
    StopHook();
    if (registry_) registry_->selectPrevious();
  } else if (nameIs(name, "device_select_next")) {
    StopHook();
    if (registry_) registry_->selectNext();
  }
}

// ------------------------------------------------------------ messages

bool CMainWnd::HandleShellMessage(UINT msg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  const RegisteredMessages& rm = AppMessages();
  if (msg == WM_POWERBROADCAST) {
    if (wParam == PBT_APMSUSPEND) {
      systemAwake_ = false;
      if (registry_) registry_->suspend();
    } else if (wParam == PBT_APMRESUMEAUTOMATIC) {
      systemAwake_ = true;
      if (registry_) registry_->resume(light_.on());
    }
    return true;
  }
  const bool registered = msg >= kFirstRegisteredMessage;
  const bool ours = registered || msg == WM_TRAYNOTIFY || msg == WM_MENUCLICK || msg == kMsgHook ||
                    msg == kMsgDpiDebug || msg == kMsgShowProgress || msg == kMsgLanguageChanged ||
                    msg == kMsgInterfaceArrived || msg == kMsgInterfaceRemoved || msg == kMsgOpenSettings ||
                    msg == kMsgClearSettingsImage || msg == kMsgReachable || msg == kMsgKeyboardTables;
  if (!ours) return false;
  // While the system sleeps none of these is handled, except the watcher's
  // arrivals and removals: it has already claimed or released the slot, so
  // a message dropped here would be lost for good (a receiver reset during
  // suspend would never reconnect). They only queue device work.
  if (!systemAwake_ && msg != kMsgInterfaceArrived && msg != kMsgInterfaceRemoved) return true;

  if (registered) {
    if (msg == rm.instance && msg != 0) {
      debugPrintf("instance message wParam=%llu lParam=%lld", static_cast<unsigned long long>(wParam),
                  static_cast<long long>(lParam));
      // The watcher's first scan posts it with 0, 0; anyone else asks to see the window.
      // The first scan may finish after the user has already closed the window
      // into the tray: it must not bring the window back against that.
      const bool firstScan = wParam == 0 && lParam == 0;
      if (!(firstScan && hiddenByUser_)) BringToFront(!firstScan);
    } else if (msg == rm.lightRequest && msg != 0) {
      if (auto change = light_.request(wParam, lParam)) {
        if (change->text) ShowLightControlText(*change->text);
        if (registry_) registry_->setLightControl(change->state);
      }
    } else if (msg == rm.identify && msg != 0) {
      Identify();
    } else if (msg == rm.settingsRelay && msg != 0) {
      RelayToSettingsWindow(msg, wParam, lParam);
    } else if (HandleGameMessage(msg, wParam, lParam)) {
      // Game_Start, Game_End, Game_Kill, Game_Death (main_wnd_lighting.cpp)
    }
    return true;
  }
  switch (msg) {
    case kMsgInterfaceArrived:
      if (registry_) registry_->interfaceArrived(static_cast<int>(wParam));
      return true;
    case kMsgInterfaceRemoved:
      if (registry_) registry_->interfaceRemoved(static_cast<int>(wParam));
      return true;
    case kMsgReachable:
      if (registry_) registry_->reachabilityChanged(static_cast<int>(wParam), lParam != 0);
      return true;
    case kMsgLanguageChanged:
      ApplyLanguage(static_cast<int>(wParam));
      return true;
    case kMsgDpiDebug:
      debugLine("界面 DPI 1发生变化");
      return true;
    case kMsgOpenSettings:
      OpenSettingsWindow(*this);
      return true;
    case kMsgClearSettingsImage:
      if (CControlUI* c = GetCaptionControl(QStringLiteral("setbtn"))) c->SetForeImage(QString());
      return true;
    case kMsgShowProgress:
      if (CControlUI* c = m_pm.FindControl(QStringLiteral("setting_progress"))) c->SetVisible(true);
      return true;
    case kMsgHook:
      if (hook_) hook_->OnHookRequest(wParam);
      return true;
    default:
      return false;  // tray, menu: below
  }
}

LRESULT CMainWnd::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  bHandled = true;
  LRESULT result = 0;
  if (HandleShellMessage(msg, wParam, lParam, result)) return result;
  if (!systemAwake_ && (msg == WM_TRAYNOTIFY || msg == WM_MENUCLICK)) return 0;
  switch (msg) {
    case WM_TRAYNOTIFY:
      if (lParam == WM_LBUTTONUP) ToggleFromTray();
      else if (lParam == WM_RBUTTONUP) SetTimer(kTimerTrayMenu, 10);
      return 0;
    case WM_TIMER:
      if (wParam == kTimerTrayMenu) {
        KillTimer(kTimerTrayMenu);
        ShowTrayMenu();
        return 0;
      }
      if (wParam == kTimerGameRestore) {
        RestoreAfterGameEvents();
        return 0;
      }
      if (wParam == kTimerProfileSwitch) {
        KillTimer(kTimerProfileSwitch);
        profiles_->SwitchProfile();
        return 0;
      }
      if (wParam == kTimerFitDisplay) {
        KillTimer(kTimerFitDisplay);
        FitToDisplay();
        ShowKeptFileNotices();
        if (QWidget* w = GetHWND()) w->update();
        return 0;
      }
      bHandled = false;
      return 0;
    case WM_COPYDATA:
      // The audio companion's sound packets (1) and external colour (2).
      return OnAudioCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_ACTIVATE:
    case WM_MOUSEHOVER:
    case WM_MOUSELEAVE: {
      // The device pages draw their live picture only while the window is in use.
      const bool active = msg == WM_MOUSEHOVER || (msg == WM_ACTIVATE && wParam != 0);
      if (msg == WM_MOUSEHOVER) debugLine("鼠标移入");
      if (msg == WM_MOUSELEAVE) debugLine("鼠标移出");
      if (registry_)
        for (const DevicePage& p : registry_->pages())
          if (p.kind != DeviceKind::Headset) p.device->setWindowActive(active);
      bHandled = false;
      return 0;
    }
    case WM_DISPLAYCHANGE:
      debugLine("显示器分辨率发生变化");
      FitToDisplay();
      pendingFit_ = true;
      return 0;
    case WM_DPICHANGED:
      m_pm.SetDPI(static_cast<int>(wParam & 0xFFFF));
      m_pm.ResetDPIAssets();
      CenterWindow();
      debugLine("界面 DPI 发生变化");
      return 0;
    case WM_MENUCLICK: {
      // The toolkit owns the item record; it is freed after this returns.
      const auto* cmd = reinterpret_cast<const MenuCmd*>(wParam);
      if (cmd && OpenOwnedWindowFor(*this, cmd->szName)) return 0;
      // The macro editor's event list menu goes back to the editor that opened it.
      if (cmd && CMacroControlUI::HandleMenuCommand(cmd->szName)) return 0;
      if (cmd && cmd->szName == QLatin1String("exit")) ExitProgram();
      return 0;
    }
    case WM_CLOSE:
      // With a tray only the menu's "exit" ends the program; any other close
      // hides the window and the program stays in the tray. Without one a
      // close ends it.
      if (!exiting_ && ActionOnClose() == CloseAction::HideToTray) {
        HideToTray();
        return 0;
      }
      exiting_ = true;
      bHandled = false;
      return 0;
    case WM_DESTROY:
      debugLine("退出测试");
      ShowWindow(false);
      Shutdown();
      tray_.DeleteTrayIcon();
      PostQuitMessage(0);
      return 0;
    default: bHandled = false; return 0;
  }
}

void CMainWnd::Shutdown() {
  if (shutDown_) return;
  shutDown_ = true;
  // A watcher waiting in SendMessage is released first, then asked to stop;
  // every thread is joined within its bound, none is killed.
  CancelPendingSends();
  // A game event's light does not outlive the program in the profiles; no
  // synchronised step touches a device from here on.
  RestoreAfterGameEvents();
  StopSynchronisedLighting();
  // Nothing holds the keyboard once the program ends; a recording is saved.
  StopHook();
  hook_.reset();
  CloseOwnedWindows();
  RemoveSkinReceiver(this);
  if (watcher_) watcher_->stop(std::chrono::milliseconds(1000));
  if (registry_) {
    for (const DevicePage& p : registry_->pages()) {
      if (p.tile) p.tile->killAllTimers();
      p.device->shutdown();
    }
  }
  power_.reset();
  ShutdownAudio();
  if (stallMonitor_) stallMonitor_->Report();
}

}  // namespace tessel::ui
