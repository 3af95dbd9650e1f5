#include "input/scripted_source.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "config/function_codes.h"
#include "input/input_mapping.h"

namespace tessel::input {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

}  // namespace

std::optional<InputEvent> keyEventByName(std::string_view name, bool down) {
  const auto index = findKeyByName(name);
  if (!index) return std::nullopt;
  const KeyEntry& key = keyTable()[*index];
  if (!key.hasScanCode) return std::nullopt;
  return keyboardEvent(SetOneScanCode{key.scanCode, key.extended}, down);
}

std::optional<InputEvent> buttonEventByName(std::string_view name, bool down) {
  struct Button {
    std::string_view name;
    uint32_t down, up, data;
  };
  constexpr std::array<Button, 5> kButtons{{
      {"left", kLeftDown, kLeftUp, 0},
      {"right", kRightDown, kRightUp, 0},
      {"middle", kMiddleDown, kMiddleUp, 0},
      {"back", kExtraDown, kExtraUp, uint32_t{kExtraBack} << 16},
      {"forward", kExtraDown, kExtraUp, uint32_t{kExtraForward} << 16},
  }};
  for (const auto& b : kButtons)
    if (equalsIgnoringCase(name, b.name)) return mouseEvent(down ? b.down : b.up, b.data);
  return std::nullopt;
}

bool ScriptedSource::start(InputSink sink, bool /*grabKeyboard*/, std::string& reason) {
  std::lock_guard lock(mutex_);
  if (!failReason_.empty()) {
    reason = std::move(failReason_);
    failReason_.clear();
    return false;
  }
  sink_ = std::move(sink);
  running_ = true;
  return true;
}

void ScriptedSource::stop() {
  std::lock_guard lock(mutex_);
  running_ = false;
  sink_ = nullptr;
}

bool ScriptedSource::running() const {
  std::lock_guard lock(mutex_);
  return running_;
}

bool ScriptedSource::inject(const InputEvent& event) {
  std::lock_guard lock(mutex_);
  if (!running_ || !sink_) return false;
  // The sink may stop (and so clear) this source while it runs.
  InputSink sink = sink_;
  sink(event);
  return true;
}

void ScriptedSource::failNextStart(std::string reason) {
  std::lock_guard lock(mutex_);
  failReason_ = std::move(reason);
}

}  // namespace tessel::input
