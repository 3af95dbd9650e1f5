#pragma once
// The sound the computer plays: the default output's monitor source, read
// through libpulse's simple API (served by PulseAudio or PipeWire's PulseAudio
// server) as 48 kHz stereo float32.
#include <memory>
#include <string>

#include "tools/tessel_audio/capture_thread.h"

namespace tessel::audio_companion {

inline constexpr const char* kMonitorSource = "@DEFAULT_MONITOR@";
inline constexpr unsigned kCaptureRate = 48000;
inline constexpr int kCaptureChannels = 2;
// Fragments of 10 ms: a block of 500 frames (10.4 ms) leaves within about a
// fragment of its last frame reaching the monitor. Smaller fragments gain
// nothing measurable in latency (the server's own pace dominates) and cost
// more wake-ups; 20 ms ones add 15 ms (scripts/measure-audio).
inline constexpr size_t kFramesPerRead = 480;

// Opens the capture; nothing and the server's reason in `error` when there is
// no sound server or no monitor source.
std::unique_ptr<FrameSource> openMonitorCapture(std::string& error);

}  // namespace tessel::audio_companion
