// The platform's way of opening the OpenCL library and finding its functions.
#pragma once

// Opens the OpenCL library; null when there is none. The library stays loaded for the process.
void* OpenOpenCLLibrary();
// Address of an exported function of the library; null when missing.
void* OpenCLSymbol(void* library, const char* name);
