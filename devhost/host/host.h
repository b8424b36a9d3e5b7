// devhost: the host side of the effect protocol, for tests and tessgrain-render. It owns the
// records, worlds, handles and suites a video host gives an effect, drives the effect through
// its entry point exactly as After Effects (smart render) or Premiere Pro (frame set-up and
// render) would, records what the effect did, and can refuse suites or fail callbacks so that
// every failure path of the effect can be reached.
#pragma once
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "HostSDK.h"
#include "devhost/host/gpu.h"
#include "devhost/host/image.h"
#include "foundation/host_app.h"

namespace devhost {

// The host devhost plays: its application id and the effect API version it reports.
using ::HostApp;
inline constexpr A_long kOtherHostId = 0x4F746872;  // 'Othr', the id devhost gives OtherHost

// Parameter values as the user set them (popups 1-based, as the host stores them).
struct EffectParams {
  double scale = 1.0;
  int interpolation = 1;  // 1 Nearest, 2 Linear, 3 Nearest AA
  double edge_blur = 1.0;
  bool gpu = false;
  int pixel_shape = 1;  // 1 Point, 2 Square, 3 Circle
};

// A notice raised through Premiere Pro's error suite.
struct Notice {
  A_u_long event_type;
  std::u16string title;
  std::u16string text;
};

// A host-owned pixel buffer in one host pixel format; rows may be padded.
class World {
 public:
  World(int width, int height, A_long format, int row_padding_bytes = 0);
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  PF_EffectWorld* Get() { return &world_; }
  const PF_EffectWorld* Get() const { return &world_; }
  A_long Format() const { return format_; }
  uint8_t* Bytes() { return storage_.data(); }  // rowbytes * height, as the effect sees them
  int PixelSize() const { return pixel_size_; }

  // Copies to and from RGBA images of the matching depth, reordering channels.
  void FromImage(const Image& image);
  Image ToImage() const;
  // The same image without a copy: the pixels are reordered in place and moved out, leaving the
  // world empty (for outputs as large as the host allows).
  Image TakeImage();
  // Fills a rectangle with an 8-bit colour converted to the world's format (null: all zero).
  void Fill(const PF_Pixel* color, const PF_Rect& rect);
  // Whether the padding bytes at the end of each row still hold what the host put there.
  bool PaddingIntact() const;

 private:
  PF_EffectWorld world_{};
  A_long format_;
  int pixel_size_;
  std::vector<uint8_t> storage_;
};

// Depth and channel order of a host pixel format; false for a format devhost does not know.
bool DescribeFormat(A_long format, Depth* depth, bool* alpha_first);

struct PreRenderResult {
  PF_Err err = PF_Err_NONE;
  PF_PreRenderOutput output{};
  PF_CheckoutResult input_checkout{};
};

struct RenderResult {
  PF_Err err = PF_Err_NONE;
  std::string host_error;  // why the host itself gave up (a world it cannot make), if it did
  Image image;             // the output world (empty when no world was made)
  PF_Rect output_rect{};   // where the output lies in layer pixels (AE) or the frame origin
  std::optional<PreRenderResult> pre_render;  // its record already freed
  bool padding_intact = true;                 // no world's row padding was written
  bool on_gpu = false;                        // rendered with SMART_RENDER_GPU on GPU worlds
};

// What the module handed to the registration callback.
struct Registration {
  A_Err result = 0;
  bool called = false;
  std::string name, match_name, category, entry_point;
  A_long kind = 0, api_major = 0, api_minor = 0, reserved_info = 0;
};

// Calls the module's PluginDataEntryFunction as a host scanning its plug-ins does; the callback
// answers callback_result.
Registration Register(PF_PluginDataEntryFunc entry, const char* host_name, const char* host_version,
                      A_Err callback_result = 0);

// The host resources an effect takes and must give back. Handles count new against dispose,
// HandleLock counts locks against unlocks.
enum class Resource {
  Handle,
  HandleLock,
  Suite,
  EffectRef,
  Stream,
  StreamValue,
  LayerCheckout,
  ParamCheckout,
  ExclusiveAccess,
};
inline constexpr int kResourceKinds = 9;

// What one command took and gave back.
struct CommandCounts {
  PF_Cmd cmd = -1;
  std::array<int, kResourceKinds> taken{}, returned{};
  std::map<std::string, int> suites_acquired, suites_released;  // by name and version

