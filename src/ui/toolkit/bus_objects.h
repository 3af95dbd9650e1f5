#pragma once
// Qt objects behind the D-Bus mapping (internal to the toolkit).
#include <QByteArray>
#include <QObject>
#include <QString>

namespace tessel::ui {

class CWindowWnd;

// The object a reachable window exports at /org/orvik/TesselRGB/window.
class WindowBusObject : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.orvik.TesselRGB.Window")

 public:
  explicit WindowBusObject(CWindowWnd* window) : window_(window) {}

 public Q_SLOTS:
  // A registered message by name, posted to the window.
  void Post(const QString& message, qulonglong wParam, qlonglong lParam);
  // WM_COPYDATA, run synchronously; returns the handler's result.
  qlonglong CopyData(qulonglong sender, qulonglong dwData, const QByteArray& data);

 Q_SIGNALS:
  void Broadcast(const QString& message, qulonglong wParam, qlonglong lParam);

 private:
  CWindowWnd* window_;
};

// Receives the Broadcast signal for the whole process.
class BroadcastReceiver : public QObject {
  Q_OBJECT
 public Q_SLOTS:
  void onBroadcast(const QString& message, qulonglong wParam, qlonglong lParam);
};

}  // namespace tessel::ui
