#pragma once
// Writing an export: a file the user named, and nothing else.
//
// - "-" (when the caller passes a stream for it) writes to that stream, the
//   command line's standard output.
// - The folder must exist; a missing one is an error and nothing is created.
// - A destination that exists must be a regular file: a device node, FIFO,
//   socket or folder there is refused, before anything is opened (opening a
//   FIFO would block, and writing a device or replacing its node is never
//   what an export means).
// - A symbolic link as destination is refused rather than followed: a link
//   planted in a shared folder would otherwise steer the write to any file
//   the user can write, and the user can always name the real file.
// - The destination is never read. It is replaced atomically (temporary file
//   in the same folder, then rename), so an interrupted export leaves either
//   the old file or the new one.
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>

namespace tessel {

struct ExportOutcome {
  bool ok = true;
  std::string message;  // one line saying why, when not ok
};

ExportOutcome exportFile(const std::filesystem::path& target, std::string_view bytes,
                         std::ostream* standardOutput = nullptr);

}  // namespace tessel
