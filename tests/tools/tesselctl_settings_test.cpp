// tesselctl get / set / apply on the emulated mouse: what the firmware
// received and keeps, what the profile document holds, and that a bad pair
// changes nothing anywhere.
#include <gtest/gtest.h>
#include <json/json.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "config/setting_keys.h"
#include "core/clock.h"
#include "devices/mouse/mouse_buttons.h"
#include "devices/mouse/mouse_encoding.h"
#include "macros/macro_library.h"
#include "platform/file_io.h"
#include "sim/firmware_mouse.h"
#include "sim/firmware_mousepad.h"
#include "sim/virtual_bus.h"
#include "tools/tesselctl.h"
#include "tesselctl_home.h"

namespace fs = std::filesystem;

namespace tessel::tools {
namespace {

constexpr uint8_t kWriteSettings = 0x06, kWriteKeys = 0x09;
constexpr size_t kStage = 14, kStageSize = 9;

struct Outcome {
  int code = -1;
  std::string out, err;
};

class Settings : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = test::MakeTesselctlHome("tessel-settings-test");
    ASSERT_FALSE(home_.empty());
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(home_, ec);
  }

  void plugMouse(bool receiver = false) {
    fw_ = std::make_shared<sim::MouseFirmware>(receiver);
    bus_.plug(receiver ? "mouse-receiver" : "mouse", fw_);
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

  // The current mouse profile document as stored.
  std::string documentText() {
    const fs::path folder = home_ / "XDG_DATA_HOME" / "ORVIK Tessel RGB" / "mouse";
    for (const auto& e : fs::directory_iterator(folder))
      if (e.path().extension() == ".Json") return readFileBytes(e.path()).value_or("");
    return {};
  }
  Json::Value document() {
    Json::Value v;
    std::istringstream in(documentText());
    Json::CharReaderBuilder b;
    std::string errs;
    Json::parseFromStream(b, in, &v, &errs);
    return v["Device"][0];
  }

  std::vector<uint8_t> stageBytes(int stage) const {
    const auto s = fw_->settings();
    const size_t at = kStage + kStageSize * static_cast<size_t>(stage);
    return {s.begin() + static_cast<long>(at), s.begin() + static_cast<long>(at + kStageSize)};
  }

  fs::path home_;
  sim::VirtualHidBus bus_;
  ManualClock clock_;
  std::shared_ptr<sim::MouseFirmware> fw_;
  std::vector<std::string> notified_;
};

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

bool hasLine(const std::string& text, const std::string& line) {
  const auto all = lines(text);
  return std::find(all.begin(), all.end(), line) != all.end();
}

}  // namespace

TEST_F(Settings, GetPrintsWhatTheMouseAndTheDocumentHoldAndSetTakesItBackWritingNothing) {
  plugMouse();
  const Outcome got = run({"get", "mouse"});
  ASSERT_EQ(got.code, kExitOk) << got.err;
  // The factory mouse: stage 1 at index 14 on the two-slope scale, active stage 1, polling 3.
  EXPECT_TRUE(hasLine(got.out, "stage.1.index=14")) << got.out;
  EXPECT_TRUE(hasLine(got.out, "stage.1.dpi=1600"));
  EXPECT_TRUE(hasLine(got.out, "stage.0.colour=FF0000"));
  EXPECT_TRUE(hasLine(got.out, "stage.active=1"));
  EXPECT_TRUE(hasLine(got.out, "polling=3"));
  EXPECT_TRUE(hasLine(got.out, "light.brightness=3"));
  EXPECT_TRUE(hasLine(got.out, "button.0=default"));
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u) << "get writes nothing";

  std::vector<std::string> back = {"set", "mouse"};
  for (const auto& l : lines(got.out)) back.push_back(l);
  fw_->clearLog();
  const Outcome set = run(back);
  EXPECT_EQ(set.code, kExitOk) << set.err;
  EXPECT_EQ(set.out, "") << "nothing changed";
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u);
  EXPECT_EQ(fw_->countOf(kWriteKeys), 0u);
  EXPECT_TRUE(notified_.empty());
}

