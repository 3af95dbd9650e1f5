#pragma once
// One source of keyboard and mouse input for the hook holder (CDeviceHook):
// our own window, XInput2 raw events of the X11 desktop, evdev devices, or a
// scripted source fed by tests and the demo's bus methods.
//
// Every source hands over the same plain record, already in the terms the
// macro editor understands: a keyboard event carries its message (256/257,
// 260/261 for the Alt keys, which the system reports as system keys) and the
// set-1 scan code with its E0 flag; a mouse event its button message
// (513/514 left, 516/517 right, 519/520 middle, 523/524 extra) with the mouse
// data whose high 16 bits tell the extra button (1 back, 2 forward), and the
// cursor's screen position when the source knows it.
//
// A source may call its sink from any thread of its own; the holder moves the
// events onto one thread before anything else sees them.
#include <cstdint>
#include <functional>
#include <string>

namespace tessel::input {

// Keyboard messages (the event's wParam).
inline constexpr uint32_t kKeyDown = 256;
inline constexpr uint32_t kKeyUp = 257;
inline constexpr uint32_t kSysKeyDown = 260;
inline constexpr uint32_t kSysKeyUp = 261;
// Mouse button messages.
inline constexpr uint32_t kLeftDown = 513;
inline constexpr uint32_t kLeftUp = 514;
inline constexpr uint32_t kRightDown = 516;
inline constexpr uint32_t kRightUp = 517;
inline constexpr uint32_t kMiddleDown = 519;
inline constexpr uint32_t kMiddleUp = 520;
inline constexpr uint32_t kExtraDown = 523;
inline constexpr uint32_t kExtraUp = 524;
// High half of the mouse data of an extra button.
inline constexpr uint16_t kExtraBack = 1;
inline constexpr uint16_t kExtraForward = 2;

enum class InputKind { Keyboard, Mouse };

struct InputEvent {
  InputKind kind = InputKind::Keyboard;
  uint32_t message = 0;    // the wParam: keyboard or mouse message above
  // Keyboard events.
  uint8_t scanCode = 0;    // set-1 make code
  bool extended = false;   // E0 prefix
  // Caps Lock, Num Lock and Scroll Lock: a source that can swallow keys must
  // let these through so the lock still toggles.
  bool lockKey = false;
  // Mouse events.
  uint32_t mouseData = 0;  // high 16 bits: kExtraBack / kExtraForward
  bool hasPosition = false;  // raw device events do not know the cursor
  int32_t x = 0;           // screen coordinates
  int32_t y = 0;

  bool operator==(const InputEvent&) const = default;
};

// True for 256 and 260 (key down) and for the mouse "down" messages.
bool isDownMessage(uint32_t message);

// What a source sees of the user's input, used to avoid taking one press
// twice: while a desktop source runs, window events are covered by it.
enum class SourceCoverage {
  Window,    // only input aimed at our own window
  Desktop,   // every key and button of the session
  Injected,  // events made up by a call (tests, the demo)
};

using InputSink = std::function<void(const InputEvent&)>;

class InputSource {
 public:
  virtual ~InputSource() = default;
  // Short name for debug lines ("xi2", "evdev", "window", "scripted").
  virtual std::string name() const = 0;
  // One line for the page ("XInput2 raw events of the whole X11 desktop").
  virtual std::string description() const = 0;
  virtual SourceCoverage coverage() const = 0;
  // Starts delivering events to `sink`. On failure returns false with the
  // reason in `reason` and holds nothing. `grabKeyboard` asks a source that
  // can keep typed keys from other programs (our window) to do so; desktop
  // sources never grab anything.
  virtual bool start(InputSink sink, bool grabKeyboard, std::string& reason) = 0;
  // Stops delivering; after it returns the sink is never called again and
  // nothing (keyboard grab, device, display connection) is held.
  virtual void stop() = 0;
  virtual bool running() const = 0;
};

}  // namespace tessel::input
