#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
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

bool isTemporaryName(std::string_view name) {
  constexpr std::string_view kMarker = ".tmp.";
  constexpr size_t kSuffix = 6;  // mkstemp's XXXXXX
  if (name.size() < 1 + 1 + kMarker.size() + kSuffix || name[0] != '.') return false;
  const size_t marker = name.size() - kSuffix - kMarker.size();
  if (name.substr(marker, kMarker.size()) != kMarker) return false;
  for (char c : name.substr(name.size() - kSuffix))
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  return true;
}

namespace {

// A temporary file made and locked by this writer: mkstemp, then an exclusive
// flock. A sweep in another process may remove the file between the two; the
// check that the name still leads to our descriptor catches that, and we try
// again with a new name.
int makeLockedTemporary(const fs::path& folder, const fs::path& target, fs::path& temporary) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    std::string pattern = (folder / ("." + target.filename().string() + ".tmp.XXXXXX")).string();
    int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return -1;
    while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    struct stat mine {}, named {};
    if (::fstat(fd, &mine) == 0 && ::lstat(pattern.c_str(), &named) == 0 && mine.st_ino == named.st_ino &&
        mine.st_dev == named.st_dev) {
      temporary = pattern;
      return fd;
    }
    ::close(fd);
  }
  return -1;
}

}  // namespace

bool writeFileAtomic(const fs::path& path, std::string_view bytes, const AtomicWriteHooks* hooks, unsigned newMode) {
  fs::path folder = path.parent_path();
  if (folder.empty()) folder = ".";
  fs::path temporary;
  int fd = makeLockedTemporary(folder, path, temporary);
  if (fd < 0) {
    debugPrintf("write failed: %s", path.string().c_str());
    return false;
  }
  // mkstemp makes the file private. Keep the mode of the regular file being
  // replaced only when its owner can read and write it: copying mode 000 would
  // make every later save "succeed" into a file nobody can read.
  struct stat old {};
  mode_t mode = static_cast<mode_t>(newMode & 0777);
  if (::lstat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode) && (old.st_mode & 0600) == 0600)
    mode = old.st_mode & 0777;
  bool ok = writeAll(fd, bytes) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  if (ok && hooks && hooks->beforeRename) ok = hooks->beforeRename(temporary);
  if (ok) ok = ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) {
    std::error_code ec;
    fs::remove(temporary, ec);
  }
  // Closing releases the lock, after the rename: a sweep never sees our
  // temporary unlocked while we still mean to use it.
  ok = (::close(fd) == 0) && ok;
  if (!ok) {
    debugPrintf("write failed: %s", path.string().c_str());
    return false;
  }
  // Make the rename itself durable.
  int dirfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirfd >= 0) {
    ::fsync(dirfd);
    ::close(dirfd);
  }
  return true;
}

}  // namespace tessel
