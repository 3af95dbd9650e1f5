// tesselctl audio-style get / set / reset on "AudioFile.json" in a private
// data folder: what get prints, what set stores, and that a bad pair writes
// nothing at all.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>

#include "core/clock.h"
#include "platform/file_io.h"
#include "platform/json_file.h"
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

class AudioStyleCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = test::MakeTesselctlHome("tessel-audiostyle-test");
    ASSERT_FALSE(home_.empty());
    file_ = home_ / "XDG_DATA_HOME" / "ORVIK Tessel RGB" / "AudioFile.json";
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(home_, ec);
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
  fs::path home_, file_;
  sim::VirtualHidBus bus_;
  ManualClock clock_;
};

TEST_F(AudioStyleCommand, GetPrintsTheFactoryStylesWithoutWritingThem) {
  const Outcome r = run({"audio-style", "get"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out,
            "selected=0\n"
            "name1=第一组\ncolour1=00a0ff\n"
            "name2=第二组\ncolour2=ff00a0\n"
            "name3=第三组\ncolour3=ff8000\n"
            "name4=第四组\ncolour4=00dc64\n");
  EXPECT_FALSE(fs::exists(file_));
}

TEST_F(AudioStyleCommand, SetStoresWhatGetPrintsBack) {
  const Outcome set = run({"audio-style", "set", "selected=2", "name3=Foo = Bar", "colour3=FF8001", "colour1=#010203"});
  ASSERT_EQ(set.code, 0) << set.err;
  EXPECT_EQ(set.out, "selected=2\ncolour1=010203\nname3=Foo = Bar\ncolour3=ff8001\n");

  const Json::Value info = readJsonFile(file_)["Device"]["AudioLightInfo"];
  EXPECT_EQ(info["nAudioStyle"], 2);
  EXPECT_EQ(info["nStyleName3"], "Foo = Bar");
  EXPECT_EQ(info["nStyleR2"], 255);
  EXPECT_EQ(info["nStyleG2"], 128);
  EXPECT_EQ(info["nStyleB2"], 1);
  EXPECT_EQ(info["nStyleB0"], 3);
  EXPECT_EQ(info["nStyleName1"], "第一组");  // untouched styles keep the factory values

  const Outcome get = run({"audio-style", "get"});
  ASSERT_EQ(get.code, 0);
  EXPECT_NE(get.out.find("selected=2\n"), std::string::npos);
  EXPECT_NE(get.out.find("name3=Foo = Bar\ncolour3=ff8001\n"), std::string::npos);

  // An empty name gets the style's default name, as in the style window.
  ASSERT_EQ(run({"audio-style", "set", "name3="}).code, 0);
  EXPECT_EQ(readJsonFile(file_)["Device"]["AudioLightInfo"]["nStyleName3"], "第三组");
}

TEST_F(AudioStyleCommand, ABadPairIsRefusedAndNothingIsWritten) {
  for (const std::vector<std::string>& pairs :
       {std::vector<std::string>{"selected=4"}, {"selected=-1"}, {"colour2=12345"}, {"colour2=gg0000"},
        {"colour5=000000"}, {"name0=x"}, {"volume=3"}, {"selected"}, {"name1=a\nb"}, {"name1=\xff\xfe"},
        {"colour1=00ff00", "selected=9"}}) {
    std::vector<std::string> args = {"audio-style", "set"};
    args.insert(args.end(), pairs.begin(), pairs.end());
    const Outcome r = run(args);
    EXPECT_EQ(r.code, 2) << pairs.back();
    EXPECT_FALSE(r.err.empty());
    EXPECT_FALSE(fs::exists(file_)) << pairs.back();
  }
  EXPECT_EQ(run({"audio-style", "set"}).code, 2);
  EXPECT_EQ(run({"audio-style", "frobnicate"}).code, 2);
  EXPECT_EQ(run({"audio-style"}).code, 2);

  // Refused over an existing file: the file keeps its bytes.
  ASSERT_EQ(run({"audio-style", "set", "name2=Kept"}).code, 0);
  const std::string before = readFileBytes(file_).value_or("");
  EXPECT_EQ(run({"audio-style", "set", "name2=Lost", "colour2=xyz"}).code, 2);
  EXPECT_EQ(readFileBytes(file_).value_or(""), before);
}

TEST_F(AudioStyleCommand, ResetPutsTheFactoryStylesBack) {
  ASSERT_EQ(run({"audio-style", "set", "selected=3", "colour4=000000"}).code, 0);
  const Outcome r = run({"audio-style", "reset"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_NE(r.out.find("selected=0\n"), std::string::npos);
  EXPECT_NE(r.out.find("colour4=00dc64\n"), std::string::npos);
  EXPECT_EQ(readJsonFile(file_)["Device"]["AudioLightInfo"]["nAudioStyle"], 0);
}

TEST_F(AudioStyleCommand, JsonOutputCarriesTheSameKeys) {
  const Outcome r = run({"--json", "audio-style", "get"});
  ASSERT_EQ(r.code, 0) << r.err;
  Json::Value v;
  ASSERT_TRUE(parseJson(r.out, v)) << r.out;
  EXPECT_EQ(v["selected"], 0);
  EXPECT_EQ(v["name2"], "第二组");
  EXPECT_EQ(v["colour4"], "00dc64");
}

}  // namespace
}  // namespace tessel::tools
