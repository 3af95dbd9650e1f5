#include "platform/kept_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <set>
#include <system_error>
#include <utility>

#include "platform/debug.h"
#include "platform/json_file.h"

namespace tessel {
namespace fs = std::filesystem;

namespace {

std::string errnoText(int error) { return std::error_code(error, std::generic_category()).message(); }

bool isBlank(std::string_view text) { return text.find_first_not_of(" \t\r\n") == std::string_view::npos; }

KeptRead refused(std::string problem) {
  KeptRead r;
  r.status = KeptStatus::Unreadable;
  r.problem = std::move(problem);
  return r;
}

// Opens a kept file for reading without blocking and without following a link
// to anything but a regular file. Fills `out` with the bytes, or returns the
// refusal.
std::optional<KeptRead> openAndRead(const fs::path& path, std::size_t limit, std::string& out) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return KeptRead{};
    return refused(errnoText(errno));
  }
  int flags = O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW;
  if (S_ISLNK(st.st_mode)) {
    if (::stat(path.c_str(), &st) != 0) {
      if (errno == ENOENT) return KeptRead{};  // a dangling link holds nothing
      return refused(errnoText(errno));
    }
    if (!S_ISREG(st.st_mode)) return refused("a link to something that is not a regular file");
    flags &= ~O_NOFOLLOW;
  } else if (!S_ISREG(st.st_mode)) {
    return refused(S_ISDIR(st.st_mode) ? "a folder, not a file" : "not a regular file");
  }
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) return refused(errnoText(errno));
  // What was opened is what counts: the name may have changed since lstat.
  std::optional<KeptRead> result;
  if (::fstat(fd, &st) != 0) {
    result = refused(errnoText(errno));
  } else if (!S_ISREG(st.st_mode)) {
    result = refused("not a regular file");
  } else if (static_cast<std::size_t>(st.st_size) > limit) {
    result = refused("larger than " + std::to_string(limit / (1024 * 1024)) + " MiB");
  } else {
    out.clear();
    char buffer[65536];
    for (;;) {
      const ssize_t n = ::read(fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        result = refused(errnoText(errno));
        break;
      }
      if (n == 0) break;
      out.append(buffer, static_cast<std::size_t>(n));
      if (out.size() > limit) {
        result = refused("larger than " + std::to_string(limit / (1024 * 1024)) + " MiB");
        break;
      }
    }
  }
  ::close(fd);
  return result;
}

KeptRead finish(const fs::path& path, KeptRead r) {
  if (r.status == KeptStatus::Unusable) {
    if (auto kept = keepBytesAside(path, r.bytes)) {
      r.keptAs = *kept;
    } else {
      // Without a copy the file must not be replaced.
      r.status = KeptStatus::Unreadable;
      r.problem += "; no copy could be kept aside";
    }
    r.value = Json::Value();
  }
  if (r.status == KeptStatus::Unreadable || r.status == KeptStatus::Unusable) {
    debugPrintf("kept file: %s", r.message(path).c_str());
    postKeptFileNotice(r.message(path));
  }
  return r;
}

void sweepOwn(const fs::path& path) {
  const fs::path folder = path.parent_path();
  const std::string name = path.filename().string();
  sweepStaleTemporaries(folder.empty() ? fs::path(".") : folder,
                        [&](std::string_view target) { return target == name; });
}

template <typename Check>
KeptRead readKept(const fs::path& path, std::size_t limit, const Check& check) {
  sweepOwn(path);
  std::string bytes;
  if (auto early = openAndRead(path, limit, bytes)) return finish(path, std::move(*early));
  KeptRead r;
  if (isBlank(bytes)) return r;  // an empty file holds nothing to lose
  r.bytes = std::move(bytes);
  r.status = KeptStatus::Usable;
  check(r);
  return finish(path, std::move(r));
}

}  // namespace

std::string KeptRead::message(const fs::path& path) const {
  std::string text = path.string() + ": " + problem;
  if (!keptAs.empty()) text += " (kept as " + keptAs.string() + ")";
  return text;
}

KeptRead readKeptBytes(const fs::path& path, const BytesShape& shape, std::size_t limit) {
  return readKept(path, limit, [&](KeptRead& r) {
    if (shape && !shape(r.bytes)) {
      r.status = KeptStatus::Unusable;
      r.problem = "not in the expected form";
    }
  });
}

KeptRead readKeptJson(const fs::path& path, const JsonShape& shape, std::size_t limit) {
  return readKept(path, limit, [&](KeptRead& r) {
    if (!parseJson(r.bytes, r.value)) {
      r.status = KeptStatus::Unusable;
      r.problem = "not readable JSON";
    } else if (shape && !shape(r.value)) {
      r.status = KeptStatus::Unusable;
      r.problem = "JSON of the wrong shape";
    }
  });
}

