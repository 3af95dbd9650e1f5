#include "ui/toolkit/window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QScreen>
#include <QThread>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <map>

#include "platform/debug.h"
#include "ui/toolkit/builder.h"
#include "ui/toolkit/controls.h"
#include "ui/toolkit/paint_manager.h"
#include "ui/toolkit/message_bus.h"

namespace tessel::ui {

// ------------------------------------------------------------------ registered messages

namespace {
std::mutex g_registryMutex;
std::map<QString, UINT>& NameToId() {
  static std::map<QString, UINT> map;
  return map;
}
std::map<UINT, QString>& IdToName() {
  static std::map<UINT, QString> map;
  return map;
}
std::vector<CWindowWnd*> g_windows;  // UI thread only
}  // namespace

UINT RegisterWindowMessage(const QString& name) {
  if (name.isEmpty()) return 0;
  std::lock_guard lock(g_registryMutex);
  auto& names = NameToId();
  if (auto it = names.find(name); it != names.end()) return it->second;
  const UINT id = kFirstRegisteredMessage + static_cast<UINT>(names.size());
  if (id > 0xFFFF) return 0;  // the registered range is full
  names.emplace(name, id);
  IdToName().emplace(id, name);
  return id;
}

UINT FindRegisteredMessage(const QString& name) {
  std::lock_guard lock(g_registryMutex);
  auto it = NameToId().find(name);
  return it == NameToId().end() ? 0 : it->second;
}

QString GetRegisteredMessageName(UINT id) {
  std::lock_guard lock(g_registryMutex);
  auto it = IdToName().find(id);
  return it == IdToName().end() ? QString() : it->second;
}

// ------------------------------------------------------------------ the widget

class WindowWidget : public QWidget {
 public:
  WindowWidget(CWindowWnd* owner, QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags), owner_(owner) {}
  CWindowWnd* owner_;
  bool destroying_ = false;

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (destroying_ || !owner_) {
      event->accept();
      return;
    }
    // The window system asks to close: WM_CLOSE decides (destroy, or a
    // window that hides instead).
    event->ignore();
    owner_->HandleMessage(WM_CLOSE, 0, 0);
  }
  // Activation, and the pointer entering or leaving the window, reach the
  // owner as WM_ACTIVATE (wParam 1 active, 0 not), WM_MOUSEHOVER and WM_MOUSELEAVE.
  void changeEvent(QEvent* event) override {
    QWidget::changeEvent(event);
    if (owner_ && event->type() == QEvent::ActivationChange)
      owner_->HandleMessage(WM_ACTIVATE, isActiveWindow() ? 1 : 0, 0);
  }
  void enterEvent(QEnterEvent* event) override {
    QWidget::enterEvent(event);
    if (owner_) owner_->HandleMessage(WM_MOUSEHOVER, 0, 0);
  }
  void leaveEvent(QEvent* event) override {
    QWidget::leaveEvent(event);
    if (owner_) owner_->HandleMessage(WM_MOUSELEAVE, 0, 0);
  }
  // Escape closes a window that belongs to another (a dialog, a message, a
  // menu) as its close button would; the main window ignores it.
  void keyPressEvent(QKeyEvent* event) override {
    if (owner_ && event->key() == Qt::Key_Escape && (parentWidget() || windowType() == Qt::Popup)) {
      // The window's own close button knows what closing it involves.
      CPaintManagerUI* pm = owner_->GetPaintManager();
      CControlUI* close = pm ? pm->FindControl(QStringLiteral("closebtn")) : nullptr;
      if (close && close->IsVisible()) close->Activate();
      else owner_->HandleMessage(WM_CLOSE, 0, 0);
      return;
    }
    QWidget::keyPressEvent(event);
  }
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (!owner_) return;
    if (CPaintManagerUI* pm = owner_->GetPaintManager()) {
      if (CControlUI* root = pm->GetRoot()) {
        if (QWidget* w = root->GetWidget()) w->setGeometry(rect());
        pm->SendNotify(root, notify::kWindowSize);
      }
    }
  }
};

// ------------------------------------------------------------------ CWindowWnd

CWindowWnd::CWindowWnd() : context_(std::make_unique<QObject>()) { g_windows.push_back(this); }

