#pragma once
// Windows of the toolkit layer: CWindowWnd (a top-level Qt widget with a
// message handler, SendMessage/PostMessage, window timers, modal loop) and
// WindowImplBase (a window built from a skin file with its paint manager).
#include <QObject>
#include <QString>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "ui/toolkit/controls.h"
#include "ui/toolkit/defs.h"
#include "ui/toolkit/paint_manager.h"

class QWidget;
class QEventLoop;

namespace tessel::ui {

// Window styles understood by Create (others are accepted and ignored).
inline constexpr UINT WS_POPUP = 0x80000000u;
inline constexpr UINT WS_VISIBLE = 0x10000000u;
inline constexpr UINT WS_CLIPSIBLINGS = 0x04000000u;
inline constexpr UINT WS_CLIPCHILDREN = 0x02000000u;
inline constexpr UINT WS_CAPTION = 0x00C00000u;
inline constexpr UINT WS_SYSMENU = 0x00080000u;
inline constexpr UINT WS_MINIMIZEBOX = 0x00020000u;
inline constexpr UINT WS_EX_TOOLWINDOW = 0x00000080u;
inline constexpr UINT WS_EX_TOPMOST = 0x00000008u;

// One id per name within the process, from 0xC000 on; the same name always
// gets the same id. Thread-safe.
UINT RegisterWindowMessage(const QString& name);
// The id of a name registered before, or 0.
UINT FindRegisteredMessage(const QString& name);
// The name of a registered id, or empty.
QString GetRegisteredMessageName(UINT id);

class CWindowWnd {
 public:
  CWindowWnd();
  virtual ~CWindowWnd();
  CWindowWnd(const CWindowWnd&) = delete;
  CWindowWnd& operator=(const CWindowWnd&) = delete;

  // The top-level widget (null before Create and after the window is destroyed).
  QWidget* GetHWND() const;
  bool IsDestroyed() const { return destroyed_; }
  virtual QString GetWindowClassName() const = 0;

  // Creates the window; cx or cy 0 takes the size the skin asks for.
  // WS_VISIBLE shows it at once; WS_EX_TOOLWINDOW makes a tool window owned
  // by the parent.
  bool Create(CWindowWnd* parent, const QString& title, UINT style, UINT exStyle, int x = 0,
              int y = 0, int cx = 0, int cy = 0);
  QString GetTitle() const { return title_; }
  void ShowWindow(bool show = true, bool takeFocus = true);
  bool IsWindowVisible() const;
  bool IsMinimized() const;
  // Shows the window modally; returns the value given to Close.
  UINT ShowModal();
  // Closes the window (posted): WM_CLOSE with wParam = ret; unless a handler
  // takes WM_CLOSE, the window is destroyed (WM_DESTROY, OnFinalMessage).
  void Close(UINT ret = 1);
  // Destroys the window now.
  void DestroyWindow();
  void CenterWindow();
  void ResizeClient(int cx, int cy);
  void SetIcon(const QString& imagePath);

  // Runs the handler synchronously. On the UI thread it is a direct call; from
  // another thread the caller waits until the UI thread has run it. It returns
  // 0 at once when the window is gone or going (its destruction releases
  // waiting senders), so a worker never hangs on a closed window.
  LRESULT SendMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  // Queues the message for the UI thread; false when the window is gone.
  // Safe from any thread.
  bool PostMessage(UINT msg, WPARAM wParam = 0, LPARAM lParam = 0);
  // Posts WM_MENUCLICK with wParam pointing at `cmd`, which lives until the
  // handler returns.
  bool PostMenuCommand(std::unique_ptr<MenuCmd> cmd);
  // Releases threads waiting in SendMessage (they get 0) and refuses new ones.
  void CancelPendingSends();

