// The platform's way of opening the CUDA driver library and finding its functions.
#pragma once

// Opens the driver library; null when there is none. The library stays loaded for the process.
void* OpenCudaLibrary();
// Address of an exported function of the library; null when missing.
void* CudaSymbol(void* library, const char* name);
