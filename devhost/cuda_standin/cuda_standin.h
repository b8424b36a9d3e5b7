// What the tests ask of the CUDA stand-in driver (cuda_standin.cpp), through two exports the
// real driver does not have; CudaDriverExport finds them in the loaded library.
#pragma once

extern "C" {

// What the driver has seen since it was loaded.
struct TgCudaStandInRecord {
  int modules;       // loaded and not unloaded
  int pending;       // launched and not run yet: nobody waited for them
  int blocks;        // device memory allocated and not freed
  unsigned grid[3];  // of the last launch
  unsigned block[3];
  void* stream;          // of the last launch; null for the default stream
  void* module_context;  // the context the last module was loaded into
};

// "tgCudaStandInRecord"
using TgCudaStandInRecordFn = TgCudaStandInRecord (*)();
// "tgCudaStandInFailNext": the next call of the entry point (e.g. "cuLaunchKernel") returns the
// code and does nothing else.
using TgCudaStandInFailNextFn = void (*)(const char* entry, int code);
}
