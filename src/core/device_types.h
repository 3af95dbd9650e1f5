#pragma once
// Device type codes and kind names.
#include <cstdint>
#include <optional>
#include <string_view>

namespace tessel {

enum class DeviceType : uint16_t {
  KeyboardCable = 1,
  MouseCable = 2,
  MousePad = 3,
  MouseReceiver = 6,
  Headset = 7,
  KeyboardReceiver = 9,
};

enum class DeviceKind { Mouse, Keyboard, MousePad, Headset };

// Kind names; they name the device data folders and the factory documents.
inline constexpr std::string_view kKindMouse = "mouse";
inline constexpr std::string_view kKindKeyboard = "keyboard";
inline constexpr std::string_view kKindMousePad = "MousePad";
inline constexpr std::string_view kKindHeadset = "HD";

std::optional<DeviceType> deviceTypeFromCode(uint16_t code);
DeviceKind kindOf(DeviceType type);
std::string_view kindName(DeviceKind kind);
std::optional<DeviceKind> kindFromName(std::string_view name);  // exact kind names
bool isReceiver(DeviceType type);  // 6 and 9: through the 2.4 GHz receiver
std::string_view deviceTypeText(DeviceType type);  // "mouse on its cable", ...

}  // namespace tessel
