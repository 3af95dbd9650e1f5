// The hidraw backend's file-descriptor code, run over a SOCK_SEQPACKET
// socketpair that keeps report boundaries as a hidraw node does.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

#include "device/hid/fd_channel.h"
#include "device/hid/hidraw_backend.h"
#include "sim/products.h"

using namespace tessel::hid;
using namespace std::chrono_literals;

namespace {

constexpr auto kBound = 5s;  // only to avoid hanging

struct Pair {
  int host = -1;
  int device = -1;
  Pair() {
    int fds[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds), 0);
    host = fds[0];
    device = fds[1];
  }
  ~Pair() {
    if (device >= 0) ::close(device);
  }
  void send(std::vector<uint8_t> report) const {
    ASSERT_EQ(::write(device, report.data(), report.size()), static_cast<ssize_t>(report.size()));
  }
  std::vector<uint8_t> receive() const {
    std::vector<uint8_t> buf(256);
    ssize_t n = ::recv(device, buf.data(), buf.size(), MSG_DONTWAIT);
    buf.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return buf;
  }
};

std::unique_ptr<FdChannel> vendorChannel(Pair& p, const char* col = "&col04") {
  std::string path = std::string("/dev/hidraw7#vid_320f&pid_7c1f&mi_01") + col;
  return makeCollectionChannel(p.host, path, {0x320F, 0x7C1F, 0x0100},
                               tessel::sim::vendorInterfaceDescriptor(), true, true);
}

std::vector<uint8_t> commandReport(uint8_t code) {
  std::vector<uint8_t> r(64, 0);
  r[0] = 4;
  r[1] = code;
  return r;
}

}  // namespace

TEST(FdChannel, ReadsOnlyItsCollectionsReports) {
  Pair p;
  auto vendor = vendorChannel(p);
  ASSERT_TRUE(vendor);
  EXPECT_EQ(vendor->attributes().productId, 0x7C1F);
  EXPECT_EQ(vendor->reportDescriptor(), tessel::sim::vendorInterfaceDescriptor());

  p.send({0x03, 0x01, 0x04});       // consumer control, id 3
  p.send({0x01, 0, 0, 4, 0, 0, 0, 0, 0});  // keyboard, id 1
  p.send(commandReport(0xAA));
  uint8_t buf[64];
  size_t n = 0;
  ASSERT_TRUE(vendor->read(buf, sizeof buf, &n, 1000));
  EXPECT_EQ(n, 64u);
  EXPECT_EQ(buf[0], 4);
  EXPECT_EQ(buf[1], 0xAA);
  // Nothing else is waiting for this collection.
  EXPECT_FALSE(vendor->read(buf, sizeof buf, &n, 0));
  EXPECT_EQ(n, 0u);
}

TEST(FdChannel, TimeOutLeavesChannelUsableAndWritesKeepBoundaries) {
  Pair p;
  auto ch = vendorChannel(p);
  ASSERT_TRUE(ch);
  uint8_t buf[64];
  size_t n = 7;
  EXPECT_FALSE(ch->read(buf, sizeof buf, &n, 30));
  EXPECT_EQ(n, 0u);

  std::vector<uint8_t> out = commandReport(0x10);
  ASSERT_TRUE(ch->write(out.data(), out.size(), &n, 1000));
  EXPECT_EQ(n, 64u);
  EXPECT_EQ(p.receive(), out);

  p.send(commandReport(0x11));
  ASSERT_TRUE(ch->read(buf, sizeof buf, &n, 1000));
  EXPECT_EQ(buf[1], 0x11);

  // A short buffer takes the start of the report; the rest of it is gone.
  p.send(commandReport(0x12));
  uint8_t small[2];
  ASSERT_TRUE(ch->read(small, sizeof small, &n, 1000));
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(small[1], 0x12);
  EXPECT_FALSE(ch->read(buf, sizeof buf, &n, 0));
}