  int Taken(Resource r) const { return taken[static_cast<int>(r)]; }
  int Returned(Resource r) const { return returned[static_cast<int>(r)]; }
};

// Where a Host's imbalances go when it ends, unless taken before: called once per message, on
// the thread the Host ends on, so it must be thread-safe. Null: standard error.
using ImbalanceHandler = void (*)(const std::string& message);
void SetImbalanceHandler(ImbalanceHandler handler);

// The value and HIDDEN flag of one effect parameter's AEGP stream.
struct StreamState {
  bool hidden = false;
  AEGP_StreamValue2 value{};
};

// A host running one instance of the effect. Every command it sends is accounted for: the
// handles, suites, references, checkouts and device access the effect takes must be given back
// within the command (handles the effect hands to the host excepted), and each imbalance is kept
// as a message naming the command and the resource. Ending the Host sets down what was set up
// (GPU device, then global data) and hands the imbalances nobody took to the ImbalanceHandler.
class Host {
 public:
  Host(PF_EffectMainFunc entry, HostApp app);
  ~Host();
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;

  // ---- What the host presents to the effect ----
  EffectParams params;
  // Layer anchor in full-resolution pixels; unset: the layer's centre.
  std::optional<double> anchor_x, anchor_y;
  PF_RationalScale downsample_x{1, 1}, downsample_y{1, 1};
  PF_Field field = PF_Field_FRAME;
  A_long source_origin_x = 0, source_origin_y = 0;  // pre_effect_source_origin (Premiere Pro)
  A_long output_origin_x = 0, output_origin_y = 0;
  A_long max_world_pixels = 30000L * 30000L;  // larger worlds are refused like a real host
  int row_padding_bytes = 0;                  // extra bytes per row of every world made
  std::optional<PF_Pixel> output_prefill;     // colour of output worlds before the effect runs
  A_long output_format_override = 0;          // output worlds in this format instead
  // The GPU device offered to the effect (devhost/gpu.h). With one, the first smart render sends
  // GPU_DEVICE_SETUP, frames announced as GPU renders go to SMART_RENDER_GPU on GPU worlds, and
  // the end of the host sends GPU_DEVICE_SETDOWN.
  GpuChoice gpu = GpuChoice::Off;

  A_short api_major = 13, api_minor = 29;  // effect API version in in_data->version
  AEGP_PluginID aegp_plugin_id = 77;       // what AEGP_RegisterWithAEGP hands out

  // Stores a global data record ({plugin_id, compat_state}) in a host handle, as global set-up
  // would; without it the effect sees no global data.
  void SetGlobalData(int32_t plugin_id, uint32_t compat_state);

  // A render thread of this host, as a host renders several frames of one effect at once: a Host
  // with records, worlds and accounts of its own that presents this host's global data, declared
  // parameters and settings. This host keeps the global data and must outlive the thread's host;
  // commands may run on both at the same time.
  std::unique_ptr<Host> NewRenderThread() const;

  // ---- Failure injection ----
  // Refuses the suite at every version, or at the one given.
  void RefuseSuite(const std::string& name, int32_t version = 0) {
    refused_suites_.insert({name, version});
  }
  // Makes the named callback (e.g. "checkout_param", "fill", "get_pixel_data8",
  // "AEGP_GetLayerStreamValue") answer code without doing anything.
  void FailCallback(const std::string& name, PF_Err code) { failing_[name] = code; }
  // Makes the named callback throw a standard exception into the effect, as a broken host might.
  void ThrowFromCallback(const std::string& name) { throwing_ = name; }
  // Makes the n-th failure point from now on fail (1-based; 0: none) and starts counting them
  // afresh. A failure point is every suite acquisition (refused), handle allocation and lock
  // (no handle, no contents) and every callback that answers an error code (it answers code).
  void FailNthCall(int n, PF_Err code) {
    fail_at_ = n;
    fail_code_ = code;
    points_.clear();
  }
  // The failure points passed since FailNthCall (or since the host was made), in order.
  const std::vector<std::string>& FailurePoints() const { return points_; }

  // ---- Driving the effect ----
  // Sends one command through the entry point with this host's records, then checks the balance.
  PF_Err Send(PF_Cmd cmd, PF_ParamDef* params[], PF_LayerDef* output, void* extra);

