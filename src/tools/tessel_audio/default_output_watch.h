#pragma once
// Follows the sound server's default output. The capture opens the default
// output's monitor ("@DEFAULT_MONITOR@"), which the server resolves once, when
// the stream is made: after the user picks another output (headphones
// instead of speakers) the companion would go on hearing the old one. This
// watch subscribes to the server's changes (an event, no polling) and calls
// `changed` on its own thread ("output watch") whenever the default output's
// name differs from the one it saw before.
#include <functional>
#include <string>

struct pa_context;
struct pa_threaded_mainloop;
struct pa_server_info;

namespace tessel::audio_companion {

class DefaultOutputWatch {
 public:
  explicit DefaultOutputWatch(std::function<void()> changed);
  ~DefaultOutputWatch();
  DefaultOutputWatch(const DefaultOutputWatch&) = delete;
  DefaultOutputWatch& operator=(const DefaultOutputWatch&) = delete;

  // Connects to the sound server; false with the reason.
  bool start(std::string& error);

 private:
  static void onState(pa_context* context, void* self);
  static void onEvent(pa_context* context, int type, unsigned index, void* self);
  static void onServerInfo(pa_context* context, const pa_server_info* info, void* self);

  std::function<void()> changed_;
  pa_threaded_mainloop* loop_ = nullptr;
  pa_context* context_ = nullptr;
  // The watch's thread only.
  std::string output_;
  bool known_ = false;
};

}  // namespace tessel::audio_companion
