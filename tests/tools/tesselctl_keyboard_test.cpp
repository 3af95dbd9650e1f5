// tesselctl get / set / apply on the keyboard: what reaches the emulated
// keyboard's memories (user key table, custom colour memory, settings block),
// bad keys and values, and the profile document alone without the keyboard.
#include <gtest/gtest.h>
#include <json/json.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>

#include "core/clock.h"
#include "sim/firmware_keyboard.h"
#include "sim/virtual_bus.h"
#include "tools/tesselctl.h"
#include "tesselctl_home.h"

namespace fs = std::filesystem;

namespace tessel::tools {
namespace {

constexpr uint8_t kWriteSettings = 0x06;
constexpr uint8_t kWriteKeyTable = 0x09;
constexpr uint8_t kWriteColours = 0x0B;
constexpr size_t kBlock = 31;
// One write of a key table or of the colour memory: 122 x 3 bytes in
// reports of at most 56 data bytes.
constexpr size_t kTableChunks = (122 * 3 + 55) / 56;

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

// The emulated keyboard's device key of a layout position: positions 0..125
// in order, leaving out the four gaps 18, 19, 20 and 104. Its LED is 121 - k.
int deviceKey(int position) {
  int k = 0;
  for (int p = 0; p < position; ++p)
    if (p != 18 && p != 19 && p != 20 && p != 104) ++k;
  return k;
}

class KeyboardKeys : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = test::MakeTesselctlHome("tessel-keyboard-keys");
    ASSERT_FALSE(home_.empty());
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(home_, ec);
  }

  void plugKeyboard() {
    fw_ = std::make_shared<sim::KeyboardFirmware>(false);
    bus_.plug("keyboard", fw_);
  }

  Outcome run(std::vector<std::string> args) {
    TesselctlContext ctx{&bus_, &clock_};
    ctx.notifySettingsChanged = [this](const std::string& kind) {
      notified_.push_back(kind);
      return true;
    };
    std::ostringstream out, err;
    Outcome r;
    r.code = runTesselctl(args, out, err, ctx);
    r.out = out.str();
    r.err = err.str();
    return r;
  }

  size_t writes() const {
    return fw_->countOf(kWriteSettings) + fw_->countOf(kWriteKeyTable) + fw_->countOf(kWriteColours);
  }
  // The settings block of the keyboard's current profile.
  std::vector<uint8_t> block() const {
    const auto s = fw_->settings();
    const size_t p = s[0];
    return {s.begin() + long(p * kBlock), s.begin() + long(p * kBlock + kBlock)};
  }
  std::vector<uint8_t> keyBytes(int position) const {
    const auto t = fw_->keyTable();
    const size_t k = size_t(deviceKey(position)) * 3;
    return {t[k], t[k + 1], t[k + 2]};
  }
  std::vector<uint8_t> ledColour(int position) const {
    const auto c = fw_->customColours();
    const size_t led = size_t(121 - deviceKey(position)) * 3;
    return {c[led], c[led + 1], c[led + 2]};
  }

  fs::path home_;
  sim::VirtualHidBus bus_;
  ManualClock clock_;
  std::shared_ptr<sim::KeyboardFirmware> fw_;
  std::vector<std::string> notified_;
};

}  // namespace

