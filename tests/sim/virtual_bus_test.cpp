// The virtual HID bus with its emulated products.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <set>
#include <thread>

#include "device/hid/hid_device.h"
#include "sim/virtual_bus.h"

using namespace tessel;
using namespace tessel::sim;
using namespace std::chrono_literals;
using hid::HidDevice;
using hid::kInfinite;

namespace {

constexpr auto kBound = 5s;  // only to avoid hanging

Report command(uint8_t code, uint8_t arg = 0) {
  Report r(64, 0);
  r[0] = 4;
  r[1] = code;
  r[2] = arg;
  return r;
}

// Echoes every command with its byte 2 incremented, and records what it saw.
class EchoFirmware : public Firmware {
 public:
  void onCommand(const Report& report, std::vector<Report>& replies) override {
    threads.push_back(std::this_thread::get_id());
    Report reply = report;
    reply[2] = static_cast<uint8_t>(reply[2] + 1);
    replies.push_back(reply);
    if (report[1] == 0xEE) replies.push_back(command(0xEF));
    if (report[1] == 0xDD) host_->unplug();
  }
  void onOutputReport(const Report& report) override { outputs.push_back(report); }
  std::vector<std::thread::id> threads;
  std::vector<Report> outputs;
};

bool readReport(HidDevice& d, Report& out, int timeoutMs) {
  uint8_t buf[64];
  size_t n = 0;
  if (!d.read(buf, sizeof buf, &n, timeoutMs)) return false;
  out.assign(buf, buf + n);
  return true;
}

struct TableRow {
  uint16_t vid, pid, mi, col, usagePage, usage;
};
// The supported interfaces the program looks for.
const TableRow kTable[] = {
    {0x320F, 0x5089, 1, 4, 0xFF1C, 0x92}, {0x320F, 0x5089, 1, 3, 0x0C, 0x01},
    {0x320F, 0x5088, 1, 4, 0xFF1C, 0x92}, {0x320F, 0x5088, 1, 3, 0x0C, 0x01},
    {0x320F, 0x7C1F, 1, 4, 0xFF1C, 0x92}, {0x320F, 0x7C1F, 1, 3, 0x0C, 0x01},
    {0x320F, 0x7C20, 1, 4, 0xFF1C, 0x92}, {0x320F, 0x7C20, 1, 3, 0x0C, 0x01},
    {0x320F, 0x1004, 1, 4, 0xFF1C, 0x92}, {0x320F, 0x1004, 1, 3, 0x0C, 0x01},
    {0x0C76, 0x1630, 3, 0, 0x0C, 0x01},
};

}  // namespace

TEST(VirtualBus, AllProductsShowTheElevenSupportedInterfaces) {
  VirtualHidBus bus;
  std::string error;
  ASSERT_TRUE(bus.plugList("all", &error)) << error;
  HidDevice d(bus);
  ASSERT_TRUE(d.enumerate());
  EXPECT_EQ(d.pathCount(), 21u);  // five products with four collections, the headset with one
  std::set<std::string> paths;
  while (auto p = d.nextPath()) paths.insert(*p);

  for (const TableRow& row : kTable) {
    int matches = 0;
    for (const std::string& p : paths) {
      if (hid::pathVendorId(p) != row.vid || hid::pathProductId(p) != row.pid ||
          hid::pathInterfaceNumber(p) != row.mi || hid::pathCollectionNumber(p) != row.col)
        continue;
      ++matches;
      HidDevice probe(bus);
      ASSERT_TRUE(probe.open(p, true, false)) << p;
      EXPECT_EQ(probe.caps().usagePage, row.usagePage) << p;
      EXPECT_EQ(probe.caps().usage, row.usage) << p;
      EXPECT_EQ(probe.attributes().productId, row.pid);
    }
    EXPECT_EQ(matches, 1) << std::hex << row.pid << " col " << row.col;
  }
  auto headset = bus.product("headset");
  ASSERT_TRUE(headset);
  EXPECT_EQ(headset->paths().size(), 1u);
  EXPECT_EQ(headset->commandPath(), headset->inputPath());
  EXPECT_EQ(hid::pathCollectionNumber(headset->commandPath()), 0);
}

