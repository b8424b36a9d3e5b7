// A stand-in for the CUDA driver library on machines without an NVIDIA GPU, built as
// libcuda.so.1 and nvcuda.dll. It exports the entry points that the effect and devhost resolve,
// keeps device memory in host memory, accepts only the PTX text the module embeds (and only
// while that text's entry points are the kernel source's), and runs each launch on the CPU with
// the kernel source compiled as C++, block by block and thread by thread. As on a device, a
// stream's launches run when the stream is waited for or memory is copied, so a render that does
// not wait for its own launch leaves it pending.
#include "devhost/cuda_standin/cuda_standin.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "gpu/loaders/cuda/cuda_api.h"
#include "gpu/kernels/kernel_text.h"

#define GF_DEVICE_TARGET_CPU 1
#include "gpu/kernels/gpu_kernel.cu"

#if defined(_WIN32)
#define STANDIN_EXPORT extern "C" __declspec(dllexport)
#else
#define STANDIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

thread_local gf_dim3 gf_block_idx, gf_block_dim, gf_thread_idx;

namespace {

constexpr CUresult kInvalidValue = 1;
constexpr CUresult kNotInitialized = 3;
constexpr CUresult kInvalidImage = 200;
constexpr CUresult kInvalidContext = 201;
constexpr CUresult kInvalidPtx = 218;
constexpr CUresult kInvalidHandle = 400;
constexpr CUresult kNotFound = 500;

template <class T>
T Arg(const void* p) {
  T value;
  std::memcpy(&value, p, sizeof(value));
  return value;
}
float4* Pixels(const void* p) { return reinterpret_cast<float4*>(Arg<CUdeviceptr>(p)); }

// A launch's copy of each argument, as many bytes as the kernel's parameter has.
using Args = std::vector<std::vector<unsigned char>>;

// The kernels compiled as C++, with the bytes of each parameter as the device passes them.
struct KernelCode {
  const char* name;
  std::vector<size_t> params;
  void (*run)(const Args& args);
};

const KernelCode kKernels[] = {
    {"ScaleKernel",
     {8, 8, sizeof(ScaleParams), 8},
     [](const Args& a) {
       ScaleKernel(Pixels(a[0].data()), Pixels(a[1].data()), Arg<ScaleParams>(a[2].data()),
                   reinterpret_cast<const float*>(Arg<CUdeviceptr>(a[3].data())));
     }},
    {"Donkey_ears_kernel",
     {8, sizeof(ScaleParams)},
     [](const Args& a) { Donkey_ears_kernel(Pixels(a[0].data()), Arg<ScaleParams>(a[1].data())); }},
    {"Donkey_ears_kernel_metal",
     {8, sizeof(ScaleParams)},
     [](const Args& a) {
       Donkey_ears_kernel_metal(Pixels(a[0].data()), Arg<ScaleParams>(a[1].data()));
     }},
    {"Donkey_ears_kernel_opencl",
     {8, sizeof(ScaleParams)},
     [](const Args& a) {
       Donkey_ears_kernel_opencl(Pixels(a[0].data()), Arg<ScaleParams>(a[1].data()));
     }},
};

struct Launch {
  const KernelCode* code;
  gf_dim3 grid, block;
  Args args;
};

}  // namespace

struct CUctx_st {
  int retained = 0;
};
struct CUfunc_st {
  const KernelCode* code;
};
struct CUmod_st {
  std::map<std::string, CUfunc_st> functions;
};
struct CUstream_st {
  std::vector<Launch> pending;
};

