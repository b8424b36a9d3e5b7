// The effect as tessgrain-render drives it: the module loaded and registered, a host set up with
// the settings of the command line, and the runs that render nothing: the pre-render's geometry
// and the dialog command.
#pragma once
#include <memory>

#include "devhost/host/host.h"
#include "devhost/host/image.h"
#include "devhost/host/module.h"
#include "devhost/render/options.h"

namespace devhost {

// The loaded module and the host that set it up; render threads are made from this host.
struct Session {
  std::unique_ptr<Module> module;
  std::unique_ptr<Host> host;
};

// Loads, registers and sets up the effect with the options' settings (the sample's when sample).
Session SetUp(const Options& o, bool sample);
// Prints the pre-render's rectangles for the layer as one line of JSON.
void PrintGeometry(Host& host, const Image& layer);
// The dialog command, printing the exchange with the companion.
int RunDialog(const Options& o);

}  // namespace devhost
