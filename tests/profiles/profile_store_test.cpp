#include <gtest/gtest.h>

#include "platform/json_access.h"
#include "profile_env.h"

namespace tessel::profiles::testing {
namespace fs = std::filesystem;

using ProfileStoreTest = ProfileEnv;

TEST_F(ProfileStoreTest, FirstStartCreatesProfile1FromTheFactoryDocument) {
  auto store = makeStore();
  const auto outcome = store.initialise();
  ASSERT_TRUE(outcome.ok()) << outcome.message;
  EXPECT_EQ(outcome.index, 0);
  const Json::Value l = list();
  ASSERT_EQ(l["profilelist"].size(), 1u);
  EXPECT_EQ(l["profilelist"][0]["profilename"].asString(), "profile1");
  EXPECT_EQ(l["profilelist"][0]["profileislink"].asInt(), 0);
  EXPECT_EQ(l["profilelist"][0]["profilelinkmame"].asString(), "");
  EXPECT_EQ(l["profileselect"].asInt(), 0);
  const auto entries = store.entries();
  EXPECT_TRUE(isTimestampId(entries[0].uuid));
  const Json::Value d = doc(entries[0]);
  EXPECT_EQ(d["profilename"].asString(), "profile1");
  EXPECT_EQ(d["profileUUID"].asString(), entries[0].uuid);
  EXPECT_EQ(d["Device"][0]["LightInfo"]["Light"].asInt(), 3);
  // A second start keeps what is there.
  EXPECT_TRUE(makeStore().initialise().ok());
  EXPECT_EQ(store.entries()[0].uuid, entries[0].uuid);
}

TEST_F(ProfileStoreTest, UnusableListIsRecreatedAndKeptAside) {
  fs::create_directories(folder_);
  writeFileAtomic(folder_ / "ProfileList.ini", "{ not json");
  auto store = makeStore();
  ASSERT_TRUE(store.initialise().ok());
  EXPECT_EQ(names(store), std::vector<std::string>{"profile1"});
  EXPECT_TRUE(fs::exists(folder_ / "ProfileList.ini.bad"));
  // An empty list is recreated too, keeping unknown top-level members.
  Json::Value empty;
  empty["profilelist"] = Json::Value(Json::arrayValue);
  empty["extra"] = "kept";
  writeJsonFile(folder_ / "ProfileList.ini", empty);
  EXPECT_EQ(store.count(), 1);
  EXPECT_EQ(list()["extra"].asString(), "kept");
}

TEST_F(ProfileStoreTest, MissingFactoryDocumentGivesNameAndIdOnly) {
  fs::remove(factory_);
  auto store = makeStore();
  ASSERT_TRUE(store.initialise().ok());
  const Json::Value d = doc(store.entries()[0]);
  EXPECT_EQ(d.getMemberNames(), (std::vector<std::string>{"profileUUID", "profilename"}));
}

TEST_F(ProfileStoreTest, AddNamesTheFirstFreeProfileNumberIgnoringCase) {
  auto store = makeStore();
  nameProfiles(store, {"profile1", "PROFILE2"});
  const auto added = store.add();
  ASSERT_TRUE(added.ok());
  EXPECT_EQ(added.name, "profile3");
  EXPECT_EQ(added.index, 2);
  EXPECT_EQ(list()["profileselect"].asInt(), 2);
  EXPECT_EQ(doc(store.entries()[2])["profilename"].asString(), "profile3");

  nameProfiles(store, {"x", "profile2", "y"});
  EXPECT_EQ(store.add().name, "profile1");
}

TEST_F(ProfileStoreTest, AddStopsAtFiftyProfiles) {
  auto store = makeStore();
  store.initialise();
  for (int i = 1; i < kMaxAddedProfiles; ++i) ASSERT_TRUE(store.add().ok());
  const auto refused = store.add();
  EXPECT_EQ(refused.status, ProfileStatus::TooMany);
  EXPECT_EQ(store.count(), kMaxAddedProfiles);
}

TEST_F(ProfileStoreTest, ProfilesMadeInOneMillisecondGetDifferentIdentifiers) {
  auto store = makeStore();
  store.initialise();
  ASSERT_TRUE(store.add().ok());
  ASSERT_TRUE(store.add().ok());  // the manual clock never moved
  const auto e = store.entries();
  EXPECT_NE(e[0].uuid, e[1].uuid);
  EXPECT_NE(e[1].uuid, e[2].uuid);
  for (const auto& entry : e) EXPECT_TRUE(fs::exists(folder_ / (entry.uuid + ".Json")));
}

TEST_F(ProfileStoreTest, DeleteMovesTheSelectionBackAndRemovesTheDocument) {
  auto store = makeStore();
  nameProfiles(store, {"a", "b", "c"});
  auto first = store.entries()[0];
  auto outcome = store.remove(0);
  ASSERT_TRUE(outcome.ok());
  EXPECT_EQ(outcome.index, 0);
  EXPECT_EQ(list()["profileselect"].asInt(), 0);
  EXPECT_FALSE(fs::exists(folder_ / (first.uuid + ".Json")));
  EXPECT_EQ(names(store), (std::vector<std::string>{"b", "c"}));

  nameProfiles(store, {"a", "b", "c"});
  outcome = store.remove(2);
  EXPECT_EQ(outcome.index, 1);
  EXPECT_EQ(outcome.name, "b");
  EXPECT_EQ(list()["profileselect"].asInt(), 1);

  nameProfiles(store, {"only"});
  store.remove(1);
  EXPECT_EQ(store.remove(0).status, ProfileStatus::LastProfile);
  EXPECT_EQ(store.count(), 1);
  EXPECT_EQ(store.remove(5).status, ProfileStatus::BadIndex);
}

TEST_F(ProfileStoreTest, RenameRulesAndBlanks) {
  auto store = makeStore();
  nameProfiles(store, {"Game", "Work"});
  EXPECT_EQ(store.rename(0, "game").renameCode(), 1);  // its own name in another case
  EXPECT_EQ(store.rename(1, "GAME").renameCode(), 0);
  EXPECT_EQ(store.rename(1, "   ").renameCode(), 2);
  EXPECT_EQ(store.rename(1, "").renameCode(), 2);
  EXPECT_EQ(store.rename(1, " Spaced ").renameCode(), 1);
  for (const std::string& bad : std::vector<std::string>{"evil\n* 7\tFORGED", "\x1b[2J", std::string(65, 'x')})
    EXPECT_EQ(store.rename(1, bad).status, ProfileStatus::BadName) << bad;
  EXPECT_EQ(names(store), (std::vector<std::string>{"game", " Spaced "}));
  EXPECT_EQ(doc(store.entries()[1])["profilename"].asString(), " Spaced ");
}

TEST_F(ProfileStoreTest, SelectOutsideTheListReadsAsTheFirstProfile) {
  auto store = makeStore();
  nameProfiles(store, {"a", "b"});
  ASSERT_TRUE(store.select(1).ok());
  EXPECT_EQ(store.current(), 1);
  Json::Value l = list();
  l["profileselect"] = 7;
  writeJsonFile(folder_ / "ProfileList.ini", l);
  EXPECT_EQ(store.current(), 0);
  EXPECT_EQ(store.initialise().index, 0);
  l["profileselect"] = "x";
  writeJsonFile(folder_ / "ProfileList.ini", l);
  EXPECT_EQ(store.current(), 0);
  EXPECT_EQ(store.select(2).status, ProfileStatus::BadIndex);
}

TEST_F(ProfileStoreTest, ForeignIdentifiersNeverBecomePaths) {
  auto store = makeStore();
  nameProfiles(store, {"a", "b"});
  // A file outside the data folder that a hand-edited list points at.
  const fs::path victim = root_ / "victim.Json";
  writeFileAtomic(victim, "{\"keep\": 1}\n");
  Json::Value l = list();
  l["profilelist"][1]["profileUUID"] = "../../victim";
  writeJsonFile(folder_ / "ProfileList.ini", l);

  EXPECT_FALSE(store.documentPath(1).has_value());
  EXPECT_EQ(store.reset(1).status, ProfileStatus::UnsafeId);
  EXPECT_EQ(store.copy(1).status, ProfileStatus::UnsafeId);
  EXPECT_EQ(store.exportTo(1, root_ / "out.json").status, ProfileStatus::UnsafeId);
  EXPECT_TRUE(store.rename(1, "renamed").ok());
  EXPECT_TRUE(store.remove(1).ok());
  EXPECT_EQ(*readFileBytes(victim), "{\"keep\": 1}\n");
  EXPECT_FALSE(fs::exists(root_ / "out.json"));
  EXPECT_EQ(store.count(), 1);
}

TEST_F(ProfileStoreTest, FailedWritesAreReportedAndLeaveTheFilesAsTheyWere) {
  auto store = makeStore();
  nameProfiles(store, {"a", "b"});
  const std::string before = *readFileBytes(folder_ / "ProfileList.ini");
  const auto docsBefore = std::distance(fs::directory_iterator(folder_), fs::directory_iterator());
  AtomicWriteHooks failing;
  failing.beforeRename = [](const fs::path&) { return false; };
  store.setWriteHooks(&failing);

  EXPECT_EQ(store.add().status, ProfileStatus::WriteFailed);
  EXPECT_EQ(store.rename(0, "c").status, ProfileStatus::WriteFailed);
  const int current = store.current();
  EXPECT_EQ(store.select(current == 0 ? 1 : 0).status, ProfileStatus::WriteFailed);
  // Selecting the profile already current writes nothing, so nothing can fail.
  EXPECT_TRUE(store.select(current).ok());
  EXPECT_EQ(store.remove(1).status, ProfileStatus::WriteFailed);
  EXPECT_EQ(store.copy(0).status, ProfileStatus::WriteFailed);
  EXPECT_EQ(store.reset(0).status, ProfileStatus::WriteFailed);
  EXPECT_FALSE(store.add().message.empty());

  store.setWriteHooks(nullptr);
  EXPECT_EQ(*readFileBytes(folder_ / "ProfileList.ini"), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), docsBefore);
  for (const auto& e : store.entries()) EXPECT_TRUE(doc(e).isObject());
}

