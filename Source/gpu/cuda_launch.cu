// The kernels compiled into the module's fat binary; the compiler's glue registers them when the
// module loads and turns the launch below into a configured cudaLaunchKernel.
#include "gpu/cuda_launch.h"
#include "gpu/kernels/gpu_kernel.cu"

bool CudaKernelsBuilt() { return true; }

int CudaLaunchScaleKernel(const void* src, void* dst, const ScaleParams& params) {
  const dim3 block(16, 16, 1);
  const dim3 grid((params.dst_width + 15u) / 16u, (params.dst_height + 15u) / 16u, 1);
  ScaleKernel<<<grid, block, 0, 0>>>(static_cast<const float4*>(src), static_cast<float4*>(dst),
                                     params);
  // The frame is complete on the device when the launch returns.
  return static_cast<int>(cudaDeviceSynchronize());
}

int CudaPeekAtLastError() { return static_cast<int>(cudaPeekAtLastError()); }
