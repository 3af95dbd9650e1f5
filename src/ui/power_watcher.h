#pragma once
// Suspend and resume: logind's PrepareForSleep signal on the system bus
// becomes WM_POWERBROADCAST for the main window (PBT_APMSUSPEND before sleep,
// PBT_APMRESUMEAUTOMATIC after). Without a system bus nothing is heard.
//
// While running the program holds a logind delay inhibitor (Inhibit "sleep"
// ... "delay"), so that the machine waits for the suspend handler: the
// handler runs to its end, then the inhibitor is released and the machine
// sleeps; after resume a new one is taken.
#include <QDBusConnection>
#include <QDBusUnixFileDescriptor>
#include <QObject>
#include <functional>

namespace tessel::ui {

class CWindowWnd;

class PowerWatcher : public QObject {
  Q_OBJECT
 public:
  // On the system bus, for `window`.
  explicit PowerWatcher(CWindowWnd* window);
  // `handle(suspending)` runs the suspend (true, before the inhibitor goes)
  // or resume (false) handling; `bus` is the bus logind is on.
  PowerWatcher(std::function<void(bool suspending)> handle, QDBusConnection bus);
  bool IsListening() const { return listening_; }
  // A delay inhibitor is held now.
  bool HoldsInhibitor() const { return inhibitor_.isValid(); }

 public Q_SLOTS:
  void prepareForSleep(bool start);

 private:
  void TakeInhibitor();
  void ReleaseInhibitor();

  std::function<void(bool)> handle_;
  QDBusConnection bus_;
  bool listening_ = false;
  bool asking_ = false;  // an Inhibit call is on its way
  QDBusUnixFileDescriptor inhibitor_;
};

}  // namespace tessel::ui
