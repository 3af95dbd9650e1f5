#include "services/http_client.h"

#include <curl/curl.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <mutex>

namespace tessel {

namespace {

void globalInit() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Where the body goes: at most `capacity` bytes, the rest is refused, which
// ends the transfer instead of reading an endless body to its end.
struct Sink {
  char* out;
  size_t capacity;
  size_t length = 0;
  bool truncated = false;
};

size_t writeBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t bytes = size * count;
  const size_t room = sink->capacity - sink->length;
  const size_t take = std::min(bytes, room);
  if (take > 0) std::memcpy(sink->out + sink->length, data, take);
  sink->length += take;
  if (take < bytes) {
    sink->truncated = true;
    return 0;  // CURLE_WRITE_ERROR: nothing more is read
  }
  return bytes;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  return static_cast<std::atomic<bool>*>(user)->load() ? 1 : 0;
}

void putText(char* out, size_t outSize, std::string_view text) {
  if (out == nullptr || outSize == 0) return;
  const size_t n = std::min(text.size(), outSize - 1);
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

struct EasyHandle {
  CURL* easy = curl_easy_init();
  curl_slist* headers = nullptr;
  CURLM* multi = nullptr;
  ~EasyHandle() {
    if (multi) {
      curl_multi_remove_handle(multi, easy);
      curl_multi_cleanup(multi);
    }
    if (easy) curl_easy_cleanup(easy);
    curl_slist_free_all(headers);
  }
};

}  // namespace

HttpClient::HttpClient() { globalInit(); }
HttpClient::~HttpClient() = default;

void HttpClient::cancel() {
  cancel_.store(true);
  std::lock_guard<std::mutex> lock(wakeMutex_);
  if (multi_) curl_multi_wakeup(static_cast<CURLM*>(multi_));
}

void HttpClient::reset() { cancel_.store(false); }

long HttpClient::request(std::string_view method, std::string_view url, const void* body, size_t bodyLength,
                         char* out, size_t outSize) {
  std::string verb(method);
  std::transform(verb.begin(), verb.end(), verb.begin(), [](unsigned char c) { return std::toupper(c); });
  if (verb != "GET" && verb != "POST") {
    lastError_ = kErrorInvalidParameter;
    return -1;
  }
  if (url.empty()) {
    lastError_ = kErrorPathNotFound;
    return -1;
  }
  lastError_ = 0;
  truncated_ = false;
  cancelledRequest_ = false;
  complete_ = false;
  status_ = 0;

  EasyHandle h;
  Sink sink{out, outSize > 0 ? outSize - 1 : 0};
  CURL* e = h.easy;
  if (e == nullptr) {
    lastError_ = CURLE_FAILED_INIT;
    putText(out, outSize, kNoLinkServer);
    return 0;
  }
  const std::string urlText(url);
  curl_easy_setopt(e, CURLOPT_URL, urlText.c_str());
  curl_easy_setopt(e, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(e, CURLOPT_USERAGENT, settings_.userAgent.c_str());
  curl_easy_setopt(e, CURLOPT_NOSIGNAL, 1L);
  // Resolving and connecting share libcurl's connect time-out; the rest is
  // bounded by the speed floor and the total time.
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS, settings_.connectTimeoutMs);
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_LIMIT, std::max(1L, settings_.lowSpeedBytesPerSecond));
  curl_easy_setopt(e, CURLOPT_LOW_SPEED_TIME, std::max(1L, settings_.lowSpeedSeconds));
  if (settings_.totalTimeoutMs > 0) curl_easy_setopt(e, CURLOPT_TIMEOUT_MS, settings_.totalTimeoutMs);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(e, CURLOPT_SSL_VERIFYHOST, 2L);
  if (!settings_.caFile.empty()) curl_easy_setopt(e, CURLOPT_CAINFO, settings_.caFile.c_str());
  curl_easy_setopt(e, CURLOPT_FOLLOWLOCATION, 0L);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, writeBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(e, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(e, CURLOPT_XFERINFOFUNCTION, progress);
  curl_easy_setopt(e, CURLOPT_XFERINFODATA, &cancel_);

  h.headers = curl_slist_append(h.headers, "Content-Type: application/x-www-form-urlencoded");
  h.headers = curl_slist_append(h.headers, "Accept: application/prs.Zelto.v1+json");
  h.headers = curl_slist_append(h.headers, "Expect:");  // no 100-continue round trip
  curl_easy_setopt(e, CURLOPT_HTTPHEADER, h.headers);
  if (verb == "POST") {
    static const char kEmpty[] = "";
    curl_easy_setopt(e, CURLOPT_POST, 1L);
    curl_easy_setopt(e, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body ? bodyLength : 0));
    curl_easy_setopt(e, CURLOPT_POSTFIELDS, body ? static_cast<const char*>(body) : kEmpty);
  } else {
    curl_easy_setopt(e, CURLOPT_HTTPGET, 1L);
  }

  // The multi interface only so that cancel() can wake the wait at once.
  h.multi = curl_multi_init();
  CURLcode code = CURLE_OK;
  if (h.multi == nullptr || curl_multi_add_handle(h.multi, e) != CURLM_OK) {
    code = CURLE_FAILED_INIT;
  } else {
    {
      std::lock_guard<std::mutex> lock(wakeMutex_);
      multi_ = h.multi;
    }
    int running = 1;
    bool done = false;
    while (!done) {
      if (cancel_.load()) {
        code = CURLE_ABORTED_BY_CALLBACK;
        break;
      }
      if (curl_multi_perform(h.multi, &running) != CURLM_OK) {
        code = CURLE_FAILED_INIT;
        break;
      }
      int left = 0;
      while (CURLMsg* m = curl_multi_info_read(h.multi, &left)) {
        if (m->msg == CURLMSG_DONE) {
          code = m->data.result;
          done = true;
        }
      }
      if (done || running == 0) break;
      // libcurl's own time-outs end the transfer; this wait only sleeps until
      // a socket moves, a time-out is due or cancel() wakes it.
      curl_multi_poll(h.multi, nullptr, 0, 1000, nullptr);
    }
    std::lock_guard<std::mutex> lock(wakeMutex_);
    multi_ = nullptr;
  }
  curl_easy_getinfo(e, CURLINFO_RESPONSE_CODE, &status_);
  cancelledRequest_ = code == CURLE_ABORTED_BY_CALLBACK;
  truncated_ = sink.truncated;
  complete_ = code == CURLE_OK && !sink.truncated;
  if (code != CURLE_OK && !(code == CURLE_WRITE_ERROR && sink.truncated)) lastError_ = code;
  if (out != nullptr && outSize > 0) out[sink.length] = '\0';

  // Nothing answered: the request never reached a server.
  if (status_ == 0 || (cancelledRequest_ && sink.length == 0)) {
    putText(out, outSize, kNoLinkServer);
    return 0;
  }
  return static_cast<long>(sink.length);
}

}  // namespace tessel