  // The set-up commands, as a host sends them after loading the effect. GLOBAL_SETUP keeps the
  // global data handle the effect made; PARAMS_SETUP records the declared parameters, which
  // then stand in the parameter array, and resets `params` to their defaults.
  PF_Err GlobalSetup();
  PF_Err ParamsSetup();
  PF_Err UpdateParamsUI();
  PF_Handle GlobalDataHandle() const;

  // After Effects: SMART_PRE_RENDER for a layer made from the image.
  PreRenderResult SmartPreRender(const Image& layer);
  // After Effects: SMART_PRE_RENDER, then SMART_RENDER into a world of the announced size.
  // with_pre_render_data false hands the render no pre-render record.
  RenderResult RenderSmart(const Image& layer, bool with_pre_render_data = true);
  // Premiere Pro: FRAME_SETUP, then RENDER into a world of the size it set. 8-bit and float.
  RenderResult RenderLegacy(const Image& layer);

  // A press of the push button at the parameter index: USER_CHANGED_PARAM with that index.
  PF_Err PressButton(int index);
  // The dialog command (DO_DIALOG).
  PF_Err DoDialog();

  // ---- GPU ----
  // Opens the chosen device now (a render does it when needed); false, with the reason, when
  // there is none.
  bool OpenGpu(std::string* why);
  // The device and what the effect did with it. A test may put a device of its own here first.
  GpuSession& Gpu();
  // GPU_DEVICE_SETUP for the chosen device, unless it was sent already (a smart render does it
  // when needed); false, with the reason, when there is no device.
  bool SetUpGpu(std::string* why);
  // GPU_DEVICE_SETDOWN for a device that was set up; 0 when none was.
  PF_Err EndGpu();

  // ---- What the effect did ----
  PF_OutData out_data{};
  std::vector<PF_ParamDef> declared_params;  // through add_param, in order (index 1 first)
  std::vector<A_long> declared_formats;      // through the pixel format suite
  std::vector<std::pair<int, PF_ParamDef>> ui_updates;  // through PF_UpdateParamUI
  std::map<int, StreamState> effect_streams;            // AEGP effect streams by parameter index
  std::string registered_name;                          // through AEGP_RegisterWithAEGP
  std::vector<Notice> notices;
  // return_msg after each command that asked the host to display it, as the user saw it.
  std::vector<std::string> shown_messages;
  std::vector<std::string> calls;  // every callback the effect made, in order

  // ---- Resource balance ----
  // What the last command sent took and gave back.
  const CommandCounts& LastCounts() const;
  // The imbalances found so far, each taken once; taken ones never reach the ImbalanceHandler.
  std::vector<std::string> TakeImbalances();

  // ---- Internals reached from the C callbacks ----
  struct Impl;
  Impl& impl() { return *impl_; }
  PF_Err Injected(const char* callback);
  bool Refused(const std::string& suite, int32_t version) const {
    return refused_suites_.count({suite, 0}) != 0 || refused_suites_.count({suite, version}) != 0;
  }
  // One failure point: recorded in `calls`; its injected answer, 0 when it is to work.
  PF_Err FailurePoint(const std::string& what);
  static Host* Current();

 private:
  // GLOBAL_SETDOWN when global set-up succeeded and was not set down yet.
  void EndGlobal();
  // Refuses worlds a real host could not make, saying why in the result.
  bool CanAllocate(int64_t width, int64_t height, RenderResult& result) const;
  // The layer as the host renders it at the current downsampling.
  Image DownsampledLayer(const Image& layer_full) const;
  // SMART_PRE_RENDER for a layer already downsampled.
  PreRenderResult PreRender(const Image& layer_full, const Image& layer);
  // SMART_RENDER once pre-render has succeeded.
  void RenderPrepared(const Image& layer, bool with_pre_render_data, RenderResult& result);

  PF_EffectMainFunc entry_;
  HostApp app_;
  std::set<std::pair<std::string, int32_t>> refused_suites_;
  int fail_at_ = 0;
  PF_Err fail_code_ = PF_Err_NONE;
  std::vector<std::string> points_;
  std::map<std::string, PF_Err> failing_;
  std::string throwing_;
  std::unique_ptr<Impl> impl_;
};

}  // namespace devhost
