#include "macros/macro_delete.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/document_records.h"
#include "core/clock.h"
#include "platform/file_io.h"
#include "platform/json_file.h"
#include "profiles/profile_list.h"

namespace fs = std::filesystem;

namespace tessel::macros {
namespace {

int code(int type, int p1, int p2) { return type * 65536 + p1 * 256 + p2; }

// One "KeyList" entry: assigned and default code.
Json::Value key(int assignment, int def) {
  Json::Value e;
  e["Assignment"] = assignment;
  e["DefaultAssignment"] = def;
  return e;
}

Json::Value documentWith(const std::vector<Json::Value>& keys) {
  Json::Value doc;
  Json::Value element;
  element["KeyList"] = Json::Value(Json::arrayValue);
  for (const auto& k : keys) element["KeyList"].append(k);
  element["Other"] = 7;
  doc["Device"].append(element);
  doc["profilename"] = "p";
  return doc;
}

const char* const kIds[] = {"2026_01_01_00_00_00_001", "2026_01_01_00_00_00_002", "2026_01_01_00_00_00_003"};
const char* const kProfiles[] = {"2026_02_01_00_00_00_001", "2026_02_01_00_00_00_002"};

class MacroDeleteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("tessel-macro-delete-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    Json::Value index;
    for (int i = 0; i < 3; ++i) {
      Json::Value row;
      row["MacroName"] = "m" + std::to_string(i);
      row["Guid"] = kIds[i];
      index["MacroInfo"].append(row);
      ASSERT_TRUE(writeFileAtomic(folder_ / (std::string(kIds[i]) + ".mac"), "{\"Events\": []}\n"));
    }
    ASSERT_TRUE(writeJsonFile(folder_ / "macro.config", index));
    Json::Value list;
    list["profilelist"].append(profiles::makeListEntry("one", kProfiles[0]));
    list["profilelist"].append(profiles::makeListEntry("two", kProfiles[1]));
    list["profileselect"] = 1;
    ASSERT_TRUE(writeJsonFile(folder_ / "ProfileList.ini", list));
    // Profile 0 (not current): bound to macros 0, 1 and 2. Profile 1 (current):
    // bound to macro 2 only, in repeat mode, plus a plain key.
    writeProfile(0, documentWith({key(code(0x70, 0, 1), code(0x10, 1, 0)), key(code(0x70, 1, 2), code(0x10, 2, 0)),
                                  key(code(0x71, 2, 5), code(0x10, 3, 0))}));
    writeProfile(1, documentWith({key(code(0x20, 0, 4), code(0x20, 0, 4)), key(code(0x71, 2, 9), code(0x10, 4, 0))}));
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path profilePath(int i) const { return folder_ / (std::string(kProfiles[i]) + ".Json"); }
  void writeProfile(int i, const Json::Value& doc) { ASSERT_TRUE(writeJsonFile(profilePath(i), doc)); }
  Json::Value profile(int i) const { return readJsonFile(profilePath(i)); }
  int assignment(int profileIndex, int keyIndex) const {
    return profile(profileIndex)["Device"][0]["KeyList"][keyIndex]["Assignment"].asInt();
  }
  std::string file(const fs::path& p) const { return readFileBytes(p).value_or("<missing>"); }

  fs::path folder_;
  ManualClock clock_;
};

TEST_F(MacroDeleteTest, DeletingMacro1OfThreeRenumbersEveryProfile) {
  MacroLibrary library(folder_, clock_);
  int asked = 0;
  const auto out = deleteMacro(library, folder_, 1, {[&] { return ++asked, true; }, [&] { return ++asked, true; }});
  ASSERT_TRUE(out.ok()) << out.message;
  // The current profile does not use macro 1: only the first question.
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(out.name, "m1");
  EXPECT_EQ(out.profilesChanged, 2u);
  EXPECT_TRUE(out.currentChanged);
  EXPECT_EQ(assignment(0, 0), code(0x70, 0, 1));  // below: unchanged
  EXPECT_EQ(assignment(0, 1), code(0x10, 2, 0));  // the deleted one: its default
  EXPECT_EQ(assignment(0, 2), code(0x71, 1, 5));  // above: lowered, repeat count kept
  EXPECT_EQ(assignment(1, 0), code(0x20, 0, 4));  // a key: untouched
  EXPECT_EQ(assignment(1, 1), code(0x71, 1, 9));
  EXPECT_EQ(profile(0)["Device"][0]["Other"].asInt(), 7);  // other members survive
  EXPECT_EQ(profile(0)["Device"][0]["KeyList"][1]["DefaultAssignment"].asInt(), code(0x10, 2, 0));

  library.load();
  ASSERT_EQ(library.size(), 2u);
  EXPECT_EQ(library.entries()[0].name, "m0");
  EXPECT_EQ(library.entries()[1].name, "m2");
  EXPECT_FALSE(fs::exists(folder_ / (std::string(kIds[1]) + ".mac")));
  EXPECT_TRUE(fs::exists(folder_ / (std::string(kIds[2]) + ".mac")));
}

TEST_F(MacroDeleteTest, CancellingEitherQuestionLeavesEveryFileAsItWas) {
  const std::string before0 = file(profilePath(0)), before1 = file(profilePath(1));
  const std::string indexBefore = file(folder_ / "macro.config");
  MacroLibrary library(folder_, clock_);

  auto out = deleteMacro(library, folder_, 2, {[] { return false; }, [] { return true; }});
  EXPECT_EQ(out.status, MacroDeleteStatus::Cancelled);

  // The current profile binds macro 2: the second question is asked, and a
  // "no" there must not leave the other profile renumbered.
  int second = 0;
  out = deleteMacro(library, folder_, 2, {[] { return true; }, [&] { return ++second, false; }});
  EXPECT_EQ(out.status, MacroDeleteStatus::Cancelled);
  EXPECT_EQ(second, 1);

  EXPECT_EQ(file(profilePath(0)), before0);
  EXPECT_EQ(file(profilePath(1)), before1);
  EXPECT_EQ(file(folder_ / "macro.config"), indexBefore);
  EXPECT_TRUE(fs::exists(folder_ / (std::string(kIds[2]) + ".mac")));

  out = deleteMacro(library, folder_, 2, {[] { return true; }, [] { return true; }});
  ASSERT_TRUE(out.ok()) << out.message;
  EXPECT_EQ(assignment(1, 1), code(0x10, 4, 0));
  EXPECT_EQ(assignment(0, 2), code(0x10, 3, 0));
  EXPECT_EQ(assignment(0, 1), code(0x70, 1, 2));
}

TEST_F(MacroDeleteTest, RefusesABadIndexAndADamagedLibraryWithoutTouchingProfiles) {
  const std::string before0 = file(profilePath(0));
  MacroLibrary library(folder_, clock_);
  auto out = deleteMacro(library, folder_, 3, {});
  EXPECT_EQ(out.status, MacroDeleteStatus::Failed);
  EXPECT_FALSE(out.message.empty());

  ASSERT_TRUE(writeFileAtomic(folder_ / "macro.config", "{ not json"));
  out = deleteMacro(library, folder_, 0, {});
  EXPECT_EQ(out.status, MacroDeleteStatus::Failed);
  EXPECT_EQ(file(profilePath(0)), before0);
  EXPECT_TRUE(fs::exists(folder_ / (std::string(kIds[0]) + ".mac")));
}

TEST_F(MacroDeleteTest, AFailedProfileWriteRestoresTheOthersAndKeepsTheMacro) {
  const std::string before0 = file(profilePath(0)), before1 = file(profilePath(1));
  const std::string indexBefore = file(folder_ / "macro.config");
  int writes = 0;
  AtomicWriteHooks secondFails;
  secondFails.beforeRename = [&](const fs::path&) { return ++writes != 2; };
  MacroLibrary library(folder_, clock_);
  const auto out = deleteMacro(library, folder_, 2, {}, &secondFails);
  EXPECT_EQ(out.status, MacroDeleteStatus::Failed);
  EXPECT_NE(out.message.find("could not be written"), std::string::npos) << out.message;
  EXPECT_EQ(writes, 2);
  EXPECT_EQ(file(profilePath(0)), before0);  // written, then given its text back
  EXPECT_EQ(file(profilePath(1)), before1);
  EXPECT_EQ(file(folder_ / "macro.config"), indexBefore);
  EXPECT_TRUE(fs::exists(folder_ / (std::string(kIds[2]) + ".mac")));
}

TEST(MacroDeleteRenumber, RenumberingSkipsOddEntriesAndCountsWhatChanged) {
  Json::Value doc = documentWith({key(code(0x70, 3, 0), code(0x10, 1, 0)), key(code(0x70, 4, 0), code(0x10, 1, 0))});
  doc["Device"][0]["KeyList"].append("not an object");
  Json::Value noDefault;
  noDefault["Assignment"] = code(0x71, 3, 2);
  doc["Device"][0]["KeyList"].append(noDefault);
  EXPECT_TRUE(bindsMacro(doc, 3));
  EXPECT_FALSE(bindsMacro(doc, 5));
  const auto changes = renumberMacroBindings(doc, 3);
  EXPECT_EQ(changes.reset, 2u);
  EXPECT_EQ(changes.renumbered, 1u);
  const Json::Value& list = doc["Device"][0]["KeyList"];
  EXPECT_EQ(list[0]["Assignment"].asInt(), code(0x10, 1, 0));
  EXPECT_EQ(list[1]["Assignment"].asInt(), code(0x70, 3, 0));
  EXPECT_EQ(list[2].asString(), "not an object");
  EXPECT_EQ(list[3]["Assignment"].asInt(), 0);  // no default recorded: nothing assigned
  EXPECT_FALSE(renumberMacroBindings(doc, 9).any());
}

}  // namespace
}  // namespace tessel::macros
