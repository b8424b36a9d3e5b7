// The plug-in module as the tests drive it: loaded once by path, like a host loads it.
#pragma once
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "devhost/host/module.h"

inline const devhost::Module& LoadedModule() {
  static const std::unique_ptr<devhost::Module> module = [] {
    std::string error;
    std::unique_ptr<devhost::Module> m = devhost::Module::Load(TESSGRAIN_MODULE_PATH, &error);
    if (!m) {
      std::fprintf(stderr, "%s\n", error.c_str());
      std::abort();
    }
    return m;
  }();
  return *module;
}

inline PF_EffectMainFunc Effect() { return LoadedModule().EffectMain(); }
