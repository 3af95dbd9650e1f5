// tesselctl get / set / apply on the headset: its light keys against the
// emulated headset (what its settings memory keeps), its audio keys against
// the demo's emulated chip, and a machine without the headset's sound card.
#include <gtest/gtest.h>
#include <json/json.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>

#include "core/clock.h"
#include "sim/firmware_headset.h"
#include "sim/virtual_bus.h"
#include "tools/tesselctl.h"
#include "tesselctl_home.h"

namespace fs = std::filesystem;

namespace tessel::tools {
namespace {

constexpr uint8_t kWriteSettings = 0x06;

struct Outcome {
  int code = -1;
  std::string out, err;
};

bool hasLine(const std::string& text, const std::string& line) {
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);)
    if (l == line) return true;
  return false;
}

class HeadsetKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = test::MakeTesselctlHome("tessel-headset-keys");
    ASSERT_FALSE(home_.empty());
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(home_, ec);
  }

  void plugHeadset() {
    fw_ = std::make_shared<sim::HeadsetFirmware>();
    bus_.plug("headset", fw_);
  }

  // On the test's bus (the real audio system: no headset card here), or with
  // --demo on the demo's own products and chip.
  Outcome run(std::vector<std::string> args, bool demo = false) {
    TesselctlContext ctx{demo ? nullptr : &bus_, &clock_};
    ctx.notifySettingsChanged = [this](const std::string& kind) {
      notified_.push_back(kind);
      return true;
    };
    if (demo) args.insert(args.begin(), "--demo=headset");
    std::ostringstream out, err;
    Outcome r;
    r.code = runTesselctl(args, out, err, ctx);
    r.out = out.str();
    r.err = err.str();
    return r;
  }

  std::vector<uint8_t> block() const {
    const auto s = fw_->settings();
    return {s.begin(), s.begin() + 21};
  }

  fs::path home_;
  sim::VirtualHidBus bus_;
  ManualClock clock_;
  std::shared_ptr<sim::HeadsetFirmware> fw_;
  std::vector<std::string> notified_;
};

}  // namespace

TEST_F(HeadsetKeys, LightKeysMakeOneWriteToTheHeadsetsBlockAndGetReadsThemBack) {
  plugHeadset();
  const std::vector<uint8_t> before = block();
  const Outcome set = run({"set", "headset", "light.mode=7", "light.speed=4", "light.colour=102030"});
  ASSERT_EQ(set.code, 0) << set.err;
  EXPECT_EQ(fw_->countOf(kWriteSettings), 1u);
  const std::vector<uint8_t> after = block();
  EXPECT_EQ(after[1], 7);
  EXPECT_EQ(after[3], 0);  // speed 4 stored as 0
  EXPECT_EQ((std::vector<uint8_t>{after[6], after[7], after[8]}), (std::vector<uint8_t>{0x10, 0x20, 0x30}));
  EXPECT_EQ(after[4], before[4]);  // the headset's own byte
  EXPECT_EQ(std::vector<uint8_t>(after.begin() + 9, after.end()), std::vector<uint8_t>(before.begin() + 9, before.end()));
  EXPECT_TRUE(hasLine(set.out, "light.mode=7"));
  EXPECT_EQ(notified_, std::vector<std::string>{"headset"});

  const Outcome got = run({"get", "headset"});
  ASSERT_EQ(got.code, 0) << got.err;
  EXPECT_TRUE(hasLine(got.out, "light.mode=7"));
  EXPECT_TRUE(hasLine(got.out, "light.colour=102030"));
  EXPECT_TRUE(hasLine(got.out, "light.multicolour=0"));
  // What get prints, set takes back without writing anything.
  std::vector<std::string> back{"set", "headset"};
  std::istringstream in(got.out);
  for (std::string l; std::getline(in, l);) back.push_back(l);
  ASSERT_EQ(run(back).code, 0);
  EXPECT_EQ(fw_->countOf(kWriteSettings), 1u);

  ASSERT_EQ(run({"apply", "headset"}).code, 0);
  EXPECT_EQ(fw_->countOf(kWriteSettings), 2u);
  EXPECT_EQ(block()[1], 7);
}

