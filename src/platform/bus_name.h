#pragma once
// The D-Bus name a window reachable by title owns: "org.orvik.TesselRGB.w."
// plus the title with every UTF-8 byte outside A-Z, a-z, 0-9 (and a leading
// digit) written as '_' and two lower-case hex digits. Shared by the window
// toolkit and the programs beside it that talk to its windows without Qt
// Widgets (tessel-audio).
#include <string>
#include <string_view>

namespace tessel {

inline constexpr const char* kWindowBusPrefix = "org.orvik.TesselRGB";
// The object every reachable window exports, and its interface (Post,
// CopyData, the Broadcast signal).
inline constexpr const char* kWindowBusPath = "/org/orvik/TesselRGB/window";
inline constexpr const char* kWindowBusInterface = "org.orvik.TesselRGB.Window";

// Empty for an empty title or when the name would exceed D-Bus's 255 characters.
std::string busNameForTitle(std::string_view utf8Title);

}  // namespace tessel
