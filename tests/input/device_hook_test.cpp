// The hook holder: which message each mode sends, what reaches the window and
// when, and that a failed start or a stop leaves nothing running.
#include "input/device_hook.h"

#include <gtest/gtest.h>

#include <deque>

#include "config/key_assignment.h"
#include "input/input_mapping.h"
#include "input/scripted_source.h"

namespace tessel::input {
namespace {

// A source standing for our own window: it only sees what is aimed at the
// window and is the one that keeps typed keys from other programs.
class WindowLikeSource final : public InputSource {
 public:
  std::string name() const override { return "window"; }
  std::string description() const override { return "this window"; }
  SourceCoverage coverage() const override { return SourceCoverage::Window; }
  bool start(InputSink sink, bool grabKeyboard, std::string&) override {
    sink_ = std::move(sink);
    grabbed = grabKeyboard;
    return true;
  }
  void stop() override {
    sink_ = nullptr;
    grabbed = false;
  }
  bool running() const override { return static_cast<bool>(sink_); }
  void send(const InputEvent& e) {
    if (sink_) sink_(e);
  }
  bool grabbed = false;

 private:
  InputSink sink_;
};

// A desktop source fed by hand (stands for XInput2 or evdev).
class DesktopLikeSource final : public InputSource {
 public:
  std::string name() const override { return "desktop"; }
  std::string description() const override { return "the desktop"; }
  SourceCoverage coverage() const override { return SourceCoverage::Desktop; }
  bool start(InputSink sink, bool, std::string& reason) override {
    if (!fail.empty()) {
      reason = fail;
      return false;
    }
    sink_ = std::move(sink);
    return true;
  }
  void stop() override { sink_ = nullptr; }
  bool running() const override { return static_cast<bool>(sink_); }
  void send(const InputEvent& e) {
    if (sink_) sink_(e);
  }
  std::string fail;

