#include "ui/about_wnd.h"

#include "services/app_settings.h"
#include "ui/main_wnd.h"
#include "ui/popup_window.h"
#include "ui/skin_wnd.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {

namespace {
CAboutWnd* g_open = nullptr;
}

CAboutWnd::CAboutWnd(std::string version) : version_(std::move(version)) {}

CAboutWnd::~CAboutWnd() {
  if (g_open == this) g_open = nullptr;
  RemoveSkinReceiver(this);
}

CAboutWnd* CAboutWnd::Current() { return g_open; }

CAboutWnd* CAboutWnd::Open(CWindowWnd* owner) {
  if (g_open) {
    g_open->ShowWindow(true);
    return g_open;
  }
  auto* wnd = new CAboutWnd(std::string(applicationVersion()));
  wnd->heapOwned_ = true;
  return ShowPopupWindow(wnd, owner);
}

void CAboutWnd::OnFinalMessage(QWidget*) {
  if (g_open == this) g_open = nullptr;
  if (heapOwned_) delete this;
}

void CAboutWnd::InitWindow() {
  g_open = this;
  AddSkinReceiver(this, [this](const SkinChange& c) { ApplySkinToRoot(m_pm.GetRoot(), c); });
  ShowVersion();
}

void CAboutWnd::ShowVersion() {
  // The same version text as the update list's application row.
  if (CControlUI* label = m_pm.FindControl(QStringLiteral("software_ver_label")))
    label->SetText(CResourceManager::GetInstance()->GetText(QStringLiteral("software_rev_text")) + QStringLiteral("V") +
                   QString::fromStdString(version_));
}

void CAboutWnd::Notify(TNotifyUI& msg) {
  if (msg.sType == notify::kClick && msg.pSender && msg.pSender->GetName() == QLatin1String("closebtn")) Close(0);
}

LRESULT CAboutWnd::HandleCustomMessage(UINT msg, WPARAM, LPARAM, bool& bHandled) {
  bHandled = msg == kMsgLanguageChanged;
  if (bHandled) ShowVersion();
  return 0;
}

}  // namespace tessel::ui
