#include "ui/main_hook.h"

#include <QCursor>
#include <QGuiApplication>

#include "input/source_choice.h"
#include "platform/debug.h"
#include "ui/device/brelvik_usb_device.h"
#include "ui/device/key_set_control.h"
#include "ui/device/macro_control.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/window_input_source.h"

namespace tessel::ui {

namespace {

template <typename T>
T* FindIn(CBrelvikUSBDevice* page, const char* name) {
  if (!page) return nullptr;
  const QString wanted = QString::fromLatin1(name);
  return dynamic_cast<T*>(page->FindControl([&wanted](CControlUI* c) { return c->GetName() == wanted; }));
}

// The device types whose pages record macros: keyboard and mouse, on the
// cable or through the receiver.
bool RecordsMacros(int typeCode) { return typeCode == 1 || typeCode == 9 || typeCode == 2 || typeCode == 6; }

}  // namespace

CMainHook::CMainHook(QWidget* window, input::PostFunction post, Hooks hooks, Sources sources)
    : hooks_(std::move(hooks)), hook_(std::move(post)), window_(std::make_shared<WindowInputSource>(window)) {
  hook_.AddSource(window_);
  // Desktop and scripted events carry no cursor position; the stop button's
  // filter needs one, so the cursor is asked where the event is placed.
  hook_.SetCursorFunction([]() -> std::optional<std::pair<int32_t, int32_t>> {
    const QPoint p = QCursor::pos();
    return std::make_pair(static_cast<int32_t>(p.x()), static_cast<int32_t>(p.y()));
  });
  std::string line = "Recording only keys and buttons aimed at this window.";
  if (sources.desktop) {
    input::InputEnvironment env;
    env.x11 = QGuiApplication::platformName() == QLatin1String("xcb");
    env.demo = sources.scripted;
    input::SourceChoice choice = input::chooseSources(env);
    if (choice.desktop) hook_.AddSource(choice.desktop);
    wholeDesktop_ = choice.desktop != nullptr;
    scripted_ = std::move(choice.scripted);
    line = std::move(choice.line);
  } else if (sources.scripted) {
    scripted_ = std::make_shared<input::ScriptedSource>();
    line += " Demo: \"tesselctl demo key\" and \"tesselctl demo button\" are recorded too.";
  }
  if (scripted_) hook_.AddSource(scripted_);
  hook_.SetSourceLine(line);
  debugLine("input hook: " + line);
  CMacroControlUI::SetHookHost(this);
}

std::string CMainHook::SourceLine() const {
  const QString key = wholeDesktop_ ? QStringLiteral("macro_source_desktop") : QStringLiteral("macro_source_window");
  return CResourceManager::GetInstance()->GetText(key).toStdString();
}

CMainHook::~CMainHook() {
  StopAll();
  CMacroControlUI::SetHookHost(nullptr);
}

void CMainHook::OnHookRequest(WPARAM wParam) {
  if (wParam == 0) {
    if (IsCapturingKey()) hook_.Stop();
    return;
  }
  // The assignment editor is out of reach while recording: its focus can
  // only be a late message from before the recording started.
  if (IsRecording()) return;
  if (!hook_.Start(input::hook_mode::kSingleKey, [this](const input::HookMessage& m) { Route(m); }))
    debugLine("input hook: key capture did not start: " + hook_.LastError());
}

void CMainHook::StopAll() {
  // The editor's own stop saves, downloads and calls StopRecording below.
  if (recordingEditor_) recordingEditor_->StopRecording();
  // An editor that did not stop (it is being destroyed) still lets go here.
  if (recordingEditor_) StopRecording(*recordingEditor_);
  hook_.Stop();
}

bool CMainHook::StartRecording(CMacroControlUI& editor, int mode, std::string& reason) {
  if (recordingEditor_ && recordingEditor_ != &editor) {
    reason = "another macro is being recorded";
    return false;
  }
  if (!hook_.Start(mode, [this](const input::HookMessage& m) { Route(m); })) {
    reason = hook_.LastError();
    return false;
  }
  recordingEditor_ = &editor;
  lockedPage_ = hooks_.currentPage ? hooks_.currentPage() : nullptr;
  if (hooks_.lockControls) hooks_.lockControls(lockedPage_, true);
  return true;
}

void CMainHook::StopRecording(CMacroControlUI& editor) {
  if (recordingEditor_ != &editor) return;
  hook_.Stop();
  recordingEditor_ = nullptr;
  if (hooks_.lockControls) hooks_.lockControls(lockedPage_, false);
  lockedPage_ = nullptr;
}

void CMainHook::Route(const input::HookMessage& message) {
  CBrelvikUSBDevice* page = hooks_.currentPage ? hooks_.currentPage() : nullptr;
  if (!page) return;
  if (message.mode == input::hook_mode::kSingleKey) {
    // The key pressed becomes the assignment editor's key; its release and
    // the mouse are not part of a key choice.
    if (message.event.kind != input::InputKind::Keyboard || !input::isDownMessage(message.wParam)) return;
    if (auto* editor = FindIn<CKeySetControlUI>(page, "KeySetControlItem"))
      editor->CaptureKey(message.event.scanCode, message.event.extended);
    return;
  }
  if (!input::isRecordingMode(message.mode)) return;
  if (message.name == "WM_HOOK_KEY_MSMACRO_MSG") debugLine("WM_HOOK_KEY_MSMACRO");
  if (!RecordsMacros(page->Controller().typeCode())) return;
  if (auto* editor = FindIn<CMacroControlUI>(page, "MacroControlItem")) editor->OnHookMessage(message);
}

}  // namespace tessel::ui
