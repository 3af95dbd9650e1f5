#pragma once
// Servers on 127.0.0.1 for the client tests: cpp-httplib (plain or TLS) on a
// free port, run on their own thread, and a socket that accepts connections
// but never answers.
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

namespace tessel::test {

// A proxy from the environment must not stand between the client and these servers.
inline void bypassProxies() {
  ::setenv("no_proxy", "127.0.0.1,localhost", 1);
  ::setenv("NO_PROXY", "127.0.0.1,localhost", 1);
}

class LocalServer {
 public:
  explicit LocalServer(std::unique_ptr<httplib::Server> server) : server_(std::move(server)) { bypassProxies(); }
  LocalServer() : server_(std::make_unique<httplib::Server>()) { bypassProxies(); }
  ~LocalServer() { stop(); }

  httplib::Server& http() { return *server_; }
  // Binds to a free loopback port and serves; false when it could not bind.
  bool start() {
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) return false;
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running()) std::this_thread::yield();
    return true;
  }
  void stop() {
    if (thread_.joinable()) {
      server_->stop();
      thread_.join();
    }
  }
  int port() const { return port_; }
  std::string base(const char* scheme = "http") const {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_);
  }

 private:
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
};

// Accepts TCP connections (the kernel completes them) and never reads or answers.
class SilentServer {
 public:
  SilentServer() {
    bypassProxies();
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd_, 8) == 0) {
      socklen_t len = sizeof a;
      ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &len);
      port_ = ntohs(a.sin_port);
    }
  }
  ~SilentServer() { ::close(fd_); }
  int port() const { return port_; }
  std::string base() const { return "http://127.0.0.1:" + std::to_string(port_); }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// A closed loopback port: bound, never listening, then released.
inline int closedPort() {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
  socklen_t len = sizeof a;
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
  ::close(fd);
  return ntohs(a.sin_port);
}

// A self-signed certificate for 127.0.0.1 (its own authority) made with the
// openssl command; false when the command is missing or failed.
inline bool makeSelfSignedCertificate(const std::filesystem::path& folder) {
  const std::string cmd = "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1"
                          " -addext subjectAltName=IP:127.0.0.1 -keyout '" +
                          (folder / "key.pem").string() + "' -out '" + (folder / "cert.pem").string() +
                          "' >/dev/null 2>&1";
  return std::system(cmd.c_str()) == 0 && std::filesystem::exists(folder / "cert.pem");
}

}  // namespace tessel::test
