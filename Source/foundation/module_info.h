// Libraries of the system opened by name, paths of loaded modules, this library's own path, and
// the host executable's version.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/operation_result.h"
#include "foundation/utf8_string.h"
#include "foundation/version.h"

/// A loaded module: an HMODULE on Windows, a handle from dlopen elsewhere. Null stands for the
/// executable of the process.
using ModuleHandle = void*;

/// Opens a library of the system by its file name: on Windows from the system folder only, so that
/// a copy planted beside the host or in its working folder is never picked up; elsewhere through
/// the dynamic loader's search. Null when there is none; it stays loaded for the process.
ModuleHandle OpenSystemLibrary(const char* name);
/// Address of a function the module exports; null when missing.
void* ModuleSymbol(ModuleHandle module, const char* name);
/// Points fn at the module's export of that name; false when it is missing.
template <class Fn>
bool ResolveSymbol(ModuleHandle module, const char* name, Fn& fn) {
  fn = reinterpret_cast<Fn>(ModuleSymbol(module, name));
  return fn != nullptr;
}

/// Full path of the module's file; empty when it cannot be learned.
mlUtf8String ModuleFileName(ModuleHandle module);
/// The file-name part of ModuleFileName.
mlUtf8String ModuleBaseName(ModuleHandle module);
/// What follows the last '/' or '\\' of a path; the whole path when it holds neither.
mlUtf8String PathBaseName(const mlUtf8String& path);
/// ModuleFileName in the active ANSI code page; empty on failure.
std::string ModuleFileNameAnsi(ModuleHandle module);

/// Sets path to the full path of the module this code is linked into. On failure, path is left
/// as it was and the result carries the system's error number.
OperationResult GetDynamicLibPath(mlUtf8String& path);
/// The failure GetDynamicLibPath reports for a system error number.
OperationResult DynamicLibPathFailure(std::int32_t error);

/// The product version of the process's executable from its version resource, with only the low
/// byte of each part and build 0; 0.0.0.0 without a resource (always, on POSIX systems).
mlVersion GetHostAppVersion();
