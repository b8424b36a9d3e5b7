// Which file the CUDA driver library is on this platform.
#pragma once

// Opens the driver library; null when there is none. The library stays loaded for the process.
void* OpenCudaLibrary();
