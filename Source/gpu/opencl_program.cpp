#include "gpu/opencl_program.h"

#include <cstdio>
#include <string>

#include "gpu/kernels/kernel_text.h"

namespace {

struct ErrorName {
  cl_int code;
  const char* name;
};

// The status codes of OpenCL 1.2 and the sharing extensions, spelled as the headers spell them.
constexpr ErrorName kErrorNames[] = {
    {0, "CL_SUCCESS"},
    {-1, "CL_DEVICE_NOT_FOUND"},
    {-2, "CL_DEVICE_NOT_AVAILABLE"},
    {-3, "CL_COMPILER_NOT_AVAILABLE"},
    {-4, "CL_MEM_OBJECT_ALLOCATION_FAILURE"},
    {-5, "CL_OUT_OF_RESOURCES"},
    {-6, "CL_OUT_OF_HOST_MEMORY"},
    {-7, "CL_PROFILING_INFO_NOT_AVAILABLE"},
    {-8, "CL_MEM_COPY_OVERLAP"},
    {-9, "CL_IMAGE_FORMAT_MISMATCH"},
    {-10, "CL_IMAGE_FORMAT_NOT_SUPPORTED"},
    {-11, "CL_BUILD_PROGRAM_FAILURE"},
    {-12, "CL_MAP_FAILURE"},
    {-13, "CL_MISALIGNED_SUB_BUFFER_OFFSET"},
    {-14, "CL_EXEC_STATUS_ERROR_FOR_EVENTS_IN_WAIT_LIST"},
    {-15, "CL_COMPILE_PROGRAM_FAILURE"},
    {-16, "CL_LINKER_NOT_AVAILABLE"},
    {-17, "CL_LINK_PROGRAM_FAILURE"},
    {-18, "CL_DEVICE_PARTITION_FAILED"},
    {-19, "CL_KERNEL_ARG_INFO_NOT_AVAILABLE"},
    {-30, "CL_INVALID_VALUE"},
    {-31, "CL_INVALID_DEVICE_TYPE"},
    {-32, "CL_INVALID_PLATFORM"},
    {-33, "CL_INVALID_DEVICE"},
    {-34, "CL_INVALID_CONTEXT"},
    {-35, "CL_INVALID_QUEUE_PROPERTIES"},
    {-36, "CL_INVALID_COMMAND_QUEUE"},
    {-37, "CL_INVALID_HOST_PTR"},
    {-38, "CL_INVALID_MEM_OBJECT"},
    {-39, "CL_INVALID_IMAGE_FORMAT_DESCRIPTOR"},
    {-40, "CL_INVALID_IMAGE_SIZE"},
    {-41, "CL_INVALID_SAMPLER"},
    {-42, "CL_INVALID_BINARY"},
    {-43, "CL_INVALID_BUILD_OPTIONS"},
    {-44, "CL_INVALID_PROGRAM"},
    {-45, "CL_INVALID_PROGRAM_EXECUTABLE"},
    {-46, "CL_INVALID_KERNEL_NAME"},
    {-47, "CL_INVALID_KERNEL_DEFINITION"},
    {-48, "CL_INVALID_KERNEL"},
    {-49, "CL_INVALID_ARG_INDEX"},
    {-50, "CL_INVALID_ARG_VALUE"},
    {-51, "CL_INVALID_ARG_SIZE"},
    {-52, "CL_INVALID_KERNEL_ARGS"},
    {-53, "CL_INVALID_WORK_DIMENSION"},
    {-54, "CL_INVALID_WORK_GROUP_SIZE"},
    {-55, "CL_INVALID_WORK_ITEM_SIZE"},
    {-56, "CL_INVALID_GLOBAL_OFFSET"},
    {-57, "CL_INVALID_EVENT_WAIT_LIST"},
    {-58, "CL_INVALID_EVENT"},
    {-59, "CL_INVALID_OPERATION"},
    {-60, "CL_INVALID_GL_OBJECT"},
    {-61, "CL_INVALID_BUFFER_SIZE"},
    {-62, "CL_INVALID_MIP_LEVEL"},
    {-63, "CL_INVALID_GLOBAL_WORK_SIZE"},
    {-64, "CL_INVALID_PROPERTY"},
    {-65, "CL_INVALID_IMAGE_DESCRIPTOR"},
    {-66, "CL_INVALID_COMPILER_OPTIONS"},
    {-67, "CL_INVALID_LINKER_OPTIONS"},
    {-68, "CL_INVALID_DEVICE_PARTITION_COUNT"},
    {-1000, "CL_INVALID_GL_SHAREGROUP_REFERENCE_KHR"},
    {-1001, "CL_PLATFORM_NOT_FOUND_KHR"},
    {-1002, "CL_INVALID_D3D10_DEVICE_KHR"},
    {-1003, "CL_INVALID_D3D10_RESOURCE_KHR"},
    {-1004, "CL_D3D10_RESOURCE_ALREADY_ACQUIRED_KHR"},
    {-1005, "CL_D3D10_RESOURCE_NOT_ACQUIRED_KHR"},
};

constexpr char kBuildOptions[] =
    "-cl-single-precision-constant -cl-fast-relaxed-math -cl-kernel-arg-info";
constexpr char kPrefixHalf[] =
    "#pragma OPENCL_EXTENSION cl_khr_fp16 : enable\n#define GF_OPENCL_SUPPORTS_16F 1\n";
constexpr char kPrefixNoHalf[] = "#define GF_OPENCL_SUPPORTS_16F 0\n";

std::string& TextOverride() {
  static std::string text;
  return text;
}

}  // namespace

