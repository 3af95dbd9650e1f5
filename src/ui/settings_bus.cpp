#include "ui/settings_bus.h"

#include <sstream>

#include "tools/tesselctl.h"

namespace tessel::ui {

int SettingsBusObject::Run(const QStringList& args, const QString& folder, QString& out, QString& err) {
  std::vector<std::string> list;
  list.reserve(static_cast<size_t>(args.size()));
  for (const QString& a : args) list.push_back(a.toStdString());
  std::ostringstream o, e;
  int code = tools::kExitCommandFailed;
  if (!runner_) {
    e << "tesselctl: the program takes no commands\n";
  } else {
    tools::absoluteFileOperands(list, folder.toStdString());
    code = runner_(list, o, e);
  }
  out = QString::fromStdString(o.str());
  err = QString::fromStdString(e.str());
  return code;
}

std::unique_ptr<SettingsBusObject> ExportSettingsBus(SettingsBusObject::Runner runner) {
  return SessionBusObject::Export(std::make_unique<SettingsBusObject>(std::move(runner)));
}

}  // namespace tessel::ui
