#pragma once
// Whole-file reads and atomic file writes.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tessel {

// Reads the whole file as bytes; nullopt when it cannot be opened.
std::optional<std::string> readFileBytes(const std::filesystem::path& path);

// Hooks for tests that need a write to fail at a chosen point.
struct AtomicWriteHooks {
  // Called after the temporary file is written and flushed, before the rename.
  // Returning false abandons the write (the temporary file is removed).
  std::function<bool(const std::filesystem::path& temporary)> beforeRename;
};

// Replaces `path` with `bytes` atomically: the bytes go to a temporary file in
// the same folder, are flushed to disk, and the temporary file is renamed over
// the target. Either the old or the new content is there afterwards, never a
// mix. Returns false on any failure (the old file is left as it was).
bool writeFileAtomic(const std::filesystem::path& path, std::string_view bytes,
                     const AtomicWriteHooks* hooks = nullptr);

// Copies a file that cannot be used into "<name>.bad" (or "<name>.bad.N" when
// an older, different copy is already there) so that it is never lost to a
// later save. A copy identical to the file is not made twice. Returns the path
// of the kept copy, or nullopt when nothing could be kept.
std::optional<std::filesystem::path> keepAside(const std::filesystem::path& path);

}  // namespace tessel