TEST(VirtualBus, ProductListsAndPlugging) {
  std::vector<std::string> names;
  std::string error;
  ASSERT_TRUE(parseProductList(" mouse, keyboard-receiver ,mouse,", names, &error));
  EXPECT_EQ(names, (std::vector<std::string>{"mouse", "keyboard-receiver"}));
  EXPECT_FALSE(parseProductList("mouse,trackball", names, &error));
  EXPECT_NE(error.find("trackball"), std::string::npos);
  EXPECT_TRUE(names.empty());
  EXPECT_FALSE(parseProductList(" , ", names, &error));

  VirtualHidBus bus;
  EXPECT_FALSE(bus.plugList("keyboard,nonsense"));
  EXPECT_TRUE(bus.products().empty());  // nothing plugged on a bad list
  uint64_t before = bus.changeCounter();
  auto mouse = bus.plug("mouse");
  ASSERT_TRUE(mouse);
  EXPECT_GT(bus.changeCounter(), before);
  EXPECT_EQ(bus.plug("mouse"), nullptr);  // one of each
  EXPECT_EQ(bus.plug("joystick"), nullptr);
  EXPECT_EQ(bus.product("mouse"), mouse);
  EXPECT_NE(mouse->scripted(), nullptr);

  // Node numbers are reused lowest first, like hidraw's.
  auto pad = bus.plug("mousepad");
  EXPECT_EQ(mouse->nodeNumber(), 0);
  EXPECT_EQ(pad->nodeNumber(), 1);
  EXPECT_TRUE(bus.unplug("mouse"));
  EXPECT_FALSE(bus.unplug("mouse"));
  EXPECT_FALSE(bus.present(mouse->commandPath()));
  auto kb = bus.plug("keyboard");
  EXPECT_EQ(kb->nodeNumber(), 0);
  // The old path names node 0 with the mouse's ids: it does not open the keyboard.
  HidDevice d(bus);
  EXPECT_FALSE(d.open(mouse->commandPath(), true, true));
  EXPECT_TRUE(d.open(kb->commandPath(), true, true));
}

TEST(VirtualBus, FirmwareAnswersOnTheWritersThread) {
  VirtualHidBus bus;
  auto fw = std::make_shared<EchoFirmware>();
  auto mouse = bus.plug("mouse", fw);
  HidDevice cmd(bus), consumer(bus);
  ASSERT_TRUE(cmd.open(mouse->commandPath(), true, true));
  ASSERT_TRUE(consumer.open(mouse->inputPath(), true, false));

  Report out = command(0xEE, 7);
  size_t n = 0;
  ASSERT_TRUE(cmd.write(out.data(), out.size(), &n, 1000));
  ASSERT_EQ(fw->threads.size(), 1u);
  EXPECT_EQ(fw->threads[0], std::this_thread::get_id());
  Report in;
  ASSERT_TRUE(readReport(cmd, in, 1000));
  EXPECT_EQ(in[1], 0xEE);
  EXPECT_EQ(in[2], 8);
  ASSERT_TRUE(readReport(cmd, in, 1000));  // the second reply, in order
  EXPECT_EQ(in[1], 0xEF);
  EXPECT_FALSE(readReport(consumer, in, 20));
  EXPECT_EQ(mouse->commandLog(), std::vector<Report>{out});

  // Writes to other collections are logged and never reach the firmware.
  HidDevice kb(bus);
  ASSERT_TRUE(kb.open(mouse->path(1), true, true));
  Report notOutput = {0x01, 0x00};
  EXPECT_FALSE(kb.write(notOutput.data(), notOutput.size(), &n, 100));  // no output report there
  Report wrongId = command(1);
  wrongId[0] = 9;
  EXPECT_FALSE(cmd.write(wrongId.data(), wrongId.size(), &n, 100));
  Report tooLong(65, 4);
  EXPECT_FALSE(cmd.write(tooLong.data(), tooLong.size(), &n, 100));
  EXPECT_EQ(fw->threads.size(), 1u);
}

