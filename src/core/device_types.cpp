#include "core/device_types.h"

namespace tessel {

std::optional<DeviceType> deviceTypeFromCode(uint16_t code) {
  switch (code) {
    case 1: case 2: case 3: case 6: case 7: case 9: return static_cast<DeviceType>(code);
    default: return std::nullopt;
  }
}

DeviceKind kindOf(DeviceType type) {
  switch (type) {
    case DeviceType::KeyboardCable:
    case DeviceType::KeyboardReceiver: return DeviceKind::Keyboard;
    case DeviceType::MouseCable:
    case DeviceType::MouseReceiver: return DeviceKind::Mouse;
    case DeviceType::MousePad: return DeviceKind::MousePad;
    case DeviceType::Headset: return DeviceKind::Headset;
  }
  return DeviceKind::Mouse;
}

std::string_view kindName(DeviceKind kind) {
  switch (kind) {
    case DeviceKind::Mouse: return kKindMouse;
    case DeviceKind::Keyboard: return kKindKeyboard;
    case DeviceKind::MousePad: return kKindMousePad;
    case DeviceKind::Headset: return kKindHeadset;
  }
  return kKindMouse;
}

std::optional<DeviceKind> kindFromName(std::string_view name) {
  if (name == kKindMouse) return DeviceKind::Mouse;
  if (name == kKindKeyboard) return DeviceKind::Keyboard;
  if (name == kKindMousePad) return DeviceKind::MousePad;
  if (name == kKindHeadset) return DeviceKind::Headset;
  return std::nullopt;
}

bool isReceiver(DeviceType type) {
  return type == DeviceType::MouseReceiver || type == DeviceType::KeyboardReceiver;
}

std::string_view deviceTypeText(DeviceType type) {
  switch (type) {
    case DeviceType::KeyboardCable: return "keyboard on its cable";
    case DeviceType::KeyboardReceiver: return "keyboard through its receiver";
    case DeviceType::MouseCable: return "mouse on its cable";
    case DeviceType::MouseReceiver: return "mouse through its receiver";
    case DeviceType::MousePad: return "mousepad";
    case DeviceType::Headset: return "headset";
  }
  return "unknown";
}

}  // namespace tessel
