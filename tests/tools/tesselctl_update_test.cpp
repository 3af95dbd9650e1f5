// tesselctl update-check against an update service on 127.0.0.1, and doctor
// on the emulated products.
#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "../services/local_server.h"
#include "tools/tesselctl.h"

namespace tessel::tools {
namespace {

namespace fs = std::filesystem;

struct Result {
  int code;
  std::string out, err;
};

Result run(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = runTesselctl(args, out, err);
  return {code, out.str(), err.str()};
}

// Keeps the user's own data and settings folders out of the test.
class TesselctlServices : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = fs::temp_directory_path() / ("tessel-ctl-update-" + std::to_string(::getpid()));
    fs::remove_all(home_);
    ::setenv("XDG_DATA_HOME", (home_ / "data").c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home_ / "config").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(home_); }
  fs::path home_;
};

TEST_F(TesselctlServices, UpdateCheckShowsTheRowsOfTheConnectedProducts) {
  test::LocalServer server;
  std::vector<std::string> keys;
  server.http().Post("/api/updates", [&](const httplib::Request& req, httplib::Response& res) {
    keys.push_back(req.body.substr(0, req.body.find('&')));
    if (req.body.find("RT52P03C") != std::string::npos)
      res.set_content(R"({"version":"0200","version_name":"2.0","name":"MS","path":"x"})", "application/json");
    else
      res.set_content(R"({"version":"0","name":"AP"})", "application/json");
  });
  ASSERT_TRUE(server.start());
  Result r = run({"--demo=mouse", "update-check", "--server", server.base()});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(keys, (std::vector<std::string>{"app_key=ZELTO_1_RT52P03C_MS_1", "app_key=ZELTO_0_ALL_T73_BQ2_BQ1_1"}));
  EXPECT_NE(r.out.find("MS    V0100         V0200         newer version available\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("state: update available\n"), std::string::npos) << r.out;
  EXPECT_TRUE(fs::exists(home_ / "data" / "ORVIK Tessel RGB" / "updatetime.config"));

  r = run({"--demo=mouse", "--json", "update-check", "--server=" + server.base()});
  Json::Value v;
  std::istringstream in(r.out);
  ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &v, nullptr)) << r.out;
  EXPECT_EQ(v["state"].asString(), "update available");
  ASSERT_EQ(v["rows"].size(), 2u);
  EXPECT_EQ(v["rows"][0]["available"].asString(), "V0200");
  EXPECT_EQ(v["rows"][1]["status"].asInt(), 7);
}

TEST_F(TesselctlServices, UpdateCheckWithoutAServerSaysSoAndFails) {
  Result r = run({"--demo=mouse", "update-check"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("no update server is set"), std::string::npos) << r.err;
  EXPECT_NE(r.out.find("state: no connection"), std::string::npos);
  r = run({"update-check", "--server"});
  EXPECT_EQ(r.code, 2);
  r = run({"--demo=mouse", "update-check", "extra"});
  EXPECT_EQ(r.code, 2);
}

// Each connected product is asked about under its own row; a server's words
// reach the terminal without a control character; an error status fails.
TEST_F(TesselctlServices, UpdateCheckPairsEachDeviceWithItsRowAndShowsServerTextPlain) {
  test::LocalServer server;
  std::vector<std::string> keys;
  int status = 200;
  server.http().Post("/api/updates", [&](const httplib::Request& req, httplib::Response& res) {
    keys.push_back(req.body.substr(0, req.body.find('&')));
    res.status = status;
    const bool keyboard = req.body.find("RT52P04C") != std::string::npos;
    res.set_content(std::string(keyboard ? R"({"version":"0001",)" : R"({"version":"9.9.9",)") +
                    R"("version_name":"\u001b]0;owned\u0007\u001b[2J9.9\n* \u009bAP\tFORGED",)"
                    R"("name":"AP","path":"\u001b[31mx"})",
                    "application/json");
  });
  ASSERT_TRUE(server.start());
  Result r = run({"--demo=keyboard", "update-check", "--server", server.base()});
  EXPECT_EQ(keys, (std::vector<std::string>{"app_key=ZELTO_1_RT52P04C_KB_1", "app_key=ZELTO_0_ALL_T73_BQ2_BQ1_1"}));
  EXPECT_NE(r.out.find("?]0;owned??[2J9.9?* ?AP?FORGED"), std::string::npos) << r.out;
  for (const std::string& text : {r.out, r.err}) {
    for (unsigned char c : text) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c != 0x7F)) << int(c);
    EXPECT_EQ(text.find("\xC2\x9B"), std::string::npos);
  }
  r = run({"--demo=keyboard", "--json", "update-check", "--server", server.base()});
  EXPECT_EQ(r.out.find("\\u001b"), std::string::npos) << r.out;  // not even escaped in JSON

  status = 500;  // the same body behind an error status is no answer
  r = run({"--demo=keyboard", "update-check", "--server", server.base()});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("did not answer properly"), std::string::npos) << r.err;
  EXPECT_EQ(r.out.find("newer version available"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("state: no connection"), std::string::npos) << r.out;
}

TEST_F(TesselctlServices, DoctorListsTheDevicesAndTheChecks) {
  const Result r = run({"--demo=mouse,headset", "--json", "doctor"});
  Json::Value v;
  std::istringstream in(r.out);
  ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &v, nullptr)) << r.out;
  std::vector<std::string> names;
  bool problems = false;
  for (const auto& c : v["checks"]) {
    names.push_back(c["check"].asString());
    if (!c["ok"].asBool()) {
      problems = true;
      EXPECT_FALSE(c["fix"].asString().empty()) << c["check"].asString();
    }
  }
  EXPECT_EQ(v["ok"].asBool(), !problems);
  EXPECT_EQ(r.code, problems ? 1 : 0);
  auto has = [&](const std::string& prefix) {
    for (const auto& n : names)
      if (n.rfind(prefix, 0) == 0) return true;
    return false;
  };
  EXPECT_TRUE(has("mouse (cable, command)"));
  EXPECT_TRUE(has("headset (cable, command)"));
  EXPECT_FALSE(has("keyboard"));
  EXPECT_TRUE(has("udev rule 70-tessel-rgb.rules"));
  EXPECT_TRUE(has("session bus"));
}

}  // namespace
}  // namespace tessel::tools
