#pragma once
// The link to the audio companion ("tessel-audio"), the separate program
// that captures what the computer plays and sends it to the main window as
// copy-data blocks. Its window is reached by title, "ORVIK Tessel RGB" +
// "AUDIORECORD", over the bus mapping of registered messages:
//   connect     commands 0 (our process id: the receiver of the sound data),
//               3 (open the capture), 1 (start sending)
//   disconnect  commands 2 (stop sending), 4 (close the capture), 5 (end)
//   style colour  copy-data dwData 10, 40 bytes; sent without waiting on the
//               UI thread: at most one call is outstanding, and a newer
//               colour replaces one not yet sent.
// Lifecycle: the main window says whether audio lighting is wanted (a
// keyboard page plays the audio mode). Wanted and no companion window: the
// program is started and connected once its window appears; no longer
// wanted, or at shutdown: disconnected, and the program ends by command 5.
// A companion that exits with code 3 (no sound server, no monitor source)
// or 4 (no session bus) leaves its one stderr line: audio lighting is then
// unavailable until it is wanted again. Everything is event-driven (process
// signals, the bus name's owner changes).
#include <QObject>
#include <QProcess>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "services/audio_styles.h"

class QDBusServiceWatcher;
class QDBusPendingCallWatcher;

namespace tessel::ui {

class AudioCompanionLink : public QObject {
  Q_OBJECT

 public:
  enum class State { Stopped, Starting, Running, Unavailable };
  enum Command : int {
    kRegister = 0,
    kStartSending = 1,
    kStopSending = 2,
    kOpenCapture = 3,
    kCloseCapture = 4,
    kEnd = 5,
    kRed = 6,
    kGreen = 7,
    kBlue = 8,
  };
  static constexpr uint64_t kStyleColourKind = 10;
  static constexpr int kStyleColourTimeoutMs = 1500;
  // Exit codes of the companion.
  static constexpr int kExitNoSound = 3;
  static constexpr int kExitNoBus = 4;

  static QString WindowTitle();
  static QString ExecutableName() { return QStringLiteral("tessel-audio"); }
  // TESSEL_AUDIO_COMPANION (a full path), else next to this program, else on
  // PATH; empty when none is found.
  static QString FindExecutable();

  explicit AudioCompanionLink(QObject* parent = nullptr);
  ~AudioCompanionLink() override;

  // Whether a companion window exists now.
  bool CompanionPresent() const;
  // Sends 0 (with our process id), 3 and 1 when the window exists; then the
  // last style colour. False when there is no companion window.
  bool Connect();
  // Sends 2, 4 and 5 when the window exists.
  bool Disconnect();
  // The red, green, blue commands 6, 7 and 8 (the companion keeps them).
  bool SendSliderColour(uint8_t red, uint8_t green, uint8_t blue);
  // The selected style's colour block; kept and sent when a companion is
  // connected, never waiting for its answer on this thread.
  void SendStyleColour(const StyleColourBlock& block);

  // A keyboard page plays the audio mode (true) or none does any more.
  void SetWanted(bool wanted);
  bool Wanted() const { return wanted_; }
  // Disconnects and waits briefly for a started companion to end.
  void Shutdown();

  State GetState() const { return state_; }
  // The companion's line when it could not capture.
  QString UnavailableLine() const { return unavailableLine_; }
  // "running", "stopped" or "unavailable: <line>".
  QString StatusText() const;
  // Style colour calls handed to the bus (or to the local window).
  uint64_t StyleColoursSent() const { return coloursSent_; }
  bool StyleColourOutstanding() const { return outstanding_ != nullptr; }

  // Called whenever GetState() changes.
  std::function<void()> onStateChanged;

 private:
  void SetState(State s);
  void StartProcess();
  void Watch();
  void Post(int command, int64_t lParam = 0);
  void SendColourNow();
  void ProcessFinished(int exitCode, QProcess::ExitStatus status);
  void ProcessError(QProcess::ProcessError error);
  void CompanionAppeared();
  void CompanionVanished();

  bool wanted_ = false;
  bool connected_ = false;
  bool restartWhenEnded_ = false;
  State state_ = State::Stopped;
  QString unavailableLine_;
  std::unique_ptr<QProcess> process_;
  QByteArray stderr_;
  std::unique_ptr<QDBusServiceWatcher> watcher_;
  std::optional<StyleColourBlock> colour_;  // the last colour
  bool colourUnsent_ = false;
  QDBusPendingCallWatcher* outstanding_ = nullptr;
  uint64_t coloursSent_ = 0;
};

}  // namespace tessel::ui