TEST_F(Settings, SetWritesTheChangeToTheMouseAndTheDocumentAndTellsTheProgram) {
  plugMouse();
  // The screen size the window wrote stays: the tool has no screen of its own.
  fw_->setSettings(60, {0x00, 0x0A, 0xA0, 0x05});  // 2560 x 1440
  const Outcome set =
      run({"set", "mouse", "stage.1.dpi=5200", "polling=1", "stage.3.colour=#12ab9f", "light.speed=1"});
  ASSERT_EQ(set.code, kExitOk) << set.err;
  EXPECT_EQ(fw_->countOf(kWriteSettings), 2u) << "the four keys make one block write of two chunks";
  EXPECT_TRUE(hasLine(set.out, "stage.1.dpi=5200"));
  // On the mouse: profile 0's block, stage 1 at index 49, polling 1, stage 3's colour.
  EXPECT_EQ(stageBytes(1)[2], 49);
  EXPECT_EQ(stageBytes(1)[3], 0);
  EXPECT_EQ(fw_->settings()[11], 1);
  const auto stage3 = stageBytes(3);
  EXPECT_EQ(std::vector<uint8_t>(stage3.begin() + 6, stage3.end()), (std::vector<uint8_t>{0x12, 0xAB, 0x9F}));
  EXPECT_EQ(fw_->writesOutsideBracket(), 0);
  const auto memory = fw_->settings();
  EXPECT_EQ(std::vector<uint8_t>(memory.begin() + 60, memory.begin() + 64),
            (std::vector<uint8_t>{0x00, 0x0A, 0xA0, 0x05}));
  // In the document.
  const Json::Value doc = document();
  EXPECT_EQ(doc["DPIStages"]["StageDPIs"][1]["StageDPIX"].asInt(), 49);
  EXPECT_EQ(doc["ReportStages"]["StageActive"].asInt(), 1);
  EXPECT_EQ(notified_, (std::vector<std::string>{"mouse"}));
  // And read back.
  const Outcome got = run({"get", "mouse"});
  EXPECT_TRUE(hasLine(got.out, "stage.1.dpi=5200")) << got.out;
  EXPECT_TRUE(hasLine(got.out, "stage.3.colour=12AB9F"));
}

TEST_F(Settings, ABadKeyOrValueExitsTwoNamingItAndChangesNothing) {
  plugMouse();
  ASSERT_EQ(run({"get", "mouse"}).code, kExitOk);  // the document exists from here on
  const std::string before = documentText();
  const auto settingsBefore = fw_->settings();
  const struct {
    std::vector<std::string> pairs;
    std::string named;
  } cases[] = {
      {{"stage.1.dpi=5200", "stage.9.dpi=800"}, "stage.9.dpi"},  // the good first pair is not written either
      {{"stage.1.dpi=99999"}, "stage.1.dpi"},
      {{"stage.1.dpi=12abc"}, "stage.1.dpi"},
      {{"polling=5"}, "polling"},
      {{"light.brightness=-1"}, "light.brightness"},
      {{"light.colour=12345"}, "light.colour"},
      {{"stage.2.enabled=maybe"}, "stage.2.enabled"},
      {{"button.11=default"}, "button.11"},
      {{"button.3=mouse:sideways"}, "button.3"},
      {{"button.3=macro:0"}, "button.3"},          // no macro library: it would be written as the default
      {{"stage.1.enabled=0"}, "stage.1.enabled"},  // the active stage
      {{"stage.active=1", "stage.0.enabled=0", "stage.2.enabled=0", "stage.3.enabled=0", "stage.4.enabled=0",
        "stage.1.enabled=0"},
       "stage.1.enabled"},                           // the last enabled one
      {{"light.mode"}, "light.mode"},
      {{"stage.2.enabled=0", "stage.active=2"}, "stage 2 is the active stage"},  // in either order
      {{"stage.active=2", "stage.2.enabled=0"}, "stage 2 is the active stage"},
  };
  fw_->clearLog();
  for (const auto& c : cases) {
    std::vector<std::string> args = {"set", "mouse"};
    args.insert(args.end(), c.pairs.begin(), c.pairs.end());
    const Outcome r = run(args);
    EXPECT_EQ(r.code, kExitUsage) << c.named << ": " << r.err;
    EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
  }
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u);
  EXPECT_EQ(fw_->countOf(kWriteKeys), 0u);
  EXPECT_EQ(fw_->settings(), settingsBefore);
  EXPECT_EQ(documentText(), before);
  EXPECT_TRUE(notified_.empty());
  // Checked against the final state, so the order of a valid batch does not matter.
  EXPECT_EQ(run({"set", "mouse", "stage.active=0", "stage.3.enabled=0", "stage.0.enabled=1"}).code, kExitOk);
  EXPECT_EQ(run({"set", "mouse", "stage.3.enabled=0"}).code, kExitOk);
  EXPECT_EQ(run({"set", "mouse", "stage.active=3"}).code, kExitUsage) << "a disabled stage made active in a later call";
  EXPECT_EQ(run({"set", "mouse"}).code, kExitUsage);
  EXPECT_EQ(run({"set", "toaster", "a=1"}).code, kExitUsage);
  EXPECT_EQ(run({"get", "mouse", "extra"}).code, kExitUsage);
}

