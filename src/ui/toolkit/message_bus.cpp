#include "ui/toolkit/message_bus.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <cerrno>
#include <map>

#include "platform/bus_name.h"
#include "platform/debug.h"
#include "ui/toolkit/bus_objects.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {

namespace {

struct ExportedWindow {
  QString connectionName;
  QString busName;
  WindowBusObject* object = nullptr;
  // The bus object's calls run here, never on the UI thread: a flood of
  // posts only fills the window's coalesced posts, and a copy-data call
  // waits for the window without holding the posts up behind the UI thread.
  QThread* thread = nullptr;
};

// Registration, unregistration and the object's end happen on its own
// thread, where the connection hangs its helpers on it.
bool RegisterOnBusThread(const QString& connectionName, WindowBusObject* object) {
  bool ok = false;
  QMetaObject::invokeMethod(
      object,
      [&] {
        ok = QDBusConnection(connectionName)
                 .registerObject(QString::fromLatin1(kBusWindowPath), object,
                                 QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals);
      },
      Qt::BlockingQueuedConnection);
  return ok;
}

void EndOnBusThread(const QString& connectionName, WindowBusObject* object, QThread* thread) {
  QMetaObject::invokeMethod(
      object,
      [&] {
        QDBusConnection(connectionName).unregisterObject(QString::fromLatin1(kBusWindowPath));
        delete object;
      },
      Qt::BlockingQueuedConnection);
  thread->quit();
  thread->wait();
  delete thread;
}
std::map<CWindowWnd*, ExportedWindow> g_exported;  // UI thread only
BroadcastReceiver* g_receiver = nullptr;

CWindowWnd* LocalWindowByTitle(const QString& title) {
  for (CWindowWnd* w : CWindowWnd::GetAllWindows())
    if (w->GetHWND() && w->GetTitle() == title) return w;
  return nullptr;
}

}  // namespace

// ------------------------------------------------------------------ bus objects

void WindowBusObject::Post(const QString& message, qulonglong wParam, qlonglong lParam) {
  // Only names this process registered mean anything to its windows; others
  // are dropped instead of growing the registry for every name a peer sends.
  const UINT id = FindRegisteredMessage(message);
  if (id) window_->PostFromOutside(id, wParam, lParam);
}

qlonglong WindowBusObject::CopyData(qulonglong sender, qulonglong dwData, const QByteArray& data) {
  COPYDATASTRUCT cds;
  cds.dwData = dwData;
  cds.cbData = static_cast<uint32_t>(data.size());
  cds.lpData = data.constData();
  return window_->SendMessage(WM_COPYDATA, sender, reinterpret_cast<LPARAM>(&cds));
}

void BroadcastReceiver::onBroadcast(const QString& message, qulonglong wParam, qlonglong lParam) {
  CMessageBus::Instance().DeliverBroadcast(message, wParam, lParam);
}

// ------------------------------------------------------------------ CMessageBus

CMessageBus& CMessageBus::Instance() {
  static CMessageBus bus;
  return bus;
}

bool CMessageBus::Connect() {
  if (tried_) return connected_;
  tried_ = true;
  QDBusConnection bus = QDBusConnection::sessionBus();
  connected_ = bus.isConnected();
  if (!connected_) {
    debugLine("no D-Bus session bus: registered messages stay inside this process, "
              "single instance by lock file in $XDG_RUNTIME_DIR");
    return false;
  }
  g_receiver = new BroadcastReceiver;
  bus.connect(QString(), QString::fromLatin1(kBusWindowPath), QString::fromLatin1(kBusWindowInterface),
              QStringLiteral("Broadcast"), g_receiver, SLOT(onBroadcast(QString, qulonglong, qlonglong)));
  return true;
}

QString CMessageBus::BusNameForTitle(const QString& title) {
  return QString::fromStdString(busNameForTitle(title.toStdString()));
}

bool CMessageBus::ExportWindow(CWindowWnd* window) {
  if (!window || !Connect()) return false;
  if (g_exported.count(window)) return true;
  const QString busName = BusNameForTitle(window->GetTitle());
  if (busName.isEmpty()) return false;
  const QString connectionName = QStringLiteral("tessel-window-%1").arg(++nextConnection_);
  QDBusConnection connection = QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName);
  if (!connection.isConnected()) return false;
  auto* thread = new QThread;
  thread->setObjectName(QStringLiteral("window bus"));
  thread->start();
  auto* object = new WindowBusObject(window);
  object->moveToThread(thread);
  bool ok = RegisterOnBusThread(connectionName, object);
  if (ok) {
    QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = connection.interface()->registerService(
        busName, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    ok = reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered;
  }
  if (!ok) {
    debugPrintf("window bus name %s not taken", busName.toUtf8().constData());
    EndOnBusThread(connectionName, object, thread);
    QDBusConnection::disconnectFromBus(connectionName);
    return false;
  }
  g_exported[window] = ExportedWindow{connectionName, busName, object, thread};
  return true;
}

void CMessageBus::UnexportWindow(CWindowWnd* window) {
  auto it = g_exported.find(window);
  if (it == g_exported.end()) return;
  ExportedWindow e = it->second;
  g_exported.erase(it);
  QDBusConnection(e.connectionName).interface()->unregisterService(e.busName);
  // A call still running there ends first (a copy-data call waiting for the
  // window was released when the window cancelled its pending sends).
  EndOnBusThread(e.connectionName, e.object, e.thread);
  QDBusConnection::disconnectFromBus(e.connectionName);
}

