#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

#include "platform/debug.h"

namespace tessel {
namespace fs = std::filesystem;

std::optional<std::string> readFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream out;
  out << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return std::move(out).str();
}

namespace {

bool writeAll(int fd, std::string_view bytes) {
  const char* p = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

bool writeFileAtomic(const fs::path& path, std::string_view bytes, const AtomicWriteHooks* hooks) {
  fs::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  std::string pattern = (folder / ("." + path.filename().string() + ".tmp.XXXXXX")).string();
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) {
    debugPrintf("write failed: %s", path.string().c_str());
    return false;
  }
  fs::path temporary(pattern);
  bool ok = writeAll(fd, bytes) && ::fsync(fd) == 0;
  // mkstemp makes the file private; keep the mode of the file being replaced,
  // or that of an ordinary new file.
  struct stat old {};
  ::fchmod(fd, ::stat(path.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  ok = (::close(fd) == 0) && ok;
  if (ok && hooks && hooks->beforeRename) ok = hooks->beforeRename(temporary);
  if (ok) ok = ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    std::error_code ec;
    fs::remove(temporary, ec);
    debugPrintf("write failed: %s", path.string().c_str());
    return false;
  }
  // Make the rename itself durable.
  int dirfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dirfd >= 0) {
    ::fsync(dirfd);
    ::close(dirfd);
  }
  return true;
}

std::optional<fs::path> keepAside(const fs::path& path) {
  auto content = readFileBytes(path);
  if (!content) return std::nullopt;
  for (int n = 0; n < 1000; ++n) {
    fs::path candidate = path;
    candidate += n == 0 ? std::string(".bad") : ".bad." + std::to_string(n);
    std::error_code ec;
    if (fs::exists(candidate, ec)) {
      auto old = readFileBytes(candidate);
      if (old && *old == *content) return candidate;
      continue;
    }
    if (!writeFileAtomic(candidate, *content)) return std::nullopt;
    debugPrintf("kept unreadable file aside: %s", candidate.string().c_str());
    return candidate;
  }
  return std::nullopt;
}

}  // namespace tessel
