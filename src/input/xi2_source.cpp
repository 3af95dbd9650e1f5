#include "input/xi2_source.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/thread_name.h"
#include "input/input_mapping.h"
#include "input/reader_thread.h"
#include "platform/debug.h"

namespace tessel::input {

namespace {

Display* openDisplay(const std::string& name, int* opcode, std::string& reason) {
  Display* display = XOpenDisplay(name.empty() ? nullptr : name.c_str());
  if (!display) {
    const char* env = std::getenv("DISPLAY");
    reason = "cannot open the X11 display " + (name.empty() ? std::string(env ? env : "(DISPLAY not set)") : name);
    return nullptr;
  }
  int event = 0, error = 0;
  if (!XQueryExtension(display, "XInputExtension", opcode, &event, &error)) {
    reason = "the X11 display has no XInput extension";
    XCloseDisplay(display);
    return nullptr;
  }
  // The server treats a client by the version it announces: to a 2.0 client
  // raw events stop while another client (our own window, recording) holds
  // the keyboard; from 2.1 on they always arrive.
  int major = 2, minor = 2;
  if (XIQueryVersion(display, &major, &minor) != Success || major < 2) {
    reason = "the X11 display has no XInput 2";
    XCloseDisplay(display);
    return nullptr;
  }
  return display;
}

}  // namespace

bool xi2Available(const std::string& display, std::string& reason) {
  int opcode = 0;
  Display* d = openDisplay(display, &opcode, reason);
  if (!d) return false;
  XCloseDisplay(d);
  return true;
}

Xi2Source::Xi2Source(std::string display) : displayName_(std::move(display)) {}

Xi2Source::~Xi2Source() { stop(); }

bool Xi2Source::start(InputSink sink, bool /*grabKeyboard*/, std::string& reason) {
  stop();
  int opcode = 0;
  Display* display = openDisplay(displayName_, &opcode, reason);
  if (!display) return false;

  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_RawKeyPress);
  XISetMask(bits, XI_RawKeyRelease);
  XISetMask(bits, XI_RawButtonPress);
  XISetMask(bits, XI_RawButtonRelease);
  XIEventMask mask;
  mask.deviceid = XIAllMasterDevices;
  mask.mask_len = sizeof bits;
  mask.mask = bits;
  XISelectEvents(display, DefaultRootWindow(display), &mask, 1);
  XSync(display, False);

  stopFd_ = openStopEvent(reason);
  if (stopFd_ < 0) {
    XCloseDisplay(display);
    return false;
  }
  running_ = true;
  // From here on only the thread touches the connection.
  thread_ = std::thread(&Xi2Source::run, this, static_cast<void*>(display), opcode, stopFd_, std::move(sink));
  return true;
}

void Xi2Source::run(void* handle, int opcode, int stopFd, InputSink sink) {
  nameThisThread("input xi2");
  Display* display = static_cast<Display*>(handle);
  const int xfd = ConnectionNumber(display);
  bool alive = true;
  while (alive) {
    while (XPending(display) > 0) {
      XEvent ev;
      XNextEvent(display, &ev);
      XGenericEventCookie* cookie = &ev.xcookie;
      if (cookie->type != GenericEvent || cookie->extension != opcode || !XGetEventData(display, cookie)) continue;
      const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
      std::optional<InputEvent> event;
      switch (cookie->evtype) {
        case XI_RawKeyPress:
        case XI_RawKeyRelease:
          event = eventFromX11Key(static_cast<uint32_t>(raw->detail), cookie->evtype == XI_RawKeyPress);
          break;
        case XI_RawButtonPress:
        case XI_RawButtonRelease:
          event = eventFromX11Button(static_cast<uint32_t>(raw->detail), cookie->evtype == XI_RawButtonPress);
          break;
        default:
          break;
      }
      XFreeEventData(display, cookie);
      if (event) sink(*event);
    }
    pollfd polls[2] = {{stopFd, POLLIN, 0}, {xfd, POLLIN, 0}};
    if (::poll(polls, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (polls[0].revents) break;
    if (polls[1].revents & (POLLERR | POLLHUP | POLLNVAL)) {
      debugLine("xi2: the X11 connection closed while recording");
      alive = false;
    }
  }
  XCloseDisplay(display);
}

void Xi2Source::stop() {
  stopReaderThread(thread_, stopFd_, running_);
}

}  // namespace tessel::input
