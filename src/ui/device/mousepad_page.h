#pragma once
// CBrelvikMousePadDevice: the page of one mousepad. It maps its controls'
// notifications to the mousepad controller (devices/mousepad/
// mousepad_controller.h) and shows the controller's state:
//   "mousepad_device_key_light"  the pad's picture; its "DeviceKeyButton"
//                                children named (or whose user data is)
//                                "light_N", N below the 15 zones, show the
//                                live zones
//   "LightControlItem"           the light editor
//   "DeviceProfileItem"          the profile selector (the base's)
#include <functional>
#include <string>
#include <vector>

#include "devices/mousepad/mousepad_controller.h"
#include "ui/device/brelvik_usb_device.h"
#include "ui/device/light_control.h"

namespace tessel::ui {

class CDeviceKeyButtonUI;

class CBrelvikMousePadDevice : public CBrelvikUSBDevice {
 public:
  explicit CBrelvikMousePadDevice(hid::HidBackend& backend = hid::defaultBackend(),
                                  Clock& clock = SystemClock::instance());
  ~CBrelvikMousePadDevice() override;
  QString GetClass() const override { return QStringLiteral("BrelvikMousePadDevice"); }
  int SettingsChangedDelay() const override { return 500; }
  MousepadController& Pad() { return static_cast<MousepadController&>(Controller()); }

  // Base's tables, then the pad's zone pictures, the light editor.
  void InitPage() override;
  // Shows the document's light record on the editor.
  void RefreshView() override;
  void ShowFrame(const std::vector<uint8_t>& frame) override;
  void BindDocument(CBasicProfiledata& document, const std::filesystem::path& dataFolder) override;

  CLightControlUI* LightEditor() const { return lightEditor_; }
  CDeviceKeyButtonUI* GetZonePicture(int n) const;
  int GetZonePictureCount() const { return static_cast<int>(zonePictures_.size()); }
  void SetColourChooser(CLightControlUI::ColourChooser chooser);
  void SetSameModeAllowed(bool allowed);
  std::function<void(CBrelvikMousePadDevice&)> onSameMode;
  // The pad's current profile after it said its settings changed (message 3328).
  int GetReportedProfile() const { return reportedProfile_; }

 protected:
  void OnNotify(TNotifyUI& msg) override;

 private:
  template <typename T>
  T* Find(const QString& name) const;
  void BindPageControls();
  void LoadLightLists();
  void ShowState();

  std::vector<CDeviceKeyButtonUI*> zonePictures_;
  CLightControlUI* lightEditor_ = nullptr;
  CLightControlUI::ColourChooser chooser_;
  std::vector<std::string> sequenceNames_;
  bool showing_ = false;
  int reportedProfile_ = -1;
};

// The zone a picture stands for: "light_N" (by its name or, failing that,
// its user data) with N below `zoneCount`; -1 otherwise.
int MousepadZoneOf(const QString& name, const QString& userData, int zoneCount);

}  // namespace tessel::ui