  // Registered messages from other programs (the bus's Post, broadcasts).
  // The ids named here are coalesced: while the window has not acted yet,
  // a newer post of an id replaces the older one, and the window acts on
  // them at most once per kCoalescePacingMs (the first post of a quiet spell
  // at once), so a flood costs the UI thread a few handler runs instead of
  // one per post. Other ids are posted as by PostMessage. Safe from any thread.
  static constexpr UINT kCoalescePacingMs = 200;
  void SetCoalescedMessages(std::vector<UINT> ids);
  bool PostFromOutside(UINT msg, WPARAM wParam, LPARAM lParam);
  struct CoalescedCounts {
    uint64_t received = 0;  // posts of coalesced ids
    uint64_t handled = 0;   // of them, the ones the window acted on
  };
  CoalescedCounts GetCoalescedCounts() const;

  // Window timers: WM_TIMER with wParam = id every `elapse` ms until KillTimer.
  bool SetTimer(UINT id, UINT elapse);
  bool KillTimer(UINT id);

  // Makes the window reachable by other processes under its title (see
  // docs/dbus.md). False without a session bus or when the name is taken.
  bool ExportToBus();
  bool IsExportedToBus() const { return exported_; }

  // Every live window of the process (UI thread).
  static std::vector<CWindowWnd*> GetAllWindows();

  virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

 protected:
  friend class WindowWidget;
  // After the widget exists (the WM_CREATE of the desktop this mirrors).
  virtual void OnCreate() {}
  // After WM_DESTROY, when the widget is about to go.
  virtual void OnFinalMessage(QWidget*) {}
  virtual CPaintManagerUI* GetPaintManager() { return nullptr; }
  void RunPendingSends();
  void RunCoalescedPosts();
  void EndCoalescePacing();

  QWidget* widget_ = nullptr;
  std::unique_ptr<QObject> context_;
  QString title_;
  CWindowWnd* parent_ = nullptr;
  QEventLoop* modalLoop_ = nullptr;
  UINT modalResult_ = 0;
  bool destroyed_ = false;
  bool exported_ = false;

  struct PendingSend {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;
    bool done = false;
  };
  std::mutex sendMutex_;
  std::condition_variable sendDone_;
  std::deque<std::shared_ptr<PendingSend>> pending_;
  bool refuseSends_ = false;

  struct CoalescedPost {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
  };
  mutable std::mutex coalesceMutex_;
  std::vector<UINT> coalescedIds_;
  std::vector<CoalescedPost> coalesced_;  // the latest post per id, in order of first arrival
  bool coalesceQueued_ = false;           // a run is queued on the UI thread
  bool coalescePacing_ = false;           // the window acted less than the pacing ago
  CoalescedCounts coalescedCounts_;
};

// A window built from a skin file.
class WindowImplBase : public CWindowWnd,
                       public INotifyUI,
                       public IMessageFilterUI,
                       public IDialogBuilderCallback {
 public:
  WindowImplBase() = default;
  ~WindowImplBase() override;

  // Resource id or file of the skin ("XML_MAIN").
  virtual QString GetSkinFile() = 0;
  // Called once the skin is built and attached.
  virtual void InitWindow() {}
  void Notify(TNotifyUI&) override {}
  // Sees every message first; set bHandled to stop it there.
  LRESULT MessageHandler(UINT, WPARAM, LPARAM, bool& bHandled) override {
    bHandled = false;
    return 0;
  }
  // Every message MessageHandler left: registered and user messages,
  // WM_TIMER, WM_COPYDATA, WM_CLOSE (handle it to keep the window), WM_DESTROY.
  virtual LRESULT HandleCustomMessage(UINT, WPARAM, LPARAM, bool& bHandled) {
    bHandled = false;
    return 0;
  }
  CControlUI* CreateControl(const QString&) override { return nullptr; }

  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  CPaintManagerUI& GetManager() { return m_pm; }

 protected:
  void OnCreate() override;
  CPaintManagerUI* GetPaintManager() override { return &m_pm; }

  CPaintManagerUI m_pm;
};

}  // namespace tessel::ui
