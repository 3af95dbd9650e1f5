#pragma once
// The companion on the session bus: owns the bus name of the window titled
// "ORVIK Tessel RGBAUDIORECORD", exports Post and CopyData at the window path,
// applies the main window's commands and sends each captured block to the main
// window ("Tessel RGB") as CopyData dwData 1 without waiting for a reply.
#include <QByteArray>
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <memory>

#include "tools/tessel_audio/capture_thread.h"
#include "tools/tessel_audio/default_output_watch.h"
#include "tools/tessel_audio/companion_state.h"
#include "tools/tessel_audio/sound_blocks.h"

class QDBusServiceWatcher;

namespace tessel::audio_companion {

class Companion;

// The object at /org/orvik/TesselRGB/window.
class CompanionWindow : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.orvik.TesselRGB.Window")

 public:
  explicit CompanionWindow(Companion* companion) : companion_(companion) {}

 public Q_SLOTS:
  void Post(const QString& message, qulonglong wParam, qlonglong lParam);
  qlonglong CopyData(qulonglong sender, qulonglong dwData, const QByteArray& data);

 Q_SIGNALS:
  void Broadcast(const QString& message, qulonglong wParam, qlonglong lParam);

 private:
  Companion* companion_;
};

class Companion : public QObject {
  Q_OBJECT

 public:
  explicit Companion(QDBusConnection bus);
  ~Companion() override;

  // Exports the object and takes the bus name; false with the reason.
  bool takeName(QString& error);
  void startStandalone();

  void command(quint64 command, qint64 lParam);
  qlonglong copyData(quint64 dwData, const QByteArray& data);

  // The program's exit code once it should end (-1 while running).
  int exitCode() const { return exitCode_; }

 Q_SIGNALS:
  void finished(int exitCode);

 private Q_SLOTS:
  void drainBlocks();
  void mainWindowGone();
  void captureFailed(const QString& reason);
  void defaultOutputChanged();

 private:
  void apply(const Actions& actions);
  void openCapture();
  void closeCapture();
  void finish(int code);

  QDBusConnection bus_;
  QString ownName_;
  QString mainName_;
  CompanionState state_;
  BlockQueue queue_{32};
  SilenceGate gate_;  // the capture thread's alone while it runs
  std::unique_ptr<CaptureThread> capture_;
  CompanionWindow window_{this};
  QDBusServiceWatcher* watcher_ = nullptr;
  quint64 sent_ = 0;
  int exitCode_ = -1;
  // Last: it goes first, so no change is announced to a companion half gone.
  std::unique_ptr<DefaultOutputWatch> outputWatch_;
};

}  // namespace tessel::audio_companion
