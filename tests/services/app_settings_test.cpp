// First-start language, the update server settings and the autostart entry.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/file_io.h"
#include "platform/settings_store.h"
#include "services/app_settings.h"
#include "services/autostart.h"

namespace tessel {
namespace {

namespace fs = std::filesystem;

TEST(FirstStartLanguage, FollowsTheFirstSetLocaleVariable) {
  EXPECT_EQ(localeLanguageId(nullptr, nullptr, nullptr), kLanguageEnglish);
  EXPECT_EQ(localeLanguageId(nullptr, nullptr, "zh_CN.UTF-8"), kLanguageChinese);
  EXPECT_EQ(localeLanguageId("", "zh_TW.UTF-8", "en_US.UTF-8"), kLanguageChinese);
  EXPECT_EQ(localeLanguageId("en_GB.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8"), kLanguageEnglish);
  EXPECT_EQ(localeLanguageId("C", nullptr, "zh_CN"), kLanguageEnglish);
  EXPECT_EQ(localeLanguageId(nullptr, nullptr, "de_DE.UTF-8"), kLanguageEnglish);
}

TEST(UpdateServerSetting, EmptyUntilSet) {
  const fs::path file = fs::temp_directory_path() / ("tessel-settings-" + std::to_string(::getpid())) / "settings.json";
  SettingsStore store(file);
  EXPECT_EQ(configuredUpdateServer(store), "");
  ASSERT_TRUE(store.create());
  ASSERT_TRUE(store.setString(kSettingUpdateServer, "https://updates.example"));
  ASSERT_TRUE(store.setString(kSettingUpdateServerCa, "/etc/ca.pem"));
  EXPECT_EQ(configuredUpdateServer(store), "https://updates.example");
  EXPECT_EQ(configuredUpdateServerCa(store), "/etc/ca.pem");
  fs::remove_all(file.parent_path());
}

TEST(Autostart, WritesAndRemovesTheEntryUnderXdgConfigHome) {
  const fs::path home = fs::temp_directory_path() / ("tessel-autostart-" + std::to_string(::getpid()));
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_CONFIG_HOME", home.c_str(), 1);
  EXPECT_EQ(autostartFile(), home / "autostart" / "tessel-rgb.desktop");
  EXPECT_FALSE(autostartEnabled());
  ASSERT_TRUE(setAutostart(true, "/opt/tessel rgb/bin/tessel-rgb"));
  EXPECT_TRUE(autostartEnabled());
  const std::string text = readFileBytes(autostartFile()).value_or("");
  EXPECT_NE(text.find("Exec=\"/opt/tessel rgb/bin/tessel-rgb\" --hidden\n"), std::string::npos) << text;
  EXPECT_EQ(text.rfind("[Desktop Entry]\n", 0), 0u);
  ASSERT_TRUE(setAutostart(false));
  EXPECT_FALSE(autostartEnabled());
  if (old) ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else ::unsetenv("XDG_CONFIG_HOME");
  fs::remove_all(home);
}

}  // namespace
}  // namespace tessel

#include "services/skin_record.h"

namespace tessel {
namespace {

TEST(SkinRecord, ResetAndPresetWriteTheirFlagsAndKeepOtherLines) {
  const fs::path file = fs::temp_directory_path() / ("tessel-main-ini-" + std::to_string(::getpid()));
  fs::remove(file);
  ASSERT_TRUE(writeSkinRecord(file, false, kDefaultSkinImage));
  EXPECT_EQ(readFileBytes(file).value_or(""), "[SKINIMAGE]\nFLAGS=0\nIMAGE=common/background.png\n");
  ASSERT_TRUE(writeFileAtomic(file, "; ours\n[OTHER]\nA=1\n\n[skinimage]\nFLAGS=0\nIMAGE=x\n"));
  ASSERT_TRUE(writeSkinRecord(file, true, "bg/ocean.svg\n[EVIL]"));
  EXPECT_EQ(readFileBytes(file).value_or(""),
            "; ours\n[OTHER]\nA=1\n\n[skinimage]\nFLAGS=1\nIMAGE=bg/ocean.svg[EVIL]\n");
  EXPECT_EQ(setIniValue("[A]\nX=1\n\n[B]\n", "A", "Y", "2"), "[A]\nX=1\nY=2\n\n[B]\n");
  fs::remove(file);
}

}  // namespace
}  // namespace tessel