TEST_F(Settings, LightKeysMakeOneWriteAndButtonsGoToTheirSlot) {
  plugMouse();
  ASSERT_EQ(run({"get", "mouse"}).code, kExitOk);
  fw_->clearLog();
  const Outcome set = run({"set", "mouse", "light.brightness=1", "light.colour=102030", "light.speed=4"});
  ASSERT_EQ(set.code, kExitOk) << set.err;
  EXPECT_EQ(fw_->countOf(kWriteSettings), 2u) << "one block of 66 bytes, two chunks";
  const auto s = fw_->settings();
  EXPECT_EQ(s[2], 1);      // brightness
  EXPECT_EQ(s[3], 0);      // 4 - speed
  EXPECT_EQ(s[5], 0);      // a typed colour ends the cycling
  EXPECT_EQ(s[6], 0x10);
  EXPECT_EQ(s[8], 0x30);

  // Button 3 (forward) does not sit in slot 3 on this mouse: the code lands
  // in the slot that holds its default code.
  const auto defaults = fw_->defaultKeyTable();
  const FunctionCode forward = mouse::kMouseButtons[3].defaultCode;
  const Outcome keys = run({"set", "mouse", "button.3=mouse:left"});
  ASSERT_EQ(keys.code, kExitOk) << keys.err;
  EXPECT_EQ(fw_->countOf(kWriteKeys), 1u);
  const auto table = fw_->keyTable();
  size_t slot = 99;
  for (size_t k = 0; k < 11; ++k)
    if (defaults[k * 3] == forward.type && defaults[k * 3 + 1] == forward.param1) slot = k;
  ASSERT_NE(slot, 3u) << "the emulated mouse keeps forward elsewhere";
  ASSERT_NE(slot, 99u);
  EXPECT_EQ(std::vector<uint8_t>(table.begin() + static_cast<long>(slot * 3),
                                 table.begin() + static_cast<long>(slot * 3 + 3)),
            (std::vector<uint8_t>{0x10, 0x01, 0x00}));
  // The other slots keep their codes.
  EXPECT_EQ(std::vector<uint8_t>(table.begin() + 9, table.begin() + 12),
            std::vector<uint8_t>(defaults.begin() + 9, defaults.begin() + 12));
  EXPECT_TRUE(hasLine(run({"get", "mouse"}).out, "button.3=mouse:left"));
  EXPECT_TRUE(hasLine(run({"set", "mouse", "button.3=default"}).out, "button.3=default"));
}

TEST_F(Settings, WithoutTheMouseOnlyTheDocumentChangesAndDpiAndApplyNeedIt) {
  const Outcome set = run({"set", "mouse", "stage.2.index=20"});
  ASSERT_EQ(set.code, kExitOk) << set.err;
  EXPECT_EQ(document()["DPIStages"]["StageDPIs"][2]["StageDPIX"].asInt(), 20);
  const Outcome got = run({"get", "mouse"});
  EXPECT_TRUE(hasLine(got.out, "stage.2.index=20"));
  EXPECT_EQ(got.out.find(".dpi="), std::string::npos) << "no scale without the mouse";
  const Outcome dpi = run({"set", "mouse", "stage.2.dpi=800"});
  EXPECT_EQ(dpi.code, kExitNoDevice);
  EXPECT_NE(dpi.err.find("stage.2.index"), std::string::npos) << dpi.err;
  EXPECT_EQ(run({"apply", "mouse"}).code, kExitNoDevice);

  // Once the mouse is there, apply writes the whole profile to it.
  plugMouse();
  const Outcome apply = run({"apply", "mouse"});
  ASSERT_EQ(apply.code, kExitOk) << apply.err;
  EXPECT_EQ(stageBytes(2)[2], 20);
  EXPECT_EQ(fw_->countOf(kWriteKeys), 1u);
  EXPECT_EQ(notified_.back(), "mouse");
}

