#include "ui/msg_wnd.h"

#include <array>

#include "platform/debug.h"
#include "ui/toolkit/resource_manager.h"

namespace tessel::ui {

namespace {
QString TextOrKey(const QString& text) {
  auto* rm = CResourceManager::GetInstance();
  return rm->HasText(text) ? QStringLiteral("%[") + text + QStringLiteral("]") : text;
}
}  // namespace

int CMsgWnd::CheckDpi(int dpi) {
  static constexpr std::array<int, 7> kValid = {48, 72, 96, 120, 144, 168, 192};
  for (int v : kValid)
    if (v == dpi) return dpi;
  debugLine("MSG_WND DPI SET ERROR");
  return 96;
}

CMsgWnd::CMsgWnd(const QString& title, const QString& text, int dpi, unsigned textFlag, int buttonMode)
    : title_(title), text_(text), dpi_(CheckDpi(dpi)), textFlag_(textFlag), mode_(buttonMode) {}

int CMsgWnd::ShowMessage(CWindowWnd* parent, const QString& title, const QString& text, int dpi, unsigned textFlag,
                         int buttonMode) {
  CMsgWnd box(title, text, dpi, textFlag, buttonMode);
  if (!box.Create(parent, QStringLiteral("msgwnd"), WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW)) return 0;
  box.CenterWindow();
  return box.ShowModal() == 1 ? 1 : 0;
}

void CMsgWnd::InitWindow() {
  m_pm.SetDPI(dpi_);
  if (!title_.isEmpty())
    if (CControlUI* c = m_pm.FindControl(QStringLiteral("MessageTitle"))) c->SetText(TextOrKey(title_));
  if (!text_.isEmpty()) {
    if (CControlUI* c = m_pm.FindControl(QStringLiteral("MessageText"))) {
      if (textFlag_) c->SetTextStyle(textFlag_);
      c->SetText(TextOrKey(text_));
    }
  }
  if (CControlUI* cancel = m_pm.FindControl(QStringLiteral("cancel_btn"))) cancel->SetVisible(mode_ != kConfirmOnly);
  if (CControlUI* confirm = m_pm.FindControl(QStringLiteral("confirm_btn"))) confirm->SetVisible(true);
}

void CMsgWnd::Notify(TNotifyUI& msg) {
  if (msg.sType != notify::kClick || !msg.pSender) return;
  const QString name = msg.pSender->GetName();
  if (name == QLatin1String("confirm_btn")) Close(1);
  else if (name == QLatin1String("cancel_btn") || name == QLatin1String("closebtn")) Close(0);
}

LRESULT CMsgWnd::HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& bHandled) {
  bHandled = false;
  if (msg == WM_DPICHANGED) {
    m_pm.SetDPI(static_cast<int>(wParam & 0xFFFF));
    CenterWindow();
    bHandled = true;
  }
  (void)lParam;
  return 0;
}

}  // namespace tessel::ui
