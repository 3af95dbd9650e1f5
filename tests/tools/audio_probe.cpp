// audio-probe: stands in for the main window "Tessel RGB" towards tessel-audio
// in the end-to-end test and in scripts/measure-audio. It owns the main
// window's bus name, counts the sound packets tessel-audio sends (CopyData
// dwData 1, exactly 2000 bytes), can send the companion its commands and the
// style colour message, and can play tones into the default sink to time a
// sound from the moment it is written to its first loud packet.
//
//   audio-probe [--connect] [--quit] [--packets N] [--timeout S] [--colour R G B] [--latency ROUNDS]
//   audio-probe --play SECONDS      (only plays a 1 kHz tone into the default sink, no bus)
//
// Prints "packets N bad M peak P" at the end; exit 0 when N packets came.
#include <pulse/error.h>
#include <pulse/simple.h>
#include <time.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QObject>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/bus_name.h"

namespace {

const QString kPath = QStringLiteral("/org/orvik/TesselRGB/window");
const QString kInterface = QStringLiteral("org.orvik.TesselRGB.Window");
const QString kCommand = QStringLiteral("{4695579F-999A-41d4-9FAF-EFFCE93EBE19}");

int64_t nowNs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// Plays silence, then a 1 kHz tone for 200 ms every 600 ms, for `rounds` rounds,
// recording the monotonic time just before the first tone write of each round.
class TonePlayer {
 public:
  explicit TonePlayer(int rounds) : rounds_(rounds), starts_(rounds) {}
  ~TonePlayer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  bool start(std::string& error) {
    pa_sample_spec format{PA_SAMPLE_FLOAT32LE, 48000, 1};
    pa_buffer_attr attr{};
    attr.maxlength = static_cast<uint32_t>(-1);
    attr.tlength = 480 * sizeof(float);  // 10 ms queued ahead of the sink
    attr.prebuf = static_cast<uint32_t>(-1);
    attr.minreq = static_cast<uint32_t>(-1);
    attr.fragsize = static_cast<uint32_t>(-1);
    int code = 0;
    stream_ = pa_simple_new(nullptr, "audio-probe", PA_STREAM_PLAYBACK, nullptr, "probe tone", &format, nullptr, &attr,
                            &code);
    if (!stream_) {
      error = pa_strerror(code);
      return false;
    }
    thread_ = std::thread([this] { run(); });
    return true;
  }
  int rounds() const { return rounds_; }
  // The start of round r (0 while it has not begun).
  int64_t start(int r) const { return starts_[r].load(); }
  uint64_t playbackLatencyUs() const { return latencyUs_.load(); }
  bool done() const { return done_.load(); }

 private:
  void run() {
    const size_t chunk = 240;  // 5 ms
    std::vector<float> silence(chunk, 0.0f), tone(chunk);
    size_t phase = 0;
    for (int r = 0; r < rounds_ && !stop_; ++r) {
      for (int i = 0; i < 80 && !stop_; ++i) write(silence);  // 400 ms
      for (int i = 0; i < 40 && !stop_; ++i) {                // 200 ms
        for (size_t k = 0; k < chunk; ++k, ++phase)
          tone[k] = 0.8f * static_cast<float>(std::sin(2 * M_PI * 1000.0 * phase / 48000.0));
        if (i == 0) {
          int code = 0;
          latencyUs_ = pa_simple_get_latency(stream_, &code);
          starts_[r] = nowNs();
        }
        write(tone);
      }
    }
    for (int i = 0; i < 80 && !stop_; ++i) write(silence);
    pa_simple_drain(stream_, nullptr);
    pa_simple_free(stream_);
    done_ = true;
  }
  void write(const std::vector<float>& samples) {
    int code = 0;
    pa_simple_write(stream_, samples.data(), samples.size() * sizeof(float), &code);
  }

  int rounds_;
  std::vector<std::atomic<int64_t>> starts_;
  std::atomic<uint64_t> latencyUs_{0};
  std::atomic<bool> stop_{false}, done_{false};
  pa_simple* stream_ = nullptr;
  std::thread thread_;
};

// A 1 kHz tone at 0.8 of full scale for `seconds`, then the end of the stream.
int playTone(double seconds) {
  pa_sample_spec format{PA_SAMPLE_FLOAT32LE, 48000, 1};
  int code = 0;
  pa_simple* stream =
      pa_simple_new(nullptr, "audio-probe", PA_STREAM_PLAYBACK, nullptr, "probe tone", &format, nullptr, nullptr, &code);
  if (!stream) {
    std::fprintf(stderr, "audio-probe: cannot play: %s\n", pa_strerror(code));
    return 3;
  }
  std::vector<float> chunk(480);
  size_t phase = 0;
  for (int c = 0; c < static_cast<int>(seconds * 100); ++c) {
    for (float& f : chunk) f = 0.8f * static_cast<float>(std::sin(2 * M_PI * 1000.0 * double(phase++) / 48000.0));
    if (pa_simple_write(stream, chunk.data(), chunk.size() * sizeof(float), &code) < 0) break;
  }
  pa_simple_drain(stream, &code);
  pa_simple_free(stream);
  return 0;
}

class Probe : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.orvik.TesselRGB.Window")

 public:
  int wanted = 0;
  bool quitCompanion = false;
  TonePlayer* player = nullptr;
  QString companionName = QString::fromStdString(tessel::busNameForTitle("ORVIK Tessel RGBAUDIORECORD"));

