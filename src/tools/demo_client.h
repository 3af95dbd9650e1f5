#pragma once
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace tessel::tools {
// The executable's TesselctlContext::demoControl when built with Qt D-Bus.
int demoControlOverDBus(const std::string& verb, const std::string& product, std::ostream& out,
                        std::ostream& err);
// TesselctlContext::demoInput: Input(s product, u usage) on the demo object.
int demoInputOverDBus(const std::string& product, uint16_t usage, std::ostream& out, std::ostream& err);
// TesselctlContext::demoScripted: Key(s name, b down) or Button(s name, b down)
// on the demo object.
int demoScriptedOverDBus(const std::string& what, const std::string& name, bool down, std::ostream& out,
                         std::ostream& err);
// TesselctlContext::notifySettingsChanged: DeviceChanged(s kind) on
// org.orvik.TesselRGB.Devices; false when no program runs or it did not answer.
bool notifySettingsChangedOverDBus(const std::string& kind);
// TesselctlContext::postEvent: Post(s, t, x) on the main window's bus name
// (the window titled "Tessel RGB"); exit 3 when no program runs.
int postEventOverDBus(const std::string& name, uint64_t wParam, int64_t lParam, std::ostream& out,
                      std::ostream& err);
// TesselctlContext::runInProgram: Run(as args, s folder) on
// org.orvik.TesselRGB.Settings; nullopt when no program runs or it leaves the
// command to the caller (emulated devices asked of a program on real ones).
std::optional<int> runInProgramOverDBus(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
}  // namespace tessel::tools
