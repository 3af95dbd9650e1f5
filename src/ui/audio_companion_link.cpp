#include "ui/audio_companion_link.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusServiceWatcher>
#include <QFileInfo>
#include <QStandardPaths>

#include "platform/debug.h"
#include "ui/registered_messages.h"
#include "ui/toolkit/message_bus.h"
#include "ui/toolkit/window.h"

namespace tessel::ui {

namespace {

// The companion's stderr is kept only for its first line; a chatty one
// cannot grow it without bound.
constexpr qsizetype kStderrKept = 4096;

UINT CommandMessage() { return RegisterWindowMessage(kGuidMessageNames[4]); }

// The line the companion wrote about why it ended: the first starting with
// "tessel-audio: ", else the first non-empty one.
QString ReasonLine(const QByteArray& err) {
  const QList<QByteArray> lines = err.split('\n');
  for (const QByteArray& l : lines)
    if (l.startsWith("tessel-audio: ")) return QString::fromUtf8(l.trimmed());
  for (const QByteArray& l : lines)
    if (!l.trimmed().isEmpty()) return QString::fromUtf8(l.trimmed());
  return {};
}

}  // namespace

QString AudioCompanionLink::WindowTitle() {
  return QStringLiteral("ORVIK Tessel RGB") + QStringLiteral("AUDIORECORD");
}

QString AudioCompanionLink::FindExecutable() {
  const QString fromEnv = qEnvironmentVariable("TESSEL_AUDIO_COMPANION");
  if (!fromEnv.isEmpty()) return QFileInfo(fromEnv).isExecutable() ? fromEnv : QString();
  const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + ExecutableName();
  if (QFileInfo(beside).isExecutable()) return beside;
  return QStandardPaths::findExecutable(ExecutableName());
}

AudioCompanionLink::AudioCompanionLink(QObject* parent) : QObject(parent) {}

AudioCompanionLink::~AudioCompanionLink() { Shutdown(); }

void AudioCompanionLink::SetState(State s) {
  if (s == state_) return;
  state_ = s;
  if (onStateChanged) onStateChanged();
}

bool AudioCompanionLink::CompanionPresent() const { return CMessageBus::Instance().FindWindow(WindowTitle()); }

void AudioCompanionLink::Post(int command, int64_t lParam) {
  CMessageBus::Instance().PostToWindow(WindowTitle(), CommandMessage(), static_cast<WPARAM>(command), lParam);
}

bool AudioCompanionLink::Connect() {
  if (!CompanionPresent()) return false;
  Post(kRegister, static_cast<int64_t>(::getpid()));
  Post(kOpenCapture);
  Post(kStartSending);
  connected_ = true;
  debugLine("音频伴侣已连接");
  if (colour_) {
    colourUnsent_ = true;
    SendColourNow();
  }
  return true;
}

bool AudioCompanionLink::Disconnect() {
  connected_ = false;
  if (!CompanionPresent()) return false;
  Post(kStopSending);
  Post(kCloseCapture);
  Post(kEnd);
  debugLine("音频伴侣已断开");
  return true;
}

bool AudioCompanionLink::SendSliderColour(uint8_t red, uint8_t green, uint8_t blue) {
  if (!connected_) return false;
  Post(kRed, red);
  Post(kGreen, green);
  Post(kBlue, blue);
  return true;
}

void AudioCompanionLink::SendStyleColour(const StyleColourBlock& block) {
  colour_ = block;
  colourUnsent_ = true;
  if (connected_) SendColourNow();
}

void AudioCompanionLink::SendColourNow() {
  // One call at a time: the newest colour goes when the outstanding one ends.
  if (outstanding_ || !colourUnsent_ || !colour_) return;
  colourUnsent_ = false;
  const QByteArray data(reinterpret_cast<const char*>(colour_->data()), static_cast<qsizetype>(colour_->size()));
  const auto pid = static_cast<uint64_t>(::getpid());
  ++coloursSent_;
  if (!CMessageBus::Instance().IsConnected()) {
    // Inside this process: the window's handler runs at once.
    CMessageBus::Instance().CopyDataToWindow(WindowTitle(), pid, kStyleColourKind, data);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(CMessageBus::BusNameForTitle(WindowTitle()),
                                                     QString::fromLatin1(kBusWindowPath),
                                                     QString::fromLatin1(kBusWindowInterface), QStringLiteral("CopyData"));
  call << qulonglong(pid) << qulonglong(kStyleColourKind) << data;
  call.setAutoStartService(false);
  QDBusPendingCall pending = QDBusConnection::sessionBus().asyncCall(call, kStyleColourTimeoutMs);
  outstanding_ = new QDBusPendingCallWatcher(pending, this);
  connect(outstanding_, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
    // No answer within the time-out: the colour is abandoned.
    if (w->isError()) debugLine("音频伴侣未应答颜色消息");
    w->deleteLater();
    outstanding_ = nullptr;
    if (connected_) SendColourNow();
  });
}

void AudioCompanionLink::Watch() {
  if (watcher_ || !CMessageBus::Instance().Connect()) return;
  watcher_ = std::make_unique<QDBusServiceWatcher>(CMessageBus::BusNameForTitle(WindowTitle()),
                                                   QDBusConnection::sessionBus(),
                                                   QDBusServiceWatcher::WatchForOwnerChange);
  connect(watcher_.get(), &QDBusServiceWatcher::serviceRegistered, this, [this] { CompanionAppeared(); });
  connect(watcher_.get(), &QDBusServiceWatcher::serviceUnregistered, this, [this] { CompanionVanished(); });
}

void AudioCompanionLink::SetWanted(bool wanted) {
  if (wanted == wanted_) return;
  wanted_ = wanted;
  if (wanted) {
    // Unavailable stays until asked again: the sound server may be up now.
    unavailableLine_.clear();
    Watch();
    if (Connect()) {
      SetState(State::Running);
      return;
    }
    if (process_ && process_->state() != QProcess::NotRunning) {
      restartWhenEnded_ = true;  // still ending: started again once it has
      return;
    }
    StartProcess();
    return;
  }
  restartWhenEnded_ = false;
  const bool reached = Disconnect();
  // A companion that has not taken its name yet cannot hear command 5.
  if (!reached && process_ && process_->state() != QProcess::NotRunning) process_->terminate();
  if (state_ != State::Unavailable) SetState(State::Stopped);
}

void AudioCompanionLink::StartProcess() {
  const QString path = FindExecutable();
  if (path.isEmpty()) {
    unavailableLine_ = QStringLiteral("tessel-audio: the program was not found");
    SetState(State::Unavailable);
    return;
  }
  stderr_.clear();
  process_ = std::make_unique<QProcess>();
  process_->setProcessChannelMode(QProcess::ForwardedOutputChannel);
  connect(process_.get(), &QProcess::readyReadStandardError, this, [this] {
    if (!process_) return;
    const QByteArray more = process_->readAllStandardError();
    if (stderr_.size() < kStderrKept) stderr_ += more.left(kStderrKept - stderr_.size());
  });
  connect(process_.get(), &QProcess::finished, this,
          [this](int code, QProcess::ExitStatus status) { ProcessFinished(code, status); });
  connect(process_.get(), &QProcess::errorOccurred, this, [this](QProcess::ProcessError e) { ProcessError(e); });
  SetState(State::Starting);
  debugPrintf("启动音频伴侣 %s", path.toUtf8().constData());
  process_->start(path, QStringList());
}

void AudioCompanionLink::ProcessError(QProcess::ProcessError error) {
  if (error != QProcess::FailedToStart || !process_) return;
  unavailableLine_ = QStringLiteral("tessel-audio: cannot start: ") + process_->errorString();
  process_.release()->deleteLater();
  SetState(State::Unavailable);
}

void AudioCompanionLink::ProcessFinished(int exitCode, QProcess::ExitStatus status) {
  if (!process_) return;
  stderr_ += process_->readAllStandardError().left(kStderrKept);
  process_.release()->deleteLater();
  connected_ = connected_ && CompanionPresent();
  if (status == QProcess::NormalExit && (exitCode == kExitNoSound || exitCode == kExitNoBus)) {
    unavailableLine_ = ReasonLine(stderr_);
    if (unavailableLine_.isEmpty()) unavailableLine_ = QStringLiteral("tessel-audio: exit code %1").arg(exitCode);
    debugPrintf("音频伴侣不可用: %s", unavailableLine_.toUtf8().constData());
    SetState(State::Unavailable);
    return;
  }
  if (state_ == State::Unavailable) return;
  if (connected_) return;
  SetState(State::Stopped);
  // Wanted again while the last one was still ending. A companion that ends
  // by itself while wanted is not started again: it would only end again.
  if (wanted_ && restartWhenEnded_) {
    restartWhenEnded_ = false;
    if (Connect()) SetState(State::Running);
    else StartProcess();
  }
}

void AudioCompanionLink::CompanionAppeared() {
  if (!wanted_ || connected_) return;
  if (Connect()) SetState(State::Running);
}

void AudioCompanionLink::CompanionVanished() {
  connected_ = false;
  if (state_ == State::Running) SetState(State::Stopped);
}

void AudioCompanionLink::Shutdown() {
  wanted_ = false;
  if (connected_ && Disconnect() && CMessageBus::Instance().IsConnected()) {
    // A round trip to the bus: the commands have left before the program ends.
    QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping")));
  }
  watcher_.reset();
  if (!process_) return;
  QProcess* p = process_.get();
  p->disconnect(this);
  disconnect(p, nullptr, this, nullptr);
  if (p->state() != QProcess::NotRunning && !p->waitForFinished(1000)) {
    p->terminate();
    if (!p->waitForFinished(500)) p->kill();
  }
  process_.reset();
}

QString AudioCompanionLink::StatusText() const {
  switch (state_) {
    case State::Running: return QStringLiteral("running");
    case State::Unavailable: return QStringLiteral("unavailable: ") + unavailableLine_;
    case State::Starting:
    case State::Stopped: break;
  }
  return QStringLiteral("stopped");
}

}  // namespace tessel::ui
