#include "tools/tessel_audio/companion_app.h"

#include <unistd.h>

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QMetaObject>
#include <cstdio>
#include <string>

#include "platform/bus_name.h"
#include "platform/debug.h"
#include "tools/tessel_audio/companion_options.h"
#include "tools/tessel_audio/pulse_source.h"

namespace tessel::audio_companion {

namespace {

const QString kWindowPath = QString::fromLatin1(kWindowBusPath);
const QString kWindowInterface = QString::fromLatin1(kWindowBusInterface);

}  // namespace

void CompanionWindow::Post(const QString& message, qulonglong wParam, qlonglong lParam) {
  // Other registered messages mean nothing to the companion.
  if (message == QLatin1String(kCommandMessage)) companion_->command(wParam, lParam);
}

qlonglong CompanionWindow::CopyData(qulonglong, qulonglong dwData, const QByteArray& data) {
  return companion_->copyData(dwData, data);
}

Companion::Companion(QDBusConnection bus)
    : bus_(std::move(bus)),
      ownName_(QString::fromStdString(busNameForTitle(kCompanionTitle))),
      mainName_(QString::fromStdString(busNameForTitle(kMainWindowTitle))) {}

Companion::~Companion() {
  outputWatch_.reset();
  closeCapture();
}

bool Companion::takeName(QString& error) {
  if (!bus_.registerObject(kWindowPath, &window_, QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals)) {
    error = QStringLiteral("cannot export %1 on the session bus").arg(kWindowPath);
    return false;
  }
  const auto reply = bus_.interface()->registerService(ownName_, QDBusConnectionInterface::DontQueueService,
                                                       QDBusConnectionInterface::DontAllowReplacement);
  if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
    bus_.unregisterObject(kWindowPath);
    error = QStringLiteral("%1 is already owned (another tessel-audio runs)").arg(ownName_);
    return false;
  }
  debugPrintf("tessel-audio: owns %s", ownName_.toUtf8().constData());
  return true;
}

void Companion::startStandalone() {
  apply(state_.startStandalone());
  debugLine("tessel-audio: " + state_.lastLine());
}

void Companion::command(quint64 command, qint64 lParam) {
  const Actions a = state_.onCommand(command, lParam);
  debugLine("tessel-audio: " + state_.lastLine());
  apply(a);
}

qlonglong Companion::copyData(quint64 dwData, const QByteArray& data) {
  const qlonglong answer =
      state_.onCopyData(dwData, reinterpret_cast<const uint8_t*>(data.constData()), static_cast<size_t>(data.size()));
  debugLine("tessel-audio: " + state_.lastLine());
  return answer;
}

void Companion::apply(const Actions& a) {
  if (a.watchMain && !watcher_) {
    watcher_ = new QDBusServiceWatcher(mainName_, bus_, QDBusServiceWatcher::WatchForUnregistration, this);
    connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this, &Companion::mainWindowGone);
    // The main window may have gone between sending command 0 and now.
    if (!bus_.interface()->isServiceRegistered(mainName_).value())
      QMetaObject::invokeMethod(this, &Companion::mainWindowGone, Qt::QueuedConnection);
  }
  if (a.closeCapture) closeCapture();
  if (a.openCapture) openCapture();
  if (a.quit) finish(kExitOk);
}

void Companion::openCapture() {
  if (capture_) return;
  std::string error;
  std::unique_ptr<FrameSource> source = openMonitorCapture(error);
  if (!source) {
    captureFailed(QString::fromStdString(error));
    return;
  }
  queue_.clear();
  gate_ = SilenceGate{};
  capture_ = std::make_unique<CaptureThread>(
      std::move(source), kFramesPerRead,
      [this](const SoundBlock& block) {
        // Runs on the capture thread: only the locked queue is shared (the
        // gate belongs to this thread).
        if (!gate_.pass(block)) return;
        if (queue_.push(block)) QMetaObject::invokeMethod(this, &Companion::drainBlocks, Qt::QueuedConnection);
      },
      [this](const std::string& reason) {
        const QString text = QString::fromStdString(reason);
        QMetaObject::invokeMethod(this, [this, text] { captureFailed(text); }, Qt::QueuedConnection);
      });
  capture_->start();
  if (!outputWatch_) {
    outputWatch_ = std::make_unique<DefaultOutputWatch>(
        [this] { QMetaObject::invokeMethod(this, &Companion::defaultOutputChanged, Qt::QueuedConnection); });
    if (std::string why; !outputWatch_->start(why)) {
      debugLine("tessel-audio: not following the default output: " + why);
      outputWatch_.reset();
    }
  }
}

void Companion::defaultOutputChanged() {
  if (!capture_ || exitCode_ >= 0) return;
  // "@DEFAULT_MONITOR@" is resolved when a stream is made: a new one hears the new output.
  debugLine("tessel-audio: the default output changed; capturing its monitor");
  closeCapture();
  openCapture();
}

void Companion::closeCapture() {
  if (!capture_) return;
  capture_->stop();
  capture_.reset();
  queue_.clear();
}

void Companion::drainBlocks() {
  while (std::optional<SoundBlock> block = queue_.tryPop()) {
    if (!state_.sending()) continue;
    const auto bytes = encodeBlock(*block);
    QDBusMessage call = QDBusMessage::createMethodCall(mainName_, kWindowPath, kWindowInterface,
                                                       QStringLiteral("CopyData"));
    call.setAutoStartService(false);
    call << static_cast<qulonglong>(getpid()) << static_cast<qulonglong>(kSoundData)
         << QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
    bus_.send(call);
    ++sent_;
  }
}

void Companion::mainWindowGone() {
  if (bus_.interface()->isServiceRegistered(mainName_).value()) return;
  debugLine("tessel-audio: the main window has gone, ending");
  finish(kExitOk);
}

void Companion::captureFailed(const QString& reason) {
  if (exitCode_ >= 0) return;
  std::fprintf(stderr, "tessel-audio: %s\n", reason.toUtf8().constData());
  finish(kExitNoSound);
}

void Companion::finish(int code) {
  if (exitCode_ >= 0) return;
  exitCode_ = code;
  outputWatch_.reset();
  closeCapture();
  debugPrintf("tessel-audio: %llu packets sent, %llu blocks dropped", static_cast<unsigned long long>(sent_),
              static_cast<unsigned long long>(queue_.dropped()));
  Q_EMIT finished(code);
}

}  // namespace tessel::audio_companion
