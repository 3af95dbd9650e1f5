// hidraw enumeration fed with recorded sysfs data (what libudev reports for
// each /dev/hidraw* node on a machine with the products plugged in).
#include <gtest/gtest.h>

#include "device/hid/hid_device.h"
#include "device/hid/hid_path.h"
#include "device/hid/hidraw_backend.h"
#include "sim/products.h"

#include <sys/stat.h>

using namespace tessel::hid;

namespace {

// A boot mouse on interface 0: one collection, no report ids.
const std::vector<uint8_t> kBootMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19, 0x01, 0x29, 0x03,
    0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02, 0x95, 0x01, 0x75, 0x05, 0x81, 0x01,
    0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06,
    0xC0, 0xC0};

std::vector<SysfsRecord> recordedMachine() {
  using tessel::sim::headsetDescriptor;
  using tessel::sim::vendorInterfaceDescriptor;
  return {
      {"/dev/hidraw10", "0003:0000320F:00001004", "01", "0101", vendorInterfaceDescriptor()},
      {"/dev/hidraw2", "0003:0000320F:00007C1F", "01\n", "0100", vendorInterfaceDescriptor()},
      {"/dev/hidraw1", "0003:0000320F:00007C1F", "00", "0100", kBootMouse},
      {"/dev/hidraw4", "0003:00000C76:00001630", "03", "", headsetDescriptor()},
      {"/dev/hidraw5", "0005:0000046D:0000B023", "", "", kBootMouse},   // Bluetooth: no USB interface
      {"/dev/hidraw6", "garbage", "01", "", kBootMouse},                 // skipped
      {"/dev/hidraw7", "0003:00001234:00005678", "00", "", {0xA1, 0x01}},  // bad descriptor: skipped
  };
}

class RecordedSource : public SysfsSource {
 public:
  explicit RecordedSource(std::vector<SysfsRecord> records) : records_(std::move(records)) {}
  bool list(std::vector<SysfsRecord>& out) override {
    if (fail) return false;
    out = records_;
    return true;
  }
  std::optional<SysfsRecord> find(const std::string& node) override {
    for (const auto& r : records_)
      if (r.devNode == node) return r;
    return std::nullopt;
  }
  uint64_t changeCounter() override { return changes; }
  bool fail = false;
  uint64_t changes = 3;

 private:
  std::vector<SysfsRecord> records_;
};

}  // namespace

TEST(HidrawEnumeration, RecordedSysfsGivesOnePathPerCollection) {
  HidrawBackend backend(std::make_unique<RecordedSource>(recordedMachine()));
  std::vector<std::string> paths;
  ASSERT_TRUE(backend.enumerate(paths));
  EXPECT_EQ(paths, (std::vector<std::string>{
                       "/dev/hidraw1#vid_320f&pid_7c1f&mi_00",
                       "/dev/hidraw2#vid_320f&pid_7c1f&mi_01&col01",
                       "/dev/hidraw2#vid_320f&pid_7c1f&mi_01&col02",
                       "/dev/hidraw2#vid_320f&pid_7c1f&mi_01&col03",
                       "/dev/hidraw2#vid_320f&pid_7c1f&mi_01&col04",
                       "/dev/hidraw4#vid_0c76&pid_1630&mi_03",
                       "/dev/hidraw5#vid_046d&pid_b023&mi_00",
                       "/dev/hidraw10#vid_320f&pid_1004&mi_01&col01",
                       "/dev/hidraw10#vid_320f&pid_1004&mi_01&col02",
                       "/dev/hidraw10#vid_320f&pid_1004&mi_01&col03",
                       "/dev/hidraw10#vid_320f&pid_1004&mi_01&col04",
                   }));
  // The headset reads back as interface 3, collection 0.
  EXPECT_EQ(pathInterfaceNumber(paths[5]), 3);
  EXPECT_EQ(pathCollectionNumber(paths[5]), 0);
  EXPECT_EQ(backend.changeCounter(), 3u);
}

TEST(HidrawEnumeration, SysfsRecordsAreReadStrictly) {
  auto n = nodeFromSysfs({"/dev/hidraw2", "0003:0000320F:00007C1F\n", " 01\n", "0102", {}});
  ASSERT_TRUE(n);
  EXPECT_EQ(n->vendorId, 0x320F);
  EXPECT_EQ(n->productId, 0x7C1F);
  EXPECT_EQ(n->interfaceNumber, 1);
  EXPECT_EQ(n->versionNumber, 0x0102);
  EXPECT_FALSE(nodeFromSysfs({"/dev/hidraw2", "0003:320F", "01", "", {}}));
  EXPECT_FALSE(nodeFromSysfs({"/dev/hidraw2", "0003:XYZ:7C1F", "01", "", {}}));
  EXPECT_FALSE(nodeFromSysfs({"", "0003:0000320F:00007C1F", "01", "", {}}));
}

TEST(HidrawEnumeration, HidDeviceListGrowsAndFailsCleanly) {
  // 11 records of 4 collections each: far beyond any initial list size.
  std::vector<SysfsRecord> many;
  for (int i = 0; i < 11; ++i)
    many.push_back({"/dev/hidraw" + std::to_string(i), "0003:0000320F:00007C1F", "01", "",
                    tessel::sim::vendorInterfaceDescriptor()});
  auto source = std::make_unique<RecordedSource>(many);
  RecordedSource* raw = source.get();
  HidrawBackend backend(std::move(source));
  HidDevice device(backend);
  ASSERT_TRUE(device.enumerate());
  EXPECT_EQ(device.pathCount(), 44u);
  size_t seen = 0;
  while (auto p = device.nextPath()) {
    EXPECT_EQ(pathVendorId(*p), 0x320F);
    ++seen;
  }
  EXPECT_EQ(seen, 44u);

  raw->fail = true;
  EXPECT_FALSE(device.enumerate());
  EXPECT_EQ(device.pathCount(), 0u);
  EXPECT_FALSE(device.nextPath());

  // Paths that are not hidraw nodes, or nodes that do not exist, do not open.
  EXPECT_FALSE(device.open("sim/hidraw0#vid_320f&pid_7c1f&mi_01&col04", true, true));
  EXPECT_FALSE(device.open("/dev/hidraw-none#vid_320f&pid_7c1f&mi_01&col04", true, true));
  EXPECT_FALSE(device.isOpen());
  EXPECT_FALSE(backend.present("/dev/hidraw-none#vid_320f"));
}

TEST(HidrawEnumeration, NodeIdentityIsTheCharacterDevicesNumberAndInode) {
  HidrawBackend backend(std::make_unique<RecordedSource>(std::vector<SysfsRecord>{}));
  // Any character device stands in for a hidraw node here.
  auto null = backend.identity("/dev/null#vid_320f&pid_7c1f&mi_01");
  auto zero = backend.identity("/dev/zero#vid_320f&pid_7c1f&mi_01");
  ASSERT_TRUE(null && zero);
  EXPECT_NE(*null, *zero);
  struct stat st {};
  ASSERT_EQ(::stat("/dev/null", &st), 0);
  EXPECT_EQ(null->device, static_cast<uint64_t>(st.st_rdev));
  EXPECT_EQ(null->inode, static_cast<uint64_t>(st.st_ino));
  EXPECT_EQ(backend.identity("/dev/null#vid_320f&pid_7c1f&mi_01&col02"), null);
  // A directory or a missing node is no device.
  EXPECT_FALSE(backend.identity("/dev#vid_320f&pid_7c1f&mi_01"));
  EXPECT_FALSE(backend.identity("/dev/hidraw-none#vid_320f&pid_7c1f&mi_01"));
}