 private:
  InputSink sink_;
};

struct Received {
  std::vector<HookMessage> messages;
  HookCallback callback() {
    return [this](const HookMessage& m) { messages.push_back(m); };
  }
};

TEST(DeviceHook, EachModeSendsItsRegisteredMessages) {
  EXPECT_EQ(keyboardMessageName(1), "WM_HOOK_KEY_SINGLEKEY_MSG");
  EXPECT_EQ(mouseMessageName(1), "");
  EXPECT_EQ(keyboardMessageName(2), "WM_HOOK_KEY_HITKEY_MSG");
  EXPECT_EQ(keyboardMessageName(4), "WM_HOOK_KEY_KBMACRO_MSG");
  EXPECT_EQ(mouseMessageName(4), "WM_HOOK_KEY_MSMACRO_MSG");
  EXPECT_EQ(keyboardMessageName(8), "WM_HOOK_KEY_KBMACROPREVIOUS_MSG");
  EXPECT_EQ(mouseMessageName(8), "WM_HOOK_KEY_MSMACROPREVIOUS_MSG");
  EXPECT_EQ(keyboardMessageName(16), "WM_HOOK_KEY_KBMACROLATER_MSG");
  EXPECT_EQ(mouseMessageName(16), "WM_HOOK_KEY_MSMACROLATER_MSG");
  EXPECT_EQ(keyboardMessageName(32), "WM_HOOK_KEY_KBMACROSINGLE_MSG");
  EXPECT_EQ(mouseMessageName(32), "WM_HOOK_KEY_MSMACROSINGLE_MSG");
  EXPECT_FALSE(isKnownMode(3));
  EXPECT_TRUE(isRecordingMode(8));
  EXPECT_FALSE(isRecordingMode(1));
}

TEST(DeviceHook, KeyCaptureDeliversKeysButNoButtons) {
  auto source = std::make_shared<ScriptedSource>();
  CDeviceHook hook;
  hook.AddSource(source);
  Received got;
  ASSERT_TRUE(hook.Start(hook_mode::kSingleKey, got.callback(), true, false));
  EXPECT_EQ(hook.Mode(), 1);
  source->inject(*buttonEventByName("left", true));
  source->inject(*keyEventByName("RShift", true));
  ASSERT_EQ(got.messages.size(), 1u);
  EXPECT_EQ(got.messages[0].name, "WM_HOOK_KEY_SINGLEKEY_MSG");
  EXPECT_EQ(got.messages[0].wParam, kKeyDown);
  EXPECT_EQ(got.messages[0].event.scanCode, 0x36);
  EXPECT_TRUE(got.messages[0].event.extended);

  // The assignment editor takes the captured key: right Shift checks Shift.
  KeySetModel editor;
  editor.loadRecord(FunctionCode{0x10, 0x01, 0x00}, FunctionCode{0x10, 0x01, 0x00});
  ASSERT_TRUE(editor.captureKey(got.messages[0].event.scanCode, got.messages[0].event.extended));
  EXPECT_EQ(editor.state().modifierCheck, 2);
  editor.selectFunction(FunctionList::KeyboardKey);
  EXPECT_EQ(editor.buildCode().param1, 0x02);
}

TEST(DeviceHook, RecordingModesDeliverKeysAndButtonsWithTheirMessages) {
  auto source = std::make_shared<ScriptedSource>();
  CDeviceHook hook;
  hook.AddSource(source);
  Received got;
  ASSERT_TRUE(hook.Start(hook_mode::kMacroLater, got.callback()));
  source->inject(*keyEventByName("LAlt", true));
  source->inject(*buttonEventByName("back", false));
  ASSERT_EQ(got.messages.size(), 2u);
  EXPECT_EQ(got.messages[0].name, "WM_HOOK_KEY_KBMACROLATER_MSG");
  EXPECT_EQ(got.messages[0].wParam, kSysKeyDown);  // Alt is a system key
  EXPECT_EQ(got.messages[1].name, "WM_HOOK_KEY_MSMACROLATER_MSG");
  EXPECT_EQ(got.messages[1].wParam, kExtraUp);
  EXPECT_EQ(got.messages[1].event.mouseData >> 16, kExtraBack);
  EXPECT_EQ(got.messages[1].mode, 16);
}

TEST(DeviceHook, StartingAnotherModeReplacesTheRunningOne) {
  auto window = std::make_shared<WindowLikeSource>();
  CDeviceHook hook;
  hook.AddSource(window);
  Received first, second;
  ASSERT_TRUE(hook.Start(hook_mode::kSingleKey, first.callback(), true, false));
  EXPECT_TRUE(window->grabbed);
  ASSERT_TRUE(hook.Start(hook_mode::kMacro, second.callback()));
  window->send(*keyEventByName("A", true));
  EXPECT_TRUE(first.messages.empty());
  ASSERT_EQ(second.messages.size(), 1u);
  EXPECT_EQ(second.messages[0].name, "WM_HOOK_KEY_KBMACRO_MSG");
}

TEST(DeviceHook, NothingIsHeldOrDeliveredAfterStop) {
  auto window = std::make_shared<WindowLikeSource>();
  auto scripted = std::make_shared<ScriptedSource>();
  // Tasks queue up as they would on the UI thread's event loop.
  std::deque<std::function<void()>> queue;
  CDeviceHook hook([&queue](std::function<void()> task) { queue.push_back(std::move(task)); });
  hook.AddSource(window);
  hook.AddSource(scripted);
  Received got;
  ASSERT_TRUE(hook.Start(hook_mode::kMacro, got.callback()));
  EXPECT_TRUE(window->grabbed);
  scripted->inject(*keyEventByName("A", true));
  EXPECT_TRUE(got.messages.empty());  // not until the posting thread runs it
  ASSERT_EQ(queue.size(), 1u);
  queue.front()();
  queue.pop_front();
  EXPECT_EQ(got.messages.size(), 1u);

  scripted->inject(*keyEventByName("A", false));  // queued, then the user stops
  hook.Stop();
  for (auto& task : queue) task();
  EXPECT_EQ(got.messages.size(), 1u);
  EXPECT_FALSE(hook.IsRunning());
  EXPECT_FALSE(window->running());
  EXPECT_FALSE(window->grabbed);
  EXPECT_FALSE(scripted->running());
  EXPECT_FALSE(scripted->inject(*keyEventByName("B", true)));
}

TEST(DeviceHook, AQueuedEventOutlivingTheHolderIsDropped) {
  auto scripted = std::make_shared<ScriptedSource>();
  std::deque<std::function<void()>> queue;
  Received got;
  {
    CDeviceHook hook([&queue](std::function<void()> task) { queue.push_back(std::move(task)); });
    hook.AddSource(scripted);
    ASSERT_TRUE(hook.Start(hook_mode::kMacro, got.callback()));
    scripted->inject(*keyEventByName("A", true));
  }
  for (auto& task : queue) task();
  EXPECT_TRUE(got.messages.empty());
}

TEST(DeviceHook, ASourceThatFailsLeavesTheHolderIdleWithTheReason) {
  auto window = std::make_shared<WindowLikeSource>();
  auto desktop = std::make_shared<DesktopLikeSource>();
  desktop->fail = "cannot open the X11 display :7";
  CDeviceHook hook;
  hook.AddSource(window);
  hook.AddSource(desktop);
  Received got;
  EXPECT_FALSE(hook.Start(hook_mode::kMacro, got.callback()));
  EXPECT_FALSE(hook.IsRunning());
  EXPECT_EQ(hook.Mode(), hook_mode::kNone);
  EXPECT_NE(hook.LastError().find("cannot open the X11 display :7"), std::string::npos) << hook.LastError();
  EXPECT_FALSE(window->running());  // the window let go of the keyboard again
  EXPECT_FALSE(window->grabbed);
  window->send(*keyEventByName("A", true));
  EXPECT_TRUE(got.messages.empty());

  // A scripted source failing says so too; a later start that works clears it.
  auto scripted = std::make_shared<ScriptedSource>();
  CDeviceHook second;
  second.AddSource(scripted);
  scripted->failNextStart("bus gone");
  EXPECT_FALSE(second.Start(hook_mode::kSingleKey, got.callback()));
  EXPECT_NE(second.LastError().find("bus gone"), std::string::npos);
  EXPECT_TRUE(second.Start(hook_mode::kSingleKey, got.callback()));
  EXPECT_TRUE(second.LastError().empty());
}

TEST(DeviceHook, UnknownModesAndNoSourcesAreRefused) {
  CDeviceHook empty;
  Received got;
  EXPECT_FALSE(empty.Start(hook_mode::kMacro, got.callback()));
  EXPECT_FALSE(empty.LastError().empty());
  CDeviceHook hook;
  hook.AddSource(std::make_shared<ScriptedSource>());
  EXPECT_FALSE(hook.Start(3, got.callback()));
  EXPECT_FALSE(hook.IsRunning());
}

TEST(DeviceHook, WindowEventsAreDroppedWhileADesktopSourceCoversThem) {
  auto window = std::make_shared<WindowLikeSource>();
  auto desktop = std::make_shared<DesktopLikeSource>();
  CDeviceHook hook;
  hook.AddSource(window);
  hook.AddSource(desktop);
  Received got;
  ASSERT_TRUE(hook.Start(hook_mode::kMacro, got.callback()));
  EXPECT_TRUE(window->grabbed);  // the window still keeps keys from other programs
  const InputEvent a = *keyEventByName("A", true);
  window->send(a);   // the same press, seen by both
  desktop->send(a);
  ASSERT_EQ(got.messages.size(), 1u);
}

TEST(DeviceHook, ButtonsWithoutAPositionTakeTheCursor) {
  auto desktop = std::make_shared<DesktopLikeSource>();
  CDeviceHook hook;
  hook.AddSource(desktop);
  hook.SetCursorFunction([] { return std::optional<std::pair<int32_t, int32_t>>({640, 480}); });
  Received got;
  ASSERT_TRUE(hook.Start(hook_mode::kMacro, got.callback()));
  desktop->send(*eventFromX11Button(1, true));
  InputEvent placed = *eventFromX11Button(3, true);
  placed.hasPosition = true;
  placed.x = 3;
  placed.y = 4;
  desktop->send(placed);
  ASSERT_EQ(got.messages.size(), 2u);
  EXPECT_TRUE(got.messages[0].event.hasPosition);
  EXPECT_EQ(got.messages[0].event.x, 640);
  EXPECT_EQ(got.messages[0].event.y, 480);
  EXPECT_EQ(got.messages[1].event.x, 3);
}

TEST(DeviceHook, LockKeysAreMarkedForTheWindowToLetThrough) {
  for (const char* name : {"Caplk", "Num_Lock", "Scroll_Lock"}) EXPECT_TRUE(keyEventByName(name, true)->lockKey) << name;
  for (const char* name : {"A", "Pause", "Num_5", "LCtrl"}) EXPECT_FALSE(keyEventByName(name, true)->lockKey) << name;
}

}  // namespace
}  // namespace tessel::input
