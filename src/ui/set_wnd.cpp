#include "ui/set_wnd.h"

#include <QWidget>
#include <filesystem>

#include "core/thread_name.h"
#include "platform/data_folders.h"
#include "platform/json_access.h"
#include "platform/json_file.h"
#include "platform/settings_store.h"
#include "services/app_settings.h"
#include "services/autostart.h"
#include "ui/main_wnd.h"
#include "ui/popup_window.h"
#include "ui/skin_wnd.h"
#include "ui/toolkit/resource_manager.h"
#include "ui/update_info_item.h"

namespace tessel::ui {

namespace {

CSetWnd* g_open = nullptr;
std::string& serverOverride() {
  static std::string s;
  return s;
}

QString key(std::string_view k) { return QStringLiteral("%[") + QString::fromLatin1(k.data(), int(k.size())) + "]"; }

std::string programPath() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  return ec ? std::string("tessel-rgb") : exe.string();
}

}  // namespace

CSetWnd::CSetWnd(CWindowWnd* owner, SetWndOptions options) : owner_(owner), options_(std::move(options)) {}

CSetWnd::~CSetWnd() {
  StopThreads();
  if (g_open == this) g_open = nullptr;
  RemoveSkinReceiver(this);
}

void CSetWnd::SetServerOverride(const std::string& server) { serverOverride() = server; }

SetWndOptions CSetWnd::ProgramOptions(int languageIndex, std::vector<uint16_t> firmwareVersions) {
  SetWndOptions o;
  SettingsStore store;
  o.firmwareVersions = std::move(firmwareVersions);
  o.appVersion = std::string(applicationVersion());
  o.server = serverOverride().empty() ? configuredUpdateServer(store) : serverOverride();
  o.caFile = configuredUpdateServerCa(store);
  o.updateTimeFile = userDataFolder() / std::string(kUpdateTimeFileName);
  o.today = todayLocal();
  o.languageIndex = languageIndex;
  if (auto folder = defaultDataFolder()) o.languageConfig = *folder / "Language.config";
  o.autostartProgram = programPath();
  return o;
}

CSetWnd* CSetWnd::Current() { return g_open; }

CSetWnd* CSetWnd::Open(CWindowWnd* owner, SetWndOptions options) {
  if (g_open) {
    g_open->ShowWindow(true);
    return g_open;
  }
  auto* wnd = new CSetWnd(owner, std::move(options));
  wnd->heapOwned_ = true;
  return ShowPopupWindow(wnd, owner);
}

void CSetWnd::OnFinalMessage(QWidget*) {
  if (g_open == this) g_open = nullptr;
  if (heapOwned_) delete this;
}

void CSetWnd::InitWindow() {
  g_open = this;
  AddSkinReceiver(this, [this](const SkinChange& c) { ApplySkinToRoot(m_pm.GetRoot(), c); });
  FillLanguages();
  if (auto* check = dynamic_cast<CCheckBoxUI*>(m_pm.FindControl(QStringLiteral("autostart_check"))))
    check->SetCheck(autostartEnabled(), false);
  lastCheckDate_ = readLastCheckDate(options_.updateTimeFile);
  StartCheck();
}

void CSetWnd::FillLanguages() {
  auto* combo = dynamic_cast<CComboUI*>(m_pm.FindControl(QStringLiteral("Language_combox_info")));
  if (!combo) return;
  combo->RemoveAllItems();
  const Json::Value config = options_.languageConfig.empty() ? Json::Value() : readJsonFile(options_.languageConfig);
  const Json::Value& list = json::member(config, "Language");
  for (unsigned i = 0; i < json::size(list); ++i) {
    const Json::Value& e = json::element(list, i);
    std::string text = json::getString(e, "Language_text", "");
    if (text.empty()) text = json::getString(e, "Language_name", "");
    combo->AddItem(QString::fromStdString(text));
  }
  if (options_.languageIndex >= 0 && options_.languageIndex < combo->GetItemCount())
    combo->SelectItem(options_.languageIndex, false);
}

