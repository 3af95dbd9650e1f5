#include "ui/device/write_status.h"

#include "ui/toolkit/paint_manager.h"

namespace tessel::ui {

namespace {

constexpr DWORD kGood = 0xFF5FD38Au;
constexpr DWORD kBad = 0xFFFF7A7Au;
constexpr DWORD kPending = 0xFFFFB020u;

}  // namespace

WriteOutcome WriteOutcomeOf(ResultCode result, bool connected) {
  if (result == ResultCode::Success) return WriteOutcome::Sent;
  return connected ? WriteOutcome::Failed : WriteOutcome::Offline;
}

void ClearWriteStatus(CControlUI* label) {
  if (!label) return;
  if (CPaintManagerUI* pm = label->GetManager()) pm->KillTimer(label, kWriteStatusTimer);
  label->SetText(QString());
  label->SetToolTip(QString());
}

void ShowWriteStatus(CControlUI* label, WriteOutcome outcome) {
  if (!label) return;
  ClearWriteStatus(label);
  const char* key = "write_status_sent";
  DWORD colour = kGood;
  switch (outcome) {
    case WriteOutcome::Sent: break;
    case WriteOutcome::Failed: key = "write_status_failed", colour = kBad; break;
    case WriteOutcome::Offline: key = "write_status_offline", colour = kBad; break;
    case WriteOutcome::Unsaved: key = "write_status_unsaved", colour = kPending; break;
    case WriteOutcome::Saved: key = "write_status_saved"; break;
  }
  // Kept as a text key: a language switch redoes the line.
  const QString text = QStringLiteral("%[") + QLatin1String(key) + QLatin1Char(']');
  label->SetTextColor(colour);
  label->SetText(text);
  label->SetToolTip(text);  // the line may be narrow; the whole text on hover
  // A pending edit stays until it is saved or reverted; a result goes away
  // (the label's timer reaches its owner's Notify: HandleWriteStatusTimer).
  if (outcome == WriteOutcome::Unsaved) return;
  if (CPaintManagerUI* pm = label->GetManager()) pm->SetTimer(label, kWriteStatusTimer, kWriteStatusMs);
}

bool HandleWriteStatusTimer(const TNotifyUI& msg) {
  if (msg.sType != notify::kTimer || msg.wParam != kWriteStatusTimer || !msg.pSender) return false;
  ClearWriteStatus(msg.pSender);
  return true;
}

}  // namespace tessel::ui
