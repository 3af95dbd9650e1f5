#pragma once
// Kept files: the one way every store reads and writes the files it keeps.
//
// Reading never blocks and never loses a file:
//   - the file is opened without following a final symlink unless it leads to
//     a regular file, and without blocking (O_NONBLOCK), then checked with
//     fstat: a FIFO, socket, device or folder is refused at once;
//   - a regular file larger than the bound is refused without being read;
//   - the bytes are parsed and the parsed value's shape is checked by the
//     caller's check.
// Outcomes:
//   Missing     nothing there (or only blanks): the store starts afresh;
//   Usable      the value is there and has the expected shape;
//   Unreadable  there but cannot be read (permissions, not a regular file, too
//               big, or an unusable file that could not be copied aside): it
//               must never be replaced, the operation fails naming the file;
//   Unusable    unparsable or of the wrong shape: a copy of the bytes read is
//               already kept as "<name>.bad" (mode 0600) when the read returns,
//               so the store may write a fresh file in its place.
// Every Unreadable or Unusable outcome is also posted once as a notice (see
// takeKeptFileNotices) for the command line or the window to show.
//
// Writing replaces the file atomically: a temporary ".<name>.tmp.XXXXXX" in the
// same folder, flushed, then renamed over the target. The writer holds an
// exclusive flock on its temporary file until the rename, so a temporary that
// nobody holds locked was left by a writer that died; every read and write
// first sweeps such leftovers of its own file, and a store of many files
// sweeps those of all its files (sweepStaleTemporaries). A lock
// (rather than an age) tells a dead writer from a slow one in another process
// at once, so a killed write leaves nothing behind past the next operation.
// The new file keeps the old one's mode only when that mode lets the owner read
// and write it (otherwise 0644). A target that exists but cannot be read
// (permissions, a FIFO, a device, a folder) is never replaced.
#include <json/json.h>

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_io.h"

namespace tessel {

// Larger kept files are refused unread: no store writes anything near this.
inline constexpr std::size_t kKeptFileLimit = 16u * 1024u * 1024u;

enum class KeptStatus { Missing, Usable, Unreadable, Unusable };

struct KeptRead {
  KeptStatus status = KeptStatus::Missing;
  std::string bytes;    // what was read (Usable, and Unusable before it was kept aside)
  Json::Value value;    // the parsed value (JSON reads, Usable only)
  std::string problem;  // why it is Unreadable or Unusable
  std::filesystem::path keptAs;  // the "<name>.bad" copy of an Unusable file

  bool usable() const { return status == KeptStatus::Usable; }
  bool missing() const { return status == KeptStatus::Missing; }
  bool unreadable() const { return status == KeptStatus::Unreadable; }
  bool unusable() const { return status == KeptStatus::Unusable; }
  // "<file>: <problem>" plus where an unusable file was kept.
  std::string message(const std::filesystem::path& path) const;
};

// Checks the parsed value (or the raw bytes) is what the reader expects.
using JsonShape = std::function<bool(const Json::Value&)>;
using BytesShape = std::function<bool(std::string_view)>;

// Reads raw bytes; `shape` may be empty (any bytes are usable).
KeptRead readKeptBytes(const std::filesystem::path& path, const BytesShape& shape = {},
                       std::size_t limit = kKeptFileLimit);
// Reads a JSON document (comments allowed) and checks its shape.
KeptRead readKeptJson(const std::filesystem::path& path, const JsonShape& shape,
                      std::size_t limit = kKeptFileLimit);

// Writes atomically as described above; false on any failure (the old file
// stays as it was), and when the target exists but cannot be read.
bool writeKeptFile(const std::filesystem::path& path, std::string_view bytes,
                   const AtomicWriteHooks* hooks = nullptr);
// The file in place is read first with `shape`: one that cannot be read is
// not replaced, one that is unusable is kept aside before it is.
bool writeKeptJson(const std::filesystem::path& path, const Json::Value& value,
                   const AtomicWriteHooks* hooks = nullptr, const JsonShape& shape = {});

// Keeps `bytes` (read from `path`) as "<name>.bad" (or ".bad.N"), mode 0600,
// never following a link at the copy's name. An identical copy is not made
// twice. The copy's path, or nullopt when nothing could be kept.
std::optional<std::filesystem::path> keepBytesAside(const std::filesystem::path& path, std::string_view bytes);

// Removes temporary files of our pattern in `folder` whose writer is gone and
// whose target's file name `owns` accepts (a store's own files; every one
// when `owns` is empty). Reads and writes sweep their own file's leftovers;
// a store of many files sweeps them all at its next operation.
using OwnsFileName = std::function<bool(std::string_view fileName)>;
void sweepStaleTemporaries(const std::filesystem::path& folder, const OwnsFileName& owns = {});

// Common shapes.
namespace shape {
bool object(const Json::Value& v);
// An object whose member `key` is absent/null or an array.
bool objectWithOptionalArray(const Json::Value& v, std::string_view key);
// An object whose member `key` is absent/null or an array of objects or nulls.
bool objectWithOptionalArrayOfObjects(const Json::Value& v, std::string_view key);
// An object whose member `key` is an array of objects.
bool objectWithArrayOfObjects(const Json::Value& v, std::string_view key);
}  // namespace shape

// Notices of kept files that could not be used, each posted once per process.
void postKeptFileNotice(const std::string& text);
std::vector<std::string> takeKeptFileNotices();
// Forgets every notice (each later one is posted again), for a new command.
void forgetKeptFileNotices();

}  // namespace tessel
