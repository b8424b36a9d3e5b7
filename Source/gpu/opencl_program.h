// The kernel program of one OpenCL device: built at GPU device set-up, kept by the host in a
// handle, released at set-down.
#pragma once
#include <string_view>

#include "HostSDK.h"
#include "gpu/loaders/opencl/opencl_api.h"

// The record held in the device's 24-byte handle, in this order.
struct OpenCLDeviceData {
  cl_program program;
  cl_kernel scale_kernel;  // ScaleKernel
  cl_kernel donkey_ears;   // Donkey_ears_kernel_opencl, built but never launched
};
static_assert(sizeof(OpenCLDeviceData) == 24, "the host keeps the record in a 24-byte handle");

// The name the OpenCL headers give a status code, or "Unknown OpenCL error".
const char* OpenCLErrorName(cl_int code);

// "OpenCL error: <code> <name>" on standard error.
void PrintOpenCLError(cl_int code);

// Builds the kernel text for the device into the record (program first, then both kernels);
// returns 0 or 512. What was created before a failure stays in the record for the caller to
// release.
PF_Err BuildOpenCLProgram(const OpenCLApi& cl, cl_context context, cl_device_id device,
                          OpenCLDeviceData* record);

// Releases both kernels, then the program; each failing release is reported and makes the
// result 512, and the next release is still made. Null members are skipped.
PF_Err ReleaseOpenCLProgram(const OpenCLApi& cl, const OpenCLDeviceData& record);

// Tests only: builds this text instead of the kernels' (empty: the kernels' again).
void SetOpenCLKernelTextForTesting(std::string_view text);
