// tessgrain-render's frames through the loaded module the way a host renders several frames of
// one effect at once: one host with the global data, and a render thread of it (a Host of its
// own, devhost's NewRenderThread) per worker. Each worker reads, renders and writes whole frames,
// through the reader and writer it is given, so reading and writing of some frames overlap the
// rendering of others; frames without an output file are handed back in order, with at most two
// per worker in flight, and a frame missing from them ends the run.
#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "devhost/host/host.h"
#include "devhost/host/image.h"

namespace devhost {

struct Frame {
  size_t index = 0;   // position in the run, from 0
  std::string name;   // how messages name it
  std::string input;  // the file to read; empty when the layer came with the frame
  Image layer;
  std::string output;                  // the file to write; empty: handed back in order
  std::optional<EffectParams> params;  // settings of its own, else the host's
};

// The frames of a run, in order; asked by one worker at a time.
class FrameFeed {
 public:
  enum Result { kFrame, kEnd, kFailed };
  virtual ~FrameFeed() = default;
  // kFailed: a frame that could not be had (and was reported); the feed ends there.
  virtual Result Next(Frame* frame) = 0;
  virtual size_t Total() const = 0;  // 0 when not known in advance
};

// How workers read a frame's input file and write its output file; false with one line in error.
using ReadFrame = std::function<bool(const std::string& path, Image* layer, std::string* error)>;
// rows_written is told the rows written so far; false from it stops the write.
using WriteFrame =
    std::function<bool(const std::string& path, const Image& image,
                       const std::function<bool(int rows)>& rows_written, std::string* error)>;

struct RunSettings {
  int jobs = 1;
  bool on_main_host = false;  // one worker, rendering on the main host (which holds the GPU)
  bool skip_existing = false;
  bool premiere = false;
  ReadFrame read;    // for frames with an input file
  WriteFrame write;  // for frames with an output file
  // Whether to stop (an interrupt): no frame is taken, rendered frames are not written, and
  // writes under way are abandoned; none of them counts as failed.
  std::function<bool()> stopped = [] { return false; };
  bool single = false;  // a run of one frame: messages need not name it
};

struct RunStats {
  size_t written = 0, failed = 0, skipped = 0;
  double seconds = 0;
  // Of the first frame rendered.
  int in_width = 0, in_height = 0, out_width = 0, out_height = 0;
  bool on_gpu = false;
};

// Takes frames without an output file, in frame order, one call at a time; false when it could
// not (it says why), which ends the run. A frame counts as written once it was taken.
using Receiver = std::function<bool(const Frame& frame, const Image& image)>;

RunStats RenderFrames(Host& main, FrameFeed& feed, const RunSettings& settings,
                      const Receiver& receive);

}  // namespace devhost
