// The whole update check against an update service on 127.0.0.1.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <map>
#include <mutex>
#include <thread>

#include "local_server.h"
#include "platform/file_io.h"
#include "services/http_client.h"
#include "services/update_check.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

// Answers each app_key with a stored document and keeps what it received.
struct UpdateService {
  test::LocalServer server;
  std::mutex mutex;
  std::map<std::string, std::string> answers;  // app_key -> body
  std::vector<std::string> bodies, lengths;

  UpdateService() {
    server.http().Post("/api/updates", [this](const httplib::Request& req, httplib::Response& res) {
      std::lock_guard<std::mutex> lock(mutex);
      bodies.push_back(req.body);
      lengths.push_back(req.get_header_value("Content-Length"));
      std::string key = req.body.substr(8, req.body.find('&') - 8);
      auto it = answers.find(key);
      res.set_content(it == answers.end() ? std::string("{}") : it->second, "application/json");
    });
  }
};

class UpdateCheckRun : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("tessel-update-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    config_.updateTimeFile = folder_ / "updatetime.config";
    config_.today = {2024, 3, 7};
  }
  void TearDown() override { fs::remove_all(folder_); }
  fs::path folder_;
  UpdateCheckConfig config_;
};

TEST_F(UpdateCheckRun, NewerFirmwareIsOfferedAndTheDateWrittenAfterTheAnswer) {
  UpdateService service;
  service.answers["ZELTO_1_RT52P03C_MS_1"] =
      R"({"version":"0103","version_name":"1.3","name":"MS","path":"/fw/ms.bin","device_id":5})";
  service.answers["ZELTO_0_ALL_T73_BQ2_BQ1_1"] = R"({"version":"105","version_name":"1.0.5","name":"AP"})";
  ASSERT_TRUE(service.server.start());
  config_.serverBase = service.server.base() + "/";
  const auto entries = buildUpdateEntries({0x0102}, "1.0.5");
  ASSERT_EQ(entries.size(), 2u);
  HttpClient client;
  std::vector<std::pair<size_t, int>> seen;
  const auto out = runUpdateCheck(entries, config_, client,
                                  [&](size_t i, const UpdateResult& r) { seen.emplace_back(i, r.status); });
  ASSERT_EQ(out.rows.size(), 2u);
  EXPECT_EQ(out.state, UpdateWindowState::Available);
  EXPECT_EQ(out.rows[0].status, 1);
  EXPECT_EQ(out.rows[0].installedText, "V0102");
  EXPECT_EQ(out.rows[0].availableText, "V0103");
  EXPECT_EQ(out.rows[0].path, "/fw/ms.bin");
  EXPECT_EQ(out.rows[0].deviceId, 5);
  EXPECT_EQ(out.rows[1].name, "AP");
  EXPECT_EQ(out.rows[1].status, 7);  // 105 is 1.0.5: nothing newer
  EXPECT_EQ(out.rows[1].availableText, "");
  // Two initial rows, then one update per request.
  EXPECT_EQ(seen, (std::vector<std::pair<size_t, int>>{{0, 7}, {1, 7}, {0, 1}, {1, 7}}));
  // The body goes with its terminating NUL, counted in Content-Length.
  ASSERT_EQ(service.bodies.size(), 2u);
  EXPECT_EQ(service.bodies[0], std::string("app_key=ZELTO_1_RT52P03C_MS_1&version=102", 41) + '\0');
  EXPECT_EQ(service.lengths[0], "42");
  EXPECT_EQ(readLastCheckDate(config_.updateTimeFile), "2024-3-7");
  EXPECT_EQ(out.lastCheckDate, "2024-3-7");
}

TEST_F(UpdateCheckRun, AnsweredWithNothingNewerIsUpToDate) {
  UpdateService service;
  service.answers["ZELTO_0_ALL_T73_BQ2_BQ1_1"] = R"({"version":"1.0.5","version_name":"1.0.5","name":"AP"})";
  ASSERT_TRUE(service.server.start());
  config_.serverBase = service.server.base() + "/api/";
  HttpClient client;
  const auto out = runUpdateCheck(buildUpdateEntries({}, "1.0.5"), config_, client);
  ASSERT_EQ(service.bodies.size(), 1u);  // no device: only the application row
  EXPECT_EQ(out.state, UpdateWindowState::UpToDate);
  EXPECT_EQ(out.lastCheckDate, "2024-3-7");
}

