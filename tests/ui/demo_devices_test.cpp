// Demo mode's control object: input reports on cue reach the product's input
// interface, and the devices object routes a re-read by kind.
#include <gtest/gtest.h>

#include <filesystem>

#include "device/hid/hid_device.h"
#include "sim/firmware_store.h"
#include "ui/demo_devices.h"
#include "ui/devices_bus.h"

namespace fs = std::filesystem;
using namespace tessel;
using namespace tessel::ui;

namespace {

class DemoInput : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/tessel-demo-input-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    home_ = tmpl;
    ::setenv("XDG_STATE_HOME", (home_ / "state").c_str(), 1);
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(home_, ec);
  }
  // The next report on a product's input interface, or an empty one.
  std::vector<uint8_t> nextInput(hid::HidDevice& input) {
    std::vector<uint8_t> buffer(64, 0);
    size_t n = 0;
    if (!input.read(buffer.data(), buffer.size(), &n, 1000)) return {};
    buffer.resize(n);
    return buffer;
  }
  fs::path home_;
};

}  // namespace

TEST_F(DemoInput, AUsageReachesTheProductsInputInterface) {
  DemoDevices demo;
  ASSERT_TRUE(demo.Start(QStringLiteral("mouse,keyboard-receiver")));
  auto mouse = demo.Bus().product("mouse");
  hid::HidDevice input(demo.Bus());
  ASSERT_TRUE(input.open(mouse->inputPath(), true, false));
  ASSERT_TRUE(demo.Input(QStringLiteral("mouse"), 0x1123));
  EXPECT_EQ(nextInput(input), (std::vector<uint8_t>{3, 0x23, 0x11}));

  // A kind name reaches the receiver when only that is plugged.
  hid::HidDevice keyboardInput(demo.Bus());
  ASSERT_TRUE(keyboardInput.open(demo.Bus().product("keyboard-receiver")->inputPath(), true, false));
  EXPECT_TRUE(demo.Input(QStringLiteral("keyboard"), 0x0401));
  EXPECT_EQ(nextInput(keyboardInput), (std::vector<uint8_t>{3, 0x01, 0x04}));

  EXPECT_FALSE(demo.Input(QStringLiteral("mouse-receiver"), 0x1123)) << "not plugged";
  EXPECT_FALSE(demo.Input(QStringLiteral("headset"), 0x1123));
  EXPECT_FALSE(demo.Input(QStringLiteral("mouse"), 0x10000)) << "16 bits only";
  // The products keep their memories in the store.
  EXPECT_TRUE(fs::exists(home_ / "state" / "tessel-rgb" / "demo" / "mouse.json"));
}

TEST(DevicesBus, DeviceChangedRoutesByKindNameAndRefusesOthers) {
  std::vector<DeviceKind> asked;
  DevicesBusObject object([&](DeviceKind kind) {
    asked.push_back(kind);
    return 2;
  });
  EXPECT_EQ(object.DeviceChanged(QStringLiteral("mouse")), 2);
  EXPECT_EQ(object.DeviceChanged(QStringLiteral("headset")), 2);
  EXPECT_EQ(object.DeviceChanged(QStringLiteral("MousePad")), -1);
  EXPECT_EQ(object.DeviceChanged(QStringLiteral("toaster")), -1);
  EXPECT_EQ(asked, (std::vector<DeviceKind>{DeviceKind::Mouse, DeviceKind::Headset}));
}
