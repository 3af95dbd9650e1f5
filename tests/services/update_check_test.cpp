// Entries, request bodies, reading the service's answers and "updatetime.config".
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file_io.h"
#include "services/update_check.h"

namespace tessel {
namespace {

UpdateEntry firmware(uint16_t v) { return {updateTable()[0], v, {}}; }
UpdateEntry application(const char* dotted) { return buildUpdateEntries({}, dotted).at(0); }

TEST(UpdateEntries, TilesFillTheFirmwareRowsAndTheBuildTheApplicationRow) {
  auto e = buildUpdateEntries({}, "0.1.0");
  ASSERT_EQ(e.size(), 1u);  // no device: only the application
  EXPECT_EQ(e[0].row.model, "ALL");
  EXPECT_EQ(e[0].installed, 10u);
  e = buildUpdateEntries({0, 0x0120, 0, 0x0999}, "1.0.3");  // a fourth tile has no row
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].row.model, "RT52P04C");
  EXPECT_EQ(e[0].installed, 0x120u);
  EXPECT_EQ(e[1].installed, 103u);
  EXPECT_TRUE(buildUpdateEntries({}, "").empty());  // no version: not checked
  EXPECT_TRUE(buildUpdateEntries({}, "beta").empty());
}

TEST(UpdateEntries, KeyAndBodyCarryTheRowAndTheInstalledVersion) {
  EXPECT_EQ(applicationKey(updateTable()[2]), "ZELTO_2_RT52P05C_1_T73_1");
  EXPECT_EQ(applicationKey(updateTable()[3]), "ZELTO_0_ALL_T73_BQ2_BQ1_1");
  const std::string fw = updateRequestBody(firmware(0x01AB));
  EXPECT_EQ(fw, std::string("app_key=ZELTO_1_RT52P03C_MS_1&version=1ab") + '\0');
  const std::string app = updateRequestBody(application("1.0.5"));
  EXPECT_EQ(app, std::string("app_key=ZELTO_0_ALL_T73_BQ2_BQ1_1&version=105") + '\0');
  EXPECT_EQ(installedVersionText(firmware(0x0102)), "V0102");
  EXPECT_EQ(installedVersionText(application("1.0.5")), "V1.0.5");
}

TEST(UpdateResponse, NewerHexadecimalFirmwareIsOffered) {
  const auto r = evaluateUpdateResponse(
      firmware(0x0102), 60, R"({"version":"0103","version_name":"x","name":"MS","path":"p","device_id":3})", false);
  EXPECT_TRUE(r.answered);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.name, "MS");
  EXPECT_EQ(r.installedText, "V0102");
  EXPECT_EQ(r.availableText, "V0103");
  // Equal is not newer; hexadecimal, not decimal: "00ff" (255) is newer than 0x0102? No: 0xff < 0x102.
  EXPECT_EQ(evaluateUpdateResponse(firmware(0x0102), 30, R"({"version":"0102","name":"MS"})", false).status, 7);
  EXPECT_EQ(evaluateUpdateResponse(firmware(0x0102), 30, R"({"version":"00ff","name":"MS"})", false).status, 7);
  EXPECT_EQ(evaluateUpdateResponse(firmware(0x0102), 30, R"({"version":"010a","name":"MS"})", false).status, 1);
}

TEST(UpdateResponse, ApplicationVersionsComparePartByPart) {
  const char* newer = R"({"version":"1.1.0","version_name":"1.1.0","name":"AP"})";
  const auto r = evaluateUpdateResponse(application("1.0.10"), 50, newer, false);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.availableText, "1.1.0");  // the version name for decimal rows
  EXPECT_EQ(evaluateUpdateResponse(application("1.1.0"), 50, R"({"version":"1.0.10","name":"AP"})", false).status,
            7);
  EXPECT_EQ(evaluateUpdateResponse(application("1.0.5"), 50, R"({"version":"105","name":"AP"})", false).status, 7);
  EXPECT_EQ(evaluateUpdateResponse(application("1.0.5"), 50, R"({"version":"106","name":"AP"})", false).status, 1);
  EXPECT_EQ(compareDottedVersions("1.0", "1.0.0"), 0);
  EXPECT_EQ(compareDottedVersions("2", "1.99.99"), 1);
  EXPECT_EQ(compareDottedVersions("1.x", "1.0"), std::nullopt);
}

