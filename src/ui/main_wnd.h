#pragma once
// The main window: frame, caption buttons, tray icon and menu, the instance
// message. Device pages, tiles and their messages are added by the shell.
#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "ui/toolkit/tray.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {

class CMainWnd : public WindowImplBase, public IQueryControlText {
 public:
  static constexpr int kTrayIconId = 107;
  static constexpr UINT kTimerTrayMenu = 1032;

  CMainWnd();
  ~CMainWnd() override;

  QString GetWindowClassName() const override { return QStringLiteral("MainWnd"); }
  QString GetSkinFile() override { return QStringLiteral("XML_MAIN"); }
  void InitWindow() override;
  void Notify(TNotifyUI& msg) override;
  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;
  QString QueryControlText(const QString& id, const QString& type) override;

  // The builder callback: custom tags (compared ignoring case) to new objects
  // or to nested skin files built with this window as callback.
  CControlUI* CreateControl(const QString& tag) override;

  // One row of the tag table: a creator, or the skin file the tag is built from.
  struct TagEntry {
    const char* tag;
    std::function<CControlUI*()> create;  // empty while the class does not exist yet
    const char* builtFrom;                // nullptr for created tags
  };
  static const std::vector<TagEntry>& TagTable();

  void BringToFront();
  // The tray's left click: hide when shown, show when hidden or minimised.
  void ToggleFromTray();
  void ShowTrayMenu();
  CTrayIcon& GetTrayIcon() { return tray_; }
  // The caption controls looked up at start-up (nullptr when the skin lacks one).
  CControlUI* GetCaptionControl(const QString& name) const;

 private:
  CTrayIcon tray_;
  std::vector<std::pair<QString, CControlUI*>> caption_;
  bool exiting_ = false;
};

// The process-wide main window that worker threads post to (null outside
// the window's lifetime).
CMainWnd* MainWindow();

}  // namespace tessel::ui