CWindowWnd::~CWindowWnd() {
  g_windows.erase(std::remove(g_windows.begin(), g_windows.end(), this), g_windows.end());
  CancelPendingSends();
  if (exported_) CMessageBus::Instance().UnexportWindow(this);
  context_.reset();  // drops queued posts
  if (widget_) {
    auto* w = static_cast<WindowWidget*>(widget_);
    w->owner_ = nullptr;
    w->destroying_ = true;
    delete w;
    widget_ = nullptr;
  }
}

std::vector<CWindowWnd*> CWindowWnd::GetAllWindows() { return g_windows; }

QWidget* CWindowWnd::GetHWND() const { return widget_; }

bool CWindowWnd::Create(CWindowWnd* parent, const QString& title, UINT style, UINT exStyle, int x, int y, int cx,
                        int cy) {
  if (widget_) return false;
  parent_ = parent;
  title_ = title;
  Qt::WindowFlags flags = Qt::Window | Qt::FramelessWindowHint;
  if (exStyle & WS_EX_TOOLWINDOW) flags = Qt::Tool | Qt::FramelessWindowHint;
  if (exStyle & WS_EX_TOPMOST) flags |= Qt::WindowStaysOnTopHint;
  auto* w = new WindowWidget(this, parent ? parent->GetHWND() : nullptr, flags);
  w->setAttribute(Qt::WA_DeleteOnClose, false);
  w->setObjectName(GetWindowClassName());
  w->setWindowTitle(title);
  widget_ = w;
  destroyed_ = false;
  {
    std::lock_guard lock(sendMutex_);
    refuseSends_ = false;
  }
  if (cx > 0 && cy > 0) w->setGeometry(x, y, cx, cy);
  // Display changes: a new resolution or screen is WM_DISPLAYCHANGE, a new
  // scale WM_DPICHANGED (wParam: the new DPI), both posted to the window.
  auto watchScreen = [this, w](QScreen* screen) {
    if (!screen) return;
    QObject::connect(screen, &QScreen::geometryChanged, w, [this] { PostMessage(WM_DISPLAYCHANGE, 0, 0); });
    QObject::connect(screen, &QScreen::logicalDotsPerInchChanged, w, [this](qreal dpi) {
      PostMessage(WM_DPICHANGED, static_cast<WPARAM>(dpi + 0.5), 0);
    });
  };
  for (QScreen* screen : QGuiApplication::screens()) watchScreen(screen);
  QObject::connect(qApp, &QGuiApplication::screenAdded, w, [this, watchScreen](QScreen* screen) {
    watchScreen(screen);
    PostMessage(WM_DISPLAYCHANGE, 0, 0);
  });
  OnCreate();
  if (widget_ && (cx <= 0 || cy <= 0)) {
    QSize size(cx, cy);
    if (CPaintManagerUI* pm = GetPaintManager()) size = pm->GetInitSize() * pm->GetScale();
    if (size.isEmpty()) size = QSize(400, 300);
    widget_->setGeometry(x, y, size.width(), size.height());
  }
  if (widget_ && (style & WS_VISIBLE)) widget_->show();
  return widget_ != nullptr;
}

void CWindowWnd::ShowWindow(bool show, bool takeFocus) {
  if (!widget_) return;
  if (!show) {
    widget_->hide();
    return;
  }
  if (widget_->isMinimized()) widget_->showNormal();
  else widget_->show();
  if (takeFocus) {
    widget_->raise();
    widget_->activateWindow();
  }
}

bool CWindowWnd::IsWindowVisible() const { return widget_ && widget_->isVisible(); }
bool CWindowWnd::IsMinimized() const { return widget_ && widget_->isMinimized(); }

UINT CWindowWnd::ShowModal() {
  if (!widget_) return 0;
  widget_->setWindowModality(Qt::ApplicationModal);
  widget_->show();
  widget_->raise();
  widget_->activateWindow();
  QEventLoop loop;
  modalLoop_ = &loop;
  modalResult_ = 0;
  // The loop may already be over when the window was closed while showing.
  if (!destroyed_) loop.exec(QEventLoop::DialogExec);
  modalLoop_ = nullptr;
  return modalResult_;
}

void CWindowWnd::Close(UINT ret) {
  if (!widget_) return;
  PostMessage(WM_CLOSE, ret, 0);
}

void CWindowWnd::DestroyWindow() {
  if (!widget_ || destroyed_) return;
  destroyed_ = true;
  CancelPendingSends();
  HandleMessage(WM_DESTROY, 0, 0);
  if (exported_) CMessageBus::Instance().UnexportWindow(this);
  if (CPaintManagerUI* pm = GetPaintManager()) pm->RemoveAllTimers();
  QWidget* w = widget_;
  w->hide();
  if (modalLoop_) modalLoop_->exit(0);
  auto* ww = static_cast<WindowWidget*>(w);
  ww->destroying_ = true;
  OnFinalMessage(w);  // may delete this
}