bool CMessageBus::Broadcast(UINT registeredMessage, WPARAM wParam, LPARAM lParam) {
  const QString name = GetRegisteredMessageName(registeredMessage);
  if (name.isEmpty()) return false;
  if (!Connect()) {
    DeliverBroadcast(name, wParam, lParam);
    return true;
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kBusWindowPath),
                                                   QString::fromLatin1(kBusWindowInterface),
                                                   QStringLiteral("Broadcast"));
  signal << name << qulonglong(wParam) << qlonglong(lParam);
  if (!bus.send(signal)) return false;
  // A round trip to the bus: the signal has left before this returns, so a
  // process that exits right after broadcasting does not lose it.
  bus.call(QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                                          QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
  return true;
}

void CMessageBus::DeliverBroadcast(const QString& name, WPARAM wParam, LPARAM lParam) {
  const UINT id = FindRegisteredMessage(name);
  if (!id) return;
  for (CWindowWnd* w : CWindowWnd::GetAllWindows())
    if (w->GetHWND()) w->PostFromOutside(id, wParam, lParam);
}

bool CMessageBus::FindWindow(const QString& title) {
  if (!Connect()) return LocalWindowByTitle(title) != nullptr;
  const QString busName = BusNameForTitle(title);
  if (busName.isEmpty()) return false;
  QDBusReply<bool> reply = QDBusConnection::sessionBus().interface()->isServiceRegistered(busName);
  return reply.isValid() && reply.value();
}

bool CMessageBus::PostToWindow(const QString& title, UINT registeredMessage, WPARAM wParam, LPARAM lParam) {
  const QString name = GetRegisteredMessageName(registeredMessage);
  if (name.isEmpty()) return false;
  if (!Connect()) {
    CWindowWnd* w = LocalWindowByTitle(title);
    return w && w->PostMessage(registeredMessage, wParam, lParam);
  }
  const QString busName = BusNameForTitle(title);
  if (busName.isEmpty()) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(busName, QString::fromLatin1(kBusWindowPath),
                                                     QString::fromLatin1(kBusWindowInterface), QStringLiteral("Post"));
  call << name << qulonglong(wParam) << qlonglong(lParam);
  call.setAutoStartService(false);
  return QDBusConnection::sessionBus().send(call);
}

std::optional<LRESULT> CMessageBus::CopyDataToWindow(const QString& title, uint64_t sender, uint64_t dwData,
                                                     const QByteArray& data) {
  if (!Connect()) {
    CWindowWnd* w = LocalWindowByTitle(title);
    if (!w) return std::nullopt;
    COPYDATASTRUCT cds;
    cds.dwData = dwData;
    cds.cbData = static_cast<uint32_t>(data.size());
    cds.lpData = data.constData();
    return w->SendMessage(WM_COPYDATA, sender, reinterpret_cast<LPARAM>(&cds));
  }
  const QString busName = BusNameForTitle(title);
  if (busName.isEmpty()) return std::nullopt;
  QDBusMessage call = QDBusMessage::createMethodCall(busName, QString::fromLatin1(kBusWindowPath),
                                                     QString::fromLatin1(kBusWindowInterface), QStringLiteral("CopyData"));
  call << qulonglong(sender) << qulonglong(dwData) << data;
  call.setAutoStartService(false);
  QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return std::nullopt;
  return reply.arguments().first().toLongLong();
}

// ------------------------------------------------------------------ SingleInstance

SingleInstance::~SingleInstance() { Release(); }

SingleInstance::Result SingleInstance::Acquire() {
  if (CMessageBus::Instance().Connect()) {
    QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        QDBusConnection::sessionBus().interface()->registerService(QString::fromLatin1(kBusServicePrefix),
                                                                   QDBusConnectionInterface::DontQueueService,
                                                                   QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered) {
      ownsName_ = true;
      return Result::First;
    }
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceNotRegistered)
      return Result::AlreadyRunning;
    return Result::First;  // the bus refused for another reason: run anyway
  }
  QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (folder.isEmpty() || !QDir::isAbsolutePath(folder) || !QFileInfo(folder).isDir()) {
    lockFile_ = QStringLiteral("/tmp/%1-%2.lock").arg(QString::fromLatin1(kBusServicePrefix)).arg(getuid());
  } else {
    lockFile_ = folder + QStringLiteral("/%1.lock").arg(QString::fromLatin1(kBusServicePrefix));
  }
  lockFd_ = ::open(lockFile_.toLocal8Bit().constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (lockFd_ < 0) return Result::First;  // cannot lock: counts as the first instance
  if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    const bool busy = errno == EWOULDBLOCK;
    ::close(lockFd_);
    lockFd_ = -1;
    return busy ? Result::AlreadyRunning : Result::First;
  }
  return Result::First;
}

void SingleInstance::Release() {
  if (ownsName_) {
    QDBusConnection::sessionBus().interface()->unregisterService(QString::fromLatin1(kBusServicePrefix));
    ownsName_ = false;
  }
  if (lockFd_ >= 0) {
    ::flock(lockFd_, LOCK_UN);
    ::close(lockFd_);
    lockFd_ = -1;
  }
}

}  // namespace tessel::ui
