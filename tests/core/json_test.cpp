#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/file_io.h"
#include "platform/json_access.h"
#include "platform/json_file.h"

namespace fs = std::filesystem;
using namespace tessel;

namespace {

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/tessel-test-XXXXXX";
    path_ = mkdtemp(pattern);
  }
  ~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

void writeText(const fs::path& p, const std::string& text) {
  std::ofstream(p, std::ios::binary) << text;
}

std::string readText(const fs::path& p) { return readFileBytes(p).value_or("<missing>"); }

}  // namespace

TEST(JsonFile, RoundTripKeepsTheDocumentAndWritesStyledTextWithOneLineEnd) {
  TempDir dir;
  Json::Value doc;
  doc["Device"][0]["LightInfo"]["Red"] = 255;
  doc["Device"][0]["LightInfo"]["Name"] = "Überhell 灯光";
  // jsoncpp compares sparse arrays by their stored elements, so fill index 0 explicitly.
  doc["Device"][0]["KeyList"][0] = Json::Value();
  doc["Device"][0]["KeyList"][1]["Assignment"] = 16 * 65536 + 256;
  doc["Other"] = Json::Value(Json::arrayValue);
  const fs::path file = dir.path() / "2026_03_04_05_06_07_089.Json";
  ASSERT_TRUE(writeJsonFile(file, doc));
  EXPECT_EQ(readJsonFile(file), doc);
  const std::string text = readText(file);
  ASSERT_GE(text.size(), 2u);
  EXPECT_EQ(text.back(), '\n');
  EXPECT_NE(text[text.size() - 2], '\n');
  EXPECT_EQ(text, styledJson(doc));
  // No temporary files are left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(JsonFile, MissingEmptyAndBrokenFilesReadAsNullAndCommentsAreAllowed) {
  TempDir dir;
  EXPECT_TRUE(readJsonFile(dir.path() / "none.Json").isNull());
  writeText(dir.path() / "empty.Json", "");
  EXPECT_TRUE(readJsonFile(dir.path() / "empty.Json").isNull());
  writeText(dir.path() / "blank.Json", "  \n\t");
  EXPECT_TRUE(readJsonFile(dir.path() / "blank.Json").isNull());
  writeText(dir.path() / "comments.Json", "// factory settings\n{ /* stage */ \"A\": 1 }");
  EXPECT_EQ(json::getInt<int>(readJsonFile(dir.path() / "comments.Json"), "A", 0), 1);
  // Nesting deep enough to exhaust a recursive parser fails cleanly.
  writeText(dir.path() / "deep.Json", std::string(100000, '['));
  EXPECT_TRUE(readJsonFile(dir.path() / "deep.Json").isNull());
}

TEST(JsonFile, CorruptFileIsKeptAsideAndNeverOverwrittenSilently) {
  TempDir dir;
  const fs::path file = dir.path() / "ProfileList.ini";
  const std::string broken = "{ \"profiles\": [ 1, 2, ";
  writeText(file, broken);

  EXPECT_TRUE(readJsonFile(file).isNull());
  EXPECT_EQ(readText(dir.path() / "ProfileList.ini.bad"), broken);

  Json::Value fresh;
  fresh["profiles"] = Json::Value(Json::arrayValue);
  ASSERT_TRUE(writeJsonFile(file, fresh));
  EXPECT_EQ(readJsonFile(file), fresh);
  EXPECT_EQ(readText(dir.path() / "ProfileList.ini.bad"), broken);

  // A second, different broken file does not replace the first kept copy.
  const std::string broken2 = "not json at all";
  writeText(file, broken2);
  ASSERT_TRUE(writeJsonFile(file, fresh));  // written straight away, without a read first
  EXPECT_EQ(readText(dir.path() / "ProfileList.ini.bad"), broken);
  EXPECT_EQ(readText(dir.path() / "ProfileList.ini.bad.1"), broken2);
  // Reading the same broken content twice keeps one copy only.
  writeText(file, broken2);
  readJsonFile(file);
  readJsonFile(file);
  EXPECT_FALSE(fs::exists(dir.path() / "ProfileList.ini.bad.2"));
}

