#include "platform/export_file.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

#include "platform/file_io.h"

namespace tessel {

namespace {

ExportOutcome refused(const std::filesystem::path& target, std::string_view why) {
  return {false, "\"" + target.string() + "\" " + std::string(why)};
}

std::string_view fileKind(mode_t mode) {
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  return "not a regular file";
}

}  // namespace

ExportOutcome exportFile(const std::filesystem::path& target, std::string_view bytes, std::ostream* standardOutput) {
  if (standardOutput != nullptr && target == "-") {
    standardOutput->write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    standardOutput->flush();
    if (!*standardOutput) return {false, "the standard output could not be written"};
    return {};
  }
  if (target.empty() || !target.has_filename()) return refused(target, "does not name a file");
  const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    return refused(target, "cannot be written: the folder \"" + folder.string() + "\" does not exist");
  if (::lstat(target.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) return refused(target, "is a symbolic link; name the file itself");
    if (!S_ISREG(st.st_mode))
      return refused(target, "is " + std::string(fileKind(st.st_mode)) + ", not a regular file; nothing was written");
  } else if (errno != ENOENT) {
    return refused(target, std::string("cannot be written: ") + std::strerror(errno));
  }
  if (!writeFileAtomic(target, bytes)) return refused(target, "could not be written (read-only folder or full disk?)");
  return {};
}

}  // namespace tessel
