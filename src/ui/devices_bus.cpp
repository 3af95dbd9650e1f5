#include "ui/devices_bus.h"

#include "platform/debug.h"

namespace tessel::ui {

std::optional<DeviceKind> DevicesBusObject::KindFromName(const QString& name) {
  if (name == QLatin1String("mouse")) return DeviceKind::Mouse;
  if (name == QLatin1String("keyboard")) return DeviceKind::Keyboard;
  if (name == QLatin1String("mousepad")) return DeviceKind::MousePad;
  if (name == QLatin1String("headset")) return DeviceKind::Headset;
  return std::nullopt;
}

int DevicesBusObject::DeviceChanged(const QString& kind) {
  const auto k = KindFromName(kind);
  if (!k || !handler_) return -1;
  debugPrintf("settings of the %s changed elsewhere: re-read", kind.toUtf8().constData());
  return handler_(*k);
}

std::unique_ptr<DevicesBusObject> ExportDevicesBus(DevicesBusObject::Handler handler) {
  return SessionBusObject::Export(std::make_unique<DevicesBusObject>(std::move(handler)));
}

}  // namespace tessel::ui
