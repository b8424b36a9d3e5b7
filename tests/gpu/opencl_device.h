// The OpenCL device the GPU tests run on (PoCL on the build machines), with the effect's program
// built for it once per test program.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "devhost/host/gpu.h"
#include "gpu/loaders/opencl/opencl_api.h"
#include "gpu/opencl_program.h"

struct TestDevice {
  std::unique_ptr<devhost::GpuDevice> device;
  std::string why;  // why there is none
  OpenCLDeviceData program{};
  PF_Err build = PF_Err_NONE;
  PF_GPUDeviceInfo info{};
};

// Opened on first use; fails the calling test when no device or no program is there.
inline TestDevice& OpenCLTestDevice() {
  static TestDevice* d = [] {
    auto* t = new TestDevice;  // lives for the whole program: kernels and queue are shared
    t->device = devhost::GpuDevice::Open(devhost::GpuChoice::OpenCL, &t->why);
    if (t->device) {
      t->device->Describe(&t->info);
      t->build = BuildOpenCLProgram(*OpenCL(), static_cast<cl_context>(t->info.contextPV),
                                    static_cast<cl_device_id>(t->info.devicePV), &t->program);
    }
    return t;
  }();
  return *d;
}

#define ASSERT_OPENCL_DEVICE(d)                                                             \
  ASSERT_TRUE((d).device) << "no OpenCL device (scripts/setup installs PoCL): " << (d).why; \
  ASSERT_EQ((d).build, PF_Err_NONE)