TEST_F(KeyboardKeys, KeysColoursAndOptionsReachTheKeyboardsMemories) {
  plugKeyboard();
  const Outcome set = run({"set", "keyboard", "key.5=key:ctrl+A", "key.30=fn", "key.31=m3", "light.mode=20",
                           "colour.5=ff0000", "colour.60=00ff80", "option.winlock=on", "polling=2"});
  ASSERT_EQ(set.code, 0) << set.err;
  EXPECT_EQ(keyBytes(5), (std::vector<uint8_t>{0x20, 0x01, 0x04}));
  EXPECT_EQ(keyBytes(30), (std::vector<uint8_t>{0xA0, 0x01, 0x00}));
  EXPECT_EQ(keyBytes(31), (std::vector<uint8_t>{0xD0, 0xA2, 0x03}));
  EXPECT_EQ(keyBytes(6), (std::vector<uint8_t>{0x20, 0x00, 0x3F})) << "an untouched key keeps its default";
  EXPECT_EQ(ledColour(5), (std::vector<uint8_t>{0xFF, 0x00, 0x00}));
  EXPECT_EQ(ledColour(60), (std::vector<uint8_t>{0x00, 0xFF, 0x80}));
  EXPECT_EQ(fw_->countOf(kWriteKeyTable), kTableChunks) << "the key.P keys of one set make one key table write";
  const auto b = block();
  EXPECT_EQ(b[1], 20);
  EXPECT_EQ(b[21], 1);
  EXPECT_EQ(b[22], 2);
  EXPECT_TRUE(hasLine(set.out, "key.31=m3")) << set.out;
  EXPECT_TRUE(hasLine(set.out, "option.winlock=1"));
  EXPECT_EQ(notified_, std::vector<std::string>{"keyboard"});

  const Outcome got = run({"get", "keyboard"});
  ASSERT_EQ(got.code, 0) << got.err;
  EXPECT_TRUE(hasLine(got.out, "key.5=key:ctrl+A")) << got.out;
  EXPECT_TRUE(hasLine(got.out, "key.30=fn"));
  EXPECT_TRUE(hasLine(got.out, "key.110=default"));
  EXPECT_TRUE(hasLine(got.out, "colour.5=FF0000"));
  EXPECT_TRUE(hasLine(got.out, "light.mode=20"));
  EXPECT_TRUE(hasLine(got.out, "polling=2"));
  // What get prints, set takes back without writing anything.
  fw_->clearLog();
  std::vector<std::string> back{"set", "keyboard"};
  std::istringstream in(got.out);
  for (std::string l; std::getline(in, l);) back.push_back(l);
  ASSERT_EQ(run(back).code, 0);
  EXPECT_EQ(writes(), 0u);

  // apply writes the whole profile: settings, key table and, in mode 20, the colours.
  ASSERT_EQ(run({"apply", "keyboard"}).code, 0);
  EXPECT_GE(fw_->countOf(kWriteSettings), 1u);
  EXPECT_EQ(fw_->countOf(kWriteKeyTable), kTableChunks);
  EXPECT_GE(fw_->countOf(kWriteColours), kTableChunks);
}

TEST_F(KeyboardKeys, BadKeysAndValuesExitTwoAndWriteNothing) {
  plugKeyboard();
  const std::string before = run({"get", "keyboard"}).out;
  fw_->clearLog();
  const std::vector<std::vector<std::string>> bad = {
      {"key.170=fn"},           {"key.-1=fn"},        {"key.x=fn"},          {"key.5=bogus"},
      {"key.5=m6"},             {"key.5=macro:0"},    {"key.5=raw:1:2"},     {"colour.5=zz0000"},
      {"colour.170=ff0000"},    {"option.winlock=maybe"}, {"polling=4"},     {"repeat.delay=9"},
      {"repeat.rate=-1"},       {"light.zzcc=4"},     {"light.mode=31"},     {"light.group=99"},
      {"light.mode=0"},         {"light.mode=19"},  // hidden rows of the mode list
      // One bad pair spoils the whole set.
      {"option.rollover=0", "light.brightness=7"},
  };
  for (auto pairs : bad) {
    pairs.insert(pairs.begin(), {"set", "keyboard"});
    const Outcome r = run(pairs);
    EXPECT_EQ(r.code, 2) << pairs[2] << ": " << r.err;
    EXPECT_FALSE(r.err.empty()) << pairs[2];
  }
  EXPECT_EQ(writes(), 0u);
  EXPECT_EQ(run({"get", "keyboard"}).out, before);
  EXPECT_TRUE(notified_.empty());
}

TEST_F(KeyboardKeys, RepeatKeysStayInTheDocumentAndColoursSurviveTheNextConnection) {
  plugKeyboard();
  const Outcome set = run({"set", "keyboard", "repeat.rate=31", "repeat.delay=3", "colour.7=010203"});
  ASSERT_EQ(set.code, 0) << set.err;
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u) << "nothing sends the repeat settings to the keyboard";
  // Not in the custom mode, yet the colour goes to the keyboard: the next
  // connection reads the colour memory back into the document.
  EXPECT_EQ(fw_->countOf(kWriteColours), kTableChunks);
  EXPECT_EQ(ledColour(7), (std::vector<uint8_t>{1, 2, 3}));
  const Outcome got = run({"get", "keyboard"});
  EXPECT_TRUE(hasLine(got.out, "repeat.rate=31")) << got.out;
  EXPECT_TRUE(hasLine(got.out, "repeat.delay=3"));
  EXPECT_TRUE(hasLine(got.out, "colour.7=010203"));
  ASSERT_EQ(run({"set", "keyboard", "light.mode=20"}).code, 0);
  EXPECT_EQ(ledColour(7), (std::vector<uint8_t>{1, 2, 3}));
  EXPECT_EQ(block()[1], 20);
}

