// The program as a process: its command line, the single instance over a
// private session bus, and the lock file when there is no bus.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QElapsedTimer>
#include <QFile>
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

  // A private session bus for this test; its address goes into the
  // program's environment. Empty when dbus-daemon is missing.
  QString StartBus() {
    const QString daemon = QStandardPaths::findExecutable("dbus-daemon");
    if (daemon.isEmpty()) return {};
    bus_.start(daemon, {"--session", "--nofork", "--print-address"});
    if (!bus_.waitForStarted(5000)) return {};
    QByteArray address;
    if (!WaitFor([&] {
          bus_.waitForReadyRead(10);
          address += bus_.readAllStandardOutput();
          return address.contains('\n');
        }))
      return {};
    const QString a = QString::fromUtf8(address.trimmed());
    env_.insert("DBUS_SESSION_BUS_ADDRESS", a);
    return a;
  }
  // Runs tesselctl with the test's environment; returns its exit code.
  int Tesselctl(const QStringList& args, QString* out = nullptr) {
    QProcess p;
    p.setProcessEnvironment(env_);
    p.start(QStringLiteral(TESSELCTL_EXE), args);
    if (!p.waitForFinished(10000)) return -1;
    if (out) *out = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitCode();
  }

  QTemporaryDir dir_;
  QProcessEnvironment env_;
  QProcess first_, second_, bus_;
};

// Stands in for the external test tool's window "ZuraRozu": records the
// copy-data blocks it is sent.
class ToolWindow : public QDBusVirtualObject {
 public:
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    if (message.member() != QLatin1String("CopyData")) return false;
    const auto args = message.arguments();
    if (args.size() == 3) {
      dwData = args[1].toULongLong();
      block = args[2].toByteArray();
    }
    connection.send(message.createReply(QVariant::fromValue(qlonglong(1))));
    return true;
  }
  qulonglong dwData = 0;
  QByteArray block;
};

TEST_F(ProgramTest, AnswersVersionAndHelp) {
  QProcess p;
  Start(p, {"--version"});
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_EQ(p.readAllStandardOutput(), QByteArray("tessel-rgb " TESSEL_VERSION "\n"));
  EXPECT_EQ(Tesselctl({"--version"}), 0);
  Start(p, {"--help"});
  ASSERT_TRUE(p.waitForFinished(5000));
  EXPECT_EQ(p.exitCode(), 0);
  EXPECT_TRUE(p.readAllStandardOutput().contains("--demo"));
}

TEST_F(ProgramTest, AnUnknownOptionOrAnEmptyDemoListIsAUsageError) {
  for (const QStringList& args : {QStringList{"--frob"}, QStringList{"--demo="}, QStringList{"--demo= , "},
                                  QStringList{"stray"}, QStringList{"--hidden", "-x"}}) {
    QProcess p;
    Start(p, args);
    ASSERT_TRUE(p.waitForFinished(5000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 2) << args.join(' ').toStdString();
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_TRUE(err.startsWith("tessel-rgb: ")) << err.toStdString();
    EXPECT_FALSE(QFile::exists(dir_.path() + "/org.orvik.TesselRGB.lock")) << "it went on to start";
  }
}

TEST_F(ProgramTest, WithoutADisplayItSaysSoInOneLineAndExits1) {
  // No display named at all, and a display named that is not there.
  for (const char* display : {"", ":97"}) {
    env_.remove("QT_QPA_PLATFORM");
    env_.remove("WAYLAND_DISPLAY");
    if (*display) {
      env_.insert("QT_QPA_PLATFORM", "xcb");
      env_.insert("DISPLAY", display);
    }
    QProcess p;
    Start(p, {});
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit) << display;
    EXPECT_EQ(p.exitCode(), 1) << display;
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_TRUE(err.endsWith("tessel-rgb: needs a graphical session (no display found); tesselctl works "
                             "without one\n"))
        << err.toStdString();
    EXPECT_EQ(err.count('\n'), 1) << err.toStdString();
  }
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
  EXPECT_TRUE(QFile::exists(dir_.path() + "/org.orvik.TesselRGB.lock.sock"));
  Start(second_, {});
  ASSERT_TRUE(second_.waitForFinished(5000));
  EXPECT_EQ(second_.exitCode(), 0);
  EXPECT_EQ(first_.state(), QProcess::Running);
  // The second start brought the first one's window back through the socket.
  EXPECT_TRUE(WaitForLine(first_, &log, "instance message wParam=0 lParam=1")) << log.toStdString();
  // Once the first is gone the lock is free again (its socket file is stale).
  first_.kill();
  first_.waitForFinished(5000);
  QString log2;
  Start(second_, {});
  EXPECT_TRUE(WaitForLine(second_, &log2, "InitWindow")) << log2.toStdString();
  // The new instance replaced the stale socket and answers on it.
  Start(first_, {});
  ASSERT_TRUE(first_.waitForFinished(5000));
  EXPECT_EQ(first_.exitCode(), 0);
  EXPECT_TRUE(WaitForLine(second_, &log2, "instance message wParam=0 lParam=1")) << log2.toStdString();
}