TEST(VirtualBus, ScriptedRepliesAndTheDefaultFirmware) {
  VirtualHidBus bus;
  auto pad = bus.plug("mousepad");
  HidDevice d(bus);
  ASSERT_TRUE(d.open(pad->commandPath(), true, true));
  Report out = command(0x10);
  size_t n = 0;
  Report in;
  ASSERT_TRUE(d.write(out.data(), out.size(), &n, 1000));
  EXPECT_FALSE(readReport(d, in, 20));  // the default firmware answers nothing

  pad->scriptReply(command(0x10, 0x42));
  pad->scriptNoReply();
  pad->scripted()->setResponder([](const Report& c, std::vector<Report>& r) { r.push_back(command(c[1], 0x99)); });
  ASSERT_TRUE(d.write(out.data(), out.size(), &n, 1000));
  ASSERT_TRUE(readReport(d, in, 1000));
  EXPECT_EQ(in[2], 0x42);                 // scripted, not the responder's
  ASSERT_TRUE(d.write(out.data(), out.size(), &n, 1000));
  EXPECT_FALSE(readReport(d, in, 20));    // scripted silence
  ASSERT_TRUE(d.write(out.data(), out.size(), &n, 1000));
  ASSERT_TRUE(readReport(d, in, 1000));
  EXPECT_EQ(in[2], 0x99);                 // then the responder again
  EXPECT_EQ(pad->commandLog().size(), 4u);
  EXPECT_TRUE(pad->waitForCommands(4, 0ms));
  pad->clearLog();
  EXPECT_TRUE(pad->commandLog().empty());

  // Input pushed while no handle reads is lost, as on hidraw; each open
  // handle gets its own copy.
  pad->pushInput({0x03, 0x01, 0x04});
  HidDevice a(bus), b(bus);
  ASSERT_TRUE(a.open(pad->inputPath(), true, false));
  EXPECT_FALSE(readReport(a, in, 20));
  ASSERT_TRUE(b.open(pad->inputPath(), true, false));
  pad->pushConsumerInput({0x03, 0x02, 0x04});
  pad->pushInput({0x77, 0x00});  // no collection owns id 0x77
  ASSERT_TRUE(readReport(a, in, 1000));
  EXPECT_EQ(in, (Report{0x03, 0x02, 0x04}));
  ASSERT_TRUE(readReport(b, in, 1000));
  EXPECT_EQ(in, (Report{0x03, 0x02, 0x04}));
  EXPECT_FALSE(readReport(a, in, 0));
}

TEST(VirtualBus, HeadsetOutputReportsReachTheFirmware) {
  VirtualHidBus bus;
  auto fw = std::make_shared<EchoFirmware>();
  auto headset = bus.plug("headset", fw);
  HidDevice d(bus);
  ASSERT_TRUE(d.open(headset->commandPath(), true, true));
  EXPECT_EQ(d.caps().outputReportByteLength, 64);  // the command reports are the longest
  Report led(17, 0);
  led[0] = 0xFF;
  led[1] = 0x44;
  led[2] = 0xAF;
  led[10] = 0xF7;
  ASSERT_TRUE(d.sendOutputReport(led.data(), led.size()));
  EXPECT_EQ(fw->outputs, std::vector<Report>{led});
  EXPECT_EQ(headset->outputReports(), std::vector<Report>{led});
  Report tooLong(18, 0xFF);  // longer than the LED report, though shorter than a command
  EXPECT_FALSE(d.sendOutputReport(tooLong.data(), tooLong.size()));
  Report wrongId = led;
  wrongId[0] = 0x01;  // an input report id
  EXPECT_FALSE(d.sendOutputReport(wrongId.data(), wrongId.size()));
  EXPECT_TRUE(fw->threads.empty());
  EXPECT_EQ(fw->outputs.size(), 1u);
}

TEST(VirtualBus, LatencyDelaysWritesAndReplies) {
  VirtualHidBus bus;
  auto fw = std::make_shared<EchoFirmware>();
  auto mouse = bus.plug("mouse", fw);
  mouse->setLatency(30ms);
  EXPECT_EQ(mouse->latency(), 30ms);
  HidDevice d(bus);
  ASSERT_TRUE(d.open(mouse->commandPath(), true, true));
  Report out = command(0x20);
  size_t n = 0;
  Report in;
  auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(d.write(out.data(), out.size(), &n, 1000));
  ASSERT_TRUE(readReport(d, in, 1000));
  // Never earlier than one transfer each way.
  EXPECT_GE(std::chrono::steady_clock::now() - start, 60ms);

  // A caller that waits less than a transfer takes gets a failed write.
  mouse->setLatency(10s);
  EXPECT_FALSE(d.write(out.data(), out.size(), &n, 10));
  EXPECT_EQ(mouse->commandLog().size(), 1u);
  // ... and a close cuts a slow transfer short.
  auto writer = std::async(std::launch::async, [&] {
    size_t k = 0;
    return d.write(out.data(), out.size(), &k, kInfinite);
  });
  std::this_thread::sleep_for(20ms);
  d.close();
  ASSERT_EQ(writer.wait_for(kBound), std::future_status::ready);
  EXPECT_FALSE(writer.get());
  EXPECT_EQ(fw->threads.size(), 1u);
}

TEST(VirtualBus, ChannelCancelEndsOnlyThePendingCall) {
  VirtualHidBus bus;
  auto mouse = bus.plug("mouse");
  auto ch = bus.open(mouse->commandPath(), true, true);
  ASSERT_TRUE(ch);
  uint8_t buf[64];
  size_t n = 0;
  ch->cancel();  // nothing pending: the next read is not affected
  mouse->pushInput(command(1));
  EXPECT_TRUE(ch->read(buf, sizeof buf, &n, 1000));
  auto reader = std::async(std::launch::async, [&] {
    size_t k = 0;
    return ch->read(buf, sizeof buf, &k, kInfinite);
  });
  std::this_thread::sleep_for(20ms);
  ch->cancel();
  ASSERT_EQ(reader.wait_for(kBound), std::future_status::ready);
  EXPECT_FALSE(reader.get());
  mouse->pushInput(command(2));
  EXPECT_TRUE(ch->read(buf, sizeof buf, &n, 1000));
  EXPECT_EQ(buf[1], 2);
}

