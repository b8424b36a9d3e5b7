#include "devhost/host.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace devhost {

namespace {

thread_local Host* g_current = nullptr;

constexpr uint8_t kPaddingByte = 0xCD;

Host& H() { return *Host::Current(); }

// Formats devhost does not know are stored as 8-bit ARGB (for tests of foreign formats).
void Describe(A_long format, Depth* depth, bool* alpha_first) {
  if (!DescribeFormat(format, depth, alpha_first)) {
    *depth = Depth::U8;
    *alpha_first = true;
  }
}

int FormatPixelSize(A_long format) {
  Depth depth;
  bool alpha_first;
  Describe(format, &depth, &alpha_first);
  return 4 * ChannelSize(depth);
}

// World channel holding image channel c (R, G, B, A).
int WorldChannel(bool alpha_first, int c) {
  static constexpr int kArgb[4] = {1, 2, 3, 0};
  static constexpr int kBgra[4] = {2, 1, 0, 3};
  return alpha_first ? kArgb[c] : kBgra[c];
}

}  // namespace

bool DescribeFormat(A_long format, Depth* depth, bool* alpha_first) {
  switch (format) {
    case PF_PixelFormat_ARGB32: *depth = Depth::U8; *alpha_first = true; return true;
    case PF_PixelFormat_ARGB64: *depth = Depth::U16; *alpha_first = true; return true;
    case PF_PixelFormat_ARGB128: *depth = Depth::F32; *alpha_first = true; return true;
    case PrPixelFormat_BGRA_4444_8u: *depth = Depth::U8; *alpha_first = false; return true;
    case PrPixelFormat_BGRA_4444_32f: *depth = Depth::F32; *alpha_first = false; return true;
    case PF_PixelFormat_GPU_BGRA128: *depth = Depth::F32; *alpha_first = false; return true;
    default: return false;
  }
}

// ---- World ------------------------------------------------------------------------------------

World::World(int width, int height, A_long format, int row_padding_bytes)
    : format_(format), pixel_size_(FormatPixelSize(format)) {
  // Hosts pad rows by whole pixels: the effect counts pitches in pixels.
  row_padding_bytes = (row_padding_bytes + pixel_size_ - 1) / pixel_size_ * pixel_size_;
  const int rowbytes = width * pixel_size_ + row_padding_bytes;
  storage_.assign(static_cast<size_t>(rowbytes) * height, 0);
  for (int y = 0; y < height; ++y) {
    std::fill_n(storage_.begin() + static_cast<size_t>(y) * rowbytes + width * pixel_size_,
                row_padding_bytes, kPaddingByte);
  }
  world_.data = storage_.data();
  world_.rowbytes = rowbytes;
  world_.width = width;
  world_.height = height;
  world_.extent_hint = {0, 0, width, height};
  world_.pix_aspect_ratio = {1, 1};
}

void World::FromImage(const Image& image) {
  Depth depth;
  bool alpha_first;
  Describe(format_, &depth, &alpha_first);
  const int cs = ChannelSize(depth);
  const int w = std::min(image.width, world_.width);
  const int h = std::min(image.height, world_.height);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = storage_.data() + static_cast<size_t>(y) * world_.rowbytes;
    for (int x = 0; x < w; ++x) {
      for (int c = 0; c < 4; ++c) {
        std::memcpy(row + x * pixel_size_ + WorldChannel(alpha_first, c) * cs,
                    image.Pixel(x, y) + c * cs, cs);
      }
    }
  }
}

Image World::ToImage() const {
  Depth depth;
  bool alpha_first;
  Describe(format_, &depth, &alpha_first);
  const int cs = ChannelSize(depth);
  Image image(world_.width, world_.height, depth);
  for (int y = 0; y < world_.height; ++y) {
    const uint8_t* row = storage_.data() + static_cast<size_t>(y) * world_.rowbytes;
    for (int x = 0; x < world_.width; ++x) {
      for (int c = 0; c < 4; ++c) {
        std::memcpy(image.Pixel(x, y) + c * cs,
                    row + x * pixel_size_ + WorldChannel(alpha_first, c) * cs, cs);
      }
    }
  }
  return image;
}

