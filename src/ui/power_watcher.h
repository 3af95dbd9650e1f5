#pragma once
// Suspend and resume: logind's PrepareForSleep signal on the system bus
// becomes WM_POWERBROADCAST for the main window (PBT_APMSUSPEND before sleep,
// PBT_APMRESUMEAUTOMATIC after). Without a system bus nothing is heard.
#include <QObject>

namespace tessel::ui {

class CWindowWnd;

class PowerWatcher : public QObject {
  Q_OBJECT
 public:
  explicit PowerWatcher(CWindowWnd* window);
  bool IsListening() const { return listening_; }

 public Q_SLOTS:
  void prepareForSleep(bool start);

 private:
  CWindowWnd* window_;
  bool listening_ = false;
};

}  // namespace tessel::ui
