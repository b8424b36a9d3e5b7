// A host's multi-frame rendering: sixteen render threads of one loaded module and one global
// data render different frames (smart and legacy, CPU and GPU) while the UI thread keeps updating
// the parameter UI and reporting changed parameters. Run under the race detector too; every frame
// must equal the same frame rendered alone.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "devhost/host/host.h"
#include "params/table/param_table.h"
#include "tests/support/images.h"
#include "tests/support/loaded_module.h"

using devhost::Depth;
using devhost::GpuChoice;
using devhost::Host;
using devhost::HostApp;
using devhost::Image;

namespace {

struct Job {
  bool legacy;
  devhost::EffectParams params;
  double anchor;
};

std::vector<Job> Jobs(bool gpu) {
  std::vector<Job> jobs;
  for (int i = 0; i < 16; ++i) {
    const bool legacy = i % 4 == 3;
    devhost::EffectParams p;
    p.scale = 1.5 + 0.75 * i;
    p.interpolation = 1 + i % 3;
    p.edge_blur = 0.25 * (i % 5);
    p.gpu = gpu && !legacy && i % 2 == 1;
    p.pixel_shape = 1 + i % 3;
    jobs.push_back({legacy, p, 3.25 * i});
  }
  return jobs;
}

devhost::RenderResult Render(Host& thread, const Job& job, const Image& layer) {
  thread.params = job.params;
  thread.anchor_x = job.anchor;
  thread.anchor_y = 0.5 * job.anchor;
  return job.legacy ? thread.RenderLegacy(layer) : thread.RenderSmart(layer);
}

TEST(MultiFrameRendering, SixteenRenderThreadsWhileTheUiThreadWorks) {
  Host ae(Effect(), HostApp::AfterEffects);
  ASSERT_EQ(ae.GlobalSetup(), PF_Err_NONE);
  ASSERT_EQ(ae.ParamsSetup(), PF_Err_NONE);
  ae.gpu = GpuChoice::OpenCL;
  std::string why;
  const bool gpu = ae.SetUpGpu(&why) && ae.Gpu().accepted;
  if (!gpu) std::printf("multi-frame rendering without a GPU: %s\n", why.c_str());
  Host pr(Effect(), HostApp::PremierePro);
  ASSERT_EQ(pr.GlobalSetup(), PF_Err_NONE);
  ASSERT_EQ(pr.ParamsSetup(), PF_Err_NONE);

  const Image layer = support::Pattern(23, 17, Depth::F32, true);
  const std::vector<Job> jobs = Jobs(gpu);
  std::vector<std::unique_ptr<Host>> threads_hosts;
  for (const Job& job : jobs) threads_hosts.push_back((job.legacy ? pr : ae).NewRenderThread());

  std::vector<devhost::RenderResult> together(jobs.size());
  std::atomic<int> running{static_cast<int>(jobs.size())};
  std::vector<std::thread> threads;
  for (size_t i = 0; i < jobs.size(); ++i) {
    threads.emplace_back([&, i] {
      together[i] = Render(*threads_hosts[i], jobs[i], layer);
      --running;
    });
  }
  int ui_commands = 0;
  while (running > 0 || ui_commands < 4) {
    ae.params.interpolation = 1 + ui_commands % 3;
    EXPECT_EQ(ae.UpdateParamsUI(), PF_Err_NONE);
    EXPECT_EQ(ae.PressButton(PARAM_SCALE), PF_Err_NONE);
    ++ui_commands;
  }
  for (std::thread& t : threads) t.join();

  for (size_t i = 0; i < jobs.size(); ++i) {
    SCOPED_TRACE("frame " + std::to_string(i));
    ASSERT_EQ(together[i].err, PF_Err_NONE) << together[i].host_error;
    EXPECT_EQ(together[i].on_gpu, jobs[i].params.gpu);
    const std::unique_ptr<Host> alone = (jobs[i].legacy ? pr : ae).NewRenderThread();
    EXPECT_EQ(together[i].image.bytes, Render(*alone, jobs[i], layer).image.bytes);
  }
}

}  // namespace
