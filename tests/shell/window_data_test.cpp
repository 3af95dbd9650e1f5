#include <gtest/gtest.h>

#include "platform/json_file.h"
#include "shell/window_data.h"

using namespace tessel;

TEST(Identification, BlockCarriesVersionAndEveryOptionRow) {
  auto block = identificationBlock();
  EXPECT_EQ(sizeof block, 1024u);
  std::vector<int32_t> head(block.begin(), block.begin() + 17);
  EXPECT_EQ(head, (std::vector<int32_t>{2, 3, 0, 2, 4, 0x320F, 0x7C1F, 2, 0x320F, 0x5089, 1, 0x320F, 0x1004,
                                        3, 0x0C76, 0x1630, 7}));
  EXPECT_TRUE(std::all_of(block.begin() + 17, block.end(), [](int32_t v) { return v == 0; }));
}

TEST(Language, SavedIdPicksTheEntryAndUnknownOrMissingGivesTheFirst) {
  Json::Value config;
  ASSERT_TRUE(parseJson(R"({"Language": [
      {"Language_ID": 2052, "Language_name": "简体中文", "Language_file": "lan_cn.xml"},
      {"Language_ID": 1033, "Language_name": "English", "Language_file": "lan_en.xml"},
      {"Language_ID": "x"}]})", config));
  auto list = readLanguageList(config);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[1].file, "lan_en.xml");
  EXPECT_EQ(languageIndexFor(list, 1033u), 1);
  EXPECT_EQ(languageIndexFor(list, 9999u), 0);
  EXPECT_EQ(languageIndexFor(list, std::nullopt), 0);
  EXPECT_TRUE(readLanguageList(Json::Value("broken")).empty());
  EXPECT_TRUE(languageNeedsFontSwap(-1, 1));
  EXPECT_TRUE(languageNeedsFontSwap(1, 2));
  EXPECT_FALSE(languageNeedsFontSwap(1, 3));
}

TEST(Display, MonitorSizeChoosesTheDpi) {
  EXPECT_EQ(dpiForMonitor(1920, 1080), 144);
  EXPECT_EQ(dpiForMonitor(1366, 768), 96);
  EXPECT_EQ(dpiForMonitor(1500, 1080), 96);
}

