#include "ui/device/device_profile_page.h"

#include "platform/data_folders.h"
#include "platform/debug.h"
#include "ui/device/brelvik_usb_device.h"
#include "ui/device/device_profile.h"

namespace tessel::ui {
namespace fs = std::filesystem;

PageProfile::PageProfile(CBrelvikUSBDevice& page) : page_(page) {}

PageProfile::~PageProfile() = default;

profiles::ProfileOutcome PageProfile::Init(int typeCode, std::string_view kindName) {
  fs::path factory;
  if (auto folder = defaultDataFolder()) factory = *folder / (std::string(kindName) + ".Json");
  return Init(typeCode, deviceDataFolder(kindName), factory);
}

profiles::ProfileOutcome PageProfile::Init(int typeCode, const fs::path& dataFolder, const fs::path& defaultDocument) {
  selector_ = dynamic_cast<CDeviceProfileUI*>(page_.FindControl(
      [](CControlUI* c) { return c->GetName() == QLatin1String("DeviceProfileItem"); }));
  document_.SetDeviceType(typeCode);
  document_.SetDefaultPath(defaultDocument);
  page_.BindDocument(document_.Get(), dataFolder);
  if (!selector_) {
    debugLine("page without DeviceProfileItem");
    return {profiles::ProfileStatus::BadIndex, "the page has no profile selector", -1, {}};
  }
  selector_->SetDeviceType(typeCode);
  selector_->BindPaths(dataFolder, defaultDocument);
  profiles::ProfileOutcome outcome = selector_->Initialise();
  selector_->SelectTab(1);
  Rebind();
  return outcome;
}

bool PageProfile::BindCurrent() {
  if (!selector_) return false;
  const auto path = selector_->CurrentDocumentPath();
  if (!path) return false;
  // Binding clears every cached section, so nothing of the previous profile
  // shows through the new one.
  document_.BindAndLoad(*path);
  return true;
}

bool PageProfile::Rebind() {
  if (!BindCurrent()) return false;
  // The new profile's settings are loaded (not the factory reset of the
  // device's "reload document"), shown, and written to a connected device.
  UsbDeviceController& device = page_.Controller();
  device.loadConfiguration();
  page_.RefreshView();
  device.applyConfiguration();
  if (device.isConnected()) {
    device.writeSettingsBlock(0, 0, 1, 0, 0);
    device.writeKeyTableWithStoredOrder(0);
  }
  return true;
}

}  // namespace tessel::ui
