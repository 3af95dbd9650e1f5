#pragma once
// A scratch data folder and factory document for profile store tests.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "core/clock.h"
#include "platform/file_io.h"
#include "platform/json_file.h"
#include "profiles/profile_store.h"

namespace tessel::profiles::testing {

class ProfileEnv : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("tessel-profiles-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    std::filesystem::create_directories(root_ / "DefaultData");
    folder_ = root_ / "data" / "mouse";
    factory_ = root_ / "DefaultData" / "mouse.Json";
    Json::Value factory;
    factory["Device"][0]["LightInfo"]["Light"] = 3;
    factory["Device"][0]["DPIStages"]["StageActive"] = 1;
    writeJsonFile(factory_, factory);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  ProfileStore makeStore(int deviceType = 2) { return ProfileStore(folder_, factory_, deviceType, clock_); }
  Json::Value list() const { return readJsonFile(folder_ / "ProfileList.ini"); }
  Json::Value doc(const ProfileEntry& e) const { return readJsonFile(folder_ / (e.uuid + ".Json")); }
  std::vector<std::string> names(ProfileStore& s) {
    std::vector<std::string> out;
    for (const auto& e : s.entries()) out.push_back(e.name);
    return out;
  }
  // Renames the profiles so a test can start from named ones.
  void nameProfiles(ProfileStore& s, const std::vector<std::string>& wanted) {
    while (s.count() < static_cast<int>(wanted.size())) ASSERT_TRUE(s.add().ok());
    for (size_t i = 0; i < wanted.size(); ++i) ASSERT_TRUE(s.rename(static_cast<int>(i), wanted[i]).ok());
  }

  ManualClock clock_;
  std::filesystem::path root_, folder_, factory_;
};

}  // namespace tessel::profiles::testing
