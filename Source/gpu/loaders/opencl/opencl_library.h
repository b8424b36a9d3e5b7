// Which file the OpenCL library is on this platform.
#pragma once

// Opens the OpenCL library; null when there is none. The library stays loaded for the process.
void* OpenOpenCLLibrary();