TEST_F(Settings, AnOfflineEditSurvivesGetAndASelectedProfileGoesToTheMouseAsStored) {
  ASSERT_EQ(run({"set", "mouse", "light.colour=abcdef"}).code, kExitOk);
  plugMouse();
  const std::string before = documentText();
  const Outcome got = run({"get", "mouse"});
  ASSERT_EQ(got.code, kExitOk) << got.err;
  EXPECT_TRUE(hasLine(got.out, "light.colour=ABCDEF")) << got.out;
  EXPECT_EQ(run({"set", "mouse", "polling=9"}).code, kExitUsage);
  EXPECT_EQ(documentText(), before) << "get or a refused set wrote the profile";
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u);

  // A second profile with its own light; each selection writes that profile
  // to the mouse as it is stored, and neither takes the other's light.
  const auto lightOnMouse = [&] {
    const auto m = fw_->settings();
    return std::vector<uint8_t>(m.begin() + 6, m.begin() + 9);
  };
  ASSERT_EQ(run({"profile", "add", "mouse"}).code, kExitOk);
  ASSERT_EQ(run({"profile", "select", "mouse", "1"}).code, kExitOk);
  ASSERT_EQ(run({"set", "mouse", "light.colour=123456"}).code, kExitOk);
  EXPECT_EQ(lightOnMouse(), (std::vector<uint8_t>{0x12, 0x34, 0x56}));
  ASSERT_EQ(run({"profile", "select", "mouse", "0"}).code, kExitOk);
  EXPECT_EQ(lightOnMouse(), (std::vector<uint8_t>{0xAB, 0xCD, 0xEF}));
  EXPECT_TRUE(hasLine(run({"get", "mouse"}).out, "light.colour=ABCDEF"));
  ASSERT_EQ(run({"profile", "select", "mouse", "1"}).code, kExitOk);
  EXPECT_EQ(lightOnMouse(), (std::vector<uint8_t>{0x12, 0x34, 0x56}));
  EXPECT_TRUE(hasLine(run({"get", "mouse"}).out, "light.colour=123456"));
}

TEST_F(Settings, ASleepingMouseBehindItsReceiverChangesNothing) {
  plugMouse(true);
  fw_->setDeviceAwake(false);
  const Outcome got = run({"get", "mouse"});
  EXPECT_EQ(got.code, kExitOk);
  EXPECT_NE(got.err.find("did not answer"), std::string::npos);
  const std::string before = documentText();
  const Outcome set = run({"set", "mouse", "polling=0"});
  EXPECT_EQ(set.code, kExitUnreachable) << set.err;
  EXPECT_EQ(documentText(), before);
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u);
  EXPECT_EQ(run({"apply", "mouse"}).code, kExitUnreachable);
}

TEST_F(Settings, AWriteTheMouseRefusesExitsOneAndTheDocumentKeepsIt) {
  plugMouse();
  ASSERT_EQ(run({"get", "mouse"}).code, kExitOk);
  fw_->injectFault({sim::FaultKind::StatusFF, kWriteSettings, 0, 5});
  const Outcome set = run({"set", "mouse", "polling=2"});
  EXPECT_EQ(set.code, kExitCommandFailed);
  EXPECT_NE(set.err.find("did not take"), std::string::npos) << set.err;
  EXPECT_EQ(document()["ReportStages"]["StageActive"].asInt(), 2);
  EXPECT_NE(fw_->settings()[11], 2);
}

