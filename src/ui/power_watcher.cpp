#include "ui/power_watcher.h"

#include <QDBusConnection>

#include "platform/debug.h"
#include "ui/main_wnd.h"

namespace tessel::ui {

PowerWatcher::PowerWatcher(CWindowWnd* window) : window_(window) {
  QDBusConnection bus = QDBusConnection::systemBus();
  if (!bus.isConnected()) {
    debugLine("no system bus: suspend and resume are not followed");
    return;
  }
  listening_ = bus.connect(QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
                           QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"),
                           this, SLOT(prepareForSleep(bool)));
}

void PowerWatcher::prepareForSleep(bool start) {
  window_->PostMessage(WM_POWERBROADCAST, start ? PBT_APMSUSPEND : PBT_APMRESUMEAUTOMATIC, 0);
}

}  // namespace tessel::ui
