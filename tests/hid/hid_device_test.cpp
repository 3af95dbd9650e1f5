// HidDevice on both backends: the virtual bus, and the hidraw channel code
// over SOCK_SEQPACKET socketpairs standing in for /dev/hidraw7.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <mutex>
#include <thread>

#include "device/hid/hid_device.h"
#include "device/hid/hidraw_backend.h"
#include "sim/virtual_bus.h"

using namespace tessel::hid;
using namespace std::chrono_literals;
using Report = std::vector<uint8_t>;

namespace {

constexpr auto kBound = 5s;  // only to avoid hanging

class Harness {
 public:
  virtual ~Harness() = default;
  virtual HidBackend& backend() = 0;
  virtual std::string path(int collection) = 0;
  virtual void deviceSends(const Report& report) = 0;
  virtual std::vector<Report> deviceReceived() = 0;
  virtual void pull() = 0;  // the product goes away
};

class BusHarness : public Harness {
 public:
  BusHarness() : mouse_(bus_.plug("mouse")) {}
  HidBackend& backend() override { return bus_; }
  std::string path(int collection) override { return mouse_->path(static_cast<uint16_t>(collection)); }
  void deviceSends(const Report& r) override { mouse_->pushInput(r); }
  std::vector<Report> deviceReceived() override { return mouse_->commandLog(); }
  void pull() override { bus_.unplug("mouse"); }

 private:
  tessel::sim::VirtualHidBus bus_;
  std::shared_ptr<tessel::sim::EmulatedProduct> mouse_;
};

// One emulated hidraw node: every open gets a socketpair; what the device
// sends goes to every open handle, as hidraw does.
class SocketBackend : public HidBackend {
 public:
  ~SocketBackend() override {
    for (int fd : peers_) ::close(fd);
  }
  bool enumerate(std::vector<std::string>& paths) override {
    paths.clear();
    for (int c = 1; c <= 4; ++c) paths.push_back(makeDevicePath("/dev/hidraw7", 0x320F, 0x7C1F, 1, c));
    return true;
  }
  std::unique_ptr<HidChannel> open(const std::string& path, bool r, bool w) override {
    std::lock_guard lock(mutex_);
    if (pulled_ || pathNode(path) != "/dev/hidraw7" || pathProductId(path) != 0x7C1F) return nullptr;
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, fds) != 0) return nullptr;
    peers_.push_back(fds[1]);
    return makeCollectionChannel(fds[0], path, {0x320F, 0x7C1F, 0x0100},
                                 tessel::sim::vendorInterfaceDescriptor(), r, w);
  }
  uint64_t changeCounter() override { return 0; }
  std::optional<NodeIdentity> identity(const std::string&) override {
    std::lock_guard lock(mutex_);
    if (pulled_) return std::nullopt;
    return NodeIdentity{7, 1};
  }
  void send(const Report& r) {
    std::lock_guard lock(mutex_);
    for (int fd : peers_) (void)::send(fd, r.data(), r.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
  }
  std::vector<Report> received() {
    std::lock_guard lock(mutex_);
    for (int fd : peers_) {
      uint8_t buf[256];
      ssize_t n;
      while ((n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT)) > 0) log_.emplace_back(buf, buf + n);
    }
    return log_;
  }
  void pull() {
    std::lock_guard lock(mutex_);
    pulled_ = true;
    for (int fd : peers_) ::close(fd);
    peers_.clear();
  }

 private:
  std::mutex mutex_;
  std::vector<int> peers_;
  std::vector<Report> log_;
  bool pulled_ = false;
};

class SocketHarness : public Harness {
 public:
  HidBackend& backend() override { return backend_; }
  std::string path(int collection) override {
    return makeDevicePath("/dev/hidraw7", 0x320F, 0x7C1F, 1, static_cast<uint16_t>(collection));
  }
  void deviceSends(const Report& r) override { backend_.send(r); }
  std::vector<Report> deviceReceived() override { return backend_.received(); }
  void pull() override { backend_.pull(); }

 private:
  SocketBackend backend_;
};

Report command(uint8_t code) {
  Report r(64, 0);
  r[0] = 4;
  r[1] = code;
  return r;
}

std::future<bool> readInBackground(HidDevice& device, int timeoutMs) {
  return std::async(std::launch::async, [&device, timeoutMs] {
    uint8_t buf[64];
    size_t n = 0;
    return device.read(buf, sizeof buf, &n, timeoutMs);
  });
}

}  // namespace

class HidDeviceTest : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    if (std::string(GetParam()) == "bus") h = std::make_unique<BusHarness>();
    else h = std::make_unique<SocketHarness>();
  }
  std::unique_ptr<Harness> h;
};