// ------------------------------------------------------------ update check

void CSetWnd::StartCheck() {
  ShowState(UpdateWindowState::Checking);
  if (auto* text = m_pm.FindControl(QStringLiteral("update_server_text"))) {
    text->SetText(options_.server.empty()
                      ? key("no_update_server_text")
                      : CResourceManager::GetInstance()->GetText(QStringLiteral("update_server_label")) +
                            QStringLiteral(" ") + QString::fromStdString(options_.server));
  }
  const std::vector<UpdateEntry> entries = buildUpdateEntries(options_.firmwareVersions, options_.appVersion);
  // The rows are there at once; the thread fills them in.
  for (size_t i = 0; i < entries.size(); ++i) {
    list_.setRow(i, initialUpdateRow(entries[i]));
    ShowRow(i);
  }
  UpdateCheckConfig config;
  config.serverBase = options_.server;
  config.updateTimeFile = options_.updateTimeFile;
  config.today = options_.today;
  client_.settings().caFile = options_.caFile;
  checkDone_ = false;
  checkThread_ = std::thread([this, entries, config] {
    nameThisThread("update check");
    UpdateCheckOutcome out = runUpdateCheck(entries, config, client_, [this](size_t i, const UpdateResult& r) {
      {
        std::lock_guard<std::mutex> lock(mutex_);
        pendingRows_.emplace_back(i, r);
      }
      PostMessage(kMsgRowChanged);
    });
    {
      std::lock_guard<std::mutex> lock(mutex_);
      outcome_ = std::move(out);
    }
    PostMessage(kMsgCheckDone);
  });
}

void CSetWnd::StopThreads() {
  if (!checkThread_.joinable()) return;
  client_.cancel();
  checkThread_.join();
}

void CSetWnd::TakeRows() {
  std::vector<std::pair<size_t, UpdateResult>> rows;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    rows.swap(pendingRows_);
  }
  for (const auto& [i, r] : rows) {
    list_.setRow(i, r);
    ShowRow(i);
  }
}

void CSetWnd::ShowRow(size_t i) {
  auto* container = dynamic_cast<CContainerUI*>(m_pm.FindControl(QStringLiteral("update_info_list")));
  if (!container || i >= list_.rows().size()) return;
  while (rows_.size() <= i) {
    auto* row = new CUpdateInfoListItemUI;
    container->Add(row);
    rows_.push_back(row);
  }
  rows_[i]->SetRow(list_.rows()[i]);
}

void CSetWnd::FinishCheck() {
  TakeRows();
  UpdateCheckOutcome out;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    out = outcome_;
  }
  checkDone_ = true;
  if (checkThread_.joinable()) checkThread_.join();
  if (out.cancelled) return;
  list_.finishCheck();
  for (size_t i = 0; i < rows_.size(); ++i) ShowRow(i);
  noServer_ = out.noServer;
  badAnswer_ = out.improper > 0;
  lastCheckDate_ = out.lastCheckDate;
  if (auto* b = m_pm.FindControl(QStringLiteral("update_fw_and_ap"))) b->SetEnabled(list_.anySelected());
  ShowState(out.state);
}

CUpdateInfoListItemUI* CSetWnd::GetRowControl(size_t i) const { return i < rows_.size() ? rows_[i] : nullptr; }

void CSetWnd::ShowState(UpdateWindowState state) {
  state_ = state;
  static constexpr std::string_view kKeys[] = {"GetUpdateInfoText", "HaveUpdateInfoText", "NoUpdateInfoText",
                                               "ISUpdateINGText", "UpdateIsLastText"};
  if (auto* ring = m_pm.FindControl(QStringLiteral("update_status_ring")))
    ring->SetVisible(state == UpdateWindowState::Checking);
  auto* text = m_pm.FindControl(QStringLiteral("Update_Status_text"));
  if (!text) return;
  // Without a server nothing was asked: the line says so rather than that
  // a server could not be reached.
  // A server that answered with an error page, a body of the wrong shape or
  // too slowly was reached: the line says it did not answer properly.
  const std::string_view k = state == UpdateWindowState::NoConnection && noServer_   ? "no_update_server_state"
                             : state == UpdateWindowState::NoConnection && badAnswer_ ? "update_bad_answer_state"
                                                                                      : kKeys[static_cast<int>(state)];
  if (state == UpdateWindowState::UpToDate)
    text->SetText(CResourceManager::GetInstance()->GetText(QString::fromLatin1(k.data(), int(k.size()))) +
                  QStringLiteral(" ") + QString::fromStdString(lastCheckDate_));
  else
    text->SetText(key(k));
}

