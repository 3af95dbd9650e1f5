#pragma once
// The program's message box: title, text, confirm (and cancel) buttons.
#include "ui/toolkit/window.h"

namespace tessel::ui {

class CMsgWnd : public WindowImplBase {
 public:
  // Button modes.
  static constexpr int kConfirmOnly = 0;
  static constexpr int kConfirmCancel = 1;

  // Shows the box modally over `parent` (may be null) and returns 1 when the
  // user confirmed, 0 otherwise. Title and text may be language text keys
  // ("message_text_5"); a key the language files know shows its text, any
  // other string shows as it is. `textFlag` is handed to the text control as
  // its text style (DT_* flags; 0 keeps the skin's). `dpi` must be one of 48,
  // 72, 96, 120, 144, 168, 192 (others: debug line "MSG_WND DPI SET ERROR" and
  // 96). Mode 0 shows only "confirm_btn"; every other mode shows "confirm_btn"
  // and "cancel_btn".
  static int ShowMessage(CWindowWnd* parent, const QString& title, const QString& text, int dpi, unsigned textFlag,
                         int buttonMode);

  CMsgWnd(const QString& title, const QString& text, int dpi, unsigned textFlag, int buttonMode);
  QString GetWindowClassName() const override { return QStringLiteral("MsgWnd"); }
  QString GetSkinFile() override { return QStringLiteral("XML_MSG"); }
  void InitWindow() override;
  void Notify(TNotifyUI& msg) override;
  LRESULT HandleCustomMessage(UINT msg, WPARAM wParam, LPARAM lParam, bool& bHandled) override;

  // The DPI the box uses for `dpi`.
  static int CheckDpi(int dpi);

 private:
  QString title_, text_;
  int dpi_;
  unsigned textFlag_;
  int mode_;
};

}  // namespace tessel::ui