TEST(JsonFile, WriteInterruptedBeforeRenameLeavesTheOldFileIntact) {
  TempDir dir;
  const fs::path file = dir.path() / "mouse.Json";
  Json::Value oldDoc;
  oldDoc["Device"][0]["LightInfo"]["Light"] = 3;
  ASSERT_TRUE(writeJsonFile(file, oldDoc));
  const std::string before = readText(file);

  Json::Value newDoc;
  newDoc["Device"][0]["LightInfo"]["Light"] = 4;
  fs::path seenTemporary;
  AtomicWriteHooks hooks;
  hooks.beforeRename = [&](const fs::path& temporary) {
    seenTemporary = temporary;
    // The new text is complete in the temporary file, in the same folder.
    EXPECT_EQ(temporary.parent_path(), dir.path());
    EXPECT_EQ(readText(temporary), styledJson(newDoc));
    return false;  // the "crash" happens here
  };
  EXPECT_FALSE(writeJsonFile(file, newDoc, &hooks));
  EXPECT_EQ(readText(file), before);
  EXPECT_FALSE(seenTemporary.empty());
  EXPECT_FALSE(fs::exists(seenTemporary));
}

TEST(JsonFile, WriteIntoAMissingFolderFailsWithoutThrowing) {
  TempDir dir;
  EXPECT_FALSE(writeJsonFile(dir.path() / "no" / "such" / "x.Json", Json::Value(1)));
}

TEST(JsonAccess, WrongTypesNeverThrowAndFallBackToDefaults) {
  Json::Value doc;
  ASSERT_TRUE(parseJson(R"({"Device": {}, "Light": "3", "Red": 300, "Neg": -5, "Big": 1e300,
                            "Flag": true, "List": [1, "x", null], "Name": 7,
                            "Huge": 18446744073709551615})",
                        doc));
  // "Device" should be an array; asking for element 0 of an object gives null.
  EXPECT_TRUE(json::element(json::member(doc, "Device"), 0).isNull());
  EXPECT_TRUE(json::element(json::member(doc, "List"), -1).isNull());
  EXPECT_TRUE(json::element(json::member(doc, "List"), 3).isNull());
  EXPECT_EQ(json::size(json::member(doc, "Device")), 0u);
  // Members of a non-object are null.
  EXPECT_TRUE(json::member(json::member(doc, "Red"), "x").isNull());

  EXPECT_EQ(json::getInt<uint8_t>(doc, "Light", 0), 0);      // string: default
  EXPECT_EQ(json::getInt<uint8_t>(doc, "Red", 0), 255);      // clamped to 8 bits
  EXPECT_EQ(json::getInt<uint8_t>(doc, "Neg", 9), 0);
  EXPECT_EQ(json::getInt<int16_t>(doc, "Big", 0), 32767);
  EXPECT_EQ(json::getInt<uint16_t>(doc, "Huge", 0), 65535);
  EXPECT_EQ(json::getInt<uint8_t>(doc, "Flag", 0), 1);
  EXPECT_EQ(json::getInt<int>(doc, "Missing", 42), 42);
  EXPECT_EQ(json::getInt<uint8_t>(json::element(json::member(doc, "List"), 1), 7), 7);

  EXPECT_TRUE(json::getBool(doc, "Flag", false));
  EXPECT_TRUE(json::getBool(doc, "Red", false));
  EXPECT_FALSE(json::getBool(doc, "Light", false));
  EXPECT_EQ(json::getString(doc, "Name", "none"), "none");
  EXPECT_EQ(json::getString(doc, "Light", ""), "3");
}

TEST(JsonAccess, WritableAccessRepairsTheShape) {
  Json::Value doc;
  ASSERT_TRUE(parseJson(R"({"Device": 5})", doc));
  json::arrayElement(json::objectMember(doc, "Device"), 0)["LightInfo"]["Red"] = 1;
  EXPECT_EQ(doc["Device"][0]["LightInfo"]["Red"].asInt(), 1);
  Json::Value scalar = "text";
  json::objectMember(scalar, "A") = 2;
  EXPECT_EQ(scalar["A"].asInt(), 2);
}
