// Exports write a regular file where asked, or standard output, and nothing else.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>

#include "platform/export_file.h"
#include "platform/file_io.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

TEST(ExportFile, RefusesEverythingButARegularFileInAnExistingFolder) {
  char pattern[] = "/tmp/tessel-export-XXXXXX";
  const fs::path dir = ::mkdtemp(pattern);
  const fs::path privateFile = dir / "private";
  ASSERT_TRUE(writeFileAtomic(privateFile, "mine"));
  ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
  fs::create_symlink(dir / "fifo", dir / "link-fifo");
  fs::create_symlink(privateFile, dir / "link-file");
  fs::create_directory(dir / "folder");
  // A device node of our own (a copy of /dev/null's numbers) where allowed.
  const bool device = ::mknod((dir / "null").c_str(), S_IFCHR | 0600, makedev(1, 3)) == 0;

  for (const char* name : {"fifo", "link-fifo", "link-file", "folder", "null", "missing/x.json", ""}) {
    if (std::string_view(name) == "null" && !device) continue;
    const fs::path target = dir / name;
    const auto before = fs::symlink_status(target).type();
    const ExportOutcome out = exportFile(target, "new");  // a blocking open would hang here
    EXPECT_FALSE(out.ok) << name;
    EXPECT_FALSE(out.message.empty()) << name;
    EXPECT_EQ(fs::symlink_status(target).type(), before) << name;  // nothing replaced, nothing made
  }
  EXPECT_EQ(readFileBytes(privateFile).value_or(""), "mine");
  EXPECT_FALSE(fs::exists(dir / "missing"));

  // A regular file is replaced (never read: an unreadable one too); a new one is made.
  ::chmod(privateFile.c_str(), 0200);
  EXPECT_TRUE(exportFile(privateFile, "new").ok);
  ::chmod(privateFile.c_str(), 0600);
  EXPECT_EQ(readFileBytes(privateFile).value_or(""), "new");
  EXPECT_TRUE(exportFile(dir / "fresh.json", "{}").ok);
  EXPECT_EQ(readFileBytes(dir / "fresh.json").value_or(""), "{}");
  // "-" is standard output when the caller has one, else an ordinary name.
  std::ostringstream out;
  EXPECT_TRUE(exportFile("-", "doc", &out).ok);
  EXPECT_EQ(out.str(), "doc");
  fs::remove_all(dir);
}

}  // namespace
}  // namespace tessel
