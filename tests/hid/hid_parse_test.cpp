// Device path markers, the report-descriptor parser and input unpacking.
#include <gtest/gtest.h>

#include "device/hid/hid_input.h"
#include "device/hid/hid_path.h"
#include "device/hid/report_descriptor.h"
#include "sim/products.h"

using namespace tessel::hid;

TEST(HidPath, ReadsMarkersIgnoringCase) {
  const std::string p = "/dev/hidraw3#vid_320f&pid_7c1f&mi_01&col04";
  EXPECT_EQ(pathVendorId(p), 0x320F);
  EXPECT_EQ(pathProductId(p), 0x7C1F);
  EXPECT_EQ(pathInterfaceNumber(p), 1);
  EXPECT_EQ(pathCollectionNumber(p), 4);

  const std::string upper = R"(\\?\HID#VID_0C76&PID_1630&MI_03#7&2a&0&0000#{4d1e55b2})";
  EXPECT_EQ(pathVendorId(upper), 0x0C76);
  EXPECT_EQ(pathProductId(upper), 0x1630);
  EXPECT_EQ(pathInterfaceNumber(upper), 3);
  EXPECT_EQ(pathCollectionNumber(upper), 0);  // no "&col": collection 0

  EXPECT_EQ(pathVendorId("no markers at all"), 0);
  EXPECT_EQ(pathCollectionNumber("x&col"), 0);          // marker without digits
  EXPECT_EQ(pathVendorId("vid_12345&pid_0"), 0x2345);   // low 16 bits kept
  EXPECT_EQ(pathCollectionNumber("a&COL0A"), 0x0A);     // hexadecimal
  EXPECT_EQ(pathNode(p), "/dev/hidraw3");
}

TEST(HidPath, BuiltPathsReadBack) {
  EXPECT_EQ(makeDevicePath("/dev/hidraw3", 0x320F, 0x7C1F, 1, 4), "/dev/hidraw3#vid_320f&pid_7c1f&mi_01&col04");
  std::string headset = makeDevicePath("sim/hidraw5", 0x0C76, 0x1630, 3, 0);
  EXPECT_EQ(headset, "sim/hidraw5#vid_0c76&pid_1630&mi_03");
  EXPECT_EQ(pathCollectionNumber(headset), 0);
  EXPECT_EQ(pathInterfaceNumber(headset), 3);
}

TEST(ReportDescriptor, VendorInterfaceHasFourCollections) {
  ReportDescriptor d;
  ASSERT_EQ(parseReportDescriptor(tessel::sim::vendorInterfaceDescriptor(), d), DescriptorError::None);
  ASSERT_EQ(d.collections.size(), 4u);
  EXPECT_TRUE(d.usesReportIds);
  const TopCollection& kb = d.collections[0];
  EXPECT_EQ(kb.usagePage, 0x01);
  EXPECT_EQ(kb.usage, 0x06);
  EXPECT_EQ(kb.inputReportLength, 9);  // id, modifiers, reserved, six keys
  EXPECT_EQ(d.collections[1].usage, 0x80);
  EXPECT_EQ(d.collections[1].inputReportLength, 2);

  const TopCollection& cc = d.collections[2];
  EXPECT_EQ(cc.usagePage, 0x000C);
  EXPECT_EQ(cc.usage, 0x0001);
  EXPECT_EQ(cc.inputReportIds, std::vector<uint8_t>{3});
  EXPECT_EQ(cc.inputReportLength, 3);
  EXPECT_EQ(cc.outputReportLength, 0);

  const TopCollection& vendor = d.collections[3];
  EXPECT_EQ(vendor.usagePage, 0xFF1C);
  EXPECT_EQ(vendor.usage, 0x92);
  EXPECT_EQ(vendor.reportIds, std::vector<uint8_t>{4});
  EXPECT_EQ(vendor.inputReportLength, 64);
  EXPECT_EQ(vendor.outputReportLength, 64);
  EXPECT_EQ(d.collectionForReportId(4), &vendor);
  EXPECT_EQ(d.collectionForReportId(3), &cc);
  EXPECT_EQ(d.collectionForReportId(9), nullptr);
}

TEST(ReportDescriptor, HeadsetHasOneConsumerCollectionWithLedOutput) {
  ReportDescriptor d;
  ASSERT_EQ(parseReportDescriptor(tessel::sim::headsetDescriptor(), d), DescriptorError::None);
  ASSERT_EQ(d.collections.size(), 1u);
  EXPECT_EQ(d.collections[0].usagePage, 0x000C);
  EXPECT_EQ(d.collections[0].usage, 0x0001);
  // Its only collection carries the buttons (id 1), the LED output reports
  // (id 0xFF, 17 bytes) and the 64-byte command reports (id 4).
  EXPECT_EQ(d.collections[0].outputReportLength, 64);
  EXPECT_EQ(d.collections[0].inputReportLength, 64);
  EXPECT_EQ(d.collections[0].inputReportIds, (std::vector<uint8_t>{1, 4}));
}

