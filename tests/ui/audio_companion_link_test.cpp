// The link to the audio companion on a private session bus, against a fake
// companion window owned by the test: the commands of connecting and
// disconnecting, the style colour that never waits for an answer, and the
// companion program's lifecycle through TESSEL_AUDIO_COMPANION.
#include <gtest/gtest.h>
#include <unistd.h>

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
#include <filesystem>
#include <fstream>

#include "ui/audio_companion_link.h"
#include "ui/registered_messages.h"
#include "ui/toolkit/message_bus.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {
namespace {

template <typename F>
bool SpinUntil(F done) {
  QElapsedTimer t;
  t.start();
  while (!done()) {
    if (t.elapsed() > 8000) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return true;
}

// One private bus for the whole binary: the link talks to the session bus,
// which Qt connects to once per process.
struct PrivateBus {
  QProcess daemon;
  QString address;
  PrivateBus() {
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
    if (exe.isEmpty()) return;
    daemon.start(exe, {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
    if (!daemon.waitForStarted(5000)) return;
    QByteArray out;
    while (!out.contains('\n') && daemon.waitForReadyRead(5000)) out += daemon.readAllStandardOutput();
    address = QString::fromUtf8(out.trimmed());
    qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
  }
  ~PrivateBus() {
    daemon.terminate();
    daemon.waitForFinished(2000);
  }
};

PrivateBus& Bus() {
  static PrivateBus* bus = [] {
    static int argc = 1;
    static char name[] = "tessel-audio-link-tests";
    static char* argv[] = {name, nullptr};
    auto* b = new PrivateBus;  // before the application: Qt reads the address once
    new QCoreApplication(argc, argv);
    RegisterGuidMessages();
    return b;
  }();
  return *bus;
}

// Stands in for the companion's window: records the commands posted to it
// and the colour blocks; while `silent` it never answers a copy-data call.
class FakeCompanion : public QDBusVirtualObject {
 public:
  QString introspect(const QString&) const override { return {}; }
  bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
    const auto args = message.arguments();
    if (message.member() == QLatin1String("Post") && args.size() == 3) {
      if (args[0].toString() == kGuidMessageNames[4]) {
        commands.push_back(static_cast<int>(args[1].toULongLong()));
        lParams.push_back(args[2].toLongLong());
      }
      return true;
    }
    if (message.member() == QLatin1String("CopyData") && args.size() == 3) {
      kinds.push_back(args[1].toULongLong());
      blocks.push_back(args[2].toByteArray());
      if (!silent) connection.send(message.createReply(QVariant::fromValue(qlonglong(1))));
      return true;
    }
    return false;
  }
  bool silent = false;
  std::vector<int> commands;
  std::vector<qlonglong> lParams;
  std::vector<qulonglong> kinds;
  std::vector<QByteArray> blocks;
};

class AudioCompanionLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (Bus().address.isEmpty()) GTEST_SKIP() << "dbus-daemon is not installed";
    ASSERT_TRUE(CMessageBus::Instance().Connect());
    peer_ = QDBusConnection::connectToBus(Bus().address, QStringLiteral("fake-companion-%1").arg(++count_));
    ASSERT_TRUE(peer_.isConnected());
    ASSERT_TRUE(dir_.isValid());
    qunsetenv("TESSEL_AUDIO_COMPANION");
  }
  void TearDown() override {
    link_.reset();
    if (peer_.isConnected()) {
      peer_.unregisterService(CMessageBus::BusNameForTitle(AudioCompanionLink::WindowTitle()));
      peer_.unregisterObject(QString::fromLatin1(kBusWindowPath));
      QDBusConnection::disconnectFromBus(peer_.name());
    }
    qunsetenv("TESSEL_AUDIO_COMPANION");
  }
  void ShowFake() {
    ASSERT_TRUE(peer_.registerVirtualObject(QString::fromLatin1(kBusWindowPath), &fake_));
    ASSERT_TRUE(peer_.registerService(CMessageBus::BusNameForTitle(AudioCompanionLink::WindowTitle())));
  }
  // A companion program: a shell script with this body.
  QString Script(const char* body) {
    const QString path = dir_.filePath(QStringLiteral("tessel-audio"));
    std::ofstream(path.toStdString()) << "#!/bin/sh\n" << body << "\n";
    std::filesystem::permissions(path.toStdString(), std::filesystem::perms::owner_all);
    return path;
  }
  static std::array<uint8_t, 40> Colour(uint8_t red) {
    std::array<uint8_t, 40> b{};
    b[0] = red;
    b[4] = 1;
    return b;
  }

  static inline int count_ = 0;
  QDBusConnection peer_{QStringLiteral("unset")};
  FakeCompanion fake_;
  QTemporaryDir dir_;
  std::unique_ptr<AudioCompanionLink> link_ = std::make_unique<AudioCompanionLink>();
};

TEST_F(AudioCompanionLinkTest, TheWindowNameIsTheEscapedTitle) {
  EXPECT_EQ(AudioCompanionLink::WindowTitle(), QStringLiteral("ORVIK Tessel RGBAUDIORECORD"));
  EXPECT_EQ(CMessageBus::BusNameForTitle(AudioCompanionLink::WindowTitle()),
            QStringLiteral("org.orvik.TesselRGB.w.ORVIK_20Tessel_20RGBAUDIORECORD"));
}

TEST_F(AudioCompanionLinkTest, ConnectSendsRegisterOpenStartAndDisconnectStopCloseEnd) {
  EXPECT_FALSE(link_->Connect()) << "no companion window: nothing is sent";
  ShowFake();
  ASSERT_TRUE(link_->Connect());
  ASSERT_TRUE(SpinUntil([&] { return fake_.commands.size() == 3; }));
  EXPECT_EQ(fake_.commands, (std::vector<int>{0, 3, 1}));
  EXPECT_EQ(fake_.lParams[0], static_cast<qlonglong>(::getpid()));
  EXPECT_EQ(fake_.lParams[1], 0);
  ASSERT_TRUE(link_->SendSliderColour(10, 20, 30));
  ASSERT_TRUE(link_->Disconnect());
  ASSERT_TRUE(SpinUntil([&] { return fake_.commands.size() == 9; }));
  EXPECT_EQ(fake_.commands, (std::vector<int>{0, 3, 1, 6, 7, 8, 2, 4, 5}));
  EXPECT_EQ(fake_.lParams[4], 20);
}

TEST_F(AudioCompanionLinkTest, AStyleColourNeverWaitsAndTheNewestReplacesAnUnsentOne) {
  ShowFake();
  fake_.silent = true;  // a companion that never answers
  link_->SendStyleColour(Colour(1));  // kept: no companion connected yet
  EXPECT_EQ(link_->StyleColoursSent(), 0u);
  ASSERT_TRUE(link_->Connect());  // sends the kept colour after the commands
  EXPECT_EQ(link_->StyleColoursSent(), 1u);
  EXPECT_TRUE(link_->StyleColourOutstanding());
  // Returned before the companion even saw the call: nothing waited for it.
  EXPECT_TRUE(fake_.blocks.empty());
  link_->SendStyleColour(Colour(2));
  link_->SendStyleColour(Colour(3));
  EXPECT_EQ(link_->StyleColoursSent(), 1u) << "one call at a time";
  ASSERT_TRUE(SpinUntil([&] { return fake_.blocks.size() == 1; }));
  EXPECT_EQ(fake_.kinds[0], 10u);
  EXPECT_EQ(static_cast<uint8_t>(fake_.blocks[0][0]), 1);
  EXPECT_EQ(fake_.blocks[0].size(), 40);
  // The unanswered call is abandoned after its time-out; then the newest goes.
  fake_.silent = false;
  ASSERT_TRUE(SpinUntil([&] { return fake_.blocks.size() == 2; }));
  EXPECT_EQ(static_cast<uint8_t>(fake_.blocks[1][0]), 3) << "colour 2 was replaced before it was sent";
  ASSERT_TRUE(SpinUntil([&] { return !link_->StyleColourOutstanding(); }));
  EXPECT_EQ(link_->StyleColoursSent(), 2u);
}

TEST_F(AudioCompanionLinkTest, ACompanionWithoutSoundMakesAudioUnavailableWithItsLine) {
  qputenv("TESSEL_AUDIO_COMPANION",
          Script("echo 'tessel-audio: no sound server (connection refused)' >&2\nexit 3").toUtf8());
  std::vector<AudioCompanionLink::State> seen;
  link_->onStateChanged = [&] { seen.push_back(link_->GetState()); };
  link_->SetWanted(true);
  ASSERT_TRUE(SpinUntil([&] { return link_->GetState() == AudioCompanionLink::State::Unavailable; }));
  EXPECT_EQ(link_->UnavailableLine(), QStringLiteral("tessel-audio: no sound server (connection refused)"));
  EXPECT_EQ(link_->StatusText(), QStringLiteral("unavailable: tessel-audio: no sound server (connection refused)"));
  EXPECT_EQ(seen.front(), AudioCompanionLink::State::Starting);
  // Not wanted any more: still unavailable, nothing restarts it.
  link_->SetWanted(false);
  EXPECT_EQ(link_->GetState(), AudioCompanionLink::State::Unavailable);
}

TEST_F(AudioCompanionLinkTest, AMissingProgramIsUnavailableToo) {
  qputenv("TESSEL_AUDIO_COMPANION", dir_.filePath(QStringLiteral("no-such-program")).toUtf8());
  link_->SetWanted(true);
  EXPECT_EQ(link_->GetState(), AudioCompanionLink::State::Unavailable);
  EXPECT_TRUE(link_->StatusText().startsWith(QStringLiteral("unavailable: tessel-audio: ")));
}

TEST_F(AudioCompanionLinkTest, TheStartedProgramIsConnectedWhenItsWindowAppearsAndStoppedWhenNotWanted) {
  qputenv("TESSEL_AUDIO_COMPANION", Script("exec sleep 30").toUtf8());
  link_->SetWanted(true);
  EXPECT_EQ(link_->GetState(), AudioCompanionLink::State::Starting);
  EXPECT_EQ(link_->StatusText(), QStringLiteral("stopped"));
  // The companion takes its name: the link connects by itself.
  ShowFake();
  ASSERT_TRUE(SpinUntil([&] { return link_->GetState() == AudioCompanionLink::State::Running; }));
  ASSERT_TRUE(SpinUntil([&] { return fake_.commands.size() == 3; }));
  EXPECT_EQ(fake_.commands, (std::vector<int>{0, 3, 1}));
  EXPECT_EQ(link_->StatusText(), QStringLiteral("running"));
  link_->SetWanted(false);
  ASSERT_TRUE(SpinUntil([&] { return fake_.commands.size() == 6; }));
  EXPECT_EQ(fake_.commands, (std::vector<int>{0, 3, 1, 2, 4, 5}));
  EXPECT_EQ(link_->GetState(), AudioCompanionLink::State::Stopped);
  // Wanted again while it still runs: the window is there, so it connects again.
  link_->SetWanted(true);
  EXPECT_EQ(link_->GetState(), AudioCompanionLink::State::Running);
}

TEST_F(AudioCompanionLinkTest, ACompanionEndingByItselfIsNotStartedAgainButOneAskedBackIs) {
  const QString starts = dir_.filePath(QStringLiteral("starts"));
  const std::string body = "echo x >> '" + starts.toStdString() + "'\nexit 1";
  qputenv("TESSEL_AUDIO_COMPANION", Script(body.c_str()).toUtf8());
  auto startCount = [&] {
    QFile f(starts);
    return f.open(QIODevice::ReadOnly) ? f.readAll().count('x') : 0;
  };
  std::vector<AudioCompanionLink::State> seen;
  link_->onStateChanged = [&] { seen.push_back(link_->GetState()); };
  link_->SetWanted(true);
  ASSERT_TRUE(SpinUntil([&] { return seen.size() >= 2; }));
  // Some more turns of the event loop: nothing starts it again.
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 300) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_EQ(seen, (std::vector{AudioCompanionLink::State::Starting, AudioCompanionLink::State::Stopped}));
  EXPECT_EQ(startCount(), 1);
  EXPECT_EQ(link_->StatusText(), QStringLiteral("stopped"));

  // Not wanted and wanted again while a companion is still ending: once it
  // has ended, a new one starts.
  const std::string slow = "echo x >> '" + starts.toStdString() + "'\nexec sleep 30";
  qputenv("TESSEL_AUDIO_COMPANION", Script(slow.c_str()).toUtf8());
  link_->SetWanted(false);
  link_->SetWanted(true);
  ASSERT_TRUE(SpinUntil([&] { return startCount() == 2; }));
  link_->SetWanted(false);  // not reached by command 5: the companion is ended
  link_->SetWanted(true);
  ASSERT_TRUE(SpinUntil([&] { return startCount() == 3; }));
  EXPECT_EQ(link_->GetState(), AudioCompanionLink::State::Starting);
}

}  // namespace
}  // namespace tessel::ui
