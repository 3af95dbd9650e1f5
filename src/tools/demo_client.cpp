// "tesselctl demo VERB PRODUCT" over the D-Bus session bus: the running
// "tessel-rgb --demo" exports org.orvik.TesselRGB.Demo at /org/orvik/TesselRGB/demo.
#include <QCoreApplication>
#include <QDir>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <cstdio>
#include <ostream>

#include "platform/bus_name.h"
#include "tools/demo_client.h"
#include "tools/tesselctl.h"

namespace tessel::tools {

namespace {

const QString kService = QStringLiteral("org.orvik.TesselRGB");

// Whether the running program owns its name on the session bus.
bool programRunning(QDBusConnection& bus) {
  return bus.isConnected() && bus.interface() && bus.interface()->isServiceRegistered(kService).value();
}

}  // namespace

int demoInputOverDBus(const std::string& product, uint16_t usage, std::ostream& out, std::ostream& err) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!programRunning(bus)) {
    err << "tesselctl: demo: tessel-rgb is not running (start it with --demo)\n";
    return kExitNoDevice;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/orvik/TesselRGB/demo"),
                                                     QStringLiteral("org.orvik.TesselRGB.Demo"),
                                                     QStringLiteral("Input"));
  call << QString::fromStdString(product) << static_cast<uint>(usage);
  QDBusReply<bool> reply = bus.call(call, QDBus::Block, 5000);
  if (!reply.isValid()) {
    err << "tesselctl: demo: " << reply.error().message().toStdString()
        << " (is tessel-rgb running with --demo?)\n";
    return kExitNoDevice;
  }
  char text[8];
  std::snprintf(text, sizeof text, "0x%04x", usage);
  if (!reply.value()) {
    err << "tesselctl: demo input " << product << " " << text << ": refused (" << product << " not plugged)\n";
    return kExitNoDevice;
  }
  out << "demo input " << product << " " << text << ": sent\n";
  return kExitOk;
}

int demoScriptedOverDBus(const std::string& what, const std::string& name, bool down, std::ostream& out,
                         std::ostream& err) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!programRunning(bus)) {
    err << "tesselctl: demo: tessel-rgb is not running (start it with --demo)\n";
    return kExitNoDevice;
  }
  const QString method = what == "button" ? QStringLiteral("Button") : QStringLiteral("Key");
  QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/orvik/TesselRGB/demo"),
                                                     QStringLiteral("org.orvik.TesselRGB.Demo"), method);
  call << QString::fromStdString(name) << down;
  QDBusReply<bool> reply = bus.call(call, QDBus::Block, 5000);
  const std::string line = "demo " + what + " " + name + (down ? " down" : " up");
  if (!reply.isValid()) {
    err << "tesselctl: demo: " << reply.error().message().toStdString()
        << " (is tessel-rgb running with --demo?)\n";
    return kExitNoDevice;
  }
  if (!reply.value()) {
    err << "tesselctl: " << line << ": refused (the program knows no such " << what << ")\n";
    return kExitUsage;
  }
  out << line << ": sent\n";
  return kExitOk;
}

bool notifySettingsChangedOverDBus(const std::string& kind) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!programRunning(bus)) return false;
  QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/orvik/TesselRGB/devices"),
                                                     QStringLiteral("org.orvik.TesselRGB.Devices"),
                                                     QStringLiteral("DeviceChanged"));
  call << QString::fromStdString(kind);
  QDBusReply<int> reply = bus.call(call, QDBus::Block, 2000);
  return reply.isValid() && reply.value() >= 0;
}

