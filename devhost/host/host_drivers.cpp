// The command sequences of the hosts: registration, global set-up, After Effects' smart
// pre-render and render (on the CPU or the GPU), Premiere Pro's frame set-up and render, and the
// user's button presses and dialog command.
#include <cstring>

#include "devhost/host/host_internal.h"

namespace devhost {

namespace {

Registration* g_registration = nullptr;
A_Err g_callback_result = 0;

A_Err RegistrationCallback(PF_PluginDataPtr, const A_u_char* name, const A_u_char* match_name,
                           const A_u_char* category, const A_u_char* entry_point, A_long kind,
                           A_long api_major, A_long api_minor, A_long reserved_info) {
  auto text = [](const A_u_char* s) {
    return s ? std::string(reinterpret_cast<const char*>(s)) : std::string();
  };
  Registration& r = *g_registration;
  r.called = true;
  r.name = text(name);
  r.match_name = text(match_name);
  r.category = text(category);
  r.entry_point = text(entry_point);
  r.kind = kind;
  r.api_major = api_major;
  r.api_minor = api_minor;
  r.reserved_info = reserved_info;
  return g_callback_result;
}

}  // namespace

Registration Register(PF_PluginDataEntryFunc entry, const char* host_name, const char* host_version,
                      A_Err callback_result) {
  Registration r;
  g_registration = &r;
  g_callback_result = callback_result;
  static SPBasicSuite unused_basic{};
  r.result = entry(&r, &RegistrationCallback, &unused_basic, host_name, host_version);
  g_registration = nullptr;
  return r;
}

namespace {

A_long SmartFormat(Depth depth) {
  switch (depth) {
    case Depth::U8:
      return PF_PixelFormat_ARGB32;
    case Depth::U16:
      return PF_PixelFormat_ARGB64;
    default:
      return PF_PixelFormat_ARGB128;
  }
}

}  // namespace

Image Host::DownsampledLayer(const Image& layer_full) const {
  return Downsample(layer_full, downsample_x.num, downsample_x.den, downsample_y.num,
                    downsample_y.den);
}

PreRenderResult Host::SmartPreRender(const Image& layer_full) {
  return PreRender(layer_full, DownsampledLayer(layer_full));
}

PreRenderResult Host::PreRender(const Image& layer_full, const Image& layer) {
  Impl& m = *impl_;
  m.layer_bounds = {0, 0, layer.width, layer.height};
  m.in_data.width = layer.width;
  m.in_data.height = layer.height;
  m.in_data.extent_hint = m.layer_bounds;
  // Each frame's own centre, never kept as the anchor: frames of a sequence may differ in size,
  // and one render thread's host renders many of them.
  m.layer_centre_x = layer_full.width / 2.0;
  m.layer_centre_y = layer_full.height / 2.0;

  PF_PreRenderInput input{};
  input.output_request.rect = m.layer_bounds;
  if (m.gpu.accepted) {
    input.gpu_data = m.gpu.gpu_data;
    input.what_gpu = m.gpu.device->Framework();
  }
  input.output_request.channel_mask = 0xF;
  input.bitdepth = static_cast<short>(ChannelSize(layer.depth) * 8);
  PreRenderResult result;
  PF_PreRenderExtra extra{&input, &result.output, &m.pre_render_cb};
  result.err = Send(PF_Cmd_SMART_PRE_RENDER, nullptr, nullptr, &extra);
  return result;
}

bool Host::CanAllocate(int64_t width, int64_t height, RenderResult& result) const {
  if (width > 0 && height > 0 && width * height <= max_world_pixels) return true;
  result.err = PF_Err_OUT_OF_MEMORY;
  result.host_error = "the host cannot allocate an output of " + std::to_string(width) + " x " +
                      std::to_string(height) + " pixels";
  return false;
}

bool Host::SetUpGpu(std::string* why) {
  GpuSession& g = impl_->gpu;
  if (g.set_up) return true;
  if (!OpenGpu(why)) return false;
  // The effect's answer is read from this command's flags alone.
  out_data.out_flags2 = 0;
  PF_GPUDeviceSetupInput input{g.device->Framework(), 0};
  PF_GPUDeviceSetupOutput output{nullptr};
  PF_GPUDeviceSetupExtra extra{&input, &output};
  g.setup_err = Send(PF_Cmd_GPU_DEVICE_SETUP, nullptr, nullptr, &extra);
  g.set_up = true;
  g.gpu_data = output.gpu_data;
  g.accepted = g.setup_err == PF_Err_NONE &&
               (out_data.out_flags2 & PF_OutFlag2_SUPPORTS_GPU_RENDER_F32) != 0;
  return true;
}

RenderResult Host::RenderSmart(const Image& layer_full, bool with_pre_render_data) {
  RenderResult result;
  if (gpu != GpuChoice::Off && !SetUpGpu(&result.host_error)) {
    result.err = PF_Err_INTERNAL_STRUCT_DAMAGED;
    return result;
  }
  const Image layer = DownsampledLayer(layer_full);
  result.pre_render = PreRender(layer_full, layer);
  result.err = result.pre_render->err;
  if (result.err == PF_Err_NONE) RenderPrepared(layer, with_pre_render_data, result);
  // The host owns the pre-render record and frees it once the frame is done.
  PF_PreRenderOutput& pre = result.pre_render->output;
  if (pre.pre_render_data != nullptr && pre.delete_pre_render_data_func != nullptr) {
    pre.delete_pre_render_data_func(pre.pre_render_data);
  }
  pre.pre_render_data = nullptr;
  return result;
}

void Host::RenderPrepared(const Image& layer, bool with_pre_render_data, RenderResult& result) {
  Impl& m = *impl_;
  const PF_PreRenderOutput& pre = result.pre_render->output;
  result.output_rect = pre.result_rect;
  const int64_t w = static_cast<int64_t>(pre.result_rect.right) - pre.result_rect.left;
  const int64_t h = static_cast<int64_t>(pre.result_rect.bottom) - pre.result_rect.top;
  if (!CanAllocate(w, h, result)) return;
  // A GPU frame when pre-render announced one and the device was accepted; GPU worlds hold floats.
  result.on_gpu = m.gpu.accepted && (pre.flags & PF_RenderOutputFlag_GPU_RENDER_POSSIBLE) != 0;
  const A_long format = result.on_gpu ? PF_PixelFormat_GPU_BGRA128 : SmartFormat(layer.depth);
  World input(layer.width, layer.height, format, row_padding_bytes);
  input.FromImage(result.on_gpu ? ToFloat(layer) : layer);
  World output(static_cast<int>(w), static_cast<int>(h),
               output_format_override ? output_format_override : format, row_padding_bytes);
  if (output_prefill) output.Fill(&*output_prefill, output.Get()->extent_hint);
  m.input = &input;
  m.output = &output;
  m.worlds = {&input, &output};

  PF_SmartRenderInput render_input{};
  render_input.output_request.rect = pre.result_rect;
  render_input.bitdepth = static_cast<short>(ChannelSize(layer.depth) * 8);
  render_input.pre_render_data = with_pre_render_data ? pre.pre_render_data : nullptr;
  PF_SmartRenderExtra extra{&render_input, &m.smart_cb};
  if (result.on_gpu) {
    GpuWorld gpu_input(*m.gpu.device, input);
    GpuWorld gpu_output(*m.gpu.device, output);
    if (!gpu_input.Valid() || !gpu_output.Valid() || !gpu_input.Upload() || !gpu_output.Upload()) {
      result.err = PF_Err_OUT_OF_MEMORY;
      result.host_error = "the host cannot allocate its GPU worlds";
    } else {
      // Device memory only: an effect reading the host copy would see nothing.
      input.Get()->data = output.Get()->data = nullptr;
      m.gpu.worlds[0] = &gpu_input;
      m.gpu.worlds[1] = &gpu_output;
      render_input.gpu_data = m.gpu.gpu_data;
      render_input.what_gpu = m.gpu.device->Framework();
      result.err = Send(PF_Cmd_SMART_RENDER_GPU, nullptr, nullptr, &extra);
      if (!gpu_output.Download() && result.err == PF_Err_NONE) {
        result.host_error = "the host cannot read its GPU output back";
        result.err = PF_Err_INTERNAL_STRUCT_DAMAGED;
      }
      m.gpu.worlds[0] = m.gpu.worlds[1] = nullptr;
    }
  } else {
    result.err = Send(PF_Cmd_SMART_RENDER, nullptr, nullptr, &extra);
  }
  result.padding_intact = input.PaddingIntact() && output.PaddingIntact();
  result.image = result.on_gpu && output.Format() == PF_PixelFormat_GPU_BGRA128
                     ? FromFloat(output.TakeImage(), layer.depth)
                     : output.TakeImage();
  m.input = m.output = nullptr;
  m.worlds.clear();
}

RenderResult Host::RenderLegacy(const Image& layer_full) {
  Impl& m = *impl_;
  RenderResult result;
  A_long format;
  switch (layer_full.depth) {
    case Depth::U8:
      format = PrPixelFormat_BGRA_4444_8u;
      break;
    case Depth::F32:
      format = PrPixelFormat_BGRA_4444_32f;
      break;
    default:
      result.err = PF_Err_UNRECOGNIZED_PARAM_TYPE;
      result.host_error = "Premiere Pro renders 8-bit and float frames only";
      return result;
  }
  const Image layer = DownsampledLayer(layer_full);
  m.in_data.width = layer_full.width;
  m.in_data.height = layer_full.height;
  m.in_data.extent_hint = {0, 0, layer_full.width, layer_full.height};

  // The source lies at the pre-effect source origin inside the input buffer.
  World input(source_origin_x + layer.width, source_origin_y + layer.height, format,
              row_padding_bytes);
  Image placed(input.Get()->width, input.Get()->height, layer.depth);
  for (int y = 0; y < layer.height; ++y) {
    for (int x = 0; x < layer.width; ++x) {
      std::memcpy(placed.Pixel(x + source_origin_x, y + source_origin_y), layer.Pixel(x, y),
                  layer.PixelBytes());
    }
  }
  input.FromImage(placed);
  m.defs[0].param_type = PF_Param_LAYER;
  m.defs[0].u.ld = *input.Get();
  PF_ParamDef* params[kParamSlots];
  for (int i = 0; i < kParamSlots; ++i) params[i] = &m.defs[i];

  result.err = Send(PF_Cmd_FRAME_SETUP, params, nullptr, nullptr);
  if (result.err != PF_Err_NONE) return result;
  const int64_t w = out_data.width, h = out_data.height;
  result.output_rect = {out_data.origin.h, out_data.origin.v, out_data.origin.h + out_data.width,
                        out_data.origin.v + out_data.height};
  if (!CanAllocate(w, h, result)) return result;
  World output(static_cast<int>(w), static_cast<int>(h),
               output_format_override ? output_format_override : format, row_padding_bytes);
  if (output_prefill) output.Fill(&*output_prefill, output.Get()->extent_hint);
  m.worlds = {&input, &output};
  result.err = Send(PF_Cmd_RENDER, params, output.Get(), nullptr);
  result.padding_intact = input.PaddingIntact() && output.PaddingIntact();
  result.image = output.TakeImage();
  m.worlds.clear();
  return result;
}

PF_Err Host::GlobalSetup() { return Send(PF_Cmd_GLOBAL_SETUP, nullptr, nullptr, nullptr); }

PF_Err Host::PressButton(int index) {
  // The handler reads the index from the extra record; the parameters are passed as a host would.
  PF_ParamDef defs[kParamSlots]{};
  PF_ParamDef* params[kParamSlots];
  for (int i = 0; i < kParamSlots; ++i) params[i] = &defs[i];
  PF_UserChangedParamExtra extra{index};
  return Send(PF_Cmd_USER_CHANGED_PARAM, params, nullptr, &extra);
}

PF_Err Host::DoDialog() { return Send(PF_Cmd_DO_DIALOG, nullptr, nullptr, nullptr); }

}  // namespace devhost
