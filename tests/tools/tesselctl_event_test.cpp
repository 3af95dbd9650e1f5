// "tesselctl event NAME WPARAM LPARAM": the numbers are checked before
// anything reaches the running program, in decimal or 0x hex, WPARAM
// unsigned and LPARAM signed 64-bit.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "tools/tesselctl.h"
#include "tools/tesselctl_internal.h"

namespace tessel::tools {
namespace {

struct Posted {
  std::string name;
  uint64_t wParam = 0;
  int64_t lParam = 0;
};

struct Outcome {
  int code = -1;
  std::string out, err;
};

class EventCommand : public ::testing::Test {
 protected:
  // The program's side is a recorder here; the real D-Bus call is checked
  // end to end by tesselctl_event_e2e_test.sh.
  Outcome run(std::vector<std::string> args, bool withBus = true) {
    TesselctlContext ctx;
    if (withBus) {
      ctx.postEvent = [this](const std::string& name, uint64_t w, int64_t l, std::ostream&, std::ostream&) {
        posted_.push_back({name, w, l});
        return kExitOk;
      };
    }
    std::ostringstream out, err;
    Outcome r;
    r.code = runTesselctl(args, out, err, ctx);
    r.out = out.str();
    r.err = err.str();
    return r;
  }
  std::vector<Posted> posted_;
};

TEST(EventNumbers, DecimalAndHexWithinTheirRanges) {
  EXPECT_EQ(parseEventWParam("0"), 0u);
  EXPECT_EQ(parseEventWParam("0x1F"), 31u);
  EXPECT_EQ(parseEventWParam("18446744073709551615"), std::numeric_limits<uint64_t>::max());
  EXPECT_EQ(parseEventWParam("0xffffffffffffffff"), std::numeric_limits<uint64_t>::max());
  for (const char* bad : {"", "-1", "18446744073709551616", "0x10000000000000000", "0x", "12a", "0x1g", " 1",
                          "+1", "1.5"})
    EXPECT_EQ(parseEventWParam(bad), std::nullopt) << bad;
  EXPECT_EQ(parseEventLParam("-5"), -5);
  EXPECT_EQ(parseEventLParam("0x01030205"), 0x01030205);
  EXPECT_EQ(parseEventLParam("-0x10"), -16);
  EXPECT_EQ(parseEventLParam("9223372036854775807"), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(parseEventLParam("-9223372036854775808"), std::numeric_limits<int64_t>::min());
  for (const char* bad : {"", "-", "9223372036854775808", "0x8000000000000000", "-9223372036854775809", "--1",
                          "0x-1", "5x"})
    EXPECT_EQ(parseEventLParam(bad), std::nullopt) << bad;
}

TEST_F(EventCommand, PostsTheMessageWithItsNumbers) {
  const Outcome r = run({"event", "Game_Kill", "0", "0x01030205"});
  EXPECT_EQ(r.code, kExitOk);
  ASSERT_EQ(posted_.size(), 1u);
  EXPECT_EQ(posted_[0].name, "Game_Kill");
  EXPECT_EQ(posted_[0].lParam, 0x01030205);
  EXPECT_EQ(run({"event", "Game_Start", "0x2", "-1"}).code, kExitOk);
  ASSERT_EQ(posted_.size(), 2u);
  EXPECT_EQ(posted_[1].wParam, 2u);
  EXPECT_EQ(posted_[1].lParam, -1);
}

TEST_F(EventCommand, BadArgumentsAreUsageErrorsThatPostNothing) {
  const std::vector<std::vector<std::string>> bad = {
      {"event"},
      {"event", "Game_Start"},
      {"event", "Game_Start", "1"},
      {"event", "Game_Start", "1", "2", "3"},
      {"event", "", "1", "2"},
      {"event", "Game_Start", "-1", "2"},
      {"event", "Game_Start", "one", "2"},
      {"event", "Game_Start", "1", "0x8000000000000000"},
  };
  for (const auto& args : bad) {
    const Outcome r = run(args);
    EXPECT_EQ(r.code, kExitUsage) << args.size();
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_TRUE(posted_.empty());
  EXPECT_NE(run({"event", "Game_End", "x", "0"}).err.find("WPARAM"), std::string::npos);
}

TEST_F(EventCommand, WithoutDBusItSaysSoAndFails) {
  const Outcome noBus = run({"event", "Game_End", "1", "2"}, false);
  EXPECT_EQ(noBus.code, kExitCommandFailed);
  EXPECT_NE(noBus.err.find("without D-Bus"), std::string::npos);
}

}  // namespace
}  // namespace tessel::tools
