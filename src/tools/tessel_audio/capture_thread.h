#pragma once
// The capture runs on its own thread: it reads fragments of interleaved float
// frames from a source (the sound server, or a test's), mixes them down and
// cuts them into blocks, and hands each block to the caller's sink on that
// thread. The thread sleeps in the source's read until the next fragment.
#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "tools/tessel_audio/sound_blocks.h"

namespace tessel::audio_companion {

class FrameSource {
 public:
  virtual ~FrameSource() = default;
  virtual int channels() const = 0;
  virtual unsigned rate() const = 0;
  // Fills `out` with `frames` frames, waiting for them; false on failure or
  // at the end of the sound, with the reason in `error`.
  virtual bool read(float* out, size_t frames, std::string& error) = 0;
};

class CaptureThread {
 public:
  using BlockSink = std::function<void(const SoundBlock&)>;
  using FailureSink = std::function<void(const std::string&)>;

  // `framesPerRead` is the fragment the thread asks for at a time (small, so a
  // block leaves soon after its last frame was played).
  CaptureThread(std::unique_ptr<FrameSource> source, size_t framesPerRead, BlockSink onBlock,
                FailureSink onFailure);
  ~CaptureThread();
  CaptureThread(const CaptureThread&) = delete;
  CaptureThread& operator=(const CaptureThread&) = delete;

  void start();
  // Asks the thread to end after its current read and waits for it.
  void stop();
  bool running() const { return running_.load(); }

 private:
  void run();

  std::unique_ptr<FrameSource> source_;
  size_t framesPerRead_;
  BlockSink onBlock_;
  FailureSink onFailure_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> running_{false};
  std::thread thread_;
};

}  // namespace tessel::audio_companion
