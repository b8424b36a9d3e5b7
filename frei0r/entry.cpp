// The frei0r entry points of tessgrain.so. Each instance holds only its own frame size and
// values, and the render keeps nothing between calls: hosts may update different instances on
// different threads at once.
#include <cstdint>
#include <cstring>
#include <new>
#include <vector>

#include "frei0r/filter.h"
#include "plugin_description.h"

// The header declares the entry points for C; the module hides everything else.
#pragma GCC visibility push(default)
extern "C" {
#include <frei0r.h>
}
#pragma GCC visibility pop

namespace {

using frei0r_filter::kParams;

struct Instance {
  unsigned width, height;
  frei0r_filter::Values values;
  std::vector<uint32_t> input;  // a copy of the frame when a host renders in place
};

// Where a double parameter's value is kept; null for the others.
double* DoubleSlot(frei0r_filter::Values& v, int index) {
  switch (index) {
    case frei0r_filter::kScale:
      return &v.scale;
    case frei0r_filter::kInterpolation:
      return &v.interpolation;
    case frei0r_filter::kEdgeBlur:
      return &v.edge_blur;
    case frei0r_filter::kPixelShape:
      return &v.pixel_shape;
    case frei0r_filter::kAnchorX:
      return &v.anchor_x;
    case frei0r_filter::kAnchorY:
      return &v.anchor_y;
    default:
      return nullptr;
  }
}

bool Overlap(const uint32_t* a, const uint32_t* b, size_t pixels) {
  const uintptr_t x = reinterpret_cast<uintptr_t>(a), y = reinterpret_cast<uintptr_t>(b);
  const uintptr_t bytes = pixels * sizeof(uint32_t);
  return x < y + bytes && y < x + bytes;
}

}  // namespace

int f0r_init() { return 1; }

void f0r_deinit() {}

void f0r_get_plugin_info(f0r_plugin_info_t* info) {
  info->name = "tessgrain";
  info->author = "Mirelune";
  info->plugin_type = F0R_PLUGIN_TYPE_FILTER;
  info->color_model = F0R_COLOR_MODEL_RGBA8888;
  info->frei0r_version = FREI0R_MAJOR_VERSION;
  info->major_version = TG_VERSION_MAJOR;
  info->minor_version = TG_VERSION_MINOR;
  info->num_params = frei0r_filter::kParamCount;
  info->explanation = TG_DISPLAY_NAME
      ": enlarges the frame x1 to x64 about an anchor point, keeping hard pixel edges";
}

void f0r_get_param_info(f0r_param_info_t* info, int index) {
  if (index < 0 || index >= frei0r_filter::kParamCount) return;
  info->name = kParams[index].name;
  info->type = F0R_PARAM_DOUBLE;
  info->explanation = kParams[index].explanation;
}

f0r_instance_t f0r_construct(unsigned width, unsigned height) {
  return new (std::nothrow) Instance{width, height, {}, {}};
}

void f0r_destruct(f0r_instance_t instance) { delete static_cast<Instance*>(instance); }

void f0r_set_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
  if (double* slot = DoubleSlot(static_cast<Instance*>(instance)->values, index)) {
    *slot = *static_cast<const f0r_param_double*>(param);
  }
}

void f0r_get_param_value(f0r_instance_t instance, f0r_param_t param, int index) {
  if (const double* slot = DoubleSlot(static_cast<Instance*>(instance)->values, index)) {
    *static_cast<f0r_param_double*>(param) = *slot;
  }
}

void f0r_update(f0r_instance_t instance, double, const uint32_t* inframe, uint32_t* outframe) {
  Instance& self = *static_cast<Instance*>(instance);
  if (inframe == nullptr || outframe == nullptr) return;
  const size_t pixels = static_cast<size_t>(self.width) * self.height;
  // No exception may reach the host: a frame that cannot be rendered comes out transparent.
  try {
    if (Overlap(inframe, outframe, pixels)) {
      self.input.assign(inframe, inframe + pixels);
      inframe = self.input.data();
    }
    frei0r_filter::RenderFrame(frei0r_filter::SettingsFor(self.values, self.width, self.height),
                               self.width, self.height, inframe, outframe);
  } catch (...) {
    std::memset(outframe, 0, pixels * sizeof(uint32_t));
  }
}

void f0r_update2(f0r_instance_t instance, double time, const uint32_t* inframe1, const uint32_t*,
                 const uint32_t*, uint32_t* outframe) {
  f0r_update(instance, time, inframe1, outframe);
}
