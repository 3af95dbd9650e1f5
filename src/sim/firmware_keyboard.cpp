#include "sim/firmware_keyboard.h"

namespace tessel::sim {

const std::array<std::array<uint8_t, 3>, kKeyboardLayoutPositions>& keyboardLayoutFunctions() {
  static const std::array<std::array<uint8_t, 3>, kKeyboardLayoutPositions> kTable = [] {
    // Keyboard usages (type 0x20, no modifier) for positions 0..125; the
    // exceptions are patched in below.
    constexpr uint8_t kUsage[kKeyboardLayoutPositions] = {
        0x29, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42,  // 0..9
        0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x00, 0x00, 0x00, 0x00,  // 10..19
        0x00, 0x35, 0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25,  // 20..29
        0x26, 0x27, 0x2D, 0x2E, 0x2A, 0x49, 0x4A, 0x4B, 0x53, 0x54,  // 30..39
        0x55, 0x56, 0x2B, 0x14, 0x1A, 0x08, 0x15, 0x17, 0x1C, 0x18,  // 40..49
        0x0C, 0x12, 0x13, 0x2F, 0x30, 0x31, 0x4C, 0x4D, 0x4E, 0x5F,  // 50..59
        0x60, 0x61, 0x32, 0x39, 0x04, 0x16, 0x07, 0x09, 0x0A, 0x0B,  // 60..69
        0x0D, 0x0E, 0x0F, 0x33, 0x34, 0x28, 0x5C, 0x5D, 0x5E, 0x8A,  // 70..79
        0x8B, 0x90, 0x91, 0x88, 0x00, 0x1D, 0x1B, 0x06, 0x19, 0x05,  // 80..89
        0x11, 0x10, 0x36, 0x37, 0x38, 0x00, 0x52, 0x59, 0x5A, 0x5B,  // 90..99
        0x87, 0x89, 0x64, 0x85, 0x00, 0x00, 0x00, 0x00, 0x2C, 0x00,  // 100..109
        0x00, 0x65, 0x00, 0x50, 0x51, 0x4F, 0x62, 0x63, 0x58, 0x57,  // 110..119
        0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                          // 120..125
    };
    std::array<std::array<uint8_t, 3>, kKeyboardLayoutPositions> t{};
    for (size_t j = 0; j < kKeyboardLayoutPositions; ++j) t[j] = {0x20, 0x00, kUsage[j]};
    // Modifiers (modifier mask in p1).
    t[84] = {0x20, 0x02, 0x00};   // left shift
    t[95] = {0x20, 0x20, 0x00};   // right shift
    t[105] = {0x20, 0x01, 0x00};  // left ctrl
    t[106] = {0x20, 0x08, 0x00};  // left windows
    t[107] = {0x20, 0x04, 0x00};  // left alt
    t[109] = {0x20, 0x40, 0x00};  // right alt
    t[112] = {0x20, 0x10, 0x00};  // right ctrl
    t[125] = {0x20, 0x80, 0x00};  // right windows
    // Keyboard functions.
    t[16] = {0xA0, 0x1B, 0x00};   // game mode
    t[17] = {0xA0, 0x24, 0x00};
    t[110] = {0xA0, 0x01, 0x00};  // Fn
    for (uint8_t m = 1; m <= 5; ++m) t[119 + m] = {0xD0, 0xA2, m};  // M1..M5
    return t;
  }();
  return kTable;
}

FirmwareImage keyboardFactoryImage(bool throughReceiver) {
  FirmwareImage img;
  img.productName = throughReceiver ? "keyboard-receiver" : "keyboard";
  fillIdentityHead(img, {static_cast<uint16_t>(throughReceiver ? 0x5088 : 0x5089), {2, 1},
                         static_cast<uint8_t>(throughReceiver ? 9 : 1), kKeyboardKeys, kKeyboardMacroUnits,
                         kKeyboardProfiles, 0});

  const auto& layout = keyboardLayoutFunctions();
  for (const auto& f : layout) {
    if (f[0] == 0x20 && f[1] == 0 && f[2] == 0) continue;  // a gap in the layout
    img.defaultKeyTable.insert(img.defaultKeyTable.end(), f.begin(), f.end());
  }
  for (size_t k = 0; k < kKeyboardKeys; ++k) img.ledTable.push_back(static_cast<uint8_t>(kKeyboardKeys - 1 - k));

  img.settings.assign(kKeyboardProfiles * kKeyboardProfileStride, 0);
  for (size_t p = 0; p < kKeyboardProfiles; ++p) {
    const size_t b = p * kKeyboardProfileStride;
    auto& s = img.settings;
    s[b + 1] = 2;      // light mode code
    s[b + 2] = 4;      // brightness
    s[b + 3] = 2;      // 4 - speed
    s[b + 5] = 1;      // multi-colour
    s[b + 6] = 0xFF;
    s[b + 7] = 0xFF;
    s[b + 8] = 0xFF;
    s[b + 20] = 1;     // six-key rollover
    s[b + 22] = 3;     // polling-rate choice
  }
  img.settings[0] = 0;

  // Custom colours: a red-to-blue ramp over the LED indices.
  for (size_t led = 0; led < kKeyboardKeys; ++led) {
    img.customColours.push_back(static_cast<uint8_t>(255 - led * 2));
    img.customColours.push_back(0x20);
    img.customColours.push_back(static_cast<uint8_t>(led * 2));
  }
  img.liveFrameSize = 512;
  img.recoilSize = 0;
  img.status = {100, throughReceiver ? uint8_t{0} : uint8_t{2}, 0, 0, 0, 0};
  return img;
}

KeyboardFirmware::KeyboardFirmware(bool throughReceiver)
    : CommandFirmware(keyboardFactoryImage(throughReceiver), throughReceiver) {}

void KeyboardFirmware::onCommand(const Report& report, std::vector<Report>& replies) {
  const bool live = report.size() > 6 && report[3] == cmd::kLiveFrame;
  const int chunksBefore = live ? liveFrameChunks() : 0;
  CommandFirmware::onCommand(report, replies);
  if (!live || liveFrameChunks() == chunksBefore) return;  // not stored
  const size_t end = size_t{report[4]} + (report[5] | (report[6] << 8));
  const size_t frameSize = size_t{identity()[5]} * 3;
  if (frameSize == 0 || end < frameSize) return;
  const std::vector<uint8_t> memory = liveFrame();
  std::lock_guard lock(liveMutex_);
  ++framesComplete_;
  lastFrame_.assign(memory.begin(), memory.begin() + static_cast<long>(std::min(frameSize, memory.size())));
}

uint64_t KeyboardFirmware::liveFramesComplete() const {
  std::lock_guard lock(liveMutex_);
  return framesComplete_;
}

std::vector<uint8_t> KeyboardFirmware::lastLiveFrame() const {
  std::lock_guard lock(liveMutex_);
  return lastFrame_;
}

}  // namespace tessel::sim