namespace {

struct State {
  std::mutex mutex;
  bool initialised = false;
  CUctx_st context;
  CUstream_st default_stream;
  std::vector<CUstream_st*> streams;
  std::map<CUmodule, std::unique_ptr<CUmod_st>> modules;  // the driver's until unloaded
  std::map<CUdeviceptr, size_t> blocks;
  std::map<std::string, CUresult> fail_next;
  TgCudaStandInRecord record{};
};

State& S() {
  static State state;
  return state;
}

thread_local CUcontext current = nullptr;

// The injected failure of this entry point, once.
CUresult Injected(const char* entry) {
  const auto it = S().fail_next.find(entry);
  if (it == S().fail_next.end()) return CUDA_SUCCESS;
  const CUresult code = it->second;
  S().fail_next.erase(it);
  return code;
}

#define STANDIN_ENTRY(name)                           \
  const std::lock_guard<std::mutex> lock_(S().mutex); \
  if (const CUresult injected_ = Injected(name)) {    \
    return injected_;                                 \
  }

// Every thread of every block, one after the other.
void Run(const Launch& l) {
  gf_dim3& b = gf_block_idx;
  gf_dim3& t = gf_thread_idx;
  gf_block_dim = l.block;
  for (b.z = 0; b.z < l.grid.z; ++b.z) {
    for (b.y = 0; b.y < l.grid.y; ++b.y) {
      for (b.x = 0; b.x < l.grid.x; ++b.x) {
        for (t.z = 0; t.z < l.block.z; ++t.z) {
          for (t.y = 0; t.y < l.block.y; ++t.y) {
            for (t.x = 0; t.x < l.block.x; ++t.x) l.code->run(l.args);
          }
        }
      }
    }
  }
}

void RunPending(CUstream_st& stream) {
  for (const Launch& l : stream.pending) Run(l);
  S().record.pending -= static_cast<int>(stream.pending.size());
  stream.pending.clear();
}

void RunAllPending() {
  RunPending(S().default_stream);
  for (CUstream_st* s : S().streams) RunPending(*s);
}

// Whether [p, p + bytes) lies in one allocated block.
bool Allocated(CUdeviceptr p, size_t bytes) {
  auto it = S().blocks.upper_bound(p);
  if (it == S().blocks.begin()) return false;
  --it;
  return p + bytes <= it->first + it->second;
}

// The parameter bytes of each entry point of a PTX text: ".param .u64 a" has 8, ".param .align 4
// .b8 b[52]" 52.
std::map<std::string, std::vector<size_t>> Entries(const std::string& ptx) {
  std::map<std::string, std::vector<size_t>> entries;
  const std::string entry = ".entry ";
  for (size_t at = ptx.find(entry); at != std::string::npos; at = ptx.find(entry, at + 1)) {
    const size_t open = ptx.find('(', at);
    const size_t close = ptx.find(')', open);
    if (close == std::string::npos) break;
    std::istringstream name(ptx.substr(at + entry.size(), open - at - entry.size()));
    std::vector<size_t>& sizes = entries[*std::istream_iterator<std::string>(name)];
    std::istringstream params(ptx.substr(open + 1, close - open - 1));
    std::string param;
    while (std::getline(params, param, ',')) {
      std::istringstream words(param);
      size_t bits = 0, count = 1;
      for (std::string word; words >> word;) {
        if (word.size() > 2 && word[0] == '.' &&
            std::isdigit(static_cast<unsigned char>(word[2]))) {
          bits = std::stoul(word.substr(2));  // the type: .u64, .b8, ...
        }
        if (const size_t bracket = word.find('['); bracket != std::string::npos) {
          count = std::stoul(word.substr(bracket + 1));
        }
      }
      sizes.push_back(bits / 8 * count);
    }
  }
  return entries;
}

void WriteLog(unsigned count, const CUjit_option* options, void** values, const std::string& text) {
  char* buffer = nullptr;
  size_t size = 0;
  for (unsigned i = 0; i < count; ++i) {
    if (options[i] == CU_JIT_ERROR_LOG_BUFFER) buffer = static_cast<char*>(values[i]);
    if (options[i] == CU_JIT_ERROR_LOG_BUFFER_SIZE_BYTES)
      size = reinterpret_cast<size_t>(values[i]);
  }
  if (buffer == nullptr || size == 0) return;
  std::strncpy(buffer, text.c_str(), size - 1);
  buffer[size - 1] = '\0';
}

}  // namespace

// ---- what the effect calls ----

