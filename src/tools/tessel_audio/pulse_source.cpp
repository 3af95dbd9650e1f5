#include "tools/tessel_audio/pulse_source.h"

#include <pulse/error.h>
#include <pulse/simple.h>

namespace tessel::audio_companion {

namespace {

class PulseMonitorSource : public FrameSource {
 public:
  explicit PulseMonitorSource(pa_simple* stream) : stream_(stream) {}
  ~PulseMonitorSource() override { pa_simple_free(stream_); }
  int channels() const override { return kCaptureChannels; }
  unsigned rate() const override { return kCaptureRate; }
  bool read(float* out, size_t frames, std::string& error) override {
    int code = 0;
    if (pa_simple_read(stream_, out, frames * kCaptureChannels * sizeof(float), &code) < 0) {
      error = std::string("reading the monitor source failed: ") + pa_strerror(code);
      return false;
    }
    return true;
  }

 private:
  pa_simple* stream_;
};

}  // namespace

std::unique_ptr<FrameSource> openMonitorCapture(std::string& error) {
  pa_sample_spec format{};
  format.format = PA_SAMPLE_FLOAT32LE;
  format.rate = kCaptureRate;
  format.channels = kCaptureChannels;
  pa_buffer_attr attr{};
  attr.maxlength = static_cast<uint32_t>(-1);
  attr.tlength = static_cast<uint32_t>(-1);
  attr.prebuf = static_cast<uint32_t>(-1);
  attr.minreq = static_cast<uint32_t>(-1);
  attr.fragsize = static_cast<uint32_t>(kFramesPerRead * kCaptureChannels * sizeof(float));
  int code = 0;
  pa_simple* stream = pa_simple_new(nullptr, "tessel-audio", PA_STREAM_RECORD, kMonitorSource,
                                    "sound for the lighting", &format, nullptr, &attr, &code);
  if (!stream) {
    if (code == PA_ERR_NOENTITY)
      error = std::string("the sound server has no output monitor to capture (") + kMonitorSource + "): " +
              pa_strerror(code);
    else
      error = std::string("no sound server (PulseAudio or PipeWire) to capture from: ") + pa_strerror(code);
    return nullptr;
  }
  return std::make_unique<PulseMonitorSource>(stream);
}

}  // namespace tessel::audio_companion
