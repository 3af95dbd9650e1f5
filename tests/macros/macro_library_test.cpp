#include "macros/macro_library.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "core/clock.h"
#include "macros/macro_image.h"
#include "platform/file_io.h"
#include "platform/json_file.h"

namespace fs = std::filesystem;

namespace tessel::macros {
namespace {

class MacroLibraryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("tessel-macros-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    folder_ = root_ / "mouse";
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(root_); }

  void writeIndex(const std::vector<MacroEntry>& entries) {
    Json::Value doc;
    doc["MacroInfo"] = Json::Value(Json::arrayValue);
    for (const auto& e : entries) {
      Json::Value row;
      row["MacroName"] = e.name;
      row["Guid"] = e.guid;
      doc["MacroInfo"].append(row);
    }
    doc["Other"] = "kept";
    ASSERT_TRUE(writeJsonFile(folder_ / "macro.config", doc));
  }
  Json::Value index() const { return readJsonFile(folder_ / "macro.config"); }
  fs::path writeSource(const std::string& name, const std::string& bytes) {
    const fs::path p = root_ / name;
    EXPECT_TRUE(writeFileAtomic(p, bytes));
    return p;
  }

  fs::path root_, folder_;
  ManualClock clock_;
};

const std::string kBurst =
    R"({"Events":[{"Action":"down","Button":1,"Type":1,"Delay":"10"},{"Action":"up","Button":1,"Type":1,"Delay":"10"}]})";

TEST_F(MacroLibraryTest, CreateFillsTheFirstFreeNumberAndKeepsOtherMembers) {
  writeIndex({{"macro_1", "2026_01_01_00_00_00_001"}, {"MACRO_3", "2026_01_01_00_00_00_003"}});
  MacroLibrary lib(folder_, clock_);
  const auto first = lib.create();
  ASSERT_TRUE(first.ok()) << first.message;
  EXPECT_EQ(first.name, "macro_2");
  EXPECT_EQ(first.index, 2u);
  const auto second = lib.create();
  EXPECT_EQ(second.name, "macro_4");

  const Json::Value doc = index();
  ASSERT_EQ(doc["MacroInfo"].size(), 4u);
  EXPECT_EQ(doc["MacroInfo"][2]["MacroName"].asString(), "macro_2");
  EXPECT_EQ(doc["Other"].asString(), "kept");
  const std::string g2 = doc["MacroInfo"][2]["Guid"].asString();
  const std::string g3 = doc["MacroInfo"][3]["Guid"].asString();
  // Same millisecond on the manual clock, yet two distinct identifiers.
  EXPECT_NE(g2, g3);
  EXPECT_EQ(g2.size(), std::string("2026_03_04_05_06_07_089").size());
  // A fresh macro has no event file and reads as empty.
  EXPECT_FALSE(fs::exists(folder_ / (g2 + ".mac")));
  EXPECT_TRUE(lib.loadEvents(2).empty());
}

TEST_F(MacroLibraryTest, CreateStopsAtFifty) {
  MacroLibrary lib(folder_, clock_);
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(lib.create().ok());
  const auto full = lib.create();
  EXPECT_EQ(full.error, LibraryError::Full);
  EXPECT_EQ(index()["MacroInfo"].size(), 50u);
}

TEST_F(MacroLibraryTest, RenameRefusesBlankAndDuplicateNames) {
  writeIndex({{"one", "2026_01_01_00_00_00_001"}, {"two", "2026_01_01_00_00_00_002"}});
  MacroLibrary lib(folder_, clock_);
  EXPECT_EQ(lib.rename(0, "   ").error, LibraryError::Blank);
  EXPECT_EQ(lib.rename(0, "TWO").error, LibraryError::DuplicateName);
  EXPECT_EQ(lib.rename(0, "One").error, LibraryError::DuplicateName);  // its own name too
  EXPECT_EQ(lib.rename(5, "x").error, LibraryError::NoSuchMacro);
  EXPECT_EQ(lib.rename(0, "a\nb").error, LibraryError::BadName);
  EXPECT_EQ(lib.rename(0, std::string(65, 'x')).error, LibraryError::BadName);
  EXPECT_EQ(index()["MacroInfo"][0]["MacroName"].asString(), "one");
  ASSERT_TRUE(lib.rename(1, "burst").ok());
  EXPECT_EQ(index()["MacroInfo"][1]["MacroName"].asString(), "burst");
  EXPECT_EQ(index()["MacroInfo"][1]["Guid"].asString(), "2026_01_01_00_00_00_002");
  EXPECT_EQ(lib.names(), (std::vector<std::string>{"one", "burst"}));
}

TEST_F(MacroLibraryTest, ImportNamesAfterTheFileThenNumbersAndCopiesBytes) {
  writeIndex({{"burst", "2026_01_01_00_00_00_001"}});
  MacroLibrary lib(folder_, clock_);
  const fs::path source = writeSource("Burst.mac", kBurst);
  const auto a = lib.importFile(source);
  ASSERT_TRUE(a.ok()) << a.message;
  EXPECT_EQ(a.name, "2");
  EXPECT_EQ(lib.importFile(source).name, "3");
  const auto fresh = lib.importFile(writeSource("Spray.mac", kBurst));
  EXPECT_EQ(fresh.name, "Spray");
  EXPECT_EQ(lib.importFile(writeSource("  .mac", kBurst)).name, "macro");

  const auto path = lib.eventFilePath(a.index);
  ASSERT_TRUE(path);
  EXPECT_EQ(readFileBytes(*path).value_or(""), kBurst);
  ASSERT_EQ(lib.loadEvents(a.index).size(), 2u);
  EXPECT_EQ(lib.loadEvents(a.index)[0], (MacroEvent{true, 1, 1, 10}));
}

TEST_F(MacroLibraryTest, ImportRefusesFilesThatAreNotMacros) {
  MacroLibrary lib(folder_, clock_);
  const auto notObject = lib.importFile(writeSource("a.mac", "[1,2]"));
  EXPECT_EQ(notObject.error, LibraryError::BadFile);
  EXPECT_FALSE(notObject.message.empty());
  EXPECT_EQ(lib.importFile(writeSource("b.mac", R"({"Guid":"x"})")).error, LibraryError::BadFile);
  EXPECT_EQ(lib.importFile(writeSource("c.mac", std::string(kMaxImportBytes + 1, ' '))).error,
            LibraryError::BadFile);
  EXPECT_EQ(lib.importFile(root_ / "missing.mac").error, LibraryError::ReadFailed);
  EXPECT_EQ(lib.importFile("/dev/zero").error, LibraryError::ReadFailed);
  EXPECT_EQ(lib.importFile(root_).error, LibraryError::ReadFailed);
  EXPECT_EQ(lib.size(), 0u);
  EXPECT_FALSE(fs::exists(folder_ / "macro.config"));
}

TEST_F(MacroLibraryTest, SaveLoadAndExport) {
  MacroLibrary lib(folder_, clock_);
  ASSERT_TRUE(lib.create().ok());
  ASSERT_TRUE(lib.rename(0, "spray").ok());
  const fs::path early = root_ / "out" / "never_saved.mac";
  fs::create_directories(early.parent_path());
  ASSERT_TRUE(lib.exportTo(0, early).ok());
  EXPECT_EQ(readFileBytes(early).value_or("x"), "");

  const std::vector<MacroEvent> events{{true, 4, 10, 30}, {false, 4, 10, 0}};
  ASSERT_TRUE(lib.saveEvents(0, events).ok());
  const auto path = *lib.eventFilePath(0);
  const Json::Value doc = readJsonFile(path);
  EXPECT_EQ(doc["MacroName"].asString(), "spray");
  EXPECT_EQ(doc["Guid"].asString(), lib.entries()[0].guid);
  EXPECT_EQ(doc["Version"].asInt(), 64);
  EXPECT_EQ(doc["Events"][0]["Delay"].asString(), "30");
  EXPECT_EQ(lib.loadEvents(0), events);

  const fs::path out = root_ / "out" / "spray.mac";
  ASSERT_TRUE(lib.exportTo(0, out).ok());
  EXPECT_EQ(readFileBytes(out), readFileBytes(path));
  EXPECT_EQ(lib.exportTo(1, out).error, LibraryError::NoSuchMacro);
}

TEST_F(MacroLibraryTest, DamagedIndexIsKeptAndNeverReplaced) {
  const std::string damaged = "{ \"MacroInfo\": [ {\"MacroName\": \"a\", ";
  ASSERT_TRUE(writeFileAtomic(folder_ / "macro.config", damaged));
  MacroLibrary lib(folder_, clock_);
  EXPECT_TRUE(lib.damaged());
  EXPECT_EQ(lib.create().error, LibraryError::Damaged);
  EXPECT_EQ(lib.importFile(writeSource("x.mac", kBurst)).error, LibraryError::Damaged);
  EXPECT_EQ(lib.saveEvents(0, std::vector<MacroEvent>{{}}).error, LibraryError::Damaged);
  EXPECT_EQ(lib.rename(0, "b").error, LibraryError::Damaged);
  EXPECT_EQ(readFileBytes(folder_ / "macro.config").value_or(""), damaged);
  EXPECT_EQ(readFileBytes(folder_ / "macro.config.bad").value_or(""), damaged);

  // An index that is there but cannot be opened is not an empty library.
  fs::remove(folder_ / "macro.config");
  fs::create_directories(folder_ / "macro.config" / "inside");
  lib.load();
  EXPECT_TRUE(lib.damaged());
  EXPECT_EQ(lib.create().error, LibraryError::Damaged);
  EXPECT_TRUE(fs::exists(folder_ / "macro.config" / "inside"));
  fs::remove_all(folder_ / "macro.config");
  ASSERT_TRUE(writeFileAtomic(folder_ / "macro.config", R"({"MacroInfo":[{"MacroName":"a","Guid":"1"}]})"));
  if (::geteuid() != 0) {  // root reads it anyway
    fs::permissions(folder_ / "macro.config", fs::perms::none);
    lib.load();
    EXPECT_TRUE(lib.damaged());
    EXPECT_EQ(lib.create().error, LibraryError::Damaged);
    fs::permissions(folder_ / "macro.config", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(readJsonFile(folder_ / "macro.config")["MacroInfo"].size(), 1u);
  }

  // A "MacroInfo" of the wrong kind is damage too, not an empty library.
  ASSERT_TRUE(writeFileAtomic(folder_ / "macro.config", R"({"MacroInfo": 3})"));
  lib.load();
  EXPECT_TRUE(lib.damaged());
  EXPECT_EQ(lib.create().error, LibraryError::Damaged);
}

TEST_F(MacroLibraryTest, IdentifiersThatAreNotTimestampsNeverBecomePaths) {
  fs::create_directories(root_ / "victim");
  ASSERT_TRUE(writeFileAtomic(root_ / "victim" / "x.mac", kBurst));
  writeIndex({{"evil", "../victim/x"}, {"ok", "2026_01_01_00_00_00_001"}});
  MacroLibrary lib(folder_, clock_);
  EXPECT_FALSE(lib.eventFilePath(0));
  EXPECT_TRUE(lib.loadEvents(0).empty());
  EXPECT_EQ(lib.saveEvents(0, std::vector<MacroEvent>{{}}).error, LibraryError::UnsafeId);
  EXPECT_EQ(lib.exportTo(0, root_ / "out.mac").error, LibraryError::UnsafeId);
  EXPECT_EQ(readFileBytes(root_ / "victim" / "x.mac").value_or(""), kBurst);
  // The entry still holds its place: macro 1 stays macro 1.
  EXPECT_EQ(lib.eventFilePath(1), folder_ / "2026_01_01_00_00_00_001.mac");
}

TEST_F(MacroLibraryTest, ListedMacrosFeedTheImage) {
  MacroLibrary lib(folder_, clock_);
  ASSERT_TRUE(lib.create().ok());
  ASSERT_TRUE(lib.create().ok());
  ASSERT_TRUE(lib.saveEvents(1, std::vector<MacroEvent>{{true, 4, 10, 30}}).ok());
  const std::vector<uint8_t> list{1, 0};
  const auto macros = loadListedMacros(lib, list);
  ASSERT_EQ(macros.size(), 2u);
  const MacroImage image = buildLibraryImage(lib, list, 1);
  ASSERT_EQ(image.status, MacroImage::Status::Ok);
  // Slot 0 is macro 1 (one event), slot 1 is the never-saved macro 0.
  EXPECT_EQ(image.length, 16u + 12u + 4u);
  EXPECT_EQ(image.bytes[20], 1);
  EXPECT_EQ(image.bytes[24], 0x1E);
  EXPECT_EQ(buildLibraryImage(lib, std::vector<uint8_t>{}, 1).status, MacroImage::Status::Empty);

  // With the index unreadable nothing is written, even for a non-empty list.
  ASSERT_TRUE(writeFileAtomic(folder_ / "macro.config", "{ broken"));
  lib.load();
  EXPECT_EQ(buildLibraryImage(lib, list, 1).status, MacroImage::Status::Empty);
}

}  // namespace
}  // namespace tessel::macros
