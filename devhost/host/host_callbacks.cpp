// The host's own callbacks and PF suites: utility and interaction callbacks, handles, worlds,
// pixel data and formats, parameter UI, the Premiere Pro error suite, the pre-render and
// smart-render callbacks, and the basic suite through which the effect asks for every suite.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "devhost/host/host_internal.h"

namespace devhost {

namespace {

std::string ParamName(int index) { return "parameter " + std::to_string(index); }

std::string LayerCheckoutName(A_long id) {
  return "input layer pixels (checkout id " + std::to_string(id) + ")";
}

std::string SuiteName(const char* name, int32_t version) {
  return "suite \"" + std::string(name ? name : "") + "\" version " + std::to_string(version);
}

// ---- Utility and interaction callbacks ----

PF_Err checkout_param(PF_ProgPtr, PF_ParamIndex index, A_long, A_long, A_u_long, PF_ParamDef* def) {
  DEVHOST_INJECT("checkout_param");
  if (index < 0 || index >= kParamSlots || def == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  Host::Impl& m = H().impl();
  *def = m.defs[index];
  m.param_checkouts[def] = index;
  m.ledger.Take(Resource::ParamCheckout, ParamName(index));
  return PF_Err_NONE;
}

PF_Err checkin_param(PF_ProgPtr, PF_ParamDef* def) {
  // Counted before any injected failure: the effect gave it back, whatever the host answers.
  Host::Impl& m = H().impl();
  const auto it = m.param_checkouts.find(def);
  if (it != m.param_checkouts.end()) {
    m.ledger.Return(Resource::ParamCheckout, ParamName(it->second));
    m.param_checkouts.erase(it);
  } else {
    // Hosts accept the check-in of a cleared definition: the effect checks every parameter in,
    // also one whose checkout it skipped after an earlier error.
    m.ledger.CountReturn(Resource::ParamCheckout);
  }
  DEVHOST_INJECT("checkin_param");
  return PF_Err_NONE;
}

PF_Err add_param(PF_ProgPtr, PF_ParamIndex, PF_ParamDefPtr def) {
  DEVHOST_INJECT("add_param");
  if (def == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  H().declared_params.push_back(*def);
  return PF_Err_NONE;
}

PF_Err fill(PF_ProgPtr, const PF_Pixel* color, const PF_Rect* rect, PF_EffectWorld* world) {
  DEVHOST_INJECT("fill");
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

// ---- Handles ----

PF_Handle host_new_handle(A_u_longlong size) {
  if (H().FailurePoint("host_new_handle") != PF_Err_NONE) return nullptr;
  return Accounts().NewHandle(size, true);
}
void* host_lock_handle(PF_Handle h) {
  if (H().FailurePoint("host_lock_handle") != PF_Err_NONE) return nullptr;
  return Accounts().Lock(h);
}
void host_unlock_handle(PF_Handle h) { Accounts().Unlock(h); }
void host_dispose_handle(PF_Handle h) { Accounts().Dispose(h); }
A_HandleSize host_get_handle_size(PF_Handle h) {
  size_t size = 0;
  return Accounts().Size(h, &size) ? size : 0;
}
PF_Err host_resize_handle(A_HandleSize size, PF_Handle* h) {
  return h != nullptr && Accounts().Resize(*h, size) ? PF_Err_NONE : PF_Err_BAD_CALLBACK_PARAM;
}

// ---- Worlds, pixel data and formats ----

PF_Err GetPixelFormatAE(const PF_EffectWorld* world, PF_PixelFormat* format) {
  DEVHOST_INJECT("PF_GetPixelFormat");
  World* w = H().impl().Find(world);
  if (w == nullptr || format == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *format = w->Format();
  return PF_Err_NONE;
}

template <Depth kDepth>
PF_Err PixelData(const char* name, PF_EffectWorld* world, void** out) {
  DEVHOST_INJECT(name);
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
  DEVHOST_INJECT("GetPixelFormat");
  World* w = H().impl().Find(world);
  if (w == nullptr || format == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *format = static_cast<PrPixelFormat>(w->Format());
  return PF_Err_NONE;
}

PF_Err AddSupportedPixelFormat(PF_ProgPtr, PrPixelFormat format) {
  DEVHOST_INJECT("AddSupportedPixelFormat");
  H().declared_formats.push_back(format);
  return PF_Err_NONE;
}

PF_Err ClearSupportedPixelFormats(PF_ProgPtr) {
  DEVHOST_INJECT("ClearSupportedPixelFormats");
  H().declared_formats.clear();
  return PF_Err_NONE;
}

PF_Err PF_UpdateParamUI(PF_ProgPtr, PF_ParamIndex index, const PF_ParamDef* def) {
  DEVHOST_INJECT("PF_UpdateParamUI");
  if (def == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  H().ui_updates.emplace_back(index, *def);
  return PF_Err_NONE;
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

// ---- Pre-render and smart-render callbacks ----

PF_Err checkout_layer(PF_ProgPtr, PF_ParamIndex index, A_long, const PF_RenderRequest* req, A_long,
                      A_long, A_u_long, PF_CheckoutResult* result) {
  DEVHOST_INJECT("checkout_layer");
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
  DEVHOST_INJECT("checkout_layer_pixels");
  Host::Impl& m = H().impl();
  if (id != 0 || pixels == nullptr || m.input == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *pixels = m.input->Get();
  m.ledger.Take(Resource::LayerCheckout, LayerCheckoutName(id));
  return PF_Err_NONE;
}

PF_Err checkin_layer_pixels(PF_ProgPtr, A_long id) {
  Accounts().Return(Resource::LayerCheckout, LayerCheckoutName(id));
  DEVHOST_INJECT("checkin_layer_pixels");
  return PF_Err_NONE;
}

PF_Err checkout_output(PF_ProgPtr, PF_EffectWorld** output) {
  DEVHOST_INJECT("checkout_output");
  if (output == nullptr || H().impl().output == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
  *output = H().impl().output->Get();
  return PF_Err_NONE;
}

// ---- Suites ----

const PF_HandleSuite1 kHandleSuite = {host_new_handle,      host_lock_handle,
                                      host_unlock_handle,   host_dispose_handle,
                                      host_get_handle_size, host_resize_handle};
const PF_WorldSuite2 kWorldSuite = {nullptr, nullptr, GetPixelFormatAE};
const PF_PixelDataSuite2 kPixelDataSuite = {get_pixel_data8, get_pixel_data16, get_pixel_data_float,
                                            nullptr};
const PF_PixelFormatSuite kPixelFormatSuite = {AddSupportedPixelFormat,
                                               ClearSupportedPixelFormats,
                                               nullptr,
                                               nullptr,
                                               GetPixelFormatPr,
                                               nullptr,
                                               nullptr,
                                               nullptr};
const PF_ParamUtilsSuite3 kParamUtilsSuite = {PF_UpdateParamUI, nullptr, nullptr, nullptr, nullptr,
                                              nullptr,          nullptr, nullptr, nullptr};
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
    {kPFParamUtilsSuite, kPFParamUtilsSuiteVersion3, &kParamUtilsSuite},
    {kPrSDKErrorSuite, kPrSDKErrorSuiteVersion3, &kErrorSuite},
    {kPFGPUDeviceSuite, kPFGPUDeviceSuiteVersion1, &kGpuDeviceSuite},
};

constexpr SPErr kSuiteNotFound = 0x53214664;  // 'S!Fd'

SPErr AcquireSuite(const char* name, int32 version, const void** suite) {
  Host& host = H();
  const PF_Err injected = host.FailurePoint(std::string("AcquireSuite ") + name);
  if (suite == nullptr) return kSuiteNotFound;
  *suite = nullptr;
  if (injected != PF_Err_NONE || host.Refused(name, version)) return kSuiteNotFound;
  *suite = FindSuite(name, version);
  if (*suite == nullptr) return kSuiteNotFound;
  host.impl().ledger.Take(Resource::Suite, SuiteName(name, version));
  return kSPNoError;
}

SPErr ReleaseSuite(const char* name, int32 version) {
  H().calls.push_back(std::string("ReleaseSuite ") + name);
  Accounts().Return(Resource::Suite, SuiteName(name, version));
  return kSPNoError;
}

}  // namespace

const void* FindSuite(const char* name, int32_t version) {
  for (const SuiteEntry& e : kSuites) {
    if (std::strcmp(e.name, name) == 0 && e.version == version) return e.suite;
  }
  return FindAegpSuite(name, version);
}

void InstallCallbacks(Host::Impl& m) {
  m.utils.fill = fill;
  m.utils.host_new_handle = host_new_handle;
  m.utils.host_lock_handle = host_lock_handle;
  m.utils.host_unlock_handle = host_unlock_handle;
  m.utils.host_dispose_handle = host_dispose_handle;
  m.utils.host_get_handle_size = host_get_handle_size;
  m.utils.host_resize_handle = host_resize_handle;
  m.utils.get_pixel_data8 = get_pixel_data8;
  m.utils.get_pixel_data16 = get_pixel_data16;
  m.utils.ansi.sprintf = ansi_sprintf;
  m.utils.ansi.strcpy = ansi_strcpy;
  m.basic.AcquireSuite = AcquireSuite;
  m.basic.ReleaseSuite = ReleaseSuite;
  m.pre_render_cb.checkout_layer = checkout_layer;
  m.smart_cb.checkout_layer_pixels = checkout_layer_pixels;
  m.smart_cb.checkin_layer_pixels = checkin_layer_pixels;
  m.smart_cb.checkout_output = checkout_output;
  m.in_data.inter.checkout_param = checkout_param;
  m.in_data.inter.checkin_param = checkin_param;
  m.in_data.inter.add_param = add_param;
  m.in_data.utils = &m.utils;
  m.in_data.pica_basicP = &m.basic;
}

}  // namespace devhost
