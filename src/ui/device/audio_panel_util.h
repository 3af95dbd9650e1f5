#pragma once
// Small helpers the headset's two audio panels share.
#include <QString>

#include "ui/toolkit/controls.h"

namespace tessel::ui::audio_panel {

// N of "<prefix>N" (N >= 0), else -1.
inline int IndexAfter(const QString& name, QLatin1String prefix) {
  if (!name.startsWith(prefix) || name.size() == prefix.size()) return -1;
  bool ok = false;
  const int n = name.mid(prefix.size()).toInt(&ok);
  return ok && n >= 0 ? n : -1;
}

// A control and everything inside it, so a group also looks unavailable.
inline void EnableAll(CControlUI* root, bool on) {
  if (!root) return;
  root->FindControl([on](CControlUI* c) {
    c->SetEnabled(on);
    return false;
  });
}

// The one line saying why a group is unavailable (hidden when it is not).
inline void ShowWhy(CControlUI* text, const std::string& why) {
  if (!text) return;
  text->SetText(QString::fromStdString(why));
  text->SetVisible(!why.empty());
  text->SetEnabled(true);
}

}  // namespace tessel::ui::audio_panel