TEST_F(Settings, MacroButtonsDownloadTheLibrarysMacrosBeforeTheKeyTable) {
  plugMouse();
  ASSERT_EQ(run({"get", "mouse"}).code, kExitOk);
  // Two macros in the mouse's library, beside its profile documents.
  macros::MacroLibrary library(home_ / "XDG_DATA_HOME" / "ORVIK Tessel RGB" / "mouse", clock_);
  for (uint8_t usage : {0x04, 0x05}) {
    const auto made = library.create();
    ASSERT_TRUE(made.ok()) << made.message;
    const std::vector<macros::MacroEvent> events = {{true, usage, 10, 30}, {false, usage, 10, 0}};
    ASSERT_TRUE(library.saveEvents(made.index, events).ok());
  }
  const auto keyTable = [this](size_t s) {
    const auto t = fw_->keyTable();
    return std::vector<uint8_t>(t.begin() + static_cast<long>(s * 3), t.begin() + static_cast<long>(s * 3 + 3));
  };

  fw_->clearLog();
  const Outcome set = run({"set", "mouse", "button.0=macro:1:x3"});
  ASSERT_EQ(set.code, kExitOk) << set.err;
  // Macro 1 alone is bound: it sits in slot 0 of a 16 + 6 + 8 = 30-byte image.
  const auto mem = fw_->macroMemory();
  EXPECT_EQ(std::vector<uint8_t>(mem.begin(), mem.begin() + 6), (std::vector<uint8_t>{0xAA, 0x55, 30, 0, 1, 0}));
  EXPECT_EQ(std::vector<uint8_t>(mem.begin() + 18, mem.begin() + 30),
            (std::vector<uint8_t>{2, 0, 0, 0, 30, 0, 0x8A, 0x05, 0, 0, 0x0A, 0x05}));
  EXPECT_EQ(keyTable(0), (std::vector<uint8_t>{0x71, 0, 3}));
  const auto codes = fw_->commandCodes();
  EXPECT_LT(std::find(codes.begin(), codes.end(), 0x15), std::find(codes.begin(), codes.end(), kWriteKeys));
  EXPECT_TRUE(hasLine(run({"get", "mouse"}).out, "button.0=macro:1:x3"));

  // Only the macros the library holds may be named.
  const Outcome missing = run({"set", "mouse", "button.2=macro:2"});
  EXPECT_EQ(missing.code, kExitUsage);
  EXPECT_NE(missing.err.find("holds 2"), std::string::npos) << missing.err;

  // A macro download the mouse refuses leaves the key table as it was.
  const auto tableBefore = fw_->keyTable();
  fw_->injectFault({sim::FaultKind::StatusFF, 0x15, 0, 1});
  const Outcome refused = run({"set", "mouse", "button.1=macro:0"});
  EXPECT_EQ(refused.code, kExitCommandFailed);
  EXPECT_NE(refused.err.find("macros"), std::string::npos) << refused.err;
  EXPECT_EQ(fw_->keyTable(), tableBefore);

  // apply sends both again, macros first: macro 1 (button 0) is slot 0, macro 0 (button 1) slot 1.
  fw_->clearLog();
  ASSERT_EQ(run({"apply", "mouse"}).code, kExitOk);
  EXPECT_GT(fw_->countOf(0x15), 0u);
  EXPECT_EQ(fw_->macroMemory()[4], 2);
  EXPECT_EQ(keyTable(1), (std::vector<uint8_t>{0x70, 1, 0}));

  // A mouse without room: neither is written, and the number of units too many is shown.
  fw_->setIdentityByte(6, 0);
  fw_->clearLog();
  const Outcome full = run({"set", "mouse", "button.2=macro:0"});
  EXPECT_EQ(full.code, kExitCommandFailed);
  EXPECT_NE(full.err.find("do not fit"), std::string::npos) << full.err;
  EXPECT_NE(full.err.find("(12 more"), std::string::npos) << full.err;  // 44 bytes: 44 div 4 + 1
  EXPECT_EQ(fw_->countOf(0x15), 0u);
  EXPECT_EQ(fw_->countOf(kWriteKeys), 0u);
}

// light.mode goes on past the built-in modes to the user sequences of the
// light-effect library, numbered from 10 as the light page's list numbers them.
TEST_F(Settings, LightModeReachesTheUserSequencesOfTheLibrary) {
  plugMouse();
  ASSERT_EQ(run({"get", "mouse"}).code, kExitOk);
  EXPECT_EQ(run({"set", "mouse", "light.mode=10"}).code, kExitUsage) << "no library: no sequences";
  const fs::path folder = home_ / "XDG_DATA_HOME" / "ORVIK Tessel RGB" / "mouse";
  std::ofstream(folder / "zelto_light.config")
      << R"({"LightInfo": [[{"LightName": "K", "Guid": "k"}],
                           [{"LightName": "A", "Guid": "a"}, {"LightName": "B", "Guid": "b"}]]})";
  const Outcome bad = run({"set", "mouse", "light.mode=12"});
  EXPECT_EQ(bad.code, kExitUsage);
  EXPECT_NE(bad.err.find("0..11"), std::string::npos) << bad.err;
  const Outcome set = run({"set", "mouse", "light.mode=11"});
  ASSERT_EQ(set.code, kExitOk) << set.err;
  EXPECT_EQ(document()["LightInfo"]["SelectItem"].asInt(), 11);
  EXPECT_TRUE(hasLine(run({"get", "mouse"}).out, "light.mode=11"));
}

