// Every host call of every command made to fail in turn. Each command runs once to count its
// failure points (suite acquisitions, handle allocations and locks, callbacks with an error code),
// then once per point with that point failing. Each run must answer a code the effect documents,
// leave the host's resources balanced (checked after every command), write nothing outside the
// output, and leave the host able to run the command again.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>

#include "devhost/host/host.h"
#include "params/table/param_table.h"
#include "tests/support/images.h"
#include "tests/support/loaded_module.h"

using devhost::Depth;
using devhost::GpuChoice;
using devhost::Host;
using devhost::HostApp;
using support::Pattern;

namespace {

constexpr PF_Err kInjected = 0x7E57;

// The codes a command may answer when a host call fails: the failing call's own, or the one
// the effect documents for it (out of memory, missing suite, internal damage, unknown format,
// bad callback parameter), or success where the effect does without.
const std::set<PF_Err> kDocumented = {PF_Err_NONE,
                                      kInjected,
                                      PF_Err_OUT_OF_MEMORY,
                                      A_Err_MISSING_SUITE,
                                      PF_Err_INTERNAL_STRUCT_DAMAGED,
                                      PF_Err_UNRECOGNIZED_PARAM_TYPE,
                                      PF_Err_BAD_CALLBACK_PARAM};

struct Outcome {
  PF_Err err;
  bool intact;  // nothing written past the output
};

Outcome Of(const devhost::RenderResult& r) { return {r.err, r.padding_intact}; }
Outcome Of(PF_Err err) { return {err, true}; }

struct Scenario {
  const char* name;
  HostApp app;
  std::function<void(Host&)> prepare;  // brings the host to where the command is sent
  std::function<Outcome(Host&)> run;   // the command, as the host sends it
};

void SetUp(Host& host) {
  ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
  ASSERT_EQ(host.ParamsSetup(), PF_Err_NONE);
}

std::vector<Scenario> Scenarios() {
  const auto none = [](Host&) {};
  const auto smart = [](Host& h) { return Of(h.RenderSmart(Pattern(5, 4, Depth::U16, true))); };
  const auto legacy = [](Host& h) { return Of(h.RenderLegacy(Pattern(5, 4, Depth::F32, true))); };
  return {
      {"global set-up, After Effects", HostApp::AfterEffects, none,
       [](Host& h) { return Of(h.GlobalSetup()); }},
      {"global set-up, Premiere Pro", HostApp::PremierePro, none,
       [](Host& h) { return Of(h.GlobalSetup()); }},
      {"global set-up, too old", HostApp::AfterEffects, [](Host& h) { h.api_minor = 33; },
       [](Host& h) { return Of(h.GlobalSetup()); }},
      {"parameter set-up", HostApp::AfterEffects, [](Host& h) { h.GlobalSetup(); },
       [](Host& h) { return Of(h.ParamsSetup()); }},
      {"UI update, After Effects", HostApp::AfterEffects,
       [](Host& h) {
         SetUp(h);
         h.params.interpolation = INTERPOLATION_NEAREST_AA;
       },
       [](Host& h) { return Of(h.UpdateParamsUI()); }},
      {"UI update, Premiere Pro", HostApp::PremierePro, SetUp,
       [](Host& h) { return Of(h.UpdateParamsUI()); }},
      {"smart render, Nearest AA", HostApp::AfterEffects,
       [](Host& h) {
         SetUp(h);
         h.params = {2.5, INTERPOLATION_NEAREST_AA, 0.5, false, 1};
         h.row_padding_bytes = 16;
       },
       smart},
      {"smart render, too old", HostApp::AfterEffects,
       [](Host& h) {
         h.api_minor = 33;
         SetUp(h);
       },
       smart},
      {"smart render on the GPU, with device set-up and set-down", HostApp::AfterEffects,
       [](Host& h) {
         SetUp(h);
         h.params = {2, INTERPOLATION_LINEAR, 1, true, 2};
         h.gpu = GpuChoice::OpenCL;
       },
       [](Host& h) {
         const Outcome rendered = Of(h.RenderSmart(Pattern(5, 4, Depth::F32, true)));
         const PF_Err ended = h.EndGpu();
         return Outcome{rendered.err != PF_Err_NONE ? rendered.err : ended, rendered.intact};
       }},
      {"legacy render", HostApp::PremierePro,
       [](Host& h) {
         SetUp(h);
         h.params = {3, INTERPOLATION_LINEAR, 1, false, 2};
         h.source_origin_x = 2;
         h.row_padding_bytes = 16;
       },
       legacy},
      {"legacy render, upper field first", HostApp::PremierePro,
       [](Host& h) {
         SetUp(h);
         h.field = PF_Field_UPPER;
       },
       legacy},
  };
}

TEST(FailureSweep, EveryHostCallOfEveryCommandMayFail) {
  for (const Scenario& s : Scenarios()) {
    SCOPED_TRACE(s.name);
    std::vector<std::string> points;
    {
      Host host(Effect(), s.app);
      s.prepare(host);
      if (host.gpu != GpuChoice::Off) {
        std::string why;
        if (!host.OpenGpu(&why)) {
          std::printf("sweep: %s: skipped, %s\n", s.name, why.c_str());
          continue;
        }
      }
      host.FailNthCall(0, PF_Err_NONE);
      const Outcome clean = s.run(host);
      ASSERT_EQ(clean.err, PF_Err_NONE);
      points = host.FailurePoints();
    }
    ASSERT_FALSE(points.empty());
    for (size_t n = 1; n <= points.size(); ++n) {
      const std::string& call = points[n - 1];
      Host host(Effect(), s.app);
      s.prepare(host);
      host.FailNthCall(static_cast<int>(n), kInjected);
      const Outcome failed = s.run(host);
      EXPECT_TRUE(kDocumented.count(failed.err)) << "failing " << call << " gave " << failed.err;
      EXPECT_TRUE(failed.intact) << "failing " << call;
      host.FailNthCall(0, PF_Err_NONE);
      EXPECT_EQ(s.run(host).err, PF_Err_NONE) << "after failing " << call;
    }
    std::printf("sweep: %s: %zu failure points\n", s.name, points.size());
  }
}

}  // namespace
