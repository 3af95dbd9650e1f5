// The settings service of the running program: a tesselctl command line run
// on the window's thread, through the devices this program holds. The pages
// are told of every change before the next event is handled, so none of them
// saves its older copy over it.
#include "device/hid/hid_backend.h"
#include "sim/virtual_bus.h"
#include "tools/tesselctl.h"
#include "ui/devices_bus.h"
#include "ui/main_wnd.h"

namespace tessel::ui {

int CMainWnd::RunSettingsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  tools::TesselctlOptions options;
  std::string error;
  hid::HidBackend& backend = backend_ ? *backend_ : hid::defaultBackend();
  const bool emulated = dynamic_cast<sim::VirtualHidBus*>(&backend) != nullptr;
  // A command for the emulated devices while this program drives real ones
  // (or the other way round) is not ours to run.
  if (tools::parseTesselctlArgs(args, options, error) && options.demo != emulated) return -1;
  tools::TesselctlContext context;
  context.backend = &backend;
  // The window's thread waits here: never long for another writer.
  context.folderLockWait = std::chrono::milliseconds(2000);
  context.notifySettingsChanged = [this](const std::string& kind) {
    const auto k = DevicesBusObject::KindFromName(QString::fromStdString(kind));
    if (k) SettingsChangedElsewhere(*k);
    return k.has_value();
  };
  return tools::runTesselctl(args, out, err, context);
}

}  // namespace tessel::ui