TEST(VirtualBus, FirmwareCanPullItsProductMidRead) {
  VirtualHidBus bus;
  auto fw = std::make_shared<EchoFirmware>();
  auto mouse = bus.plug("mouse", fw);
  HidDevice reader(bus), writer(bus);
  ASSERT_TRUE(reader.open(mouse->inputPath(), true, false));
  ASSERT_TRUE(writer.open(mouse->commandPath(), true, true));
  auto pending = std::async(std::launch::async, [&] {
    Report in;
    return readReport(reader, in, kInfinite);
  });
  std::this_thread::sleep_for(20ms);
  uint64_t before = bus.changeCounter();
  Report out = command(0xDD);
  size_t n = 0;
  writer.write(out.data(), out.size(), &n, 1000);  // the firmware pulls the cable while answering
  ASSERT_EQ(pending.wait_for(kBound), std::future_status::ready);
  EXPECT_FALSE(pending.get());
  EXPECT_GT(bus.changeCounter(), before);
  EXPECT_FALSE(mouse->plugged());
  EXPECT_EQ(bus.product("mouse"), nullptr);
  Report in;
  EXPECT_FALSE(readReport(writer, in, 0));  // its reply never comes
  HidDevice late(bus);
  EXPECT_FALSE(late.open(mouse->commandPath(), true, true));
  std::vector<std::string> paths;
  ASSERT_TRUE(bus.enumerate(paths));
  EXPECT_TRUE(paths.empty());
}

TEST(VirtualBus, ManyThreadsExchangeWhileOthersEnumerateAndPushInput) {
  VirtualHidBus bus;
  const char* names[] = {"mouse", "keyboard", "mousepad", "mouse-receiver"};
  for (const char* name : names) {
    auto p = bus.plug(name);
    p->setLatency(std::chrono::microseconds(50));
    p->scripted()->setResponder([](const Report& c, std::vector<Report>& r) { r.push_back(c); });
  }
  constexpr int kExchanges = 150;
  std::atomic<int> mismatches{0};
  std::atomic<bool> stop{false};
  std::vector<std::thread> threads;
  for (const char* name : names) {
    auto p = bus.product(name);
    threads.emplace_back([&, p] {  // one command exchange after another
      HidDevice d(bus);
      if (!d.open(p->commandPath(), true, true)) {
        ++mismatches;
        return;
      }
      for (int i = 0; i < kExchanges; ++i) {
        Report out = command(0x30, static_cast<uint8_t>(i));
        size_t n = 0;
        Report in;
        if (!d.write(out.data(), out.size(), &n, 1000) || !readReport(d, in, 1000) || in != out) ++mismatches;
      }
    });
    threads.emplace_back([&, p] {  // consumer input on the same node
      HidDevice d(bus);
      d.open(p->inputPath(), true, false);
      while (!stop) {
        p->pushConsumerInput({0x03, 0x01, 0x04});
        Report in;
        if (readReport(d, in, 5) && in[0] != 0x03) ++mismatches;
      }
    });
  }
  threads.emplace_back([&] {  // a watcher enumerating and probing
    while (!stop) {
      HidDevice w(bus);
      w.enumerate();
      while (auto path = w.nextPath()) {
        if (w.open(*path, true, false)) w.close();
        bus.present(*path);
      }
    }
  });
  for (size_t i = 0; i < std::size(names); ++i) threads[2 * i].join();
  stop = true;
  for (size_t i = 0; i < threads.size(); ++i)
    if (threads[i].joinable()) threads[i].join();
  EXPECT_EQ(mismatches.load(), 0);
  for (const char* name : names) EXPECT_EQ(bus.product(name)->commandLog().size(), size_t(kExchanges));
}

TEST(VirtualBus, HandlesOutliveTheBus) {
  auto bus = std::make_unique<VirtualHidBus>();
  auto mouse = bus->plug("mouse");
  auto ch = bus->open(mouse->commandPath(), true, true);
  ASSERT_TRUE(ch);
  bus.reset();
  uint8_t buf[64];
  size_t n = 0;
  EXPECT_FALSE(ch->read(buf, sizeof buf, &n, 0));
  Report out = command(1);
  EXPECT_FALSE(ch->write(out.data(), out.size(), &n, 0));
  mouse->unplug();  // no bus any more: only marks it
  EXPECT_FALSE(mouse->plugged());
}
