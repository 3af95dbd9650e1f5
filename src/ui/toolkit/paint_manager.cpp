#include "ui/toolkit/paint_manager.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <chrono>

#include "ui/toolkit/controls.h"
#include "ui/toolkit/render.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {

namespace {
std::mutex g_pathMutex;
QString g_instancePath;
QString g_resourcePath;
std::atomic<Scheduler*> g_scheduler{nullptr};
std::vector<CPaintManagerUI*> g_managers;  // UI thread only

QString WithSlash(QString path) {
  if (!path.isEmpty() && !path.endsWith('/')) path += '/';
  return path;
}
}  // namespace

CPaintManagerUI::CPaintManagerUI() : context_(std::make_unique<QObject>()) {
  g_managers.push_back(this);
}

CPaintManagerUI::~CPaintManagerUI() {
  RemoveAllTimers();
  g_managers.erase(std::remove(g_managers.begin(), g_managers.end(), this), g_managers.end());
  CControlUI* root = root_;
  root_ = nullptr;
  delete root;
}

void CPaintManagerUI::SetInstancePath(const QString& path) {
  std::lock_guard lock(g_pathMutex);
  g_instancePath = WithSlash(path);
}

QString CPaintManagerUI::GetInstancePath() {
  std::lock_guard lock(g_pathMutex);
  return g_instancePath;
}

void CPaintManagerUI::SetResourcePath(const QString& path) {
  std::lock_guard lock(g_pathMutex);
  g_resourcePath = WithSlash(path);
}

QString CPaintManagerUI::GetResourcePath() {
  std::lock_guard lock(g_pathMutex);
  return g_resourcePath;
}

QString CPaintManagerUI::ResolvePath(const QString& relative) {
  if (relative.isEmpty() || QDir::isAbsolutePath(relative)) return relative;
  QString r = relative;
  r.replace('\\', '/');
  return GetResourcePath() + r;
}

void CPaintManagerUI::SetDefaultScheduler(Scheduler* scheduler) { g_scheduler = scheduler; }
Scheduler* CPaintManagerUI::GetDefaultScheduler() { return g_scheduler; }

int CPaintManagerUI::MessageLoop() { return QApplication::exec(); }

void CPaintManagerUI::SetAllDPI(int dpi) {
  for (CPaintManagerUI* m : g_managers) m->SetDPI(dpi);
}

std::vector<CPaintManagerUI*> CPaintManagerUI::GetAllManagers() { return g_managers; }

void CPaintManagerUI::Init(CWindowWnd* window) { window_ = window; }

QWidget* CPaintManagerUI::GetPaintWindow() const { return window_ ? window_->GetHWND() : nullptr; }

Scheduler* CPaintManagerUI::GetScheduler() const { return scheduler_ ? scheduler_ : GetDefaultScheduler(); }

bool CPaintManagerUI::AttachDialog(CControlUI* root) {
  if (!root) return false;
  if (root_ && root_ != root) delete root_;
  root_ = root;
  root->SetManager(this, nullptr);
  if (QWidget* window = GetPaintWindow()) {
    QWidget* w = root->GetWidget();
    w->setParent(window);
    w->setGeometry(window->rect());
    w->setVisible(root->IsVisible());
  }
  return true;
}

CControlUI* CPaintManagerUI::FindControl(const QString& name) const {
  if (!root_ || name.isEmpty()) return nullptr;
  return root_->FindControl([&](CControlUI* c) { return c->GetName() == name; });
}

CControlUI* CPaintManagerUI::FindSubControlByName(CControlUI* parent, const QString& name) const {
  if (!parent || name.isEmpty()) return nullptr;
  return parent->FindControl([&](CControlUI* c) { return c->GetName() == name; });
}

CControlUI* CPaintManagerUI::FindControl(const QPoint& windowPoint) const {
  QWidget* window = GetPaintWindow();
  if (!window || !root_) return nullptr;
  QWidget* hit = window->childAt(windowPoint);
  CControlUI* found = nullptr;
  while (hit && !found) {
    found = root_->FindControl([&](CControlUI* c) { return c->ExistingWidget() == hit; });
    hit = hit->parentWidget();
  }
  return found;
}

void CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
  if (notifier && std::find(notifiers_.begin(), notifiers_.end(), notifier) == notifiers_.end())
    notifiers_.push_back(notifier);
}

void CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
  notifiers_.erase(std::remove(notifiers_.begin(), notifiers_.end(), notifier), notifiers_.end());
}

void CPaintManagerUI::SendNotify(CControlUI* control, const QString& type, WPARAM wParam, LPARAM lParam, bool async) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = control;
  msg.wParam = wParam;
  msg.lParam = lParam;
  SendNotify(msg, async);
}

void CPaintManagerUI::SendNotify(TNotifyUI& msg, bool async) {
  msg.dwTimestamp = static_cast<uint64_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
          .count());
  if (async) {
    asyncNotify_.push_back(msg);
    if (asyncNotify_.size() == 1)
      QTimer::singleShot(0, context_.get(), [this] { FlushAsyncNotify(); });
    return;
  }
  auto notifiers = notifiers_;
  for (INotifyUI* n : notifiers) {
    if (std::find(notifiers_.begin(), notifiers_.end(), n) != notifiers_.end()) n->Notify(msg);
  }
}

void CPaintManagerUI::FlushAsyncNotify() {
  auto pending = std::move(asyncNotify_);
  asyncNotify_.clear();
  for (TNotifyUI& msg : pending) SendNotify(msg, false);
}

// ------------------------------------------------------------------ timers

bool CPaintManagerUI::StartTimer(const void* owner, UINT id, UINT elapse, std::function<void()> fire) {
  Scheduler* scheduler = GetScheduler();
  if (!scheduler || !owner) return false;
  uint64_t generation;
  Scheduler::TimerId old = 0;
  const TimerKey key{owner, id};
  {
    std::lock_guard lock(timerMutex_);
    TimerEntry& e = timers_[key];
    old = e.scheduled;
    generation = ++timerGeneration_;
    e.generation = generation;
    e.scheduled = 0;
  }
  if (old) scheduler->cancel(old);
  auto task = [this, key, generation, fire = std::move(fire)] {
    {
      std::lock_guard lock(timerMutex_);
      auto it = timers_.find(key);
      if (it == timers_.end() || it->second.generation != generation) return;
    }
    fire();
  };
  const Scheduler::TimerId scheduled = scheduler->scheduleEvery(Millis(std::max<UINT>(elapse, 1)), std::move(task));
  bool keep = false;
  {
    std::lock_guard lock(timerMutex_);
    auto it = timers_.find(key);
    if (it != timers_.end() && it->second.generation == generation) {
      it->second.scheduled = scheduled;
      keep = true;
    }
  }
  if (!keep) scheduler->cancel(scheduled);
  return true;
}

bool CPaintManagerUI::StopTimer(const void* owner, UINT id) {
  Scheduler::TimerId scheduled = 0;
  {
    std::lock_guard lock(timerMutex_);
    auto it = timers_.find({owner, id});
    if (it == timers_.end()) return false;
    scheduled = it->second.scheduled;
    timers_.erase(it);
  }
  if (scheduled)
    if (Scheduler* s = GetScheduler()) s->cancel(scheduled);
  return true;
}

bool CPaintManagerUI::SetTimer(CControlUI* control, UINT id, UINT elapse) {
  return StartTimer(control, id, elapse, [control, id] {
    TEventUI event;
    event.Type = UIEvent::Timer;
    event.pSender = control;
    event.wParam = id;
    control->DoEvent(event);
  });
}

bool CPaintManagerUI::KillTimer(CControlUI* control, UINT id) { return StopTimer(control, id); }

void CPaintManagerUI::KillTimer(CControlUI* control) {
  std::vector<Scheduler::TimerId> cancel;
  {
    std::lock_guard lock(timerMutex_);
    for (auto it = timers_.begin(); it != timers_.end();) {
      if (it->first.first == control) {
        if (it->second.scheduled) cancel.push_back(it->second.scheduled);
        it = timers_.erase(it);
      } else {
        ++it;
      }
    }
  }
  if (Scheduler* s = GetScheduler())
    for (auto id : cancel) s->cancel(id);
}

bool CPaintManagerUI::HasTimer(CControlUI* control, UINT id) const {
  std::lock_guard lock(timerMutex_);
  return timers_.count({control, id}) != 0;
}

void CPaintManagerUI::RemoveAllTimers() {
  std::vector<Scheduler::TimerId> cancel;
  {
    std::lock_guard lock(timerMutex_);
    for (auto& [key, e] : timers_)
      if (e.scheduled) cancel.push_back(e.scheduled);
    timers_.clear();
  }
  if (Scheduler* s = GetScheduler())
    for (auto id : cancel) s->cancel(id);
}

