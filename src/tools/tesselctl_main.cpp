// tesselctl: see tesselctl.h and "tesselctl --help".
#include <iostream>
#include <string>
#include <vector>

#include "tools/tesselctl.h"
#ifdef TESSEL_HAVE_QTDBUS
#include "tools/demo_client.h"
#endif

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  tessel::tools::TesselctlContext context;
#ifdef TESSEL_HAVE_QTDBUS
  context.demoControl = tessel::tools::demoControlOverDBus;
  context.demoInput = tessel::tools::demoInputOverDBus;
  context.demoScripted = tessel::tools::demoScriptedOverDBus;
  context.notifySettingsChanged = tessel::tools::notifySettingsChangedOverDBus;
  context.postEvent = tessel::tools::postEventOverDBus;
  context.runInProgram = tessel::tools::runInProgramOverDBus;
#endif
  return tessel::tools::runTesselctl(args, std::cout, std::cerr, context);
}
