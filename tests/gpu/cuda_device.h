// The CUDA device the GPU tests run on: the real driver's where a GPU is, else the stand-in
// driver's when the test run puts it on the library path. The effect's module is loaded into the
// device's context once per test program.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "devhost/host/gpu.h"
#include "gpu/loaders/cuda/cuda_api.h"
#include "gpu/cuda_module.h"

struct TestCudaDevice {
  std::unique_ptr<devhost::GpuDevice> device;
  std::string why;  // why there is none
  CudaDeviceData module{};
  PF_Err load = PF_Err_NONE;
  PF_GPUDeviceInfo info{};
};

// Opened on first use.
inline TestCudaDevice& CudaTestDevice() {
  static TestCudaDevice* d = [] {
    auto* t = new TestCudaDevice;  // lives for the whole program: the module stays loaded
    t->device = devhost::GpuDevice::Open(devhost::GpuChoice::Cuda, &t->why);
    if (t->device) {
      t->device->Describe(&t->info);  // makes the device's context current, as a host does
      t->load = LoadCudaModule(*CudaDriver(), &t->module);
    }
    return t;
  }();
  return *d;
}

// Skips the calling test where the process has no CUDA device; fails it when the module does not
// load on the device there is.
#define SKIP_WITHOUT_CUDA_DEVICE(d)                                    \
  if (!(d).device) GTEST_SKIP() << "no CUDA device here: " << (d).why; \
  ASSERT_EQ((d).load, PF_Err_NONE)
