#pragma once
// A scratch data folder and a copy of the factory recoil files for the recoil tests.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "macros/recoil_file.h"
#include "platform/file_io.h"

namespace tessel::macros::testing {

class RecoilFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = std::filesystem::temp_directory_path() /
            ("tessel-recoil-" + std::to_string(::getpid()) + "-" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(root_);
    data_ = root_ / "mouse";
    defaults_ = root_ / "DefaultData";
    std::filesystem::create_directories(defaults_);
    for (int g = 0; g < kGunCount; ++g)
      std::filesystem::copy_file(std::filesystem::path(TESSEL_SOURCE_DIR) / "DefaultData" / recoilFileName(g),
                                 defaults_ / recoilFileName(g));
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  std::string bytesOf(const std::filesystem::path& p) const { return readFileBytes(p).value_or("<missing>"); }
  std::filesystem::path writeSource(const std::string& name, const std::string& bytes) {
    const auto p = root_ / name;
    EXPECT_TRUE(writeFileAtomic(p, bytes));
    return p;
  }

  std::filesystem::path root_, data_, defaults_;
};

}  // namespace tessel::macros::testing
