// The program as a process: its command line, the single instance over a
// private session bus, and the lock file when there is no bus.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

namespace {

QCoreApplication* EnsureApp() {
  static QCoreApplication* app = [] {
    static int argc = 1;
    static char name[] = "app-tests";
    static char* argv[] = {name, nullptr};
    return new QCoreApplication(argc, argv);
  }();
  return app;
}

// Polls `done` with a generous safety bound (not a timing assertion).
template <typename F>
bool WaitFor(F done) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > 5000) return false;
    QThread::msleep(20);
    QCoreApplication::processEvents();
  }
  return true;
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureApp();
    ASSERT_TRUE(dir_.isValid());
    env_ = QProcessEnvironment::systemEnvironment();
    env_.insert("QT_QPA_PLATFORM", "offscreen");
    env_.insert("TESSEL_DEBUG", "1");
    env_.insert("XDG_RUNTIME_DIR", dir_.path());
    env_.insert("XDG_DATA_HOME", dir_.path() + "/data");
    env_.insert("XDG_CONFIG_HOME", dir_.path() + "/config");
    env_.remove("DISPLAY");
  }
  void TearDown() override {
    for (QProcess* p : {&first_, &second_, &bus_}) {
      if (p->state() != QProcess::NotRunning) {
        p->kill();
        p->waitForFinished(5000);
      }
    }
  }
  void Start(QProcess& p, const QStringList& args = {}) {
    p.setProcessEnvironment(env_);
    p.start(QStringLiteral(TESSEL_RGB_EXE), args);
    ASSERT_TRUE(p.waitForStarted(5000));
  }
  // Collects the program's debug lines (stderr) as they come.
  bool WaitForLine(QProcess& p, QString* log, const QString& line) {
    return WaitFor([&] {
      p.waitForReadyRead(10);
      *log += QString::fromUtf8(p.readAllStandardError());
      return log->contains(line);
    });
  }

  QTemporaryDir dir_;
  QProcessEnvironment env_;
  QProcess first_, second_, bus_;
};

TEST_F(ProgramTest, AnswersVersionAndHelp) {
  QProcess p;
  Start(p, {"--version"});
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_TRUE(p.readAllStandardOutput().startsWith("tessel-rgb "));
  Start(p, {"--help"});
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_TRUE(p.readAllStandardOutput().contains("--demo"));
}

TEST_F(ProgramTest, SecondInstanceOnTheSessionBusWakesTheFirstAndExits) {
  const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
  if (daemon.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
  bus_.start(daemon, {"--session", "--nofork", "--print-address"});
  ASSERT_TRUE(bus_.waitForStarted(5000));
  QByteArray address;
  ASSERT_TRUE(WaitFor([&] {
    bus_.waitForReadyRead(10);
    address += bus_.readAllStandardOutput();
    return address.contains('\n');
  }));
  address = address.trimmed();
  env_.insert("DBUS_SESSION_BUS_ADDRESS", QString::fromUtf8(address));

  QDBusConnection test = QDBusConnection::connectToBus(QString::fromUtf8(address), "app-test");
  ASSERT_TRUE(test.isConnected());
  const QString windowName = "org.orvik.TesselRGB.w.Tessel_20RGB";

  QString log;
  Start(first_, {"--demo"});
  ASSERT_TRUE(WaitFor([&] { return test.interface()->isServiceRegistered(windowName).value(); }))
      << QString::fromUtf8(first_.readAllStandardError()).toStdString();
  EXPECT_TRUE(test.interface()->isServiceRegistered("org.orvik.TesselRGB").value());

  Start(second_, {});
  ASSERT_TRUE(second_.waitForFinished(5000));
  EXPECT_EQ(second_.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(second_.exitCode(), 0);
  EXPECT_TRUE(WaitForLine(first_, &log, "instance message wParam=0 lParam=1")) << log.toStdString();
  EXPECT_EQ(first_.state(), QProcess::Running);

  // Another program posts a registered message to the window by name.
  QDBusMessage post = QDBusMessage::createMethodCall(windowName, "/org/orvik/TesselRGB/window",
                                                     "org.orvik.TesselRGB.Window", "Post");
  post << QString("ORVIK Tessel RGB") << qulonglong(7) << qlonglong(0);
  QDBusMessage reply = test.call(post, QDBus::Block, 5000);
  EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
  EXPECT_TRUE(WaitForLine(first_, &log, "instance message wParam=7 lParam=0")) << log.toStdString();
  // A name the program never registered is ignored.
  QDBusMessage unknown = QDBusMessage::createMethodCall(windowName, "/org/orvik/TesselRGB/window",
                                                        "org.orvik.TesselRGB.Window", "Post");
  unknown << QString("no such message") << qulonglong(1) << qlonglong(1);
  EXPECT_EQ(test.call(unknown, QDBus::Block, 5000).type(), QDBusMessage::ReplyMessage);
  EXPECT_EQ(first_.state(), QProcess::Running);
  QDBusConnection::disconnectFromBus("app-test");
}

TEST_F(ProgramTest, WithoutASessionBusALockFileKeepsOneInstance) {
  env_.insert("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + dir_.path() + "/no-bus");
  QString log;
  Start(first_, {});
  ASSERT_TRUE(WaitForLine(first_, &log, "InitWindow")) << log.toStdString();
  EXPECT_TRUE(log.contains("no D-Bus session bus"));
  EXPECT_TRUE(QFile::exists(dir_.path() + "/org.orvik.TesselRGB.lock"));
  Start(second_, {});
  ASSERT_TRUE(second_.waitForFinished(5000));
  EXPECT_EQ(second_.exitCode(), 0);
  EXPECT_EQ(first_.state(), QProcess::Running);
  // Once the first is gone the lock is free again.
  first_.kill();
  first_.waitForFinished(5000);
  QString log2;
  Start(second_, {});
  EXPECT_TRUE(WaitForLine(second_, &log2, "InitWindow")) << log2.toStdString();
}

}  // namespace
