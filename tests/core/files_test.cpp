#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/data_folders.h"
#include "platform/debug.h"
#include "platform/file_io.h"
#include "platform/kept_file.h"
#include "platform/settings_store.h"

namespace fs = std::filesystem;
using namespace tessel;

namespace {

// Points HOME and the XDG folders at a fresh temporary folder for one test.
class IsolatedHome : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tessel-home-XXXXXX";
    home_ = mkdtemp(pattern);
    saveEnv("HOME");
    saveEnv("XDG_DATA_HOME");
    saveEnv("XDG_CONFIG_HOME");
    saveEnv("TESSEL_INSTALL_DIR");
    setenv("HOME", home_.c_str(), 1);
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("TESSEL_INSTALL_DIR");
  }
  void TearDown() override {
    for (auto& [name, value] : saved_) {
      if (value) setenv(name.c_str(), value->c_str(), 1);
      else unsetenv(name.c_str());
    }
    std::error_code ec;
    fs::remove_all(home_, ec);
  }
  void saveEnv(const char* name) {
    const char* v = std::getenv(name);
    saved_.emplace_back(name, v ? std::optional<std::string>(v) : std::nullopt);
  }
  fs::path home_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

using DataFolders = IsolatedHome;
using Settings = IsolatedHome;
using KeptFiles = IsolatedHome;

}  // namespace

TEST_F(DataFolders, UserAndDeviceFoldersFollowXdgAndAreCreated) {
  fs::path user = userDataFolder();
  EXPECT_EQ(user, home_ / ".local/share/ORVIK Tessel RGB");
  EXPECT_TRUE(fs::is_directory(user));
  fs::path pad = deviceDataFolder("MousePad");
  EXPECT_EQ(pad, user / "MousePad");
  EXPECT_TRUE(fs::is_directory(pad));

  setenv("XDG_DATA_HOME", (home_ / "data").c_str(), 1);
  EXPECT_EQ(deviceDataFolder("HD"), home_ / "data/ORVIK Tessel RGB/HD");
  EXPECT_TRUE(fs::is_directory(home_ / "data/ORVIK Tessel RGB/HD"));
  // A relative XDG value is invalid and ignored.
  setenv("XDG_DATA_HOME", "relative/data", 1);
  EXPECT_EQ(userDataFolder(), home_ / ".local/share/ORVIK Tessel RGB");
  EXPECT_EQ(configFolder(), home_ / ".config/ORVIK Tessel RGB");
}

TEST_F(DataFolders, InstallationFolderIsFoundOrReportedMissing) {
  // Laid out as installed: <prefix>/bin/tessel-rgb and <prefix>/share/tessel-rgb/{DefaultData,skin}.
  fs::path prefix = home_ / "prefix";
  fs::create_directories(prefix / "bin");
  fs::create_directories(prefix / "share/tessel-rgb/DefaultData");
  EXPECT_EQ(installFolderFor(prefix / "bin/tessel-rgb"), std::nullopt);  // skin/ still missing
  fs::create_directories(prefix / "share/tessel-rgb/skin");
  EXPECT_EQ(installFolderFor(prefix / "bin/tessel-rgb"), prefix / "share/tessel-rgb");

  // Unpacked next to the executable.
  fs::path flat = home_ / "flat";
  fs::create_directories(flat / "DefaultData");
  fs::create_directories(flat / "skin");
  EXPECT_EQ(installFolderFor(flat / "tessel-rgb"), flat);

  // An executable elsewhere, with nothing beside it, finds nothing.
  EXPECT_EQ(installFolderFor(home_ / "nowhere/tessel-rgb"), std::nullopt);

  // The override wins when it is a real installation folder, and is ignored otherwise.
  setenv("TESSEL_INSTALL_DIR", flat.c_str(), 1);
  EXPECT_EQ(installFolderFor(home_ / "nowhere/tessel-rgb"), flat);
  setenv("TESSEL_INSTALL_DIR", (home_ / "bogus").c_str(), 1);
  EXPECT_EQ(installFolderFor(home_ / "nowhere/tessel-rgb"), std::nullopt);
}

