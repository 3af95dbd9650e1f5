#include "tools/tessel_audio/capture_thread.h"

#include <vector>

#include "core/thread_name.h"

namespace tessel::audio_companion {

CaptureThread::CaptureThread(std::unique_ptr<FrameSource> source, size_t framesPerRead, BlockSink onBlock,
                             FailureSink onFailure)
    : source_(std::move(source)),
      framesPerRead_(framesPerRead ? framesPerRead : 1),
      onBlock_(std::move(onBlock)),
      onFailure_(std::move(onFailure)) {}

CaptureThread::~CaptureThread() { stop(); }

void CaptureThread::start() {
  if (thread_.joinable() || !source_) return;
  stop_ = false;
  running_ = true;
  thread_ = std::thread([this] { run(); });
}

void CaptureThread::stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void CaptureThread::run() {
  nameThisThread("capture");
  const int channels = source_->channels();
  std::vector<float> fragment(framesPerRead_ * static_cast<size_t>(channels > 0 ? channels : 1));
  BlockCutter cutter(onBlock_);
  std::string error;
  while (!stop_.load()) {
    if (!source_->read(fragment.data(), framesPerRead_, error)) {
      if (!stop_.load() && onFailure_) onFailure_(error);
      break;
    }
    cutter.push(fragment.data(), framesPerRead_, channels);
  }
  running_ = false;
}

}  // namespace tessel::audio_companion
