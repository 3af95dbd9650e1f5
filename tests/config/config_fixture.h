#pragma once
// A fresh temporary folder per test, with helpers to write and read files.
#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/json_file.h"

namespace tessel::test {

class TempFolder : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tessel-config-XXXXXX";
    dir_ = mkdtemp(pattern);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::filesystem::path path(const std::string& name) const { return dir_ / name; }
  void writeText(const std::filesystem::path& p, const std::string& text) const {
    std::ofstream(p, std::ios::binary) << text;
  }
  std::string readText(const std::filesystem::path& p) const {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static Json::Value parse(const std::string& text) {
    Json::Value v;
    EXPECT_TRUE(parseJson(text, v)) << text;
    return v;
  }
  Json::Value readJson(const std::filesystem::path& p) const { return readJsonFile(p); }

  std::filesystem::path dir_;
};

}  // namespace tessel::test
