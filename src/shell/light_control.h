#pragma once
// The light control switch: whether the program drives the devices' lighting
// at all. The user toggles it with "control_light_status"; another program
// asks with the registered message EBF17; every change by the user is
// broadcast with EBF16 so other programs can follow.
#include <optional>
#include <string_view>

namespace tessel {

inline constexpr std::string_view kLightControlOnText = "控制灯光";
inline constexpr std::string_view kLightControlOffText = "不控制灯光";

// Same light on all devices ("deng_same_mode"): the current device's mode is
// translated into one of five common kinds (0 breathing, 1 static, 2 flashing,
// 3 colour wheel, 4 off) and every other open device receives its own mode of
// that kind. Device type codes: 1 and 9 keyboard, 2 and 6 mouse, 3 mousepad,
// 7 headset.
inline constexpr int kSameLightKindCount = 5;
// The kind of `mode` (a mode position; the keyboard's mode code) on a device
// of `typeCode`; nullopt when that mode has no kind or the type is unknown.
std::optional<int> sameLightKind(int typeCode, int mode);
// The mode of `kind` on a device of `typeCode`; nullopt for an unknown type or kind.
std::optional<int> sameLightMode(int typeCode, int kind);

// Remembers the kind of the last synchronisation: a mode without a kind
// keeps the previous one in force (kind 0 before the first).
class SameLight {
 public:
  int kindFor(int typeCode, int mode) {
    if (auto k = sameLightKind(typeCode, mode)) kind_ = *k;
    return kind_;
  }
  int lastKind() const { return kind_; }

 private:
  int kind_ = 0;
};

class LightControl {
 public:
  struct Change {
    bool state;                            // what every device is told
    std::optional<int> broadcast;          // lParam of the EBF16 broadcast, if any
    std::optional<std::string_view> text;  // new text of the button, if it changes
  };

  bool on() const { return on_; }
  // The user's toggle: the flag flips, is broadcast and shown.
  Change toggle();
  // EBF17 from another program: only wParam 1 counts; lParam 0 or 1 sets the
  // flag and the text; any other lParam re-sends the current state. Nothing is
  // broadcast. nullopt when the message is ignored.
  std::optional<Change> request(unsigned long long wParam, long long lParam);

 private:
  bool on_ = true;
};

}  // namespace tessel
