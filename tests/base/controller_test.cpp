// The controller half of the device base object, against emulated products.
#include <gtest/gtest.h>

#include <atomic>

#include "device/base/usb_device_controller.h"
#include "devices/keyboard/keyboard_controller.h"
#include "sim/firmware_products.h"
#include "sim/virtual_bus.h"

using namespace tessel;
using namespace std::chrono;

namespace {

struct Product {
  std::shared_ptr<sim::EmulatedProduct> product;
  sim::CommandFirmware* firmware = nullptr;
};

Product plug(sim::VirtualHidBus& bus, std::string_view name) {
  std::shared_ptr<sim::CommandFirmware> fw = sim::makeProductFirmware(name);
  Product p;
  p.firmware = fw.get();
  p.product = bus.plug(name, fw);
  return p;
}

template <typename Pred>
bool eventually(Pred pred) {
  for (int i = 0; i < 5000; ++i) {
    if (pred()) return true;
    std::this_thread::sleep_for(1ms);
  }
  return pred();
}

}  // namespace

TEST(DeviceController, LightTickSendsTheFrameOnTheCableOnlyWhileLightControlIsOn) {
  sim::VirtualHidBus bus;
  Product mouse = plug(bus, "mouse");
  UsbDeviceController device(bus);
  device.setLightZoneCount(15);
  ASSERT_TRUE(device.transport().connect(mouse.product->commandPath(), 1));
  device.setZoneColour(0, packZone(255, 0, 0, 255));
  device.setZoneColour(14, packZone(0, 0, 200, 128));
  device.setZoneColour(15, packZone(1, 1, 1, 1));  // beyond the zones: ignored

  device.setLightControlOn(false);
  EXPECT_TRUE(device.lightTick().empty());
  device.setLightControlOn(true);
  auto frame = device.lightTick();
  ASSERT_EQ(frame.size(), 45u);
  ASSERT_TRUE(eventually([&] { return mouse.firmware->liveFrameChunks() > 0; }));
  auto stored = mouse.firmware->liveFrame();
  ASSERT_GE(stored.size(), 45u);
  EXPECT_EQ(stored[0], 254);          // 255 x 255 / 256
  EXPECT_EQ(stored[14 * 3 + 2], 100);  // 200 x 128 / 256
  device.shutdown();
}

TEST(DeviceController, OnTheReceiverTheTickUpdatesThePictureButSendsNothing) {
  sim::VirtualHidBus bus;
  Product mouse = plug(bus, "mouse-receiver");
  UsbDeviceController device(bus);
  device.setLightZoneCount(15);
  ASSERT_TRUE(device.transport().connect(mouse.product->commandPath(), 2));
  device.setZoneColour(3, packZone(10, 10, 10, 255));
  auto frame = device.lightTick();
  EXPECT_EQ(frame.size(), 45u);
  device.shutdown();  // the frame sender has finished whatever it had
  EXPECT_EQ(mouse.firmware->liveFrameChunks(), 0);
}

TEST(DeviceController, ResumingLightingSends0x1COnlyToTheKeyboardOnItsCable) {
  sim::VirtualHidBus bus;
  Product keyboard = plug(bus, "keyboard");
  Product mouse = plug(bus, "mouse");
  Product receiver = plug(bus, "keyboard-receiver");
  KeyboardController kb(bus), wireless(bus);
  UsbDeviceController ms(bus);
  ASSERT_TRUE(kb.transport().connect(keyboard.product->commandPath(), 1));
  ASSERT_TRUE(ms.transport().connect(mouse.product->commandPath(), 1));
  ASSERT_TRUE(wireless.transport().connect(receiver.product->commandPath(), 2));
  kb.setIdentity({0x320F, 0x5089, 1, 4, 1, 0, 1, 0xFF1C, 0x92, 1, 2, {}});
  wireless.setIdentity({0x320F, 0x5089, 1, 4, 1, 0, 1, 0xFF1C, 0x92, 1, 2, {}});
  ms.setIdentity({0x320F, 0x7C1F, 1, 4, 2, 0, 1, 0xFF1C, 0x92, 1, 6, {}});
  kb.resumeLighting(false);
  ms.resumeLighting(true);
  EXPECT_EQ(keyboard.firmware->resumeLightingCount(), 0);
  kb.resumeLighting(true);
  EXPECT_EQ(keyboard.firmware->resumeLightingCount(), 1);
  EXPECT_EQ(mouse.firmware->resumeLightingCount(), 0);
  EXPECT_TRUE(ms.lightControlOn());
  // Through its receiver the keyboard keeps the flag but gets no command.
  wireless.resumeLighting(true);
  EXPECT_TRUE(wireless.lightControlOn());
  EXPECT_EQ(receiver.firmware->resumeLightingCount(), 0);
  EXPECT_EQ(receiver.product->commandLog().size(), 0u);
}