// A mouse interface of the usual shape: buttons, padding, signed 16-bit X/Y
// inside a physical collection, wheel, with Push/Pop and a long item.
static const std::vector<uint8_t> kMouse = {
    0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00,
    0x05, 0x09, 0x19, 0x01, 0x29, 0x05, 0x15, 0x00, 0x25, 0x01, 0x95, 0x05, 0x75, 0x01, 0x81, 0x02,
    0x95, 0x01, 0x75, 0x03, 0x81, 0x01,
    0xA4,                                            // Push
    0x05, 0x01, 0x16, 0x01, 0x80, 0x26, 0xFF, 0x7F, 0x75, 0x10, 0x95, 0x02, 0x09, 0x30, 0x09, 0x31, 0x81, 0x06,
    0xB4,                                            // Pop: back to the button page, size 3
    0xFE, 0x02, 0x10, 0xAA, 0xBB,                    // long item, skipped
    0x05, 0x01, 0x09, 0x38, 0x15, 0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x01, 0x81, 0x06,
    0xC0, 0xC0,
};

TEST(ReportDescriptor, MouseWithStackAndLongItem) {
  ReportDescriptor d;
  ASSERT_EQ(parseReportDescriptor(kMouse, d), DescriptorError::None);
  ASSERT_EQ(d.collections.size(), 1u);  // the physical collection is nested
  const TopCollection& c = d.collections[0];
  EXPECT_FALSE(d.usesReportIds);
  EXPECT_EQ(c.usage, 0x02);
  EXPECT_EQ(c.inputReportLength, 1 + 1 + 4 + 1);  // leading 0, buttons, X, Y, wheel
  ASSERT_EQ(c.fields.size(), 4u);
  EXPECT_EQ(c.fields[2].logicalMin, -32767);
  EXPECT_EQ(c.fields[2].logicalMax, 32767);
  EXPECT_EQ(c.fields[2].bitOffset, 8u);
  EXPECT_EQ(c.fields[3].bitOffset, 40u);
  EXPECT_EQ(c.fields[3].logicalMin, -127);

  std::vector<HidDataItem> items = buildInputItems(c);
  InputCapCounts counts = countInputCaps(c);
  EXPECT_EQ(counts.buttonCaps, 1);
  EXPECT_EQ(counts.valueCaps, 2);
  ASSERT_EQ(items.size(), 4u);  // buttons, X, Y, wheel
  EXPECT_TRUE(items[0].isButton);
  EXPECT_EQ(items[0].usagePage, 0x09);
  EXPECT_EQ(items[0].usages.size(), 5u);

  // Buttons 1 and 3, X = -5, Y = 300, wheel = -1.
  const uint8_t report[] = {0x00, 0x05, 0xFB, 0xFF, 0x2C, 0x01, 0xFF};
  EXPECT_EQ(unpackInput(c, report, sizeof report, items), HidStatus::Success);
  EXPECT_EQ(items[0].usages, (std::vector<uint16_t>{1, 3, 0, 0, 0}));
  EXPECT_EQ(items[1].usage, 0x30);
  EXPECT_EQ(items[1].rawValue, 0xFFFBu);
  EXPECT_EQ(items[1].scaledValue, -5);
  EXPECT_EQ(items[2].scaledValue, 300);
  EXPECT_EQ(items[3].usage, 0x38);
  EXPECT_EQ(items[3].scaledValue, -1);
  EXPECT_TRUE(items[3].isSet);

  const uint8_t shortReport[] = {0x00, 0x01, 0x00};
  EXPECT_EQ(unpackInput(c, shortReport, sizeof shortReport, items), HidStatus::InvalidReportLength);
}

TEST(ReportDescriptor, ConsumerUsageIsUnpacked) {
  ReportDescriptor d;
  ASSERT_EQ(parseReportDescriptor(tessel::sim::vendorInterfaceDescriptor(), d), DescriptorError::None);
  const TopCollection& cc = d.collections[2];
  std::vector<HidDataItem> items = buildInputItems(cc);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_TRUE(items[0].isButton);
  EXPECT_EQ(items[0].usageMax, 0x1FFF);

  const uint8_t press[] = {0x03, 0x01, 0x04};
  EXPECT_EQ(unpackInput(cc, press, sizeof press, items), HidStatus::Success);
  EXPECT_EQ(items[0].usages.front(), 0x401);
  const uint8_t release[] = {0x03, 0x00, 0x00};  // usage 0: nothing pressed
  EXPECT_EQ(unpackInput(cc, release, sizeof release, items), HidStatus::Success);
  EXPECT_EQ(items[0].usages.front(), 0);

  // A report of another id leaves the items alone.
  items[0].isSet = false;
  const uint8_t other[] = {0x04, 0x01, 0x04};
  EXPECT_EQ(unpackInput(cc, other, sizeof other, items), HidStatus::Success);
  EXPECT_FALSE(items[0].isSet);

  // Keyboard collection: modifiers as variable bits, keys as an array.
  const TopCollection& kb = d.collections[0];
  std::vector<HidDataItem> keys = buildInputItems(kb);
  const uint8_t shiftA[] = {0x01, 0x02, 0x00, 0x04, 0, 0, 0, 0, 0};
  EXPECT_EQ(unpackInput(kb, shiftA, sizeof shiftA, keys), HidStatus::Success);
  std::vector<uint16_t> set;
  EXPECT_EQ(getUsages(kb, 0x07, shiftA, sizeof shiftA, set), HidStatus::Success);
  EXPECT_EQ(set, (std::vector<uint16_t>{0xE1, 0x04}));
}

