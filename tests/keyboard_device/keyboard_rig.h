#pragma once
// The keyboard controller against the emulated keyboard on the virtual bus,
// on the manual clock, with a profile document in a folder of its own.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "config/keyboard_profiledata.h"
#include "config/light_mode_list.h"
#include "devices/keyboard/keyboard_controller.h"
#include "sim/firmware_keyboard.h"
#include "sim/virtual_bus.h"

namespace tessel::test {

namespace fs = std::filesystem;

inline constexpr uint8_t kBegin = 0x01, kEnd = 0x02, kIdentity = 0x03, kReadSettings = 0x05,
                         kWriteSettings = 0x06, kReadKeys = 0x07, kWriteKeys = 0x09, kReadColours = 0x0A,
                         kWriteColours = 0x0B, kLive = 0x12, kStatus = 0x1A, kReadLeds = 0x1B;
inline constexpr size_t kStride = 31;

class KeyboardRig : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/tessel-keyboard-XXXXXX";
    dir_ = mkdtemp(pattern);
  }
  void TearDown() override {
    kb_.reset();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  void plug(bool receiver = false) {
    fw_ = std::make_shared<sim::KeyboardFirmware>(receiver);
    product_ = bus_.plug(receiver ? "keyboard-receiver" : "keyboard", fw_);
    kb_ = std::make_unique<KeyboardController>(bus_, clock_);
    doc_.setDefaultDocumentPath(fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "keyboard.Json");
    doc_.setDocumentPath(dir_ / "profile.Json");
    LightModeList modes;
    ASSERT_TRUE(modes.load(fs::path(TESSEL_SOURCE_DIR) / "DefaultData" / "default_light.json"));
    kb_->bindDocument(&doc_);
    kb_->setLightModes(modes.modes(kKindIndexKeyboard));
    KeyboardController::Listener l;
    l.stateChanged = [this] { ++refreshes_; };
    l.writeFailed = [this](KeyboardController::Write w, ResultCode r) { failures_.push_back({w, r}); };
    l.profileReported = [this](int p) { profiles_.push_back(p); };
    l.macrosTooLarge = [this](int units) { tooLarge_.push_back(units); };
    l.profileListChanged = [this] { ++listReloads_; };
    kb_->setListener(l);
    kb_->loadConfiguration();
    ASSERT_TRUE(kb_->transport().connect(product_->commandPath(), receiver ? 2 : 1));
  }

  // Plugged and read, with the light thread stopped so tests step the engine themselves.
  void plugAndRead(bool receiver = false) {
    plug(receiver);
    kb_->requestConnected();
    kb_->stopLightThread();
    fw_->clearLog();
  }

  // The document as a fresh reader of the saved file sees it.
  std::unique_ptr<CKeyboardProfiledata> reread() {
    auto d = std::make_unique<CKeyboardProfiledata>();
    d->setDocumentPath(dir_ / "profile.Json");
    d->loadDeviceElement();
    return d;
  }

  std::vector<uint8_t> blockOf(size_t profile) const {
    const auto s = fw_->settings();
    return {s.begin() + static_cast<long>(profile * kStride), s.begin() + static_cast<long>(profile * kStride + kStride)};
  }
  std::vector<uint8_t> keySlot(size_t k) const {
    const auto t = fw_->keyTable();
    return {t.begin() + static_cast<long>(k * 3), t.begin() + static_cast<long>(k * 3 + 3)};
  }
  std::vector<uint8_t> ledColour(size_t led) const {
    const auto c = fw_->customColours();
    return {c.begin() + static_cast<long>(led * 3), c.begin() + static_cast<long>(led * 3 + 3)};
  }
  LightRecord lightWithMode(uint8_t mode) {
    LightRecord r = doc_.getLightInfo();
    r.selectItem = mode;
    return r;
  }

  fs::path dir_;
  sim::VirtualHidBus bus_;
  ManualClock clock_;
  std::shared_ptr<sim::KeyboardFirmware> fw_;
  std::shared_ptr<sim::EmulatedProduct> product_;
  CKeyboardProfiledata doc_;
  std::unique_ptr<KeyboardController> kb_;
  int refreshes_ = 0;
  int listReloads_ = 0;
  std::vector<std::pair<KeyboardController::Write, ResultCode>> failures_;
  std::vector<int> profiles_;
  std::vector<int> tooLarge_;
};

}  // namespace tessel::test