TEST_F(HeadsetKeys, WithoutTheHeadsetsSoundCardGetSaysTheAudioGroupsAreUnavailable) {
  // No headset at all: the document's light, and no audio row.
  const Outcome got = run({"get", "headset"});
  ASSERT_EQ(got.code, 0) << got.err;
  EXPECT_TRUE(hasLine(got.out, "light.brightness=3"));
  EXPECT_EQ(got.out.find("mic.level="), std::string::npos);
  EXPECT_EQ(got.out.find("eq="), std::string::npos);
  EXPECT_NE(got.err.find("unavailable"), std::string::npos) << got.err;
  const Outcome json = run({"--json", "get", "headset"});
  ASSERT_EQ(json.code, 0);
  Json::Value v;
  std::istringstream in(json.out);
  Json::CharReaderBuilder b;
  std::string errs;
  ASSERT_TRUE(Json::parseFromStream(b, in, &v, &errs)) << json.out;
  EXPECT_TRUE(v["unavailable"].isArray());
  EXPECT_GE(v["unavailable"].size(), 1u);
  EXPECT_EQ(v["light.mode"].asInt(), 2);
  // An audio key is refused, and the light of the same set is not written either.
  plugHeadset();
  const Outcome set = run({"set", "headset", "light.mode=3", "mic.level=40"});
  EXPECT_EQ(set.code, 1);
  EXPECT_NE(set.err.find("mic.level"), std::string::npos) << set.err;
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u);
  EXPECT_TRUE(hasLine(run({"get", "headset"}).out, "light.mode=2"));
}

TEST_F(HeadsetKeys, ABadValueExitsTwoAndApplyNeedsTheHeadset) {
  EXPECT_EQ(run({"set", "headset", "light.brightness=9"}).code, 2);
  EXPECT_EQ(run({"set", "headset", "light.colour=nothex"}).code, 2);
  EXPECT_EQ(run({"set", "headset", "nosuch.key=1"}).code, 2);
  EXPECT_EQ(run({"apply", "headset"}).code, 3);
  // Without the headset the document alone changes.
  ASSERT_EQ(run({"set", "headset", "light.mode=8"}).code, 0);
  EXPECT_TRUE(hasLine(run({"get", "headset"}).out, "light.mode=8"));
  EXPECT_TRUE(notified_.size() >= 1);
}

TEST_F(HeadsetKeys, InDemoModeAudioKeysReachTheEmulatedChipAndComeBack) {
  const Outcome set = run({"set", "headset", "mic.level=40", "voice.on=1", "voice.type=3", "eq=6", "light.mode=4"}, true);
  ASSERT_EQ(set.code, 0) << set.err;
  const Outcome got = run({"get", "headset"}, true);
  ASSERT_EQ(got.code, 0) << got.err;
  EXPECT_TRUE(hasLine(got.out, "mic.level=40")) << got.out;
  EXPECT_TRUE(hasLine(got.out, "voice.on=1"));
  EXPECT_TRUE(hasLine(got.out, "voice.type=3"));
  EXPECT_TRUE(hasLine(got.out, "eq=6"));
  EXPECT_TRUE(hasLine(got.out, "light.mode=4"));
  EXPECT_EQ(got.err.find("unavailable"), std::string::npos) << got.err;
}

TEST_F(HeadsetKeys, SavingUnderAnotherPresetsNameInAnyCaseExitsOneNamingIt) {
  ASSERT_EQ(run({"set", "headset", "eq.save=Bass"}, true).code, 0);
  // While a built-in preset plays, Bass is not in use: its name is refused too.
  EXPECT_NE(run({"set", "headset", "eq.save=Bass"}, true).err.find("eq.custom=Bass"), std::string::npos);
  ASSERT_TRUE(hasLine(run({"set", "headset", "eq.custom=Bass"}, true).out, "eq.custom=Bass"));
  // Even the selected preset's name in another case is refused, naming it.
  for (const char* pair : {"eq.save=BASS", "eq.save=bass"}) {
    const Outcome r = run({"set", "headset", "eq.band.0=5", pair}, true);
    EXPECT_EQ(r.code, 1) << pair;
    EXPECT_NE(r.err.find("\"Bass\" already has that name"), std::string::npos) << r.err;
  }
  EXPECT_TRUE(hasLine(run({"get", "headset"}, true).out, "eq.band.0=0"));
  // Its exact name overwrites it (the next run reads the band from the preset).
  ASSERT_EQ(run({"set", "headset", "eq.band.0=5", "eq.save=Bass"}, true).code, 0);
  EXPECT_TRUE(hasLine(run({"get", "headset"}, true).out, "eq.band.0=5"));
}

}  // namespace tessel::tools
