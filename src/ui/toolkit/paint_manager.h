#pragma once
// The paint manager of one window: its control tree, notifications, option
// groups, per-control timers, DPI and fonts. Process-wide settings (instance
// and resource paths, the default scheduler) are static.
#include <QFont>
#include <QObject>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "core/clock.h"
#include "ui/toolkit/defs.h"

class QWidget;

namespace tessel::ui {

class CControlUI;
class COptionUI;
class CWindowWnd;

class CPaintManagerUI {
 public:
  CPaintManagerUI();
  ~CPaintManagerUI();
  CPaintManagerUI(const CPaintManagerUI&) = delete;
  CPaintManagerUI& operator=(const CPaintManagerUI&) = delete;

  // ---- process-wide
  // The installation folder (holds skin/, Font/, DefaultData/); ends with '/'.
  static void SetInstancePath(const QString& path);
  static QString GetInstancePath();
  // The skin folder; ends with '/'.
  static void SetResourcePath(const QString& path);
  static QString GetResourcePath();
  // 1: resources are plain files (the only kind supported).
  static void SetResourceType(int type) { resourceType_ = type; }
  static int GetResourceType() { return resourceType_; }
  // An absolute path stays; a relative one is taken below the resource path.
  static QString ResolvePath(const QString& relative);
  // The scheduler timers run on when a manager has none of its own: the
  // program sets a QtScheduler, tests a ManualClock. Not owned.
  static void SetDefaultScheduler(Scheduler* scheduler);
  static Scheduler* GetDefaultScheduler();
  // Runs the event loop until PostQuitMessage; returns its code.
  static int MessageLoop();
  static void SetAllDPI(int dpi);
  static std::vector<CPaintManagerUI*> GetAllManagers();

  // ---- this window
  void Init(CWindowWnd* window);
  CWindowWnd* GetWindow() const { return window_; }
  QWidget* GetPaintWindow() const;
  void SetScheduler(Scheduler* scheduler) { scheduler_ = scheduler; }
  Scheduler* GetScheduler() const;

  // The root control; the manager owns it from here on.
  bool AttachDialog(CControlUI* root);
  CControlUI* GetRoot() const { return root_; }
  // Depth-first, first match, case-sensitive names.
  CControlUI* FindControl(const QString& name) const;
  CControlUI* FindSubControlByName(CControlUI* parent, const QString& name) const;
  CControlUI* FindControl(const QPoint& windowPoint) const;

  // Notifications go to every notifier in order.
  void AddNotifier(INotifyUI* notifier);
  void RemoveNotifier(INotifyUI* notifier);
  void SendNotify(TNotifyUI& msg, bool async = false);
  void SendNotify(CControlUI* control, const QString& type, WPARAM wParam = 0, LPARAM lParam = 0,
                  bool async = false);

  // Repeating per-control timer: every `elapse` ms the control's DoEvent sees a
  // UIEvent::Timer with wParam = id until KillTimer. Setting an id again
  // restarts it. Safe from any thread; the timer runs where the scheduler runs
  // its tasks (the UI thread in the program).
  bool SetTimer(CControlUI* control, UINT id, UINT elapse);
  bool KillTimer(CControlUI* control, UINT id);
  void KillTimer(CControlUI* control);
  bool HasTimer(CControlUI* control, UINT id) const;
  void RemoveAllTimers();
  // Timers of the window itself (WM_TIMER with wParam = id).
  bool SetWindowTimer(UINT id, UINT elapse, std::function<void()> fire);
  bool KillWindowTimer(UINT id);

  // Option groups.
  void AddOptionGroup(const QString& group, COptionUI* option);
  void RemoveOptionGroup(const QString& group, COptionUI* option);
  std::vector<COptionUI*> GetOptionGroup(const QString& group) const;

  // DPI 48 to 192 (others are clamped); sizes in the skin are 96-DPI units.
  int GetDPI() const { return dpi_; }
  double GetScale() const { return dpi_ / 96.0; }
  int Scale(int value) const;
  void SetDPI(int dpi);
  void ResetDPIAssets();

  // Fonts: id -1 is the default font. Sizes are pixel heights at 96 DPI.
  void AddFont(int id, const QString& family, int size, bool bold = false, bool underline = false,
               bool italic = false);
  void SetDefaultFont(const QString& family, int size, bool bold = false, bool underline = false,
                      bool italic = false);
  void RemoveAllFonts();
  QFont GetFont(int id) const;
  bool HasFont(int id) const;

  // Window description from the skin's <Window> element.
  QSize GetInitSize() const { return initSize_; }
  void SetInitSize(const QSize& size) { initSize_ = size; }
  // The draggable strip at the top (y and height are used), 96-DPI units.
  QRect GetCaptionRect() const { return caption_; }
  void SetCaptionRect(const QRect& rc) { caption_ = rc; }
  // A press on a non-interactive control inside the caption drags the window.
  bool OnCaptionPress(const QPoint& globalPos);

  // Called by a control being destroyed.
  void ReapControl(CControlUI* control);

 private:
  struct TimerEntry {
    uint64_t generation = 0;
    Scheduler::TimerId scheduled = 0;
  };
  using TimerKey = std::pair<const void*, UINT>;
  bool StartTimer(const void* owner, UINT id, UINT elapse, std::function<void()> fire);
  bool StopTimer(const void* owner, UINT id);
  void FlushAsyncNotify();

  CWindowWnd* window_ = nullptr;
  Scheduler* scheduler_ = nullptr;
  CControlUI* root_ = nullptr;
  std::vector<INotifyUI*> notifiers_;
  std::vector<TNotifyUI> asyncNotify_;
  std::unique_ptr<QObject> context_;
  mutable std::mutex timerMutex_;
  std::map<TimerKey, TimerEntry> timers_;
  uint64_t timerGeneration_ = 0;
  std::map<QString, std::vector<COptionUI*>> groups_;
  int dpi_ = 96;
  struct FontInfo {
    QString family;
    int size = 12;
    bool bold = false, underline = false, italic = false;
  };
  std::map<int, FontInfo> fonts_;
  QSize initSize_;
  QRect caption_;

  static inline int resourceType_ = 1;
};

// Ends the message loop with `code` once control returns to it.
void PostQuitMessage(int code);

}  // namespace tessel::ui
