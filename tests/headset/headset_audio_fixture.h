#pragma once
// A headset's audio side on a fresh profile document (the factory headset
// document copied into a temporary folder) and an emulated audio chip.
#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "audio/audio_chip_binding.h"
#include "audio/emulated_audio_chip.h"
#include "config/hs6533_profiledata.h"
#include "devices/headset/headset_audio.h"
#include "platform/json_file.h"

namespace tessel::test {

class HeadsetAudioFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tessel-hsaudio-XXXXXX";
    dir_ = mkdtemp(pattern);
    docPath_ = dir_ / "profile.Json";
    doc_.setDefaultDocumentPath(std::filesystem::path(TESSEL_SOURCE_DIR) / "DefaultData" / "HD.Json");
    doc_.setDocumentPath(docPath_);
    doc_.loadDeviceElement();
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  // The page's activation: start the binding, load, read the chip.
  void activate() {
    audio_.startBinding();
    audio_.loadFromDocument();
    audio_.readChipState();
    chip_->clearCalls();
  }

  // Replaces the device element of the document on disk and loads it again.
  void writeElement(const Json::Value& element) {
    Json::Value root(Json::objectValue);
    root["Device"].append(element);
    ASSERT_TRUE(writeJsonFile(docPath_, root));
    doc_.setDocumentPath(docPath_);
    doc_.loadDeviceElement();
  }
  Json::Value factoryElement() const {
    return readJsonFile(std::filesystem::path(TESSEL_SOURCE_DIR) / "DefaultData" / "HD.Json")["Device"][0];
  }

  Json::Value fileElement() const { return readJsonFile(docPath_)["Device"][0]; }
  std::string fileText() const {
    std::ifstream in(docPath_, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // The ten "value"s of entry i of a band section of the file.
  std::vector<int> fileBands(const char* section, unsigned i) const {
    std::vector<int> out;
    const Json::Value element = fileElement();
    const Json::Value& bands = element[section][i];
    for (const auto& b : bands) out.push_back(b["value"].asInt());
    out.resize(10, -999);  // a missing band shows as -999, never out of bounds
    return out;
  }
  // The integer values written to `name`, in order.
  std::vector<int> writtenInts(std::string_view name) const {
    std::vector<int> out;
    for (const auto& c : chip_->writesOf(name)) out.push_back(c.value.asInt());
    return out;
  }

  std::filesystem::path dir_, docPath_;
  CHs6533Profiledata doc_;
  std::shared_ptr<audio::EmulatedAudioChip> chip_ = std::make_shared<audio::EmulatedAudioChip>();
  audio::AudioChipBinding binding_{chip_};
  HeadsetAudio audio_{doc_, binding_};
};

}  // namespace tessel::test
