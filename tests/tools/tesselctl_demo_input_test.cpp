// "tesselctl demo key NAME down|up" and "demo button NAME down|up": the
// command line checks the name and the direction before it reaches the
// running program, and every key name stands for a key the recording knows.
#include <gtest/gtest.h>

#include <linux/input-event-codes.h>

#include <set>
#include <sstream>

#include "input/input_mapping.h"
#include "tools/demo_input_names.h"
#include "tools/tesselctl.h"

namespace tessel::tools {
namespace {

struct Call {
  std::string what, name;
  bool down = false;
};

struct Outcome {
  int code = -1;
  std::string out, err;
};

class DemoInputCommand : public ::testing::Test {
 protected:
  Outcome run(std::vector<std::string> args, bool withBus = true) {
    TesselctlContext ctx;
    if (withBus) {
      ctx.demoScripted = [this](const std::string& what, const std::string& name, bool down, std::ostream& out,
                                std::ostream&) {
        calls_.push_back({what, name, down});
        out << "sent\n";
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
  std::vector<Call> calls_;
};

TEST_F(DemoInputCommand, KeysAndButtonsReachTheProgramWithTheirDirection) {
  EXPECT_EQ(run({"demo", "key", "a", "down"}).code, kExitOk);
  EXPECT_EQ(run({"demo", "key", "RCtrl", "up"}).code, kExitOk);  // any case
  EXPECT_EQ(run({"demo", "button", "forward", "down"}).code, kExitOk);
  EXPECT_EQ(run({"demo", "button", "left", "up"}).code, kExitOk);
  ASSERT_EQ(calls_.size(), 4u);
  EXPECT_EQ(calls_[0].what, "key");
  EXPECT_EQ(calls_[0].name, "a");
  EXPECT_TRUE(calls_[0].down);
  EXPECT_EQ(calls_[1].name, "RCtrl");
  EXPECT_FALSE(calls_[1].down);
  EXPECT_EQ(calls_[2].what, "button");
  EXPECT_EQ(calls_[2].name, "forward");
  EXPECT_TRUE(calls_[2].down);
  EXPECT_FALSE(calls_[3].down);
}

TEST_F(DemoInputCommand, BadNamesAndDirectionsAreUsageErrorsThatSendNothing) {
  const std::vector<std::vector<std::string>> bad = {
      {"demo", "key", "hyper", "down"},      {"demo", "key", "a", "pressed"},
      {"demo", "key", "a"},                  {"demo", "key", "a", "down", "up"},
      {"demo", "button", "wheel", "down"},   {"demo", "button", "a", "down"},
      {"demo", "button", "left", "clicked"}, {"demo", "key"},
  };
  for (const auto& args : bad) {
    const Outcome r = run(args);
    EXPECT_EQ(r.code, kExitUsage) << args.back();
    EXPECT_FALSE(r.err.empty()) << args.back();
  }
  EXPECT_TRUE(calls_.empty());
  const Outcome unknown = run({"demo", "key", "hyper", "down"});
  EXPECT_NE(unknown.err.find("unknown key \"hyper\""), std::string::npos) << unknown.err;
  const Outcome button = run({"demo", "button", "wheel", "up"});
  EXPECT_NE(button.err.find("left, right, middle, back, forward"), std::string::npos) << button.err;
}

TEST_F(DemoInputCommand, WithoutTheBusItSaysSoAndFails) {
  const Outcome r = run({"demo", "key", "a", "down"}, false);
  EXPECT_EQ(r.code, kExitCommandFailed);
  EXPECT_NE(r.err.find("without D-Bus"), std::string::npos) << r.err;
}

TEST(DemoInputNames, EveryKeyNameIsAKeyTheRecordingKnows) {
  // A scripted key the input mapping does not know would be dropped
  // silently while recording, so every name must map to a key event, and
  // every button name to a mouse event.
  for (const DemoInputName& row : kDemoKeyNames) {
    const auto e = input::eventFromEvdevKey(row.code, true);
    ASSERT_TRUE(e.has_value()) << row.name;
    EXPECT_EQ(e->kind, input::InputKind::Keyboard) << row.name;
  }
  for (const DemoInputName& row : kDemoButtonNames) {
    const auto e = input::eventFromEvdevKey(row.code, false);
    ASSERT_TRUE(e.has_value()) << row.name;
    EXPECT_EQ(e->kind, input::InputKind::Mouse) << row.name;
  }
  EXPECT_EQ(input::eventFromEvdevKey(KEY_RIGHTCTRL, true)->scanCode, 0x1D);
  EXPECT_TRUE(input::eventFromEvdevKey(KEY_RIGHTCTRL, true)->extended);
  // Names the help promises.
  EXPECT_EQ(demoKeyCode("A"), KEY_A);
  EXPECT_EQ(demoKeyCode("f12"), KEY_F12);
  EXPECT_EQ(demoKeyCode("ctrl"), KEY_LEFTCTRL);
  EXPECT_EQ(demoKeyCode("rctrl"), KEY_RIGHTCTRL);
  EXPECT_EQ(demoKeyCode("rshift"), KEY_RIGHTSHIFT);
  EXPECT_EQ(demoKeyCode("esc"), KEY_ESC);
  EXPECT_EQ(demoButtonCode("back"), BTN_SIDE);
  EXPECT_EQ(demoButtonCode("forward"), BTN_EXTRA);
  EXPECT_FALSE(demoKeyCode(""));
  // No name is listed twice.
  std::set<std::string_view> seen;
  for (const DemoInputName& row : kDemoKeyNames) EXPECT_TRUE(seen.insert(row.name).second) << row.name;
}

}  // namespace
}  // namespace tessel::tools
