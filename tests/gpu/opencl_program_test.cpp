#include <gtest/gtest.h>

#include <string>

#include "gpu/kernel_text.h"
#include "gpu/opencl_program.h"

namespace {

TEST(OpenCLErrorName, SpellsTheHeadersNamesAndNothingElse) {
  EXPECT_STREQ(OpenCLErrorName(0), "CL_SUCCESS");
  EXPECT_STREQ(OpenCLErrorName(-11), "CL_BUILD_PROGRAM_FAILURE");
  EXPECT_STREQ(OpenCLErrorName(-19), "CL_KERNEL_ARG_INFO_NOT_AVAILABLE");
  EXPECT_STREQ(OpenCLErrorName(-30), "CL_INVALID_VALUE");
  EXPECT_STREQ(OpenCLErrorName(-68), "CL_INVALID_DEVICE_PARTITION_COUNT");
  EXPECT_STREQ(OpenCLErrorName(-1000), "CL_INVALID_GL_SHAREGROUP_REFERENCE_KHR");
  EXPECT_STREQ(OpenCLErrorName(-1005), "CL_D3D10_RESOURCE_NOT_ACQUIRED_KHR");
  // Gaps in the numbering and codes of later OpenCL versions.
  for (cl_int code : {-20, -25, -29, -69, -70, -999, -1006, 1}) {
    EXPECT_STREQ(OpenCLErrorName(code), "Unknown OpenCL error") << code;
  }
}

TEST(OpenCLErrorName, PrintsOneLineOnStandardError) {
  testing::internal::CaptureStderr();
  PrintOpenCLError(-46);
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "OpenCL error: -46 CL_INVALID_KERNEL_NAME\n");
}

// The embedded text is the kernel source as OpenCL C: the four entry points, no host-side
// leftovers, and the half branch left to the device's own preprocessing.
TEST(OpenCLKernelText, IsTheKernelSourceAsOpenCLC) {
  const std::string text(kOpenCLKernelText, kOpenCLKernelTextLength);
  EXPECT_EQ(kOpenCLKernelText[kOpenCLKernelTextLength], '\0');
  EXPECT_EQ(text.find('\0'), std::string::npos);
  for (const char* kernel : {"__kernel void ScaleKernel(", "__kernel void Donkey_ears_kernel(",
                             "__kernel void Donkey_ears_kernel_metal(",
                             "__kernel void Donkey_ears_kernel_opencl("}) {
    EXPECT_NE(text.find(kernel), std::string::npos) << kernel;
  }
  EXPECT_NE(text.find("#if GF_OPENCL_SUPPORTS_16F"), std::string::npos);
  EXPECT_EQ(text.find("#include"), std::string::npos);
  EXPECT_EQ(text.find("__global__"), std::string::npos);
  EXPECT_EQ(text.find("gf_if_opencl_16f"), std::string::npos);
}

}  // namespace
