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
  document_.SetDefaultPath(defaultDocument);
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

bool PageProfile::Rebind() {
  if (!selector_) return false;
  const auto path = selector_->CurrentDocumentPath();
  if (!path) return false;
  // Binding clears every cached section, so nothing of the previous profile
  // shows through the new one.
  document_.BindAndLoad(*path);
  page_.Controller().reloadDocument();
  page_.RefreshView();
  page_.Controller().applyConfiguration();
  return true;
}

}  // namespace tessel::ui
