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

// Replaces `path` with `bytes` atomically: the bytes go to a temporary file
// ".<name>.tmp.XXXXXX" in the same folder, are flushed to disk, and the
// temporary file is renamed over the target. Either the old or the new content
// is there afterwards, never a mix. The writer holds an exclusive flock on the
// temporary file until the rename (see sweepStaleTemporaries). The file keeps
// the mode of the regular file it replaces when that mode lets the owner read
// and write it; otherwise it gets `newMode`. Returns false on any failure (the
// old file is left as it was).
bool writeFileAtomic(const std::filesystem::path& path, std::string_view bytes,
                     const AtomicWriteHooks* hooks = nullptr, unsigned newMode = 0644);

// True for a name of our temporary pattern ".<name>.tmp.XXXXXX".
bool isTemporaryName(std::string_view fileName);

}  // namespace tessel