TEST_F(ProfileStoreTest, ListWriteFailingAfterTheDocumentLeavesNoOrphan) {
  auto store = makeStore();
  store.initialise();
  AtomicWriteHooks listFails;
  listFails.beforeRename = [](const fs::path& tmp) {
    return tmp.filename().string().find("ProfileList") == std::string::npos;
  };
  store.setWriteHooks(&listFails);
  EXPECT_EQ(store.add().status, ProfileStatus::WriteFailed);
  store.setWriteHooks(nullptr);
  int documents = 0;
  for (const auto& f : fs::directory_iterator(folder_))
    if (f.path().extension() == ".Json") ++documents;
  EXPECT_EQ(documents, 1);
}

TEST_F(ProfileStoreTest, LeftoverTemporariesOfKilledWritesAreCleared) {
  auto store = makeStore();
  store.initialise();
  const std::string id = store.entries()[0].uuid;
  writeFileAtomic(folder_ / ".ProfileList.ini.tmp.AbC123", "{");
  writeFileAtomic(folder_ / ("." + id + ".Json.tmp.xYz789"), "{");
  writeFileAtomic(folder_ / ".macro.config.tmp.Qq1234", "{");  // not ours
  store.entries();
  EXPECT_FALSE(fs::exists(folder_ / ".ProfileList.ini.tmp.AbC123"));
  EXPECT_FALSE(fs::exists(folder_ / ("." + id + ".Json.tmp.xYz789")));
  EXPECT_TRUE(fs::exists(folder_ / ".macro.config.tmp.Qq1234"));
}

TEST(ProfileNames, CopyAndImportSuffixes) {
  std::vector<ProfileEntry> e{{"Game", ""}, {"Game(1)", ""}, {"game copy", ""}};
  EXPECT_EQ(importName(e, "/home/u/Game.json"), "Game(1)(2)");
  EXPECT_EQ(importName(e, "Other.json"), "Other");
  EXPECT_EQ(importName(e, ".json"), "profile");
  EXPECT_EQ(importName(e, "/tmp/x/  .json"), "profile");
  EXPECT_EQ(importName(e, "a.b.json"), "a.b");
  EXPECT_EQ(importName(e, "/tmp/evil\n* 7\tX.json"), "evil?* 7?X");
  EXPECT_EQ(importName(e, std::string(100, 'x') + ".json"), std::string(56, 'x'));
  EXPECT_EQ(copyName(e, "Game"), "Game copy copy");
  EXPECT_FALSE(isTimestampId(""));
  EXPECT_FALSE(isTimestampId("2026_01_01/.."));
  EXPECT_FALSE(isTimestampId("_1"));
  EXPECT_TRUE(isTimestampId("2026_03_04_05_06_07_089"));
}

}  // namespace tessel::profiles::testing