TEST_F(UpdateCheckRun, NoServerOrNoAnswerMakesNoConnectionAndKeepsTheDate) {
  ASSERT_TRUE(writeLastCheckDate(config_.updateTimeFile, "2023-12-1"));
  HttpClient client;
  const auto entries = buildUpdateEntries({0x0100, 0x0200}, "1.0.0");
  auto out = runUpdateCheck(entries, config_, client);  // no server configured
  EXPECT_TRUE(out.noServer);
  EXPECT_EQ(out.state, UpdateWindowState::NoConnection);
  EXPECT_EQ(out.rows.size(), 3u);

  config_.serverBase = "http://127.0.0.1:" + std::to_string(test::closedPort());
  out = runUpdateCheck(entries, config_, client);
  EXPECT_FALSE(out.noServer);
  EXPECT_EQ(out.state, UpdateWindowState::NoConnection);
  for (const auto& r : out.rows) EXPECT_EQ(r.status, 7);
  EXPECT_EQ(out.lastCheckDate, "2023-12-1");
  EXPECT_EQ(readLastCheckDate(config_.updateTimeFile), "2023-12-1");
}

TEST_F(UpdateCheckRun, CancelStopsTheCheckBeforeTheNextRequest) {
  test::SilentServer silent;
  config_.serverBase = silent.base();
  HttpClient client;
  UpdateCheckOutcome out;
  std::thread check([&] { out = runUpdateCheck(buildUpdateEntries({1, 2, 3}, "1.0.0"), config_, client); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  client.cancel();
  check.join();
  EXPECT_TRUE(out.cancelled);
  EXPECT_EQ(out.state, UpdateWindowState::NoConnection);
  EXPECT_FALSE(fs::exists(config_.updateTimeFile));
}

// A server that is reached but answers badly never makes the check "up to
// date" and records no date; each case runs under a watchdog.
TEST_F(UpdateCheckRun, ABadAnswerIsNoAnswerAndRecordsNoDate) {
  using Handler = std::function<void(const httplib::Request&, httplib::Response&)>;
  std::atomic<bool> stop{false};
  const Handler drip = [&stop](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/json", [&stop](size_t, httplib::DataSink& sink) {
      // Two bytes a second, for ever: this stands for a remote server, not the code under test.
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
      return !stop.load() && sink.write(" ", 1);
    });
  };
  const std::string good = R"({"version":"0.0.1","name":"AP"})";
  const std::vector<std::pair<const char*, Handler>> cases = {
      {"500 with JSON", [&](auto&, auto& res) { res.status = 500; res.set_content(good, "application/json"); }},
      {"404", [](auto&, auto& res) { res.status = 404; }},
      {"malformed", [](auto&, auto& res) { res.set_content(R"({"version":)", "application/json"); }},
      {"empty 200", [](auto&, auto& res) { res.set_content("", "application/json"); }},
      {"dripping", drip},
  };
  ASSERT_TRUE(writeLastCheckDate(config_.updateTimeFile, "2023-12-1"));
  for (const auto& [what, handler] : cases) {
    test::LocalServer server;
    server.http().Post("/api/updates", handler);
    ASSERT_TRUE(server.start());
    config_.serverBase = server.base();
    HttpClient client;
    client.settings().lowSpeedSeconds = 1;  // the 1 KB/s floor over one second instead of ten
    auto run = std::async(std::launch::async, [&] { return runUpdateCheck(buildUpdateEntries({}, "1.0.5"), config_, client); });
    const bool finished = run.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    if (!finished) client.cancel();
    const UpdateCheckOutcome out = run.get();
    stop = true;
    EXPECT_TRUE(finished) << what;
    ASSERT_EQ(out.rows.size(), 1u) << what;
    EXPECT_FALSE(out.rows[0].answered) << what;
    EXPECT_EQ(out.improper, 1u) << what;
    EXPECT_EQ(out.state, UpdateWindowState::NoConnection) << what;
    EXPECT_EQ(readLastCheckDate(config_.updateTimeFile), "2023-12-1") << what;
  }
}

}  // namespace
}  // namespace tessel
