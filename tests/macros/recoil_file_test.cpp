#include "macros/recoil_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/json_file.h"
#include "recoil_test_support.h"

namespace fs = std::filesystem;

namespace tessel::macros {
namespace {

using RecoilFileTest = testing::RecoilFolders;

Json::Value event(const char* action, int button, int delay, int type) {
  Json::Value v;
  v["Action"] = action;
  v["Button"] = button;
  v["Delay"] = delay;
  v["Type"] = type;
  return v;
}

TEST_F(RecoilFileTest, FactoryFilesHoldThirtyShotsOfSixEvents) {
  for (int g = 0; g < kGunCount; ++g) {
    const Json::Value doc = readJsonFile(defaults_ / recoilFileName(g));
    ASSERT_EQ(doc["Events"].size(), 180u) << "gun " << g;
    for (int s = 0; s < kShotCount; ++s) {
      const RecoilShot shot = shotFromDocument(doc, s);
      const auto expected = shotEvents(shot);
      for (int i = 0; i < kEventsPerShot; ++i)
        EXPECT_EQ(doc["Events"][6 * s + i], recoilEventToJson(expected[static_cast<size_t>(i)]))
            << "gun " << g << " shot " << s << " element " << i;
    }
  }
}

TEST_F(RecoilFileTest, StoringShotTwoOfGunOneWritesItsSixEventsOnly) {
  RecoilFiles files(data_, defaults_);
  ASSERT_TRUE(files.ensure(1).ok());
  Json::Value before = files.document(1);
  before["Extra"] = "kept";
  ASSERT_TRUE(writeJsonFile(files.filePath(1), before));

  ASSERT_TRUE(files.storeShot(1, 2, RecoilShot{3, true, 12, false, 95}).ok());

  const Json::Value after = files.document(1);
  const Json::Value& rows = after["Events"];
  ASSERT_EQ(rows.size(), 180u);
  EXPECT_EQ(rows[12], event("down", 1, 10, 1));
  EXPECT_EQ(rows[13], event("up", 1, 0, 1));
  EXPECT_EQ(rows[14], event("down", 3, 5, 4));
  EXPECT_EQ(rows[15], event("up", 12, 95, 5));
  EXPECT_EQ(rows[16], event("down", 0, 0, 4));
  EXPECT_EQ(rows[17], event("up", 0, 0, 5));
  for (unsigned i = 0; i < rows.size(); ++i) {
    if (i < 12 || i > 17) {
      EXPECT_EQ(rows[i], before["Events"][i]) << "element " << i;
    }
  }
  EXPECT_EQ(after["Extra"], "kept");
  // The other guns are untouched (their files were never created).
  EXPECT_FALSE(fs::exists(files.filePath(0)));
  EXPECT_EQ(files.shot(1, 2), (RecoilShot{3, true, 12, false, 95}));
}

TEST_F(RecoilFileTest, AShortFileGrowsWithZeroShotsAndKeepsTypedValues) {
  RecoilFiles files(data_, defaults_);
  fs::create_directories(data_);
  Json::Value doc;
  doc["Events"] = Json::Value(Json::arrayValue);
  for (const auto& e : shotEvents(RecoilShot{4, false, 9, true, 30})) doc["Events"].append(recoilEventToJson(e));
  doc["Events"].append(event("down", 1, 10, 1));  // a shot cut short
  ASSERT_TRUE(writeJsonFile(files.filePath(0), doc));

  ASSERT_TRUE(files.storeShot(0, 3, RecoilShot{300, false, 2, true, 70000}).ok());
  const Json::Value rows = files.document(0)["Events"];
  ASSERT_EQ(rows.size(), 24u);
  EXPECT_EQ(files.shot(0, 0), (RecoilShot{4, false, 9, true, 30}));
  EXPECT_EQ(files.shot(0, 1), RecoilShot{});
  EXPECT_EQ(files.shot(0, 2), RecoilShot{});
  EXPECT_EQ(rows[7], event("up", 1, 0, 1));  // the cut shot is completed, not shifted
  EXPECT_EQ(rows[20]["Button"].asInt(), 300);  // kept as typed: the device gets the low bits
  EXPECT_EQ(rows[21]["Delay"].asInt(), 70000);
}

TEST_F(RecoilFileTest, StoringIntoAFileThatWentBadStartsFromTheFactoryPatternAndKeepsTheOldAside) {
  RecoilFiles files(data_, defaults_);
  fs::create_directories(data_);
  ASSERT_TRUE(writeFileAtomic(files.filePath(3), "{\"Events\": [ broken"));
  ASSERT_TRUE(files.storeShot(3, 1, RecoilShot{2, false, 2, false, 2}).ok());
  EXPECT_EQ(bytesOf(data_ / "ShootData_3.Shoot.bad"), "{\"Events\": [ broken");
  const Json::Value factory = readJsonFile(defaults_ / recoilFileName(3));
  const Json::Value rows = files.document(3)["Events"];
  ASSERT_EQ(rows.size(), 180u);
  EXPECT_EQ(files.shot(3, 1), (RecoilShot{2, false, 2, false, 2}));
  EXPECT_EQ(rows[0], factory["Events"][0]);
  EXPECT_EQ(rows[179], factory["Events"][179]);

  // Without a factory file the shot still lands, in a file of its own.
  fs::remove(defaults_ / recoilFileName(2));
  ASSERT_TRUE(writeFileAtomic(files.filePath(2), "nonsense"));
  ASSERT_TRUE(files.storeShot(2, 0, RecoilShot{1, true, 1, true, 1}).ok());
  EXPECT_EQ(files.events(2).size(), 6u);
  EXPECT_EQ(bytesOf(data_ / "ShootData_2.Shoot.bad"), "nonsense");
}

TEST_F(RecoilFileTest, ReadsDecimalStringsAndNumbersAlike) {
  Json::Value doc;
  Json::Value x = event("down", 0, 5, 4);
  x["Button"] = "7";
  Json::Value y = event("up", 0, 0, 5);
  y["Button"] = 11;
  y["Delay"] = "40ms";
  doc["Events"] = Json::Value(Json::arrayValue);
  for (const auto& e : {event("down", 1, 10, 1), event("up", 1, 0, 1), x, y}) doc["Events"].append(e);
  EXPECT_EQ(shotFromDocument(doc, 0), (RecoilShot{7, true, 11, false, 40}));
  // A missing shot reads as zeros; out-of-range shots too.
  EXPECT_EQ(shotFromDocument(doc, 5), RecoilShot{});
  EXPECT_EQ(shotFromDocument(doc, 30), RecoilShot{});
  EXPECT_EQ(recoilNumber(Json::Value("-12")), -12);
  EXPECT_EQ(recoilNumber(Json::Value("abc")), 0);
  EXPECT_EQ(recoilNumber(Json::Value(Json::objectValue)), std::nullopt);
  EXPECT_EQ(recoilNumber(Json::Value("99999999999999999999999")), 1'000'000'000'000'000LL);
}

TEST_F(RecoilFileTest, EnsureRecreatesMissingAndUnparsableFilesFromTheFactoryCopy) {
  RecoilFiles files(data_, defaults_);
  fs::create_directories(data_);
  ASSERT_TRUE(writeFileAtomic(files.filePath(2), "{ not json"));
  ASSERT_TRUE(writeFileAtomic(files.filePath(3), "{\"Events\":[]}\n"));

  EXPECT_TRUE(files.ensureAll());
  EXPECT_EQ(bytesOf(files.filePath(0)), bytesOf(defaults_ / recoilFileName(0)));
  EXPECT_EQ(bytesOf(files.filePath(2)), bytesOf(defaults_ / recoilFileName(2)));
  // The user's unreadable file was kept aside, not lost.
  EXPECT_EQ(bytesOf(data_ / "ShootData_2.Shoot.bad"), "{ not json");
  // A readable file, even an empty pattern, is the user's and stays.
  EXPECT_EQ(bytesOf(files.filePath(3)), "{\"Events\":[]}\n");
}

TEST_F(RecoilFileTest, WithoutAFactoryFileTheGunStaysMissingAndEmpty) {
  fs::remove(defaults_ / recoilFileName(1));
  RecoilFiles files(data_, defaults_);
  EXPECT_EQ(files.ensure(1).error, RecoilError::NoFile);
  EXPECT_FALSE(files.ensureAll());
  EXPECT_FALSE(fs::exists(files.filePath(1)));
  EXPECT_TRUE(files.events(1).empty());
  EXPECT_EQ(files.reset(1).error, RecoilError::NoFile);
  EXPECT_EQ(files.exportTo(1, root_ / "out.shoot").error, RecoilError::NoFile);
  EXPECT_FALSE(fs::exists(root_ / "out.shoot"));
}

TEST_F(RecoilFileTest, ResetImportAndExportAreByteCopies) {
  RecoilFiles files(data_, defaults_);
  ASSERT_TRUE(files.ensure(0).ok());
  ASSERT_TRUE(files.storeShot(0, 0, RecoilShot{1, true, 1, true, 1}).ok());
  ASSERT_TRUE(files.reset(0).ok());
  EXPECT_EQ(bytesOf(files.filePath(0)), bytesOf(defaults_ / recoilFileName(0)));

  // A macro event file (string delays, other members) is accepted as it is.
  const std::string mac =
      "{\"MacroName\":\"m\",\"Events\":[{\"Action\":\"down\",\"Button\":4,\"Type\":10,\"Delay\":\"30\"}],"
      "\"Version\":64}";
  ASSERT_TRUE(files.importFile(0, writeSource("burst.mac", mac)).ok());
  EXPECT_EQ(bytesOf(files.filePath(0)), mac);

  ASSERT_TRUE(files.exportTo(0, root_ / "copy.shoot").ok());
  EXPECT_EQ(bytesOf(root_ / "copy.shoot"), mac);
}

TEST_F(RecoilFileTest, ImportRefusesWhatIsNotAnEventDocumentAndChangesNothing) {
  RecoilFiles files(data_, defaults_);
  ASSERT_TRUE(files.ensure(0).ok());
  const std::string before = bytesOf(files.filePath(0));

  std::string many = "{\"Events\":[";
  for (int i = 0; i < 4001; ++i) many += std::string(i ? "," : "") + "{\"Action\":\"up\",\"Button\":0,\"Type\":1,\"Delay\":0}";
  many += "]}";
  const fs::path huge = root_ / "huge.shoot";
  {
    ASSERT_TRUE(writeFileAtomic(huge, "{}"));
    fs::resize_file(huge, 4u * 1024u * 1024u + 1);
  }
  struct Case {
    fs::path source;
    RecoilError error;
    std::string says;
  } cases[] = {
      {root_, RecoilError::ReadFailed, "not a file"},
      {root_ / "absent.shoot", RecoilError::ReadFailed, "not a file"},
      {huge, RecoilError::BadFile, "4 MiB"},
      {writeSource("text.shoot", "hello"), RecoilError::BadFile, "no JSON object"},
      {writeSource("list.shoot", "[1,2]"), RecoilError::BadFile, "no JSON object"},
      {writeSource("noevents.shoot", "{\"Shots\":[]}"), RecoilError::BadFile, "\"Events\""},
      {writeSource("many.shoot", many), RecoilError::BadFile, "4000"},
      {writeSource("row.shoot", "{\"Events\":[{\"Action\":\"up\",\"Button\":1,\"Type\":1,\"Delay\":0},3]}"),
       RecoilError::BadFile, "event 1"},
      {writeSource("type.shoot", "{\"Events\":[{\"Action\":\"up\",\"Button\":1,\"Type\":200,\"Delay\":0}]}"),
       RecoilError::BadFile, "event 0"},
      {writeSource("button.shoot", "{\"Events\":[{\"Action\":\"up\",\"Button\":[1],\"Type\":1,\"Delay\":0}]}"),
       RecoilError::BadFile, "event 0"},
  };
  for (const auto& c : cases) {
    const RecoilResult r = files.importFile(0, c.source);
    EXPECT_EQ(r.error, c.error) << c.source;
    EXPECT_NE(r.message.find(c.says), std::string::npos) << r.message;
    EXPECT_EQ(bytesOf(files.filePath(0)), before) << c.source;
  }
}

TEST_F(RecoilFileTest, GunsAndShotsOutsideTheirRangesWriteNothing) {
  RecoilFiles files(data_, defaults_);
  EXPECT_EQ(files.storeShot(4, 0, {}).error, RecoilError::BadGun);
  EXPECT_EQ(files.storeShot(-1, 0, {}).error, RecoilError::BadGun);
  EXPECT_EQ(files.storeShot(0, 30, {}).error, RecoilError::BadShot);
  EXPECT_EQ(files.storeShot(0, -1, {}).error, RecoilError::BadShot);
  EXPECT_EQ(files.reset(4).error, RecoilError::BadGun);
  EXPECT_EQ(files.importFile(4, defaults_ / recoilFileName(0)).error, RecoilError::BadGun);
  EXPECT_FALSE(fs::exists(data_));
}

}  // namespace
}  // namespace tessel::macros
