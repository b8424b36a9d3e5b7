#include <gtest/gtest.h>

#include <string>

#include "gpu/kernels/kernel_text.h"
#include "gpu/opencl_program.h"

namespace {

// The named codes show in the device tests' messages; a code the headers do not name is unknown.
TEST(OpenCLErrorName, OneLineOnStandardError) {
  testing::internal::CaptureStderr();
  PrintOpenCLError(-46);
  for (cl_int code : {-20, -69, -1006, 1}) PrintOpenCLError(code);
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "OpenCL error: -46 CL_INVALID_KERNEL_NAME\n"
            "OpenCL error: -20 Unknown OpenCL error\nOpenCL error: -69 Unknown OpenCL error\n"
            "OpenCL error: -1006 Unknown OpenCL error\nOpenCL error: 1 Unknown OpenCL error\n");
}

// The half-storage branch is left to the device's own preprocessing. No device build shows a
// branch compiled in always: the half code builds either way.
TEST(OpenCLKernelText, LeavesTheHalfBranchToTheDevice) {
  const std::string text(kOpenCLKernelText, kOpenCLKernelTextLength);
  EXPECT_NE(text.find("#if GF_OPENCL_SUPPORTS_16F"), std::string::npos);
  EXPECT_EQ(text.find("gf_if_opencl_16f"), std::string::npos);
}

}  // namespace