TEST(DeviceController, InputReaderReportsSettingsChangesAndEndsWhenClosed) {
  sim::VirtualHidBus bus;
  Product keyboard = plug(bus, "keyboard");
  struct Recording : UsbDeviceController {
    using UsbDeviceController::UsbDeviceController;
    std::atomic<int> other{0};
    void inputUsage(uint16_t usage) override {
      if (usage == 0x402) ++other;
    }
  } device(bus);
  std::atomic<int> changed{0};
  device.setSettingsChangedHandler([&] { ++changed; });
  ASSERT_TRUE(device.openInput(keyboard.product->inputPath(), false));
  EXPECT_TRUE(device.inputOpen(false));
  // The consumer-control report: id 3, one 16-bit usage.
  keyboard.product->pushConsumerInput({3, 0x01, 0x04});
  keyboard.product->pushConsumerInput({3, 0x02, 0x04});
  EXPECT_TRUE(eventually([&] { return changed.load() == 1 && device.other.load() == 1; }));
  // Closing ends the endless read at once; the thread is joined.
  device.closeInput(false);
  EXPECT_FALSE(device.inputOpen(false));
  keyboard.product->pushConsumerInput({3, 0x01, 0x04});
  EXPECT_EQ(changed.load(), 1);
  // It can be opened again (a hand-over or a replug).
  ASSERT_TRUE(device.openInput(keyboard.product->inputPath(), false));
  keyboard.product->pushConsumerInput({3, 0x01, 0x04});
  EXPECT_TRUE(eventually([&] { return changed.load() == 2; }));
}

TEST(DeviceController, UnplugEndsAPendingReadAndTheReaderStopsCleanly) {
  sim::VirtualHidBus bus;
  Product mouse = plug(bus, "mouse");
  UsbDeviceController device(bus);
  ASSERT_TRUE(device.openInput(mouse.product->inputPath(), false));
  ASSERT_TRUE(bus.unplug("mouse"));
  device.closeInputs();
  EXPECT_FALSE(device.inputOpen(false));
}

TEST(DeviceController, WindowHiddenIsKeptOnlyByBatteryDevicesAndAudioBandsRotate) {
  sim::VirtualHidBus bus;
  UsbDeviceController device(bus);
  device.setWindowHidden(true);
  EXPECT_FALSE(device.windowHidden());
  device.setBatteryFlag(true);
  device.setWindowHidden(true);
  EXPECT_TRUE(device.windowHidden());

  for (int i = 0; i < 23; ++i) device.setAudioBand(i, static_cast<uint8_t>(i + 1));
  device.audioBandRotate(true);
  EXPECT_EQ(device.audioBand(0), 23);
  EXPECT_EQ(device.audioBand(1), 1);
  device.audioBandRotate(false);
  EXPECT_EQ(device.audioBand(0), 1);
  EXPECT_EQ(device.audioBand(22), 23);
  device.setAudioBand(5, 16);
  device.audioBandDecay(5, 29);
  EXPECT_EQ(device.audioBand(5), 0);
  device.audioBandDecay(99, 0);  // out of range: ignored
  device.clearAudioBuffers();
  EXPECT_EQ(device.audioBand(22), 0);
}

// A picture that stands goes again half a second later only while it may not
// be on the device whole, and after that every ten seconds; a change goes out
// at once.
TEST(DeviceController, AStillPictureGoesAgainOnlyUntilItArrivedWhole) {
  sim::VirtualHidBus bus;
  Product mouse = plug(bus, "mouse");
  ManualClock clock;
  UsbDeviceController device(bus, clock);
  device.setLightZoneCount(15);
  ASSERT_TRUE(device.transport().connect(mouse.product->commandPath(), 1));
  auto sentFrames = [&] {
    EXPECT_TRUE(device.waitFramesIdle(Millis(2000)));
    size_t n = 0;
    for (const auto& r : mouse.firmware->requests()) n += r.command == 0x12;
    return n;
  };
  device.setZoneColour(0, packZone(1, 2, 3, 255));
  device.lightTick();
  for (int i = 0; i < 50; ++i) {  // 250 ms of ticks with the same picture
    clock.advance(5ms);
    device.lightTick();
  }
  EXPECT_EQ(sentFrames(), 1u);
  EXPECT_EQ(device.stillFramePause(), StillFrameGate::kRefresh);
  clock.advance(StillFrameGate::kRetry);
  device.lightTick();
  EXPECT_EQ(sentFrames(), 1u) << "it arrived whole: nothing to send again yet";

  // The next picture is refused by the mouse: it goes again after kRetry.
  mouse.firmware->injectFault({sim::FaultKind::StatusFF, 0x12, 0, 1});
  device.setZoneColour(0, packZone(9, 2, 3, 255));
  device.lightTick();
  EXPECT_EQ(sentFrames(), 2u);
  EXPECT_EQ(device.stillFramePause(), StillFrameGate::kRetry);
  clock.advance(StillFrameGate::kRetry);
  device.lightTick();
  EXPECT_EQ(sentFrames(), 3u);
  EXPECT_EQ(device.stillFramePause(), StillFrameGate::kRefresh);
  clock.advance(StillFrameGate::kRefresh);
  device.lightTick();
  EXPECT_EQ(sentFrames(), 4u);
  device.pictureLost();  // connected again: the same picture goes at once
  device.lightTick();
  EXPECT_EQ(sentFrames(), 5u);
  device.resumeLighting(false);
  EXPECT_EQ(device.stillFramePause(), StillFrameGate::kRefresh);
  device.shutdown();
}

