// The suspend handling against a stand-in for logind on a private bus: the
// delay inhibitor is taken at start, held while the suspend handling runs,
// released right after it, and taken again after resume.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>
#include <QDBusVirtualObject>
#include <QProcess>
#include <QStandardPaths>
#include <poll.h>
#include <unistd.h>

#include "qt_env.h"
#include "ui/power_watcher.h"

namespace tessel::ui {
namespace {

using test::SpinUntil;

// Answers Inhibit with the write end of a pipe and keeps the read end: the
// inhibitor is held while any copy of the write end is open.
class FakeLogin1 : public QDBusVirtualObject {
 public:
  ~FakeLogin1() override {
    for (int fd : readEnds) ::close(fd);
  }
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != QLatin1String("Inhibit")) return false;
    QStringList args;
    for (const QVariant& a : message.arguments()) args << a.toString();
    requests.push_back(args);
    int fds[2];
    if (::pipe(fds) != 0) return false;
    readEnds.push_back(fds[0]);
    QDBusUnixFileDescriptor writeEnd(fds[1]);  // takes a copy
    ::close(fds[1]);
    connection.send(message.createReply(QVariant::fromValue(writeEnd)));
    return true;
  }
  // The newest inhibitor is still held by someone.
  bool Held() const {
    if (readEnds.empty()) return false;
    pollfd p{readEnds.back(), POLLIN, 0};
    return ::poll(&p, 1, 0) == 0;  // no hang-up, no data
  }
  std::vector<QStringList> requests;
  std::vector<int> readEnds;
};

class PowerWatcherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::EnsureQtApp();
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
    bus_.start(daemon, {"--session", "--nofork", "--print-address"});
    ASSERT_TRUE(bus_.waitForStarted(5000));
    QByteArray address;
    ASSERT_TRUE(SpinUntil([&] {
      bus_.waitForReadyRead(10);
      address += bus_.readAllStandardOutput();
      return address.contains('\n');
    }));
    address_ = QString::fromUtf8(address.trimmed());
    QDBusConnection service = QDBusConnection::connectToBus(address_, "fake-login1");
    ASSERT_TRUE(service.isConnected());
    ASSERT_TRUE(service.registerVirtualObject("/org/freedesktop/login1", &login1_));
    ASSERT_TRUE(service.registerService("org.freedesktop.login1"));
  }
  void TearDown() override {
    QDBusConnection::disconnectFromBus("fake-login1");
    QDBusConnection::disconnectFromBus("watcher");
    if (bus_.state() != QProcess::NotRunning) {
      bus_.kill();
      bus_.waitForFinished(5000);
    }
  }
  void EmitPrepareForSleep(bool start) {
    QDBusMessage signal = QDBusMessage::createSignal("/org/freedesktop/login1", "org.freedesktop.login1.Manager",
                                                     "PrepareForSleep");
    signal << start;
    QDBusConnection(QStringLiteral("fake-login1")).send(signal);
  }

  QProcess bus_;
  QString address_;
  FakeLogin1 login1_;
};

TEST_F(PowerWatcherTest, TheDelayInhibitorIsHeldUntilTheSuspendHandlingHasRun) {
  std::vector<std::pair<bool, bool>> handled;  // (suspending, inhibitor held meanwhile)
  PowerWatcher watcher([&](bool suspending) { handled.emplace_back(suspending, login1_.Held()); },
                       QDBusConnection::connectToBus(address_, "watcher"));
  ASSERT_TRUE(watcher.IsListening());
  ASSERT_TRUE(SpinUntil([&] { return watcher.HoldsInhibitor(); }));
  ASSERT_EQ(login1_.requests.size(), 1u);
  EXPECT_EQ(login1_.requests[0][0], "sleep");
  EXPECT_EQ(login1_.requests[0][3], "delay");
  EXPECT_TRUE(login1_.Held());

  EmitPrepareForSleep(true);
  ASSERT_TRUE(SpinUntil([&] { return !handled.empty(); }));
  EXPECT_EQ(handled[0], std::make_pair(true, true)) << "the machine may not sleep before the handling ran";
  EXPECT_FALSE(watcher.HoldsInhibitor());
  EXPECT_TRUE(SpinUntil([&] { return !login1_.Held(); })) << "released after the handling";

  EmitPrepareForSleep(false);
  ASSERT_TRUE(SpinUntil([&] { return handled.size() == 2 && watcher.HoldsInhibitor(); }));
  EXPECT_FALSE(handled[1].first);
  EXPECT_EQ(login1_.requests.size(), 2u);
  EXPECT_TRUE(login1_.Held());
}

TEST_F(PowerWatcherTest, WithoutLogindTheProgramRunsWithoutAnInhibitor) {
  QDBusConnection(QStringLiteral("fake-login1")).unregisterService("org.freedesktop.login1");
  int calls = 0;
  PowerWatcher watcher([&](bool) { ++calls; }, QDBusConnection::connectToBus(address_, "watcher"));
  for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_FALSE(watcher.HoldsInhibitor());
  EXPECT_EQ(calls, 0);
}

}  // namespace
}  // namespace tessel::ui