// ------------------------------------------------------------ notifications

void CSetWnd::Notify(TNotifyUI& msg) {
  if (!msg.pSender) return;
  const QString name = msg.pSender->GetName();
  if (msg.sType == notify::kClick) {
    if (name == QLatin1String("closebtn")) {
      StopThreads();
      Close(0);
    } else if (name == QLatin1String("set_in_update_wnd_btn")) {
      if (auto* tip = m_pm.FindControl(QStringLiteral("update_tishi_layout"))) tip->SetVisible(false);
      ResizeClient(kCompactWidth, kCompactHeight);
    } else if (name == QLatin1String("update_fw_and_ap")) {
      if (auto* tab = dynamic_cast<CTabLayoutUI*>(m_pm.FindControl(QStringLiteral("get_update_tab_layout"))))
        tab->SelectItem(1);
    } else if (name == QLatin1String("update_OK_btn")) {
      list_.confirm();
      for (size_t i = 0; i < rows_.size(); ++i) ShowRow(i);
      if (auto* b = m_pm.FindControl(QStringLiteral("update_fw_and_ap"))) b->SetEnabled(false);
      if (auto* tab = dynamic_cast<CTabLayoutUI*>(m_pm.FindControl(QStringLiteral("get_update_tab_layout"))))
        tab->SelectItem(0);
    }
    // "homepage_btn" has nothing to open.
    return;
  }
  if (msg.sType == notify::kSelectChanged) {
    if (name == QLatin1String("check_name_select")) {
      for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i]->GetCheck() != msg.pSender) continue;
        const bool any = list_.setSelected(i, rows_[i]->GetCheck()->GetCheck());
        if (rows_[i]->GetCheck()->GetCheck() != list_.rows()[i].selected)
          rows_[i]->GetCheck()->SetCheck(list_.rows()[i].selected, false);
        if (auto* b = m_pm.FindControl(QStringLiteral("update_fw_and_ap"))) b->SetEnabled(any);
      }
    } else if (name == QLatin1String("autostart_check")) {
      auto* check = static_cast<CCheckBoxUI*>(msg.pSender);
      if (!setAutostart(check->GetCheck(), options_.autostartProgram)) check->SetCheck(autostartEnabled(), false);
    }
    return;
  }
  if (msg.sType == notify::kItemSelect && name == QLatin1String("Language_combox_info")) {
    options_.languageIndex = static_cast<int>(msg.wParam);
    if (owner_) owner_->SendMessage(kMsgLanguageChanged, msg.wParam, 0);
  }
}

LRESULT CSetWnd::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM, bool& bHandled) {
  bHandled = true;
  switch (msg) {
    case kMsgRowChanged:
      TakeRows();
      return 0;
    case kMsgCheckDone:
      FinishCheck();
      return 0;
    case kMsgLanguageChanged:
      // The main window applied a language: follow it in the list and redo the
      // state line, whose date is not a text key.
      if (auto* combo = dynamic_cast<CComboUI*>(m_pm.FindControl(QStringLiteral("Language_combox_info"))))
        combo->SelectItem(static_cast<int>(wParam), false);
      ShowState(state_);
      return 0;
    case WM_CLOSE:
      StopThreads();
      bHandled = false;
      return 0;
    default:
      bHandled = false;
      return 0;
  }
}

}  // namespace tessel::ui
