// tessgrain-render: renders image files, frame sequences and raw video frames through the effect,
// driven by devhost the way After Effects (smart pre-render and render) or Premiere Pro (frame
// set-up and render) drives it, on render threads of one host like a host's multi-frame rendering.
// This file reads the command line, checks it and runs the mode it asks for.
#include <cstdio>
#include <exception>
#include <new>
#include <string>
#include <utility>

#include "devhost/host/host.h"
#include "devhost/render/console.h"
#include "devhost/render/image_io.h"
#include "devhost/render/modes.h"
#include "devhost/render/options.h"
#include "devhost/render/platform.h"
#include "devhost/render/raw_frames.h"
#include "devhost/render/session.h"

using namespace devhost;

namespace {

int RunMode(const Options& o, Mode mode) {
  if (mode == Mode::RawStream || mode == Mode::Sequence) {
    Session s = SetUp(o, false);
    return mode == Mode::RawStream ? RunRawStream(o, s) : RunSequence(o, s);
  }
  const bool sample = o.inputs.empty();
  if (mode == Mode::Geometry && o.raw) {
    Session s = SetUp(o, false);
    PrintGeometry(*s.host,
                  Image(o.raw->first, o.raw->second, DepthOf(o.pix_fmt.value_or(PixFmt::Rgba))));
    return 0;
  }
  const std::string input = sample ? SampleBesideTool() : o.inputs[0];
  Image layer = ReadOne(o, input);
  Session s = SetUp(o, sample);
  switch (mode) {
    case Mode::Geometry:
      PrintGeometry(*s.host, layer);
      return 0;
    case Mode::Compare:
      return RunCompare(o, s, input, std::move(layer));
    case Mode::Sample:
      if (o.output.empty()) {
        // The sample comes with its sheet, unless the output was named.
        const int status = RunOne(o, s, input, layer);
        return status == 0 ? RunCompare(o, s, input, std::move(layer)) : status;
      }
      return RunOne(o, s, input, std::move(layer));
    default:
      return RunOne(o, s, input, std::move(layer));
  }
}

int Run(int argc, char** argv) {
  const Options o = ParseArguments(argc, argv);
  const Mode mode = CheckOptions(o);
  if (mode == Mode::Help) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (mode == Mode::Dialog) return RunDialog(o);
  Console::Get().ShowProgress(!o.quiet && IsTerminal(stderr));
  // An interrupt lets the run stop taking frames and remove what it was writing.
  CatchInterrupts();
  const int status = RunMode(o, mode);
  if (InterruptStatus() == 0) return status;
  Console::Get().Message("interrupted: the frames finished are kept, none is left half written");
  return InterruptStatus();
}

// A resource the effect left unbalanced does not spoil the frame, but it is a fault to know of.
void WarnImbalance(const std::string& message) { Console::Get().Message("warning: " + message); }

}  // namespace

int main(int argc, char** argv) {
  SetImbalanceHandler(&WarnImbalance);
  try {
    return Run(argc, argv);
  } catch (const UserError& e) {
    Console::Get().Message(e.message);
  } catch (const std::bad_alloc&) {
    Console::Get().Message("out of memory");
  } catch (const std::exception& e) {
    Console::Get().Message(e.what());
  }
  return 1;
}
