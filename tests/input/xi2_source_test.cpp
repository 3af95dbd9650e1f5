// The XInput2 source on a real (virtual) X server: keys and buttons made with
// XTest on another connection arrive as raw events, mapped; the source never
// grabs, and stopping it leaves nothing behind. Runs under xvfb-run.
#include "input/xi2_source.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "input/source_choice.h"

// Xlib's macros (None, Bool, ...) clash with GoogleTest's names: after it.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace tessel::input {
namespace {

struct Collected {
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<InputEvent> events;
  InputSink sink() {
    return [this](const InputEvent& e) {
      std::lock_guard lock(mutex);
      events.push_back(e);
      arrived.notify_all();
    };
  }
  bool waitFor(size_t n) {
    std::unique_lock lock(mutex);
    return arrived.wait_for(lock, std::chrono::seconds(10), [&] { return events.size() >= n; });
  }
};

class Xi2SourceOnXvfb : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = XOpenDisplay(nullptr);
    if (!display_) GTEST_SKIP() << "no X display (run under xvfb-run)";
    int a, b, c, d;
    if (!XTestQueryExtension(display_, &a, &b, &c, &d)) GTEST_SKIP() << "no XTest on this display";
  }
  void TearDown() override {
    if (display_) XCloseDisplay(display_);
  }
  void key(unsigned keycode, bool down) {
    XTestFakeKeyEvent(display_, keycode, down ? True : False, CurrentTime);
    XSync(display_, False);
  }
  void button(unsigned number, bool down) {
    XTestFakeButtonEvent(display_, number, down ? True : False, CurrentTime);
    XSync(display_, False);
  }
  Display* display_ = nullptr;
};

TEST_F(Xi2SourceOnXvfb, KeysAndButtonsOfTheDesktopArriveMapped) {
  std::string reason;
  ASSERT_TRUE(xi2Available({}, reason)) << reason;
  Xi2Source source;
  Collected got;
  ASSERT_TRUE(source.start(got.sink(), true, reason)) << reason;
  // The raw event selection is in place once start returns.
  key(105, true);  // right Ctrl
  key(105, false);
  button(8, true);  // back
  button(8, false);
  button(1, true);
  button(1, false);
  ASSERT_TRUE(got.waitFor(6));
  source.stop();
  std::lock_guard lock(got.mutex);
  ASSERT_EQ(got.events.size(), 6u);
  EXPECT_EQ(got.events[0].message, kKeyDown);
  EXPECT_EQ(got.events[0].scanCode, 0x1D);
  EXPECT_TRUE(got.events[0].extended);
  EXPECT_EQ(got.events[1].message, kKeyUp);
  EXPECT_EQ(got.events[2].message, kExtraDown);
  EXPECT_EQ(got.events[2].mouseData >> 16, kExtraBack);
  EXPECT_EQ(got.events[3].message, kExtraUp);
  EXPECT_EQ(got.events[4].message, kLeftDown);
  EXPECT_EQ(got.events[5].message, kLeftUp);
}

TEST_F(Xi2SourceOnXvfb, KeysStillArriveWhileAnotherClientHoldsTheKeyboard) {
  // While recording, our own window holds the keyboard so typed keys reach no
  // other program; the raw events must keep coming all the same.
  Xi2Source source;
  Collected got;
  std::string reason;
  ASSERT_TRUE(source.start(got.sink(), true, reason)) << reason;
  Display* holder = XOpenDisplay(nullptr);
  ASSERT_NE(holder, nullptr);
  const Window w = XCreateSimpleWindow(holder, DefaultRootWindow(holder), 0, 0, 10, 10, 0, 0, 0);
  XMapWindow(holder, w);
  XSync(holder, False);
  ASSERT_EQ(XGrabKeyboard(holder, DefaultRootWindow(holder), False, GrabModeAsync, GrabModeAsync, CurrentTime),
            GrabSuccess);
  XSync(holder, False);
  key(38, true);  // A
  key(38, false);
  const bool arrived = got.waitFor(2);
  XUngrabKeyboard(holder, CurrentTime);
  XCloseDisplay(holder);
  source.stop();
  ASSERT_TRUE(arrived);
  std::lock_guard lock(got.mutex);
  EXPECT_EQ(got.events[0].scanCode, 0x1E);
  EXPECT_EQ(got.events[1].message, kKeyUp);
}

TEST_F(Xi2SourceOnXvfb, NeverGrabsAndStopsCleanly) {
  Xi2Source source;
  Collected got;
  std::string reason;
  ASSERT_TRUE(source.start(got.sink(), true, reason)) << reason;
  // Another client can still grab the keyboard: nothing of ours holds it.
  const int grab = XGrabKeyboard(display_, DefaultRootWindow(display_), False, GrabModeAsync, GrabModeAsync,
                                 CurrentTime);
  EXPECT_EQ(grab, GrabSuccess);
  XUngrabKeyboard(display_, CurrentTime);
  XSync(display_, False);
  source.stop();
  EXPECT_FALSE(source.running());
  key(38, true);
  key(38, false);
  std::lock_guard lock(got.mutex);
  EXPECT_TRUE(got.events.empty());
}

TEST_F(Xi2SourceOnXvfb, AnX11SessionChoosesXInput2) {
  const auto choice = chooseSources(InputEnvironment{true, {}, "/nonexistent", false});
  ASSERT_NE(choice.desktop, nullptr);
  EXPECT_EQ(choice.desktop->name(), "xi2");
  EXPECT_NE(choice.line.find("XInput2"), std::string::npos) << choice.line;
}

}  // namespace
}  // namespace tessel::input