namespace {
// The virtual bus, counting the reads made on the channels it opens.
class CountingBackend : public hid::HidBackend {
 public:
  explicit CountingBackend(hid::HidBackend& inner) : inner_(inner) {}
  bool enumerate(std::vector<std::string>& paths) override { return inner_.enumerate(paths); }
  uint64_t changeCounter() override { return inner_.changeCounter(); }
  std::optional<hid::NodeIdentity> identity(const std::string& path) override { return inner_.identity(path); }
  std::unique_ptr<hid::HidChannel> open(const std::string& path, bool r, bool w) override {
    auto channel = inner_.open(path, r, w);
    if (!channel) return nullptr;
    return std::make_unique<Channel>(std::move(channel), reads);
  }
  std::atomic<int> reads{0};

 private:
  struct Channel : hid::HidChannel {
    Channel(std::unique_ptr<hid::HidChannel> c, std::atomic<int>& n) : inner(std::move(c)), reads(n) {}
    bool read(uint8_t* b, size_t l, size_t* c, int t) override {
      ++reads;
      return inner->read(b, l, c, t);
    }
    bool write(const uint8_t* b, size_t l, size_t* c, int t) override { return inner->write(b, l, c, t); }
    bool sendOutputReport(const uint8_t* b, size_t l) override { return inner->sendOutputReport(b, l); }
    void cancel() override { inner->cancel(); }
    void close() override { inner->close(); }
    hid::HidAttributes attributes() const override { return inner->attributes(); }
    std::vector<uint8_t> reportDescriptor() const override { return inner->reportDescriptor(); }
    std::unique_ptr<hid::HidChannel> inner;
    std::atomic<int>& reads;
  };
  hid::HidBackend& inner_;
};
}  // namespace

TEST(DeviceController, AReaderOnALostHandleBacksOffInsteadOfSpinning) {
  sim::VirtualHidBus bus;
  Product keyboard = plug(bus, "keyboard");
  CountingBackend counting(bus);
  UsbDeviceController device(counting);
  ASSERT_TRUE(device.openInput(keyboard.product->inputPath(), false));
  ASSERT_TRUE(bus.unplug("keyboard"));  // every read now fails at once
  std::this_thread::sleep_for(400ms);
  // Waits of 10, 20, 40, 80, 160 ms...: a handful of reads, not one per millisecond.
  EXPECT_LE(counting.reads.load(), 12);
  EXPECT_GE(counting.reads.load(), 2);
  device.closeInputs();  // the removal still ends it promptly
  EXPECT_FALSE(device.inputOpen(false));
}

TEST(DeviceController, AReaderThatCannotStartClosesItsHandle) {
  sim::VirtualHidBus bus;
  Product keyboard = plug(bus, "keyboard");
  UsbDeviceController device(bus);
  std::atomic<bool> entered{false}, release{false};
  // A handler that holds the reader longer than closing waits for it.
  device.setSettingsChangedHandler([&] {
    entered = true;
    while (!release.load()) std::this_thread::sleep_for(1ms);
  });
  ASSERT_TRUE(device.openInput(keyboard.product->inputPath(), false));
  keyboard.product->pushConsumerInput({3, 0x01, 0x04});
  ASSERT_TRUE(eventually([&] { return entered.load(); }));
  // Opening again: the old reader does not end in time, so no new one starts.
  EXPECT_FALSE(device.openInput(keyboard.product->inputPath(), false));
  EXPECT_FALSE(device.inputOpen(false));
  release = true;
  // Once the old reader has ended a new one starts as usual.
  ASSERT_TRUE(eventually([&] { return device.openInput(keyboard.product->inputPath(), false); }));
  EXPECT_TRUE(device.inputOpen(false));
  device.closeInputs();
}
