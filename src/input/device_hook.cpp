#include "input/device_hook.h"

#include <atomic>

#include "platform/debug.h"

namespace tessel::input {

namespace {

struct ModeNames {
  int mode;
  std::string_view keyboard;
  std::string_view mouse;
};
constexpr ModeNames kModes[] = {
    {hook_mode::kSingleKey, "WM_HOOK_KEY_SINGLEKEY_MSG", ""},
    {hook_mode::kHitKey, "WM_HOOK_KEY_HITKEY_MSG", ""},
    {hook_mode::kMacro, "WM_HOOK_KEY_KBMACRO_MSG", "WM_HOOK_KEY_MSMACRO_MSG"},
    {hook_mode::kMacroPrevious, "WM_HOOK_KEY_KBMACROPREVIOUS_MSG", "WM_HOOK_KEY_MSMACROPREVIOUS_MSG"},
    {hook_mode::kMacroLater, "WM_HOOK_KEY_KBMACROLATER_MSG", "WM_HOOK_KEY_MSMACROLATER_MSG"},
    {hook_mode::kMacroSingle, "WM_HOOK_KEY_KBMACROSINGLE_MSG", "WM_HOOK_KEY_MSMACROSINGLE_MSG"},
    {hook_mode::kMouseSingleKey, "WM_HOOK_MOU_SINGLEKEY_MSG", ""},
    {hook_mode::kMouseHitKey, "WM_HOOK_MOU_HITKEY_MSG", ""},
    {hook_mode::kMouseMacro, "WM_HOOK_MOU_KBMACRO_MSG", ""},
};

const ModeNames* findMode(int mode) {
  for (const auto& m : kModes)
    if (m.mode == mode) return &m;
  return nullptr;
}

}  // namespace

bool isDownMessage(uint32_t message) {
  switch (message) {
    case kKeyDown:
    case kSysKeyDown:
    case kLeftDown:
    case kRightDown:
    case kMiddleDown:
    case kExtraDown:
      return true;
    default:
      return false;
  }
}

std::string_view keyboardMessageName(int mode) {
  const ModeNames* m = findMode(mode);
  return m ? m->keyboard : std::string_view{};
}

std::string_view mouseMessageName(int mode) {
  const ModeNames* m = findMode(mode);
  return m ? m->mouse : std::string_view{};
}

bool isKnownMode(int mode) { return findMode(mode) != nullptr; }

bool isRecordingMode(int mode) {
  return mode == hook_mode::kMacro || mode == hook_mode::kMacroPrevious || mode == hook_mode::kMacroLater ||
         mode == hook_mode::kMacroSingle;
}

// One run of a mode. Posted tasks hold the session, never the holder, so a
// task still queued when the mode stops (or the holder is gone) finds the
// session inactive and delivers nothing.
struct CDeviceHook::Session {
  int mode = hook_mode::kNone;
  HookCallback window;
  CursorFunction cursor;
  std::string_view keyboardName;
  std::string_view mouseName;
  std::atomic<bool> active{true};
  // Desktop sources that run: window events are then covered twice.
  std::atomic<int> desktopSources{0};

  void deliver(SourceCoverage coverage, InputEvent event) {
    if (!active.load()) return;
    if (coverage == SourceCoverage::Window && desktopSources.load() > 0) return;
    const std::string_view name = event.kind == InputKind::Keyboard ? keyboardName : mouseName;
    if (name.empty()) return;
    if (event.kind == InputKind::Mouse && !event.hasPosition && cursor) {
      if (auto pos = cursor()) {
        event.x = pos->first;
        event.y = pos->second;
        event.hasPosition = true;
      }
    }
    if (window) window(HookMessage{name, mode, event.message, event});
  }
};

CDeviceHook::CDeviceHook(PostFunction post) : post_(std::move(post)) {}

CDeviceHook::~CDeviceHook() { Stop(); }

void CDeviceHook::AddSource(std::shared_ptr<InputSource> source) {
  if (source) sources_.push_back(std::move(source));
}

bool CDeviceHook::Start(int mode, HookCallback window, bool keyboardHook, bool libraryHook) {
  // A running mode is replaced: its sources stop (and let go of the
  // keyboard) before the new mode starts them again.
  Stop();
  lastError_.clear();
  const ModeNames* names = findMode(mode);
  if (!names) {
    lastError_ = "unknown hook mode " + std::to_string(mode);
    return false;
  }
  if (sources_.empty()) {
    lastError_ = "no input source is available";
    return false;
  }
  auto session = std::make_shared<Session>();
  session->mode = mode;
  session->window = std::move(window);
  session->cursor = cursor_;
  session->keyboardName = keyboardHook ? names->keyboard : std::string_view{};
  session->mouseName = libraryHook ? names->mouse : std::string_view{};
  if (session->keyboardName.empty() && session->mouseName.empty() && !keyboardHook) {
    lastError_ = "hook mode " + std::to_string(mode) + " has nothing to deliver";
    return false;
  }

  // Counted before any source starts, so no window event slips through as
  // a second copy while the desktop source is still starting.
  for (const auto& source : sources_)
    if (source->coverage() == SourceCoverage::Desktop) session->desktopSources.fetch_add(1);

  for (const auto& source : sources_) {
    const SourceCoverage coverage = source->coverage();
    std::weak_ptr<Session> weak = session;
    PostFunction post = post_;
    InputSink sink = [weak, post, coverage](const InputEvent& event) {
      auto s = weak.lock();
      if (!s || !s->active.load()) return;
      if (post)
        post([s, coverage, event] { s->deliver(coverage, event); });
      else
        s->deliver(coverage, event);
    };
    std::string reason;
    if (!source->start(std::move(sink), keyboardHook, reason)) {
      lastError_ = source->description() + ": " + (reason.empty() ? std::string("failed to start") : reason);
      debugLine("input hook: " + source->name() + " did not start: " + reason);
      session->active = false;
      session_ = session;
      stopSources();
      session_.reset();
      return false;
    }
  }
  session_ = std::move(session);
  mode_ = mode;
  return true;
}

void CDeviceHook::stopSources() {
  for (const auto& source : sources_)
    if (source->running()) source->stop();
}

void CDeviceHook::Stop() {
  if (session_) session_->active = false;
  stopSources();
  session_.reset();
  mode_ = hook_mode::kNone;
}

}  // namespace tessel::input
