// tessgrain.so through its frei0r entry points, loaded as hosts load it.
#include <dlfcn.h>
#include <frei0r.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "frei0r/filter.h"

namespace {

struct Module {
  void* handle = dlopen(TG_FREI0R_MODULE, RTLD_NOW | RTLD_LOCAL);
  ~Module() {
    if (handle != nullptr) dlclose(handle);
  }
  template <class F>
  F* Get(const char* name) const {
    return reinterpret_cast<F*>(dlsym(handle, name));
  }
};

class Frei0rModule : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(m_.handle, nullptr) << dlerror();
    for (const char* name : {"f0r_init", "f0r_deinit", "f0r_get_plugin_info", "f0r_get_param_info",
                             "f0r_construct", "f0r_destruct", "f0r_set_param_value",
                             "f0r_get_param_value", "f0r_update", "f0r_update2"}) {
      ASSERT_NE(m_.Get<void>(name), nullptr) << name;
    }
    ASSERT_EQ(m_.Get<decltype(f0r_init)>("f0r_init")(), 1);
  }
  void TearDown() override { m_.Get<decltype(f0r_deinit)>("f0r_deinit")(); }

  Module m_;
  decltype(f0r_construct)* construct_ = m_.Get<decltype(f0r_construct)>("f0r_construct");
  decltype(f0r_destruct)* destruct_ = m_.Get<decltype(f0r_destruct)>("f0r_destruct");
  decltype(f0r_set_param_value)* set_ =
      m_.Get<decltype(f0r_set_param_value)>("f0r_set_param_value");
  decltype(f0r_get_param_value)* get_ =
      m_.Get<decltype(f0r_get_param_value)>("f0r_get_param_value");
  decltype(f0r_update)* update_ = m_.Get<decltype(f0r_update)>("f0r_update");
};

TEST_F(Frei0rModule, DescribesAnRgbaFilterWithSixDoublesThatEachInstanceKeeps) {
  f0r_plugin_info_t info{};
  m_.Get<decltype(f0r_get_plugin_info)>("f0r_get_plugin_info")(&info);
  EXPECT_STREQ(info.name, "tessgrain");  // hosts find the filter by its file name
  EXPECT_EQ(info.plugin_type, F0R_PLUGIN_TYPE_FILTER);
  EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
  EXPECT_EQ(info.frei0r_version, FREI0R_MAJOR_VERSION);
  ASSERT_EQ(info.num_params, 6);
  const char* names[] = {"Scale",       "Interpolation", "Edge Blur",
                         "Pixel Shape", "Anchor X",      "Anchor Y"};
  for (int i = 0; i < info.num_params; ++i) {
    f0r_param_info_t p{};
    m_.Get<decltype(f0r_get_param_info)>("f0r_get_param_info")(&p, i);
    EXPECT_STREQ(p.name, names[i]);
    EXPECT_EQ(p.type, F0R_PARAM_DOUBLE) << names[i];
    EXPECT_NE(p.explanation, nullptr);
  }

  f0r_instance_t a = construct_(64, 48), b = construct_(64, 48);
  const double defaults[] = {1.0 / 64, 0.0, 1.0 / 64, 0.0, 0.5, 0.5};
  for (int i = 0; i < 6; ++i) {
    const double value = 0.125 + i;
    set_(a, const_cast<double*>(&value), i);
  }
  for (int i = 0; i < 6; ++i) {
    double got_a = -1, got_b = -1;
    get_(a, &got_a, i);
    get_(b, &got_b, i);
    EXPECT_EQ(got_a, 0.125 + i) << i;
    EXPECT_EQ(got_b, defaults[i]) << i;
  }
  destruct_(a);
  destruct_(b);
}

// Several instances with settings of their own, each updated on a thread of its own at once, and
// a host that renders in place: every frame is what the filter renders alone.
TEST_F(Frei0rModule, InstancesRenderAtOnceOnThreadsAndInPlace) {
  constexpr unsigned kW = 90, kH = 50;
  std::vector<uint32_t> in(kW * kH);
  for (size_t i = 0; i < in.size(); ++i)
    in[i] = static_cast<uint32_t>(i * 2654435761u) | (i % 7 ? 0xFF000000u : 0u);

  struct Job {
    double values[6];
    std::vector<uint32_t> want;
  };
  std::vector<Job> jobs = {{{4 / 64.0, 0.0, 1 / 64.0, 0.0, 0.5, 0.5}, {}},
                           {{3.5 / 64.0, 0.5, 1 / 64.0, 0.5, 0.1, 0.9}, {}},
                           {{8 / 64.0, 1.0, 3 / 64.0, 0.0, 0.0, 0.0}, {}},
                           {{2 / 64.0, 1.0, 1.5 / 64.0, 1.0, 1.2, -0.1}, {}}};
  for (Job& j : jobs) {
    const frei0r_filter::Values v{j.values[0], j.values[1], j.values[2],
                                  j.values[3], j.values[4], j.values[5]};
    j.want.resize(in.size());
    frei0r_filter::RenderFrame(frei0r_filter::SettingsFor(v, kW, kH), kW, kH, in.data(),
                               j.want.data());
  }

  std::vector<std::thread> threads;
  std::vector<std::string> failures(jobs.size());
  for (size_t t = 0; t < jobs.size(); ++t) {
    threads.emplace_back([&, t] {
      f0r_instance_t self = construct_(kW, kH);
      for (int i = 0; i < 6; ++i) set_(self, &jobs[t].values[i], i);
      std::vector<uint32_t> out(in.size());
      for (int frame = 0; frame < 20 && failures[t].empty(); ++frame) {
        std::fill(out.begin(), out.end(), 0x12345678u);
        update_(self, frame / 25.0, in.data(), out.data());
        if (out != jobs[t].want)
          failures[t] = "frame " + std::to_string(frame) + " of instance " + std::to_string(t);
      }
      destruct_(self);
    });
  }
  for (std::thread& t : threads) t.join();
  for (const std::string& f : failures) EXPECT_EQ(f, "");

  for (const Job& j : jobs) {
    f0r_instance_t self = construct_(kW, kH);
    for (int i = 0; i < 6; ++i) set_(self, const_cast<double*>(&j.values[i]), i);
    std::vector<uint32_t> frame = in;
    update_(self, 0.0, frame.data(), frame.data());
    EXPECT_EQ(frame, j.want);
    destruct_(self);
  }
}

}  // namespace