const char* OpenCLErrorName(cl_int code) {
  for (const ErrorName& e : kErrorNames) {
    if (e.code == code) return e.name;
  }
  return "Unknown OpenCL error";
}

void PrintOpenCLError(cl_int code) {
  std::fprintf(stderr, "OpenCL error: %d %s\n", static_cast<int>(code), OpenCLErrorName(code));
}

PF_Err BuildOpenCLProgram(const OpenCLApi& cl, cl_context context, cl_device_id device,
                          OpenCLDeviceData* record) {
  // Devices with native half vectors get the half-storage branch of the kernels.
  cl_uint half_width = 0;
  const cl_int query = cl.GetDeviceInfo(device, CL_DEVICE_NATIVE_VECTOR_WIDTH_HALF,
                                        sizeof(half_width), &half_width, nullptr);
  if (query != CL_SUCCESS) {
    PrintOpenCLError(query);
    half_width = 0;
  }
  const char* prefix = half_width != 0 ? kPrefixHalf : kPrefixNoHalf;

  const std::string& override_text = TextOverride();
  const char* strings[2] = {prefix,
                            override_text.empty() ? kOpenCLKernelText : override_text.c_str()};
  const size_t lengths[2] = {std::char_traits<char>::length(prefix), override_text.empty()
                                                                         ? kOpenCLKernelTextLength
                                                                         : override_text.size()};
  cl_int status = CL_SUCCESS;
  record->program = cl.CreateProgramWithSource(context, 2, strings, lengths, &status);
  if (query != CL_SUCCESS) return PF_Err_INTERNAL_STRUCT_DAMAGED;
  if (status != CL_SUCCESS) {
    PrintOpenCLError(status);
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }

  status = cl.BuildProgram(record->program, 1, &device, kBuildOptions, nullptr, nullptr);
  if (status != CL_SUCCESS) {
    PrintOpenCLError(status);
    size_t size = 0;
    cl_int log_status =
        cl.GetProgramBuildInfo(record->program, device, CL_PROGRAM_BUILD_LOG, 0, nullptr, &size);
    if (log_status != CL_SUCCESS) PrintOpenCLError(log_status);
    // One more byte so that the text ends in NUL even when the log's own size is 0.
    std::string log(size + 1, '\0');
    if (log_status == CL_SUCCESS) {
      log_status = cl.GetProgramBuildInfo(record->program, device, CL_PROGRAM_BUILD_LOG, size,
                                          log.data(), nullptr);
      if (log_status != CL_SUCCESS) PrintOpenCLError(log_status);
    }
    std::fprintf(stderr, "Build log:\n%s\n", log.c_str());
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }

  record->scale_kernel = cl.CreateKernel(record->program, "ScaleKernel", &status);
  if (status == CL_SUCCESS) {
    record->donkey_ears = cl.CreateKernel(record->program, "Donkey_ears_kernel_opencl", &status);
  }
  if (status != CL_SUCCESS) {
    PrintOpenCLError(status);
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
  }
  return PF_Err_NONE;
}

PF_Err ReleaseOpenCLProgram(const OpenCLApi& cl, const OpenCLDeviceData& record) {
  PF_Err err = PF_Err_NONE;
  const auto check = [&err](cl_int status) {
    if (status != CL_SUCCESS) {
      PrintOpenCLError(status);
      err = PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
  };
  if (record.scale_kernel != nullptr) check(cl.ReleaseKernel(record.scale_kernel));
  if (record.donkey_ears != nullptr) check(cl.ReleaseKernel(record.donkey_ears));
  if (record.program != nullptr) check(cl.ReleaseProgram(record.program));
  return err;
}

void SetOpenCLKernelTextForTesting(std::string_view text) { TextOverride() = text; }