TEST(ReportDescriptor, RejectsMalformedDescriptors) {
  auto parse = [](std::vector<uint8_t> bytes) {
    ReportDescriptor d;
    DescriptorError e = parseReportDescriptor(bytes, d);
    if (e != DescriptorError::None) {
      EXPECT_TRUE(d.collections.empty());
    }
    return e;
  };
  EXPECT_EQ(parse({0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x26, 0xFF}), DescriptorError::Truncated);
  EXPECT_EQ(parse({0xFE, 0x10, 0x00, 0x01}), DescriptorError::Truncated);
  EXPECT_EQ(parse({0xB4}), DescriptorError::StackUnderflow);
  EXPECT_EQ(parse({0xC0}), DescriptorError::StackUnderflow);
  EXPECT_EQ(parse({0x09, 0x01, 0xA1, 0x01}), DescriptorError::UnclosedCollection);
  EXPECT_EQ(parse({0x75, 0x08, 0x95, 0x01, 0x81, 0x02}), DescriptorError::MainItemOutsideCollection);
  EXPECT_EQ(parse({0x85, 0x00}), DescriptorError::ReportIdZero);
  EXPECT_EQ(parse({0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0xC0,
                   0x09, 0x02, 0xA1, 0x01, 0x81, 0x02, 0xC0}),
            DescriptorError::ReportIdShared);
  std::vector<uint8_t> deep;
  for (int i = 0; i < 40; ++i) deep.insert(deep.end(), {0xA1, 0x00});
  EXPECT_EQ(parse(deep), DescriptorError::StackOverflow);
  EXPECT_EQ(parse({0x09, 0x01, 0xA1, 0x01, 0x75, 0x20, 0x96, 0xFF, 0x7F, 0x81, 0x02, 0xC0}),
            DescriptorError::ReportTooLong);
  EXPECT_EQ(parse({}), DescriptorError::None);
}

namespace {

// One top-level collection of `fields` button arrays of 32768 one-bit
// elements, each under its own report id and with one usage: every button
// capability gets room for every element of every array, so the input items
// grow with the square of `fields`.
std::vector<uint8_t> manyWideArrays(int fields) {
  std::vector<uint8_t> d = {0x05, 0x09, 0x09, 0x01, 0xA1, 0x01, 0x75, 0x01, 0x96, 0x00, 0x80, 0x25, 0x01};
  for (int i = 1; i <= fields; ++i) d.insert(d.end(), {0x85, static_cast<uint8_t>(i), 0x09, 0x01, 0x81, 0x00});
  d.push_back(0xC0);
  return d;
}

}  // namespace

TEST(ReportDescriptor, DescriptorsThatWouldAllocateMoreThanABoundAreRefused) {
  ReportDescriptor d;
  // Three arrays: about 600 KiB of items, still accepted and built.
  ASSERT_EQ(parseReportDescriptor(manyWideArrays(3), d), DescriptorError::None);
  const uint64_t three = inputItemsFootprint(d.collections[0]);
  EXPECT_GT(three, 3u * 3u * 65536u);
  EXPECT_LT(three, kMaxInterfaceBytes);
  EXPECT_EQ(buildInputItems(d.collections[0]).size(), 3u);
  // 255 arrays fit in a 1.6 KiB descriptor yet would ask for about 4 GiB.
  const std::vector<uint8_t> huge = manyWideArrays(255);
  EXPECT_LT(huge.size(), 4096u);
  EXPECT_EQ(parseReportDescriptor(huge, d), DescriptorError::TooLarge);
  EXPECT_TRUE(d.collections.empty());
  EXPECT_EQ(parseReportDescriptor(manyWideArrays(9), d), DescriptorError::TooLarge);
  // Value items: a usage range of four billion and 16384 two-bit elements per field, 100 times.
  std::vector<uint8_t> values = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x02, 0x96, 0x00, 0x40, 0x25, 0x03};
  for (int i = 1; i <= 100; ++i)
    values.insert(values.end(), {0x85, static_cast<uint8_t>(i), 0x1B, 0x00, 0x00, 0x00, 0x00, 0x2B, 0xFE,
                                 0xFF, 0xFF, 0xFF, 0x81, 0x02});
  values.push_back(0xC0);
  EXPECT_EQ(parseReportDescriptor(values, d), DescriptorError::TooLarge);
}