bool CPaintManagerUI::SetWindowTimer(UINT id, UINT elapse, std::function<void()> fire) {
  return StartTimer(this, id, elapse, std::move(fire));
}

bool CPaintManagerUI::KillWindowTimer(UINT id) { return StopTimer(this, id); }

void CPaintManagerUI::ReapControl(CControlUI* control) {
  KillTimer(control);
  asyncNotify_.erase(std::remove_if(asyncNotify_.begin(), asyncNotify_.end(),
                                    [control](const TNotifyUI& m) { return m.pSender == control; }),
                     asyncNotify_.end());
  if (root_ == control) root_ = nullptr;
}

// ------------------------------------------------------------------ groups

void CPaintManagerUI::AddOptionGroup(const QString& group, COptionUI* option) {
  auto& list = groups_[group];
  if (std::find(list.begin(), list.end(), option) == list.end()) list.push_back(option);
}

void CPaintManagerUI::RemoveOptionGroup(const QString& group, COptionUI* option) {
  auto it = groups_.find(group);
  if (it == groups_.end()) return;
  auto& list = it->second;
  list.erase(std::remove(list.begin(), list.end(), option), list.end());
  if (list.empty()) groups_.erase(it);
}

std::vector<COptionUI*> CPaintManagerUI::GetOptionGroup(const QString& group) const {
  auto it = groups_.find(group);
  return it == groups_.end() ? std::vector<COptionUI*>{} : it->second;
}

// ------------------------------------------------------------------ DPI and fonts

int CPaintManagerUI::Scale(int value) const {
  if (dpi_ == 96) return value;
  return static_cast<int>(value * static_cast<long long>(dpi_) / 96);
}

void CPaintManagerUI::SetDPI(int dpi) {
  dpi = std::clamp(dpi, 48, 192);
  if (dpi == dpi_) return;
  const int old = dpi_;
  dpi_ = dpi;
  ResetDPIAssets();
  if (QWidget* window = GetPaintWindow()) {
    if (!window->isMaximized()) window->resize(window->width() * dpi / old, window->height() * dpi / old);
  }
  if (root_) root_->ApplyDpi();
}

void CPaintManagerUI::ResetDPIAssets() { ImageCache::instance().clear(); }

void CPaintManagerUI::AddFont(int id, const QString& family, int size, bool bold, bool underline, bool italic) {
  fonts_[id] = FontInfo{family, size, bold, underline, italic};
}

void CPaintManagerUI::SetDefaultFont(const QString& family, int size, bool bold, bool underline, bool italic) {
  AddFont(-1, family, size, bold, underline, italic);
}

void CPaintManagerUI::RemoveAllFonts() {
  fonts_.clear();
}

bool CPaintManagerUI::HasFont(int id) const { return fonts_.count(id) != 0; }

QFont CPaintManagerUI::GetFont(int id) const {
  auto it = fonts_.find(id);
  if (it == fonts_.end()) it = fonts_.find(-1);
  QFont font;
  if (it == fonts_.end()) {
    font.setPixelSize(std::max(1, Scale(12)));
    return font;
  }
  const FontInfo& f = it->second;
  if (!f.family.isEmpty()) font.setFamilies(f.family.split(',', Qt::SkipEmptyParts));
  font.setPixelSize(std::max(1, Scale(f.size)));
  font.setBold(f.bold);
  font.setUnderline(f.underline);
  font.setItalic(f.italic);
  return font;
}

bool CPaintManagerUI::OnCaptionPress(const QPoint& globalPos) {
  QWidget* window = GetPaintWindow();
  if (!window || caption_.isEmpty()) return false;
  const QPoint p = window->mapFromGlobal(globalPos);
  const QRect r = window->rect();
  const int top = Scale(caption_.y());
  const int bottom = Scale(caption_.y() + caption_.height());
  if (p.y() < top || p.y() >= bottom || !r.contains(p)) return false;
  if (QWindow* handle = window->windowHandle()) return handle->startSystemMove();
  return false;
}

void PostQuitMessage(int code) {
  QMetaObject::invokeMethod(
      qApp, [code] { QCoreApplication::exit(code); }, Qt::QueuedConnection);
}

}  // namespace tessel::ui