TEST_F(DataFolders, TestBinaryInTheBuildTreeUsesTheSourceTree) {
  auto found = installFolder();
  ASSERT_TRUE(found.has_value());
  EXPECT_EQ(fs::weakly_canonical(*found), fs::weakly_canonical(TESSEL_SOURCE_DIR));
  EXPECT_TRUE(fs::is_directory(*defaultDataFolder()));
}

TEST_F(Settings, ValuesAreWrittenOnlyWhenTheStoreExists) {
  SettingsStore store;
  EXPECT_EQ(store.file(), home_ / ".config/ORVIK Tessel RGB/settings.json");
  EXPECT_FALSE(store.exists());
  EXPECT_FALSE(store.setDword("LANGUAGE", 2052));
  EXPECT_FALSE(store.exists());
  EXPECT_EQ(store.getDword("LANGUAGE"), std::nullopt);

  ASSERT_TRUE(store.create());
  ASSERT_TRUE(store.setDword("LANGUAGE", 2052));
  ASSERT_TRUE(store.setString("DisplayVersion", "0.1.0"));
  SettingsStore again;
  EXPECT_EQ(again.getDword("LANGUAGE"), 2052u);
  EXPECT_EQ(again.getString("DisplayVersion"), "0.1.0");
  EXPECT_EQ(again.getString("LANGUAGE"), std::nullopt);  // wrong type
  EXPECT_EQ(again.getDword("DisplayVersion"), std::nullopt);
}

TEST_F(Settings, ABrokenStoreIsKeptAsideOnTheNextWrite) {
  SettingsStore store;
  ASSERT_TRUE(store.create());
  std::ofstream(store.file()) << "{ LANGUAGE = 1 ";
  EXPECT_EQ(store.getDword("LANGUAGE"), std::nullopt);
  ASSERT_TRUE(store.setDword("LANGUAGE", 1033));
  EXPECT_EQ(store.getDword("LANGUAGE"), 1033u);
  fs::path aside = store.file();
  aside += ".bad";
  EXPECT_EQ(readFileBytes(aside).value_or(""), "{ LANGUAGE = 1 ");
}

TEST_F(Settings, AStoreOfTheWrongShapeIsKeptAsideBeforeItIsReplaced) {
  SettingsStore store;
  ASSERT_TRUE(store.create());
  fs::path aside = store.file();
  aside += ".bad";
  for (const std::string text : {"[1, 2]\n", "\"LANGUAGE\"\n"}) {
    std::ofstream(store.file()) << text;
    ASSERT_TRUE(store.setDword("LANGUAGE", 1033)) << text;
    EXPECT_EQ(store.getDword("LANGUAGE"), 1033u);
    EXPECT_EQ(readFileBytes(aside).value_or(""), text);
    fs::remove(aside);
  }
  // A value of another type is not silently overwritten either; the rest stays.
  const std::string textual = "{ \"LANGUAGE\": \"English\", \"Other\": 5 }\n";
  std::ofstream(store.file()) << textual;
  ASSERT_TRUE(store.setDword("LANGUAGE", 2052));
  EXPECT_EQ(readFileBytes(aside).value_or(""), textual);
  EXPECT_EQ(store.getDword("LANGUAGE"), 2052u);
  EXPECT_EQ(store.getDword("Other"), 5u);
}

TEST_F(Settings, WritingTheValueAlreadyStoredLeavesTheFileAlone) {
  SettingsStore store;
  ASSERT_TRUE(store.create());
  const std::string handWritten = "{\"LANGUAGE\":1033,\"DisplayVersion\":\"0.1.0\"}";
  std::ofstream(store.file()) << handWritten;
  EXPECT_TRUE(store.setDword("LANGUAGE", 1033));
  EXPECT_TRUE(store.setString("DisplayVersion", "0.1.0"));
  EXPECT_EQ(readFileBytes(store.file()).value_or(""), handWritten);
  // A change is written.
  EXPECT_TRUE(store.setDword("LANGUAGE", 2052));
  EXPECT_NE(readFileBytes(store.file()).value_or(""), handWritten);
  EXPECT_EQ(store.getString("DisplayVersion"), "0.1.0");
  fs::path aside = store.file();
  aside += ".bad";
  EXPECT_FALSE(fs::exists(aside));
}

