// Native codes of X11 and evdev in the editor's terms, and the evdev reader
// fed with recorded input_event streams through a pipe.
#include "input/input_mapping.h"

#include <fcntl.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <unistd.h>

#include <condition_variable>
#include <mutex>

#include "config/function_codes.h"
#include "input/evdev_source.h"
#include "input/macro_recorder.h"

namespace tessel::input {
namespace {

input_event record(uint16_t type, uint16_t code, int32_t value) {
  input_event ev{};
  ev.input_event_sec = 1700000000;
  ev.input_event_usec = 1234;
  ev.type = type;
  ev.code = code;
  ev.value = value;
  return ev;
}

std::vector<uint8_t> bytesOf(std::initializer_list<input_event> records) {
  std::vector<uint8_t> out;
  for (const auto& r : records) {
    const auto* p = reinterpret_cast<const uint8_t*>(&r);
    out.insert(out.end(), p, p + sizeof r);
  }
  return out;
}

struct Pipe {
  int fds[2] = {-1, -1};
  Pipe() { EXPECT_EQ(::pipe2(fds, O_NONBLOCK | O_CLOEXEC), 0); }
  ~Pipe() {
    for (int fd : fds)
      if (fd >= 0) ::close(fd);
  }
  void write(const std::vector<uint8_t>& bytes) const {
    ASSERT_EQ(::write(fds[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void closeWriter() {
    ::close(fds[1]);
    fds[1] = -1;
  }
};

std::string describe(const InputEvent& e) {
  char text[64];
  if (e.kind == InputKind::Keyboard)
    std::snprintf(text, sizeof text, "key %u %02X%s", e.message, e.scanCode, e.extended ? " E0" : "");
  else
    std::snprintf(text, sizeof text, "mouse %u %u", e.message, e.mouseData >> 16);
  return text;
}

std::vector<std::string> describeAll(const std::vector<InputEvent>& events) {
  std::vector<std::string> out;
  for (const auto& e : events) out.push_back(describe(e));
  return out;
}

using ::testing::ElementsAre;

TEST(InputMapping, X11KeycodesAreEvdevCodesPlusEight) {
  EXPECT_EQ(describe(*eventFromX11Key(38, true)), "key 256 1E");       // A
  EXPECT_EQ(describe(*eventFromX11Key(38, false)), "key 257 1E");
  EXPECT_EQ(describe(*eventFromX11Key(105, true)), "key 256 1D E0");   // right Ctrl
  EXPECT_EQ(describe(*eventFromX11Key(37, true)), "key 256 1D");       // left Ctrl
  EXPECT_EQ(describe(*eventFromX11Key(108, true)), "key 260 38 E0");   // right Alt, a system key
  EXPECT_EQ(describe(*eventFromX11Key(64, false)), "key 261 38");      // left Alt
  EXPECT_EQ(describe(*eventFromX11Key(104, true)), "key 256 1C E0");   // keypad Enter
  EXPECT_EQ(describe(*eventFromX11Key(77, true)), "key 256 45 E0");    // Num Lock
  EXPECT_EQ(describe(*eventFromX11Key(127, true)), "key 256 45");      // Pause
  EXPECT_EQ(describe(*eventFromX11Key(171, true)), "key 256 19 E0");   // next track
  EXPECT_FALSE(eventFromX11Key(5, true));                              // below 8: no key
  EXPECT_FALSE(eventFromX11Key(8 + 0x2FF, true));
}

TEST(InputMapping, X11ButtonsGiveTheMouseMessages) {
  EXPECT_EQ(describe(*eventFromX11Button(1, true)), "mouse 513 0");
  EXPECT_EQ(describe(*eventFromX11Button(1, false)), "mouse 514 0");
  EXPECT_EQ(describe(*eventFromX11Button(2, true)), "mouse 519 0");
  EXPECT_EQ(describe(*eventFromX11Button(3, false)), "mouse 517 0");
  EXPECT_EQ(describe(*eventFromX11Button(8, true)), "mouse 523 1");   // back
  EXPECT_EQ(describe(*eventFromX11Button(9, false)), "mouse 524 2");  // forward
  for (uint32_t wheel : {4u, 5u, 6u, 7u, 10u}) EXPECT_FALSE(eventFromX11Button(wheel, true)) << wheel;
}

TEST(InputMapping, EveryScanCodedKeyOfTheKeyTableCanBeTyped) {
  // Each of the 113 keys the editor recognises must come from some evdev code,
  // or that key could never be recorded or captured.
  const auto keys = keyTable();
  for (size_t i = 0; i < kScanCodedKeyCount; ++i) {
    bool found = false;
    for (uint16_t code = 1; code < 256 && !found; ++code) {
      const auto scan = scanCodeForEvdevKey(code);
      found = scan && scan->code == keys[i].scanCode && scan->extended == keys[i].extended;
    }
    EXPECT_TRUE(found) << keys[i].name;
  }
}

TEST(InputMapping, EvdevRecordsThroughAPipe) {
  Pipe pipe;
  pipe.write(bytesOf({
      record(EV_MSC, MSC_SCAN, 0x70004),
      record(EV_KEY, KEY_A, 1),
      record(EV_SYN, SYN_REPORT, 0),
      record(EV_KEY, KEY_A, 2),  // auto-repeat
      record(EV_KEY, KEY_A, 0),
      record(EV_KEY, KEY_RIGHTCTRL, 1),
      record(EV_KEY, KEY_KPENTER, 0),
      record(EV_REL, REL_X, 5),
      record(EV_KEY, BTN_LEFT, 1),
      record(EV_KEY, BTN_SIDE, 1),
      record(EV_KEY, BTN_EXTRA, 0),
      record(EV_KEY, BTN_FORWARD, 1),
      record(EV_KEY, BTN_TOUCH, 1),  // not one of the five buttons
      record(EV_KEY, KEY_A, 7),      // no such key value
  }));
  EvdevRecordDecoder decoder;
  std::vector<InputEvent> events;
  ASSERT_TRUE(readEvdevRecords(pipe.fds[0], decoder, events));
  EXPECT_THAT(describeAll(events), ElementsAre("key 256 1E", "key 256 1E", "key 257 1E", "key 256 1D E0",
                                               "key 257 1C E0", "mouse 513 0", "mouse 523 1", "mouse 524 2",
                                               "mouse 523 2"));
  // Right Ctrl from evdev records as the right Ctrl modifier.
  EXPECT_EQ(keyMacroEvent(events[3])->button, 0x10);
  EXPECT_EQ(keyMacroEvent(events[3])->type, 9);

  events.clear();
  ASSERT_TRUE(readEvdevRecords(pipe.fds[0], decoder, events));  // nothing there yet
  EXPECT_TRUE(events.empty());
  pipe.closeWriter();
  EXPECT_FALSE(readEvdevRecords(pipe.fds[0], decoder, events));  // the device went away
}

TEST(InputMapping, EvdevRecordsSplitAcrossReadsAndAfterDroppedRecords) {
  const auto bytes = bytesOf({record(EV_KEY, KEY_B, 1), record(EV_SYN, SYN_DROPPED, 0), record(EV_KEY, KEY_C, 1),
                              record(EV_SYN, SYN_REPORT, 0), record(EV_KEY, KEY_D, 0)});
  EvdevRecordDecoder decoder;
  std::vector<InputEvent> events;
  // Fed a few bytes at a time, as a short read would return them.
  for (size_t at = 0; at < bytes.size(); at += 7)
    decoder.feed(std::span<const uint8_t>(bytes).subspan(at, std::min<size_t>(7, bytes.size() - at)), events);
  EXPECT_EQ(decoder.pendingBytes(), 0u);
  // C fell into the report the kernel could not deliver whole.
  EXPECT_THAT(describeAll(events), ElementsAre("key 256 30", "key 257 20"));
}

TEST(InputMapping, KeysReleasedWhileRecordsWereLostAreLetGo) {
  EvdevRecordDecoder decoder;
  std::vector<InputEvent> events;
  decoder.feed(bytesOf({record(EV_KEY, KEY_A, 1), record(EV_KEY, KEY_B, 1), record(EV_SYN, SYN_DROPPED, 0),
                        record(EV_KEY, KEY_A, 0), record(EV_SYN, SYN_REPORT, 0)}),
               events);
  ASSERT_TRUE(decoder.needsResync());
  events.clear();
  std::bitset<EvdevRecordDecoder::kKeyCount> pressed;
  pressed[KEY_B] = true;  // B is still held, A's release was lost
  decoder.resync(pressed, events);
  EXPECT_THAT(describeAll(events), ElementsAre("key 257 1E"));
  EXPECT_FALSE(decoder.needsResync());
  events.clear();
  decoder.resync(pressed, events);  // nothing left to let go
  EXPECT_TRUE(events.empty());
}

TEST(EvdevSource, DeliversFromItsThreadAndStopsWhenAsked) {
  Pipe keyboard, mouse;
  std::mutex mutex;
  std::condition_variable arrived;
  std::vector<InputEvent> events;
  // The source owns what it is given: hand it duplicates.
  EvdevSource source(std::vector<int>{::dup(keyboard.fds[0]), ::dup(mouse.fds[0])});
  std::string reason;
  ASSERT_TRUE(source.start(
      [&](const InputEvent& e) {
        std::lock_guard lock(mutex);
        events.push_back(e);
        arrived.notify_all();
      },
      true, reason))
      << reason;
  EXPECT_EQ(source.deviceCount(), 2u);
  keyboard.write(bytesOf({record(EV_KEY, KEY_LEFTSHIFT, 1)}));
  mouse.write(bytesOf({record(EV_KEY, BTN_RIGHT, 1), record(EV_KEY, BTN_RIGHT, 0)}));
  {
    std::unique_lock lock(mutex);
    ASSERT_TRUE(arrived.wait_for(lock, std::chrono::seconds(10), [&] { return events.size() == 3; }));
  }
  source.stop();
  EXPECT_FALSE(source.running());
  keyboard.write(bytesOf({record(EV_KEY, KEY_LEFTSHIFT, 0)}));
  std::lock_guard lock(mutex);
  std::vector<std::string> seen = describeAll(events);
  std::sort(seen.begin(), seen.end());
  EXPECT_THAT(seen, ElementsAre("key 256 2A", "mouse 516 0", "mouse 517 0"));
}

TEST(EvdevSource, AFolderWithoutReadableDevicesRefusesToStart) {
  char dir[] = "/tmp/tessel-input-XXXXXX";
  ASSERT_NE(::mkdtemp(dir), nullptr);
  // A file named like an event node that is no input device.
  const std::string fake = std::string(dir) + "/event0";
  const int fd = ::open(fake.c_str(), O_CREAT | O_WRONLY, 0600);
  ASSERT_GE(fd, 0);
  ::close(fd);
  EXPECT_TRUE(readableKeyDevices(dir).empty());
  EvdevSource source{std::string(dir)};
  std::string reason;
  EXPECT_FALSE(source.start([](const InputEvent&) {}, false, reason));
  EXPECT_NE(reason.find(dir), std::string::npos) << reason;
  EXPECT_FALSE(source.running());
  ::unlink(fake.c_str());
  ::rmdir(dir);
}

}  // namespace
}  // namespace tessel::input
