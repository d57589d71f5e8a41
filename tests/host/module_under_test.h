// The module a host test program checks, named on its command line. Shared
// by the portable host programs, which run on Linux and under wine.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

#include "mini_check.h"
#include "qor_module.h"

namespace qor::check {

inline std::string& ModulePath() {
  static std::string path;
  return path;
}

// A fresh load of the module. One that will not load ends the program: no
// case could run.
inline host::LoadedModule LoadModuleUnderTest() {
  host::LoadedModule module;
  if (!module.Load(ModulePath())) {
    std::fprintf(stderr, "%s\n", module.Error().c_str());
    std::exit(2);
  }
  return module;
}

// main() of a host test program: PROGRAM PATH-TO-MODULE.
inline int RunAllOnModule(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s PATH-TO-MODULE\n", argv[0]);
    return 2;
  }
  ModulePath() = argv[1];
  return RunAll();
}

}  // namespace qor::check