TEST_F(ProgramTest, DemoProductsArePluggedAndUnpluggedThroughTesselctl) {
  const QString address = StartBus();
  if (address.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
  QDBusConnection test = QDBusConnection::connectToBus(address, "demo-test");
  ASSERT_TRUE(test.isConnected());
  QString log;
  Start(first_, {"--demo=mouse,keyboard"});
  // Both cables are found by the first scan, which then shows the window.
  ASSERT_TRUE(WaitForLine(first_, &log, "添加一个键盘设备")) << log.toStdString();
  ASSERT_TRUE(WaitForLine(first_, &log, "添加一个鼠标设备")) << log.toStdString();
  ASSERT_TRUE(WaitForLine(first_, &log, "instance message wParam=0 lParam=0")) << log.toStdString();

  QString out;
  EXPECT_EQ(Tesselctl({"demo", "unplug", "mouse"}, &out), 0) << out.toStdString();
  EXPECT_TRUE(WaitForLine(first_, &log, "鼠标设备丢失")) << log.toStdString();
  EXPECT_EQ(Tesselctl({"demo", "unplug", "mouse"}, &out), 1) << out.toStdString();  // not plugged any more
  EXPECT_EQ(Tesselctl({"demo", "plug", "mouse-receiver"}, &out), 0) << out.toStdString();
  EXPECT_TRUE(WaitForLine(first_, &log, "添加一个鼠标设备")) << log.toStdString();
  EXPECT_EQ(Tesselctl({"demo", "asleep", "mouse-receiver"}, &out), 0) << out.toStdString();
  EXPECT_EQ(Tesselctl({"demo", "asleep", "keyboard"}, &out), 1) << out.toStdString();  // no receiver
  EXPECT_EQ(Tesselctl({"demo", "plug", "trackball"}, &out), 2) << out.toStdString();

  QDBusMessage products = QDBusMessage::createMethodCall("org.orvik.TesselRGB", "/org/orvik/TesselRGB/demo",
                                                         "org.orvik.TesselRGB.Demo", "Products");
  QDBusMessage reply = test.call(products, QDBus::Block, 5000);
  ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
  QStringList names = reply.arguments().value(0).toStringList();
  names.sort();
  EXPECT_EQ(names, (QStringList{"keyboard", "mouse-receiver"}));
  EXPECT_EQ(first_.state(), QProcess::Running);
  QDBusConnection::disconnectFromBus("demo-test");
}

TEST_F(ProgramTest, IdentificationRequestIsAnsweredToTheTestToolsWindow) {
  const QString address = StartBus();
  if (address.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
  QDBusConnection test = QDBusConnection::connectToBus(address, "tool-test");
  ASSERT_TRUE(test.isConnected());
  ToolWindow tool;
  ASSERT_TRUE(test.registerVirtualObject("/org/orvik/TesselRGB/window", &tool));
  ASSERT_TRUE(test.registerService("org.orvik.TesselRGB.w.ZuraRozu"));
  QString log;
  Start(first_, {"--demo=keyboard"});
  ASSERT_TRUE(WaitForLine(first_, &log, "instance message wParam=0 lParam=0")) << log.toStdString();
  QDBusMessage post = QDBusMessage::createMethodCall("org.orvik.TesselRGB.w.Tessel_20RGB",
                                                     "/org/orvik/TesselRGB/window",
                                                     "org.orvik.TesselRGB.Window", "Post");
  post << QString("{4695579F-999A-41d4-9FAF-EFFCE93EBF18}") << qulonglong(0) << qlonglong(0);
  EXPECT_EQ(test.call(post, QDBus::Block, 5000).type(), QDBusMessage::ReplyMessage);
  ASSERT_TRUE(WaitFor([&] { return !tool.block.isEmpty(); }));
  EXPECT_EQ(tool.dwData, 5u);
  ASSERT_EQ(tool.block.size(), 1024);
  const auto* v = reinterpret_cast<const int32_t*>(tool.block.constData());
  EXPECT_EQ((std::vector<int32_t>(v, v + 8)), (std::vector<int32_t>{2, 3, 0, 2, 4, 0x320F, 0x7C1F, 2}));
  test.unregisterObject("/org/orvik/TesselRGB/window");
  QDBusConnection::disconnectFromBus("tool-test");
}

}  // namespace
