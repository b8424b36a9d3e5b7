// frei0r_loader MODULE OUTPUT: loads a frei0r filter by path as the editors do and writes what its
// entry points make of generated frames under several settings, every output frame in turn. The
// Windows build of this program runs the zip's tessgrain.dll under Wine; its file must equal,
// byte for byte, what the native build writes from tessgrain.so.
#include <frei0r.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "../support/split_mix.h"
#include "loader_library.h"

namespace {

struct Setting {
  double scale, interpolation, edge_blur, pixel_shape, anchor_x, anchor_y;
};

// Each interpolation and pixel shape, whole and fractional scales, anchors inside and outside.
constexpr Setting kSettings[] = {
    {2.0 / 64, 0.0, 1.0 / 64, 0.0, 0.5, 0.5}, {3.5 / 64, 0.5, 1.0 / 64, 0.5, 0.25, 0.7},
    {4.0 / 64, 1.0, 1.5 / 64, 0.0, 0.5, 0.5}, {7.25 / 64, 1.0, 3.0 / 64, 1.0, 0.1, 0.9},
    {1.0 / 64, 0.5, 1.0 / 64, 0.0, 0.5, 0.5}, {64.0 / 64, 1.0, 64.0 / 64, 0.5, -0.2, 1.3},
};
constexpr unsigned kWidth = 83, kHeight = 47, kFrames = 3;

template <class F>
bool Resolve(const LoaderLibrary& library, const char* name, F*& fn) {
  fn = reinterpret_cast<F*>(library.Symbol(name));
  if (fn == nullptr) std::fprintf(stderr, "frei0r_loader: no %s\n", name);
  return fn != nullptr;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: frei0r_loader MODULE OUTPUT\n");
    return 2;
  }
  const LoaderLibrary library(argv[1]);
  if (!library.Loaded()) {
    std::fprintf(stderr, "frei0r_loader: cannot load %s\n", argv[1]);
    return 1;
  }
  decltype(f0r_init)* init;
  decltype(f0r_deinit)* deinit;
  decltype(f0r_construct)* construct;
  decltype(f0r_destruct)* destruct;
  decltype(f0r_set_param_value)* set;
  decltype(f0r_update)* update;
  if (!Resolve(library, "f0r_init", init) || !Resolve(library, "f0r_deinit", deinit) ||
      !Resolve(library, "f0r_construct", construct) ||
      !Resolve(library, "f0r_destruct", destruct) ||
      !Resolve(library, "f0r_set_param_value", set) || !Resolve(library, "f0r_update", update) ||
      init() != 1) {
    return 1;
  }
  std::FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) return 1;
  support::SplitMix random{19};
  std::vector<uint32_t> in(kWidth * kHeight), result(in.size());
  bool ok = true;
  for (unsigned frame = 0; frame < kFrames; ++frame) {
    // Opaque blocks, translucent and transparent pixels: what the edges treat apart.
    for (uint32_t& pixel : in) {
      const uint32_t alpha = random.Below(4) == 0 ? random.Below(256) : 255;
      pixel = (alpha << 24) | static_cast<uint32_t>(random.Next() & 0xFFFFFF);
    }
    for (const Setting& s : kSettings) {
      f0r_instance_t instance = construct(kWidth, kHeight);
      if (instance == nullptr) return 1;
      double values[] = {s.scale,       s.interpolation, s.edge_blur,
                         s.pixel_shape, s.anchor_x,      s.anchor_y};
      for (int i = 0; i < 6; ++i) set(instance, &values[i], i);
      update(instance, frame, in.data(), result.data());
      destruct(instance);
      ok = ok && std::fwrite(result.data(), sizeof(uint32_t), result.size(), out) == result.size();
    }
  }
  deinit();
  return std::fclose(out) == 0 && ok ? 0 : 1;
}
