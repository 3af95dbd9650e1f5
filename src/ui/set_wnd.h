#pragma once
// The settings window: language list, start at login, and the update check
// with its list of CUpdateInfoListItemUI rows. The check runs on its own
// thread once per opening; closing the window cancels the running request
// (the HTTP client wakes at once) and joins the thread before the window goes.
#include <QString>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "services/http_client.h"
#include "services/update_check.h"
#include "services/update_list.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {

class CUpdateInfoListItemUI;

struct SetWndOptions {
  // Installed firmware of the device tiles in order (0: no device there).
  std::vector<uint16_t> firmwareVersions;
  std::string appVersion;
  std::string server;  // empty: no update server, no request
  std::string caFile;
  std::filesystem::path updateTimeFile;
  CalendarDate today;
  int languageIndex = -1;
  std::filesystem::path languageConfig;  // "Language.config"
  std::string autostartProgram = "tessel-rgb";
};

class CSetWnd : public WindowImplBase {
 public:
  // Messages from the check thread.
  static constexpr UINT kMsgRowChanged = WM_USER + 301;
  static constexpr UINT kMsgCheckDone = WM_USER + 302;
  static constexpr int kCompactWidth = 630;
  static constexpr int kCompactHeight = 500;

  CSetWnd(CWindowWnd* owner, SetWndOptions options);
  ~CSetWnd() override;

  // The options of the program's own window: server from "--server" or the
  // settings file, "updatetime.config" in the user data folder, today's date.
  static SetWndOptions ProgramOptions(int languageIndex, std::vector<uint16_t> firmwareVersions);
  // "--server URL" of the program's command line (empty: the settings file decides).
  static void SetServerOverride(const std::string& server);
  // Opens the one settings window (centred over `owner`), or brings it forward.
  static CSetWnd* Open(CWindowWnd* owner, SetWndOptions options);
  static CSetWnd* Current();

  QString GetWindowClassName() const override { return QStringLiteral("SetWnd"); }
  QString GetSkinFile() override { return QStringLiteral("XML_SET"); }
  void InitWindow() override;
  void Notify(TNotifyUI& msg) override;
  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

  UpdateWindowState GetWindowState() const { return state_; }
  const UpdateList& GetUpdateList() const { return list_; }
  CUpdateInfoListItemUI* GetRowControl(size_t i) const;
  bool IsCheckRunning() const { return checkThread_.joinable() && !checkDone_; }
  // Cancels the request and joins the check thread.
  void StopThreads();

 protected:
  void OnFinalMessage(QWidget*) override;

 private:
  void FillLanguages();
  void StartCheck();
  void ShowState(UpdateWindowState state);
  void ShowRow(size_t i);
  void TakeRows();
  void FinishCheck();

  CWindowWnd* owner_;
  SetWndOptions options_;
  bool heapOwned_ = false;
  UpdateWindowState state_ = UpdateWindowState::Checking;
  UpdateList list_;
  std::vector<CUpdateInfoListItemUI*> rows_;
  std::string lastCheckDate_;
  bool noServer_ = false;
  bool badAnswer_ = false;  // a server was reached but did not answer properly
  bool checkDone_ = false;

  HttpClient client_;
  std::thread checkThread_;
  std::mutex mutex_;  // guards the hand-over below
  std::vector<std::pair<size_t, UpdateResult>> pendingRows_;
  UpdateCheckOutcome outcome_;
};

}  // namespace tessel::ui
