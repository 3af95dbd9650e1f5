// The main window's lighting across devices: the synchronised-lighting
// thread with its device list, "deng_same_mode" on every kind's light editor,
// and the game events with their restore timer 1066.
#include <QString>
#include <QWidget>

#include "config/mouse_profiledata.h"
#include "platform/debug.h"
#include "ui/device/device_kinds.h"
#include "ui/main_wnd.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {

namespace {

// The light record a page's light editor shows; nullopt while the page has
// no document (or is of no lit kind).
std::optional<LightRecord> PageLight(CBrelvikUSBDevice* page) {
  if (auto* mouse = dynamic_cast<CBrelvikMouseDevice*>(page))
    return mouse->Mouse().document() ? std::optional(mouse->Mouse().document()->getLightInfo()) : std::nullopt;
  if (auto* pad = dynamic_cast<CBrelvikMousePadDevice*>(page))
    return pad->Pad().document() ? std::optional(pad->Pad().lightInfo()) : std::nullopt;
  if (auto* keyboard = dynamic_cast<CBrelvikKeyboardDevice*>(page))
    return keyboard->Keyboard().document() ? std::optional(keyboard->Keyboard().light()) : std::nullopt;
  if (auto* headset = dynamic_cast<CBrelvikHS6533Device*>(page))
    return headset->Headset().document() ? std::optional(headset->Headset().lightInfo()) : std::nullopt;
  return std::nullopt;
}

// Stores the record as a light edit of the page's own (the synchronised flag
// is cleared, the document saved, the light data reloaded, the settings
// written). False when the page cannot take it.
bool StorePageLight(CBrelvikUSBDevice* page, const LightRecord& record) {
  if (!PageLight(page)) return false;
  if (auto* mouse = dynamic_cast<CBrelvikMouseDevice*>(page)) mouse->Mouse().changeLightRecord(record);
  else if (auto* pad = dynamic_cast<CBrelvikMousePadDevice*>(page)) pad->Pad().changeLightRecord(record);
  else if (auto* keyboard = dynamic_cast<CBrelvikKeyboardDevice*>(page)) keyboard->Keyboard().changeLightRecord(record);
  else if (auto* headset = dynamic_cast<CBrelvikHS6533Device*>(page)) headset->Headset().changeLightRecord(record);
  else return false;
  return true;
}

// The keyboard's same-light modes are its mode codes; its records hold the
// position of the code in its mode list. The other kinds use positions.
int SameLightModeOf(CBrelvikUSBDevice& page, uint8_t selectItem) {
  if (auto* keyboard = dynamic_cast<CBrelvikKeyboardDevice*>(&page)) {
    const auto& modes = keyboard->Keyboard().lightModes();
    return selectItem < modes.size() ? modes[selectItem].code : selectItem;
  }
  return selectItem;
}

std::optional<uint8_t> SelectItemOf(CBrelvikUSBDevice& page, int mode) {
  if (auto* keyboard = dynamic_cast<CBrelvikKeyboardDevice*>(&page)) {
    const auto& modes = keyboard->Keyboard().lightModes();
    if (modes.empty()) return static_cast<uint8_t>(mode);
    for (size_t i = 0; i < modes.size(); ++i)
      if (modes[i].code == mode) return static_cast<uint8_t>(i);
    return std::nullopt;  // this keyboard has no mode of that kind
  }
  return static_cast<uint8_t>(mode);
}

}  // namespace

void CMainWnd::StartSynchronisedLighting() {
  if (syncLighting_) return;
  syncLighting_ = std::make_unique<SynchronisedLighting>(syncClock_ ? *syncClock_ : SystemClock::instance());
  syncLighting_->start();
}

void CMainWnd::StopSynchronisedLighting() {
  if (!syncLighting_) return;
  syncLighting_->stop();
  if (registry_)
    for (const DevicePage& p : registry_->pages()) syncLighting_->remove(p.device);
}

void CMainWnd::AddSynchronisedDevice(UsbDeviceController* device) {
  if (syncLighting_) syncLighting_->add(device);
}