// get --device reads the mouse and writes nothing; a value the profile holds
// otherwise is marked.
TEST_F(Settings, GetDeviceShowsWhatTheMouseHoldsBesideTheProfile) {
  EXPECT_EQ(run({"get", "mouse", "--device"}).code, kExitCommandFailed) << "no mouse to read";
  plugMouse();
  ASSERT_EQ(run({"set", "mouse", "polling=1", "light.brightness=1"}).code, kExitOk);
  fw_->setSettings(11, {4});  // the mouse now polls at option 4, the profile still says 1
  fw_->clearLog();
  const Outcome got = run({"get", "mouse", "--device"});
  ASSERT_EQ(got.code, kExitOk) << got.err;
  EXPECT_TRUE(hasLine(got.out, "polling=4  # profile: 1")) << got.out;
  EXPECT_TRUE(hasLine(got.out, "light.brightness=1")) << got.out;
  EXPECT_TRUE(hasLine(got.out, "stage.1.dpi=1600")) << got.out;
  EXPECT_EQ(got.out.find("button."), std::string::npos) << "the buttons are not read from the mouse";
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u);
  EXPECT_TRUE(hasLine(run({"get", "mouse"}).out, "polling=1")) << "the profile is untouched";

  const Outcome json = run({"--json", "get", "mouse", "--device"});
  ASSERT_EQ(json.code, kExitOk) << json.err;
  Json::Value v;
  std::istringstream in(json.out);
  Json::CharReaderBuilder b;
  std::string errs;
  ASSERT_TRUE(Json::parseFromStream(b, in, &v, &errs)) << json.out;
  EXPECT_EQ(v["polling"]["device"].asInt(), 4);
  EXPECT_EQ(v["polling"]["profile"].asInt(), 1);
  EXPECT_EQ(v["light.brightness"].asInt(), 1);
  EXPECT_EQ(run({"set", "mouse", "--device", "polling=1"}).code, kExitUsage);
}

TEST_F(Settings, JsonIsOneObjectWithTypedValues) {
  plugMouse();
  const Outcome got = run({"--json", "get", "mouse"});
  ASSERT_EQ(got.code, kExitOk);
  Json::Value v;
  std::istringstream in(got.out);
  Json::CharReaderBuilder b;
  std::string errs;
  ASSERT_TRUE(Json::parseFromStream(b, in, &v, &errs)) << got.out;
  EXPECT_EQ(v["stage.1.dpi"].asInt(), 1600);
  EXPECT_TRUE(v["stage.1.enabled"].isBool());
  EXPECT_EQ(v["stage.0.colour"].asString(), "FF0000");
  EXPECT_EQ(v["button.0"].asString(), "default");
  const Outcome set = run({"--json", "set", "mouse", "stage.0.dpi=850"});
  std::istringstream in2(set.out);
  ASSERT_TRUE(Json::parseFromStream(b, in2, &v, &errs)) << set.out;
  EXPECT_EQ(v["stage.0.dpi"].asInt(), 800) << "a typed DPI lands on the scale's step below";
}

TEST_F(Settings, PointerKeysStayInTheProfileAndWriteNothingToTheMouse) {
  plugMouse();
  ASSERT_EQ(run({"get", "mouse"}).code, kExitOk);
  fw_->clearLog();
  const Outcome set = run({"set", "mouse", "pointer.speed=12", "pointer.wheel=7", "pointer.scrollpage=1",
                           "pointer.precision=on"});
  ASSERT_EQ(set.code, kExitOk) << set.err;
  EXPECT_EQ(fw_->countOf(kWriteSettings), 0u) << "the mouse does not keep pointer settings";
  const std::string out = run({"get", "mouse"}).out;
  EXPECT_TRUE(hasLine(out, "pointer.speed=12"));
  EXPECT_TRUE(hasLine(out, "pointer.wheel=7"));
  EXPECT_TRUE(hasLine(out, "pointer.scrollpage=1"));
  EXPECT_TRUE(hasLine(out, "pointer.precision=1"));
  // The wheel slider clears scroll-by-page, as on the page.
  ASSERT_EQ(run({"set", "mouse", "pointer.wheel=3"}).code, kExitOk);
  EXPECT_TRUE(hasLine(run({"get", "mouse"}).out, "pointer.scrollpage=0"));
  EXPECT_EQ(run({"set", "mouse", "pointer.speed=21"}).code, kExitUsage);
}

