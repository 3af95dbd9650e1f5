#pragma once
// The settings, skin and about windows open the same way: a centred tool
// window over the main window, deleted by its final message.
#include <QString>

#include "ui/toolkit/window.h"

namespace tessel::ui {

// Creates and shows `wnd` over `owner`; a window that cannot be created is
// deleted and null is returned.
template <typename Wnd>
Wnd* ShowPopupWindow(Wnd* wnd, CWindowWnd* owner) {
  if (!wnd->Create(owner, QStringLiteral("Tessel RGB"), WS_POPUP | WS_CLIPCHILDREN, WS_EX_TOOLWINDOW)) {
    delete wnd;
    return nullptr;
  }
  wnd->CenterWindow();
  wnd->ShowWindow(true);
  return wnd;
}

}  // namespace tessel::ui