std::optional<int> runInProgramOverDBus(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!programRunning(bus)) return std::nullopt;
  QStringList list;
  for (const auto& a : args) list << QString::fromStdString(a);
  QDBusMessage call = QDBusMessage::createMethodCall(kService, QStringLiteral("/org/orvik/TesselRGB/settings"),
                                                     QStringLiteral("org.orvik.TesselRGB.Settings"),
                                                     QStringLiteral("Run"));
  call << list << QDir::currentPath();
  // A macro download to a mouse behind its receiver takes seconds; the
  // program answers every call, also a refused one.
  const QDBusMessage reply = bus.call(call, QDBus::Block, 120000);
  if (reply.type() == QDBusMessage::ErrorMessage) {
    // A program of an older version has no settings service: run here.
    if (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownObject") ||
        reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.UnknownMethod"))
      return std::nullopt;
    err << "tesselctl: the running tessel-rgb did not answer: " << reply.errorMessage().toStdString() << "\n";
    return kExitCommandFailed;
  }
  const QList<QVariant> values = reply.arguments();
  if (values.size() != 3) {
    err << "tesselctl: the running tessel-rgb answered with something else\n";
    return kExitCommandFailed;
  }
  const int code = values[0].toInt();
  if (code < 0) return std::nullopt;
  out << values[1].toString().toStdString();
  err << values[2].toString().toStdString();
  return code;
}

int demoControlOverDBus(const std::string& verb, const std::string& product, std::ostream& out,
                        std::ostream& err) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) {
    err << "tesselctl: demo: no D-Bus session bus\n";
    return kExitNoDevice;
  }
  const QString service = QStringLiteral("org.orvik.TesselRGB");
  if (!bus.interface() || !bus.interface()->isServiceRegistered(service).value()) {
    err << "tesselctl: demo: tessel-rgb is not running (start it with --demo)\n";
    return kExitNoDevice;
  }
  const QString name = QString::fromStdString(product);
  QDBusMessage call;
  const QString path = QStringLiteral("/org/orvik/TesselRGB/demo");
  const QString iface = QStringLiteral("org.orvik.TesselRGB.Demo");
  if (verb == "plug") {
    call = QDBusMessage::createMethodCall(service, path, iface, QStringLiteral("Plug"));
    call << name;
  } else if (verb == "unplug") {
    call = QDBusMessage::createMethodCall(service, path, iface, QStringLiteral("Unplug"));
    call << name;
  } else {
    call = QDBusMessage::createMethodCall(service, path, iface, QStringLiteral("SetAwake"));
    call << name << (verb == "awake");
  }
  QDBusReply<bool> reply = bus.call(call, QDBus::Block, 5000);
  if (!reply.isValid()) {
    err << "tesselctl: demo: " << reply.error().message().toStdString()
        << " (is tessel-rgb running with --demo?)\n";
    return kExitNoDevice;
  }
  if (!reply.value()) {
    err << "tesselctl: demo " << verb << " " << product << ": refused (";
    if (verb == "plug") err << "already plugged";
    else if (verb == "unplug") err << "not plugged";
    else err << "not plugged, or it has no receiver";
    err << ")\n";
    return kExitCommandFailed;
  }
  out << "demo " << verb << " " << product << ": done\n";
  return kExitOk;
}

int postEventOverDBus(const std::string& name, uint64_t wParam, int64_t lParam, std::ostream& out,
                      std::ostream& err) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  const QString window = QString::fromStdString(busNameForTitle("Tessel RGB"));
  if (!bus.isConnected()) {
    err << "tesselctl: event: no D-Bus session bus, so no tessel-rgb to reach\n";
    return kExitNoDevice;
  }
  if (!bus.interface() || !bus.interface()->isServiceRegistered(window).value()) {
    err << "tesselctl: event: tessel-rgb is not running (no " << window.toStdString() << " on the session bus)\n";
    return kExitNoDevice;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(window, QString::fromLatin1(kWindowBusPath),
                                                     QString::fromLatin1(kWindowBusInterface),
                                                     QStringLiteral("Post"));
  call << QString::fromStdString(name) << static_cast<qulonglong>(wParam) << static_cast<qlonglong>(lParam);
  QDBusMessage reply = bus.call(call, QDBus::Block, 5000);
  if (reply.type() == QDBusMessage::ErrorMessage) {
    err << "tesselctl: event: " << reply.errorMessage().toStdString() << " (is tessel-rgb running?)\n";
    return kExitNoDevice;
  }
  out << "event " << name << " " << wParam << " " << lParam << ": sent\n";
  return kExitOk;
}

}  // namespace tessel::tools
