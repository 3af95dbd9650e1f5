// tesselctl recoil: the four recoil files in the mouse's data folder, the
// refusals that leave them alone, and the download that the emulated mouse
// keeps.
#include <gtest/gtest.h>
#include <json/json.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>

#include "core/clock.h"
#include "macros/recoil_file.h"
#include "macros/recoil_image.h"
#include "platform/file_io.h"
#include "platform/json_file.h"
#include "sim/firmware_mouse.h"
#include "sim/firmware_store.h"
#include "sim/virtual_bus.h"
#include "tools/tesselctl.h"
#include "tesselctl_home.h"

namespace fs = std::filesystem;

namespace tessel::tools {
namespace {

struct Outcome {
  int code = -1;
  std::string out, err;
};

class Recoil : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = test::MakeTesselctlHome("tessel-recoil-cli");
    ASSERT_FALSE(home_.empty());
    const fs::path install = home_ / "install";
    fs::create_directories(install / "DefaultData");
    fs::create_directories(install / "skin");
    for (int g = 0; g < macros::kGunCount; ++g)
      fs::copy_file(fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / macros::recoilFileName(g),
                    install / "DefaultData" / macros::recoilFileName(g));
    ::setenv("TESSEL_INSTALL_DIR", install.c_str(), 1);
    defaults_ = install / "DefaultData";
    folder_ = home_ / "XDG_DATA_HOME" / "ORVIK Tessel RGB" / "mouse";
  }
  void TearDown() override {
    ::unsetenv("TESSEL_INSTALL_DIR");
    std::error_code ec;
    fs::remove_all(home_, ec);
  }

  void plugMouse(bool receiver = false) {
    fw_ = std::make_shared<sim::MouseFirmware>(receiver);
    bus_.plug(receiver ? "mouse-receiver" : "mouse", fw_);
  }
  Outcome run(std::vector<std::string> args) {
    TesselctlContext ctx{&bus_, &clock_};
    std::ostringstream out, err;
    Outcome r;
    r.code = runTesselctl(args, out, err, ctx);
    r.out = out.str();
    r.err = err.str();
    return r;
  }
  std::string fileOf(int gun) const { return readFileBytes(folder_ / macros::recoilFileName(gun)).value_or("<none>"); }
  std::string factoryOf(int gun) const { return readFileBytes(defaults_ / macros::recoilFileName(gun)).value_or(""); }

  fs::path home_, defaults_, folder_;
  sim::VirtualHidBus bus_;
  ManualClock clock_;
  std::shared_ptr<sim::MouseFirmware> fw_;
};

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

}  // namespace

TEST_F(Recoil, ShowPrintsThirtySignedShotsAndSetWritesOneShot) {
  const Outcome shown = run({"recoil", "show", "1"});
  ASSERT_EQ(shown.code, kExitOk) << shown.err;
  const auto rows = lines(shown.out);
  ASSERT_EQ(rows.size(), 30u);
  EXPECT_EQ(fileOf(1), factoryOf(1));  // made from the factory file, as the page does
  const Json::Value factory = readJsonFile(defaults_ / macros::recoilFileName(1));
  for (int s = 0; s < 30; ++s) {
    const auto shot = macros::shotFromDocument(factory, s);
    EXPECT_EQ(rows[static_cast<size_t>(s)], std::to_string(s) + " " + std::to_string(shot.left ? -shot.x : shot.x) +
                                                " " + std::to_string(shot.up ? -shot.y : shot.y) + " " +
                                                std::to_string(shot.delay));
  }

  const Outcome set = run({"recoil", "set", "1", "2", "-3", "12", "95"});
  ASSERT_EQ(set.code, kExitOk) << set.err;
  const Json::Value rowsAfter = readJsonFile(folder_ / "ShootData_1.Shoot")["Events"];
  ASSERT_EQ(rowsAfter.size(), 180u);
  EXPECT_EQ(rowsAfter[14]["Action"].asString(), "down");  // left
  EXPECT_EQ(rowsAfter[14]["Button"].asInt(), 3);
  EXPECT_EQ(rowsAfter[15]["Action"].asString(), "up");  // down
  EXPECT_EQ(rowsAfter[15]["Button"].asInt(), 12);
  EXPECT_EQ(rowsAfter[15]["Delay"].asInt(), 95);
  EXPECT_EQ(lines(run({"recoil", "show", "1"}).out)[2], "2 -3 12 95");
  EXPECT_EQ(lines(run({"recoil", "show", "1"}).out)[3], rows[3]);  // the next shot is the factory's

  ASSERT_EQ(run({"recoil", "set", "0", "29", "4", "-7", "0"}).code, kExitOk);
  EXPECT_EQ(lines(run({"recoil", "show", "0"}).out)[29], "29 4 -7 0");

  const Outcome json = run({"--json", "recoil", "show", "1"});
  ASSERT_EQ(json.code, kExitOk);
  Json::Value v;
  ASSERT_TRUE(parseJson(json.out, v)) << json.out;
  ASSERT_EQ(v["shots"].size(), 30u);
  EXPECT_EQ(v["shots"][2]["x"].asInt(), -3);
  EXPECT_EQ(v["shots"][2]["y"].asInt(), 12);
  EXPECT_EQ(v["shots"][2]["delay"].asInt(), 95);
}

