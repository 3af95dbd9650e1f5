#include "tools/tessel_audio/default_output_watch.h"

#include <pulse/context.h>
#include <pulse/error.h>
#include <pulse/introspect.h>
#include <pulse/subscribe.h>
#include <pulse/thread-mainloop.h>

namespace tessel::audio_companion {

DefaultOutputWatch::DefaultOutputWatch(std::function<void()> changed) : changed_(std::move(changed)) {}

DefaultOutputWatch::~DefaultOutputWatch() {
  if (loop_) pa_threaded_mainloop_stop(loop_);
  if (context_) {
    pa_context_disconnect(context_);
    pa_context_unref(context_);
  }
  if (loop_) pa_threaded_mainloop_free(loop_);
}

bool DefaultOutputWatch::start(std::string& error) {
  loop_ = pa_threaded_mainloop_new();
  if (!loop_) {
    error = "no main loop for the sound server";
    return false;
  }
  pa_threaded_mainloop_set_name(loop_, "output watch");
  context_ = pa_context_new(pa_threaded_mainloop_get_api(loop_), "tessel-audio output watch");
  if (!context_) {
    error = "no sound server context";
    return false;
  }
  pa_context_set_state_callback(context_, &DefaultOutputWatch::onState, this);
  if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOFLAGS, nullptr) < 0) {
    error = pa_strerror(pa_context_errno(context_));
    return false;
  }
  if (pa_threaded_mainloop_start(loop_) < 0) {
    error = "the sound server's main loop did not start";
    return false;
  }
  return true;
}

void DefaultOutputWatch::onState(pa_context* context, void* self) {
  if (pa_context_get_state(context) != PA_CONTEXT_READY) return;
  pa_context_set_subscribe_callback(
      context,
      [](pa_context* c, pa_subscription_event_type_t type, uint32_t index, void* s) {
        onEvent(c, static_cast<int>(type), index, s);
      },
      self);
  if (pa_operation* o = pa_context_subscribe(context, PA_SUBSCRIPTION_MASK_SERVER, nullptr, nullptr))
    pa_operation_unref(o);
  // The output now, to compare the next ones with.
  if (pa_operation* o = pa_context_get_server_info(context, &DefaultOutputWatch::onServerInfo, self))
    pa_operation_unref(o);
}

void DefaultOutputWatch::onEvent(pa_context* context, int type, unsigned, void* self) {
  if ((type & PA_SUBSCRIPTION_EVENT_FACILITY_MASK) != PA_SUBSCRIPTION_EVENT_SERVER) return;
  if (pa_operation* o = pa_context_get_server_info(context, &DefaultOutputWatch::onServerInfo, self))
    pa_operation_unref(o);
}

void DefaultOutputWatch::onServerInfo(pa_context*, const pa_server_info* info, void* self) {
  auto* watch = static_cast<DefaultOutputWatch*>(self);
  if (!info) return;
  const std::string output = info->default_sink_name ? info->default_sink_name : "";
  const bool first = !watch->known_;
  watch->known_ = true;
  if (output == watch->output_) return;
  watch->output_ = output;
  if (!first && watch->changed_) watch->changed_();
}

}  // namespace tessel::audio_companion