TEST_F(Settings, TheHelpOfSetNamesTheKeys) {
  const Outcome help = run({"set", "--help"});
  EXPECT_EQ(help.code, kExitOk);
  for (const char* key : {"stage.N.dpi", "stage.active", "polling", "pointer.wheel", "light.multicolour", "button.N"})
    EXPECT_NE(help.out.find(key), std::string::npos) << key;
  EXPECT_NE(run({"--help"}).out.find("set KIND KEY=VALUE..."), std::string::npos);
}

// One name per mouse button: the help, the README and the window's texts
// all name button N from the same table.
TEST_F(Settings, TheHelpTheReadmeAndTheWindowNameEveryButtonAlike) {
  auto text = [](const char* relative) {
    std::ifstream in(fs::path(TESSEL_SOURCE_DIR) / relative);
    return std::string(std::istreambuf_iterator<char>(in), {});
  };
  std::string help = run({"set", "--help"}).out;
  const std::string indent = "\n" + std::string(24, ' ');
  for (size_t at; (at = help.find(indent)) != std::string::npos;) help.replace(at, indent.size(), " ");
  std::string names;
  for (size_t i = 0; i < mouse::kButtonNames.size(); ++i)
    names += (i ? ", " : "") + std::to_string(i) + " " + std::string(mouse::kButtonNames[i].english);
  EXPECT_NE(help.find("as the window does: " + names), std::string::npos) << help;
  EXPECT_NE(text("README.md").find(names), std::string::npos);
  const std::string english = text("skin/lan/lan_en.xml"), chinese = text("skin/lan/lan_cn.xml");
  for (const mouse::ButtonName& b : mouse::kButtonNames) {
    const std::string id = "<Text id=\"" + std::string(b.textKey) + "\" value=\"";
    EXPECT_NE(english.find(id + std::string(b.english) + "\"/>"), std::string::npos) << b.textKey;
    EXPECT_NE(chinese.find(id), std::string::npos) << b.textKey;
  }
}

TEST(SettingValues, TextsOfTheValueTypes) {
  using namespace settings;
  EXPECT_EQ(parseInteger("5200"), 5200);
  EXPECT_EQ(parseInteger("+7"), 7);
  EXPECT_EQ(parseInteger("-3"), -3);
  EXPECT_FALSE(parseInteger(""));
  EXPECT_FALSE(parseInteger("12abc"));
  EXPECT_FALSE(parseInteger("99999999999999999999"));
  EXPECT_FALSE(parseInteger("0x10"));
  EXPECT_EQ(parseBoolean("On"), true);
  EXPECT_EQ(parseBoolean("0"), false);
  EXPECT_FALSE(parseBoolean("2"));
  EXPECT_EQ(parseColour("#12ab9F"), 0x12AB9Fu);
  EXPECT_FALSE(parseColour("12ab9"));
  EXPECT_FALSE(parseColour("12ab9g"));
  EXPECT_FALSE(parseColour("+12ab9f"));
  EXPECT_EQ(formatColour(0x0080FF), "0080FF");
}

}  // namespace tessel::tools

