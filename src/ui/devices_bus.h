#pragma once
// org.orvik.TesselRGB.Devices at /org/orvik/TesselRGB/devices: other programs
// (tesselctl set / apply) tell the running program that they changed a
// device's settings, so its pages show the new values.
//
//   DeviceChanged(s kind) -> i   kind "mouse", "keyboard", "mousepad" or
//                                "headset"; returns the number of pages that
//                                re-read (-1 for an unknown kind)
#include "ui/session_bus_object.h"
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "core/device_types.h"

namespace tessel::ui {

inline constexpr const char* kBusDevicesPath = "/org/orvik/TesselRGB/devices";
inline constexpr const char* kBusDevicesInterface = "org.orvik.TesselRGB.Devices";

class DevicesBusObject : public SessionBusObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.orvik.TesselRGB.Devices")

 public:
  using Handler = std::function<int(DeviceKind)>;
  explicit DevicesBusObject(Handler handler) : SessionBusObject(kBusDevicesPath), handler_(std::move(handler)) {}

  // The command-line names of the device kinds; nullopt for anything else.
  static std::optional<DeviceKind> KindFromName(const QString& name);

 public Q_SLOTS:
  int DeviceChanged(const QString& kind);

 private:
  Handler handler_;
};

// Exports the object on the session bus; nullptr when there is no bus or the
// path is taken. Unexported when the returned object is destroyed.
std::unique_ptr<DevicesBusObject> ExportDevicesBus(DevicesBusObject::Handler handler);

}  // namespace tessel::ui