void CWindowWnd::CenterWindow() {
  if (!widget_) return;
  QRect area;
  if (parent_ && parent_->GetHWND() && parent_->GetHWND()->isVisible()) {
    area = parent_->GetHWND()->frameGeometry();
  } else {
    QScreen* screen = widget_->screen() ? widget_->screen() : QGuiApplication::primaryScreen();
    if (screen) area = screen->availableGeometry();
  }
  if (area.isEmpty()) return;
  QRect r = widget_->geometry();
  r.moveCenter(area.center());
  widget_->move(r.topLeft());
}

void CWindowWnd::ResizeClient(int cx, int cy) {
  if (widget_) widget_->resize(cx, cy);
}

void CWindowWnd::SetIcon(const QString& imagePath) {
  if (widget_ && !imagePath.isEmpty()) widget_->setWindowIcon(QIcon(imagePath));
}

LRESULT CWindowWnd::SendMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (QThread::currentThread() == context_->thread()) return HandleMessage(msg, wParam, lParam);
  auto call = std::make_shared<PendingSend>(PendingSend{msg, wParam, lParam});
  {
    std::lock_guard lock(sendMutex_);
    if (refuseSends_ || !widget_) return 0;
    pending_.push_back(call);
    QMetaObject::invokeMethod(context_.get(), [this] { RunPendingSends(); }, Qt::QueuedConnection);
  }
  std::unique_lock lock(sendMutex_);
  sendDone_.wait(lock, [&] { return call->done; });
  return call->result;
}

void CWindowWnd::RunPendingSends() {
  for (;;) {
    std::shared_ptr<PendingSend> call;
    {
      std::lock_guard lock(sendMutex_);
      if (pending_.empty()) return;
      call = pending_.front();
      pending_.pop_front();
    }
    LRESULT result = HandleMessage(call->msg, call->wParam, call->lParam);
    {
      std::lock_guard lock(sendMutex_);
      call->result = result;
      call->done = true;
    }
    sendDone_.notify_all();
  }
}

void CWindowWnd::CancelPendingSends() {
  {
    std::lock_guard lock(sendMutex_);
    refuseSends_ = true;
    for (auto& call : pending_) call->done = true;
    pending_.clear();
  }
  sendDone_.notify_all();
}

bool CWindowWnd::PostMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  std::lock_guard lock(sendMutex_);
  if (refuseSends_ || !context_) return false;
  return QMetaObject::invokeMethod(
      context_.get(),
      [this, msg, wParam, lParam] {
        if (widget_ && !destroyed_) HandleMessage(msg, wParam, lParam);
      },
      Qt::QueuedConnection);
}

namespace {
// The pacing timer of coalesced posts; far from the ids windows give SetTimer.
constexpr UINT kCoalescePacingTimer = 0xC0A1E5CEu;
}  // namespace

void CWindowWnd::SetCoalescedMessages(std::vector<UINT> ids) {
  std::lock_guard lock(coalesceMutex_);
  coalescedIds_ = std::move(ids);
}

CWindowWnd::CoalescedCounts CWindowWnd::GetCoalescedCounts() const {
  std::lock_guard lock(coalesceMutex_);
  return coalescedCounts_;
}

bool CWindowWnd::PostFromOutside(UINT msg, WPARAM wParam, LPARAM lParam) {
  bool coalesced = false;
  {
    std::lock_guard lock(coalesceMutex_);
    coalesced = std::find(coalescedIds_.begin(), coalescedIds_.end(), msg) != coalescedIds_.end();
  }
  if (!coalesced) return PostMessage(msg, wParam, lParam);
  {
    std::lock_guard lock(coalesceMutex_);
    ++coalescedCounts_.received;
    auto it = std::find_if(coalesced_.begin(), coalesced_.end(), [msg](const CoalescedPost& p) { return p.msg == msg; });
    if (it != coalesced_.end()) *it = CoalescedPost{msg, wParam, lParam};
    else coalesced_.push_back(CoalescedPost{msg, wParam, lParam});
    // A queued run or the pacing timer takes it from here.
    if (coalesceQueued_ || coalescePacing_) return true;
    coalesceQueued_ = true;
  }
  std::lock_guard lock(sendMutex_);
  if (refuseSends_ || !context_) return false;
  return QMetaObject::invokeMethod(context_.get(), [this] { RunCoalescedPosts(); }, Qt::QueuedConnection);
}