TEST_P(HidDeviceTest, OpenDescribesTheCollection) {
  HidDevice d(h->backend());
  ASSERT_TRUE(d.enumerate());
  EXPECT_EQ(d.pathCount(), 4u);
  ASSERT_TRUE(d.open(h->path(4), true, true, true, false));
  EXPECT_TRUE(d.isOpen());
  EXPECT_EQ(d.devicePath(), h->path(4));
  EXPECT_EQ(d.attributes().vendorId, 0x320F);
  EXPECT_EQ(d.attributes().productId, 0x7C1F);
  HidCaps caps = d.caps();
  EXPECT_EQ(caps.usagePage, 0xFF1C);
  EXPECT_EQ(caps.usage, 0x92);
  EXPECT_EQ(caps.inputReportByteLength, 64);
  EXPECT_EQ(caps.outputReportByteLength, 64);
  EXPECT_EQ(d.interfaceNumber(), 1u);
  EXPECT_EQ(d.collectionNumber(), 4u);

  // Opening another path closes the first; a failed open leaves it closed.
  ASSERT_TRUE(d.open(h->path(3), true, false));
  EXPECT_EQ(d.caps().usagePage, 0x000C);
  EXPECT_FALSE(d.open(h->path(9), true, true));
  EXPECT_FALSE(d.isOpen());
  uint8_t buf[64];
  size_t n = 5;
  EXPECT_FALSE(d.read(buf, sizeof buf, &n, 0));
  EXPECT_EQ(n, 0u);
}

TEST_P(HidDeviceTest, TimeOutLeavesTheObjectOpen) {
  HidDevice d(h->backend());
  ASSERT_TRUE(d.open(h->path(4), true, true));
  uint8_t buf[64];
  size_t n = 0;
  EXPECT_FALSE(d.read(buf, sizeof buf, &n, 50));
  EXPECT_TRUE(d.isOpen());

  Report out = command(0x81);
  ASSERT_TRUE(d.write(out.data(), out.size(), &n, 1000));
  EXPECT_EQ(n, 64u);
  EXPECT_EQ(h->deviceReceived(), std::vector<Report>{out});

  h->deviceSends(command(0x82));
  ASSERT_TRUE(d.read(buf, sizeof buf, &n, 1000));
  EXPECT_EQ(n, 64u);
  EXPECT_EQ(buf[1], 0x82);
}

TEST_P(HidDeviceTest, CloseEndsAnEndlessReadOnAnotherThread) {
  HidDevice d(h->backend());
  ASSERT_TRUE(d.open(h->path(4), true, true));
  auto reader = readInBackground(d, kInfinite);
  std::this_thread::sleep_for(20ms);  // let it block; the result holds either way
  d.close();
  ASSERT_EQ(reader.wait_for(kBound), std::future_status::ready);
  EXPECT_FALSE(reader.get());
  EXPECT_FALSE(d.isOpen());

  // The object opens again afterwards.
  ASSERT_TRUE(d.open(h->path(4), true, true));
  h->deviceSends(command(1));
  uint8_t buf[64];
  size_t n = 0;
  EXPECT_TRUE(d.read(buf, sizeof buf, &n, 1000));
}

TEST_P(HidDeviceTest, ConsumerReportsNeverReachTheVendorCollection) {
  HidDevice vendor(h->backend()), consumer(h->backend());
  ASSERT_TRUE(vendor.open(h->path(4), true, true));
  ASSERT_TRUE(consumer.open(h->path(3), true, false));
  h->deviceSends({0x03, 0x01, 0x04});
  h->deviceSends(command(0x55));

  uint8_t buf[64];
  size_t n = 0;
  ASSERT_TRUE(vendor.read(buf, sizeof buf, &n, 1000));
  EXPECT_EQ(buf[0], 4);
  EXPECT_EQ(buf[1], 0x55);
  EXPECT_FALSE(vendor.read(buf, sizeof buf, &n, 20));

  ASSERT_TRUE(consumer.read(buf, sizeof buf, &n, 1000));
  ASSERT_EQ(n, 3u);
  EXPECT_EQ(consumer.unpackInput(buf, n), HidStatus::Success);
  EXPECT_EQ(consumer.firstInputUsage(), 0x401);
  auto items = consumer.inputItems();
  ASSERT_FALSE(items.empty());
  EXPECT_TRUE(items[0].isSet);
  EXPECT_FALSE(consumer.read(buf, sizeof buf, &n, 20));  // the command reply was not for it
}

TEST_P(HidDeviceTest, PullingTheProductEndsReadsAndLaterOpens) {
  HidDevice d(h->backend());
  ASSERT_TRUE(d.open(h->path(4), true, true));
  auto reader = readInBackground(d, kInfinite);
  std::this_thread::sleep_for(20ms);
  h->pull();
  ASSERT_EQ(reader.wait_for(kBound), std::future_status::ready);
  EXPECT_FALSE(reader.get());
  EXPECT_FALSE(h->backend().present(h->path(4)));
  HidDevice again(h->backend());
  EXPECT_FALSE(again.open(h->path(4), true, true));
  EXPECT_FALSE(again.isOpen());
}

INSTANTIATE_TEST_SUITE_P(Backends, HidDeviceTest, ::testing::Values("bus", "hidraw"),
                         [](const auto& info) { return std::string(info.param); });