namespace tessel::tools {
namespace {

// The mousepad's light keys on the emulated pad.
class PadSettings : public Settings {
 protected:
  void plugPad() {
    pad_ = std::make_shared<sim::MousepadFirmware>();
    bus_.plug("mousepad", pad_);
  }
  std::vector<uint8_t> padBlock(int p) const {
    const auto s = pad_->settings();
    return {s.begin() + p * 31, s.begin() + p * 31 + 21};
  }
  std::shared_ptr<sim::MousepadFirmware> pad_;
};

TEST_F(PadSettings, GetAndSetTheLightOfTheMousepad) {
  plugPad();
  pad_->setSettings(0, {1});
  const auto before = padBlock(1);
  const Outcome get = run({"get", "mousepad"});
  ASSERT_EQ(get.code, kExitOk) << get.err;
  EXPECT_TRUE(hasLine(get.out, "light.mode=3")) << get.out;
  EXPECT_TRUE(hasLine(get.out, "light.colour=00FF80")) << get.out;

  const Outcome set = run({"set", "mousepad", "light.mode=6", "light.speed=4", "light.colour=102030"});
  ASSERT_EQ(set.code, kExitOk) << set.err;
  EXPECT_TRUE(hasLine(set.out, "light.mode=6"));
  EXPECT_EQ(notified_, (std::vector<std::string>{"mousepad"}));
  // One write, back to profile 1's block, the pad's own bytes kept.
  EXPECT_EQ(pad_->countOf(kWriteSettings), 1u);
  const auto after = padBlock(1);
  EXPECT_EQ(after[1], 6);
  EXPECT_EQ(after[3], 0);
  EXPECT_EQ(after[5], 0);  // a typed colour ends the cycling
  EXPECT_EQ((std::vector<uint8_t>(after.begin() + 6, after.begin() + 9)), (std::vector<uint8_t>{0x10, 0x20, 0x30}));
  EXPECT_EQ(after[4], before[4]);
  EXPECT_EQ((std::vector<uint8_t>(after.begin() + 9, after.end())),
            (std::vector<uint8_t>(before.begin() + 9, before.end())));
  EXPECT_EQ(padBlock(0)[1], 3);
  // get gives the change back.
  EXPECT_TRUE(hasLine(run({"get", "mousepad"}).out, "light.speed=4"));
  // The same values again write nothing.
  pad_->clearLog();
  ASSERT_EQ(run({"set", "mousepad", "light.mode=6"}).code, kExitOk);
  EXPECT_EQ(pad_->countOf(kWriteSettings), 0u);
  // get --device: the colour the pad now holds, the profile's beside it; the
  // direction is not in the block. Nothing is written.
  pad_->setSettings(31 + 6, {0xAA, 0xBB, 0xCC});
  const Outcome held = run({"get", "mousepad", "--device"});
  ASSERT_EQ(held.code, kExitOk) << held.err;
  EXPECT_TRUE(hasLine(held.out, "light.colour=AABBCC  # profile: 102030")) << held.out;
  EXPECT_TRUE(hasLine(held.out, "light.mode=6")) << held.out;
  EXPECT_EQ(held.out.find("light.direction"), std::string::npos);
  EXPECT_EQ(pad_->countOf(kWriteSettings), 0u);
  EXPECT_TRUE(hasLine(run({"get", "mousepad"}).out, "light.colour=102030"));
}

TEST_F(PadSettings, BadPairsExitTwoAndWithoutThePadOnlyTheDocumentChanges) {
  EXPECT_EQ(run({"set", "mousepad", "light.mode=9"}).code, kExitUsage);
  // With a user sequence the pad's list goes on at 10; 9 still selects nothing.
  const fs::path folder = home_ / "XDG_DATA_HOME" / "ORVIK Tessel RGB" / "MousePad";
  std::ofstream(folder / "zelto_light.config") << R"({"LightInfo": [[], [], [{"LightName": "P", "Guid": "p"}]]})";
  const Outcome gap = run({"set", "mousepad", "light.mode=9"});
  EXPECT_EQ(gap.code, kExitUsage);
  EXPECT_NE(gap.err.find("selects nothing"), std::string::npos) << gap.err;
  EXPECT_EQ(run({"set", "mousepad", "light.mode=11"}).code, kExitUsage);
  ASSERT_EQ(run({"set", "mousepad", "light.mode=10"}).code, kExitOk);
  EXPECT_TRUE(hasLine(run({"get", "mousepad"}).out, "light.mode=10"));
  ASSERT_EQ(run({"set", "mousepad", "light.mode=0"}).code, kExitOk);
  EXPECT_EQ(run({"set", "mousepad", "light.brightness=5"}).code, kExitUsage);
  EXPECT_EQ(run({"set", "mousepad", "stage.0.index=3"}).code, kExitUsage);
  const Outcome set = run({"set", "mousepad", "light.brightness=1"});
  ASSERT_EQ(set.code, kExitOk) << set.err;
  EXPECT_TRUE(hasLine(run({"get", "mousepad"}).out, "light.brightness=1"));
  EXPECT_EQ(run({"apply", "mousepad"}).code, kExitNoDevice);
  // Plugged in, apply writes the document's light.
  plugPad();
  ASSERT_EQ(run({"apply", "mousepad"}).code, kExitOk);
  EXPECT_EQ(padBlock(0)[2], 1);
}

}  // namespace
}  // namespace tessel::tools
