#include <gtest/gtest.h>

#include "profile_env.h"

namespace tessel::profiles::testing {
namespace fs = std::filesystem;

using ProfileTransferTest = ProfileEnv;

TEST_F(ProfileTransferTest, CopyAppendsWithoutMovingTheSelection) {
  auto store = makeStore();
  nameProfiles(store, {"Game"});
  ASSERT_TRUE(store.select(0).ok());
  Json::Value d = doc(store.entries()[0]);
  d["Device"][0]["LightInfo"]["Light"] = 9;
  writeJsonFile(folder_ / (store.entries()[0].uuid + ".Json"), d);

  auto first = store.copy(0);
  ASSERT_TRUE(first.ok());
  EXPECT_EQ(first.name, "Game copy");
  EXPECT_EQ(store.copy(0).name, "Game copy copy");
  EXPECT_EQ(store.current(), 0);
  const auto e = store.entries();
  ASSERT_EQ(e.size(), 3u);
  const Json::Value copied = doc(e[1]);
  EXPECT_EQ(copied["Device"][0]["LightInfo"]["Light"].asInt(), 9);
  EXPECT_EQ(copied["profilename"].asString(), "Game copy");
  EXPECT_EQ(copied["profileUUID"].asString(), e[1].uuid);
  EXPECT_NE(e[1].uuid, e[0].uuid);
}

TEST_F(ProfileTransferTest, ExportThenImportGivesASecondProfileNamedAfterTheFile) {
  auto store = makeStore();
  nameProfiles(store, {"Game", "Game(1)"});
  const fs::path file = root_ / "Game.json";
  ASSERT_TRUE(store.exportTo(0, file).ok());
  Json::Value exported = readJsonFile(file);
  EXPECT_EQ(exported["profilename"].asString(), "Game");
  exported["profilename"] = "ignored";
  writeJsonFile(file, exported);

  const auto imported = store.importFrom(file);
  ASSERT_TRUE(imported.ok()) << imported.message;
  EXPECT_EQ(imported.name, "Game(1)(2)");
  const auto e = store.entries();
  ASSERT_EQ(e.size(), 3u);
  // A fresh identifier even though the file names an existing profile.
  EXPECT_NE(e[2].uuid, e[0].uuid);
  EXPECT_TRUE(fs::exists(folder_ / (e[0].uuid + ".Json")));
  const Json::Value d = doc(e[2]);
  EXPECT_EQ(d["profilename"].asString(), "Game(1)(2)");
  EXPECT_EQ(d["profileUUID"].asString(), e[2].uuid);
  EXPECT_EQ(d["Device"], doc(e[0])["Device"]);

  const fs::path bare = root_ / ".json";
  fs::copy_file(file, bare);
  EXPECT_EQ(store.importFrom(bare).name, "profile");
}

TEST_F(ProfileTransferTest, ExportOfAProfileNeverSavedGivesItsFactoryDocument) {
  auto store = makeStore();
  store.initialise();
  fs::remove(folder_ / (store.entries()[0].uuid + ".Json"));
  ASSERT_TRUE(store.exportTo(0, root_ / "p.json").ok());
  const Json::Value out = readJsonFile(root_ / "p.json");
  EXPECT_EQ(out["Device"][0]["LightInfo"]["Light"].asInt(), 3);
  EXPECT_EQ(out["profilename"].asString(), "profile1");
}

TEST_F(ProfileTransferTest, ImportRefusesWhatIsNotAProfileDocument) {
  auto store = makeStore();
  store.initialise();
  const std::vector<std::string> bad = {
      "[1, 2]",
      "\"text\"",
      "{ broken",
      "{\"profilename\": \"a\", \"profileUUID\": \"b\"}",
      "{\"profilename\": \"a\", \"profileUUID\": \"b\", \"Device\": {}}",
      "{\"profilename\": \"a\", \"profileUUID\": \"b\", \"Device\": [1]}",
      "{\"profilename\": null, \"profileUUID\": \"b\", \"Device\": [{}]}",
      "{\"profilename\": \"a\", \"Device\": [{}]}",
  };
  for (const auto& text : bad) {
    const fs::path file = root_ / "bad.json";
    writeFileAtomic(file, text);
    const auto outcome = store.importFrom(file);
    EXPECT_EQ(outcome.status, ProfileStatus::BadImport) << text;
    EXPECT_NE(outcome.message.find("bad.json"), std::string::npos) << outcome.message;
  }
  EXPECT_EQ(store.importFrom(root_ / "missing.json").status, ProfileStatus::BadImport);

  // Larger than 4 MiB, although it would parse.
  std::string big = "{\"profilename\": \"a\", \"profileUUID\": \"b\", \"Device\": [{}], \"pad\": \"";
  big.append(kMaxImportBytes, 'x');
  big += "\"}";
  writeFileAtomic(root_ / "big.json", big);
  EXPECT_EQ(store.importFrom(root_ / "big.json").status, ProfileStatus::BadImport);
  EXPECT_EQ(store.count(), 1);

  writeFileAtomic(root_ / "good.json", "{\"profilename\": 1, \"profileUUID\": 2, \"Device\": [{}], \"x\": 5}");
  const auto good = store.importFrom(root_ / "good.json");
  ASSERT_TRUE(good.ok());
  EXPECT_EQ(doc(store.entries()[1])["x"].asInt(), 5);
}

TEST_F(ProfileTransferTest, ResetReturnsToFactoryAndTheHeadsetKeepsItsCustomEqualiser) {
  auto store = makeStore(7);
  nameProfiles(store, {"Music"});
  const auto entry = store.entries()[0];
  Json::Value d = doc(entry);
  d["Device"][0]["LightInfo"]["Light"] = 1;
  d["Device"][0]["CustomEQNameInfo"][0]["Name"] = "Bass";
  d["Device"][0]["CustomEQHzValueInfo"][0][0]["value"] = 6;
  writeJsonFile(folder_ / (entry.uuid + ".Json"), d);

  ASSERT_TRUE(store.reset(0).ok());
  const Json::Value after = doc(entry);
  EXPECT_EQ(after["Device"][0]["LightInfo"]["Light"].asInt(), 3);
  EXPECT_EQ(after["Device"][0]["CustomEQNameInfo"][0]["Name"].asString(), "Bass");
  EXPECT_EQ(after["Device"][0]["CustomEQHzValueInfo"][0][0]["value"].asInt(), 6);
  EXPECT_EQ(after["profilename"].asString(), "Music");
  EXPECT_EQ(after["profileUUID"].asString(), entry.uuid);

  // A mouse resets everything.
  auto mouse = ProfileStore(folder_, factory_, 2, clock_);
  writeJsonFile(folder_ / (entry.uuid + ".Json"), d);
  ASSERT_TRUE(mouse.reset(0).ok());
  EXPECT_FALSE(doc(entry)["Device"][0].isMember("CustomEQNameInfo"));
}

}  // namespace tessel::profiles::testing
