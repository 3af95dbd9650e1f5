// The main window's part of recording and key capture: its input hook, the
// controls a recording keeps out of reach, and stopping before anything
// takes the page away.
#include "input/scripted_source.h"
#include "platform/debug.h"
#include "ui/demo_devices.h"
#include "ui/device/brelvik_usb_device.h"
#include "ui/device/device_option.h"
#include "ui/main_hook.h"
#include "ui/main_wnd.h"
#include "ui/toolkit/paint_manager.h"

namespace tessel::ui {

void CMainWnd::CreateHook() {
  if (hook_) return;
  CMainHook::Hooks hooks;
  hooks.currentPage = [this]() -> CBrelvikUSBDevice* {
    const DevicePage* page = registry_ ? registry_->currentPage() : nullptr;
    return page ? PageOf(*page) : nullptr;
  };
  hooks.lockControls = [this](CBrelvikUSBDevice* page, bool recording) { LockForRecording(page, recording); };
  CMainHook::Sources sources;
  sources.desktop = desktopInput_;
  sources.scripted = demo_ != nullptr;
  // Sources deliver on their own threads; placement happens on the UI thread.
  Scheduler* scheduler = m_pm.GetScheduler();
  input::PostFunction post = [scheduler](std::function<void()> task) {
    scheduler->scheduleAfter(Millis(0), std::move(task));
  };
  hook_ = std::make_unique<CMainHook>(GetHWND(), std::move(post), std::move(hooks), sources);
  if (demo_ && hook_->Scripted()) {
    std::shared_ptr<input::ScriptedSource> scripted = hook_->Scripted();
    demo_->SetScriptedInput([scripted](const input::InputEvent& event) { scripted->inject(event); });
  }
}

void CMainWnd::StopHook() {
  if (hook_) hook_->StopAll();
}

void CMainWnd::LockForRecording(CBrelvikUSBDevice* page, bool recording) {
  const bool on = !recording;
  // The device selection: every tile's option and the bar's arrows.
  if (registry_) {
    for (const DevicePage& p : registry_->pages())
      if (CDeviceOptionUI* tile = TileOf(p); tile && tile->GetSelectOption()) tile->GetSelectOption()->SetEnabled(on);
  }
  for (const char* name : {"device_select_prev", "device_select_next"})
    if (CControlUI* c = m_pm.FindControl(QString::fromLatin1(name))) c->SetEnabled(on);
  // The recording page's profile selector and assignment editor.
  if (page) {
    for (const char* name : {"DeviceProfileItem", "KeySetControlItem"}) {
      const QString wanted = QString::fromLatin1(name);
      if (CControlUI* c = page->FindControl([&wanted](CControlUI* x) { return x->GetName() == wanted; }))
        c->SetEnabled(on);
    }
  }
  debugLine(recording ? "macro recording: started" : "macro recording: stopped");
}

}  // namespace tessel::ui
