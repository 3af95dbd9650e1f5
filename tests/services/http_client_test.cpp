// The HTTP client against real servers on 127.0.0.1.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "local_server.h"
#include "services/http_client.h"

namespace tessel {
namespace {

using test::LocalServer;

TEST(HttpClient, RefusesOtherMethodsAndEmptyUrlWithoutTouchingTheBuffer) {
  HttpClient client;
  char out[32];
  std::memset(out, 'x', sizeof out);
  EXPECT_EQ(client.request("PUT", "http://127.0.0.1:1/", "abc", 3, out, sizeof out), -1);
  EXPECT_EQ(client.lastError(), 87);
  EXPECT_EQ(client.request("", "http://127.0.0.1:1/", nullptr, 0, out, sizeof out), -1);
  EXPECT_EQ(client.lastError(), 87);
  EXPECT_EQ(client.request("GET", "", nullptr, 0, out, sizeof out), -1);
  EXPECT_EQ(client.lastError(), 3);
  for (char c : out) ASSERT_EQ(c, 'x');
}

TEST(HttpClient, UnreachableServerGivesNoLinkServer) {
  HttpClient client;
  char out[64];
  std::memset(out, 'x', sizeof out);
  const std::string url = "http://127.0.0.1:" + std::to_string(test::closedPort()) + "/api/updates";
  EXPECT_EQ(client.request("post", url, "a=1", 3, out, sizeof out), 0);
  EXPECT_STREQ(out, "NO_LINK_SERVER");
  EXPECT_NE(client.lastError(), 0);
  // A malformed address is not a request either.
  EXPECT_EQ(client.request("GET", "http://[::1", nullptr, 0, out, sizeof out), 0);
  EXPECT_STREQ(out, "NO_LINK_SERVER");
  // Only http and https are spoken.
  EXPECT_EQ(client.request("GET", "file:///etc/passwd", nullptr, 0, out, sizeof out), 0);
  EXPECT_STREQ(out, "NO_LINK_SERVER");
}

TEST(HttpClient, PostSendsTheBodyAsGivenWithTheHeadersLibcurlBuilds) {
  LocalServer server;
  std::string contentLength, contentType, accept, agent, body, method;
  server.http().Post("/api/updates", [&](const httplib::Request& req, httplib::Response& res) {
    method = req.method;
    contentLength = req.get_header_value("Content-Length");
    contentType = req.get_header_value("Content-Type");
    accept = req.get_header_value("Accept");
    agent = req.get_header_value("User-Agent");
    body = req.body;
    res.status = 404;  // the status is not evaluated: the body still counts
    res.set_content("{\"name\":\"MS\"}", "application/json");
  });
  ASSERT_TRUE(server.start());
  HttpClient client;
  const char twenty[] = "app_key=K&version=12";  // 20 bytes, NUL not sent
  char out[256];
  const long n = client.request("Post", server.base() + "/api/updates", twenty, 20, out, sizeof out);
  EXPECT_EQ(method, "POST");
  EXPECT_EQ(contentLength, "20");
  EXPECT_EQ(body, std::string(twenty, 20));
  EXPECT_EQ(contentType, "application/x-www-form-urlencoded");
  EXPECT_EQ(accept, "application/prs.Zelto.v1+json");
  EXPECT_EQ(agent, "WinHTTP Client/1.0");
  EXPECT_EQ(n, 13);
  EXPECT_STREQ(out, "{\"name\":\"MS\"}");
  EXPECT_EQ(client.status(), 404);
  EXPECT_FALSE(client.truncated());
}

TEST(HttpClient, EndlessBodyIsCutAtTheBufferAndStaysTerminated) {
  LocalServer server;
  std::atomic<bool> stopped{false};
  server.http().Get("/endless", [&](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("text/plain", [&](size_t, httplib::DataSink& sink) {
      static const std::string block(4096, 'A');
      if (!sink.write(block.data(), block.size())) stopped = true;
      return !stopped.load();
    });
  });
  ASSERT_TRUE(server.start());
  HttpClient client;
  std::vector<char> out(102400 + 8, 'z');
  const long n = client.request("GET", server.base() + "/endless", nullptr, 0, out.data(), 102400);
  EXPECT_EQ(n, 102399);
  EXPECT_TRUE(client.truncated());
  EXPECT_EQ(out[102398], 'A');
  EXPECT_EQ(out[102399], '\0');
  for (size_t i = 102400; i < out.size(); ++i) ASSERT_EQ(out[i], 'z') << "written past the buffer at " << i;

  // A small buffer takes what fits of a short body.
  char small[8];
  server.http().Get("/short", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("0123456789", "text/plain");
  });
  EXPECT_EQ(client.request("GET", server.base() + "/short", nullptr, 0, small, sizeof small), 7);
  EXPECT_STREQ(small, "0123456");
  EXPECT_TRUE(client.truncated());
}

TEST(HttpClient, SelfSignedServerIsRefusedUntilItsAuthorityIsConfigured) {
  const auto folder = std::filesystem::temp_directory_path() / ("tessel-tls-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  if (!test::makeSelfSignedCertificate(folder)) GTEST_SKIP() << "the openssl command is not installed";
  LocalServer server(std::make_unique<httplib::SSLServer>((folder / "cert.pem").c_str(),
                                                          (folder / "key.pem").c_str()));
  server.http().Post("/api/updates", [](const httplib::Request&, httplib::Response& res) {
    res.set_content("{\"ok\":1}", "application/json");
  });
  ASSERT_TRUE(server.start());
  HttpClient client;
  char out[128];
  EXPECT_EQ(client.request("POST", server.base("https") + "/api/updates", "a", 1, out, sizeof out), 0);
  EXPECT_STREQ(out, "NO_LINK_SERVER");

  client.settings().caFile = (folder / "cert.pem").string();
  EXPECT_EQ(client.request("POST", server.base("https") + "/api/updates", "a", 1, out, sizeof out), 8);
  EXPECT_STREQ(out, "{\"ok\":1}");

  // The host name is checked too: the certificate names 127.0.0.1, not localhost.
  const std::string byName = "https://localhost:" + std::to_string(server.port()) + "/api/updates";
  EXPECT_EQ(client.request("POST", byName, "a", 1, out, sizeof out), 0);
  EXPECT_STREQ(out, "NO_LINK_SERVER");
  server.stop();
  std::filesystem::remove_all(folder);
}

TEST(HttpClient, CancelEndsARequestToAServerThatNeverAnswers) {
  test::SilentServer silent;
  ASSERT_GT(silent.port(), 0);
  HttpClient client;
  char out[64];
  long result = -5;
  std::atomic<bool> started{false};
  std::chrono::steady_clock::time_point returned;
  std::thread worker([&] {
    started = true;
    result = client.request("POST", silent.base() + "/api/updates", "a", 1, out, sizeof out);
    returned = std::chrono::steady_clock::now();
  });
  while (!started) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(150));  // let it connect and wait for the answer
  const auto cancelledAt = std::chrono::steady_clock::now();
  client.cancel();
  worker.join();
  EXPECT_TRUE(client.cancelled());
  EXPECT_EQ(result, 0);
  EXPECT_STREQ(out, "NO_LINK_SERVER");
  // The wait is woken by cancel(), not by the receive time-out (30 s) or the
  // once-a-second progress call; the bound is loose so a busy machine passes.
  const auto latency = std::chrono::duration_cast<std::chrono::milliseconds>(returned - cancelledAt);
  RecordProperty("cancel_latency_ms", static_cast<int>(latency.count()));
  EXPECT_LT(latency.count(), 900);

  // Cancelled stays cancelled until reset: the next request is not made.
  EXPECT_EQ(client.request("POST", silent.base(), "a", 1, out, sizeof out), 0);
  EXPECT_TRUE(client.cancelled());
  client.reset();
  EXPECT_FALSE(client.isCancelled());
}

}  // namespace
}  // namespace tessel