void CWindowWnd::RunCoalescedPosts() {
  std::vector<CoalescedPost> batch;
  {
    std::lock_guard lock(coalesceMutex_);
    coalesceQueued_ = false;
    batch.swap(coalesced_);
    if (batch.empty()) return;
    coalescedCounts_.handled += batch.size();
    // Without a paint manager there is no timer to pace with: every run is
    // taken as it comes.
    coalescePacing_ = GetPaintManager() != nullptr;
  }
  if (CPaintManagerUI* pm = GetPaintManager())
    pm->SetWindowTimer(kCoalescePacingTimer, kCoalescePacingMs, [this] { EndCoalescePacing(); });
  for (const CoalescedPost& p : batch)
    if (widget_ && !destroyed_) HandleMessage(p.msg, p.wParam, p.lParam);
}

void CWindowWnd::EndCoalescePacing() {
  if (CPaintManagerUI* pm = GetPaintManager()) pm->KillWindowTimer(kCoalescePacingTimer);
  {
    std::lock_guard lock(coalesceMutex_);
    coalescePacing_ = false;
    if (coalesced_.empty()) return;
    coalesceQueued_ = true;  // posts from now on wait for this run
  }
  RunCoalescedPosts();
}

bool CWindowWnd::PostMenuCommand(std::unique_ptr<MenuCmd> cmd) {
  std::shared_ptr<MenuCmd> shared(std::move(cmd));
  std::lock_guard lock(sendMutex_);
  if (refuseSends_ || !context_) return false;
  return QMetaObject::invokeMethod(
      context_.get(),
      [this, shared] {
        if (widget_ && !destroyed_) HandleMessage(WM_MENUCLICK, reinterpret_cast<WPARAM>(shared.get()), 0);
      },
      Qt::QueuedConnection);
}

bool CWindowWnd::SetTimer(UINT id, UINT elapse) {
  CPaintManagerUI* pm = GetPaintManager();
  if (!pm) return false;
  return pm->SetWindowTimer(id, elapse, [this, id] { HandleMessage(WM_TIMER, id, 0); });
}

bool CWindowWnd::KillTimer(UINT id) {
  CPaintManagerUI* pm = GetPaintManager();
  return pm && pm->KillWindowTimer(id);
}

bool CWindowWnd::ExportToBus() {
  if (exported_) return true;
  exported_ = CMessageBus::Instance().ExportWindow(this);
  return exported_;
}

LRESULT CWindowWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM) {
  if (msg == WM_CLOSE) {
    modalResult_ = static_cast<UINT>(wParam);
    DestroyWindow();
  }
  return 0;
}

// ------------------------------------------------------------------ WindowImplBase

WindowImplBase::~WindowImplBase() {
  m_pm.RemoveAllTimers();
  m_pm.RemoveNotifier(this);
}

void WindowImplBase::OnCreate() {
  m_pm.Init(this);
  CDialogBuilder builder;
  CControlUI* root = builder.Create(GetSkinFile(), QString(), this, &m_pm);
  if (!root) {
    debugPrintf("skin %s not built: %s", GetSkinFile().toUtf8().constData(),
                builder.GetLastErrorMessage().toUtf8().constData());
    root = new CVerticalLayoutUI;
    root->SetBkColor(0xFF15171Cu);
  }
  m_pm.AttachDialog(root);
  m_pm.AddNotifier(this);
  InitWindow();
  // "windowinit" arrives once the event loop runs, after Create returned.
  m_pm.SendNotify(root, notify::kWindowInit, 0, 0, true);
}

LRESULT WindowImplBase::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  bool handled = false;
  LRESULT result = MessageHandler(msg, wParam, lParam, handled);
  if (handled) return result;
  result = HandleCustomMessage(msg, wParam, lParam, handled);
  if (handled) return result;
  if (msg == WM_SYSCOMMAND) {
    if (!widget_) return 0;
    if (wParam == SC_MINIMIZE) widget_->showMinimized();
    else if (wParam == SC_MAXIMIZE) widget_->showMaximized();
    else if (wParam == SC_RESTORE) widget_->showNormal();
    return 0;
  }
  return CWindowWnd::HandleMessage(msg, wParam, lParam);
}

}  // namespace tessel::ui
