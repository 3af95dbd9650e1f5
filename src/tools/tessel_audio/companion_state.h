#pragma once
// The companion's command state: what the main window's commands (registered
// message "{4695579F-999A-41d4-9FAF-EFFCE93EBE19}", command in wParam) and its
// style colour message change, and what the program must do about it. Pure:
// the program applies the returned actions (open the capture, quit ...).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tessel::audio_companion {

inline constexpr const char* kCommandMessage = "{4695579F-999A-41d4-9FAF-EFFCE93EBE19}";
inline constexpr const char* kCompanionTitle = "ORVIK Tessel RGBAUDIORECORD";
inline constexpr const char* kMainWindowTitle = "Tessel RGB";
inline constexpr uint64_t kStyleColourData = 10;  // dwData of the style colour message
inline constexpr uint64_t kSoundData = 1;         // dwData of a sound packet
inline constexpr size_t kStyleColourBytes = 40;

enum Command : uint64_t {
  kRegisterMain = 0,
  kStartSending = 1,
  kStopSending = 2,
  kOpenCapture = 3,
  kCloseCapture = 4,
  kQuit = 5,
  kSliderRed = 6,
  kSliderGreen = 7,
  kSliderBlue = 8,
};

struct Rgb {
  int red = 0, green = 0, blue = 0;
  bool operator==(const Rgb&) const = default;
};

// What the program has to do after a command.
struct Actions {
  bool watchMain = false;    // (re)start watching the main window's bus name
  bool openCapture = false;
  bool closeCapture = false;
  bool quit = false;
};

class CompanionState {
 public:
  Actions onCommand(uint64_t command, int64_t lParam);
  // The style colour message: stored when it is one (dwData 10, at least the
  // three int32); returns the answer (1 stored, 0 ignored).
  int64_t onCopyData(uint64_t dwData, const uint8_t* data, size_t size);

  bool registered() const { return registered_; }
  int64_t mainProcess() const { return mainProcess_; }
  bool captureOpen() const { return captureOpen_; }
  // Blocks go out only while sending is on and the capture is open.
  bool sending() const { return sending_ && captureOpen_; }
  bool ended() const { return ended_; }
  Rgb sliderColour() const { return slider_; }
  Rgb styleColour() const { return style_; }
  // The debug line for the last command or message ("" for none).
  const std::string& lastLine() const { return line_; }

  // "--standalone": as if commands 3 and 1 had come.
  Actions startStandalone();

 private:
  bool registered_ = false;
  int64_t mainProcess_ = 0;
  bool captureOpen_ = false;
  bool sending_ = false;
  bool ended_ = false;
  Rgb slider_;
  Rgb style_;
  std::string line_;
};

// The three little-endian int32 at the head of a style colour block, each
// bounded to 0..255; nothing for a block shorter than 12 bytes.
std::optional<Rgb> parseStyleColour(const uint8_t* data, size_t size);

}  // namespace tessel::audio_companion
