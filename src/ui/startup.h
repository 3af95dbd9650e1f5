#pragma once
// Start-up and teardown of the program.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <string>
#include <vector>

namespace tessel::ui {

class CControlUI;

// One private font: loaded from its file into the application's font
// database; a missing or unreadable file is skipped.
class FontHolder {
 public:
  // The folder the relative paths start from (the installation folder).
  void Prepare(const QString& folder);
  bool Load(const QString& relativePath);
  void Unload();
  bool IsLoaded() const { return id_ >= 0; }
  QString Path() const { return path_; }

 private:
  QString folder_, path_;
  int id_ = -1;
};

inline const std::array<const char*, 4> kPrivateFonts = {
    "Font/Simplified_Chinese.ttf",
    "Font/Kestrin-Regular.otf",
    "Font/NotoSansThai-Regular.ttf",
    "Font/NotoSansCJKtc-Regular.otf",
};

// The custom control classes registered with the control factory, in order:
// the rows of the skin tag table (skin_tags.h) that name a class.
struct ControlClass {
  const char* name;
  std::function<CControlUI*()> create;  // empty until the class exists
};
const std::vector<ControlClass>& ControlClasses();
// Registers every class that has a creator; returns how many.
int RegisterControlClasses();

struct StartupOptions {
  bool demo = false;
  QString demoList;  // the devices after "--demo=", empty for the default
  bool demoReset = false;  // --demo-reset: the emulated products start from the factory state
  bool hidden = false;  // start in the tray without showing the window
  std::string updateServer;  // "--server URL": the update server, over the settings file's
};

// Runs the program on an existing QApplication: fonts, single instance, skin
// resources, control classes, registered messages, the main window and the
// event loop, then the teardown in reverse order. Returns the exit code.
int RunTesselRgb(const StartupOptions& options);

}  // namespace tessel::ui
