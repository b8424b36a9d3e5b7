// A module that links the foundation code, so that GetDynamicLibPath runs inside a library
// rather than inside the test executable.
#include "foundation/module_info.h"

#include <cstring>

// Exported explicitly: the build hides every other symbol of a library.
#if defined(_WIN32)
#define PROBE_EXPORT extern "C" __declspec(dllexport)
#else
#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

PROBE_EXPORT bool ProbeDynamicLibPath(char* path, std::size_t size) {
  mlUtf8String found;
  const OperationResult result = GetDynamicLibPath(found);
  if (result.failed || found.ByteSize() >= size) return false;
  std::memcpy(path, found.CStr(), found.ByteSize() + 1);
  return true;
}
