#pragma once
// Without a session bus the single instance is a lock file. Beside it the
// first instance listens on a local socket ("<lock file>.sock"); a second
// start connects to it, which asks the first to show its window, and ends.
// A connection carries no data: connecting is the request.
#include <QObject>
#include <QString>
#include <functional>

class QSocketNotifier;

namespace tessel::ui {

class InstanceSocket : public QObject {
 public:
  // `onRaise` runs on the owning thread for every second start.
  explicit InstanceSocket(std::function<void()> onRaise);
  ~InstanceSocket() override;
  InstanceSocket(const InstanceSocket&) = delete;
  InstanceSocket& operator=(const InstanceSocket&) = delete;

  static QString PathFor(const QString& lockFile) { return lockFile + QStringLiteral(".sock"); }

  // Listens at `path`. Call only while holding the lock: a socket file left
  // there by an instance that died is replaced. False when it cannot listen.
  bool Listen(const QString& path);
  bool IsListening() const { return fd_ >= 0; }
  // Stops listening and removes the socket file (before the lock is released,
  // so that it never removes the next instance's socket).
  void Close();
  // Asks the instance listening at `path` to show itself; false when none answers.
  static bool Raise(const QString& path);

 private:
  void Accept();

  std::function<void()> onRaise_;
  QString path_;
  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace tessel::ui