  void post(quint64 command, qint64 lParam) {
    QDBusMessage m = QDBusMessage::createMethodCall(companionName, kPath, kInterface, QStringLiteral("Post"));
    m << kCommand << static_cast<qulonglong>(command) << static_cast<qlonglong>(lParam);
    QDBusConnection::sessionBus().call(m, QDBus::Block, 2000);
  }
  void report() {
    std::printf("packets %d bad %d peak %d\n", packets_, bad_, peak_);
    if (player) {
      std::vector<double> ms;
      for (int64_t ns : latencies_) ms.push_back(ns / 1e6);
      std::sort(ms.begin(), ms.end());
      std::printf("latency rounds %zu of %d", ms.size(), player->rounds());
      if (!ms.empty())
        std::printf(" min %.1f median %.1f max %.1f ms (write to first loud packet; playback buffer %.1f ms)",
                    ms.front(), ms[ms.size() / 2], ms.back(), player->playbackLatencyUs() / 1000.0);
      std::printf("\n");
    }
    std::fflush(stdout);
  }
  bool complete() const {
    if (player) return int(latencies_.size()) == player->rounds();
    return wanted > 0 && packets_ >= wanted;
  }

 public Q_SLOTS:
  void Post(const QString&, qulonglong, qlonglong) {}
  qlonglong CopyData(qulonglong, qulonglong dwData, const QByteArray& data) {
    const int64_t now = nowNs();
    if (dwData != 1 || data.size() != 2000) {
      ++bad_;
      return 0;
    }
    ++packets_;
    int peak = 0;
    for (int i = 0; i < 500; ++i) {
      int32_t s;
      std::memcpy(&s, data.constData() + 4 * i, 4);
      if (s < -8192 || s > 8192) ++bad_;
      peak = std::max(peak, std::abs(s));
    }
    peak_ = std::max(peak_, peak);
    if (player && int(latencies_.size()) < player->rounds()) {
      const int r = int(latencies_.size());
      const int64_t start = player->start(r);
      if (start && peak > 2000) latencies_.push_back(now - start);
    }
    if (complete() && !finishing_) {
      finishing_ = true;
      QTimer::singleShot(0, this, [this] {
        if (quitCompanion) post(5, 0);
        report();
        QCoreApplication::exit(0);
      });
    }
    return 1;
  }

 private:
  int packets_ = 0, bad_ = 0, peak_ = 0;
  bool finishing_ = false;
  std::vector<int64_t> latencies_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::string(argv[1]) == "--play") return playTone(std::atof(argv[2]));
  QCoreApplication app(argc, argv);
  Probe probe;
  bool connectCompanion = false;
  int timeout = 20, rounds = 0;
  std::vector<int> colour;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--connect") connectCompanion = true;
    else if (a == "--quit") probe.quitCompanion = true;
    else if (a == "--packets" && i + 1 < argc) probe.wanted = std::atoi(argv[++i]);
    else if (a == "--timeout" && i + 1 < argc) timeout = std::atoi(argv[++i]);
    else if (a == "--latency" && i + 1 < argc) rounds = std::atoi(argv[++i]);
    else if (a == "--colour" && i + 3 < argc) {
      for (int k = 0; k < 3; ++k) colour.push_back(std::atoi(argv[++i]));
    } else {
      std::fprintf(stderr, "audio-probe: unknown argument %s\n", argv[i]);
      return 2;
    }
  }
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    std::fprintf(stderr, "audio-probe: no session bus\n");
    return 4;
  }
  const QString mainName = QString::fromStdString(tessel::busNameForTitle("Tessel RGB"));
  if (!bus.registerObject(kPath, &probe, QDBusConnection::ExportAllSlots) || !bus.registerService(mainName)) {
    std::fprintf(stderr, "audio-probe: cannot own %s\n", mainName.toUtf8().constData());
    return 1;
  }
  if (connectCompanion || !colour.empty()) {
    // Wait (bounded) for the companion's name, then connect as the main window does.
    for (int i = 0; i < 100 && !bus.interface()->isServiceRegistered(probe.companionName).value(); ++i)
      usleep(50000);
    if (!bus.interface()->isServiceRegistered(probe.companionName).value()) {
      std::fprintf(stderr, "audio-probe: no companion owns %s\n", probe.companionName.toUtf8().constData());
      return 1;
    }
  }
  if (!colour.empty()) {
    QByteArray block(40, 0);
    for (int k = 0; k < 3; ++k) {
      const uint32_t v = static_cast<uint32_t>(colour[k]);
      for (int b = 0; b < 4; ++b) block[4 * k + b] = static_cast<char>(v >> (8 * b));
    }
    QDBusMessage m = QDBusMessage::createMethodCall(probe.companionName, kPath, kInterface, QStringLiteral("CopyData"));
    m << static_cast<qulonglong>(getpid()) << static_cast<qulonglong>(10) << block;
    QDBusReply<qlonglong> answer = bus.call(m, QDBus::Block, 2000);
    std::printf("colour answer %lld\n", answer.isValid() ? static_cast<long long>(answer.value()) : -1LL);
    std::fflush(stdout);
  }
  if (connectCompanion) {
    probe.post(0, getpid());
    probe.post(3, 0);
    probe.post(1, 0);
  }
  std::unique_ptr<TonePlayer> player;
  if (rounds > 0) {
    player = std::make_unique<TonePlayer>(rounds);
    std::string error;
    if (!player->start(error)) {
      std::fprintf(stderr, "audio-probe: cannot play: %s\n", error.c_str());
      return 3;
    }
    probe.player = player.get();
  }
  if (probe.wanted == 0 && rounds == 0) {
    probe.report();
    return 0;
  }
  QTimer::singleShot(timeout * 1000, &app, [&] {
    probe.report();
    std::fprintf(stderr, "audio-probe: timed out after %d s\n", timeout);
    QCoreApplication::exit(1);
  });
  return app.exec();
}

#include "audio_probe.moc"
