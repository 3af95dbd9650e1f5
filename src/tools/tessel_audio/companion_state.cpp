#include "tools/tessel_audio/companion_state.h"

#include <algorithm>

namespace tessel::audio_companion {

namespace {

int32_t readLe32(const uint8_t* p) {
  return static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                              static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
}

int sliderValue(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, 0, 255)); }

}  // namespace

Actions CompanionState::onCommand(uint64_t command, int64_t lParam) {
  Actions a;
  if (ended_) return a;
  switch (command) {
    case kRegisterMain:
      registered_ = true;
      mainProcess_ = lParam;
      a.watchMain = true;
      line_ = "command 0: main window registered (process " + std::to_string(lParam) + ")";
      break;
    case kOpenCapture:
      if (!captureOpen_) {
        captureOpen_ = true;
        a.openCapture = true;
      }
      line_ = "command 3: capture open";
      break;
    case kStartSending:
      sending_ = true;
      line_ = captureOpen_ ? "command 1: sending" : "command 1: sending once the capture opens";
      break;
    case kStopSending:
      sending_ = false;
      line_ = "command 2: not sending";
      break;
    case kCloseCapture:
      if (captureOpen_) {
        captureOpen_ = false;
        a.closeCapture = true;
      }
      line_ = "command 4: capture closed";
      break;
    case kQuit:
      ended_ = true;
      if (captureOpen_) {
        captureOpen_ = false;
        a.closeCapture = true;
      }
      a.quit = true;
      line_ = "command 5: ending";
      break;
    case kSliderRed:
      slider_.red = sliderValue(lParam);
      line_ = "command 6: red " + std::to_string(slider_.red);
      break;
    case kSliderGreen:
      slider_.green = sliderValue(lParam);
      line_ = "command 7: green " + std::to_string(slider_.green);
      break;
    case kSliderBlue:
      slider_.blue = sliderValue(lParam);
      line_ = "command 8: blue " + std::to_string(slider_.blue);
      break;
    default:
      line_ = "command " + std::to_string(command) + ": unknown, ignored";
      break;
  }
  return a;
}

Actions CompanionState::startStandalone() {
  Actions a = onCommand(kOpenCapture, 0);
  onCommand(kStartSending, 0);
  line_ = "standalone: capture open, sending";
  return a;
}

int64_t CompanionState::onCopyData(uint64_t dwData, const uint8_t* data, size_t size) {
  if (dwData != kStyleColourData) {
    line_ = "copy data " + std::to_string(dwData) + ": ignored";
    return 0;
  }
  const std::optional<Rgb> rgb = parseStyleColour(data, size);
  if (!rgb) {
    line_ = "style colour of " + std::to_string(size) + " bytes: ignored";
    return 0;
  }
  style_ = *rgb;
  line_ = "style colour " + std::to_string(style_.red) + " " + std::to_string(style_.green) + " " +
          std::to_string(style_.blue);
  return 1;
}

std::optional<Rgb> parseStyleColour(const uint8_t* data, size_t size) {
  if (!data || size < 12) return std::nullopt;
  Rgb rgb;
  rgb.red = sliderValue(readLe32(data));
  rgb.green = sliderValue(readLe32(data + 4));
  rgb.blue = sliderValue(readLe32(data + 8));
  return rgb;
}

}  // namespace tessel::audio_companion