void World::Fill(const PF_Pixel* color, const PF_Rect& rect) {
  Depth depth;
  bool alpha_first;
  Describe(format_, &depth, &alpha_first);
  const int cs = ChannelSize(depth);
  // The colour in image order (R, G, B, A), converted the way the hosts widen 8-bit colours.
  const uint8_t rgba8[4] = {color ? color->red : uint8_t{0}, color ? color->green : uint8_t{0},
                            color ? color->blue : uint8_t{0}, color ? color->alpha : uint8_t{0}};
  uint8_t pixel[16] = {};
  for (int c = 0; c < 4; ++c) {
    uint8_t* dst = pixel + WorldChannel(alpha_first, c) * cs;
    if (depth == Depth::U8) {
      *dst = rgba8[c];
    } else if (depth == Depth::U16) {
      const uint16_t v = static_cast<uint16_t>((rgba8[c] * 32768 + 127) / 255);
      std::memcpy(dst, &v, 2);
    } else {
      const float v = rgba8[c] / 255.0f;
      std::memcpy(dst, &v, 4);
    }
  }
  const int left = std::max(rect.left, 0), top = std::max(rect.top, 0);
  const int right = std::min(rect.right, world_.width), bottom = std::min(rect.bottom, world_.height);
  for (int y = top; y < bottom; ++y) {
    uint8_t* row = storage_.data() + static_cast<size_t>(y) * world_.rowbytes;
    for (int x = left; x < right; ++x) std::memcpy(row + x * pixel_size_, pixel, pixel_size_);
  }
}

bool World::PaddingIntact() const {
  const int used = world_.width * pixel_size_;
  for (int y = 0; y < world_.height; ++y) {
    const uint8_t* row = storage_.data() + static_cast<size_t>(y) * world_.rowbytes;
    for (int i = used; i < world_.rowbytes; ++i) {
      if (row[i] != kPaddingByte) return false;
    }
  }
  return true;
}

// ---- Host state -------------------------------------------------------------------------------

struct HandleBlock {
  void* data;  // first member: a PF_Handle points here
  std::vector<uint8_t> bytes;
};

struct Host::Impl {
  PF_InData in_data{};
  PF_UtilCallbacks utils{};
  SPBasicSuite basic{};
  PF_PreRenderCallbacks pre_render_cb{};
  PF_SmartRenderCallbacks smart_cb{};
  std::map<std::string, int> held;
  std::vector<std::unique_ptr<HandleBlock>> handles;
  PF_Handle global_data = nullptr;
  PF_ParamDef defs[10]{};
  PF_LRect layer_bounds{};
  World* input = nullptr;
  World* output = nullptr;
  std::vector<World*> worlds;  // every world the effect may name
  GpuSession gpu;

  World* Find(const PF_EffectWorld* w) {
    for (World* world : worlds) {
      if (world->Get() == w) return world;
    }
    return nullptr;
  }
  PF_Handle NewHandle(size_t size) {
    auto block = std::make_unique<HandleBlock>();
    block->bytes.assign(size, 0);
    block->data = block->bytes.data();
    handles.push_back(std::move(block));
    return reinterpret_cast<PF_Handle>(&handles.back()->data);
  }
  HandleBlock* Block(PF_Handle h) {
    for (auto& b : handles) {
      if (reinterpret_cast<PF_Handle>(&b->data) == h) return b.get();
    }
    return nullptr;
  }
};

Host* Host::Current() { return g_current; }

PF_Err Host::Injected(const char* callback) {
  calls.emplace_back(callback);
  if (throwing_ == callback) throw std::runtime_error(std::string("devhost: ") + callback + " throws");
  const auto it = failing_.find(callback);
  return it == failing_.end() ? PF_Err_NONE : it->second;
}

std::map<std::string, int> Host::SuitesHeld() const {
  std::map<std::string, int> held;
  for (const auto& [name, count] : impl_->held) {
    if (count != 0) held[name] = count;
  }
  return held;
}

