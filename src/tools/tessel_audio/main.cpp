// tessel-audio: the audio companion of Tessel RGB (see companion_app.h).
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusError>
#include <QSocketNotifier>
#include <chrono>
#include <mutex>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "core/thread_name.h"
#include "platform/debug.h"
#include "tools/tessel_audio/capture_thread.h"
#include "tools/tessel_audio/companion_app.h"
#include "tools/tessel_audio/companion_options.h"
#include "tools/tessel_audio/pulse_source.h"

using namespace tessel::audio_companion;

namespace {

void printLine(const std::string& why) { std::fprintf(stderr, "tessel-audio: %s\n", why.c_str()); }

// "--print-levels": capture without the bus until SIGINT/SIGTERM.
int printLevels(std::unique_ptr<FrameSource> source, const sigset_t& endSignals) {
  const unsigned rate = source->rate();
  BlockQueue queue(64);
  std::string failure;
  std::mutex failureMutex;
  CaptureThread capture(
      std::move(source), kFramesPerRead, [&](const SoundBlock& b) { queue.push(b); },
      [&](const std::string& reason) {
        {
          std::lock_guard lock(failureMutex);
          failure = reason;
        }
        queue.close();
      });
  std::thread signalWaiter([&] {
    tessel::nameThisThread("signals");
    int sig = 0;
    sigwait(&endSignals, &sig);
    queue.close();
  });
  signalWaiter.detach();  // blocked in sigwait until the process ends
  capture.start();
  LevelMeter meter(rate);
  std::printf("capturing %s at %u Hz; one line a second (peak of 8192)\n", kMonitorSource, rate);
  std::fflush(stdout);
  for (;;) {
    // A block comes every ~10 ms; the deadline only bounds a stalled server.
    std::optional<SoundBlock> block = queue.popUntil(std::chrono::steady_clock::now() + std::chrono::seconds(5));
    if (!block) {
      if (queue.closed()) break;  // a signal or a failure
      continue;
    }
    if (std::optional<std::string> line = meter.add(*block)) {
      std::printf("%s\n", line->c_str());
      std::fflush(stdout);
    }
  }
  capture.stop();
  std::lock_guard lock(failureMutex);
  if (!failure.empty()) {
    printLine(failure);
    return kExitNoSound;
  }
  return kExitOk;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  const Options options = parseOptions(args);
  if (!options.error.empty()) {
    std::fprintf(stderr, "tessel-audio: %s\n%s", options.error.c_str(), usageText().c_str());
    return kExitUsage;
  }
  if (options.help) {
    std::printf("%s", usageText().c_str());
    return kExitOk;
  }
  if (options.version) {
    std::printf("tessel-audio %s\n", TESSEL_VERSION);
    return kExitOk;
  }

  // SIGINT and SIGTERM end the program cleanly; blocked before any thread starts
  // so that only the main loop (or the waiter) takes them.
  sigset_t endSignals;
  sigemptyset(&endSignals);
  sigaddset(&endSignals, SIGINT);
  sigaddset(&endSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &endSignals, nullptr);

  // The sound server first: without it the companion ends before taking its name.
  std::string error;
  std::unique_ptr<FrameSource> probe = openMonitorCapture(error);
  if (!probe) {
    printLine(error);
    return kExitNoSound;
  }
  if (options.printLevels) return printLevels(std::move(probe), endSignals);
  probe.reset();  // opened again on command 3

  QCoreApplication app(argc, argv);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    printLine("no D-Bus session bus: " + bus.lastError().message().toStdString());
    return kExitNoBus;
  }
  Companion companion(bus);
  QString why;
  if (!companion.takeName(why)) {
    printLine(why.toStdString());
    return kExitFailure;
  }
  QObject::connect(&companion, &Companion::finished, &app, [](int code) { QCoreApplication::exit(code); },
                   Qt::QueuedConnection);

  const int sigFd = signalfd(-1, &endSignals, SFD_CLOEXEC | SFD_NONBLOCK);
  QSocketNotifier signalNotifier(sigFd, QSocketNotifier::Read);
  QObject::connect(&signalNotifier, &QSocketNotifier::activated, &app, [&] {
    signalfd_siginfo info;
    while (read(sigFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
    }
    tessel::debugLine("tessel-audio: signal, ending");
    companion.command(kQuit, 0);
  });

  if (options.standalone) companion.startStandalone();
  const int code = companion.exitCode() >= 0 ? companion.exitCode() : app.exec();
  close(sigFd);
  return code;
}
