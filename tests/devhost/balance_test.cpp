// devhost's accounts of the host's resources, against effects that misbehave on purpose: each
// imbalance is found and named, handles handed to the host are not held against the effect
// until they come back, and a leak fails the test that made it.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "devhost/host/host.h"

namespace {

using devhost::Host;
using devhost::HostApp;
using Strings = std::vector<std::string>;

PF_Handle New(PF_InData* in, A_u_longlong size) { return in->utils->host_new_handle(size); }

struct Misuse {
  PF_Cmd cmd;
  PF_EffectMainFunc entry;
  const char* imbalance;
};

// An effect that does the same whatever the command.
#define EFFECT [](PF_Cmd, PF_InData * in, PF_OutData*, PF_ParamDef**, PF_LayerDef*, void*) -> PF_Err

TEST(Balance, EveryKindOfImbalanceIsNamedWithItsCommand) {
  const Misuse cases[] = {{PF_Cmd_PARAMS_SETUP, EFFECT{New(in, 8);
  return 0;
}
, "PF_Cmd_PARAMS_SETUP: handle #1 (8 bytes) created by the plug-in is still alive and was not "
  "handed to the host"
}  // namespace
, {PF_Cmd_SEQUENCE_SETUP, EFFECT{const PF_Handle h = New(in, 16);
in->utils->host_lock_handle(h);
in->utils->host_dispose_handle(h);
return 0;
}
, "PF_Cmd_SEQUENCE_SETUP: handle #1 (16 bytes) was left locked (1 lock without an unlock)"
}
, {PF_Cmd_RENDER, EFFECT{const PF_Handle h = New(in, 4);
in->utils->host_unlock_handle(h);
in->utils->host_dispose_handle(h);
return 0;
}
, "PF_Cmd_RENDER: unlock of handle #1 (4 bytes), which is not locked"
}
, {PF_Cmd_RENDER, EFFECT{const PF_Handle h = New(in, 4);
in->utils->host_dispose_handle(h);
in->utils->host_dispose_handle(h);
return 0;
}
, "PF_Cmd_RENDER: dispose of handle #1 (4 bytes), which was already disposed"
}
, {PF_Cmd_RENDER, EFFECT{void* not_a_handle = nullptr;
return in->utils->host_lock_handle(reinterpret_cast<PF_Handle>(&not_a_handle)) ? 1 : 0;
}
, "PF_Cmd_RENDER: lock of an unknown handle"
}
, {PF_Cmd_SMART_RENDER, EFFECT{const void* suite = nullptr;
return in->pica_basicP->AcquireSuite(kPFWorldSuite, kPFWorldSuiteVersion2, &suite);
}
, "PF_Cmd_SMART_RENDER: suite \"PF World Suite\" version 2 acquired and not released"
}
, {PF_Cmd_SMART_RENDER,
   EFFECT{return in->pica_basicP->ReleaseSuite(kPFWorldSuite, kPFWorldSuiteVersion2);
}
, "PF_Cmd_SMART_RENDER: release of suite \"PF World Suite\" version 2, which was not "
  "acquired"
}
, {PF_Cmd_SMART_PRE_RENDER, EFFECT{PF_ParamDef def{};
return in->inter.checkout_param(in->effect_ref, 3, 0, 1, 1, &def);
}
, "PF_Cmd_SMART_PRE_RENDER: parameter 3 checked out and not checked in"
}
, {PF_Cmd_UPDATE_PARAMS_UI, EFFECT{const void* suite = nullptr;
in->pica_basicP->AcquireSuite(kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1, &suite);
const auto* pf_interface = static_cast<const AEGP_PFInterfaceSuite1*>(suite);
AEGP_EffectRefH effect = nullptr;
const PF_Err err = pf_interface->AEGP_GetNewEffectForEffect(77, in->effect_ref, &effect);
in->pica_basicP->ReleaseSuite(kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1);
return err;
}
, "PF_Cmd_UPDATE_PARAMS_UI: AEGP effect reference obtained and not disposed"
}
, {PF_Cmd_SMART_RENDER_GPU, EFFECT{const void* suite = nullptr;
in->pica_basicP->AcquireSuite(kPFGPUDeviceSuite, kPFGPUDeviceSuiteVersion1, &suite);
const auto* gpu = static_cast<const PF_GPUDeviceSuite1*>(suite);
const PF_Err err = gpu->AcquireExclusiveDeviceAccess(in->effect_ref, 0);
in->pica_basicP->ReleaseSuite(kPFGPUDeviceSuite, kPFGPUDeviceSuiteVersion1);
return err;
}
, "PF_Cmd_SMART_RENDER_GPU: exclusive access to GPU device 0 acquired and not released"
}
,
}
;
for (const Misuse& c : cases) {
  Host host(c.entry, HostApp::AfterEffects);
  EXPECT_EQ(host.Send(c.cmd, nullptr, nullptr, nullptr), PF_Err_NONE) << c.imbalance;
  EXPECT_EQ(host.TakeImbalances(), Strings{c.imbalance});
}
}

bool g_dispose_gpu_data = true;

PF_Err HandingOver(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef**, PF_LayerDef*,
                   void* extra) {
  switch (cmd) {
    case PF_Cmd_GLOBAL_SETUP:
      out->global_data = New(in, 8);
      break;
    case PF_Cmd_GPU_DEVICE_SETUP:
      static_cast<PF_GPUDeviceSetupExtra*>(extra)->output->gpu_data = New(in, 24);
      break;
    case PF_Cmd_GPU_DEVICE_SETDOWN:
      if (g_dispose_gpu_data) {
        in->utils->host_dispose_handle(
            static_cast<PF_Handle>(static_cast<PF_GPUDeviceSetdownExtra*>(extra)->input->gpu_data));
      }
      break;
    default:
      break;
  }
  return PF_Err_NONE;
}

TEST(Balance, HandlesHandedToTheHostAreTheEffectsOnlyAgainAtSetDown) {
  for (const bool dispose : {true, false}) {
    g_dispose_gpu_data = dispose;
    Host host(&HandingOver, HostApp::AfterEffects);
    ASSERT_EQ(host.GlobalSetup(), PF_Err_NONE);
    PF_GPUDeviceSetupInput setup_in{PF_GPU_Framework_OPENCL, 0};
    PF_GPUDeviceSetupOutput setup_out{nullptr};
    PF_GPUDeviceSetupExtra setup{&setup_in, &setup_out};
    host.Send(PF_Cmd_GPU_DEVICE_SETUP, nullptr, nullptr, &setup);
    EXPECT_EQ(host.TakeImbalances(), Strings{});

    PF_GPUDeviceSetdownInput setdown_in{setup_out.gpu_data, PF_GPU_Framework_OPENCL, 0};
    PF_GPUDeviceSetdownExtra setdown{&setdown_in};
    host.Send(PF_Cmd_GPU_DEVICE_SETDOWN, nullptr, nullptr, &setdown);
    // The host disposes the global data; a handle left alive is not named a second time.
    host.Send(PF_Cmd_GLOBAL_SETDOWN, nullptr, nullptr, nullptr);
    const Strings leak{
        "PF_Cmd_GPU_DEVICE_SETDOWN: handle #2 (24 bytes), the gpu_data of GPU device 0, was given "
        "back to the plug-in and not disposed"};
    EXPECT_EQ(host.TakeImbalances(), dispose ? Strings{} : leak);
  }
}

// Run by ctest, which expects it to fail naming the leak: a Host that ends on another thread
// with an imbalance fails the test it ran in.
TEST(BalanceHook, DISABLED_ALeakOnAWorkerThreadFailsTheTest) {
  std::thread([] {
    Host host(
        EFFECT {
          New(in, 8);
          return 0;
        },
        HostApp::PremierePro);
    host.Send(PF_Cmd_SEQUENCE_SETUP, nullptr, nullptr, nullptr);
  }).join();
}

}  // namespace