void CMainWnd::ApplySameLight(CBrelvikUSBDevice& source, const LightRecord& record) {
  if (!registry_) return;
  const int kind = sameLight_.kindFor(source.Controller().typeCode(), SameLightModeOf(source, record.selectItem));
  for (const DevicePage& p : registry_->pages()) {
    CBrelvikUSBDevice* target = PageOf(p);
    if (!target || target == &source || !target->Controller().isConnected()) continue;
    const auto mode = sameLightMode(target->Controller().typeCode(), kind);
    const auto own = PageLight(target);
    if (!mode || !own) continue;
    const auto item = SelectItemOf(*target, *mode);
    if (!item) continue;
    // The target keeps what is its own (custom group, audio mode) and takes
    // the mode of the kind with the source's brightness, speed, direction
    // and colours.
    LightRecord next = *own;
    next.selectItem = *item;
    next.light = record.light;
    next.speed = record.speed;
    next.fx = record.fx;
    next.multiColor = record.multiColor;
    next.red = record.red;
    next.green = record.green;
    next.blue = record.blue;
    StorePageLight(target, next);
    // Its own effect pauses until its next light change.
    target->Controller().setSynchronised(true);
    target->RefreshView();
  }
  // New settings wake the thread, which finds the devices just synchronised.
  if (syncLighting_) syncLighting_->setSettings(SynchronisedSettings::fromLightRecord(record, kind));
}

bool CMainWnd::HandleGameMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  static const char* const kNames[] = {"Game_Start", "Game_End", "Game_Kill", "Game_Death"};
  bool game = false;
  for (const char* name : kNames) {
    const UINT id = FindRegisteredMessage(QString::fromLatin1(name));
    if (id != 0 && id == msg) game = true;
  }
  if (!game) return false;
  debugPrintf("game event wParam=%llu lParam=%lld", static_cast<unsigned long long>(wParam),
              static_cast<long long>(lParam));
  const DevicePage* current = registry_ ? registry_->currentPage() : nullptr;
  if (CBrelvikUSBDevice* page = current ? PageOf(*current) : nullptr) {
    // A light edit since the last event ends that run first, so this event
    // starts from what the user made.
    if (const auto now = PageLight(page); now && gameRestore_.edited(&page->Controller(), *now)) EndGameRun(page);
    if (const auto before = PageLight(page)) {
      if (const auto next = gameEventRecord(*before, wParam, lParam)) {
        page->Controller().setSynchronised(false);
        StorePageLight(page, *next);
        // What the page shows now (the controller may adjust the record on
        // storing) is what a later edit is told apart from.
        if (const auto shown = PageLight(page)) gameRestore_.eventApplied(&page->Controller(), *before, *shown);
        page->RefreshView();
      }
    }
  }
  // A second event within the 5 s starts the 5 s again.
  gameRestorePending_ = SetTimer(kTimerGameRestore, kGameRestoreDelayMs);
  return true;
}

void CMainWnd::EndGameRun(CBrelvikUSBDevice* page) {
  const UsbDeviceController* device = &page->Controller();
  const auto now = PageLight(page);
  if (!now) {
    gameRestore_.forget(device);
    return;
  }
  if (const auto back = gameRestore_.finish(device, *now)) {
    page->Controller().setSynchronised(false);
    StorePageLight(page, *back);
    page->RefreshView();
  }
}

void CMainWnd::EndEditedGameRuns() {
  gameEditCheckQueued_ = false;
  for (const UsbDeviceController* device : gameRestore_.pages()) {
    auto it = pageControls_.find(device);
    if (it == pageControls_.end()) {
      gameRestore_.forget(device);
      continue;
    }
    const auto now = PageLight(it->second.first);
    if (!now || gameRestore_.edited(device, *now)) EndGameRun(it->second.first);
  }
}

void CMainWnd::QueueGameEditCheck() {
  if (gameRestore_.empty() || gameEditCheckQueued_) return;
  // After the notification has reached the page that owns the control.
  gameEditCheckQueued_ = QMetaObject::invokeMethod(
      GetHWND(), [this] { EndEditedGameRuns(); }, Qt::QueuedConnection);
}

void CMainWnd::RestoreAfterGameEvents() {
  KillTimer(kTimerGameRestore);
  gameRestorePending_ = false;
  for (const UsbDeviceController* device : gameRestore_.pages()) {
    auto it = pageControls_.find(device);
    if (it == pageControls_.end()) gameRestore_.forget(device);
    else EndGameRun(it->second.first);
  }
}

}  // namespace tessel::ui
