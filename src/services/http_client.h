#pragma once
// A small synchronous HTTP client on libcurl: one request, the whole response
// body collected into the caller's buffer.
//
//   request(method, url, body, length, out, outSize) -> bytes received, or -1
//
// - Only GET and POST (any case) are made; another method gives -1 and last
//   error 87, an empty URL -1 and last error 3. Neither touches the buffer.
// - When no answer came (no route, refused, TLS refused, time-out, cancel)
//   the buffer holds "NO_LINK_SERVER" and the result is 0.
// - The body is sent exactly as given (its length is the Content-Length).
// - The buffer is always NUL-terminated: at most outSize - 1 body bytes are
//   kept, and a longer body is cut there and reported by truncated().
// - TLS certificates and host names are always verified, against the system's
//   authorities or, when set, one extra authority file.
// - A transfer is bounded: slower than lowSpeedBytesPerSecond averaged over
//   lowSpeedSeconds, or longer than totalTimeoutMs in all, it is ended, and
//   complete() is false (whatever part of a body came is still returned).
// - Proxies come from the usual environment variables (http_proxy,
//   https_proxy, no_proxy), which libcurl reads itself.
// - cancel() from any thread ends a running request at once: the transfer's
//   wait is woken and the progress callback aborts it.
//
// One request at a time per client; cancel() is the only call that may come
// from another thread.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace tessel {

inline constexpr std::string_view kNoLinkServer = "NO_LINK_SERVER";

struct HttpSettings {
  std::string userAgent = "WinHTTP Client/1.0";
  long resolveTimeoutMs = 0;  // 0: no limit
  long connectTimeoutMs = 60000;
  long sendTimeoutMs = 30000;
  long receiveTimeoutMs = 30000;
  // The floor below which a transfer is given up: a server dripping a few
  // bytes a second would otherwise hold the check for hours. The send and
  // receive time-outs are covered by it and by the total time.
  long lowSpeedBytesPerSecond = 1024;
  long lowSpeedSeconds = 10;
  long totalTimeoutMs = 30000;  // connecting included
  // A PEM file with one more certificate authority to trust (a private update
  // server); empty: the system's authorities only.
  std::string caFile;
};

class HttpClient {
 public:
  // Error codes of the refused requests (the rest are libcurl's codes).
  static constexpr long kErrorInvalidParameter = 87;
  static constexpr long kErrorPathNotFound = 3;

  HttpClient();
  ~HttpClient();
  HttpClient(const HttpClient&) = delete;
  HttpClient& operator=(const HttpClient&) = delete;

  HttpSettings& settings() { return settings_; }

  long request(std::string_view method, std::string_view url, const void* body, size_t bodyLength, char* out,
               size_t outSize);

  // The error of the last failing step: 87, 3, or a CURLcode; 0 after a clean exchange.
  long lastError() const { return lastError_; }
  // Whether the last response was longer than the buffer and was cut.
  bool truncated() const { return truncated_; }
  // HTTP status of the last response (0 when none came).
  long status() const { return status_; }
  // Whether the last response came whole: no transfer error, not cut.
  bool complete() const { return complete_; }
  // Whether the last request ended because of cancel().
  bool cancelled() const { return cancelledRequest_; }

  // Thread-safe. Ends the running request and every later one until reset().
  void cancel();
  void reset();
  bool isCancelled() const { return cancel_.load(); }

 private:
  HttpSettings settings_;
  long lastError_ = 0;
  bool truncated_ = false;
  bool cancelledRequest_ = false;
  bool complete_ = false;
  long status_ = 0;
  std::atomic<bool> cancel_{false};
  std::mutex wakeMutex_;
  void* multi_ = nullptr;  // the running transfer's CURLM, guarded by wakeMutex_
};

}  // namespace tessel