TEST(UpdateResponse, OnlyAWholeWellShapedSuccessIsAnAnswer) {
  const UpdateEntry fw = firmware(0x0102);
  struct Case {
    const char* body;
    long status;
    bool cut, answered;
  };
  for (const Case& c : std::initializer_list<Case>{
           {R"({"version":"0200","name":""})", 200, false, true},                    // empty name: nothing newer
           {R"({"version":"0200"})", 200, false, true},                              // no name: nothing newer
           {R"({"version":"0200","name":"MS"})", 500, false, false},                 // error page in JSON
           {R"({"version":"0200","name":"MS"})", 404, false, false},
           {R"({"version":"0200","name":"MS"})", 302, false, false},
           {R"({"version":"0200","name":"MS"})", 200, true, false},                  // cut or ended early
           {R"({"version":512,"name":"MS"})", 200, false, false},                    // number, not text
           {R"({"version":"0200","name":["MS"]})", 200, false, false},               // wrong-typed name
           {R"({"version":"0200","name":"MS","device_id":"7"})", 200, false, false}, // wrong-typed id
           {R"({"version":"0200","name":"MS","path":{}})", 200, false, false},       // wrong-typed path
           {R"({"version":"02zz","name":"MS"})", 200, false, false},                 // not hexadecimal
           {R"({"name":"MS"})", 200, false, false},                                  // no version
           {R"(["version","0200"])", 200, false, false},                             // not an object
           {"<html>502 Bad Gateway</html>", 200, false, false},                      // not JSON
       }) {
    const auto r = evaluateUpdateResponse(fw, static_cast<long>(std::string_view(c.body).size()), c.body, c.cut,
                                          c.status);
    EXPECT_EQ(r.answered, c.answered) << c.body << " " << c.status;
    EXPECT_TRUE(r.reached) << c.body;
    EXPECT_EQ(r.status, 7) << c.body;
    EXPECT_EQ(r.availableText, "") << c.body;
    EXPECT_EQ(r.installedText, "V0102") << c.body;
  }
  const auto none = evaluateUpdateResponse(fw, 0, "NO_LINK_SERVER", false, 0);
  EXPECT_FALSE(none.answered);
  EXPECT_FALSE(none.reached);
}

TEST(UpdateResponse, ServiceAddressEndsInApiUpdates) {
  EXPECT_EQ(updateServiceUrl(""), "");
  EXPECT_EQ(updateServiceUrl("https://u.example"), "https://u.example/api/updates");
  EXPECT_EQ(updateServiceUrl("https://u.example/"), "https://u.example/api/updates");
  EXPECT_EQ(updateServiceUrl("https://u.example/tessel/api/"), "https://u.example/tessel/api/updates");
}

TEST(UpdateTimeFile, RoundTripsAndIgnoresBrokenContent) {
  namespace fs = std::filesystem;
  const fs::path file = fs::temp_directory_path() / ("tessel-updatetime-" + std::to_string(::getpid()));
  fs::remove(file);
  EXPECT_EQ(readLastCheckDate(file), "");
  EXPECT_EQ(formatUpdateDate({2024, 3, 7}), "2024-3-7");
  ASSERT_TRUE(writeLastCheckDate(file, "2024-3-7"));
  EXPECT_EQ(readFileBytes(file).value_or(""), "{\n   \"updatelasttime\" : {\n      \"value\" : \"2024-3-7\"\n   }\n}\n");
  EXPECT_EQ(readLastCheckDate(file), "2024-3-7");
  ASSERT_TRUE(writeFileAtomic(file, R"({"updatelasttime":{"value":20240307}})"));
  EXPECT_EQ(readLastCheckDate(file), "");
  ASSERT_TRUE(writeFileAtomic(file, "{\"updatelasttime\":{\"value\":\"\\u00e9\xa4\x8a-1-1\"}}"));
  EXPECT_EQ(readLastCheckDate(file), "");  // not a date: not shown
  EXPECT_TRUE(isUpdateDate("2024-12-31"));
  EXPECT_FALSE(isUpdateDate("2024-3"));
  EXPECT_FALSE(isUpdateDate("2024-3-7-1"));
  EXPECT_FALSE(isUpdateDate("-3-7"));
  EXPECT_FALSE(isUpdateDate("<b>2024</b>-3-7"));
  ASSERT_TRUE(writeFileAtomic(file, "{not json"));
  EXPECT_EQ(readLastCheckDate(file), "");
  EXPECT_TRUE(fs::exists(file.string() + ".bad"));  // kept aside, never lost
  fs::remove(file);
  fs::remove(file.string() + ".bad");
}

}  // namespace
}  // namespace tessel
