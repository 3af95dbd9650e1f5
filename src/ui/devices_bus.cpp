#include "ui/devices_bus.h"

#include <QDBusConnection>

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

DevicesBusObject::~DevicesBusObject() {
  if (exported_) QDBusConnection::sessionBus().unregisterObject(QString::fromLatin1(kBusDevicesPath));
}

std::unique_ptr<DevicesBusObject> ExportDevicesBus(DevicesBusObject::Handler handler) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return nullptr;
  auto object = std::make_unique<DevicesBusObject>(std::move(handler));
  if (!bus.registerObject(QString::fromLatin1(kBusDevicesPath), object.get(), QDBusConnection::ExportAllSlots)) {
    debugLine("the devices object is not on the session bus (path taken)");
    return nullptr;
  }
  object->exported_ = true;
  return object;
}

}  // namespace tessel::ui