namespace {

// A target we may replace: nothing there, a regular file we can read, or a link
// to one. Anything else (permissions, a FIFO, a device, a folder) is kept.
bool replaceable(const fs::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (S_ISLNK(st.st_mode) && ::stat(path.c_str(), &st) != 0) return errno == ENOENT;
  if (!S_ISREG(st.st_mode)) return false;
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

}  // namespace

bool writeKeptFile(const fs::path& path, std::string_view bytes, const AtomicWriteHooks* hooks) {
  sweepOwn(path);
  if (!replaceable(path)) {
    debugPrintf("kept file not replaced, it cannot be read: %s", path.string().c_str());
    return false;
  }
  return writeFileAtomic(path, bytes, hooks);
}

bool writeKeptJson(const fs::path& path, const Json::Value& value, const AtomicWriteHooks* hooks,
                   const JsonShape& shape) {
  // A save without a read first must still not destroy what we could not use.
  if (readKeptJson(path, shape).unreadable()) return false;
  return writeKeptFile(path, styledJson(value), hooks);
}

std::optional<fs::path> keepBytesAside(const fs::path& path, std::string_view bytes) {
  for (int n = 0; n < 1000; ++n) {
    fs::path candidate = path;
    candidate += n == 0 ? std::string(".bad") : ".bad." + std::to_string(n);
    struct stat st {};
    if (::lstat(candidate.c_str(), &st) == 0) {
      // Reuse an identical earlier copy; anything else at that name is left alone.
      std::string old;
      if (S_ISREG(st.st_mode) && !openAndRead(candidate, bytes.size(), old) && old == bytes) return candidate;
      continue;
    }
    if (errno != ENOENT) return std::nullopt;
    // The rename replaces whatever appears at the name meanwhile, never a
    // link's target; the copy is private as its source may have been.
    if (!writeFileAtomic(candidate, bytes, nullptr, 0600)) return std::nullopt;
    ::chmod(candidate.c_str(), 0600);
    return candidate;
  }
  return std::nullopt;
}

void sweepStaleTemporaries(const fs::path& folder, const OwnsFileName& owns) {
  std::error_code ec;
  fs::directory_iterator it(folder, ec);
  if (ec) return;
  constexpr std::size_t kSuffix = 11;  // ".tmp.XXXXXX"
  for (const auto& entry : it) {
    const fs::path path = entry.path();
    const std::string name = path.filename().string();
    if (!isTemporaryName(name)) continue;
    if (owns && !owns(std::string_view(name).substr(1, name.size() - 1 - kSuffix))) continue;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat st {};
    // A writer holds its temporary locked until the rename; an unlocked one
    // was left by a writer that died.
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      struct stat named {};
      if (::lstat(path.c_str(), &named) == 0 && named.st_ino == st.st_ino && named.st_dev == st.st_dev) {
        ::unlink(path.c_str());
        debugPrintf("removed a temporary file left by an interrupted write: %s", path.string().c_str());
      }
    }
    ::close(fd);
  }
}

namespace shape {

bool object(const Json::Value& v) { return v.isObject(); }

bool objectWithOptionalArray(const Json::Value& v, std::string_view key) {
  if (!v.isObject()) return false;
  const Json::Value* m = v.find(key.data(), key.data() + key.size());
  return !m || m->isNull() || m->isArray();
}

bool objectWithOptionalArrayOfObjects(const Json::Value& v, std::string_view key) {
  if (!v.isObject()) return false;
  const Json::Value* m = v.find(key.data(), key.data() + key.size());
  if (!m || m->isNull()) return true;
  if (!m->isArray()) return false;
  for (const auto& row : *m)
    if (!row.isObject() && !row.isNull()) return false;
  return true;
}

bool objectWithArrayOfObjects(const Json::Value& v, std::string_view key) {
  if (!v.isObject()) return false;
  const Json::Value* m = v.find(key.data(), key.data() + key.size());
  if (!m || !m->isArray()) return false;
  for (const auto& row : *m)
    if (!row.isObject()) return false;
  return true;
}

}  // namespace shape

namespace {
std::mutex& noticeMutex() {
  static std::mutex m;
  return m;
}
struct Notices {
  std::set<std::string> posted;
  std::vector<std::string> pending;
};
Notices& notices() {
  static Notices n;
  return n;
}
}  // namespace

void postKeptFileNotice(const std::string& text) {
  std::lock_guard lock(noticeMutex());
  if (notices().posted.insert(text).second) notices().pending.push_back(text);
}

std::vector<std::string> takeKeptFileNotices() {
  std::lock_guard lock(noticeMutex());
  return std::exchange(notices().pending, {});
}

void forgetKeptFileNotices() {
  std::lock_guard lock(noticeMutex());
  notices() = Notices{};
}

}  // namespace tessel