// ---- Callbacks --------------------------------------------------------------------------------
namespace cb {

#define INJECT(name)                                  \
  if (const PF_Err injected_ = H().Injected(name)) { \
    return injected_;                                 \
  }

PF_Err checkout_param(PF_ProgPtr, PF_ParamIndex index, A_long, A_long, A_u_long, PF_ParamDef* def) {
  INJECT("checkout_param");
  if (index < 0 || index >= 10 || def == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *def = H().impl().defs[index];
  ++H().params_checked_out;
  return PF_Err_NONE;
}

PF_Err checkin_param(PF_ProgPtr, PF_ParamDef*) {
  INJECT("checkin_param");
  if (H().params_checked_out > 0) --H().params_checked_out;
  return PF_Err_NONE;
}

PF_Err fill(PF_ProgPtr, const PF_Pixel* color, const PF_Rect* rect, PF_EffectWorld* world) {
  INJECT("fill");
  World* w = H().impl().Find(world);
  if (w == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  w->Fill(color, rect ? *rect : PF_Rect{0, 0, world->width, world->height});
  return PF_Err_NONE;
}

int ansi_sprintf(A_char* buffer, const A_char* format, ...) {
  H().calls.emplace_back("sprintf");
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buffer, 256, format, args);
  va_end(args);
  return n;
}

A_char* ansi_strcpy(A_char* dst, const A_char* src) {
  H().calls.emplace_back("strcpy");
  return std::strcpy(dst, src);
}

PF_Handle host_new_handle(A_u_longlong size) { return H().impl().NewHandle(size); }
void* host_lock_handle(PF_Handle h) { return h ? *h : nullptr; }
void host_unlock_handle(PF_Handle) {}
void host_dispose_handle(PF_Handle h) {
  auto& handles = H().impl().handles;
  handles.erase(std::remove_if(handles.begin(), handles.end(),
                               [h](const auto& b) { return reinterpret_cast<PF_Handle>(&b->data) == h; }),
                handles.end());
}
A_HandleSize host_get_handle_size(PF_Handle h) {
  HandleBlock* b = H().impl().Block(h);
  return b ? b->bytes.size() : 0;
}
PF_Err host_resize_handle(A_HandleSize size, PF_Handle* h) {
  HandleBlock* b = h ? H().impl().Block(*h) : nullptr;
  if (b == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  b->bytes.resize(size);
  b->data = b->bytes.data();
  return PF_Err_NONE;
}

// Suites
PF_Err GetPixelFormatAE(const PF_EffectWorld* world, PF_PixelFormat* format) {
  INJECT("PF_GetPixelFormat");
  World* w = H().impl().Find(world);
  if (w == nullptr || format == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *format = w->Format();
  return PF_Err_NONE;
}

template <Depth kDepth>
PF_Err PixelData(const char* name, PF_EffectWorld* world, void** out) {
  INJECT(name);
  World* w = H().impl().Find(world);
  Depth depth;
  bool alpha_first;
  if (w == nullptr || out == nullptr || !DescribeFormat(w->Format(), &depth, &alpha_first) ||
      depth != kDepth) {
    return PF_Err_BAD_CALLBACK_PARAM;
  }
  *out = world->data;
  return PF_Err_NONE;
}
PF_Err get_pixel_data8(PF_EffectWorld* w, PF_PixelPtr, PF_Pixel8** out) {
  return PixelData<Depth::U8>("get_pixel_data8", w, reinterpret_cast<void**>(out));
}
PF_Err get_pixel_data16(PF_EffectWorld* w, PF_PixelPtr, PF_Pixel16** out) {
  return PixelData<Depth::U16>("get_pixel_data16", w, reinterpret_cast<void**>(out));
}
PF_Err get_pixel_data_float(PF_EffectWorld* w, PF_PixelPtr, PF_PixelFloat** out) {
  return PixelData<Depth::F32>("get_pixel_data_float", w, reinterpret_cast<void**>(out));
}

PF_Err GetPixelFormatPr(PF_EffectWorld* world, PrPixelFormat* format) {
  INJECT("GetPixelFormat");
  World* w = H().impl().Find(world);
  if (w == nullptr || format == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *format = static_cast<PrPixelFormat>(w->Format());
  return PF_Err_NONE;
}

A_Err AEGP_GetEffectLayer(PF_ProgPtr, AEGP_LayerH* layer) {
  INJECT("AEGP_GetEffectLayer");
  if (layer == nullptr) return A_Err_PARAMETER;
  *layer = reinterpret_cast<AEGP_LayerH>(&H().impl());
  return A_Err_NONE;
}

A_Err AEGP_GetLayerStreamValue(AEGP_LayerH layer, AEGP_LayerStream stream, AEGP_LTimeMode,
                               const A_Time*, A_Boolean, AEGP_StreamVal2* value,
                               AEGP_StreamType* type) {
  INJECT("AEGP_GetLayerStreamValue");
  if (layer != reinterpret_cast<AEGP_LayerH>(&H().impl()) || value == nullptr ||
      stream != AEGP_LayerStream_ANCHORPOINT) {
    return A_Err_PARAMETER;
  }
  value->three_d = {H().anchor_x.value_or(0.0), H().anchor_y.value_or(0.0), 0.0};
  if (type) *type = AEGP_StreamType_ThreeD_SPATIAL;
  return A_Err_NONE;
}

A_long SetEventStringUnicode(A_u_long type, A_u_short* title, A_u_short* text) {
  H().calls.emplace_back("SetEventStringUnicode");
  auto copy = [](const A_u_short* s) {
    std::u16string out;
    while (s && *s) out.push_back(static_cast<char16_t>(*s++));
    return out;
  };
  H().notices.push_back({type, copy(title), copy(text)});
  return 0;
}

// Pre-render and smart-render callbacks
PF_Err checkout_layer(PF_ProgPtr, PF_ParamIndex index, A_long, const PF_RenderRequest* req, A_long,
                      A_long, A_u_long, PF_CheckoutResult* result) {
  INJECT("checkout_layer");
  if (index != 0 || req == nullptr || result == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  const PF_LRect& b = H().impl().layer_bounds;
  std::memset(result, 0, sizeof(*result));
  result->result_rect = {std::max(req->rect.left, b.left), std::max(req->rect.top, b.top),
                         std::min(req->rect.right, b.right), std::min(req->rect.bottom, b.bottom)};
  result->max_result_rect = b;
  result->par = {1, 1};
  result->ref_width = b.right - b.left;
  result->ref_height = b.bottom - b.top;
  return PF_Err_NONE;
}

PF_Err checkout_layer_pixels(PF_ProgPtr, A_long id, PF_EffectWorld** pixels) {
  INJECT("checkout_layer_pixels");
  if (id != 0 || pixels == nullptr || H().impl().input == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *pixels = H().impl().input->Get();
  ++H().layers_checked_out;
  return PF_Err_NONE;
}

PF_Err checkin_layer_pixels(PF_ProgPtr, A_long) {
  INJECT("checkin_layer_pixels");
  if (H().layers_checked_out > 0) --H().layers_checked_out;
  return PF_Err_NONE;
}

PF_Err checkout_output(PF_ProgPtr, PF_EffectWorld** output) {
  INJECT("checkout_output");
  if (output == nullptr || H().impl().output == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *output = H().impl().output->Get();
  return PF_Err_NONE;
}

PF_Err add_param(PF_ProgPtr, PF_ParamIndex, PF_ParamDefPtr def) {
  INJECT("add_param");
  if (def == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  H().declared_params.push_back(*def);
  return PF_Err_NONE;
}

PF_Err AddSupportedPixelFormat(PF_ProgPtr, PrPixelFormat format) {
  INJECT("AddSupportedPixelFormat");
  H().declared_formats.push_back(format);
  return PF_Err_NONE;
}

PF_Err ClearSupportedPixelFormats(PF_ProgPtr) {
  INJECT("ClearSupportedPixelFormats");
  H().declared_formats.clear();
  return PF_Err_NONE;
}

PF_Err PF_UpdateParamUI(PF_ProgPtr, PF_ParamIndex index, const PF_ParamDef* def) {
  INJECT("PF_UpdateParamUI");
  if (def == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  H().ui_updates.emplace_back(index, *def);
  return PF_Err_NONE;
}

A_Err AEGP_RegisterWithAEGP(AEGP_GlobalRefcon, const A_char* name, AEGP_PluginID* id) {
  INJECT("AEGP_RegisterWithAEGP");
  if (id == nullptr) return A_Err_PARAMETER;
  H().registered_name = name ? name : "";
  *id = H().aegp_plugin_id;
  return A_Err_NONE;
}

// Effect references and streams are handles into the host's own records.
AEGP_EffectRefH EffectHandle() { return reinterpret_cast<AEGP_EffectRefH>(&H().effect_streams); }

A_Err AEGP_GetNewEffectForEffect(AEGP_PluginID plugin_id, PF_ProgPtr, AEGP_EffectRefH* effect) {
  INJECT("AEGP_GetNewEffectForEffect");
  if (effect == nullptr || plugin_id != H().aegp_plugin_id) return A_Err_PARAMETER;
  *effect = EffectHandle();
  ++H().effect_refs_open;
  return A_Err_NONE;
}

A_Err AEGP_DisposeEffect(AEGP_EffectRefH effect) {
  INJECT("AEGP_DisposeEffect");
  if (effect != EffectHandle()) return A_Err_PARAMETER;
  --H().effect_refs_open;
  return A_Err_NONE;
}

StreamState* StreamOf(AEGP_StreamRefH stream) {
  for (auto& [index, state] : H().effect_streams) {
    if (reinterpret_cast<AEGP_StreamRefH>(&state) == stream) return &state;
  }
  return nullptr;
}

A_Err AEGP_GetNewEffectStreamByIndex(AEGP_PluginID, AEGP_EffectRefH effect, PF_ParamIndex index,
                                     AEGP_StreamRefH* stream) {
  INJECT("AEGP_GetNewEffectStreamByIndex");
  if (effect != EffectHandle() || stream == nullptr || index < 1 ||
      index > static_cast<PF_ParamIndex>(H().declared_params.size())) {
    return A_Err_PARAMETER;
  }
  *stream = reinterpret_cast<AEGP_StreamRefH>(&H().effect_streams[index]);
  ++H().streams_open;
  return A_Err_NONE;
}

A_Err AEGP_DisposeStream(AEGP_StreamRefH stream) {
  INJECT("AEGP_DisposeStream");
  if (StreamOf(stream) == nullptr) return A_Err_PARAMETER;
  --H().streams_open;
  return A_Err_NONE;
}

A_Err AEGP_GetNewStreamValue(AEGP_PluginID, AEGP_StreamRefH stream, AEGP_LTimeMode, const A_Time*,
                             A_Boolean, AEGP_StreamValue2* value) {
  INJECT("AEGP_GetNewStreamValue");
  StreamState* state = StreamOf(stream);
  if (state == nullptr || value == nullptr) return A_Err_PARAMETER;
  *value = state->value;
  value->streamH = stream;
  ++H().stream_values_open;
  return A_Err_NONE;
}

A_Err AEGP_SetStreamValue(AEGP_PluginID, AEGP_StreamRefH stream, AEGP_StreamValue2* value) {
  INJECT("AEGP_SetStreamValue");
  StreamState* state = StreamOf(stream);
  if (state == nullptr || value == nullptr) return A_Err_PARAMETER;
  state->value = *value;
  state->value.streamH = nullptr;
  return A_Err_NONE;
}

A_Err AEGP_DisposeStreamValue(AEGP_StreamValue2* value) {
  INJECT("AEGP_DisposeStreamValue");
  if (value == nullptr) return A_Err_PARAMETER;
  --H().stream_values_open;
  return A_Err_NONE;
}

A_Err AEGP_SetDynamicStreamFlag(AEGP_StreamRefH stream, AEGP_DynStreamFlags flag, A_Boolean,
                                A_Boolean set) {
  INJECT("AEGP_SetDynamicStreamFlag");
  StreamState* state = StreamOf(stream);
  if (state == nullptr) return A_Err_PARAMETER;
  if (flag == AEGP_DynStreamFlag_HIDDEN) state->hidden = set != 0;
  return A_Err_NONE;
}

A_Err AEGP_GetLayerID(AEGP_LayerH layer, AEGP_LayerIDVal* id) {
  INJECT("AEGP_GetLayerID");
  if (layer != reinterpret_cast<AEGP_LayerH>(&H().impl()) || id == nullptr) return A_Err_PARAMETER;
  *id = 1;
  return A_Err_NONE;
}

#undef INJECT

const PF_HandleSuite1 kHandleSuite = {host_new_handle, host_lock_handle, host_unlock_handle,
                                      host_dispose_handle, host_get_handle_size, host_resize_handle};
const PF_WorldSuite2 kWorldSuite = {nullptr, nullptr, GetPixelFormatAE};
const PF_PixelDataSuite2 kPixelDataSuite = {get_pixel_data8, get_pixel_data16, get_pixel_data_float,
                                            nullptr};
const PF_PixelFormatSuite kPixelFormatSuite = {AddSupportedPixelFormat, ClearSupportedPixelFormats,
                                               nullptr, nullptr, GetPixelFormatPr, nullptr, nullptr,
                                               nullptr};
const PF_ParamUtilsSuite3 kParamUtilsSuite = {PF_UpdateParamUI, nullptr, nullptr, nullptr, nullptr,
                                              nullptr, nullptr, nullptr, nullptr};
const AEGP_PFInterfaceSuite1 kPFInterfaceSuite = {AEGP_GetEffectLayer, AEGP_GetNewEffectForEffect,
                                                  nullptr, nullptr, nullptr};
AEGP_UtilitySuite6 MakeUtilitySuite() {
  AEGP_UtilitySuite6 s{};
  s.AEGP_RegisterWithAEGP = AEGP_RegisterWithAEGP;
  return s;
}
// Versions 10 and 8 of the stream suite share every slot devhost serves.
template <class Suite>
Suite MakeStreamSuite() {
  Suite s{};
  s.AEGP_GetNewEffectStreamByIndex = AEGP_GetNewEffectStreamByIndex;
  s.AEGP_DisposeStream = AEGP_DisposeStream;
  s.AEGP_GetNewStreamValue = AEGP_GetNewStreamValue;
  s.AEGP_DisposeStreamValue = AEGP_DisposeStreamValue;
  s.AEGP_SetStreamValue = AEGP_SetStreamValue;
  s.AEGP_GetLayerStreamValue = AEGP_GetLayerStreamValue;
  return s;
}
AEGP_DynamicStreamSuite4 MakeDynamicStreamSuite() {
  AEGP_DynamicStreamSuite4 s{};
  s.AEGP_SetDynamicStreamFlag = AEGP_SetDynamicStreamFlag;
  return s;
}
AEGP_EffectSuite1 MakeEffectSuite() {
  AEGP_EffectSuite1 s{};
  s.AEGP_DisposeEffect = AEGP_DisposeEffect;
  return s;
}
AEGP_LayerSuite7 MakeLayerSuite() {
  AEGP_LayerSuite7 s{};
  s.AEGP_GetLayerID = AEGP_GetLayerID;
  return s;
}
const AEGP_UtilitySuite6 kUtilitySuite = MakeUtilitySuite();
const AEGP_StreamSuite5 kStreamSuite = MakeStreamSuite<AEGP_StreamSuite5>();
const AEGP_StreamSuite3 kStreamSuite8 = MakeStreamSuite<AEGP_StreamSuite3>();
const AEGP_DynamicStreamSuite4 kDynamicStreamSuite = MakeDynamicStreamSuite();
const AEGP_EffectSuite1 kEffectSuite = MakeEffectSuite();
const AEGP_LayerSuite7 kLayerSuite = MakeLayerSuite();
const PrSDKErrorSuite3 kErrorSuite = {SetEventStringUnicode};

struct SuiteEntry {
  const char* name;
  int32_t version;
  const void* suite;
};
const SuiteEntry kSuites[] = {
    {kPFHandleSuite, kPFHandleSuiteVersion1, &kHandleSuite},
    {kPFWorldSuite, kPFWorldSuiteVersion2, &kWorldSuite},
    {kPFPixelDataSuite, kPFPixelDataSuiteVersion2, &kPixelDataSuite},
    {kPFPixelFormatSuite, kPFPixelFormatSuiteVersion1, &kPixelFormatSuite},
    {kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1, &kPFInterfaceSuite},
    {kAEGPStreamSuite, kAEGPStreamSuiteVersion5, &kStreamSuite},
    {kAEGPLayerSuite, kAEGPLayerSuiteVersion7, &kLayerSuite},
    {kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3, &kParamUtilsSuite},
    {kAEGPUtilitySuite, kAEGPUtilitySuiteVersion6, &kUtilitySuite},
    {kAEGPStreamSuite, kAEGPStreamSuiteVersion3, &kStreamSuite8},
    {kAEGPDynamicStreamSuite, kAEGPDynamicStreamSuiteVersion4, &kDynamicStreamSuite},
    {kAEGPEffectSuite, kAEGPEffectSuiteVersion1, &kEffectSuite},
    {kAEGPEffectSuite, 4, &kEffectSuite},
    {kPrSDKErrorSuite, kPrSDKErrorSuiteVersion3, &kErrorSuite},
    {kPFGPUDeviceSuite, kPFGPUDeviceSuiteVersion1, &kGpuDeviceSuite},
};

constexpr SPErr kSuiteNotFound = 0x53214664;  // 'S!Fd'

SPErr AcquireSuite(const char* name, int32 version, const void** suite) {
  Host& host = H();
  host.calls.push_back(std::string("AcquireSuite ") + name);
  if (suite == nullptr) return kSuiteNotFound;
  *suite = nullptr;
  if (host.Refused(name)) return kSuiteNotFound;
  for (const SuiteEntry& e : kSuites) {
    if (std::strcmp(e.name, name) == 0 && e.version == version) {
      *suite = e.suite;
      ++host.impl().held[name];
      return kSPNoError;
    }
  }
  return kSuiteNotFound;
}

SPErr ReleaseSuite(const char* name, int32) {
  H().calls.push_back(std::string("ReleaseSuite ") + name);
  --H().impl().held[name];
  return kSPNoError;
}

}  // namespace cb

// ---- Host -------------------------------------------------------------------------------------

Host::Host(PF_EffectMainFunc entry, HostApp app)
    : entry_(entry), app_(app), impl_(std::make_unique<Impl>()) {
  Impl& m = *impl_;
  m.utils.fill = cb::fill;
  m.utils.host_new_handle = cb::host_new_handle;
  m.utils.host_lock_handle = cb::host_lock_handle;
  m.utils.host_unlock_handle = cb::host_unlock_handle;
  m.utils.host_dispose_handle = cb::host_dispose_handle;
  m.utils.host_get_handle_size = cb::host_get_handle_size;
  m.utils.host_resize_handle = cb::host_resize_handle;
  m.utils.get_pixel_data8 = cb::get_pixel_data8;
  m.utils.get_pixel_data16 = cb::get_pixel_data16;
  m.utils.ansi.sprintf = cb::ansi_sprintf;
  m.utils.ansi.strcpy = cb::ansi_strcpy;
  m.basic.AcquireSuite = cb::AcquireSuite;
  m.basic.ReleaseSuite = cb::ReleaseSuite;
  m.pre_render_cb.checkout_layer = cb::checkout_layer;
  m.smart_cb.checkout_layer_pixels = cb::checkout_layer_pixels;
  m.smart_cb.checkin_layer_pixels = cb::checkin_layer_pixels;
  m.smart_cb.checkout_output = cb::checkout_output;

  PF_InData& in = m.in_data;
  in.inter.checkout_param = cb::checkout_param;
  in.inter.checkin_param = cb::checkin_param;
  in.inter.add_param = cb::add_param;
  in.utils = &m.utils;
  in.effect_ref = reinterpret_cast<PF_ProgPtr>(this);
  in.pica_basicP = &m.basic;
  in.appl_id = app == HostApp::Premiere ? PF_APPL_ID_PREMIERE : PF_APPL_ID_AFTER_EFFECTS;
  // An effect API version each host of today reports.
  if (app == HostApp::Premiere) api_minor = 5;
  in.num_params = 9;
  in.time_step = 100;
  in.time_scale = 2400;
  in.total_time = 2400;
  in.pixel_aspect_ratio = {1, 1};
}

Host::~Host() { EndGpu(); }

GpuSession& Host::Gpu() { return impl_->gpu; }

bool Host::OpenGpu(std::string* why) {
  GpuSession& g = impl_->gpu;
  if (!g.device) g.device = GpuDevice::Open(gpu, why);
  return g.device != nullptr;
}

PF_Err Host::EndGpu() {
  GpuSession& g = impl_->gpu;
  if (!g.set_up) return PF_Err_NONE;
  g.set_up = g.accepted = false;
  PF_GPUDeviceSetdownInput input{g.gpu_data, g.device->Framework(), 0};
  PF_GPUDeviceSetdownExtra extra{&input};
  g.gpu_data = nullptr;
  return Send(PF_Cmd_GPU_DEVICE_SETDOWN, nullptr, nullptr, &extra);
}

void Host::SetGlobalData(int32_t plugin_id, uint32_t compat_state) {
  Host* previous = g_current;
  g_current = this;
  impl_->global_data = impl_->NewHandle(sizeof(int32_t) + sizeof(uint32_t));
  g_current = previous;
  std::memcpy(*impl_->global_data, &plugin_id, 4);
  std::memcpy(static_cast<uint8_t*>(*impl_->global_data) + 4, &compat_state, 4);
}

PF_Err Host::Send(PF_Cmd cmd, PF_ParamDef* params[], PF_LayerDef* output, void* extra) {
  Impl& m = *impl_;
  m.in_data.version = {api_major, api_minor};
  m.in_data.downsample_x = downsample_x;
  m.in_data.downsample_y = downsample_y;
  m.in_data.field = field;
  m.in_data.global_data = m.global_data;
  out_data.global_data = m.global_data;
  m.in_data.pre_effect_source_origin_x = source_origin_x;
  m.in_data.pre_effect_source_origin_y = source_origin_y;
  m.in_data.output_origin_x = output_origin_x;
  m.in_data.output_origin_y = output_origin_y;

  // The effect's values as the host stores them, over what the effect declared.
  PF_ParamDef* d = m.defs;
  for (size_t i = 0; i < declared_params.size() && i + 1 < 10; ++i) {
    const PF_ParamDefUnion keep = d[i + 1].u;
    d[i + 1] = declared_params[i];
    d[i + 1].u = keep;
  }
  d[1].param_type = PF_Param_BUTTON;
  d[2].param_type = PF_Param_FLOAT_SLIDER;
  d[2].u.fs_d.value = this->params.scale;
  d[3].param_type = PF_Param_POPUP;
  d[3].u.pd.value = this->params.interpolation;
  d[4].param_type = PF_Param_FLOAT_SLIDER;
  d[4].u.fs_d.value = this->params.edge_blur;
  d[5].param_type = PF_Param_CHECKBOX;
  d[5].u.bd.value = this->params.gpu ? 1 : 0;
  d[6].param_type = PF_Param_FIX_SLIDER;
  d[7].param_type = PF_Param_POINT;
  d[8].param_type = PF_Param_POPUP;
  d[8].u.pd.value = this->params.pixel_shape;
  d[9].param_type = PF_Param_BUTTON;

  Host* previous = g_current;
  g_current = this;
  const PF_Err err = entry_(cmd, &m.in_data, &out_data, params, output, extra);
  g_current = previous;
  if (cmd == PF_Cmd_GLOBAL_SETUP) m.global_data = out_data.global_data;
  return err;
}

PF_Handle Host::GlobalDataHandle() const { return impl_->global_data; }

PF_Err Host::GlobalSetup() { return Send(PF_Cmd_GLOBAL_SETUP, nullptr, nullptr, nullptr); }

PF_Err Host::ParamsSetup() {
  declared_params.clear();
  const PF_Err err = Send(PF_Cmd_PARAMS_SETUP, nullptr, nullptr, nullptr);
  // A new instance of the effect starts from the declared defaults.
  const auto declared = [this](int index) -> const PF_ParamDef* {
    return index >= 1 && index <= static_cast<int>(declared_params.size()) ? &declared_params[index - 1] : nullptr;
  };
  if (const PF_ParamDef* d = declared(2)) params.scale = d->u.fs_d.dephault;
  if (const PF_ParamDef* d = declared(3)) params.interpolation = d->u.pd.dephault;
  if (const PF_ParamDef* d = declared(4)) params.edge_blur = d->u.fs_d.dephault;
  if (const PF_ParamDef* d = declared(5)) params.gpu = d->u.bd.dephault != 0;
  if (const PF_ParamDef* d = declared(8)) params.pixel_shape = d->u.pd.dephault;
  return err;
}

PF_Err Host::UpdateParamsUI() {
  PF_ParamDef* params[10];
  for (int i = 0; i < 10; ++i) params[i] = &impl_->defs[i];
  return Send(PF_Cmd_UPDATE_PARAMS_UI, params, nullptr, nullptr);
}

namespace {

Registration* g_registration = nullptr;
A_Err g_callback_result = 0;

A_Err RegistrationCallback(PF_PluginDataPtr, const A_u_char* name, const A_u_char* match_name,
                           const A_u_char* category, const A_u_char* entry_point, A_long kind,
                           A_long api_major, A_long api_minor, A_long reserved_info) {
  auto text = [](const A_u_char* s) { return s ? std::string(reinterpret_cast<const char*>(s)) : std::string(); };
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
    case Depth::U8: return PF_PixelFormat_ARGB32;
    case Depth::U16: return PF_PixelFormat_ARGB64;
    default: return PF_PixelFormat_ARGB128;
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
  if (!anchor_x) anchor_x = layer_full.width / 2.0;
  if (!anchor_y) anchor_y = layer_full.height / 2.0;

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

RenderResult Host::RenderSmart(const Image& layer_full, bool with_pre_render_data) {
  RenderResult result;
  GpuSession& g = impl_->gpu;
  if (gpu != GpuChoice::Off && !g.set_up) {
    if (!OpenGpu(&result.host_error)) {
      result.err = PF_Err_INTERNAL_STRUCT_DAMAGED;
      return result;
    }
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
  result.image = result.on_gpu && output.Format() == PF_PixelFormat_GPU_BGRA128
                     ? FromFloat(output.ToImage(), layer.depth)
                     : output.ToImage();
  result.padding_intact = input.PaddingIntact() && output.PaddingIntact();
  m.input = m.output = nullptr;
  m.worlds.clear();
}

RenderResult Host::RenderLegacy(const Image& layer_full) {
  Impl& m = *impl_;
  RenderResult result;
  A_long format;
  switch (layer_full.depth) {
    case Depth::U8: format = PrPixelFormat_BGRA_4444_8u; break;
    case Depth::F32: format = PrPixelFormat_BGRA_4444_32f; break;
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
  PF_ParamDef* params[10];
  for (int i = 0; i < 10; ++i) params[i] = &m.defs[i];

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
  result.image = output.ToImage();
  result.padding_intact = input.PaddingIntact() && output.PaddingIntact();
  m.worlds.clear();
  return result;
}

}  // namespace devhost
