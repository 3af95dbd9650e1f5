// tesselctl: see tesselctl.h and "tesselctl --help".
#include <iostream>
#include <string>
#include <vector>

#include "tools/tesselctl.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return tessel::tools::runTesselctl(args, std::cout, std::cerr);
}
