#include "ui/power_watcher.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include "platform/debug.h"
#include "ui/main_wnd.h"

namespace tessel::ui {
namespace {
const QString kLogin1 = QStringLiteral("org.freedesktop.login1");
const QString kLogin1Path = QStringLiteral("/org/freedesktop/login1");
const QString kManager = QStringLiteral("org.freedesktop.login1.Manager");
}  // namespace

PowerWatcher::PowerWatcher(CWindowWnd* window)
    : PowerWatcher(
          [window](bool suspending) {
            // The suspend handling runs to its end before the inhibitor goes.
            if (suspending) window->SendMessage(WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
            else window->PostMessage(WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
          },
          QDBusConnection::systemBus()) {}

PowerWatcher::PowerWatcher(std::function<void(bool)> handle, QDBusConnection bus)
    : handle_(std::move(handle)), bus_(std::move(bus)) {
  if (!bus_.isConnected()) {
    debugLine("no system bus: suspend and resume are not followed");
    return;
  }
  listening_ = bus_.connect(kLogin1, kLogin1Path, kManager, QStringLiteral("PrepareForSleep"), this,
                            SLOT(prepareForSleep(bool)));
  if (listening_) TakeInhibitor();
}

void PowerWatcher::TakeInhibitor() {
  if (asking_ || inhibitor_.isValid()) return;
  QDBusMessage call = QDBusMessage::createMethodCall(kLogin1, kLogin1Path, kManager, QStringLiteral("Inhibit"));
  call << QStringLiteral("sleep") << QStringLiteral("Tessel RGB")
       << QStringLiteral("Saving the devices' state before sleep") << QStringLiteral("delay");
  call.setAutoStartService(false);
  // Asked without waiting: a slow logind never holds up the window.
  asking_ = true;
  auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call), this);
  connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    w->deleteLater();
    asking_ = false;
    QDBusPendingReply<QDBusUnixFileDescriptor> reply = *w;
    if (reply.isError() || !reply.value().isValid()) {
      debugPrintf("no sleep inhibitor: %s", reply.error().message().toUtf8().constData());
      return;
    }
    inhibitor_ = reply.value();
  });
}

void PowerWatcher::ReleaseInhibitor() {
  // Closing our copy of the descriptor ends the inhibitor.
  inhibitor_ = QDBusUnixFileDescriptor();
}

void PowerWatcher::prepareForSleep(bool start) {
  if (start) {
    handle_(true);
    ReleaseInhibitor();
  } else {
    handle_(false);
    TakeInhibitor();
  }
}

}  // namespace tessel::ui