TEST_F(Recoil, ValuesOutOfRangeExitTwoAndWriteNothing) {
  ASSERT_EQ(run({"recoil", "show", "0"}).code, kExitOk);
  const std::string before = fileOf(0);
  const std::vector<std::vector<std::string>> bad = {
      {"recoil", "set", "4", "0", "0", "0", "0"},   {"recoil", "set", "-1", "0", "0", "0", "0"},
      {"recoil", "set", "0", "30", "0", "0", "0"},  {"recoil", "set", "0", "0", "256", "0", "0"},
      {"recoil", "set", "0", "0", "0", "-256", "0"}, {"recoil", "set", "0", "0", "0", "0", "65536"},
      {"recoil", "set", "0", "0", "0", "0", "-1"},  {"recoil", "set", "0", "0", "1x", "0", "0"},
      {"recoil", "set", "0", "0", "0", "0"},        {"recoil", "show", "7"},
      {"recoil", "reset", "x"},                     {"recoil", "fire", "0"},
      {"recoil"},                                   {"recoil", "download", "0"},
  };
  for (const auto& args : bad) {
    const Outcome r = run(args);
    EXPECT_EQ(r.code, kExitUsage) << args.size() << " " << r.err;
    EXPECT_FALSE(r.err.empty());
  }
  EXPECT_EQ(fileOf(0), before);
  for (int g = 1; g < 4; ++g) EXPECT_FALSE(fs::exists(folder_ / macros::recoilFileName(g))) << g;
}

TEST_F(Recoil, ResetImportAndExportCopyFiles) {
  ASSERT_EQ(run({"recoil", "set", "2", "0", "9", "9", "9"}).code, kExitOk);
  const fs::path exported = home_ / "mine.shoot";
  ASSERT_EQ(run({"recoil", "export", "2", exported.string()}).code, kExitOk);
  EXPECT_EQ(readFileBytes(exported).value_or(""), fileOf(2));

  ASSERT_EQ(run({"recoil", "reset", "2"}).code, kExitOk);
  EXPECT_EQ(fileOf(2), factoryOf(2));

  ASSERT_EQ(run({"recoil", "import", "3", exported.string()}).code, kExitOk);
  EXPECT_EQ(fileOf(3), readFileBytes(exported).value_or(""));
  EXPECT_EQ(lines(run({"recoil", "show", "3"}).out)[0], "0 9 9 9");

  ASSERT_TRUE(writeFileAtomic(home_ / "bad.shoot", "[1, 2]"));
  const Outcome refused = run({"recoil", "import", "3", (home_ / "bad.shoot").string()});
  EXPECT_EQ(refused.code, kExitCommandFailed);
  EXPECT_NE(refused.err.find("not a recoil file"), std::string::npos) << refused.err;
  EXPECT_EQ(fileOf(3), readFileBytes(exported).value_or(""));
}

TEST_F(Recoil, DownloadNeedsTheMouseAndLeavesTheImageInItsRecoilMemory) {
  const Outcome none = run({"recoil", "download"});
  EXPECT_EQ(none.code, kExitNoDevice);
  EXPECT_FALSE(none.err.empty());

  plugMouse();
  ASSERT_EQ(run({"recoil", "set", "1", "0", "300", "0", "5"}).code, kExitUsage);  // |X| <= 255 here
  ASSERT_EQ(run({"recoil", "set", "1", "0", "-200", "0", "5"}).code, kExitOk);
  const Outcome done = run({"recoil", "download"});
  ASSERT_EQ(done.code, kExitOk) << done.err;
  const macros::RecoilFiles files(folder_, defaults_);
  const auto image = macros::buildRecoilImage(files);
  ASSERT_TRUE(image.ok);
  ASSERT_EQ(image.bytes.size(), 2920u);
  const auto mem = fw_->recoilMemory();
  EXPECT_TRUE(std::equal(image.bytes.begin(), image.bytes.end(), mem.begin()));
  // Gun 1, shot 0, horizontal move: 200 counts to the left.
  const size_t gun1 = static_cast<size_t>(mem[18] | mem[19] << 8);
  EXPECT_EQ(mem[gun1 + 4 + 8 + 2], 0x84);
  EXPECT_EQ(mem[gun1 + 4 + 8 + 3], 200);

  const Outcome json = run({"--json", "recoil", "download"});
  ASSERT_EQ(json.code, kExitOk);
  EXPECT_NE(json.out.find("2920"), std::string::npos) << json.out;
}

TEST_F(Recoil, TheDemoMouseKeepsTheDownloadedPatternsForTheNextProcess) {
  ASSERT_EQ(run({"recoil", "set", "3", "5", "17", "-4", "60"}).code, kExitOk);
  std::ostringstream out, err;
  ASSERT_EQ(runTesselctl({"--demo=mouse", "recoil", "download"}, out, err), kExitOk) << err.str();

  // What the next demo process's mouse starts with.
  sim::MouseFirmware next(false);
  sim::FirmwareStore store(home_ / "XDG_STATE_HOME" / "tessel-rgb" / "demo");
  ASSERT_TRUE(store.attach(next));
  const auto image = macros::buildRecoilImage(macros::RecoilFiles(folder_, defaults_));
  ASSERT_TRUE(image.ok);
  const auto mem = next.recoilMemory();
  EXPECT_TRUE(std::equal(image.bytes.begin(), image.bytes.end(), mem.begin()));
}

TEST_F(Recoil, ASleepingWirelessMouseExitsFour) {
  plugMouse(true);
  fw_->setDeviceAwake(false);
  const Outcome r = run({"--receiver", "recoil", "download"});
  EXPECT_EQ(r.code, kExitUnreachable) << r.err;
  EXPECT_EQ(fw_->countOf(0x17), 0u);
}

}  // namespace tessel::tools
