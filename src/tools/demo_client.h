#pragma once
#include <iosfwd>
#include <string>

namespace tessel::tools {
// The executable's TesselctlContext::demoControl when built with Qt D-Bus.
int demoControlOverDBus(const std::string& verb, const std::string& product, std::ostream& out,
                        std::ostream& err);
}  // namespace tessel::tools
