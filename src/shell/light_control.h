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
