#pragma once
// org.orvik.TesselRGB.Settings at /org/orvik/TesselRGB/settings: the running
// program owns every device and profile document, so other programs change
// settings through it instead of beside it. tesselctl sends its whole command
// line here when the program runs; any other program (a tray applet, a game
// integration) may do the same. docs/dbus.md has examples.
//
//   Run(as args, s folder) -> (i exitCode, s out, s err)
//       runs one tesselctl command line (without the program name) in the
//       program, on the window's thread, through the same devices and
//       documents its pages show; the pages follow at once. `folder` is the
//       caller's working folder, against which relative file names are taken.
#include "ui/session_bus_object.h"
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace tessel::ui {

inline constexpr const char* kBusSettingsPath = "/org/orvik/TesselRGB/settings";
inline constexpr const char* kBusSettingsInterface = "org.orvik.TesselRGB.Settings";

class SettingsBusObject : public SessionBusObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.orvik.TesselRGB.Settings")

 public:
  using Runner = std::function<int(const std::vector<std::string>& args, std::ostream& out, std::ostream& err)>;
  explicit SettingsBusObject(Runner runner) : SessionBusObject(kBusSettingsPath), runner_(std::move(runner)) {}

 public Q_SLOTS:
  int Run(const QStringList& args, const QString& folder, QString& out, QString& err);

 private:
  Runner runner_;
};

// Exports the object on the session bus; nullptr when there is no bus or the
// path is taken. Unexported when the returned object is destroyed.
std::unique_ptr<SettingsBusObject> ExportSettingsBus(SettingsBusObject::Runner runner);

}  // namespace tessel::ui
