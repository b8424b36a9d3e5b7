// tessgrain-render's frames through the loaded module the way a host renders several frames of
// one effect at once: one host with the global data, and a render thread of it (a Host of its
// own, devhost's NewRenderThread) per worker. Each worker reads, renders and writes whole frames,
// so reading and writing of some frames overlap the rendering of others; frames without an
// output file are handed back in order, with at most two per worker in flight.
#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "devhost/host/host.h"
#include "devhost/host/image.h"
#include "devhost/render/image_io.h"
#include "devhost/render/raw_frames.h"

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

struct RunSettings {
  int jobs = 1;
  bool on_main_host = false;  // one worker, rendering on the main host (which holds the GPU)
  bool skip_existing = false;
  bool premiere = false;
  std::optional<Depth> depth;    // the depth frames are read at; empty: each file's own
  std::optional<RawLayout> raw;  // input and output files hold raw frames of this layout
  WriteSettings write;
  bool single = false;  // a run of one frame: messages need not name it
};

struct RunStats {
  size_t written = 0, failed = 0, skipped = 0;
  double seconds = 0;
  // Of the first frame rendered.
  int in_width = 0, in_height = 0, out_width = 0, out_height = 0;
  bool on_gpu = false;
};

// Frames without an output file, in frame order, one call at a time.
using Receiver = std::function<void(const Frame& frame, const Image& image)>;

RunStats RenderFrames(Host& main, FrameFeed& feed, const RunSettings& settings,
                      const Receiver& receive);

// The host's name for an effect error code, and the code.
std::string ErrorText(PF_Err err);
// Shows the notices and messages the effect gave the host (each text once per run) and clears
// them: they are for the user even when the render succeeds (an interlaced frame renders red and
// says why).
void ReportHostMessages(Host& host);

// Writes a file under its hidden partial name first and renames it into place, so that no
// interrupted run leaves a truncated file under the final name.
bool WriteInPlace(const std::string& path,
                  const std::function<bool(const std::string&, std::string*)>& write,
                  std::string* error);

}  // namespace devhost
