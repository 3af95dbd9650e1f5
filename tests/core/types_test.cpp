#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "core/clock.h"
#include "core/device_types.h"
#include "core/interface_key.h"
#include "core/result_code.h"
#include "core/timestamp_id.h"

using namespace tessel;
using namespace std::chrono;
namespace fs = std::filesystem;

TEST(ResultCodes, IntegersRoundTripAndEachHasAText) {
  for (int v : {1, 0, -1, -101, -102, -103, -201}) {
    ResultCode r = resultFromInt(v);
    EXPECT_EQ(toInt(r), v);
    EXPECT_FALSE(resultText(r).empty());
  }
  EXPECT_EQ(resultFromInt(-7), ResultCode::NotSent);
  EXPECT_EQ(resultText(ResultCode::StatusFF), "device answered status 0xFF");
}

TEST(DeviceTypes, CodesMapToKindsAndFolderNames) {
  EXPECT_EQ(kindName(kindOf(*deviceTypeFromCode(1))), "keyboard");
  EXPECT_EQ(kindName(kindOf(*deviceTypeFromCode(9))), "keyboard");
  EXPECT_EQ(kindName(kindOf(*deviceTypeFromCode(2))), "mouse");
  EXPECT_EQ(kindName(kindOf(*deviceTypeFromCode(6))), "mouse");
  EXPECT_EQ(kindName(kindOf(*deviceTypeFromCode(3))), "MousePad");
  EXPECT_EQ(kindName(kindOf(*deviceTypeFromCode(7))), "HD");
  for (uint16_t bad : {0, 4, 5, 8, 10, 0xFF}) EXPECT_FALSE(deviceTypeFromCode(bad).has_value());
  EXPECT_TRUE(isReceiver(DeviceType::MouseReceiver));
  EXPECT_TRUE(isReceiver(DeviceType::KeyboardReceiver));
  EXPECT_FALSE(isReceiver(DeviceType::MouseCable));
  EXPECT_EQ(kindFromName("MousePad"), DeviceKind::MousePad);
  EXPECT_EQ(kindFromName("mousepad"), std::nullopt);  // folder names are exact
}

TEST(InterfaceKeyEquality, IgnoresPresencePartnerAndPath) {
  InterfaceKey row{0x320F, 0x7C1F, 1, 4, 2, kRoleCommand, 0, 0xFF1C, 0x92, 1, 6, ""};
  InterfaceKey found = row;
  found.present = 1;
  found.hasPartner = 0;
  found.partnerRow = 0;
  found.path = "/dev/hidraw3#vid_320f&pid_7c1f&mi_01&col04";
  EXPECT_EQ(row, found);
  for (auto change : std::initializer_list<void (*)(InterfaceKey&)>{
           [](InterfaceKey& k) { k.vendorId = 0x0C76; }, [](InterfaceKey& k) { k.productId = 0x7C20; },
           [](InterfaceKey& k) { k.interfaceNumber = 0; }, [](InterfaceKey& k) { k.collectionNumber = 3; },
           [](InterfaceKey& k) { k.typeCode = 6; }, [](InterfaceKey& k) { k.role = kRoleInput; },
           [](InterfaceKey& k) { k.usagePage = 0x0C; }, [](InterfaceKey& k) { k.usage = 1; }}) {
    InterfaceKey other = found;
    change(other);
    EXPECT_FALSE(row == other);
  }
}

namespace {
// Local time is part of the identifier; pin the zone for the test.
struct UtcZone {
  std::optional<std::string> saved;
  UtcZone() {
    if (const char* tz = std::getenv("TZ")) saved = tz;
    setenv("TZ", "UTC", 1);
    tzset();
  }
  ~UtcZone() {
    if (saved) setenv("TZ", saved->c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }
};
}  // namespace

TEST(TimestampId, FormatsLocalTimeWithMilliseconds) {
  UtcZone utc;
  ManualClock clock;  // 2026-03-04 05:06:07.089 UTC
  EXPECT_EQ(formatTimestampId(clock.wallNow()), "2026_03_04_05_06_07_089");
  setenv("TZ", "Asia/Tokyo", 1);  // UTC+9, no daylight saving
  tzset();
  if (std::filesystem::exists("/usr/share/zoneinfo/Asia/Tokyo")) {
    EXPECT_EQ(formatTimestampId(clock.wallNow()), "2026_03_04_14_06_07_089");
  }
}

TEST(TimestampId, IdentifiersAskedForInTheSameMillisecondDiffer) {
  UtcZone utc;
  ManualClock clock;
  TimestampIdGenerator ids(clock);
  std::set<std::string> seen;
  for (int i = 0; i < 1500; ++i) EXPECT_TRUE(seen.insert(ids.next()).second);
  // 1500 bumps from .089 carry into the following seconds correctly.
  EXPECT_TRUE(seen.count("2026_03_04_05_06_08_000"));
  EXPECT_TRUE(seen.count("2026_03_04_05_06_08_588"));
  // Once real time passes the bumped value, identifiers follow the clock again.
  clock.advance(seconds(10));
  EXPECT_EQ(ids.next(), "2026_03_04_05_06_17_089");
}

TEST(TimestampId, SkipsNamesThatAFileInTheFolderAlreadyHas) {
  UtcZone utc;
  char pattern[] = "/tmp/tessel-ids-XXXXXX";
  fs::path dir = mkdtemp(pattern);
  std::ofstream(dir / "2026_03_04_05_06_07_089.Json") << "{}";
  std::ofstream(dir / "2026_03_04_05_06_07_090.Json") << "{}";
  ManualClock clock;
  TimestampIdGenerator ids(clock);
  EXPECT_EQ(ids.next(dir, ".Json"), "2026_03_04_05_06_07_091");
  // Another extension does not collide.
  TimestampIdGenerator other(clock);
  EXPECT_EQ(other.next(dir, ".mac"), "2026_03_04_05_06_07_089");
  fs::remove_all(dir);
}

TEST(TimestampId, ClockGoingBackwardsNeverRepeatsAnIdentifier) {
  UtcZone utc;
  ManualClock clock;
  TimestampIdGenerator ids(clock);
  std::string first = ids.next();
  clock.setWallTime(clock.wallNow() - seconds(5));
  std::string second = ids.next();
  EXPECT_NE(first, second);
  EXPECT_GT(second, first);
}