TEST(FdChannel, CancelAndCloseEndPendingCalls) {
  Pair p;
  auto ch = vendorChannel(p);
  ASSERT_TRUE(ch);
  uint8_t buf[64];

  // A cancel with nothing pending does not touch the next read.
  ch->cancel();
  p.send(commandReport(1));
  size_t n = 0;
  EXPECT_TRUE(ch->read(buf, sizeof buf, &n, 1000));

  auto reader = std::async(std::launch::async, [&] {
    size_t k = 0;
    return ch->read(buf, sizeof buf, &k, kInfinite);
  });
  std::this_thread::sleep_for(20ms);  // let it block (the result holds either way)
  ch->cancel();
  ASSERT_EQ(reader.wait_for(kBound), std::future_status::ready);
  EXPECT_FALSE(reader.get());

  // Still usable after a cancel.
  p.send(commandReport(2));
  EXPECT_TRUE(ch->read(buf, sizeof buf, &n, 1000));

  auto endless = std::async(std::launch::async, [&] {
    size_t k = 0;
    return ch->read(buf, sizeof buf, &k, kInfinite);
  });
  std::this_thread::sleep_for(20ms);
  ch->close();
  ASSERT_EQ(endless.wait_for(kBound), std::future_status::ready);
  EXPECT_FALSE(endless.get());
  // Closed for good: even a waiting report is not read, writes fail.
  p.send(commandReport(3));
  EXPECT_FALSE(ch->read(buf, sizeof buf, &n, 1000));
  std::vector<uint8_t> out = commandReport(4);
  EXPECT_FALSE(ch->write(out.data(), out.size(), &n, 1000));
  EXPECT_FALSE(ch->sendOutputReport(out.data(), out.size()));
}

TEST(FdChannel, DeviceLossEndsReads) {
  Pair p;
  auto ch = vendorChannel(p);
  ASSERT_TRUE(ch);
  auto reader = std::async(std::launch::async, [&] {
    uint8_t buf[64];
    size_t k = 0;
    return ch->read(buf, sizeof buf, &k, kInfinite);
  });
  std::this_thread::sleep_for(20ms);
  ::close(p.device);  // the node goes away
  p.device = -1;
  ASSERT_EQ(reader.wait_for(kBound), std::future_status::ready);
  EXPECT_FALSE(reader.get());
}

TEST(FdChannel, OutputReportFallsBackToWriteWithoutIoctl) {
  Pair p;
  std::string path = "/dev/hidraw9#vid_0c76&pid_1630&mi_03";
  auto ch = makeCollectionChannel(p.host, path, {0x0C76, 0x1630, 0},
                                  tessel::sim::headsetDescriptor(), true, true);
  ASSERT_TRUE(ch);
  std::vector<uint8_t> led(17, 0);
  led[0] = 0xFF;
  led[1] = 0x22;
  led[2] = 0xAA;
  EXPECT_TRUE(ch->sendOutputReport(led.data(), led.size()));
  EXPECT_EQ(p.receive(), led);
  // The headset's single collection passes its own input reports.
  p.send({0x01, 0x04});
  uint8_t buf[8];
  size_t n = 0;
  ASSERT_TRUE(ch->read(buf, sizeof buf, &n, 1000));
  EXPECT_EQ(n, 2u);
}

TEST(FdChannel, InterfaceWithoutReportIdsGetsALeadingZero) {
  Pair p;
  // One vendor collection, no report ids, 2 bytes each way.
  std::vector<uint8_t> desc = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x15, 0x00, 0x26, 0xFF, 0x00,
                               0x75, 0x08, 0x95, 0x02, 0x09, 0x01, 0x81, 0x02, 0x09, 0x02, 0x91, 0x02, 0xC0};
  auto ch = makeCollectionChannel(p.host, "/dev/hidraw1#vid_1234&pid_0001&mi_00", {}, desc, true, true);
  ASSERT_TRUE(ch);
  p.send({0xAB, 0xCD});
  uint8_t buf[8];
  size_t n = 0;
  ASSERT_TRUE(ch->read(buf, sizeof buf, &n, 1000));
  ASSERT_EQ(n, 3u);
  EXPECT_EQ(buf[0], 0);
  EXPECT_EQ(buf[1], 0xAB);
  const uint8_t out[] = {0x00, 0x11, 0x22};
  ASSERT_TRUE(ch->write(out, sizeof out, &n, 1000));
  EXPECT_EQ(n, 3u);
  EXPECT_EQ(p.receive(), (std::vector<uint8_t>{0x11, 0x22}));
}

TEST(FdChannel, RefusesCollectionsTheDescriptorLacks) {
  Pair a, b, c;
  EXPECT_EQ(vendorChannel(a, "&col05"), nullptr);
  EXPECT_EQ(vendorChannel(b, ""), nullptr);  // four collections: "&col" is needed
  EXPECT_NE(vendorChannel(c, "&col03"), nullptr);
  // A read-only channel refuses writes.
  Pair d;
  auto ro = makeCollectionChannel(d.host, "/dev/hidraw7#vid_320f&pid_7c1f&mi_01&col04", {},
                                  tessel::sim::vendorInterfaceDescriptor(), true, false);
  ASSERT_TRUE(ro);
  std::vector<uint8_t> out = commandReport(1);
  size_t n = 0;
  EXPECT_FALSE(ro->write(out.data(), out.size(), &n, 100));
}