TEST(Debug, CaptureReceivesUtf8LinesUnchanged) {
  std::vector<std::string> lines;
  setDebugCapture([&](std::string_view l) { lines.emplace_back(l); });
  debugLine("抓取设备线程设定退出");
  debugPrintf("%s %d", "命令", 7);
  setDebugCapture({});
  debugLine("not captured");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "抓取设备线程设定退出");
  EXPECT_EQ(lines[1], "命令 7");
}

namespace {
unsigned modeOf(const fs::path& p) {
  struct stat st {};
  return ::lstat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 07777u;
}
}  // namespace

// A replaced file keeps its mode only when its owner can read and write it: a
// mode-000 file must not turn every later save into a file nobody can read.
TEST_F(KeptFiles, AWriteKeepsOnlyAModeTheOwnerCanUse) {
  struct Case {
    unsigned before, after;
  } const cases[] = {{0640, 0640}, {0600, 0600}, {0400, 0644}, {0200, 0644}, {04755, 0755}};
  for (const Case& c : cases) {
    const fs::path file = home_ / "doc.json";
    ASSERT_TRUE(writeFileAtomic(file, "{}"));
    ::chmod(file.c_str(), c.before);
    // A file the owner cannot read is not replaced at all by a kept write.
    if (::geteuid() != 0) {
      EXPECT_EQ(writeKeptFile(file, "{\"a\":1}"), (c.before & 0400) != 0) << std::oct << c.before;
    }
    ASSERT_TRUE(writeFileAtomic(file, "{\"a\":1}"));
    EXPECT_EQ(modeOf(file), c.after) << std::oct << c.before;
    fs::remove(file);
  }
}

// Outcomes of a read, and the private copy of what could not be used.
TEST_F(KeptFiles, ReadsSortFilesIntoMissingUsableUnusableAndUnreadable) {
  const fs::path file = home_ / "list.json";
  auto isList = [](const Json::Value& v) { return shape::objectWithArrayOfObjects(v, "rows"); };
  EXPECT_TRUE(readKeptJson(file, isList).missing());
  ASSERT_TRUE(writeFileAtomic(file, "{\"rows\":[{}]}"));
  EXPECT_TRUE(readKeptJson(file, isList).usable());
  for (const char* text : {"[1,2,3]", "null", "{\"rows\":5}", "{\"rows\":[1]}", "{\"rows\":"}) {
    ASSERT_TRUE(writeFileAtomic(file, text, nullptr, 0644));
    const KeptRead r = readKeptJson(file, isList);
    EXPECT_TRUE(r.unusable()) << text;
    EXPECT_EQ(readKeptBytes(r.keptAs).bytes, text);
    EXPECT_EQ(modeOf(r.keptAs), 0600u);
    fs::remove(r.keptAs);
  }
  fs::remove(file);
  ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
  EXPECT_TRUE(readKeptJson(file, isList).unreadable());
  EXPECT_FALSE(writeKeptFile(file, "{}"));
  EXPECT_TRUE(fs::is_fifo(file));
  const auto notices = takeKeptFileNotices();
  ASSERT_FALSE(notices.empty());
  EXPECT_NE(notices.back().find(file.string()), std::string::npos);
}

// Only temporaries of our pattern whose writer no longer holds them are swept.
TEST_F(KeptFiles, StaleTemporariesGoWhileOnesInUseAndOthersStay) {
  const fs::path dead = home_ / ".a.json.tmp.Ab12Cd";
  const fs::path busy = home_ / ".b.json.tmp.Xy34Zw";
  const fs::path other = home_ / ".c.json.tmp.toolong";
  for (const auto& p : {dead, busy, other}) ASSERT_TRUE(writeFileAtomic(p, "x"));
  const int fd = ::open(busy.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_TRUE(readKeptJson(home_ / "a.json", {}).missing());  // any operation in the folder sweeps it
  EXPECT_FALSE(fs::exists(dead));
  EXPECT_TRUE(fs::exists(busy));
  EXPECT_TRUE(fs::exists(other));
  ::close(fd);
}