TEST_F(KeyboardKeys, GetDeviceShowsWhatTheKeyboardHoldsBesideTheProfile) {
  EXPECT_EQ(run({"get", "keyboard", "--device"}).code, 1) << "no keyboard to read";
  plugKeyboard();
  ASSERT_EQ(run({"set", "keyboard", "light.brightness=1", "option.winlock=on"}).code, 0);
  // The keyboard's own keys changed them since: brightness 3, Windows lock off.
  const size_t at = size_t(block().size()) * fw_->settings()[0];
  fw_->setSettings(at + 2, {3});
  fw_->setSettings(at + 21, {0});
  fw_->clearLog();
  const Outcome got = run({"get", "keyboard", "--device"});
  ASSERT_EQ(got.code, 0) << got.err;
  EXPECT_TRUE(hasLine(got.out, "light.brightness=3  # profile: 1")) << got.out;
  EXPECT_TRUE(hasLine(got.out, "option.winlock=0  # profile: 1")) << got.out;
  EXPECT_EQ(got.out.find("key."), std::string::npos) << "the keys are not read back";
  EXPECT_EQ(writes(), 0u);
  EXPECT_TRUE(hasLine(run({"get", "keyboard"}).out, "light.brightness=1")) << "the profile is untouched";
}

TEST_F(KeyboardKeys, WithoutTheKeyboardOnlyTheDocumentChanges) {
  const Outcome set = run({"set", "keyboard", "polling=1", "key.16=game-mode", "key.17=default", "light.zzcc=2"});
  ASSERT_EQ(set.code, 0) << set.err;
  const Outcome got = run({"get", "keyboard"});
  EXPECT_TRUE(hasLine(got.out, "polling=1")) << got.out;
  EXPECT_TRUE(hasLine(got.out, "key.16=default"));  // the game-mode key is position 16's own default
  EXPECT_TRUE(hasLine(got.out, "light.zzcc=2"));
  EXPECT_EQ(run({"apply", "keyboard"}).code, 3);
  const Outcome json = run({"--json", "get", "keyboard"});
  ASSERT_EQ(json.code, 0);
  Json::Value v;
  std::istringstream in(json.out);
  Json::CharReaderBuilder b;
  std::string errs;
  ASSERT_TRUE(Json::parseFromStream(b, in, &v, &errs)) << json.out;
  EXPECT_EQ(v["polling"].asInt(), 1);
  EXPECT_EQ(v["option.rollover"].isBool(), true);
  EXPECT_EQ(v["key.0"].asString(), "default");
}

TEST_F(KeyboardKeys, AudioKeysStayInTheDocumentAndAreBounded) {
  plugKeyboard();
  fw_->clearLog();
  const Outcome set = run({"set", "keyboard", "audio.mode=4", "audio.bg=0A0B0C", "audio.fg=FF8000",
                           "audio.multicolour=1", "audio.edit=1"});
  ASSERT_EQ(set.code, 0) << set.err;
  EXPECT_EQ(writes(), 0u) << "the light thread plays the audio settings; nothing goes to the keyboard";
  const Outcome got = run({"get", "keyboard"});
  for (const char* line : {"audio.mode=4", "audio.bg=0A0B0C", "audio.fg=FF8000", "audio.multicolour=1", "audio.edit=1"})
    EXPECT_TRUE(hasLine(got.out, line)) << line << "\n" << got.out;
  for (const char* bad : {"audio.mode=7", "audio.mode=-1", "audio.fg=12345", "audio.multicolour=maybe"}) {
    const Outcome r = run({"set", "keyboard", bad});
    EXPECT_EQ(r.code, 2) << bad;
  }
  EXPECT_TRUE(hasLine(run({"get", "keyboard"}).out, "audio.mode=4"));
  // Each key is its own setting: a foreground leaves the hue wheel as it is.
  ASSERT_EQ(run({"set", "keyboard", "audio.multicolour=0"}).code, 0);
  ASSERT_EQ(run({"set", "keyboard", "audio.fg=010203"}).code, 0);
  const Outcome again = run({"get", "keyboard"});
  EXPECT_TRUE(hasLine(again.out, "audio.multicolour=0"));
  EXPECT_TRUE(hasLine(again.out, "audio.fg=010203"));
  EXPECT_EQ(writes(), 0u);
}

}  // namespace tessel::tools