STANDIN_EXPORT CUresult cuModuleLoadDataEx(CUmodule* module, const void* image, unsigned count,
                                           CUjit_option* options, void** values) {
  const std::lock_guard<std::mutex> lock(S().mutex);
  if (const CUresult injected = Injected("cuModuleLoadDataEx")) {
    WriteLog(count, options, values, "stand-in: told to fail");
    return injected;
  }
  if (current == nullptr) return kInvalidContext;
  if (module == nullptr || image == nullptr) return kInvalidValue;
  if (std::strcmp(static_cast<const char*>(image), kCudaKernelPtx) != 0) {
    WriteLog(count, options, values, "stand-in: not the PTX text the module was built with");
    return kInvalidPtx;
  }
  auto loaded = std::make_unique<CUmod_st>();
  for (const auto& [name, sizes] : Entries(kCudaKernelPtx)) {
    const KernelCode* code = nullptr;
    for (const KernelCode& k : kKernels) {
      if (name == k.name && sizes == k.params) code = &k;
    }
    if (code == nullptr) {
      WriteLog(count, options, values,
               "stand-in: the PTX entry " + name + " is not the kernel source's (run scripts/ptx)");
      return kInvalidImage;
    }
    loaded->functions[name] = CUfunc_st{code};
  }
  *module = loaded.get();
  S().modules[*module] = std::move(loaded);
  ++S().record.modules;
  S().record.module_context = current;
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuModuleUnload(CUmodule module) {
  STANDIN_ENTRY("cuModuleUnload");
  if (S().modules.erase(module) == 0) return kInvalidHandle;
  --S().record.modules;
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuModuleGetFunction(CUfunction* function, CUmodule module,
                                            const char* name) {
  STANDIN_ENTRY("cuModuleGetFunction");
  if (function == nullptr || module == nullptr || name == nullptr) return kInvalidValue;
  const auto it = module->functions.find(name);
  if (it == module->functions.end()) return kNotFound;
  *function = &it->second;
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuLaunchKernel(CUfunction f, unsigned grid_x, unsigned grid_y,
                                       unsigned grid_z, unsigned block_x, unsigned block_y,
                                       unsigned block_z, unsigned shared_bytes, CUstream stream,
                                       void** params, void** extra) {
  STANDIN_ENTRY("cuLaunchKernel");
  if (current == nullptr) return kInvalidContext;
  if (f == nullptr) return kInvalidHandle;
  const unsigned long long threads = 1ull * block_x * block_y * block_z;
  if (grid_x == 0 || grid_y == 0 || grid_z == 0 || threads == 0 || threads > 1024 ||
      shared_bytes != 0 || params == nullptr || extra != nullptr) {
    return kInvalidValue;
  }
  Launch l{f->code, {grid_x, grid_y, grid_z}, {block_x, block_y, block_z}, {}};
  for (size_t i = 0; i < l.code->params.size(); ++i) {
    const auto* bytes = static_cast<const unsigned char*>(params[i]);
    l.args.emplace_back(bytes, bytes + l.code->params[i]);
  }
  (stream != nullptr ? *stream : S().default_stream).pending.push_back(std::move(l));
  TgCudaStandInRecord& r = S().record;
  ++r.pending;
  r.grid[0] = grid_x, r.grid[1] = grid_y, r.grid[2] = grid_z;
  r.block[0] = block_x, r.block[1] = block_y, r.block[2] = block_z;
  r.stream = stream;
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuStreamSynchronize(CUstream stream) {
  CUstream_st& s = stream != nullptr ? *stream : S().default_stream;
  const std::lock_guard<std::mutex> lock(S().mutex);
  if (const CUresult injected = Injected("cuStreamSynchronize")) {
    // A kernel that faulted: its work is lost.
    S().record.pending -= static_cast<int>(s.pending.size());
    s.pending.clear();
    return injected;
  }
  RunPending(s);
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuGetErrorString(CUresult error, const char** text) {
  static const std::map<CUresult, const char*> kTexts = {
      {CUDA_SUCCESS, "no error"},
      {kInvalidValue, "invalid argument"},
      {2, "out of memory"},
      {kNotInitialized, "initialization error"},
      {100, "no CUDA-capable device is detected"},
      {kInvalidImage, "device kernel image is invalid"},
      {kInvalidContext, "invalid device context"},
      {kInvalidPtx, "a PTX JIT compilation failed"},
      {kInvalidHandle, "invalid resource handle"},
      {kNotFound, "named symbol not found"},
      {700, "an illegal memory access was encountered"},
      {719, "unspecified launch failure"},
  };
  if (text == nullptr) return kInvalidValue;
  const auto it = kTexts.find(error);
  *text = it != kTexts.end() ? it->second : nullptr;
  return it != kTexts.end() ? CUDA_SUCCESS : kInvalidValue;
}

// ---- what a host calls besides ----

STANDIN_EXPORT CUresult cuInit(unsigned flags) {
  STANDIN_ENTRY("cuInit");
  if (flags != 0) return kInvalidValue;
  S().initialised = true;
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuDeviceGetCount(int* count) {
  STANDIN_ENTRY("cuDeviceGetCount");
  if (!S().initialised) return kNotInitialized;
  if (count == nullptr) return kInvalidValue;
  *count = 1;
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuDeviceGet(CUdevice* device, int ordinal) {
  STANDIN_ENTRY("cuDeviceGet");
  if (!S().initialised) return kNotInitialized;
  if (device == nullptr || ordinal != 0) return kInvalidValue;
  *device = 0;
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuDeviceGetName(char* name, int length, CUdevice device) {
  STANDIN_ENTRY("cuDeviceGetName");
  if (name == nullptr || length <= 0 || device != 0) return kInvalidValue;
  std::strncpy(name, "CUDA stand-in on the CPU", static_cast<size_t>(length) - 1);
  name[length - 1] = '\0';
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuDevicePrimaryCtxRetain(CUcontext* context, CUdevice device) {
  STANDIN_ENTRY("cuDevicePrimaryCtxRetain");
  if (!S().initialised) return kNotInitialized;
  if (context == nullptr || device != 0) return kInvalidValue;
  ++S().context.retained;
  *context = &S().context;
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuDevicePrimaryCtxRelease_v2(CUdevice device) {
  STANDIN_ENTRY("cuDevicePrimaryCtxRelease_v2");
  if (device != 0 || S().context.retained == 0) return kInvalidValue;
  --S().context.retained;
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuCtxSetCurrent(CUcontext context) {
  STANDIN_ENTRY("cuCtxSetCurrent");
  current = context;
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuCtxSynchronize() {
  STANDIN_ENTRY("cuCtxSynchronize");
  if (current == nullptr) return kInvalidContext;
  RunAllPending();
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuStreamCreate(CUstream* stream, unsigned flags) {
  STANDIN_ENTRY("cuStreamCreate");
  if (current == nullptr) return kInvalidContext;
  if (stream == nullptr || flags != 0) return kInvalidValue;
  *stream = new CUstream_st;
  S().streams.push_back(*stream);
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuStreamDestroy_v2(CUstream stream) {
  STANDIN_ENTRY("cuStreamDestroy_v2");
  std::vector<CUstream_st*>& streams = S().streams;
  for (auto it = streams.begin(); it != streams.end(); ++it) {
    if (*it == stream) {
      RunPending(*stream);  // work queued on a stream still completes after its destruction
      streams.erase(it);
      delete stream;
      return CUDA_SUCCESS;
    }
  }
  return kInvalidHandle;
}

STANDIN_EXPORT CUresult cuMemAlloc_v2(CUdeviceptr* memory, size_t bytes) {
  STANDIN_ENTRY("cuMemAlloc_v2");
  if (current == nullptr) return kInvalidContext;
  if (memory == nullptr || bytes == 0) return kInvalidValue;
  void* block = std::malloc(bytes);
  if (block == nullptr) return 2;
  *memory = reinterpret_cast<CUdeviceptr>(block);
  S().blocks[*memory] = bytes;
  ++S().record.blocks;
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuMemFree_v2(CUdeviceptr memory) {
  STANDIN_ENTRY("cuMemFree_v2");
  RunAllPending();  // freeing waits for the device, as the driver does
  if (S().blocks.erase(memory) == 0) return kInvalidValue;
  --S().record.blocks;
  std::free(reinterpret_cast<void*>(memory));
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuMemcpyHtoD_v2(CUdeviceptr to, const void* from, size_t bytes) {
  STANDIN_ENTRY("cuMemcpyHtoD_v2");
  RunAllPending();
  if (!Allocated(to, bytes) || from == nullptr) return kInvalidValue;
  std::memcpy(reinterpret_cast<void*>(to), from, bytes);
  return CUDA_SUCCESS;
}

// Queued work runs first, as the copy would wait for it on the stream.
STANDIN_EXPORT CUresult cuMemcpyHtoDAsync_v2(CUdeviceptr to, const void* from, size_t bytes,
                                             CUstream stream) {
  STANDIN_ENTRY("cuMemcpyHtoDAsync_v2");
  RunPending(stream != nullptr ? *stream : S().default_stream);
  if (!Allocated(to, bytes) || from == nullptr) return kInvalidValue;
  std::memcpy(reinterpret_cast<void*>(to), from, bytes);
  return CUDA_SUCCESS;
}

STANDIN_EXPORT CUresult cuMemcpyDtoH_v2(void* to, CUdeviceptr from, size_t bytes) {
  STANDIN_ENTRY("cuMemcpyDtoH_v2");
  RunAllPending();
  if (!Allocated(from, bytes) || to == nullptr) return kInvalidValue;
  std::memcpy(to, reinterpret_cast<const void*>(from), bytes);
  return CUDA_SUCCESS;
}

// ---- the tests' own ----

STANDIN_EXPORT TgCudaStandInRecord tgCudaStandInRecord() {
  const std::lock_guard<std::mutex> lock(S().mutex);
  return S().record;
}

STANDIN_EXPORT void tgCudaStandInFailNext(const char* entry, int code) {
  const std::lock_guard<std::mutex> lock(S().mutex);
  S().fail_next[entry] = code;
}
